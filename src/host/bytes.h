// Little-endian fields at any offset of a host record.
//
// Host records are packed on 2-byte boundaries, so 32- and 64-bit fields sit at unaligned
// offsets. Every field is read and written through memcpy, never through a cast to a packed
// struct. The plug-in runs on little-endian machines only (x86-64 Windows), which the assert below
// pins down, so a plain copy is the little-endian encoding.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace qz::host {

static_assert(std::endian::native == std::endian::little, "host records are little-endian");

template <typename T>
inline T Load(const void* record, std::size_t offset) {
    T value;
    std::memcpy(&value, static_cast<const unsigned char*>(record) + offset, sizeof value);
    return value;
}

template <typename T>
inline void Store(void* record, std::size_t offset, T value) {
    std::memcpy(static_cast<unsigned char*>(record) + offset, &value, sizeof value);
}

// A pointer stored in a host record (8 bytes on 64-bit Windows).
inline unsigned char* LoadPointer(const void* record, std::size_t offset) {
    return reinterpret_cast<unsigned char*>(Load<std::uintptr_t>(record, offset));
}

inline void StorePointer(void* record, std::size_t offset, const void* pointer) {
    Store<std::uintptr_t>(record, offset, reinterpret_cast<std::uintptr_t>(pointer));
}

}  // namespace qz::host
