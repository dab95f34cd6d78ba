#include "musicxml/write/splice.h"

#include <algorithm>
#include <cstring>

namespace qz::musicxml {
namespace {

constexpr size_t kNone = std::string_view::npos;

// The position just after `terminator`, searched from `from`; kNone when absent.
size_t After(std::string_view text, size_t from, std::string_view terminator) {
    const size_t at = text.find(terminator, from);
    return at == kNone ? kNone : at + terminator.size();
}

// The position after the '>' closing the tag that starts at `open`, skipping quoted attribute
// values (a '>' is allowed inside them); kNone when the text ends first.
size_t TagEnd(std::string_view text, size_t open, bool* selfClosing) {
    char quote = 0;
    for (size_t pos = open + 1; pos < text.size(); ++pos) {
        const char c = text[pos];
        if (quote != 0) {
            if (c == quote) quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '>') {
            *selfClosing = text[pos - 1] == '/';
            return pos + 1;
        }
    }
    return kNone;
}

// The end of the element whose start tag begins at `open`. The text is already known to be
// well formed (the parser accepted it), so counting tags, and stepping over comments, CDATA and
// processing instructions, finds the matching end tag.
size_t ElementEnd(std::string_view text, size_t open) {
    int depth = 0;
    size_t pos = open;
    while (pos != kNone && pos < text.size()) {
        pos = text.find('<', pos);
        if (pos == kNone) return kNone;
        const std::string_view rest = text.substr(pos);
        if (rest.substr(0, 4) == "<!--") {
            pos = After(text, pos + 4, "-->");
        } else if (rest.substr(0, 9) == "<![CDATA[") {
            pos = After(text, pos + 9, "]]>");
        } else if (rest.substr(0, 2) == "<?") {
            pos = After(text, pos + 2, "?>");
        } else if (rest.substr(0, 2) == "</") {
            pos = After(text, pos, ">");
            if (--depth == 0) return pos;
        } else {
            bool selfClosing = false;
            pos = TagEnd(text, pos, &selfClosing);
            if (!selfClosing) ++depth;
            if (depth == 0) return pos;
        }
    }
    return kNone;
}

bool Fill(ByteRange* range, size_t begin, size_t end) {
    if (begin == kNone || end == kNone || begin > end) return false;
    *range = {begin, end};
    return true;
}

}  // namespace

// Every byte of the output passes through here once, so the scan is kept to plain loops.
bool WholeMarkup(std::string_view text) {
    std::vector<std::string_view> open;
    const size_t size = text.size();
    for (size_t pos = text.find('<'); pos != kNone; pos = text.find('<', pos)) {
        const char next = pos + 1 < size ? text[pos + 1] : '\0';
        if (next == '!' || next == '?') {
            const bool comment = text.compare(pos, 4, "<!--") == 0;
            const bool cdata = text.compare(pos, 9, "<![CDATA[") == 0;
            if (next == '!' && !comment && !cdata) return false;
            pos = next == '?' ? After(text, pos + 2, "?>")
                  : comment   ? After(text, pos + 4, "-->")
                              : After(text, pos + 9, "]]>");
            if (pos == kNone) return false;
            continue;
        }
        const bool closing = next == '/';
        const size_t nameBegin = pos + (closing ? 2 : 1);
        size_t at = nameBegin;
        while (at < size && text[at] != '>' && text[at] != '/' && text[at] != ' ' &&
               text[at] != '\t' && text[at] != '\r' && text[at] != '\n')
            ++at;
        const std::string_view name = text.substr(nameBegin, at - nameBegin);
        bool selfClosing = false;
        pos = TagEnd(text, at - 1, &selfClosing);
        if (pos == kNone || name.empty()) return false;
        if (!closing) {
            if (!selfClosing) open.push_back(name);
        } else if (open.empty() || open.back() != name) {
            return false;
        } else {
            open.pop_back();
        }
    }
    return open.empty();
}

bool NodeRange(std::string_view text, pugi::xml_node node, ByteRange* range) {
    const ptrdiff_t offset = node.offset_debug();
    if (offset < 0 || static_cast<size_t>(offset) > text.size()) return false;
    const auto at = static_cast<size_t>(offset);
    auto startsAt = [&](size_t back, std::string_view mark) {
        return at >= back && text.substr(at - back, mark.size()) == mark;
    };
    switch (node.type()) {
        case pugi::node_element:
            if (!startsAt(1, "<") || text.substr(at, std::strlen(node.name())) != node.name())
                return false;
            return Fill(range, at - 1, ElementEnd(text, at - 1));
        case pugi::node_comment:
            return startsAt(4, "<!--") && Fill(range, at - 4, After(text, at, "-->"));
        case pugi::node_pi:
        case pugi::node_declaration:
            return startsAt(2, "<?") && Fill(range, at - 2, After(text, at, "?>"));
        case pugi::node_cdata:
            return startsAt(9, "<![CDATA[") && Fill(range, at - 9, After(text, at, "]]>"));
        case pugi::node_pcdata:
            return Fill(range, at, std::min(text.size(), text.find('<', at)));
        default:
            return false;
    }
}

std::string_view IndentBefore(std::string_view text, size_t pos) {
    size_t start = std::min(pos, text.size());
    while (start > 0 && (text[start - 1] == ' ' || text[start - 1] == '\t')) --start;
    if (start > 0 && text[start - 1] != '\n') return {};
    return text.substr(start, pos - start);
}

bool RemovalEdit(std::string_view text, pugi::xml_node node, Edit* edit) {
    ByteRange range;
    if (!NodeRange(text, node, &range)) return false;
    const std::size_t indent = IndentBefore(text, range.begin).size();
    const std::size_t lineEnd = text.find_first_not_of(" \t", range.end);
    const std::size_t lineStart = range.begin - indent;
    const bool ownLine = lineStart > 0 && text[lineStart - 1] == '\n' &&
                         (lineEnd == kNone || text[lineEnd] == '\r' || text[lineEnd] == '\n');
    if (!ownLine) {
        *edit = {range.begin, range.end, ""};
        return true;
    }
    // From the end of the previous line, so the line break before it goes with the line.
    std::size_t begin = lineStart - 1;
    if (begin > 0 && text[begin - 1] == '\r') --begin;
    *edit = {begin, range.end, ""};
    return true;
}

Result<std::string> ApplyEdits(std::string_view text, const std::vector<Edit>& edits) {
    // The edits are put in order by reference: their texts can be as large as the score.
    std::vector<const Edit*> ordered;
    ordered.reserve(edits.size());
    for (const Edit& edit : edits) ordered.push_back(&edit);
    std::stable_sort(ordered.begin(), ordered.end(),
                     [](const Edit* a, const Edit* b) { return a->begin < b->begin; });
    size_t kept = 0;  // the end of the text already accounted for
    size_t grown = text.size();
    for (const Edit* edit : ordered) {
        if (edit->begin > edit->end || edit->end > text.size()) {
            return Status::Error("edit [" + std::to_string(edit->begin) + ", " +
                                 std::to_string(edit->end) + ") lies outside the text of " +
                                 std::to_string(text.size()) + " bytes");
        }
        if (edit->begin < kept) {
            return Status::Error("edit at byte " + std::to_string(edit->begin) +
                                 " overlaps the edit ending at byte " + std::to_string(kept));
        }
        kept = edit->end;
        grown += edit->text.size();
        grown -= edit->end - edit->begin;  // the edits do not overlap: never below zero
    }
    std::string result;
    result.reserve(grown);
    size_t pos = 0;
    for (const Edit* edit : ordered) {
        result.append(text.substr(pos, edit->begin - pos));
        result.append(edit->text);
        pos = edit->end;
    }
    result.append(text.substr(pos));
    return result;
}

}  // namespace qz::musicxml
