// Values counted in <divisions> (durations, backups, forwards, offsets) and the change of a
// measure to finer divisions when a rewritten note cannot be expressed in the part's own.
//
// A measure that needs finer divisions states them at its start, has every value counted in
// divisions multiplied by the same whole factor, and states the part's value again at its end,
// so that no other measure changes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <pugixml.hpp>

#include "musicxml/splice.h"
#include "musicxml/voice_rewrite.h"

namespace qz::musicxml::divisions {

// Divisions beyond this are refused rather than written: every program reading the result must
// still hold a measure's values in ordinary integers.
inline constexpr int64_t kMaxDivisions = 1 << 24;

// Checked exact arithmetic on reduced fractions; nothing on overflow or a zero denominator.
std::optional<Fraction> Ratio(int64_t num, int64_t den);
std::optional<Fraction> Sum(Fraction a, Fraction b);
std::optional<Fraction> Difference(Fraction a, Fraction b);
std::optional<Fraction> Scaled(Fraction a, int64_t factor);
std::optional<Fraction> Quotient(Fraction a, int64_t divisor);
// -1, 0 or 1 as a is below, equal to or above b.
int Order(Fraction a, Fraction b);
bool Same(Fraction a, Fraction b);

// A value as a file writes it (xs:decimal: "12", "1.5", "-2", surrounding whitespace allowed).
std::optional<Fraction> ParseValue(std::string_view text);
// The value written back: an integer, or a decimal when the value is a finite decimal
// fraction; nothing otherwise.
std::optional<std::string> FormatValue(Fraction value);

// The divisions per quarter for a measure whose part uses `current` and whose new music needs
// each of `quarters` (onsets and durations in quarter notes): the least multiple of `current`
// that expresses all of them exactly. Nothing when that exceeds kMaxDivisions.
std::optional<int64_t> FinerDivisions(int64_t current, const std::vector<Fraction>& quarters);

// Edits multiplying by `factor` every value of `measure` counted in divisions: each <duration>
// (notes, backups, forwards, figured bass) and each <offset> (directions, harmony, figured bass,
// sounds). False, with a message, when one cannot be read or located in `text`.
bool ScaleValueEdits(std::string_view text, pugi::xml_node measure, int64_t factor,
                     std::vector<Edit>* edits, std::string* error);

// Where the plain text value of `element` (a number, nothing else inside) stands in `text`;
// false when the element holds anything else or the bytes differ from the parsed value.
bool ValueRange(std::string_view text, pugi::xml_node element, ByteRange* range);

// The <divisions> element among the measure's leading <attributes> (those before its first
// note, backup or forward), if any.
pugi::xml_node LeadingDivisions(pugi::xml_node measure);

}  // namespace qz::musicxml::divisions
