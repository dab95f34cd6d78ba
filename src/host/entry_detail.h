// EntryDetail: a 40-byte record of a frame's detail table.
//
// The 30-byte payload is stored unchanged as extended data of tag 0x45035450, keyed by the
// owning entry's number and the sub-index.
#pragma once

#include <cstdint>

#include "host/bytes.h"

namespace qz::host::entry_detail {

inline constexpr std::size_t kEntryIndex = 0;  // i16, index into the frame's entries
inline constexpr std::size_t kSubIndex = 4;    // i16, 0, 1, 2, ... per entry
inline constexpr std::size_t kPayload = 10;    // 30 bytes
inline constexpr std::size_t kPayloadSize = 30;
inline constexpr std::size_t kSize = 40;

static_assert(kPayload + kPayloadSize == kSize, "the payload fills the rest of the record");

// The extended-data tag under which a detail payload is kept in the document.
inline constexpr uint32_t kTag = 0x45035450;

inline int16_t EntryIndex(const unsigned char* d) { return Load<int16_t>(d, kEntryIndex); }
inline int16_t SubIndex(const unsigned char* d) { return Load<int16_t>(d, kSubIndex); }

}  // namespace qz::host::entry_detail
