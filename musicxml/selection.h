// The source and destination selections of `apply`, as the user writes them and resolved
// against a score:
//   STAFF   a staff number (slot, from 1), a part id (its first staff) or PARTID/N (its N-th)
//   STAVES  one of those, a range A-B of staff numbers, or "all"
//   FIRST-LAST  ordinal measures from 1 (a single number selects one measure)
#pragma once

#include <string>

#include "musicxml/score_model.h"

namespace qz::musicxml {

struct Selection {
    int firstSlot = 0;
    int lastSlot = 0;
    int firstMeasure = 0;
    int lastMeasure = 0;
    int MeasureCount() const { return lastMeasure - firstMeasure + 1; }
};

// "STAFF:FIRST-LAST" for the source (one staff). False with a message when the text cannot be
// read or names staves or measures the score lacks.
bool ParseSourceSelection(const std::string& text, const Score& score, Selection* out,
                          std::string* error);
// "STAVES:FIRST-LAST" for the destination.
bool ParseDestinationSelection(const std::string& text, const Score& score, Selection* out,
                               std::string* error);

}  // namespace qz::musicxml
