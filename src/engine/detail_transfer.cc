#include "engine/detail_transfer.h"

#include "framework/entry_details.h"
#include "host/entry_detail.h"
#include "host/exentry.h"

namespace qz::engine {

bool PlanEntryDetails(const FCNoteEntryLayer& rebuilt, const FCNoteEntryLayer& source,
                      TransferPlan& plan) {
    if (rebuilt.GetCount() != source.GetCount()) return false;
    namespace detail = host::entry_detail;
    const uint32_t mark = host::exentry::ENTRY_HAS_DETAILS;
    for (int32_t i = 0; i < source.GetCount(); ++i) {
        const FCNoteEntry& from = *source.GetEntryAt(i);
        if (!from.HasFlag(mark)) continue;
        int sub = 0;
        for (; sub <= 0x7FFF; ++sub) {
            const unsigned char* payload = FindDetailPayload(from, sub);
            if (payload == nullptr) break;
            plan.AddRecord(i, detail::kTag, static_cast<int16_t>(sub), payload,
                           static_cast<uint16_t>(detail::kPayloadSize));
        }
        plan.Mark(i, mark, sub > 0);
    }
    return true;
}

}  // namespace qz::engine
