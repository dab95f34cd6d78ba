// The plug-in's two commands and the two menu-item records through which the host learns them.
//
// The table is constant, built into the library, and held once as 7-bit ASCII. The records are
// owned by the host; the plug-in only fills them, field by field through memcpy at the offsets
// below, never through a struct laid over the host's bytes.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qz::shell {

struct Command {
    const char* itemName;
    const char* itemDescription;
    const char* itemPath;
    uint32_t itemFlags;
};

inline constexpr int16_t kSetSourceIndex = 0;
inline constexpr int16_t kCreateIndex = 1;

// The command of `index` (0 SET SOURCE, 1 CREATE), or null for any other index. The result
// points into constant data that lives as long as the library.
const Command* FindCommand(int16_t index);

// ExtensionMenuItem: 8-bit record, at least 196 bytes. Each text field holds the text's first
// 64 bytes; a shorter text is zero-padded to the field's end, a longer one has no terminator.
namespace menu_item {
inline constexpr std::size_t kItemName = 0;
inline constexpr std::size_t kItemDescription = 64;
inline constexpr std::size_t kItemPath = 128;
inline constexpr std::size_t kItemFlags = 192;  // u32 little-endian
inline constexpr std::size_t kTextFieldBytes = 64;
inline constexpr std::size_t kSize = 196;
}  // namespace menu_item

// ExtensionMenuItem16: UTF-16LE record, at least 772 bytes, text fields of 128 units. Each text
// field receives at most 63 units and one zero unit; the units after that are not written.
namespace menu_item16 {
inline constexpr std::size_t kItemName = 0;
inline constexpr std::size_t kItemDescription = 256;
inline constexpr std::size_t kItemPath = 512;
inline constexpr std::size_t kItemFlags = 768;  // u32 little-endian
inline constexpr std::size_t kTextFieldUnits = 128;
inline constexpr std::size_t kCopiedUnits = 63;  // then one zero unit
inline constexpr std::size_t kSize = 772;
}  // namespace menu_item16

// Fill the host's record at `item` (owned by the host, at least menu_item::kSize or
// menu_item16::kSize bytes) with the command of `index`: name, description, path, flags.
// False, with nothing written, for an index other than 0 and 1, for a null `item`, and (UTF-16
// form) when the widened texts cannot be allocated.
bool FillMenuItem(int16_t index, void* item);
bool FillMenuItem16(int16_t index, void* item);

}  // namespace qz::shell
