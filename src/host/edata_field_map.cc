#include <array>
#include <cstring>

#include "host/binding.h"
#include "host/edata_conversions.h"
#include "host/edata_translation.h"

namespace qz::host::edata {
namespace {

// Which rows of a map one load or save has dealt with. Lives for one call only.
using Marks = std::array<bool, kMaxFieldMapRows>;

struct OtRecord {
    int16_t key[2];
    unsigned char bytes[kOtRecordSize];
};

void ReadOtRecord(HostBinding& host, const FieldMapRow& row, OtRecord& out, uint32_t version) {
    out.key[0] = row.key1 != 0 ? row.key1 : kDefaultKeyWord1;
    out.key[1] = row.key2;
    std::memset(out.bytes, 0, sizeof out.bytes);
    uint32_t size = kOtRecordSize;
    host.HostLoadEData(OtTag(row.record), out.key, out.bytes, &size, version);
}

// Calls `visit(row)` for row `first` and every later unmarked row naming the same ot record,
// marking each one.
template <typename Visit>
void ForRowsOfRecord(const FieldMap& map, std::size_t first, Marks& marks, Visit visit) {
    const FieldMapRow& lead = map.rows[first];
    for (std::size_t j = first; j < map.rows.size(); ++j) {
        if (marks[j] || !SameRecord(map.rows[j], lead)) continue;
        visit(map.rows[j]);
        marks[j] = true;
    }
}

}  // namespace

int LoadFieldMap(HostBinding& host, const FieldMap& map, void* buffer, uint32_t* size,
                 uint32_t version) {
    if (size == nullptr) return 0;
    if (buffer == nullptr) {
        *size = map.reach;
        return 1;
    }
    if (*size < map.reach) return 0;
    if (!host.HasHostLoadEData()) return 0;

    unsigned char* legacy = static_cast<unsigned char*>(buffer);
    Marks marks{};
    for (std::size_t i = 0; i < map.rows.size(); ++i) {
        if (marks[i]) continue;
        OtRecord record;
        ReadOtRecord(host, map.rows[i], record, version);
        ForRowsOfRecord(map, i, marks,
                        [&](const FieldMapRow& row) { ExtractField(row, record.bytes, legacy); });
    }
    *size = map.reach;
    return 1;
}

int SaveFieldMap(HostBinding& host, const FieldMap& map, const void* buffer, int32_t length,
                 uint32_t version) {
    if (buffer == nullptr || length < 0 || static_cast<uint32_t>(length) < map.reach) return 0;
    // Without loads every record would be saved rebuilt from zeros, wiping its other words.
    if (!host.HasHostLoadEData() || !host.HasHostSaveEData()) return 0;

    const unsigned char* legacy = static_cast<const unsigned char*>(buffer);
    Marks marks{};
    for (std::size_t i = 0; i < map.rows.size(); ++i) {
        if (marks[i]) continue;
        OtRecord record;
        ReadOtRecord(host, map.rows[i], record, version);
        bool changed = false;
        ForRowsOfRecord(map, i, marks, [&](const FieldMapRow& row) {
            if (ApplyField(row, legacy, record.bytes)) changed = true;
        });
        if (changed)
            host.HostSaveEData(OtTag(map.rows[i].record), record.key, record.bytes,
                               static_cast<int32_t>(kOtRecordSize), version);
    }
    return 1;
}

}  // namespace qz::host::edata
