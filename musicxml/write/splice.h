// Splicing new text into the original bytes: every byte outside the edited ranges is kept.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include <pugixml.hpp>

#include "musicxml/status.h"
#include "musicxml/write/voice_rewrite.h"

namespace qz::musicxml {

// The bytes [begin, end) a node spans in the text it was parsed from: an element from its '<'
// to the end of its closing tag, a comment or processing instruction from "<!--" or "<?" to its
// end, a text node its characters.
struct ByteRange {
    std::size_t begin = 0;
    std::size_t end = 0;
};

// The range of `node` in `text`, which must be the exact text that was parsed (offsets from
// offset_debug()). False when the node's kind has no range here (the document, a DOCTYPE) or
// the text at its offset is not what the node says it is.
bool NodeRange(std::string_view text, pugi::xml_node node, ByteRange* range);

// Whether `text` is whole markup: each start tag closed by an end tag of its name, in order, and
// comments, CDATA sections and processing instructions whole. The writer's last check on the text
// it made: the pieces it copies were parsed, and this catches one cut in the wrong place.
bool WholeMarkup(std::string_view text);

// The whitespace a line starts with before `pos`, when only spaces and tabs stand between the
// previous line feed and `pos`; otherwise empty.
std::string_view IndentBefore(std::string_view text, std::size_t pos);

// The edit removing `node` from `text`, with the line it stands on when nothing else does.
// False when the node cannot be located.
bool RemovalEdit(std::string_view text, pugi::xml_node node, Edit* edit);

// Applies `edits` to `text`. The edits may come in any order; they are applied in order of
// `begin` (edits with equal ranges keep their given order, so several insertions at one offset
// appear as listed). Fails when an edit ends before it begins, reaches past the text, or
// overlaps another edit.
Result<std::string> ApplyEdits(std::string_view text, const std::vector<Edit>& edits);

}  // namespace qz::musicxml
