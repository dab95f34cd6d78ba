// Whether a destination repeat's rhythm can take the source's rhythm.
#pragma once

#include "framework/note_entry_layer.h"

namespace qz::engine {

// True when `repeat` holds entries, none of its measures is shorter than the source measure at the
// same offset (as the host measures frames), and every entry of `repeat` has a source entry at
// the same measure offset and position. Reads both layers and frame durations; changes nothing.
bool IsRhythmCompatible(const FCNoteEntryLayer& source, const FCNoteEntryLayer& repeat);

}  // namespace qz::engine
