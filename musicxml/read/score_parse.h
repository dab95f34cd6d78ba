// A score's text parsed with pugixml so that every element keeps its byte offset in the text.
//
// The text is UTF-8 (the file's own bytes, or decoded from the file's encoding); the parser is
// told so, so that node offsets (offset_debug) are byte offsets into `text`, which the writer
// splices. Whitespace-only text between elements makes no node: the writer reads layout from
// the text itself, and an indented score's tree is then about half as large.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include <pugixml.hpp>

#include "musicxml/status.h"

namespace qz::musicxml {

struct ParsedScore {
    std::string converted;   // the document as UTF-8, when the file spelled it otherwise
    std::string_view text;   // the document exactly as parsed: `converted` or the file's bytes
    pugi::xml_document doc;
};

TextPosition PositionOf(std::string_view text, std::ptrdiff_t offset);
// Where a node starts: for an element its '<' (pugixml's offset names the element's name).
TextPosition PositionOfNode(std::string_view text, pugi::xml_node node);

// Parses `text`, which must outlive `out` (out->text is a view of it). Fails, with the place, on
// malformed XML, a root that is not <score-partwise> (a timewise score is named as such), or an
// empty document.
Status ParseScoreText(std::string_view text, ParsedScore* out);

// The pugixml parse options used, so that the writer parses the same way.
unsigned ScoreParseOptions();

}  // namespace qz::musicxml
