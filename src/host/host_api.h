// HostApi: the seventeen host functions as one interface, handed to everything that talks to
// the host.
//
// The DLL hands in the real host's functions, looked up by name in the host executable
// (LateBoundHost); the command-line tool and the web page hand in an in-memory host; tests hand
// in the simulator. Nothing below the shell reaches a host any other way.
//
// Each method has the C signature of its FX_ function (host_abi.h), with the same arguments,
// results and ownership; the binding (binding.h) adds the fix-ups, translations and fallbacks
// the plug-in relies on. Threading: the host's UI thread only, one call at a time.
#pragma once

#include <cstdint>

#include "host/tgf.h"

namespace qz::host {

enum class HostFunction : int {
    kLoadTGF, kSaveTGF, kFreeTGF, kInsertEXENTRY, kDeleteEXENTRY, kLoadEData, kSaveEData,
    kCreateEData, kDeleteEData, kNextEData, kSlotToInst, kInstToSlot, kGetCurERegions,
    kGetTGFDuration, kGetShowLayer, kGetCurrentEnigmaDocument, kGetMaxLayers
};
inline constexpr int kHostFunctionCount = 17;

// The exported name of `function` ("FX_LoadTGF"); a static string.
const char* HostFunctionName(HostFunction function);

class HostApi {
public:
    virtual ~HostApi() = default;

    // Whether the host has `function`. The binding never calls a function the host lacks: it
    // answers that wrapper's fallback instead.
    virtual bool Provides(HostFunction function) = 0;

    virtual TGF* LoadTGF(uint16_t slotScope, uint16_t slot, uint16_t measure, uint16_t layer,
                         uint16_t requireFrame, uint32_t version) = 0;
    virtual int16_t SaveTGF(TGF* frame, uint32_t version) = 0;
    virtual int16_t FreeTGF(TGF* frame, uint32_t version) = 0;
    virtual int16_t InsertEXENTRY(TGF* frame, uint16_t where, uint16_t count, uint32_t version) = 0;
    virtual int16_t DeleteEXENTRY(TGF* frame, uint16_t where, uint16_t count, uint32_t version) = 0;
    virtual int16_t LoadEData(uint32_t tag, void* key, void* buffer, uint32_t* size,
                              uint32_t version) = 0;
    virtual int16_t SaveEData(uint32_t tag, const void* key, const void* buffer, int32_t size,
                              uint32_t version) = 0;
    virtual int16_t CreateEData(uint32_t tag, void* key, const void* buffer, int32_t size,
                                uint32_t version) = 0;
    virtual int16_t DeleteEData(uint32_t tag, const void* key, uint32_t version) = 0;
    virtual int16_t NextEData(uint32_t tag, void* key, void* unused1, void* unused2,
                              uint32_t version) = 0;
    virtual int16_t SlotToInst(uint16_t slot, uint16_t slotScope, uint32_t version) = 0;
    virtual int16_t InstToSlot(uint16_t instrument, uint16_t zero, uint32_t version) = 0;
    virtual int16_t GetCurERegions(void* scratch8, void* scratch24, void* region,
                                   uint32_t version) = 0;
    virtual int32_t GetTGFDuration(const TGF* frame, uint32_t version) = 0;
    virtual int16_t GetShowLayer(uint16_t layer, uint32_t version) = 0;
    virtual int16_t GetCurrentEnigmaDocument(uint32_t version) = 0;
    virtual int16_t GetMaxLayers(uint32_t version) = 0;
};

}  // namespace qz::host
