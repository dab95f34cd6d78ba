// How the in-memory host reads and writes the caller's key of an extended-data record.
//
// The key's layout depends on the tag: the 'ot' tags (0x6F74xxxx) and 0x4F096649 use two i16
// words; every other tag the 6-byte entry-detail key (i32 number at 0, i16 index at 4). Keys
// are caller-owned; only the bytes of the tag's layout are read or written.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qz::memhost::edata_key {

struct Layout {
    std::size_t firstOffset;
    std::size_t firstWidth;  // 2 or 4 bytes
    std::size_t secondOffset;  // the index word, always 2 bytes
};

inline constexpr Layout kWordPair = {0, 2, 2};
inline constexpr Layout kEntryDetail = {0, 4, 4};

inline constexpr bool UsesWordPair(uint32_t tag) {
    return (tag >> 16) == 0x6F74u || tag == 0x4F096649u;
}

inline constexpr Layout LayoutOf(uint32_t tag) {
    return UsesWordPair(tag) ? kWordPair : kEntryDetail;
}

// The key's two fields, sign-extended. `key` must not be null.
int64_t ReadFirst(uint32_t tag, const void* key);
int64_t ReadSecond(uint32_t tag, const void* key);
// Writes both fields in the tag's layout (narrowed to their widths).
void Write(uint32_t tag, void* key, int64_t first, int64_t second);
void WriteSecond(uint32_t tag, void* key, int64_t second);

}  // namespace qz::memhost::edata_key
