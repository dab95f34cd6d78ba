#include "musicxml/rational.h"

#include <cstdint>
#include <limits>
#include <numeric>

namespace qz::musicxml {
namespace {

// Terms stay well inside 64 bits, so that a product of two never overflows the wide type.
constexpr int64_t kLimit = std::numeric_limits<int64_t>::max() / 4;

__extension__ typedef __int128 Wide;

bool Fits(Wide v) { return v <= kLimit && v >= -kLimit; }

// Terms nearly always fit 64 bits, where a remainder is one instruction rather than a call into
// the compiler's 128-bit division.
Wide Gcd(Wide a, Wide b) {
    constexpr Wide kNarrow = std::numeric_limits<uint64_t>::max();
    if (a <= kNarrow && b <= kNarrow)
        return std::gcd(static_cast<uint64_t>(a), static_cast<uint64_t>(b));
    while (b != 0) {
        const Wide t = a % b;
        a = b;
        b = t;
    }
    return a;
}

std::optional<Fraction> Reduce(Wide num, Wide den) {
    if (den == 0) return std::nullopt;
    if (den < 0) num = -num, den = -den;
    const Wide a = Gcd(num < 0 ? -num : num, den);
    if (a > 1) num /= a, den /= a;
    if (!Fits(num) || !Fits(den)) return std::nullopt;
    return Fraction{static_cast<int64_t>(num), static_cast<int64_t>(den)};
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace

std::optional<Fraction> MakeFraction(int64_t num, int64_t den) { return Reduce(num, den); }

std::optional<Fraction> Add(Fraction a, Fraction b) {
    return Reduce(static_cast<Wide>(a.num) * b.den + static_cast<Wide>(b.num) * a.den,
                  static_cast<Wide>(a.den) * b.den);
}

std::optional<Fraction> Subtract(Fraction a, Fraction b) {
    return Reduce(static_cast<Wide>(a.num) * b.den - static_cast<Wide>(b.num) * a.den,
                  static_cast<Wide>(a.den) * b.den);
}

std::optional<Fraction> Multiply(Fraction a, int64_t factor) {
    return Reduce(static_cast<Wide>(a.num) * factor, a.den);
}

std::optional<Fraction> Divide(Fraction a, int64_t divisor) {
    return Reduce(a.num, static_cast<Wide>(a.den) * divisor);
}

int Compare(Fraction a, Fraction b) {
    const Wide l = static_cast<Wide>(a.num) * b.den;
    const Wide r = static_cast<Wide>(b.num) * a.den;
    return l < r ? -1 : (l > r ? 1 : 0);
}

int64_t Rounded(Fraction f) {
    if (f.den <= 0) return 0;
    const Wide twice = static_cast<Wide>(f.num) * 2 / f.den;  // truncated toward zero
    const Wide whole = twice >= 0 ? (twice + 1) / 2 : -((-twice + 1) / 2);
    if (whole > std::numeric_limits<int64_t>::max()) return std::numeric_limits<int64_t>::max();
    if (whole < std::numeric_limits<int64_t>::min()) return std::numeric_limits<int64_t>::min();
    return static_cast<int64_t>(whole);
}

int32_t ToHostUnits(Fraction f) {
    if (f.den <= 0) return 0;
    const std::optional<Fraction> units = Multiply(f, 1024);
    const int64_t rounded = units ? Rounded(*units) : (f.num < 0 ? INT64_MIN : INT64_MAX);
    if (rounded > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (rounded < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(rounded);
}

std::optional<Fraction> ParseDecimal(std::string_view text) {
    while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsSpace(text.back())) text.remove_suffix(1);
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
    return MakeFraction(negative ? -num : num, den);
}

std::optional<std::string> FormatDecimal(Fraction value) {
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

}  // namespace qz::musicxml
