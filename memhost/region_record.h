// The host's 20-byte selection record (ERegion), built field by field: the in-memory host
// reports it as its selection, and a caller hands it to the plug-in's commands.
#pragma once

#include <array>
#include <cstdint>

namespace qz::memhost {

using RegionRecord = std::array<unsigned char, 20>;

// Whole measures (start position 0, end position 0x7FFFFFFF) unless positions are given.
RegionRecord MakeRegionRecord(int startSlot, int startMeasure, int endSlot, int endMeasure,
                              int32_t startPosition = 0, int32_t endPosition = 0x7FFFFFFF,
                              int16_t startSlotScope = 0, int16_t endSlotScope = 0);

}  // namespace qz::memhost
