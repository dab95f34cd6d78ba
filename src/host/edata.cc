#include "host/edata.h"

#include <cstring>

#include "host/binding.h"
#include "host/bytes.h"
#include "host/edata_tables.h"
#include "host/edata_translation.h"

namespace qz::host {
namespace {

// Saves under an older interface version than this keep their tags untranslated.
constexpr uint32_t kFirstTranslatedSaveVersion = 0x08000000;

// A tag with a load rule of its own: the host may fill the buffer and still report failure.
constexpr uint32_t kPrefilledTag = 0x4F096649;
constexpr std::size_t kPrefilledSize = 108;

// c, the first word of the caller's key; a missing key reads as 0.
int16_t FirstKeyWord(const void* key) { return key == nullptr ? int16_t{0} : Load<int16_t>(key, 0); }

// The field map that applies to `tag` for this c, or null.
const edata::FieldMap* FieldMapFor(uint32_t tag, int16_t c) {
    if (tag == edata::kFieldMapOrArrayTag && c != 0) return nullptr;
    return edata::FindFieldMap(tag);
}

bool ConditionHolds(const edata::RecordArrayRule& rule, int16_t c) {
    if (rule.maxC == 0) return true;
    return static_cast<uint16_t>(c - 1) < rule.maxC;
}

int16_t FirstIndexOf(const edata::RecordArrayRule& rule, int16_t c) {
    return rule.first == edata::FirstIndex::kCMinusOne ? static_cast<int16_t>(c - 1)
                                                       : int16_t{0};
}

bool AnyNonZero(const unsigned char* bytes, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i)
        if (bytes[i] != 0) return true;
    return false;
}

// The first load of kPrefilledTag. Returns true when the load goes on as for any other tag,
// else stores the final result in *result.
bool PrefilledLoadGoesOn(HostBinding& host, void* key, void* buffer, uint32_t* size,
                         uint32_t version, int* result) {
    *result = 0;
    // The buffer is cleared in full before the host sees it: refuse a caller that says it has
    // less room than that rather than write past its buffer.
    if (size == nullptr || *size < kPrefilledSize) return false;
    std::memset(buffer, 0, kPrefilledSize);
    if (!host.HasHostLoadEData()) return false;
    if (host.HostLoadEData(kPrefilledTag, key, buffer, size, version) != 0) return true;
    *result = AnyNonZero(static_cast<unsigned char*>(buffer), kPrefilledSize) ? 1 : 0;
    return false;
}

}  // namespace

int TranslatedLoadEData(HostBinding& host, uint32_t tag, void* key, void* buffer,
                        uint32_t* size, uint32_t version) {
    if (tag == kPrefilledTag && buffer != nullptr) {
        int result = 0;
        if (!PrefilledLoadGoesOn(host, key, buffer, size, version, &result)) return result;
    }
    const int16_t c = FirstKeyWord(key);
    if (const edata::FieldMap* map = FieldMapFor(tag, c))
        return edata::LoadFieldMap(host, *map, buffer, size, version);
    if (const edata::RecordArrayRule* rule = edata::FindRecordArrayRule(tag)) {
        if (!ConditionHolds(*rule, c)) return 0;
        return edata::LoadRecordArray(host, *rule, FirstIndexOf(*rule, c), buffer, size, version);
    }
    return host.HostLoadEData(tag, key, buffer, size, version);
}

int TranslatedSaveEData(HostBinding& host, uint32_t tag, const void* key, const void* buffer,
                        int32_t size, uint32_t version) {
    if (version < kFirstTranslatedSaveVersion)
        return host.HostSaveEData(tag, key, buffer, size, version);
    const int16_t c = FirstKeyWord(key);
    if (const edata::FieldMap* map = FieldMapFor(tag, c))
        return edata::SaveFieldMap(host, *map, buffer, size, version);
    if (const edata::RecordArrayRule* rule = edata::FindRecordArrayRule(tag)) {
        if (!ConditionHolds(*rule, c)) return 0;
        return edata::SaveRecordArray(host, *rule, FirstIndexOf(*rule, c), buffer, size, version);
    }
    return host.HostSaveEData(tag, key, buffer, size, version);
}

}  // namespace qz::host
