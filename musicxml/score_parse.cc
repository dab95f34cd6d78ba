#include "musicxml/score_parse.h"

#include <cstring>

namespace qz::musicxml {

unsigned ScoreParseOptions() {
    return pugi::parse_default | pugi::parse_ws_pcdata | pugi::parse_declaration |
           pugi::parse_doctype | pugi::parse_comments | pugi::parse_pi;
}

TextPosition PositionOf(const std::string& text, std::ptrdiff_t offset) {
    TextPosition at;
    if (offset < 0) return at;
    std::size_t end = std::min(static_cast<std::size_t>(offset), text.size());
    for (std::size_t i = 0; i < end; ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '\n') {
            ++at.line;
            at.column = 1;
        } else if ((c & 0xC0) != 0x80) {  // count characters, not UTF-8 continuation bytes
            ++at.column;
        }
    }
    return at;
}

TextPosition PositionOfNode(const std::string& text, pugi::xml_node node) {
    std::ptrdiff_t offset = node.offset_debug();
    if (node.type() == pugi::node_element && offset > 0) --offset;
    return PositionOf(text, offset);
}

bool ParseScoreText(std::string text, ParsedScore* out, std::string* error,
                    TextPosition* position) {
    out->text = std::move(text);
    pugi::xml_parse_result result = out->doc.load_buffer(
        out->text.data(), out->text.size(), ScoreParseOptions(), pugi::encoding_utf8);
    if (!result) {
        *error = std::string("malformed XML: ") + result.description();
        *position = PositionOf(out->text, result.offset);
        return false;
    }
    pugi::xml_node root = out->doc.document_element();
    *position = root ? PositionOfNode(out->text, root) : TextPosition{};
    if (!root) {
        *error = "the document has no root element";
        return false;
    }
    if (std::strcmp(root.name(), "score-timewise") == 0) {
        *error = "timewise scores are not supported (convert the score to partwise)";
        return false;
    }
    if (std::strcmp(root.name(), "score-partwise") != 0) {
        *error = std::string("not a MusicXML score: the root element is <") + root.name() + ">";
        return false;
    }
    return true;
}

}  // namespace qz::musicxml
