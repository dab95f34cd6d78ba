// LateBoundHost: the real host's functions, found by name in the host executable.
//
// The plug-in is not linked against the host. The first use of each function finds the host
// module ("FINALE.EXE", else "FINDEMO.EXE") and the function by name, and keeps the answer, a
// missing function included, for the rest of the plug-in's life. Only a missing module is asked
// for again at the next use, so that nothing is settled before the host module is known.
// Threading: host's UI thread only, no locks.
#pragma once

#include "host/host_abi.h"
#include "host/host_api.h"
#include "platform/platform.h"

namespace qz::host {

class LateBoundHost final : public HostApi {
public:
    bool Provides(HostFunction function) override { return Resolve(function) != nullptr; }

    // Each forwards to the host's function; a function the host lacks answers 0 (null), but the
    // binding never calls one (Provides).
    TGF* LoadTGF(uint16_t slotScope, uint16_t slot, uint16_t measure, uint16_t layer,
                 uint16_t requireFrame, uint32_t version) override;
    int16_t SaveTGF(TGF* frame, uint32_t version) override;
    int16_t FreeTGF(TGF* frame, uint32_t version) override;
    int16_t InsertEXENTRY(TGF* frame, uint16_t where, uint16_t count, uint32_t version) override;
    int16_t DeleteEXENTRY(TGF* frame, uint16_t where, uint16_t count, uint32_t version) override;
    int16_t LoadEData(uint32_t tag, void* key, void* buffer, uint32_t* size,
                      uint32_t version) override;
    int16_t SaveEData(uint32_t tag, const void* key, const void* buffer, int32_t size,
                      uint32_t version) override;
    int16_t CreateEData(uint32_t tag, void* key, const void* buffer, int32_t size,
                        uint32_t version) override;
    int16_t DeleteEData(uint32_t tag, const void* key, uint32_t version) override;
    int16_t NextEData(uint32_t tag, void* key, void* unused1, void* unused2,
                      uint32_t version) override;
    int16_t SlotToInst(uint16_t slot, uint16_t slotScope, uint32_t version) override;
    int16_t InstToSlot(uint16_t instrument, uint16_t zero, uint32_t version) override;
    int16_t GetCurERegions(void* scratch8, void* scratch24, void* region,
                           uint32_t version) override;
    int32_t GetTGFDuration(const TGF* frame, uint32_t version) override;
    int16_t GetShowLayer(uint16_t layer, uint32_t version) override;
    int16_t GetCurrentEnigmaDocument(uint32_t version) override;
    int16_t GetMaxLayers(uint32_t version) override;

private:
    struct Slot {
        bool lookedUp = false;
        platform::ProcAddress address = nullptr;
    };

    platform::ModuleHandle Module();
    platform::ProcAddress Resolve(HostFunction function);
    template <typename Fn>
    Fn Get(HostFunction function) {
        return reinterpret_cast<Fn>(Resolve(function));
    }

    platform::ModuleHandle module_ = nullptr;
    Slot slots_[kHostFunctionCount];
};

}  // namespace qz::host
