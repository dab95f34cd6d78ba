#include "framework/note_entry.h"

namespace qz {

// The notes are members: the collection lets go of them while they still exist.
FCNoteEntry::~FCNoteEntry() { ClearAll(); }

void FCNoteEntry::BuildNotes() {
    ClearAll();
    if (!entryRecord_) return;
    for (int i = 0, n = entryRecord_.NoteCount(); i < n; ++i) {
        noteStore_[i].Reset(i, entryRecord_.NoteAt(i), this);
        Add(&noteStore_[i]);  // within the twelve slots: never allocates
    }
}

void FCNoteEntry::CopyNotesFrom(const FCNoteEntry& donor) {
    if (!entryRecord_ || !donor.entryRecord_) return;
    entryRecord_.CopyNotesFrom(donor.entryRecord_);
    BuildNotes();
}

uint32_t FCNoteEntry::GetEntryNumber() const { return entryRecord_.EntryNumber(); }
int32_t FCNoteEntry::GetPosition() const { return entryRecord_.Position(); }
uint32_t FCNoteEntry::GetFlags() const { return entryRecord_.Flags(); }
void FCNoteEntry::SetFlags(uint32_t flags) { entryRecord_.SetFlags(flags); }
uint16_t FCNoteEntry::GetExtraFlags() const { return entryRecord_.ExtraFlags(); }
void FCNoteEntry::SetExtraFlags(uint16_t flags) { entryRecord_.SetExtraFlags(flags); }
int FCNoteEntry::GetNoteCount() const { return entryRecord_.NoteCount(); }
void FCNoteEntry::SetNoteCount(int count) { entryRecord_.SetNoteCount(count); }

void FCNoteEntry::Repoint(host::TGF* frame, host::EntryRef entryRecord) {
    frame_ = frame;
    entryRecord_ = entryRecord;
    for (int32_t k = 0; k < GetCount(); ++k) GetNoteAt(k)->SetNoteRecord(entryRecord.NoteAt(k));
}

}  // namespace qz
