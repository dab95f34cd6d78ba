#include "hostsim/emulator/checks.h"

#include <cstdio>

#include "hostsim/emulator/printable.h"

namespace emulator {

namespace {

void PrintLine(std::string_view tag, std::string_view what, std::string_view detail) {
    std::string line;
    line.append(tag).append(what);
    if (!detail.empty()) line.append(": ").append(detail);
    line += '\n';
    std::fputs(line.c_str(), stdout);
    std::fflush(stdout);
}

}  // namespace

bool Checks::Expect(bool passed, std::string_view what, std::string_view actual) {
    ++(passed ? passed_ : failed_);
    PrintLine(passed ? "  ok    " : "  FAIL  ", what, actual);
    return passed;
}

bool Checks::ExpectEqual(std::string_view what, int64_t actual, int64_t expected) {
    std::string seen = std::to_string(actual);
    if (actual != expected) seen += " (expected " + std::to_string(expected) + ")";
    return Expect(actual == expected, what, seen);
}

bool Checks::ExpectEqualHex(std::string_view what, uint64_t actual, uint64_t expected) {
    std::string seen = Hex(actual);
    if (actual != expected) seen += " (expected " + Hex(expected) + ")";
    return Expect(actual == expected, what, seen);
}

bool Checks::ExpectEqual(std::string_view what, const std::string& actual,
                         const std::string& expected) {
    std::string seen = Quoted(actual);
    if (actual != expected) seen += " (expected " + Quoted(expected) + ")";
    return Expect(actual == expected, what, seen);
}

bool Checks::ExpectEqual(std::string_view what, const std::u16string& actual,
                         const std::u16string& expected) {
    std::string seen = Quoted(actual);
    if (actual != expected) seen += " (expected " + Quoted(expected) + ")";
    return Expect(actual == expected, what, seen);
}

void Checks::Note(std::string_view text) { PrintLine("  --    ", text, ""); }

void Checks::Fail(std::string_view what, std::string_view why) { Expect(false, what, why); }

}  // namespace emulator
