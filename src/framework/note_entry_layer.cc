#include "framework/note_entry_layer.h"

#include <new>

#include "framework/music_region.h"
#include "host/binding.h"
#include "host/frame_ops.h"

namespace qz {

namespace tgf = host::tgf;

FCNoteEntryLayer::FCNoteEntryLayer(int16_t layerIndex, int16_t instrument, int16_t firstMeasure,
                                   int16_t lastMeasure)
    : layerIndex_(layerIndex),
      instrument_(instrument),
      startMeasure_(firstMeasure < 1 ? int16_t{1} : firstMeasure),
      endMeasure_(lastMeasure) {
    FCMusicRegion current;
    current.SetFromCurrentRegion();
    const int currentEnd = current.GetEndMeasure();
    if (lastMeasure == -1 || lastMeasure > currentEnd) endMeasure_ = static_cast<int16_t>(currentEnd);
}

FCNoteEntryLayer::~FCNoteEntryLayer() { ClearEntries(); }

bool FCNoteEntryLayer::AllocateFrames(int32_t count) {
    frames_ = new (std::nothrow) host::TGF*[static_cast<std::size_t>(count)]();
    frameCount_ = frames_ == nullptr ? 0 : count;
    return frames_ != nullptr;
}

bool FCNoteEntryLayer::Load() {
    if (endMeasure_ < 1 || instrument_ < 1 || startMeasure_ < 1) return false;
    const int32_t count = endMeasure_ - startMeasure_ + 1;
    if (count < 1) return false;

    ClearEntries();
    if (!AllocateFrames(count)) return false;
    host::HostBinding& host = host::Host();
    for (int32_t i = 0; i < count; ++i) {
        const bool shown = host.GetShowLayer(layerIndex_) != 0;
        if (shownLayersOnly_ && !shown) continue;
        frames_[i] = host.LoadTGF(0, host.InstToSlot(instrument_), startMeasure_ + i, layerIndex_,
                                  requireFrames_ ? 1 : 0);
        if (frames_[i] == nullptr && requireFrames_) {
            ClearEntries();
            return false;
        }
    }
    BuildEntries();
    return true;
}

bool FCNoteEntryLayer::CloneToPlace(int16_t targetLayer, int16_t targetInstrument,
                                    int16_t targetFirstMeasure) {
    ClearEntries();
    const int32_t count = endMeasure_ - startMeasure_ + 1;
    if (count < 1 || !AllocateFrames(count)) return false;

    host::HostBinding& host = host::Host();
    for (int32_t i = 0; i < count; ++i) {
        const bool shown = host.GetShowLayer(layerIndex_) != 0;
        if (shownLayersOnly_ && !shown) continue;
        const int16_t targetMeasure = static_cast<int16_t>(targetFirstMeasure + i);
        frames_[i] = host.LoadTGF(0, host.InstToSlot(targetInstrument), targetMeasure,
                                  targetLayer, 0);
        if (frames_[i] == nullptr) {
            ClearEntries();
            return false;
        }
        host::TGF* source =
            host.LoadTGF(0, host.InstToSlot(instrument_), startMeasure_ + i, layerIndex_, 0);
        if (source == nullptr) {
            ClearEntries();
            return false;
        }
        // A host that did not resize the frame as asked would leave a measure with missing or
        // stale entries: such a clone fails rather than write a damaged measure later.
        const int wanted = tgf::EntryCount(source);
        const bool complete = host::CopyFrameEntries(source, frames_[i]) == wanted &&
                              tgf::EntryCount(frames_[i]) == wanted;
        host.FreeTGF(source);
        if (!complete) {
            ClearEntries();
            return false;
        }
    }

    instrument_ = targetInstrument;
    endMeasure_ = static_cast<int16_t>(endMeasure_ + (targetFirstMeasure - startMeasure_));
    startMeasure_ = targetFirstMeasure;
    layerIndex_ = targetLayer;
    BuildEntries();
    return true;
}

bool FCNoteEntryLayer::Save() {
    if (frames_ == nullptr) return false;
    host::HostBinding& host = host::Host();
    bool result = true;
    for (int32_t i = 0; i < frameCount_; ++i) {
        host::TGF* frame = frames_[i];
        if (frame == nullptr || tgf::SkipSave(frame) != 0) continue;
        bool unnumbered = false;
        for (int j = 0, n = tgf::EntryCount(frame); j < n && !unnumbered; ++j)
            unnumbered = host::exentry::EntryNumber(tgf::EntryAt(frame, j)) == 0;
        if (host.SaveTGF(frame) == 0) result = false;
        if (unnumbered) frames_[i] = ReloadFrame(frame);
    }
    return result;
}

// When the host returns no frame (or one that no longer matches the saved one), the old frame is
// kept, not freed, so the entries never point into released memory; they stay unnumbered and the
// engine skips them wherever a number is needed.
host::TGF* FCNoteEntryLayer::ReloadFrame(host::TGF* frame) {
    host::HostBinding& host = host::Host();
    host::TGF* reloaded = host.LoadTGF(tgf::SlotScope(frame), tgf::Slot(frame),
                                       tgf::Measure(frame), tgf::Layer(frame), 0);
    if (reloaded == nullptr) return frame;
    if (tgf::EntryCount(reloaded) != tgf::EntryCount(frame)) {
        // Not the frame that was saved: the entries could not be paired with its records.
        host.FreeTGF(reloaded);
        return frame;
    }
    for (int32_t i = 0; i < GetCount(); ++i) {
        FCNoteEntry* entry = GetEntryAt(i);
        if (entry->GetFrame() != frame) continue;
        const int j = tgf::IndexOfEntry(frame, entry->GetEntryRecord());
        entry->Repoint(reloaded, tgf::EntryAt(reloaded, j));
    }
    host.FreeTGF(frame);
    return reloaded;
}

void FCNoteEntryLayer::BuildEntries() {
    host::HostBinding& host = host::Host();
    FCNoteEntry* previous = nullptr;
    for (int32_t i = 0; i < frameCount_; ++i) {
        host::TGF* frame = frames_[i];
        if (frame == nullptr) continue;
        const int16_t instrument =
            static_cast<int16_t>(host.SlotToInst(tgf::Slot(frame), tgf::SlotScope(frame)));
        for (int j = 0, n = tgf::EntryCount(frame); j < n; ++j) {
            auto* entry = new (std::nothrow)
                FCNoteEntry(tgf::EntryAt(frame, j), frame, tgf::Measure(frame), instrument);
            if (entry == nullptr || !Add(entry)) return;
            entry->BuildNotes();
            entry->SetPrevious(previous);
            if (previous != nullptr) previous->SetNext(entry);
            previous = entry;
        }
    }
}

void FCNoteEntryLayer::ClearEntries() {
    ClearAll();
    if (frames_ != nullptr) {
        host::HostBinding& host = host::Host();
        for (int32_t i = 0; i < frameCount_; ++i)
            if (frames_[i] != nullptr) host.FreeTGF(frames_[i]);
    }
    delete[] frames_;
    frames_ = nullptr;
    frameCount_ = 0;
}

host::TGF* FCNoteEntryLayer::GetFrameForMeasure(int m) const {
    if (frames_ == nullptr || m < startMeasure_ || m > endMeasure_) return nullptr;
    const int32_t i = m - startMeasure_;
    return i < frameCount_ ? frames_[i] : nullptr;
}

}  // namespace qz
