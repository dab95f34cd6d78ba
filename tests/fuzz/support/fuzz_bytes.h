// The fuzz input as a stream of small decisions: bytes in order, then zeros, so that every input,
// however short, describes a complete run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace qz::fuzz {

class FuzzBytes {
public:
    FuzzBytes(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    uint8_t Next() { return at_ < size_ ? data_[at_++] : 0; }
    // 0 .. bound-1; bound must be positive.
    int Below(int bound) { return Next() % bound; }
    bool Chance(int inEight) { return Below(8) < inEight; }
    uint16_t Word() { return static_cast<uint16_t>(Next() | Next() << 8); }
    std::vector<unsigned char> Take(size_t n) {
        std::vector<unsigned char> out(n);
        for (unsigned char& b : out) b = Next();
        return out;
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
};

}  // namespace qz::fuzz
