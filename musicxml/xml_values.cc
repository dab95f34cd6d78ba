#include "musicxml/xml_values.h"

#include <cstring>


namespace qz::musicxml {
namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// Digits of a bounded whole number; false on no digit or overflow past 10^15.
bool Digits(const std::string& text, std::size_t* at, int64_t* value, int* count) {
    int64_t v = 0;
    int n = 0;
    while (*at < text.size() && text[*at] >= '0' && text[*at] <= '9') {
        if (v > 100000000000000) return false;
        v = v * 10 + (text[*at] - '0');
        ++*at;
        ++n;
    }
    *value = v;
    *count = n;
    return n > 0;
}

}  // namespace

bool Named(pugi::xml_node node, const char* name) { return std::strcmp(node.name(), name) == 0; }

std::string Trimmed(const char* text) { return std::string(TrimmedView(text)); }

std::string_view TrimmedView(const char* text) {
    if (text == nullptr) return {};
    std::size_t n = std::strlen(text), b = 0;
    while (b < n && IsSpace(text[b])) ++b;
    while (n > b && IsSpace(text[n - 1])) --n;
    return std::string_view(text + b, n - b);
}

bool ParseInt(const char* text, int64_t low, int64_t high, int64_t* out) {
    std::string t = Trimmed(text);
    std::size_t at = 0;
    bool negative = false;
    if (at < t.size() && (t[at] == '-' || t[at] == '+')) negative = t[at++] == '-';
    int64_t value = 0;
    int count = 0;
    if (!Digits(t, &at, &value, &count) || at != t.size()) return false;
    if (negative) value = -value;
    if (value < low || value > high) return false;
    *out = value;
    return true;
}

bool SumOfInts(const char* text, int64_t low, int64_t high, int64_t* out) {
    std::string t = Trimmed(text);
    int64_t total = 0;
    std::size_t start = 0;
    for (int terms = 0; terms < 64; ++terms) {
        std::size_t plus = t.find('+', start);
        std::string term = t.substr(start, plus == std::string::npos ? std::string::npos : plus - start);
        int64_t value = 0;
        if (!ParseInt(term.c_str(), low, high, &value)) return false;
        total += value;
        if (plus == std::string::npos) {
            *out = total;
            return true;
        }
        start = plus + 1;
    }
    return false;
}

}  // namespace qz::musicxml
