// The source and destination selections of `apply`, as the user writes them and resolved
// against a score:
//   STAFF       a staff number (slot, from 1), a part id (its first staff) or PARTID/N (its N-th)
//   STAVES      "all", or a comma-separated list of STAFF and ranges A-B of staff numbers
//               ("1,2,4", "1-2,P3"): arrangers pick staves that are not next to each other
//   FIRST-LAST  ordinal measures from 1 (a single number selects one measure)
// The source is one STAFF; the destination is STAVES.
//
// The host selects a rectangle of adjacent staves, so a destination becomes one region per run
// of adjacent staves, each over the same measures; CREATE runs once per region.
#pragma once

#include <string>
#include <vector>

#include "musicxml/read/score_model.h"
#include "musicxml/status.h"

namespace qz::musicxml {

// A rectangle of the score, as the host's region holds it.
struct Selection {
    int firstSlot = 0;
    int lastSlot = 0;
    int firstMeasure = 0;
    int lastMeasure = 0;
    int MeasureCount() const { return lastMeasure - firstMeasure + 1; }
};

enum class SelectionRole { kSource, kDestination };

// A selection as text resolved: its regions in score order. Fails, saying what is wrong, when
// the text cannot be read or names staves or measures the score lacks.
Result<std::vector<Selection>> ParseSelection(const std::string& text, const Score& score,
                                              SelectionRole role);

}  // namespace qz::musicxml
