#include "memhost/region_record.h"

#include "host/bytes.h"
#include "host/eregion.h"

namespace qz::memhost {

namespace er = qz::host::eregion;
using qz::host::Store;

static_assert(std::tuple_size_v<RegionRecord> == er::kSize);

RegionRecord MakeRegionRecord(int startSlot, int startMeasure, int endSlot, int endMeasure,
                              int32_t startPosition, int32_t endPosition, int16_t startSlotScope,
                              int16_t endSlotScope) {
    RegionRecord record{};
    Store<int16_t>(record.data(), er::kStartSlotScope, startSlotScope);
    Store<int16_t>(record.data(), er::kStartSlot, static_cast<int16_t>(startSlot));
    Store<int16_t>(record.data(), er::kStartMeasure, static_cast<int16_t>(startMeasure));
    Store<int32_t>(record.data(), er::kStartPosition, startPosition);
    Store<int16_t>(record.data(), er::kEndSlotScope, endSlotScope);
    Store<int16_t>(record.data(), er::kEndSlot, static_cast<int16_t>(endSlot));
    Store<int16_t>(record.data(), er::kEndMeasure, static_cast<int16_t>(endMeasure));
    Store<int32_t>(record.data(), er::kEndPosition, endPosition);
    return record;
}

}  // namespace qz::memhost
