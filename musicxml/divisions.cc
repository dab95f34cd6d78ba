#include "musicxml/divisions.h"

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

std::optional<Fraction> Ratio(int64_t num, int64_t den) {
    if (den == 0 || num == INT64_MIN || den == INT64_MIN) return std::nullopt;
    if (den < 0) num = -num, den = -den;
    const int64_t g = std::gcd(num, den);
    return Fraction{num / g, den / g};
}

std::optional<Fraction> Sum(Fraction a, Fraction b) {
    int64_t left = 0, right = 0, num = 0, den = 0;
    if (__builtin_mul_overflow(a.num, b.den, &left) ||
        __builtin_mul_overflow(b.num, a.den, &right) ||
        __builtin_add_overflow(left, right, &num) ||
        __builtin_mul_overflow(a.den, b.den, &den))
        return std::nullopt;
    return Ratio(num, den);
}

std::optional<Fraction> Difference(Fraction a, Fraction b) {
    if (b.num == INT64_MIN) return std::nullopt;
    return Sum(a, Fraction{-b.num, b.den});
}

std::optional<Fraction> Scaled(Fraction a, int64_t factor) {
    int64_t num = 0;
    if (__builtin_mul_overflow(a.num, factor, &num)) return std::nullopt;
    return Ratio(num, a.den);
}

std::optional<Fraction> Quotient(Fraction a, int64_t divisor) {
    int64_t den = 0;
    if (__builtin_mul_overflow(a.den, divisor, &den)) return std::nullopt;
    return Ratio(a.num, den);
}

int Order(Fraction a, Fraction b) {
    const std::optional<Fraction> d = Difference(a, b);
    if (d) return d->num < 0 ? -1 : d->num > 0 ? 1 : 0;
    // Too large to subtract exactly: compare as long doubles, which is enough to order them.
    const long double x = static_cast<long double>(a.num) / static_cast<long double>(a.den);
    const long double y = static_cast<long double>(b.num) / static_cast<long double>(b.den);
    return x < y ? -1 : x > y ? 1 : 0;
}

bool Same(Fraction a, Fraction b) { return a.num == b.num && a.den == b.den; }

std::optional<Fraction> ParseValue(std::string_view text) {
    while (!text.empty() && std::strchr(" \t\r\n", text.front()) != nullptr) text.remove_prefix(1);
    while (!text.empty() && std::strchr(" \t\r\n", text.back()) != nullptr) text.remove_suffix(1);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    int64_t num = 0, den = 1;
    bool digits = false, point = false;
    for (char c : text) {
        if (c == '.' && !point) {
            point = true;
            continue;
        }
        if (c < '0' || c > '9') return std::nullopt;
        digits = true;
        if (__builtin_mul_overflow(num, 10, &num) || __builtin_add_overflow(num, c - '0', &num))
            return std::nullopt;
        if (point && __builtin_mul_overflow(den, 10, &den)) return std::nullopt;
    }
    if (!digits) return std::nullopt;
    return Ratio(negative ? -num : num, den);
}

std::optional<std::string> FormatValue(Fraction value) {
    if (value.den == 1) return std::to_string(value.num);
    // A finite decimal: the denominator divides 10^places for the least such `places`.
    int64_t power = 1;
    size_t places = 0;
    while (power % value.den != 0) {
        if (places == 18) return std::nullopt;  // not a finite decimal, or too long to write
        power *= 10;
        ++places;
    }
    int64_t scaled = 0;
    if (__builtin_mul_overflow(value.num, power / value.den, &scaled) || scaled == INT64_MIN)
        return std::nullopt;
    std::string digits = std::to_string(scaled < 0 ? -scaled : scaled);
    if (digits.size() <= places) digits.insert(0, places - digits.size() + 1, '0');
    const size_t split = digits.size() - places;
    std::string written = scaled < 0 ? "-" : "";
    written.append(digits, 0, split);
    written += '.';
    written.append(digits, split, std::string::npos);
    return written;
}

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

bool ScaleValueEdits(std::string_view text, pugi::xml_node measure, int64_t factor,
                     std::vector<Edit>* edits, std::string* error) {
    for (const pugi::xpath_node& found : measure.select_nodes(".//duration | .//offset")) {
        const pugi::xml_node element = found.node();
        ByteRange range;
        const std::optional<Fraction> value = ParseValue(element.child_value());
        if (!value || !ValueRange(text, element, &range)) {
            *error = std::string("cannot read the <") + element.name() + "> value \"" +
                     element.child_value() + "\"";
            return false;
        }
        const std::optional<Fraction> scaled = Scaled(*value, factor);
        const std::optional<std::string> written = scaled ? FormatValue(*scaled) : std::nullopt;
        if (!written) {
            *error = std::string("the <") + element.name() + "> value \"" +
                     element.child_value() + "\" cannot be scaled";
            return false;
        }
        edits->push_back({range.begin, range.end, *written});
    }
    return true;
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
