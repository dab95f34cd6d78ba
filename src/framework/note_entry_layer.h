// FCNoteEntryLayer: the entries of one layer of one staff over a run of measures.
//
// The layer loads one host frame per measure and is the only holder of those frames: it frees
// every one of them exactly once, unsaved, when it is emptied or destroyed. Its entries (owned)
// point into the frames and are chained in score order across measures. Nothing reaches the
// document except through Save.
//
// Lifecycle: construct (bounded by the host's current region), then Load or CloneToPlace, read and
// change in memory, optionally Save (possibly more than once), destroy. A failed Load or
// CloneToPlace leaves the layer empty.
//
// Allocation failure throws std::bad_alloc out of Load and CloneToPlace, with the layer left
// empty and every frame given back: a layer never holds a cut-short list of entries. The entries
// (with their notes inside them) live in one block sized once per build, so a layer costs a few
// allocations, not one per entry and note; a layer given an arena takes even those from it.
#pragma once

#include <cstdint>
#include <vector>

#include "framework/arena.h"
#include "framework/collection.h"
#include "framework/note_entry.h"
#include "host/owned_frame.h"
#include "host/tgf.h"

namespace qz {

// A collection whose items are FCNoteEntry objects.
class __FCNoteEntryCollection : public __FCCollection {
public:
    FCNoteEntry* GetEntryAt(int32_t index) const {
        return static_cast<FCNoteEntry*>(GetItemAt(index));
    }
};

class FCNoteEntryLayer : public __FCNoteEntryCollection {
public:
    // A layer of `layerIndex` (0-based) on staff `instrument` over measures first..last, reached
    // through `host` (borrowed: it must outlive the layer). The start
    // is raised to 1; the end is cut to the last measure of the host's current region, and -1 asks
    // for exactly that measure. Asks the host for its current region; loads nothing. The layer's
    // memory (frame owners, entries, item array) comes from `arena` when one is given (borrowed:
    // it must outlive the layer and not be rewound while the layer holds entries), else from the
    // heap.
    FCNoteEntryLayer(host::HostBinding& host, int16_t layerIndex, int16_t instrument,
                     int16_t firstMeasure, int16_t lastMeasure, Arena* arena = nullptr);
    FCNoteEntryLayer(const FCNoteEntryLayer&) = delete;
    FCNoteEntryLayer& operator=(const FCNoteEntryLayer&) = delete;
    ~FCNoteEntryLayer() override;
    const char* ClassName() const override { return "FCNoteEntryLayer"; }

    // Loads one frame per measure and builds the entries. Refuses (false, no host call) a
    // non-positive measure or instrument and an empty or inverted range. With requireFrames, a
    // frame the host cannot supply fails the load; a hidden layer (with shownLayersOnly) loads
    // successfully with no entries.
    bool Load();
    // Copies this layer's measures into the frames of another place (layer, staff, first measure)
    // and moves the layer there; changes are in memory until Save. Any frame the host cannot
    // supply, or cannot resize to the source's entry count, fails the clone and leaves the layer
    // empty.
    bool CloneToPlace(int16_t targetLayer, int16_t targetInstrument, int16_t targetFirstMeasure);
    // Saves every frame whose skipSave is 0, reloading those that held unnumbered entries so that
    // the entries see the host's new numbers. False when any save was refused; the other frames
    // are still saved.
    bool Save();
    // Saves the frame of slot i (0 .. frameCount-1) as Save does for each. True when there is
    // nothing to save there (no frame, or skipSave set) or the host accepted it. A frame the
    // host refused is not reloaded: the document does not hold its entries, so they keep no
    // number. When the reload fails, the entries keep the saved frame and stay unnumbered.
    bool SaveFrameAt(int32_t i);
    // The frame of measure m, or null outside the range or for a measure without frame.
    host::TGF* GetFrameForMeasure(int m) const;

    // The host the layer was made with; the engine reaches the same host through it.
    host::HostBinding& GetHost() const { return host_; }
    int16_t GetLayerIndex() const { return layerIndex_; }
    int16_t GetInstrument() const { return instrument_; }
    int16_t GetStartMeasure() const { return startMeasure_; }
    int16_t GetEndMeasure() const { return endMeasure_; }
    bool GetRequireFrames() const { return requireFrames_; }
    void SetRequireFrames(bool require) { requireFrames_ = require; }
    bool GetShownLayersOnly() const { return shownLayersOnly_; }
    void SetShownLayersOnly(bool shownOnly) { shownLayersOnly_ = shownOnly; }
    int32_t GetFrameCount() const { return frameCount_; }
    // Whether the last Load passed over a measure because the host hides the layer.
    bool SkippedHiddenMeasures() const { return hiddenSkipped_; }
    // The index of an entry among the entries of its measure's frame; -1 for an entry of no frame.
    static int IndexInFrame(const FCNoteEntry& entry);
    // An entry's measure relative to the first measure of this layer.
    int MeasureOffsetOf(const FCNoteEntry& entry) const { return entry.GetMeasure() - startMeasure_; }

private:
    void AllocateFrames(int32_t count);
    bool LoadFrames();
    bool CloneFrames(int16_t targetLayer, int16_t targetInstrument, int16_t targetFirstMeasure);
    void BuildEntries();
    void ClearEntries();
    void ReleaseEntryBlock();
    // The entry block comes from where the frame owners do.
    ArenaAllocator<FCNoteEntry> EntryAllocator() const;
    void ReloadFrame(int32_t i);

    host::HostBinding& host_;
    int16_t layerIndex_;
    int16_t instrument_;
    int16_t startMeasure_;
    int16_t endMeasure_;
    bool requireFrames_ = true;
    bool shownLayersOnly_ = true;
    bool hiddenSkipped_ = false;
    int32_t frameCount_ = 0;
    // one per measure; an empty owner: no frame
    std::vector<host::OwnedFrame, ArenaAllocator<host::OwnedFrame>> frames_;
    FCNoteEntry* entryBlock_ = nullptr;  // storage of the entries, built in place
    int32_t entryBlockSize_ = 0;            // room in the block
    int32_t entriesBuilt_ = 0;              // entries constructed in the block
};

}  // namespace qz
