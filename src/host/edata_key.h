// The 8-byte key area of an entry-attached extended-data record: the entry's number and the
// record's index among that entry's records of one tag. Bytes 6 and 7 are not used.
#pragma once

#include <cstdint>

#include "host/bytes.h"

namespace qz::host::entry_key {

inline constexpr std::size_t kNumber = 0;  // i32, the owning entry's entryNumber
inline constexpr std::size_t kIndex = 4;   // i16, 0, 1, 2, ...
inline constexpr std::size_t kSize = 8;

inline int32_t Number(const unsigned char* key) { return Load<int32_t>(key, kNumber); }
inline void SetNumber(unsigned char* key, int32_t n) { Store(key, kNumber, n); }
inline int16_t Index(const unsigned char* key) { return Load<int16_t>(key, kIndex); }
inline void SetIndex(unsigned char* key, int16_t i) { Store(key, kIndex, i); }

}  // namespace qz::host::entry_key
