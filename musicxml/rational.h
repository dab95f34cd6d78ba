// Exact time and the decimal numbers of a score: one rational type for every position, length and
// value counted in divisions, and the one reading and writing of decimal text.
//
// Every value a score states is a small ratio: <duration> over <divisions>, beats over a beat
// type. The numbers are kept reduced; a result whose reduced terms would not fit reports nothing
// instead of wrapping, so that hostile values cannot corrupt positions.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qz::musicxml {

// num/den, reduced, den > 0. In quarter notes for times, in division units for file values.
struct Fraction {
    int64_t num = 0;
    int64_t den = 1;
};

// num/den reduced; nothing for den == 0 or a result out of range.
std::optional<Fraction> MakeFraction(int64_t num, int64_t den);
std::optional<Fraction> Add(Fraction a, Fraction b);
std::optional<Fraction> Subtract(Fraction a, Fraction b);
std::optional<Fraction> Multiply(Fraction a, int64_t factor);
std::optional<Fraction> Divide(Fraction a, int64_t divisor);
// -1, 0 or 1 as a is below, equal to or above b (exact, whatever the terms).
int Compare(Fraction a, Fraction b);
inline bool operator==(Fraction a, Fraction b) { return Compare(a, b) == 0; }
inline bool operator!=(Fraction a, Fraction b) { return Compare(a, b) != 0; }
inline bool operator<(Fraction a, Fraction b) { return Compare(a, b) < 0; }

// The nearest whole number (halves away from zero), clamped to the 64-bit range.
int64_t Rounded(Fraction f);
// The value in host position units (a quarter = 1024), rounded as Rounded; clamped to the
// 32-bit range.
int32_t ToHostUnits(Fraction f);

// A decimal as a file writes it (xs:decimal: "12", "1.5", "-2", ".5", white space around it
// allowed), exactly; nothing for anything else or a value out of range.
std::optional<Fraction> ParseDecimal(std::string_view text);
// The value written back: an integer, or a decimal when the value is a finite decimal fraction
// of at most 18 places; nothing otherwise.
std::optional<std::string> FormatDecimal(Fraction value);

}  // namespace qz::musicxml
