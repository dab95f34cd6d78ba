#include "musicxml/read/score_parse.h"

#include <cstring>

namespace qz::musicxml {

unsigned ScoreParseOptions() {
    return pugi::parse_default | pugi::parse_declaration |
           pugi::parse_doctype | pugi::parse_comments | pugi::parse_pi;
}

TextPosition PositionOf(std::string_view text, std::ptrdiff_t offset) {
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

TextPosition PositionOfNode(std::string_view text, pugi::xml_node node) {
    std::ptrdiff_t offset = node.offset_debug();
    if (node.type() == pugi::node_element && offset > 0) --offset;
    return PositionOf(text, offset);
}

Status ParseScoreText(std::string_view text, ParsedScore* out) {
    out->text = text;
    pugi::xml_parse_result result = out->doc.load_buffer(
        out->text.data(), out->text.size(), ScoreParseOptions(), pugi::encoding_utf8);
    if (!result)
        return Status::ErrorAt(std::string("malformed XML: ") + result.description(),
                               PositionOf(out->text, result.offset));
    pugi::xml_node root = out->doc.document_element();
    if (!root) return Status::ErrorAt("the document has no root element", TextPosition{});
    const TextPosition at = PositionOfNode(out->text, root);
    if (std::strcmp(root.name(), "score-timewise") == 0)
        return Status::ErrorAt("timewise scores are not supported (convert the score to partwise)",
                               at);
    if (std::strcmp(root.name(), "score-partwise") != 0)
        return Status::ErrorAt(
            std::string("not a MusicXML score: the root element is <") + root.name() + ">", at);
    return Status();
}

}  // namespace qz::musicxml
