// TransferPlan: everything the transfers will write for one rebuilt repeat, worked out before
// the first write.
//
// The articulation and detail transfers read the document (the source's and the old
// destination's records) and allocate while they plan; writing the plan then reads nothing and
// allocates nothing, so a failed allocation leaves the document untouched, and a refused write
// can be undone from what the plan and the repeat layer hold. A record that does not load is no
// failure here: the host answers a missing record the same way, so it has nothing to pass on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "framework/arena.h"

namespace qz::engine {

// One extended-data record for a rebuilt entry, keyed later by that entry's number.
struct PlannedRecord {
    static constexpr int kMaxSize = 30;  // a detail payload; an articulation takes 12

    int32_t entry = 0;  // index of the owning entry in the rebuilt layer
    uint32_t tag = 0;
    // An articulation's origin, for the observer: its index among the articulations of the
    // entry's donor (fromSource false) or of its source entry; -1 for other records.
    int16_t originIndex = -1;
    bool fromSource = false;
    int16_t index = 0;  // the key's index (articulations) or sub-index (details)
    uint16_t size = 0;
    unsigned char data[kMaxSize] = {};
};

class TransferPlan {
public:
    // Room for the marks of `entries` rebuilt entries, and no record yet. The plan's memory comes
    // from `arena` (borrowed, outliving the plan) when one is given, else from the heap.
    explicit TransferPlan(int32_t entries, Arena* arena = nullptr);

    // Appends a record (copying `size` bytes, at most kMaxSize, of `data`).
    // Appends a record (copying `size` bytes, at most kMaxSize, of `data`); `record` is returned
    // so that its origin can be noted.
    PlannedRecord& AddRecord(int32_t entry, uint32_t tag, int16_t index, const unsigned char* data,
                             uint16_t size);
    // Sets, or clears, `bit` on rebuilt entry `entry` when the plan is written; the later call
    // for the same bit wins.
    void Mark(int32_t entry, uint32_t bit, bool on);

    using RecordList = std::vector<PlannedRecord, ArenaAllocator<PlannedRecord>>;
    const RecordList& Records() const { return records_; }
    // The records planned so far for one entry and tag.
    int CountFor(int32_t entry, uint32_t tag) const;
    // Whether a record planned for `entry` under `tag`, among the first `within` records planned,
    // starts with the 16-bit `first` value (an articulation's definition number).
    bool HasFirstWord(int32_t entry, uint32_t tag, int16_t first,
                      std::size_t within = static_cast<std::size_t>(-1)) const;
    // The entry's flags after the plan's marks.
    uint32_t Apply(int32_t entry, uint32_t flags) const;

private:
    using Marks = std::vector<uint32_t, ArenaAllocator<uint32_t>>;

    RecordList records_;
    Marks set_;
    Marks clear_;
};

}  // namespace qz::engine
