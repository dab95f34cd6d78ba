// HostBinding: the plug-in's calls to its host, over the HostApi it was handed.
//
// Each wrapper passes its 16-bit arguments as the caller's low 16 bits and appends kCallVersion,
// fixes frames up before the host sees them (FixUpFrame) and translates legacy EData tags. A
// wrapper whose function the host lacks returns the fallback it documents and shows nothing.
// The binding also keeps the record of frames the plug-in holds (owned_frame.h). One binding
// serves one command flow; it neither owns nor outlives its HostApi. Threading: host's UI thread
// only, no locks.
#pragma once

#include <cstdint>
#include <vector>

#include "host/host_abi.h"
#include "host/host_api.h"

namespace qz::host {

class HostBinding {
public:
    explicit HostBinding(HostApi& api) : api_(api) {}
    HostBinding(const HostBinding&) = delete;
    HostBinding& operator=(const HostBinding&) = delete;

    // --- Frames (record layout in tgf.h) ---

    // Frame of (scope, slot, measure, layer) owned by the host until FreeTGF; null when the host
    // has none or lacks FX_LoadTGF. `requireFrame` is 0 or 1.
    TGF* LoadTGF(int slotScope, int slot, int measure, int layer, int requireFrame);
    // Fixes the frame up (FixUpFrame), then saves it. Non-zero: saved; 0 when missing.
    int SaveTGF(TGF* frame);
    // Gives the frame back to the host; nothing happens when the function is missing.
    void FreeTGF(TGF* frame);
    // Fix up, then insert / delete `count` entries at index 0. 0 when missing. The frame's
    // `entries` pointer must be read again afterwards.
    int InsertEXENTRY(TGF* frame, int count);
    int DeleteEXENTRY(TGF* frame, int count);

    // --- Extended data (buffers and keys owned by the caller) ---

    // Loads a record; a null buffer asks for its size. Legacy pf tags are translated (edata.h).
    // Result zero-extended from 16 bits; 0 when missing.
    int LoadEData(uint32_t tag, void* key, void* buffer, uint32_t* size, uint32_t version);
    // Saves a record; pf tags are translated when version >= 0x08000000. 0 when missing.
    int SaveEData(uint32_t tag, const void* key, const void* buffer, int32_t size,
                  uint32_t version);
    // Passed straight through; 0 when missing.
    int CreateEData(uint32_t tag, void* key, const void* buffer, int32_t size, uint32_t version);
    int DeleteEData(uint32_t tag, const void* key, uint32_t version);
    int NextEData(uint32_t tag, void* key, uint32_t version);

    // The untranslated host calls, for the legacy-tag translation. 0 when missing.
    int HostLoadEData(uint32_t tag, void* key, void* buffer, uint32_t* size, uint32_t version);
    int HostSaveEData(uint32_t tag, const void* key, const void* buffer, int32_t size,
                      uint32_t version);
    // Whether the host exports FX_LoadEData / FX_SaveEData (looked up like any call).
    bool HasHostLoadEData();
    bool HasHostSaveEData();

    // --- Staves, regions, layers, documents ---

    int SlotToInst(int slot, int slotScope);  // staff number; 0 when missing
    int InstToSlot(int instrument);           // staff slot; 0 when missing
    // Fills the 20-byte ERegion at `region` (owned by the caller); writes nothing when missing.
    void GetCurERegions(void* region);
    int32_t GetTGFDuration(const TGF* frame);  // 0 when missing
    int GetShowLayer(int layer);               // non-zero: shown; 0 when missing
    int GetCurrentEnigmaDocument();            // document id; 0 when missing
    int GetMaxLayers();                        // layer count; 4 when missing

    // --- The frames the plug-in holds (kept by OwnedFrame, owned_frame.h) ---
    // A frame is held from its checked load to its free; a pointer the host hands out again
    // while it is held is not a new frame. HoldFrame throws std::bad_alloc when the record
    // cannot grow.
    bool HoldsFrame(const TGF* frame) const;
    void HoldFrame(const TGF* frame);
    void ForgetFrame(const TGF* frame);
    // Makes room to hold `more` frames beyond those held now, so that holding them later does
    // not allocate. Throws std::bad_alloc.
    void ReserveFrames(std::size_t more) { heldFrames_.reserve(heldFrames_.size() + more); }

private:
    HostApi& api_;
    std::vector<const TGF*> heldFrames_;
};

}  // namespace qz::host
