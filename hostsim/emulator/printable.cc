#include "hostsim/emulator/printable.h"

#include <cstdio>

namespace emulator {

namespace {

void AppendEscaped(std::string& out, uint32_t unit) {
    char buffer[16];
    switch (unit) {
        case '\n': out += "\\n"; return;
        case '\r': out += "\\r"; return;
        case '\t': out += "\\t"; return;
        case '"': out += "\\\""; return;
        case '\\': out += "\\\\"; return;
        default: break;
    }
    if (unit >= 0x20 && unit <= 0x7E) {
        out += static_cast<char>(unit);
    } else if (unit <= 0xFF) {
        std::snprintf(buffer, sizeof buffer, "\\x%02X", static_cast<unsigned>(unit));
        out += buffer;
    } else {
        std::snprintf(buffer, sizeof buffer, "\\u%04X", static_cast<unsigned>(unit));
        out += buffer;
    }
}

}  // namespace

std::string Quoted(std::string_view text) {
    std::string out = "\"";
    for (char c : text) AppendEscaped(out, static_cast<unsigned char>(c));
    return out + "\"";
}

std::string Quoted(std::u16string_view text) {
    std::string out = "\"";
    for (char16_t c : text) AppendEscaped(out, c);
    return out + "\"";
}

std::string Hex(uint64_t value, int digits) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "0x%0*llX", digits,
                  static_cast<unsigned long long>(value));
    return buffer;
}

std::string HexBytes(const unsigned char* data, std::size_t count, std::size_t limit) {
    std::string out;
    char buffer[4];
    for (std::size_t i = 0; i < count && i < limit; ++i) {
        std::snprintf(buffer, sizeof buffer, "%02X", data[i]);
        if (i > 0) out += ' ';
        out += buffer;
    }
    if (count > limit) out += " ...";
    return out;
}

std::u16string Widen(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (char c : text) out += static_cast<char16_t>(static_cast<unsigned char>(c));
    return out;
}

}  // namespace emulator
