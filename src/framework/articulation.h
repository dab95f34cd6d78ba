// FCArticulation: one articulation on a note entry, a 12-byte extended-data record of tag
// 'edIM' keyed by (entry number, index). Its first 16-bit field is the definition number: two
// articulations with the same definition are the same kind of articulation.
//
// The record lives in a 12-byte area inside the object, which is never released or replaced:
// a new articulation already counts as holding 12 bytes, so it can be saved at once.
#pragma once

#include <cstdint>

#include "framework/base_data.h"

namespace qz {

class FCArticulation : public __FCEntryDetail {
public:
    static constexpr uint32_t kTag = 0x6564494D;
    static constexpr uint32_t kRecordSize = 12;

    explicit FCArticulation(host::HostBinding& host);
    int ClassKind() const override { return 3; }
    const char* ClassName() const override { return "FCArticulation"; }

    unsigned char* GetRecordBuffer() override { return recordData_; }
    __FCBaseData* CreateObject() const override { return new FCArticulation(Host()); }
    uint32_t GetTag() const override { return kTag; }
    uint32_t GetRecordSize() const override { return kRecordSize; }
    uint32_t GetSaveSize() const override { return kRecordSize; }
    // Copies the other record's bytes into this object's own area (at most 12).
    void CopyDataFrom(const __FCBaseData& other) override;
    bool Reload() override;
    // The owner entry's record of index 0.
    bool LoadFirst() override;
    // The owner entry's record of the next index; the index is restored when there is none.
    bool LoadNext() override;

    // --- appended virtual operations ---
    virtual bool LoadByKey(int32_t number, int16_t index);
    // Makes `entry` the owner; the key number becomes the entry's number (0 without a record).
    virtual void SetNoteEntry(FCNoteEntry* entry);
    // Creates the record in the document under the owner's number, at the index the host gives
    // (or after the entry's last record), and marks the owner as having articulations.
    virtual bool CreateData();
    // Sets or clears ENTRY_HAS_ARTICULATIONS on the entry's record in memory.
    virtual void SetEntryFlag(FCNoteEntry* entry, bool on);

    // Index of the owner entry's last articulation record in the host's order, or -1.
    int16_t FindLastIndex();

    const unsigned char* GetRecordData() const { return recordData_; }
    unsigned char* GetRecordData() { return recordData_; }
    int16_t GetDefinitionNumber() const;
    void SetDefinitionNumber(int16_t definition);

private:
    unsigned char recordData_[kRecordSize] = {};
};

}  // namespace qz
