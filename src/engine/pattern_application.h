// Rewriting one compatible destination repeat with the source's rhythm and the destination's
// pitches.
#pragma once

#include <cstdint>

#include <vector>

#include "engine/create_observer.h"
#include "framework/note_entry_layer.h"

namespace qz::engine {

// Rebuilds `repeat` (a loaded destination repeat, read only) in the document: its measures get
// copies of the source's entries, each taking the pitches of the destination entry sounding at
// its place, with articulations and entry details carried over; saved twice. Does nothing when
// the repeat is the source itself. Everything is read and allocated before the first write; a
// rebuild that fails or does not cover every measure writes nothing, and a write the host
// refuses undoes the repeat (repeat_writer.h). Throws std::bad_alloc only before the first
// write. Answers what became of the repeat (kIsSource, kNoFrame, or the writer's outcome); when
// it was rewritten and `provenance` is given, fills it with where each rebuilt entry came from.
// The rebuild, the articulations read and the plan draw their memory from `memory` (borrowed);
// what they leave there is the caller's to rewind once `repeat` is gone.
RepeatOutcome ApplyPattern(const FCNoteEntryLayer& source, FCNoteEntryLayer& repeat,
                           uint32_t hostVersion, Arena& memory,
                           std::vector<RebuiltEntry>* provenance = nullptr);

// Gives each entry of `rebuilt` the notes of its donor in `repeat` (see DonorWalk), or makes it a
// rest when either is a rest. `hostVersion` below 0x12000000 marks entries that received pitches.
// Changes `rebuilt` in memory only.
void TransferPitches(const FCNoteEntryLayer& repeat, FCNoteEntryLayer& rebuilt,
                     uint32_t hostVersion);

}  // namespace qz::engine
