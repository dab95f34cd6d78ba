// Planning the copy of the source entries' detail records to the rebuilt entries.
#pragma once

#include "engine/transfer_plan.h"
#include "framework/note_entry_layer.h"

namespace qz::engine {

// For each source entry marked as having details, plans its detail records (from its frame's
// detail table, sub-indexes 0, 1, ... up to the first gap) for the rebuilt entry with the same
// index, which is marked as having details when there is at least one and unmarked otherwise.
// False, planning nothing, when the two layers do not hold the same number of entries.
bool PlanEntryDetails(const FCNoteEntryLayer& rebuilt, const FCNoteEntryLayer& source,
                      TransferPlan& plan);

}  // namespace qz::engine
