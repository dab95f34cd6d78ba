// Carrying articulations over to rebuilt entries, from the old destination entries and from the
// source entries, merged without repeating a kind of articulation.
//
// Everything is read and planned before the rebuilt repeat is first saved (transfer_plan.h):
// a rebuilt entry is new, so what it "already has" when a donor's articulations are merged into
// it is what the plan gave it so far. An articulation planned for rebuilt entry i gets the key
// index donor index + the count the entry held before that donor, and marks the entry as having
// articulations.
#pragma once

#include "engine/transfer_plan.h"
#include "framework/note_entry_layer.h"

namespace qz::engine {

// Loads every entry's articulations of `repeat` and keeps them attached to the entry, before the
// rebuild changes anything in the document. An entry whose records do not load has none to pass
// on: the host answers a record that is not there and a read that failed alike, and a stored
// score may well carry an articulation mark without records. The collections live in `memory`
// (borrowed) until it is rewound. Throws std::bad_alloc when they cannot be held.
void AttachArticulations(FCNoteEntryLayer& repeat, Arena& memory);

// Plans for each rebuilt entry the attached articulations of the old destination entry at the
// same measure offset and position. True when at least one pair was found.
bool PlanRepeatArticulations(const FCNoteEntryLayer& repeat, const FCNoteEntryLayer& rebuilt,
                             TransferPlan& plan);

// Plans for rebuilt entry i the articulations of source entry i (read from the document now),
// for source entries marked as having articulations, skipping definitions that entry i already
// has in the plan. A marked source entry whose records do not load passes none on. What is read
// is held in `memory` (borrowed).
void PlanSourceArticulations(const FCNoteEntryLayer& source, const FCNoteEntryLayer& rebuilt,
                             TransferPlan& plan, Arena& memory);

}  // namespace qz::engine
