#include "framework/entry_details.h"

#include "host/binding.h"
#include "host/edata_key.h"
#include "host/tgf.h"

namespace qz {
namespace {

namespace tgf = host::tgf;
namespace detail = host::entry_detail;

constexpr uint32_t kVersion = 0x19000000;

// The first record of the table for the entry numbered `number` with sub-index `sub`, or null.
const unsigned char* FindDetail(const host::TGF* frame, uint32_t number, int sub) {
    for (int d = 0, n = tgf::DetailCount(frame); d < n; ++d) {
        const unsigned char* record = tgf::DetailAt(frame, d);
        if (detail::SubIndex(record) != sub) continue;
        const unsigned char* owner = tgf::EntryAt(frame, detail::EntryIndex(record));
        if (owner != nullptr && host::exentry::EntryNumber(owner) == number) return record;
    }
    return nullptr;
}

}  // namespace

int CopyDetailRecords(const FCNoteEntry& from, const FCNoteEntry& to) {
    const uint32_t number = from.GetEntryNumber();
    if (from.GetFrame() == nullptr || number == 0 || to.GetEntryNumber() == 0) return 0;
    int accepted = 0;
    for (int sub = 0; sub <= 0x7FFF; ++sub) {
        const unsigned char* record = FindDetail(from.GetFrame(), number, sub);
        if (record == nullptr) break;
        unsigned char key[host::entry_key::kSize] = {};
        host::entry_key::SetNumber(key, static_cast<int32_t>(to.GetEntryNumber()));
        host::entry_key::SetIndex(key, static_cast<int16_t>(sub));
        if (host::Host().SaveEData(detail::kTag, key, record + detail::kPayload,
                                   static_cast<int32_t>(detail::kPayloadSize), kVersion) != 0)
            ++accepted;
    }
    return accepted;
}

}  // namespace qz
