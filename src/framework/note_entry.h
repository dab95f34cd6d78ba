// FCNoteEntry: one entry (note, chord or rest) of a layer, and the collection of its notes.
//
// The entry points into its 146-byte record inside a host frame that its layer owns; it never
// copies the record. Its FCNote objects live inside it (at most twelve, one per note record, so
// building them never allocates). An attached articulation collection is borrowed.
// previous/next link the layer's entries in score order across measures (not owned).
#pragma once

#include <cstdint>

#include "framework/collection.h"
#include "framework/note.h"
#include "host/record_refs.h"
#include "host/tgf.h"

namespace qz {

class FCArticulations;

class FCNoteEntry : public __FCCollection {
public:
    FCNoteEntry(host::EntryRef entryRecord, host::TGF* frame, int16_t measure, int16_t instrument)
        : entryRecord_(entryRecord), frame_(frame), measure_(measure), instrument_(instrument) {
        SetOwnsItems(false);
        UseItemArray(noteSlots_, kMaxNotes);
    }
    ~FCNoteEntry() override;
    const char* ClassName() const override { return "FCNoteEntry"; }

    // Rebuilds one FCNote per used note record (0 .. noteCount-1, at most 12).
    void BuildNotes();
    // Takes over the donor's notes: noteCount and that many note records, byte for byte; the
    // other note records stay as they were. Then rebuilds the note objects.
    void CopyNotesFrom(const FCNoteEntry& donor);
    // The host's number of the entry; 0 when it has no record or is not numbered yet.
    uint32_t GetEntryNumber() const;

    FCNote* GetNoteAt(int32_t index) const { return static_cast<FCNote*>(GetItemAt(index)); }

    // Record fields, read and written in the frame in memory.
    int32_t GetPosition() const;
    uint32_t GetFlags() const;
    void SetFlags(uint32_t flags);
    bool HasFlag(uint32_t bit) const { return (GetFlags() & bit) != 0; }
    uint16_t GetExtraFlags() const;
    void SetExtraFlags(uint16_t flags);
    int GetNoteCount() const;  // the record's noteCount, clamped to 0..12
    void SetNoteCount(int count);

    host::EntryRef GetEntryRecord() const { return entryRecord_; }
    host::TGF* GetFrame() const { return frame_; }
    int16_t GetMeasure() const { return measure_; }
    int16_t GetInstrument() const { return instrument_; }
    FCNoteEntry* GetPrevious() const { return previous_; }
    FCNoteEntry* GetNext() const { return next_; }
    void SetPrevious(FCNoteEntry* entry) { previous_ = entry; }
    void SetNext(FCNoteEntry* entry) { next_ = entry; }

    // The attached articulations, or null. Borrowed: whoever attaches them keeps them alive
    // while the entry is used. Attaching replaces (forgets) any earlier.
    FCArticulations* GetArticulations() const { return articulations_; }
    void AttachArticulations(FCArticulations* articulations) { articulations_ = articulations; }

    // Points the entry and its notes at the same record in a reloaded frame.
    void Repoint(host::TGF* frame, host::EntryRef entryRecord);

private:
    static constexpr int kMaxNotes = 12;

    host::EntryRef entryRecord_;  // not owned: inside frame_
    host::TGF* frame_;            // not owned: the layer's
    int16_t measure_;
    int16_t instrument_;
    FCNoteEntry* previous_ = nullptr;
    FCNoteEntry* next_ = nullptr;
    FCArticulations* articulations_ = nullptr;  // not owned
    FCNote noteStore_[kMaxNotes];         // the note objects, reused by BuildNotes
    __FCBase* noteSlots_[kMaxNotes] = {};  // the collection's item array
};

}  // namespace qz
