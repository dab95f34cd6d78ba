#include "engine/detail_transfer.h"

#include "framework/entry_details.h"
#include "host/exentry.h"

namespace qz::engine {

bool CopyEntryDetails(FCNoteEntryLayer& rebuilt, const FCNoteEntryLayer& source) {
    if (rebuilt.GetCount() != source.GetCount()) return false;
    const uint32_t mark = host::exentry::ENTRY_HAS_DETAILS;
    for (int32_t i = 0; i < source.GetCount(); ++i) {
        const FCNoteEntry& from = *source.GetEntryAt(i);
        FCNoteEntry& to = *rebuilt.GetEntryAt(i);
        // An entry the host has not numbered cannot key records: it keeps its mark as it is.
        if (!from.HasFlag(mark) || to.GetEntryNumber() == 0) continue;
        const int copied = CopyDetailRecords(from, to);
        to.SetFlags(copied > 0 ? to.GetFlags() | mark : to.GetFlags() & ~mark);
    }
    return true;
}

}  // namespace qz::engine
