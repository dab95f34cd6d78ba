#include "framework/entry_details.h"

#include "host/record_refs.h"

namespace qz {

namespace tgf = host::tgf;

const unsigned char* FindDetailPayload(const FCNoteEntry& entry, int sub) {
    const host::TGF* frame = entry.GetFrame();
    const uint32_t number = entry.GetEntryNumber();
    if (frame == nullptr || number == 0) return nullptr;
    for (int d = 0, n = tgf::DetailCount(frame); d < n; ++d) {
        const host::DetailRef record = tgf::DetailRefAt(frame, d);
        if (record.SubIndex() != sub) continue;
        const host::EntryRef owner = tgf::EntryRefAt(frame, record.EntryIndex());
        if (owner && owner.EntryNumber() == number) return record.Payload();
    }
    return nullptr;
}

}  // namespace qz
