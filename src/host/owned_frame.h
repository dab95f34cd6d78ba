// OwnedFrame: the one owner of a host frame, from FX_LoadTGF to FX_FreeTGF.
//
// Every frame the plug-in loads is held by exactly one OwnedFrame at every moment, so that an
// early return or an exception gives it back to the host exactly once. LoadFrame is also where a
// frame is checked, once, before anything reads it: a frame that the plug-in already holds (the
// host handed the same pointer out again), whose header names another place than the one asked
// for, or whose counts cannot be true (negative, or positive without their array) is not taken:
// the caller sees the place as having no frame.
//
// Threading: the host's UI thread only, like the binding.
#pragma once

#include "host/binding.h"
#include "host/tgf.h"

namespace qz::host {

class OwnedFrame {
public:
    OwnedFrame() = default;
    ~OwnedFrame() { Free(); }
    OwnedFrame(OwnedFrame&& other) noexcept;
    OwnedFrame& operator=(OwnedFrame&& other) noexcept;
    OwnedFrame(const OwnedFrame&) = delete;
    OwnedFrame& operator=(const OwnedFrame&) = delete;

    // The frame, or null for an empty owner. Borrowed: valid while this owner holds it.
    TGF* Get() const { return frame_; }
    explicit operator bool() const { return frame_ != nullptr; }
    // Gives the frame back to the host (FX_FreeTGF) now; the owner is empty afterwards.
    void Free();

private:
    friend OwnedFrame LoadFrame(HostBinding& host, int slotScope, int slot, int measure,
                                int layer, int requireFrame);
    OwnedFrame(HostBinding& host, TGF* frame) : host_(&host), frame_(frame) {}

    HostBinding* host_ = nullptr;  // the binding that loaded the frame; frees it
    TGF* frame_ = nullptr;
};

// FX_LoadTGF of one place (arguments as HostBinding::LoadTGF), checked as described above. Empty
// when the host has no frame or hands out one that fails the checks (a new but malformed frame
// is given back at once). Throws std::bad_alloc, holding nothing, when the record of held frames
// cannot grow.
OwnedFrame LoadFrame(HostBinding& host, int slotScope, int slot, int measure, int layer,
                     int requireFrame);

// True when the frame's header names exactly this place (16-bit values, as the host got them)
// and its counts can be read as stated. Exposed for tests.
bool IsSoundFrameOf(const TGF* frame, int slotScope, int slot, int measure, int layer);

}  // namespace qz::host
