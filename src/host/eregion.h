// ERegion: the host's 20-byte selection record, two 10-byte end points, start point first.
//
// Passed by the host to FinaleExtensionInvoke and filled by FX_GetCurERegions. Packed, no
// padding: the two 32-bit positions sit at the unaligned offsets 6 and 16.
#pragma once

#include <cstdint>

#include "host/bytes.h"

namespace qz::host::eregion {

inline constexpr std::size_t kStartSlotScope = 0;  // i16
inline constexpr std::size_t kStartSlot = 2;       // i16
inline constexpr std::size_t kStartMeasure = 4;    // i16
inline constexpr std::size_t kStartPosition = 6;   // i32
inline constexpr std::size_t kEndSlotScope = 10;   // i16
inline constexpr std::size_t kEndSlot = 12;        // i16
inline constexpr std::size_t kEndMeasure = 14;     // i16
inline constexpr std::size_t kEndPosition = 16;    // i32
inline constexpr std::size_t kSize = 20;

static_assert(kEndPosition + sizeof(int32_t) == kSize, "the record ends with the end position");

// The end position that means "through the end of the measure".
inline constexpr int32_t kEndOfMeasure = 0x7FFFFFFF;

}  // namespace qz::host::eregion
