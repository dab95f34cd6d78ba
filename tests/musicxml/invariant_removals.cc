#include "invariant_removals.h"

#include <algorithm>
#include <cstring>
#include <set>
#include <utility>
#include <vector>

#include <pugixml.hpp>

namespace qz::corpus {
namespace {

// A removable element's bytes, and the whitespace around it that may go with it.
struct Removable {
    std::size_t spaceBefore, begin, end, spaceAfter;
};

bool Named(pugi::xml_node node, const char* name) { return std::strcmp(node.name(), name) == 0; }

bool IsEnd(pugi::xml_node node) {
    return node.type() == pugi::node_element &&
           (Named(node, "tie") || Named(node, "tied") || Named(node, "slur")) &&
           (Named(node.parent(), "note") || Named(node.parent(), "notations"));
}

bool HoldsOnlyEnds(pugi::xml_node notations) {
    for (pugi::xml_node child : notations.children())
        if (!IsEnd(child)) return false;
    return Named(notations.parent(), "note");
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// The end of the element starting at `begin` ('<'): after "/>", or after its closing tag.
std::size_t ElementEnd(const std::string& text, std::size_t begin, const std::string& name) {
    char quote = 0;
    for (std::size_t i = begin; i < text.size(); ++i) {
        if (quote != 0) {
            if (text[i] == quote) quote = 0;
        } else if (text[i] == '"' || text[i] == '\'') {
            quote = text[i];
        } else if (text[i] == '>') {
            if (text[i - 1] == '/') return i + 1;
            const std::size_t close = text.find("</" + name, i);
            const std::size_t gt = close == std::string::npos ? close : text.find('>', close);
            return gt == std::string::npos ? gt : gt + 1;
        }
    }
    return std::string::npos;
}

struct Collector : pugi::xml_tree_walker {
    const std::string* text = nullptr;
    std::vector<Removable> found;
    bool for_each(pugi::xml_node& node) override {
        if (!IsEnd(node) && !(Named(node, "notations") && HoldsOnlyEnds(node))) return true;
        // offset_debug points into the element's name, just after its '<'.
        const std::size_t begin = text->rfind('<', static_cast<std::size_t>(node.offset_debug()));
        if (begin == std::string::npos) return true;
        const std::size_t end = ElementEnd(*text, begin, node.name());
        if (end == std::string::npos) return true;
        Removable r{begin, begin, end, end};
        while (r.spaceBefore > 0 && IsSpace((*text)[r.spaceBefore - 1])) --r.spaceBefore;
        while (r.spaceAfter < text->size() && IsSpace((*text)[r.spaceAfter])) ++r.spaceAfter;
        found.push_back(r);
        return true;
    }
};

class Aligner {
public:
    Aligner(const std::string& a, const std::string& b, std::vector<Removable> removable)
        : a_(a), b_(b), removable_(std::move(removable)) {}

    // Whether a[i..] becomes b[j..] by taking out removable elements.
    bool Match(std::size_t i, std::size_t j) {
        const std::size_t start = i;
        while (i < a_.size() && j < b_.size() && a_[i] == b_[j]) ++i, ++j;
        if (i == a_.size() && j == b_.size()) return true;
        if (!failed_.insert({i, j}).second) return false;
        // The characters matched just before i may be the removed element's leading whitespace
        // (or the first bytes of its tag): the removal may start up to there.
        for (const Removable& r : removable_) {
            if (i < r.spaceBefore || i >= r.end) continue;
            for (std::size_t from = std::max(r.spaceBefore, start); from <= r.begin && from <= i; ++from)
                for (std::size_t to = r.end; to <= r.spaceAfter; ++to)
                    if (i - from <= j && Match(to, j - (i - from))) return true;
        }
        return false;
    }

private:
    const std::string& a_;
    const std::string& b_;
    std::vector<Removable> removable_;
    std::set<std::pair<std::size_t, std::size_t>> failed_;
};

}  // namespace

bool OnlyTieAndSlurEndsRemoved(const std::string& before, const std::string& after) {
    if (after.size() >= before.size()) return false;
    pugi::xml_document doc;
    if (!doc.load_buffer(before.data(), before.size(), pugi::parse_default, pugi::encoding_utf8))
        return false;
    Collector collector;
    collector.text = &before;
    doc.traverse(collector);
    return Aligner(before, after, std::move(collector.found)).Match(0, 0);
}

}  // namespace qz::corpus
