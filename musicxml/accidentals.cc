#include "musicxml/accidentals.h"

#include <cstring>
#include <optional>

#include "musicxml/divisions.h"
#include "musicxml/xml_values.h"

namespace qz::musicxml {
namespace {

constexpr const char* kSharpOrder = "FCGDAEB";

std::string PlaceOf(pugi::xml_node pitch) {
    return Trimmed(pitch.child_value("step")) + Trimmed(pitch.child_value("octave"));
}

char StepOf(pugi::xml_node pitch) {
    const std::string step = Trimmed(pitch.child_value("step"));
    return step.size() == 1 ? step[0] : '?';
}

// The alterations of one <key>: a traditional key by its fifths, or the steps it lists.
std::vector<std::pair<char, Fraction>> KeyAlterations(pugi::xml_node key) {
    std::vector<std::pair<char, Fraction>> steps;
    int64_t fifths = 0;
    if (key.child("fifths")) {
        if (!ParseInt(key.child_value("fifths"), -7, 7, &fifths)) return steps;
        for (int64_t i = 0; i < (fifths < 0 ? -fifths : fifths); ++i)
            steps.push_back(fifths > 0 ? std::make_pair(kSharpOrder[i], Fraction{1, 1})
                                       : std::make_pair(kSharpOrder[6 - i], Fraction{-1, 1}));
        return steps;
    }
    for (pugi::xml_node step = key.child("key-step"); step; step = step.next_sibling("key-step")) {
        const std::string name = Trimmed(step.child_value());
        const std::optional<Fraction> alter =
            divisions::ParseValue(step.next_sibling("key-alter").child_value());
        if (name.size() == 1 && alter) steps.push_back({name[0], *alter});
    }
    return steps;
}

}  // namespace

Fraction AlterOf(pugi::xml_node pitch) {
    return divisions::ParseValue(pitch.child_value("alter")).value_or(Fraction{});
}

MeasureAlterations::MeasureAlterations(pugi::xml_node key) : key_(KeyAlterations(key)) {}

void MeasureAlterations::Heard(Fraction onset, pugi::xml_node pitch) {
    if (pitch) heard_.push_back({onset, PlaceOf(pitch), AlterOf(pitch)});
}

Fraction MeasureAlterations::InForce(Fraction onset, const std::string& place, char step) const {
    const Sounded* latest = nullptr;
    for (const Sounded& s : heard_)
        if (s.place == place && divisions::Order(s.onset, onset) < 0 &&
            (latest == nullptr || divisions::Order(s.onset, latest->onset) >= 0))
            latest = &s;
    if (latest != nullptr) return latest->alter;
    for (const auto& [keyStep, alter] : key_)
        if (keyStep == step) return alter;
    return Fraction{};
}

bool MeasureAlterations::NeedsAccidental(Fraction onset, pugi::xml_node pitch) const {
    return pitch && !divisions::Same(InForce(onset, PlaceOf(pitch), StepOf(pitch)), AlterOf(pitch));
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
        if (divisions::Same(n.alter, alter)) return n.name;
    return "";
}

}  // namespace qz::musicxml
