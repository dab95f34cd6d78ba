#include "hostsim/music_notation.h"

namespace hostsim::notation {

namespace {

constexpr const char* kLetters = "CDEFGAB";
constexpr int kLetterSteps[7] = {0, 2, 4, 5, 7, 9, 11};
constexpr int kDenominators[] = {1, 2, 4, 8, 16, 32};
constexpr int32_t kWhole = 4096;
constexpr int kMaxDots = 2;

int LetterIndex(char c) {
    for (int i = 0; i < 7; ++i)
        if (kLetters[i] == c) return i;
    return -1;
}

int FloorDiv(int a, int b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

int WhiteKeyLetter(int key) {
    int step = key - 12 * FloorDiv(key, 12);
    for (int i = 0; i < 7; ++i)
        if (kLetterSteps[i] == step) return i;
    return -1;
}

int32_t Dotted(int32_t base, int dots) {
    int32_t total = base;
    for (int d = 1; d <= dots; ++d) total += base >> d;
    return total;
}

}  // namespace

std::optional<int32_t> ReadInteger(std::string_view text, std::size_t* at) {
    std::size_t i = *at;
    bool negative = i < text.size() && text[i] == '-';
    if (negative) ++i;
    int64_t value = 0;
    std::size_t digits = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9' && digits < 9) {
        value = value * 10 + (text[i] - '0');
        ++i;
        ++digits;
    }
    if (digits == 0 || (i < text.size() && text[i] >= '0' && text[i] <= '9')) return std::nullopt;
    *at = i;
    return static_cast<int32_t>(negative ? -value : value);
}

std::optional<SpelledPitch> ReadPitch(std::string_view text, std::size_t* at) {
    std::size_t i = *at;
    if (i >= text.size()) return std::nullopt;
    int letter = LetterIndex(text[i]);
    if (letter < 0) return std::nullopt;
    ++i;
    int accidental = 0;
    char sign = i < text.size() ? text[i] : '\0';
    if (sign == '#' || sign == 'b') {
        while (i < text.size() && text[i] == sign && accidental < 3) {
            ++accidental;
            ++i;
        }
        if (accidental > 2) return std::nullopt;
        if (sign == 'b') accidental = -accidental;
    }
    std::optional<int32_t> octave = ReadInteger(text, &i);
    if (!octave || *octave < -1 || *octave > 9) return std::nullopt;
    int key = (*octave + 1) * 12 + kLetterSteps[letter] + accidental;
    if (key < 0 || key > 127) return std::nullopt;
    *at = i;
    return SpelledPitch{key, accidental};
}

std::string PitchName(int key, int accidental) {
    if (key < 0 || key > 127) return "?" + std::to_string(key);
    if (accidental < -2 || accidental > 2 || WhiteKeyLetter(key - accidental) < 0)
        accidental = WhiteKeyLetter(key) < 0 ? 1 : 0;
    int natural = key - accidental;
    std::string name(1, kLetters[WhiteKeyLetter(natural)]);
    name.append(static_cast<std::size_t>(accidental > 0 ? accidental : -accidental),
                accidental > 0 ? '#' : 'b');
    return name + std::to_string(FloorDiv(natural, 12) - 1);
}

std::optional<int32_t> ReadNoteValue(std::string_view text, std::size_t* at) {
    std::size_t i = *at;
    if (i >= text.size() || text[i] != '/') return std::nullopt;
    ++i;
    std::optional<int32_t> denominator = ReadInteger(text, &i);
    if (!denominator) return std::nullopt;
    for (int d : kDenominators) {
        if (d != *denominator) continue;
        int dots = 0;
        while (i < text.size() && text[i] == '.' && dots < kMaxDots) {
            ++dots;
            ++i;
        }
        if (i < text.size() && text[i] == '.') return std::nullopt;
        *at = i;
        return Dotted(kWhole / d, dots);
    }
    return std::nullopt;
}

std::string DurationText(int32_t duration) {
    for (int d : kDenominators)
        for (int dots = 0; dots <= kMaxDots; ++dots)
            if (Dotted(kWhole / d, dots) == duration)
                return "/" + std::to_string(d) + std::string(static_cast<std::size_t>(dots), '.');
    return "*" + std::to_string(duration);
}

}  // namespace hostsim::notation
