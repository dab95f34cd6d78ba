#include "framework/entry_details.h"

#include "host/tgf.h"

namespace qz {

namespace tgf = host::tgf;
namespace detail = host::entry_detail;

const unsigned char* FindDetailPayload(const FCNoteEntry& entry, int sub) {
    const host::TGF* frame = entry.GetFrame();
    const uint32_t number = entry.GetEntryNumber();
    if (frame == nullptr || number == 0) return nullptr;
    for (int d = 0, n = tgf::DetailCount(frame); d < n; ++d) {
        const unsigned char* record = tgf::DetailAt(frame, d);
        if (detail::SubIndex(record) != sub) continue;
        const unsigned char* owner = tgf::EntryAt(frame, detail::EntryIndex(record));
        if (owner != nullptr && host::exentry::EntryNumber(owner) == number)
            return record + detail::kPayload;
    }
    return nullptr;
}

}  // namespace qz
