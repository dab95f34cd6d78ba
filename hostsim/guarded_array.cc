#include "hostsim/guarded_array.h"

#include <cstring>

namespace hostsim {

namespace {

bool AllGuardBytes(const unsigned char* p) {
    for (std::size_t i = 0; i < GuardedArray::kGuardSize; ++i)
        if (p[i] != GuardedArray::kGuardByte) return false;
    return true;
}

}  // namespace

GuardedArray::GuardedArray(std::size_t bytes)
    : block_(new unsigned char[bytes + 2 * kGuardSize]), size_(bytes) {
    std::memset(block_.get(), kGuardByte, kGuardSize);
    std::memset(block_.get() + kGuardSize, 0, bytes);
    std::memset(block_.get() + kGuardSize + bytes, kGuardByte, kGuardSize);
}

bool GuardedArray::FrontGuardIntact() const {
    return !block_ || AllGuardBytes(block_.get());
}

bool GuardedArray::BackGuardIntact() const {
    return !block_ || AllGuardBytes(block_.get() + kGuardSize + size_);
}

void GuardedArray::Release() {
    block_.reset();
    size_ = 0;
}

}  // namespace hostsim
