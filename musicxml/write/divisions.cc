#include "musicxml/write/divisions.h"

#include <cstring>
#include <numeric>


namespace qz::musicxml::divisions {
namespace {

bool IsTimed(pugi::xml_node node) {
    const char* name = node.name();
    return std::strcmp(name, "note") == 0 || std::strcmp(name, "backup") == 0 ||
           std::strcmp(name, "forward") == 0;
}

}  // namespace

std::optional<int64_t> FinerDivisions(int64_t current, const std::vector<Fraction>& quarters) {
    if (current <= 0 || current > kMaxDivisions) return std::nullopt;
    int64_t result = current;
    for (const Fraction& q : quarters) {
        if (q.den <= 0) return std::nullopt;
        const int64_t g = std::gcd(result, q.den);
        if (__builtin_mul_overflow(result / g, q.den, &result) || result > kMaxDivisions)
            return std::nullopt;
    }
    return result;
}

Result<std::vector<Edit>> ScaleValueEdits(std::string_view text, pugi::xml_node measure,
                                          int64_t factor) {
    std::vector<Edit> edits;
    for (const pugi::xpath_node& found : measure.select_nodes(".//duration | .//offset")) {
        const pugi::xml_node element = found.node();
        const std::string quoted = std::string("<") + element.name() + "> value \"" +
                                   element.child_value() + "\"";
        ByteRange range;
        const std::optional<Fraction> value = ParseDecimal(element.child_value());
        if (!value || !ValueRange(text, element, &range))
            return Status::Error("cannot read the " + quoted);
        const std::optional<Fraction> scaled = Multiply(*value, factor);
        const std::optional<std::string> written = scaled ? FormatDecimal(*scaled) : std::nullopt;
        if (!written) return Status::Error("the " + quoted + " cannot be scaled");
        edits.push_back({range.begin, range.end, *written});
    }
    return edits;
}

bool ValueRange(std::string_view text, pugi::xml_node element, ByteRange* range) {
    const pugi::xml_node value = element.first_child();
    if (value.type() != pugi::node_pcdata || value.next_sibling()) return false;
    if (!NodeRange(text, value, range)) return false;
    return text.substr(range->begin, range->end - range->begin) == value.value();
}

pugi::xml_node LeadingDivisions(pugi::xml_node measure) {
    pugi::xml_node found;
    for (pugi::xml_node child = measure.first_child(); child; child = child.next_sibling()) {
        if (child.type() != pugi::node_element) continue;
        if (IsTimed(child)) break;
        if (std::strcmp(child.name(), "attributes") == 0 && child.child("divisions"))
            found = child.child("divisions");
    }
    return found;
}

}  // namespace qz::musicxml::divisions
