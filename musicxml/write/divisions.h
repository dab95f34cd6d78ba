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

#include "musicxml/rational.h"
#include "musicxml/write/splice.h"
#include "musicxml/status.h"
#include "musicxml/write/voice_rewrite.h"

namespace qz::musicxml::divisions {

// Divisions beyond this are refused rather than written: every program reading the result must
// still hold a measure's values in ordinary integers. A file may state more (up to
// kMaxReadDivisions, which only this tool's exact positions need); such a measure is read, but
// the writer leaves it as it was.
inline constexpr int64_t kMaxDivisions = 1 << 24;

// The divisions per quarter for a measure whose part uses `current` and whose new music needs
// each of `quarters` (onsets and durations in quarter notes): the least multiple of `current`
// that expresses all of them exactly. Nothing when that exceeds kMaxDivisions.
std::optional<int64_t> FinerDivisions(int64_t current, const std::vector<Fraction>& quarters);

// Edits multiplying by `factor` every value of `measure` counted in divisions: each <duration>
// (notes, backups, forwards, figured bass) and each <offset> (directions, harmony, figured bass,
// sounds). A failure says which value cannot be read, located in `text` or scaled.
Result<std::vector<Edit>> ScaleValueEdits(std::string_view text, pugi::xml_node measure,
                                          int64_t factor);

// Where the plain text value of `element` (a number, nothing else inside) stands in `text`;
// false when the element holds anything else or the bytes differ from the parsed value.
bool ValueRange(std::string_view text, pugi::xml_node element, ByteRange* range);

// The <divisions> element among the measure's leading <attributes> (those before its first
// note, backup or forward), if any.
pugi::xml_node LeadingDivisions(pugi::xml_node measure);

}  // namespace qz::musicxml::divisions
