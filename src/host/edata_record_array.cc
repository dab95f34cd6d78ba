#include <cstring>

#include "host/binding.h"
#include "host/edata_translation.h"

namespace qz::host::edata {
namespace {

uint32_t ArrayBytes(const RecordArrayRule& rule) {
    return static_cast<uint32_t>(rule.count) * kOtRecordSize;
}

// Record i of an array starting at index `first`.
void ArrayKey(int16_t first, int i, int16_t (&key)[2]) {
    key[0] = kDefaultKeyWord1;
    key[1] = static_cast<int16_t>(first + i);
}

}  // namespace

int LoadRecordArray(HostBinding& host, const RecordArrayRule& rule, int16_t first, void* buffer,
                    uint32_t* size, uint32_t version) {
    if (size == nullptr) return 0;
    if (buffer == nullptr) {
        *size = ArrayBytes(rule);
        return 1;
    }
    if (*size < ArrayBytes(rule)) return 0;
    if (!host.HasHostLoadEData()) return 0;

    unsigned char* out = static_cast<unsigned char*>(buffer);
    for (int i = 0; i < rule.count; ++i) {
        int16_t key[2];
        ArrayKey(first, i, key);
        unsigned char scratch[kOtRecordSize] = {};
        uint32_t delivered = kOtRecordSize;
        host.HostLoadEData(OtTag(rule.record), key, scratch, &delivered, version);
        if (delivered > kOtRecordSize) delivered = kOtRecordSize;
        std::memcpy(out + static_cast<std::size_t>(i) * kOtRecordSize, scratch, delivered);
    }
    *size = ArrayBytes(rule);
    return 1;
}

int SaveRecordArray(HostBinding& host, const RecordArrayRule& rule, int16_t first,
                    const void* buffer, int32_t length, uint32_t version) {
    if (buffer == nullptr || length < 0 || static_cast<uint32_t>(length) < ArrayBytes(rule))
        return 0;
    if (!host.HasHostSaveEData()) return 0;

    const unsigned char* in = static_cast<const unsigned char*>(buffer);
    for (int i = 0; i < rule.count; ++i) {
        int16_t key[2];
        ArrayKey(first, i, key);
        unsigned char scratch[kOtRecordSize];
        std::memcpy(scratch, in + static_cast<std::size_t>(i) * kOtRecordSize, kOtRecordSize);
        host.HostSaveEData(OtTag(rule.record), key, scratch, static_cast<int32_t>(kOtRecordSize),
                           version);
    }
    return 1;
}

}  // namespace qz::host::edata
