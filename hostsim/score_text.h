// The simulator's text format for scores: a measure of one staff and layer written from a
// compact text and read back as one, and a whole stretch of a document printed for people.
#pragma once

#include <string>

#include "memhost/document.h"

namespace hostsim {

// Replaces the music of one measure by the one read from a compact text (the stored records
// of the old entries, their articulations and details go). Entries are separated by spaces,
// each
//   ["[" position "]"] pitches ("/" denominator ["."["."]] | "*" units)
//       ["@" articulation ...] ["+d" [count]]
// where pitches are note names joined by "+" (C4, F#3, Bb5, Ebb2) or "r" for a rest,
// denominators are 1, 2, 4, 8, 16, 32 and "*units" gives a raw duration, for example
//   "C4+E4+G4/2 r/4 G4/8 A4/8@5@7 [3072]C5/4+d". Entries start where the previous one ended
// unless "[position]" says otherwise. False, with nothing changed, on a text it cannot read.
bool WriteMeasure(qz::memhost::Document& document, int instrument, int measure, int layer,
                  const std::string& text);
// The same measure as text (the inverse of WriteMeasure): "[pos]" only where an entry does not
// start where the previous one ended, "r" for an entry without ENTRY_HAS_NOTES, "?" for one
// that claims notes but has none, "*units" for a duration no note value spells, "@n" per
// stored articulation (indexes 0, 1, ... until the first gap) and "+d" (or "+dN") when detail
// records are stored for the entry. "" when nothing is stored.
std::string DescribeMeasure(const qz::memhost::Document& document, int instrument, int measure,
                            int layer);

// Renders slots and measures of a document as text, staff by staff and measure by measure, with
// note names, durations, rests and articulations; for the demo and for failure messages. One
// line per layer that has entries, measures without any as "-":
//   Staff 1 (instrument 11)
//     m1   4/4  L1: C4+E4+G4/2 F4+A4+C5/2
//                 L2: E4/1
//     m2   3/4  -
// `layers` (1..4) is how many layers are looked at. Slots without a staff are said so.
std::string PrintScore(const qz::memhost::Document& document, int firstSlot, int lastSlot, int firstMeasure,
                       int lastMeasure, int layers = 4);

}  // namespace hostsim
