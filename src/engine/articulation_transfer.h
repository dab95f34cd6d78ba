// Carrying articulations over to rebuilt entries, from the old destination entries and from the
// source entries, merged without repeating a kind of articulation.
#pragma once

#include "framework/note_entry_layer.h"

namespace qz::engine {

// Loads every entry's articulations of `repeat` and keeps them attached to the entry, before the
// rebuild changes anything in the document.
void AttachArticulations(FCNoteEntryLayer& repeat);

// Adds to `target` (a numbered, rebuilt entry) the articulations of `donor` (its attached ones,
// or else those in the document) whose definitions `target` does not have yet, numbered after
// the target's own. Marks the target as having articulations when the host accepted any of them.
// Returns the number the host accepted; 0 when the target has no number.
int CopyArticulationsToEntry(FCNoteEntry& target, FCNoteEntry& donor);

// Gives each rebuilt entry the articulations of the old destination entry at the same measure
// offset and position. True when at least one pair was found.
bool ReattachArticulations(FCNoteEntryLayer& repeat, FCNoteEntryLayer& rebuilt);

// Gives rebuilt entry i the articulations of source entry i, for source entries marked as having
// articulations.
void CopySourceArticulations(const FCNoteEntryLayer& source, FCNoteEntryLayer& rebuilt);

}  // namespace qz::engine
