// Reading the small values of MusicXML elements: trimmed text and bounded integers (decimals are
// read by rational.h). Every reader here refuses rather than guesses (out of range, trailing text).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include <pugixml.hpp>

namespace qz::musicxml {

// Whether the node is an element (or other node) of that name.
bool Named(pugi::xml_node node, const char* name);

// The text without leading and trailing XML white space.
std::string Trimmed(const char* text);
// The same, viewed in place (valid as long as `text`).
std::string_view TrimmedView(const char* text);

// A whole number in [low, high], white space around it allowed. False leaves `out` unchanged.
bool ParseInt(const char* text, int64_t low, int64_t high, int64_t* out);

// "3+2" style sums of whole numbers (a single number too), each term in [low, high].
bool SumOfInts(const char* text, int64_t low, int64_t high, int64_t* out);

}  // namespace qz::musicxml
