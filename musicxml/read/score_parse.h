// A score's text parsed with pugixml so that every element keeps its byte offset in the text.
//
// The text is UTF-8 (decoded from the file's own encoding); the parser is told so, and keeps
// whitespace-only text, so that node offsets (offset_debug) are byte offsets into `text`, which
// the writer splices.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include <pugixml.hpp>

#include "musicxml/status.h"

namespace qz::musicxml {

struct ParsedScore {
    std::string text;          // the decoded document, exactly what was parsed
    pugi::xml_document doc;
};

TextPosition PositionOf(std::string_view text, std::ptrdiff_t offset);
// Where a node starts: for an element its '<' (pugixml's offset names the element's name).
TextPosition PositionOfNode(std::string_view text, pugi::xml_node node);

// Parses `text` (kept in `out`). Fails, with the place, on malformed XML, a root that is not
// <score-partwise> (a timewise score is named as such), or an empty document.
Status ParseScoreText(std::string text, ParsedScore* out);

// The pugixml parse options used, so that the writer parses the same way.
unsigned ScoreParseOptions();

}  // namespace qz::musicxml
