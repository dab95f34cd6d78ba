// A heap array with guard bytes before and after, as the simulator hands its frame arrays out.
//
// The array is the host's: the plug-in may read and write Data()[0..Size()-1] and nothing else.
// A write just outside the array lands in a guard and is found by GuardsIntact(); a use after
// Release() is a use-after-free that AddressSanitizer reports. Data() is never null once the
// array is made, not even for zero bytes.
#pragma once

#include <cstddef>
#include <memory>

namespace hostsim {

class GuardedArray {
public:
    static constexpr std::size_t kGuardSize = 32;
    static constexpr unsigned char kGuardByte = 0xFD;

    GuardedArray() = default;
    explicit GuardedArray(std::size_t bytes);  // zero-filled

    unsigned char* Data() { return block_ ? block_.get() + kGuardSize : nullptr; }
    const unsigned char* Data() const { return block_ ? block_.get() + kGuardSize : nullptr; }
    std::size_t Size() const { return size_; }

    bool FrontGuardIntact() const;
    bool BackGuardIntact() const;
    bool GuardsIntact() const { return FrontGuardIntact() && BackGuardIntact(); }

    // Frees the block; Data() is null afterwards.
    void Release();

private:
    std::unique_ptr<unsigned char[]> block_;
    std::size_t size_ = 0;
};

}  // namespace hostsim
