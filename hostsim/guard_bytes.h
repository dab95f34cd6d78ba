// Frame arrays between guard bytes, as the simulator hands them out.
//
// The array is the host's: the plug-in may read and write data[0..size-1] and nothing else. A
// write just outside the array lands in a guard and is found by the checks below; a use after
// the array is released is a use-after-free that AddressSanitizer reports. `data` is never null,
// not even for zero bytes.
#pragma once

#include <cstddef>

#include "memhost/mem_frame.h"

namespace hostsim {

inline constexpr std::size_t kGuardSize = 32;
inline constexpr unsigned char kGuardByte = 0xFD;

// `bytes` zero bytes with kGuardSize guard bytes on either side.
qz::memhost::FrameArray GuardedArray(std::size_t bytes);

// Whether the guards of an array made by GuardedArray are as they were made.
bool FrontGuardIntact(const qz::memhost::FrameArray& array);
bool BackGuardIntact(const qz::memhost::FrameArray& array);

}  // namespace hostsim
