// MemHost's extended-data functions over the current document's store.
#include <algorithm>
#include <cstring>
#include <limits>

#include "memhost/edata_key_layout.h"
#include "memhost/mem_host.h"

namespace qz::memhost {

namespace {

// Larger records are refused: no record of the host is near this size, and a wild size from
// the plug-in must not make the host read far beyond the caller's buffer.
constexpr int32_t kMaxRecordSize = 1 << 16;
constexpr int64_t kMaxIndex = std::numeric_limits<int16_t>::max();

using Store = std::map<Document::EDataKey, std::vector<unsigned char>>;

// The index after the largest non-negative index stored under (tag, first); 0 when none.
int64_t NextFreeIndex(const Store& store, uint32_t tag, int64_t first) {
    int64_t next = 0;
    for (auto it = store.lower_bound({tag, first, std::numeric_limits<int64_t>::min()});
         it != store.end() && it->first.tag == tag && it->first.first == first; ++it)
        next = std::max(next, it->first.second + 1);
    return next;
}

std::vector<unsigned char> Bytes(const void* buffer, int32_t size) {
    const unsigned char* p = static_cast<const unsigned char*>(buffer);
    return std::vector<unsigned char>(p, p + size);
}

}  // namespace

Document::EDataKey MemHost::KeyOf(uint32_t tag, const void* key) const {
    return {tag, edata_key::ReadFirst(tag, key), edata_key::ReadSecond(tag, key)};
}

int16_t MemHost::LoadEData(uint32_t tag, void* key, void* buffer, uint32_t* size,
                           uint32_t) try {
    if (key == nullptr) return 0;
    Document* document = CurrentOrNull();
    if (document == nullptr || size == nullptr) return 0;
    auto it = document->EData().find(KeyOf(tag, key));
    if (it == document->EData().end()) return 0;
    const std::vector<unsigned char>& record = it->second;
    if (buffer != nullptr && !record.empty())
        std::memcpy(buffer, record.data(), std::min<std::size_t>(*size, record.size()));
    *size = static_cast<uint32_t>(record.size());
    return 1;
} catch (...) {
    return 0;
}

int16_t MemHost::SaveEData(uint32_t tag, const void* key, const void* buffer, int32_t size,
                           uint32_t) try {
    if (key == nullptr) return 0;
    Document* document = CurrentOrNull();
    if (document == nullptr || buffer == nullptr || size <= 0 || size > kMaxRecordSize)
        return 0;
    document->EData()[KeyOf(tag, key)] = Bytes(buffer, size);
    return 1;
} catch (...) {
    return 0;
}

int16_t MemHost::CreateEData(uint32_t tag, void* key, const void* buffer, int32_t size,
                             uint32_t) try {
    if (key == nullptr) return 0;
    Document* document = CurrentOrNull();
    if (document == nullptr || buffer == nullptr || size <= 0 || size > kMaxRecordSize)
        return 0;
    Document::EDataKey k = KeyOf(tag, key);
    const bool completes = k.second == -1;
    if (completes) {
        k.second = NextFreeIndex(document->EData(), tag, k.first);
        if (k.second > kMaxIndex) return 0;
    } else if (document->EData().count(k) > 0) {
        return 0;
    }
    document->EData()[k] = Bytes(buffer, size);
    if (completes) edata_key::WriteSecond(tag, key, k.second);
    return 1;
} catch (...) {
    return 0;
}

int16_t MemHost::DeleteEData(uint32_t tag, const void* key, uint32_t) try {
    if (key == nullptr) return 0;
    Document* document = CurrentOrNull();
    if (document == nullptr) return 0;
    return document->EData().erase(KeyOf(tag, key)) > 0 ? 1 : 0;
} catch (...) {
    return 0;
}

int16_t MemHost::NextEData(uint32_t tag, void* key, void*, void*,
                           uint32_t) try {
    if (key == nullptr) return 0;
    Document* document = CurrentOrNull();
    if (document == nullptr) return 0;
    auto it = document->EData().upper_bound(KeyOf(tag, key));
    if (it == document->EData().end() || it->first.tag != tag) return 0;
    edata_key::Write(tag, key, it->first.first, it->first.second);
    return 1;
} catch (...) {
    return 0;
}

}  // namespace qz::memhost
