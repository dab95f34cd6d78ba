// Exact arithmetic on Fraction (quarter notes) for the score model.
//
// Every value a score can state is a small ratio: <duration> over <divisions>, beats over a beat
// type. The numbers are kept reduced; a product or sum whose terms would not fit in 63 bits
// reports overflow instead of wrapping, so that hostile divisions cannot corrupt positions.
#pragma once

#include <cstdint>
#include <optional>

#include "musicxml/voice_rewrite.h"

namespace qz::musicxml {

// num/den reduced with den > 0; nothing for den == 0 or a value out of range.
std::optional<Fraction> MakeFraction(int64_t num, int64_t den);
std::optional<Fraction> Add(Fraction a, Fraction b);
std::optional<Fraction> Subtract(Fraction a, Fraction b);
// -1, 0 or 1 as a is below, equal to or above b.
int Compare(Fraction a, Fraction b);
inline bool operator==(Fraction a, Fraction b) { return a.num == b.num && a.den == b.den; }
inline bool operator<(Fraction a, Fraction b) { return Compare(a, b) < 0; }
// The value in host position units (a quarter = 1024), rounded to the nearest unit (halves
// away from zero); clamped to the 32-bit range.
int32_t ToHostUnits(Fraction f);

}  // namespace qz::musicxml
