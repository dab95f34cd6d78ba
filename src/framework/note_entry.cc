#include "framework/note_entry.h"

#include <cstring>

#include "framework/articulations.h"
#include "host/exentry.h"

namespace qz {

namespace ex = host::exentry;
namespace nr = host::note_record;

uint32_t FCNote::GetNoteFlags() const { return nr::NoteFlags(noteRecord_); }
void FCNote::SetNoteFlags(uint32_t flags) { nr::SetNoteFlags(noteRecord_, flags); }

// The notes are members: the collection lets go of them while they still exist.
FCNoteEntry::~FCNoteEntry() {
    ClearAll();
    delete articulations_;
}

void FCNoteEntry::BuildNotes() {
    ClearAll();
    if (entryRecord_ == nullptr) return;
    for (int i = 0, n = ex::NoteCount(entryRecord_); i < n; ++i) {
        noteStore_[i].Reset(i, ex::NoteAt(entryRecord_, i), this);
        Add(&noteStore_[i]);  // within the twelve slots: never allocates
    }
}

void FCNoteEntry::CopyNotesFrom(const FCNoteEntry& donor) {
    if (entryRecord_ == nullptr || donor.entryRecord_ == nullptr) return;
    const int count = ex::NoteCount(donor.entryRecord_);
    ex::SetNoteCount(entryRecord_, static_cast<int16_t>(count));
    std::memmove(ex::NoteAt(entryRecord_, 0), ex::NoteAt(donor.entryRecord_, 0),
                 static_cast<std::size_t>(count) * nr::kSize);
    BuildNotes();
}

uint32_t FCNoteEntry::GetEntryNumber() const {
    return entryRecord_ == nullptr ? 0 : ex::EntryNumber(entryRecord_);
}

int32_t FCNoteEntry::GetPosition() const { return ex::Position(entryRecord_); }
uint32_t FCNoteEntry::GetFlags() const { return ex::Flags(entryRecord_); }
void FCNoteEntry::SetFlags(uint32_t flags) { ex::SetFlags(entryRecord_, flags); }
uint16_t FCNoteEntry::GetExtraFlags() const { return ex::ExtraFlags(entryRecord_); }
void FCNoteEntry::SetExtraFlags(uint16_t flags) { ex::SetExtraFlags(entryRecord_, flags); }
int FCNoteEntry::GetNoteCount() const { return ex::NoteCount(entryRecord_); }

void FCNoteEntry::SetNoteCount(int count) {
    if (count < 0) count = 0;
    if (count > ex::kMaxNotes) count = ex::kMaxNotes;
    ex::SetNoteCount(entryRecord_, static_cast<int16_t>(count));
}

void FCNoteEntry::AttachArticulations(FCArticulations* articulations) {
    if (articulations == articulations_) return;
    delete articulations_;
    articulations_ = articulations;
}

void FCNoteEntry::Repoint(host::TGF* frame, unsigned char* entryRecord) {
    frame_ = frame;
    entryRecord_ = entryRecord;
    for (int32_t k = 0; k < GetCount(); ++k) GetNoteAt(k)->SetNoteRecord(ex::NoteAt(entryRecord, k));
}

}  // namespace qz
