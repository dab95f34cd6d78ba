#include "musicxml/write/accidentals.h"

#include <cstring>
#include <optional>

#include "musicxml/write/divisions.h"
#include "musicxml/xml_values.h"

namespace qz::musicxml {
namespace {

constexpr const char* kSharpOrder = "FCGDAEB";
constexpr int64_t kMaxFifths = 21;  // triple sharps or flats: past that no key is written

// The alterations of one <key>: a traditional key by its fifths, or the steps it lists. Past
// seven sharps or flats the order starts again, one alteration higher (eight sharps: F double
// sharp), as theoretical keys are written.
std::vector<std::pair<char, Fraction>> KeyAlterations(pugi::xml_node key) {
    std::vector<std::pair<char, Fraction>> steps;
    int64_t fifths = 0;
    if (key.child("fifths")) {
        if (!ParseInt(key.child_value("fifths"), -kMaxFifths, kMaxFifths, &fifths)) return steps;
        const int64_t count = fifths < 0 ? -fifths : fifths;
        for (int64_t i = 0; i < 7 && i < count; ++i) {
            const int64_t times = (count - 1 - i) / 7 + 1;  // how often the order reaches it
            steps.push_back({kSharpOrder[fifths > 0 ? i : 6 - i],
                             Fraction{fifths > 0 ? times : -times, 1}});
        }
        return steps;
    }
    for (pugi::xml_node step = key.child("key-step"); step; step = step.next_sibling("key-step")) {
        const std::string name = Trimmed(step.child_value());
        const std::optional<Fraction> alter =
            ParseDecimal(step.next_sibling("key-alter").child_value());
        if (name.size() == 1 && alter) steps.push_back({name[0], *alter});
    }
    return steps;
}

}  // namespace

// What the rules read of a <pitch>: the line or space it sits on, and its alteration.
struct MeasureAlterations::Spelling {
    Place place;
    Fraction alter;
};

MeasureAlterations::Spelling MeasureAlterations::SpellingOf(pugi::xml_node pitch) {
    static constexpr std::array<const char*, 3> kNames = {"step", "octave", "alter"};
    const auto [step, octave, alter] = FirstChildren(pitch, kNames);
    return {{TrimmedView(step.child_value()), TrimmedView(octave.child_value())},
            ParseDecimal(alter.child_value()).value_or(Fraction{})};
}

Fraction AlterOf(pugi::xml_node pitch) {
    return ParseDecimal(pitch.child_value("alter")).value_or(Fraction{});
}

MeasureAlterations::MeasureAlterations(pugi::xml_node key) : key_(KeyAlterations(key)) {}

void MeasureAlterations::Heard(Fraction onset, pugi::xml_node pitch) {
    if (!pitch) return;
    const Spelling spelling = SpellingOf(pitch);
    heard_.push_back({onset, spelling.place, spelling.alter});
}

Fraction MeasureAlterations::InForce(Fraction onset, const Place& place) const {
    const Sounded* latest = nullptr;
    for (const Sounded& s : heard_)
        if (s.place == place && Compare(s.onset, onset) < 0 &&
            (latest == nullptr || Compare(s.onset, latest->onset) >= 0))
            latest = &s;
    if (latest != nullptr) return latest->alter;
    const char step = place.step.size() == 1 ? place.step[0] : '?';
    for (const auto& [keyStep, alter] : key_)
        if (keyStep == step) return alter;
    return Fraction{};
}

bool MeasureAlterations::NeedsAccidental(Fraction onset, pugi::xml_node pitch) const {
    if (!pitch) return false;
    const Spelling spelling = SpellingOf(pitch);
    return InForce(onset, spelling.place) != spelling.alter;
}

std::string MeasureAlterations::Name(Fraction alter) {
    struct Spelling {
        Fraction alter;
        const char* name;
    };
    static const Spelling kNames[] = {
        {{0, 1}, "natural"},       {{1, 1}, "sharp"},          {{-1, 1}, "flat"},
        {{2, 1}, "double-sharp"},  {{-2, 1}, "flat-flat"},     {{1, 2}, "quarter-sharp"},
        {{-1, 2}, "quarter-flat"}, {{3, 2}, "three-quarters-sharp"},
        {{-3, 2}, "three-quarters-flat"}};
    for (const Spelling& n : kNames)
        if (n.alter == alter) return n.name;
    return "";
}

}  // namespace qz::musicxml
