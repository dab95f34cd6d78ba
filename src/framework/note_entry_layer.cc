#include "framework/note_entry_layer.h"

#include <new>

#include "framework/music_region.h"
#include "host/binding.h"
#include "host/frame_ops.h"

namespace qz {

namespace tgf = host::tgf;

namespace {

// The reloaded frame holds the saved frame's records in the same order: only then can the
// entries be moved onto it by index.
bool SameRecords(const host::TGF* saved, const host::TGF* reloaded) {
    const int count = tgf::EntryCount(saved);
    if (tgf::EntryCount(reloaded) != count) return false;
    for (int j = 0; j < count; ++j)
        if (tgf::EntryRefAt(saved, j).Position() != tgf::EntryRefAt(reloaded, j).Position())
            return false;
    return true;
}

}  // namespace

FCNoteEntryLayer::FCNoteEntryLayer(host::HostBinding& host, int16_t layerIndex, int16_t instrument,
                                   int16_t firstMeasure, int16_t lastMeasure, Arena* arena)
    : host_(host),
      layerIndex_(layerIndex),
      instrument_(instrument),
      startMeasure_(firstMeasure < 1 ? int16_t{1} : firstMeasure),
      endMeasure_(lastMeasure),
      frames_(ArenaAllocator<host::OwnedFrame>(arena)) {
    SetOwnsItems(false);  // the entries live in entryBlock_
    DrawArraysFrom(arena);
    FCMusicRegion current;
    current.SetFromCurrentRegion(host_);
    const int currentEnd = current.GetEndMeasure();
    if (lastMeasure == -1 || lastMeasure > currentEnd) endMeasure_ = static_cast<int16_t>(currentEnd);
}

FCNoteEntryLayer::~FCNoteEntryLayer() { ClearEntries(); }

ArenaAllocator<FCNoteEntry> FCNoteEntryLayer::EntryAllocator() const {
    return ArenaAllocator<FCNoteEntry>(frames_.get_allocator());
}

void FCNoteEntryLayer::ReleaseEntryBlock() {
    while (entriesBuilt_ > 0) entryBlock_[--entriesBuilt_].~FCNoteEntry();
    if (entryBlock_ != nullptr)
        EntryAllocator().deallocate(entryBlock_, static_cast<std::size_t>(entryBlockSize_));
    entryBlock_ = nullptr;
    entryBlockSize_ = 0;
}

void FCNoteEntryLayer::AllocateFrames(int32_t count) {
    frames_.resize(static_cast<std::size_t>(count));
    frameCount_ = count;
}

bool FCNoteEntryLayer::Load() {
    if (endMeasure_ < 1 || instrument_ < 1 || startMeasure_ < 1) return false;
    if (endMeasure_ - startMeasure_ + 1 < 1) return false;
    try {
        if (!LoadFrames()) {
            ClearEntries();
            return false;
        }
        BuildEntries();
        return true;
    } catch (...) {
        ClearEntries();
        throw;
    }
}

bool FCNoteEntryLayer::LoadFrames() {
    ClearEntries();
    AllocateFrames(endMeasure_ - startMeasure_ + 1);
    host::HostBinding& host = host_;
    hiddenSkipped_ = false;
    for (int32_t i = 0; i < frameCount_; ++i) {
        const bool shown = host.GetShowLayer(layerIndex_) != 0;
        if (shownLayersOnly_ && !shown) {
            hiddenSkipped_ = true;
            continue;
        }
        frames_[i] = host::LoadFrame(host, 0, host.InstToSlot(instrument_), startMeasure_ + i,
                                     layerIndex_, requireFrames_ ? 1 : 0);
        if (!frames_[i] && requireFrames_) return false;
    }
    return true;
}

bool FCNoteEntryLayer::CloneToPlace(int16_t targetLayer, int16_t targetInstrument,
                                    int16_t targetFirstMeasure) {
    ClearEntries();
    if (endMeasure_ - startMeasure_ + 1 < 1) return false;
    try {
        if (!CloneFrames(targetLayer, targetInstrument, targetFirstMeasure)) {
            ClearEntries();
            return false;
        }
        instrument_ = targetInstrument;
        endMeasure_ = static_cast<int16_t>(endMeasure_ + (targetFirstMeasure - startMeasure_));
        startMeasure_ = targetFirstMeasure;
        layerIndex_ = targetLayer;
        BuildEntries();
        return true;
    } catch (...) {
        ClearEntries();
        throw;
    }
}

bool FCNoteEntryLayer::CloneFrames(int16_t targetLayer, int16_t targetInstrument,
                                   int16_t targetFirstMeasure) {
    AllocateFrames(endMeasure_ - startMeasure_ + 1);
    host::HostBinding& host = host_;
    for (int32_t i = 0; i < frameCount_; ++i) {
        const bool shown = host.GetShowLayer(layerIndex_) != 0;
        if (shownLayersOnly_ && !shown) continue;
        const int16_t targetMeasure = static_cast<int16_t>(targetFirstMeasure + i);
        frames_[i] = host::LoadFrame(host, 0, host.InstToSlot(targetInstrument), targetMeasure,
                                     targetLayer, 0);
        if (!frames_[i]) return false;
        host::OwnedFrame source =
            host::LoadFrame(host, 0, host.InstToSlot(instrument_), startMeasure_ + i, layerIndex_, 0);
        if (!source) return false;
        // A host that did not resize the frame as asked would leave a measure with missing or
        // stale entries: such a clone fails rather than write a damaged measure later.
        const int wanted = tgf::EntryCount(source.Get());
        const bool complete = host::CopyFrameEntries(host_, source.Get(), frames_[i].Get()) == wanted &&
                              tgf::EntryCount(frames_[i].Get()) == wanted;
        source.Free();
        if (!complete) return false;
    }
    return true;
}

bool FCNoteEntryLayer::Save() {
    if (frames_.empty()) return false;
    bool result = true;
    for (int32_t i = 0; i < frameCount_; ++i)
        if (!SaveFrameAt(i)) result = false;
    return result;
}

bool FCNoteEntryLayer::SaveFrameAt(int32_t i) {
    if (i < 0 || i >= frameCount_) return true;
    host::TGF* frame = frames_[i].Get();
    if (frame == nullptr || tgf::SkipSave(frame) != 0) return true;
    bool unnumbered = false;
    for (int j = 0, n = tgf::EntryCount(frame); j < n && !unnumbered; ++j)
        unnumbered = tgf::EntryRefAt(frame, j).EntryNumber() == 0;
    if (host_.SaveTGF(frame) == 0) return false;
    if (unnumbered) ReloadFrame(i);
    return true;
}

// When the host returns no frame, or one that does not hold the saved records, the saved frame
// is kept, not freed, so the entries never point into released memory; they stay unnumbered and
// the engine sees that no number came back.
void FCNoteEntryLayer::ReloadFrame(int32_t i) {
    host::TGF* frame = frames_[i].Get();
    host::OwnedFrame reloaded = host::LoadFrame(host_, tgf::SlotScope(frame), tgf::Slot(frame),
                                                tgf::Measure(frame), tgf::Layer(frame), 0);
    if (!reloaded || !SameRecords(frame, reloaded.Get())) return;
    for (int32_t e = 0; e < GetCount(); ++e) {
        FCNoteEntry* entry = GetEntryAt(e);
        if (entry->GetFrame() != frame) continue;
        const int j = tgf::IndexOf(frame, entry->GetEntryRecord());
        entry->Repoint(reloaded.Get(), tgf::EntryRefAt(reloaded.Get(), j));
    }
    frames_[i] = std::move(reloaded);  // gives the saved frame back
}

// Room for every entry (the block and the collection's array) is made first: the layer never
// holds a list cut short, which would read as music that is not there.
void FCNoteEntryLayer::BuildEntries() {
    int32_t total = 0;
    for (const host::OwnedFrame& frame : frames_)
        if (frame) total += tgf::EntryCount(frame.Get());
    if (total == 0) return;
    if (!EnsureRoom(total)) throw std::bad_alloc();
    entryBlock_ = EntryAllocator().allocate(static_cast<std::size_t>(total));
    entryBlockSize_ = total;

    host::HostBinding& host = host_;
    FCNoteEntry* previous = nullptr;
    for (int32_t i = 0; i < frameCount_; ++i) {
        host::TGF* frame = frames_[i].Get();
        if (frame == nullptr) continue;
        const int16_t instrument =
            static_cast<int16_t>(host.SlotToInst(tgf::Slot(frame), tgf::SlotScope(frame)));
        for (int j = 0, count = tgf::EntryCount(frame); j < count && entriesBuilt_ < total; ++j) {
            auto* entry = new (&entryBlock_[entriesBuilt_])
                FCNoteEntry(tgf::EntryRefAt(frame, j), frame, tgf::Measure(frame), instrument);
            ++entriesBuilt_;
            Add(entry);  // room was made above
            entry->BuildNotes();
            entry->SetPrevious(previous);
            if (previous != nullptr) previous->SetNext(entry);
            previous = entry;
        }
    }
}

void FCNoteEntryLayer::ClearEntries() {
    ClearAll();  // forgets the entries; the block destroys them
    ReleaseEntryBlock();
    frames_.clear();  // each owner gives its frame back
    frameCount_ = 0;
}

int FCNoteEntryLayer::IndexInFrame(const FCNoteEntry& entry) {
    return entry.GetFrame() == nullptr ? -1 : tgf::IndexOf(entry.GetFrame(), entry.GetEntryRecord());
}

host::TGF* FCNoteEntryLayer::GetFrameForMeasure(int m) const {
    if (m < startMeasure_ || m > endMeasure_) return nullptr;
    const int32_t i = m - startMeasure_;
    return i < frameCount_ ? frames_[static_cast<std::size_t>(i)].Get() : nullptr;
}

}  // namespace qz
