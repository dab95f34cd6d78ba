#include "musicxml/fraction_math.h"

#include <limits>
#include <numeric>

namespace qz::musicxml {
namespace {

constexpr int64_t kLimit = std::numeric_limits<int64_t>::max() / 4;

__extension__ typedef __int128 Wide;

bool Fits(Wide v) { return v <= kLimit && v >= -kLimit; }

std::optional<Fraction> Reduce(Wide num, Wide den) {
    if (den == 0) return std::nullopt;
    if (den < 0) { num = -num; den = -den; }
    Wide a = num < 0 ? -num : num, b = den;
    while (b != 0) { Wide t = a % b; a = b; b = t; }
    if (a > 1) { num /= a; den /= a; }
    if (!Fits(num) || !Fits(den)) return std::nullopt;
    return Fraction{static_cast<int64_t>(num), static_cast<int64_t>(den)};
}

}  // namespace

std::optional<Fraction> MakeFraction(int64_t num, int64_t den) { return Reduce(num, den); }

std::optional<Fraction> Add(Fraction a, Fraction b) {
    return Reduce(static_cast<Wide>(a.num) * b.den + static_cast<Wide>(b.num) * a.den,
                  static_cast<Wide>(a.den) * b.den);
}

std::optional<Fraction> Subtract(Fraction a, Fraction b) {
    return Add(a, Fraction{-b.num, b.den});
}

int Compare(Fraction a, Fraction b) {
    Wide l = static_cast<Wide>(a.num) * b.den;
    Wide r = static_cast<Wide>(b.num) * a.den;
    return l < r ? -1 : (l > r ? 1 : 0);
}

int32_t ToHostUnits(Fraction f) {
    if (f.den <= 0) return 0;
    Wide scaled = static_cast<Wide>(f.num) * 1024 * 2;
    Wide twice = scaled / f.den;  // twice the value, truncated toward zero
    Wide units = twice >= 0 ? (twice + 1) / 2 : -((-twice + 1) / 2);
    if (units > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (units < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(units);
}

}  // namespace qz::musicxml
