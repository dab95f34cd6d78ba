// One in-memory document: staves, measures and their meters, the stored entries of every
// staff, measure and layer, entry numbering and the extended-data store.
//
// A document is plain data: nothing here checks what the plug-in does with it. MemHost
// (mem_host.h) serves it through the host functions; a caller builds it with AddStaff,
// SetMeasureCount and AddEntry and reads it back with FindEntries and EData.
#pragma once

#include <cstdint>
#include <map>
#include <tuple>
#include <utility>
#include <vector>

#include "memhost/entry_record.h"

namespace qz::memhost {

struct TimeSignature {
    int beats = 4;
    int beatUnit = 4;  // 4 = quarter, 8 = eighth, 2 = half
    int32_t Duration() const {
        return beatUnit <= 0 ? 0 : beats * (4 * kQuarter / beatUnit);
    }
};

class Document {
public:
    explicit Document(int16_t id) : id_(id) {}
    int16_t Id() const { return id_; }

    // Staves in slot order: slot 1 is the first added.
    int AddStaff(int16_t instrument);  // returns the new slot
    int SlotToInstrument(int slot) const;  // 0 when the slot does not exist
    int InstrumentToSlot(int instrument) const;  // 0 when the staff does not exist
    int StaffCount() const { return static_cast<int>(staves_.size()); }

    // Measures 1..n, each with its time signature (4/4 unless set). Growing keeps the meters
    // already set; SetTimeSignature ignores a measure outside 1..n.
    void SetMeasureCount(int count);
    int MeasureCount() const { return static_cast<int>(meters_.size()); }
    void SetTimeSignature(int measure, TimeSignature meter);
    TimeSignature TimeSignatureOf(int measure) const;  // 4/4 outside 1..n
    // A measure's length on one staff when its time signature does not tell it (a pickup, a
    // shortened last measure, a meter no TimeSignature spells): FX_GetTGFDuration answers it
    // for that staff's frames. A duration of 0 or less removes the override.
    void SetMeasureDuration(int instrument, int measure, int32_t duration);
    int32_t MeasureDurationOverride(int instrument, int measure) const;  // 0 when none

    // The stored entries of one staff, measure and layer (0-based), in record order. Entries()
    // creates the place when it is not stored yet; FindEntries answers null then.
    std::vector<Record>& Entries(int instrument, int measure, int layer);
    const std::vector<Record>* FindEntries(int instrument, int measure, int layer) const;

    // Appends an entry built from `entry` (numbered at once, articulations stored as records of
    // kArticulationTag with indexes 0, 1, ..., details as 30-byte records of kDetailTag with a
    // pattern derived from number and index, and ENTRY_HAS_DETAILS set). At most 12 pitches
    // are kept. Returns its entry number.
    uint32_t AddEntry(int instrument, int measure, int layer, const EntrySpec& entry);
    // Removes the stored entries of one place with the articulation and detail records of
    // their numbers; the place then holds no entry.
    void ClearEntries(int instrument, int measure, int layer);

    // The number the next new entry gets. A number that already keys entry records in the store
    // (records a damaged file or another program left without their entry) is never handed out:
    // the new entry would inherit records that were never its own.
    uint32_t NextEntryNumber();
    // No number below this one is handed out from now on.
    uint32_t NumbersFrom() const { return nextEntryNumber_; }

    // Extended data, keyed by tag and key. Entry-attached tags use the 6-byte key (i32 number,
    // i16 index); the 'ot' tags (0x6F74xxxx) and 0x4F096649 the 4-byte key of two i16 words
    // (edata_key_layout.h).
    struct EDataKey {
        uint32_t tag;
        int64_t first;
        int64_t second;
        bool operator<(const EDataKey& o) const {
            return std::tie(tag, first, second) < std::tie(o.tag, o.first, o.second);
        }
    };
    std::map<EDataKey, std::vector<unsigned char>>& EData() { return edata_; }
    const std::map<EDataKey, std::vector<unsigned char>>& EData() const { return edata_; }
    // The definition numbers of the articulations stored for an entry, by index from 0 until
    // the first missing index.
    std::vector<int> ArticulationsOf(uint32_t entryNumber) const;
    // The number of detail records (kDetailTag) stored for an entry, at any index.
    int DetailCountOf(uint32_t entryNumber) const;

private:
    void EraseAttachedData(uint32_t entryNumber);
    bool KeysRecords(uint32_t entryNumber) const;

    int16_t id_;
    std::vector<int16_t> staves_;
    std::vector<TimeSignature> meters_;
    std::map<std::pair<int, int>, int32_t> measureDurations_;  // (instrument, measure)
    std::map<std::tuple<int, int, int>, std::vector<Record>> entries_;
    std::map<EDataKey, std::vector<unsigned char>> edata_;
    uint32_t nextEntryNumber_ = 1;
};

}  // namespace qz::memhost
