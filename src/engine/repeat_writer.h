// Writing one rebuilt repeat to the document as a whole: all of it or, as far as the host
// allows, none of it.
//
// The rebuilt layer is saved, its entries' new numbers read back, the planned records written
// under them, the marks applied and the layer saved again. When the host refuses any of these
// writes, when a number does not come back, or when anything fails on the way, what was written
// is undone: the planned records already stored are deleted, and every measure of the repeat is
// saved again from the old frames the repeat layer still holds. Only when the host refuses the
// undoing too can a measure stay rewritten, and then it holds the complete rebuilt entries.
// A frame the host marks skipSave is no part of this: it is never saved, its entries get no
// number and no record, and the other measures are written without it.
#pragma once

#include "engine/create_observer.h"
#include "engine/transfer_plan.h"
#include "framework/note_entry_layer.h"

namespace qz::engine {

// Writes `rebuilt` (cloned into `repeat`'s place, changed in memory) with the records and marks
// of `plan`. `repeat` holds the measures as they were and is not changed. kRewritten when the
// whole repeat was written; kRestored when it was undone or, for a host that cannot store
// records, never started; kOutOfMemory when the room to hold the reloaded frames could not be
// made, before anything was written. Allocates nothing after the first write and lets no
// exception out.
RepeatOutcome WriteRebuiltRepeat(const FCNoteEntryLayer& repeat, FCNoteEntryLayer& rebuilt,
                        const TransferPlan& plan) noexcept;

}  // namespace qz::engine
