// Text renderings for the check log: strings with their control characters escaped, byte
// ranges in hex. Log lines stay on one line whatever the plug-in wrote.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace emulator {

// "text" in double quotes, with \n, \r, \t, \", \\ and other bytes below 0x20 or above 0x7E
// escaped (\xNN).
std::string Quoted(std::string_view text);

// The same for UTF-16 text; units above 0x7E are shown as \uNNNN.
std::string Quoted(std::u16string_view text);

// "0x0000002A" style, with `digits` hex digits.
std::string Hex(uint64_t value, int digits = 8);

// `count` bytes from `data` as "41 42 00 ...", at most `limit` of them followed by "...".
std::string HexBytes(const unsigned char* data, std::size_t count, std::size_t limit = 16);

// ASCII to UTF-16, one unit per byte.
std::u16string Widen(std::string_view text);

}  // namespace emulator
