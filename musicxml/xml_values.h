// Reading the small values of MusicXML elements: trimmed text, bounded integers, decimals as
// exact fractions. Every reader here refuses rather than guesses (out of range, trailing text).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include <pugixml.hpp>

#include "musicxml/voice_rewrite.h"

namespace qz::musicxml {

// Whether the node is an element (or other node) of that name.
bool Named(pugi::xml_node node, const char* name);

// The text without leading and trailing XML white space.
std::string Trimmed(const char* text);

// A whole number in [low, high], white space around it allowed. False leaves `out` unchanged.
bool ParseInt(const char* text, int64_t low, int64_t high, int64_t* out);

// "3+2" style sums of whole numbers (a single number too), each term in [low, high].
bool SumOfInts(const char* text, int64_t low, int64_t high, int64_t* out);

// A decimal such as "12", "0.5" or "-1.25" as an exact fraction (at most 9 decimals).
std::optional<Fraction> ParseDecimal(const char* text);

}  // namespace qz::musicxml
