// FCNote: one used note record of an entry.
//
// Points into the entry's record inside a host frame; never owns or copies it. Valid while the
// entry's layer holds that frame.
#pragma once

#include <cstdint>

#include "framework/base.h"

namespace qz {

class FCNoteEntry;

class FCNote : public __FCBase {
public:
    FCNote() = default;
    FCNote(int32_t index, unsigned char* noteRecord, FCNoteEntry* entry)
        : index_(index), noteRecord_(noteRecord), entry_(entry) {}
    const char* ClassName() const override { return "FCNote"; }

    int32_t GetIndex() const { return index_; }
    unsigned char* GetNoteRecord() const { return noteRecord_; }
    FCNoteEntry* GetEntry() const { return entry_; }
    // Re-points the note at the same note of a reloaded record.
    void SetNoteRecord(unsigned char* noteRecord) { noteRecord_ = noteRecord; }
    // Makes this object note `index` of `entry`'s record (for notes kept inside their entry).
    void Reset(int32_t index, unsigned char* noteRecord, FCNoteEntry* entry) {
        index_ = index;
        noteRecord_ = noteRecord;
        entry_ = entry;
    }

    uint32_t GetNoteFlags() const;
    void SetNoteFlags(uint32_t flags);

private:
    int32_t index_ = 0;
    unsigned char* noteRecord_ = nullptr;  // not owned
    FCNoteEntry* entry_ = nullptr;         // the owner
};

}  // namespace qz
