// The selection the emulator hands to FinaleExtensionInvoke as a 20-byte ERegion record.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>

#include "host/eregion.h"
#include "memhost/region_record.h"

namespace emulator {

struct RegionRecord {
    unsigned char bytes[qz::host::eregion::kSize] = {};
};

struct Selection {
    int16_t startSlot = 1;
    int16_t startMeasure = 1;
    int16_t endSlot = 1;
    int16_t endMeasure = 1;
    int32_t startPosition = 0;
    int32_t endPosition = qz::host::eregion::kEndOfMeasure;
    int16_t startSlotScope = 0;
    int16_t endSlotScope = 0;
};

// Whole measures `firstMeasure`..`lastMeasure` of staff slots `firstSlot`..`lastSlot`.
inline Selection WholeMeasures(int firstSlot, int lastSlot, int firstMeasure, int lastMeasure) {
    Selection s;
    s.startSlot = static_cast<int16_t>(firstSlot);
    s.endSlot = static_cast<int16_t>(lastSlot);
    s.startMeasure = static_cast<int16_t>(firstMeasure);
    s.endMeasure = static_cast<int16_t>(lastMeasure);
    return s;
}

inline RegionRecord MakeRegionRecord(const Selection& s) {
    const qz::memhost::RegionRecord built =
        qz::memhost::MakeRegionRecord(s.startSlot, s.startMeasure, s.endSlot, s.endMeasure,
                                  s.startPosition, s.endPosition, s.startSlotScope, s.endSlotScope);
    RegionRecord r;
    std::copy(built.begin(), built.end(), r.bytes);
    return r;
}

// "slots 1-2, measures 3-4, positions 0..2147483647" for the log.
inline std::string Describe(const Selection& s) {
    return "slots " + std::to_string(s.startSlot) + "-" + std::to_string(s.endSlot) +
           ", measures " + std::to_string(s.startMeasure) + "-" + std::to_string(s.endMeasure) +
           ", positions " + std::to_string(s.startPosition) + ".." +
           std::to_string(s.endPosition);
}

}  // namespace emulator
