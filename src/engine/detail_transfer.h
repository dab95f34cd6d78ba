// Copying the source entries' detail records to the rebuilt entries.
#pragma once

#include "framework/note_entry_layer.h"

namespace qz::engine {

// For each source entry marked as having details, saves its detail records (from its frame's
// detail table, sub-indexes 0, 1, ... up to the first gap) under the number of the rebuilt entry
// with the same index, and sets or clears that entry's detail mark. False, doing nothing, when
// the two layers do not hold the same number of entries.
bool CopyEntryDetails(FCNoteEntryLayer& rebuilt, const FCNoteEntryLayer& source);

}  // namespace qz::engine
