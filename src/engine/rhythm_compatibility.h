// Whether a destination repeat's rhythm can take the source's rhythm.
#pragma once

#include "engine/create_observer.h"
#include "framework/note_entry_layer.h"

namespace qz::engine {

// kRewritten when `repeat` can take the source's rhythm; otherwise the first rule that fails, in
// this order: kEmpty (no entry), kMeasureTooShort (`measure` shorter than the source measure at
// the same offset, `sourceMeasure`, as the host measures frames), kUnmatchedAttack (an entry of
// `repeat` at `measure`, `position` with no source entry at the same measure offset and
// position). Reads both layers and frame durations; changes nothing. `place` is not filled.
RepeatDecision CheckRhythm(const FCNoteEntryLayer& source, const FCNoteEntryLayer& repeat);

}  // namespace qz::engine
