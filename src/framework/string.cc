#include "framework/string.h"

#include <cstddef>
#include <cstring>
#include <limits>
#include <new>

namespace qz {
namespace {

// The largest buffer, in units, whose byte count is a valid allocation size.
constexpr uint64_t kMaxUnits =
    static_cast<uint64_t>(std::numeric_limits<std::ptrdiff_t>::max()) / sizeof(char16_t);

uint64_t GrowthStep(uint64_t capacity) {
    if (capacity <= 1000) return 10;
    if (capacity <= 10000) return 100;
    return 1000;
}

}  // namespace

FCString::FCString() {
    if (EnsureCapacity(0)) buffer_[0] = 0;
}

FCString::~FCString() {
    ReleaseBuffer();
    delete[] spareBuffer1_;
    spareBuffer1_ = nullptr;
    delete[] spareBuffer2_;
    spareBuffer2_ = nullptr;
}

void FCString::ReleaseBuffer() {
    delete[] buffer_;
    buffer_ = nullptr;
    length_ = 0;
    capacity_ = 0;
}

bool FCString::EnsureCapacity(uint64_t n) {
    // "capacity > n + 1", written so that n + 1 cannot wrap.
    if (capacity_ > 1 && n < capacity_ - 1) return true;
    const uint64_t step = GrowthStep(capacity_);
    if (n > std::numeric_limits<uint64_t>::max() - step) return false;
    const uint64_t newCapacity = step * ((n + step) / step);
    if (newCapacity > kMaxUnits) return false;
    char16_t* grown = new (std::nothrow) char16_t[static_cast<std::size_t>(newCapacity)]();
    if (grown == nullptr) return false;
    if (buffer_ != nullptr) {
        // length_ < capacity_ <= n + 1 < newCapacity + 1, so the text always fits.
        std::memcpy(grown, buffer_, static_cast<std::size_t>(length_) * sizeof(char16_t));
        delete[] buffer_;
    }
    buffer_ = grown;
    capacity_ = newCapacity;
    buffer_[length_] = 0;  // keeps GetText terminated even before the caller writes its own
    return true;
}

bool FCString::SetCString(const char* text) {
    if (text == nullptr) {
        ReleaseBuffer();
        return true;
    }
    const uint64_t byteLength = std::strlen(text);
    if (!EnsureCapacity(byteLength)) return false;
    for (uint64_t i = 0; i < byteLength; ++i)
        buffer_[i] = static_cast<char16_t>(static_cast<unsigned char>(text[i]));
    buffer_[byteLength] = 0;
    length_ = byteLength;
    return true;
}

bool FCString::SetString(const FCString* other) {
    if (other == this) return true;
    if (!EnsureCapacity(0)) return false;
    buffer_[0] = 0;
    length_ = 0;
    if (other == nullptr || other->length_ == 0 || other->buffer_ == nullptr) return true;
    if (!EnsureCapacity(other->length_ + 1)) return false;
    std::memcpy(buffer_, other->buffer_,
                static_cast<std::size_t>(other->length_ + 1) * sizeof(char16_t));
    length_ = other->length_;
    return true;
}

}  // namespace qz
