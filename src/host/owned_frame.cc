#include "host/owned_frame.h"

#include <utility>

namespace qz::host {
namespace {

uint16_t Low16(int value) { return static_cast<uint16_t>(static_cast<unsigned>(value) & 0xFFFFu); }

// A stated count that the frame's array can back: not negative, and not positive without it.
bool CountIsBacked(const TGF* frame, std::size_t countOffset, std::size_t arrayOffset) {
    const int16_t count = Load<int16_t>(frame, countOffset);
    return count == 0 || (count > 0 && LoadPointer(frame, arrayOffset) != nullptr);
}

}  // namespace

OwnedFrame::OwnedFrame(OwnedFrame&& other) noexcept
    : host_(other.host_), frame_(std::exchange(other.frame_, nullptr)) {}

OwnedFrame& OwnedFrame::operator=(OwnedFrame&& other) noexcept {
    if (this != &other) {
        Free();
        host_ = other.host_;
        frame_ = std::exchange(other.frame_, nullptr);
    }
    return *this;
}

void OwnedFrame::Free() {
    TGF* frame = std::exchange(frame_, nullptr);
    if (frame == nullptr) return;
    host_->ForgetFrame(frame);
    host_->FreeTGF(frame);
}

bool IsSoundFrameOf(const TGF* frame, int slotScope, int slot, int measure, int layer) {
    return tgf::SlotScope(frame) == Low16(slotScope) && tgf::Slot(frame) == Low16(slot) &&
           static_cast<uint16_t>(tgf::Measure(frame)) == Low16(measure) &&
           static_cast<uint16_t>(tgf::Layer(frame)) == Low16(layer) &&
           CountIsBacked(frame, tgf::kEntryCount, tgf::kEntries) &&
           CountIsBacked(frame, tgf::kDetailCount, tgf::kDetails);
}

OwnedFrame LoadFrame(HostBinding& host, int slotScope, int slot, int measure, int layer,
                     int requireFrame) {
    TGF* frame = host.LoadTGF(slotScope, slot, measure, layer, requireFrame);
    // The same pointer again is not a new frame: it stays with its first owner, who frees it.
    if (frame == nullptr || host.HoldsFrame(frame)) return {};
    if (!IsSoundFrameOf(frame, slotScope, slot, measure, layer)) {
        host.FreeTGF(frame);
        return {};
    }
    try {
        host.HoldFrame(frame);
    } catch (...) {
        host.FreeTGF(frame);
        throw;
    }
    return OwnedFrame(host, frame);
}

}  // namespace qz::host
