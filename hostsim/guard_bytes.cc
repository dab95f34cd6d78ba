#include "hostsim/guard_bytes.h"

#include <cstring>

namespace hostsim {

namespace {

bool AllGuardBytes(const unsigned char* p) {
    for (std::size_t i = 0; i < kGuardSize; ++i)
        if (p[i] != kGuardByte) return false;
    return true;
}

}  // namespace

qz::memhost::FrameArray GuardedArray(std::size_t bytes) {
    qz::memhost::FrameArray array;
    array.block.reset(new unsigned char[bytes + 2 * kGuardSize]);
    array.data = array.block.get() + kGuardSize;
    array.size = bytes;
    std::memset(array.block.get(), kGuardByte, kGuardSize);
    std::memset(array.data, 0, bytes);
    std::memset(array.data + bytes, kGuardByte, kGuardSize);
    return array;
}

bool FrontGuardIntact(const qz::memhost::FrameArray& array) {
    return !array.block || AllGuardBytes(array.data - kGuardSize);
}

bool BackGuardIntact(const qz::memhost::FrameArray& array) {
    return !array.block || AllGuardBytes(array.data + array.size);
}

}  // namespace hostsim
