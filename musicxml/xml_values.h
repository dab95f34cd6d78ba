// Reading the small values of MusicXML elements: trimmed text and bounded integers (decimals are
// read by rational.h). Every reader here refuses rather than guesses (out of range, trailing text).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include <pugixml.hpp>

namespace qz::musicxml {

// Whether the node is an element (or other node) of that name.
bool Named(pugi::xml_node node, const char* name);

// The first child element of each name in `names`, found in one pass over the children (each
// as child(name) would find it): a node with many children is walked once, not once per name.
template <std::size_t N>
std::array<pugi::xml_node, N> FirstChildren(pugi::xml_node parent,
                                            const std::array<const char*, N>& names) {
    std::array<pugi::xml_node, N> found{};
    for (pugi::xml_node child = parent.first_child(); child; child = child.next_sibling()) {
        if (child.type() != pugi::node_element) continue;
        const char* name = child.name();
        for (std::size_t i = 0; i < N; ++i) {
            if (name[0] != names[i][0] || std::strcmp(name, names[i]) != 0) continue;
            if (!found[i]) found[i] = child;
            break;
        }
    }
    return found;
}

// The text without leading and trailing XML white space.
std::string Trimmed(const char* text);
// The same, viewed in place (valid as long as `text`).
std::string_view TrimmedView(const char* text);

// A whole number in [low, high], white space around it allowed. False leaves `out` unchanged.
bool ParseInt(const char* text, int64_t low, int64_t high, int64_t* out);

// "3+2" style sums of whole numbers (a single number too), each term in [low, high].
bool SumOfInts(const char* text, int64_t low, int64_t high, int64_t* out);

}  // namespace qz::musicxml
