// FCNote: one used note record of an entry.
//
// Points into the entry's record inside a host frame; never owns or copies it. Valid while the
// entry's layer holds that frame.
#pragma once

#include <cstdint>

#include "framework/base.h"
#include "host/record_refs.h"

namespace qz {

class FCNoteEntry;

class FCNote : public __FCBase {
public:
    FCNote() = default;
    FCNote(int32_t index, host::NoteRef noteRecord, FCNoteEntry* entry)
        : index_(index), noteRecord_(noteRecord), entry_(entry) {}
    const char* ClassName() const override { return "FCNote"; }

    int32_t GetIndex() const { return index_; }
    host::NoteRef GetNoteRecord() const { return noteRecord_; }
    FCNoteEntry* GetEntry() const { return entry_; }
    // Re-points the note at the same note of a reloaded record.
    void SetNoteRecord(host::NoteRef noteRecord) { noteRecord_ = noteRecord; }
    // Makes this object note `index` of `entry`'s record (for notes kept inside their entry).
    void Reset(int32_t index, host::NoteRef noteRecord, FCNoteEntry* entry) {
        index_ = index;
        noteRecord_ = noteRecord;
        entry_ = entry;
    }

    uint32_t GetNoteFlags() const { return noteRecord_.NoteFlags(); }
    void SetNoteFlags(uint32_t flags) { noteRecord_.SetNoteFlags(flags); }

private:
    int32_t index_ = 0;
    host::NoteRef noteRecord_;  // not owned
    FCNoteEntry* entry_ = nullptr;         // the owner
};

}  // namespace qz
