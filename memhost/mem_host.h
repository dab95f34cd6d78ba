// The in-memory host: documents held in memory, served through the seventeen host functions
// (HostApi) as the host program serves its own, so that the plug-in's command flow can run
// where no host program is, over a document a caller built.
//
// Frames: FX_LoadTGF hands out a frame (its header and two arrays, all the host's) until
// FX_FreeTGF takes it back. A plug-in may misbehave, so the host never trusts a frame's header:
// it works on its own copy of each array's place and count, answers 0 for a pointer it did not
// hand out, and takes back every frame still out when it is destroyed.
//
// No host function throws: a failure inside (an allocation, say) answers the function's
// neutral value (null or 0) and leaves the document as it was.
//
// Threading: one thread, like the host program. Nothing here is locked.
#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <set>
#include <tuple>
#include <vector>

#include "host/host_api.h"
#include "host/tgf.h"
#include "memhost/document.h"

namespace qz::memhost {

struct Frame;        // one frame handed out (mem_frame.h)
struct FrameArray;   // one array of a frame (mem_frame.h)

class MemHost : public qz::host::HostApi {
public:
    MemHost();
    ~MemHost() override;
    MemHost(const MemHost&) = delete;
    MemHost& operator=(const MemHost&) = delete;

    // --- documents (owned by the host: references stay valid as long as it lives) ---
    Document& AddDocument();  // ids 1, 2, ...; the first becomes current
    Document& CurrentDocument();  // adds a first document when there is none
    Document* FindDocument(int id);
    void SetCurrentDocument(int id);  // ignored for an unknown id

    // --- what the host shows ---
    // The selection the host reports through FX_GetCurERegions (a raw 20-byte ERegion).
    void SetCurrentRegion(int startSlot, int startMeasure, int endSlot, int endMeasure,
                          int32_t startPosition = 0, int32_t endPosition = 0x7FFFFFFF,
                          int16_t startSlotScope = 0, int16_t endSlotScope = 0);
    void SetCurrentRegionRecord(const unsigned char (&record)[20]);
    const unsigned char* CurrentRegionRecord() const { return region_; }
    void SetLayerShown(int layer, bool shown);  // all four layers are shown at first
    void SetMaxLayers(int count);               // 4 at first

    // A frame the host wants left alone: FX_LoadTGF hands it out with a non-zero skipSave.
    void MarkSkipSave(int slot, int measure, int layer);

    int LiveFrames() const { return static_cast<int>(frames_.size()); }

    // --- the host functions ---
    bool Provides(qz::host::HostFunction function) override;  // every one
    // A frame of the current document's place, its arrays copied from the stored entries and
    // from the detail records of their numbers; null for a place the document lacks (an
    // unknown slot, a measure outside 1..n, a layer past 3).
    qz::host::TGF* LoadTGF(uint16_t scope, uint16_t slot, uint16_t measure, uint16_t layer,
                           uint16_t require, uint32_t version) override;
    // Writes the frame's entries over the stored ones, numbering unnumbered entries in the
    // store only (the frame keeps 0: the plug-in must load the frame again to see numbers).
    // The detail table is not written back: details live in the EData store.
    int16_t SaveTGF(qz::host::TGF* frame, uint32_t version) override;
    int16_t FreeTGF(qz::host::TGF* frame, uint32_t version) override;
    // Both move the entry array (the old one is released) and leave the detail table alone.
    int16_t InsertEXENTRY(qz::host::TGF* frame, uint16_t where, uint16_t count,
                          uint32_t version) override;
    int16_t DeleteEXENTRY(qz::host::TGF* frame, uint16_t where, uint16_t count,
                          uint32_t version) override;
    // Extended data of the current document. CreateEData completes a key index of -1 with the
    // next free index, in the caller's key too.
    int16_t LoadEData(uint32_t tag, void* key, void* buffer, uint32_t* size,
                      uint32_t version) override;
    int16_t SaveEData(uint32_t tag, const void* key, const void* buffer, int32_t size,
                      uint32_t version) override;
    int16_t CreateEData(uint32_t tag, void* key, const void* buffer, int32_t size,
                        uint32_t version) override;
    int16_t DeleteEData(uint32_t tag, const void* key, uint32_t version) override;
    int16_t NextEData(uint32_t tag, void* key, void* unused1, void* unused2,
                      uint32_t version) override;
    // Staves of the current document; 0 for an unknown slot or instrument.
    int16_t SlotToInst(uint16_t slot, uint16_t scope, uint32_t version) override;
    int16_t InstToSlot(uint16_t instrument, uint16_t zero, uint32_t version) override;
    // Copies the current region record to `region` and fills the scratch areas (8 and 24
    // bytes) with 0xA5. Null pointers are skipped.
    int16_t GetCurERegions(void* scratch8, void* scratch24, void* region,
                           uint32_t version) override;
    // The frame's measure's length on its staff (Document::SetMeasureDuration), else its time
    // signature's; 0 for a frame not handed out.
    int32_t GetTGFDuration(const qz::host::TGF* frame, uint32_t version) override;
    int16_t GetShowLayer(uint16_t layer, uint32_t version) override;
    int16_t GetCurrentEnigmaDocument(uint32_t version) override;
    int16_t GetMaxLayers(uint32_t version) override;

protected:
    // Where a frame's array of `bytes` zero bytes lives. Never null, not even for 0 bytes. A
    // derived host may place arrays differently (between guard bytes, say).
    virtual FrameArray NewArray(std::size_t bytes);
    // The frame handed out as `frame` and not yet taken back; null for any other pointer.
    Frame* FindFrame(const qz::host::TGF* frame);
    std::vector<qz::host::TGF*> FramesOut() const;
    Document* CurrentOrNull();

private:
    Document::EDataKey KeyOf(uint32_t tag, const void* key) const;

    std::vector<std::unique_ptr<Document>> documents_;
    int currentDocument_ = 0;
    unsigned char region_[20] = {};
    bool shown_[4] = {true, true, true, true};
    int maxLayers_ = 4;
    std::set<std::tuple<int, int, int>> skipSaveFrames_;
    std::map<const qz::host::TGF*, std::unique_ptr<Frame>> frames_;
};

}  // namespace qz::memhost
