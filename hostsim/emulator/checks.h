// The emulator's check log, in the manner of Wine's conformance tests: every check prints one
// line with what was checked and the value actually seen, passed or not, so that a log shows
// what the plug-in did even when everything passed.
//
// Output goes to stdout as it happens (flushed per line, so a scenario that hangs or crashes
// still leaves everything before it). ExitCode() is 0 when no check failed, 1 otherwise.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace emulator {

class Checks {
public:
    // Records one check. `what` says what must hold, `actual` what was seen.
    bool Expect(bool passed, std::string_view what, std::string_view actual);

    // Equality checks; the line shows the actual value, and the expected one on failure.
    bool ExpectEqual(std::string_view what, int64_t actual, int64_t expected);
    bool ExpectEqualHex(std::string_view what, uint64_t actual, uint64_t expected);
    bool ExpectEqual(std::string_view what, const std::string& actual,
                     const std::string& expected);
    bool ExpectEqual(std::string_view what, const std::u16string& actual,
                     const std::u16string& expected);

    // A line of information that is not a check (what a scenario is about to do).
    void Note(std::string_view text);

    // Marks the scenario failed for a reason that is not a comparison (a setup step failed).
    void Fail(std::string_view what, std::string_view why);

    int Count() const { return passed_ + failed_; }
    int Failed() const { return failed_; }
    int ExitCode() const { return failed_ == 0 ? 0 : 1; }

private:
    int passed_ = 0;
    int failed_ = 0;
};

}  // namespace emulator
