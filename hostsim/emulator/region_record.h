// Building the 20-byte ERegion selection record that the host hands to FinaleExtensionInvoke,
// field by field at the offsets the plug-in reads (host/eregion.h).
#pragma once

#include <cstdint>
#include <string>

#include "host/bytes.h"
#include "host/eregion.h"

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
    namespace er = qz::host::eregion;
    RegionRecord r;
    qz::host::Store<int16_t>(r.bytes, er::kStartSlotScope, s.startSlotScope);
    qz::host::Store<int16_t>(r.bytes, er::kStartSlot, s.startSlot);
    qz::host::Store<int16_t>(r.bytes, er::kStartMeasure, s.startMeasure);
    qz::host::Store<int32_t>(r.bytes, er::kStartPosition, s.startPosition);
    qz::host::Store<int16_t>(r.bytes, er::kEndSlotScope, s.endSlotScope);
    qz::host::Store<int16_t>(r.bytes, er::kEndSlot, s.endSlot);
    qz::host::Store<int16_t>(r.bytes, er::kEndMeasure, s.endMeasure);
    qz::host::Store<int32_t>(r.bytes, er::kEndPosition, s.endPosition);
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
