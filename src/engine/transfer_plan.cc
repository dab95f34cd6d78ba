#include "engine/transfer_plan.h"

#include <algorithm>
#include <cstring>

#include "host/bytes.h"

namespace qz::engine {

TransferPlan::TransferPlan(int32_t entries, Arena* arena)
    : records_(ArenaAllocator<PlannedRecord>(arena)),
      set_(static_cast<std::size_t>(std::max(entries, 0)), 0u, ArenaAllocator<uint32_t>(arena)),
      clear_(static_cast<std::size_t>(std::max(entries, 0)), 0u, ArenaAllocator<uint32_t>(arena)) {}

PlannedRecord& TransferPlan::AddRecord(int32_t entry, uint32_t tag, int16_t index,
                                       const unsigned char* data, uint16_t size) {
    PlannedRecord record;
    record.entry = entry;
    record.tag = tag;
    record.index = index;
    record.size = std::min<uint16_t>(size, PlannedRecord::kMaxSize);
    std::memcpy(record.data, data, record.size);
    records_.push_back(record);
    return records_.back();
}

void TransferPlan::Mark(int32_t entry, uint32_t bit, bool on) {
    if (entry < 0 || static_cast<std::size_t>(entry) >= set_.size()) return;
    std::size_t i = static_cast<std::size_t>(entry);
    set_[i] = on ? set_[i] | bit : set_[i] & ~bit;
    clear_[i] = on ? clear_[i] & ~bit : clear_[i] | bit;
}

int TransferPlan::CountFor(int32_t entry, uint32_t tag) const {
    int count = 0;
    for (const PlannedRecord& r : records_)
        if (r.entry == entry && r.tag == tag) ++count;
    return count;
}

bool TransferPlan::HasFirstWord(int32_t entry, uint32_t tag, int16_t first,
                                std::size_t within) const {
    const std::size_t end = std::min(within, records_.size());
    for (std::size_t i = 0; i < end; ++i) {
        const PlannedRecord& r = records_[i];
        if (r.entry == entry && r.tag == tag && r.size >= 2 && host::Load<int16_t>(r.data, 0) == first)
            return true;
    }
    return false;
}

uint32_t TransferPlan::Apply(int32_t entry, uint32_t flags) const {
    if (entry < 0 || static_cast<std::size_t>(entry) >= set_.size()) return flags;
    std::size_t i = static_cast<std::size_t>(entry);
    return (flags | set_[i]) & ~clear_[i];
}

}  // namespace qz::engine
