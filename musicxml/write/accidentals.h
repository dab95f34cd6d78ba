// Which new notes of a rewritten measure show an accidental: those whose alteration differs
// from what a reader of the measure holds for that staff line or space at that moment, that is
// the alteration of the latest earlier note there in any voice of the staff, or else the key
// signature. A note tied from an earlier one shows none and sets nothing: its accidental was
// read where the tie began, and is restated after a barline (a note re-struck at the start of
// a measure, its tie into it broken, shows its accidental again).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include <pugixml.hpp>

#include "musicxml/write/voice_rewrite.h"

namespace qz::musicxml {

class MeasureAlterations {
public:
    // `key`: the <key> in force from the measure's start (none: C major).
    explicit MeasureAlterations(pugi::xml_node key);

    // A note sounding `pitch` (a <pitch> element) from `onset` (quarters) on this staff.
    void Heard(Fraction onset, pugi::xml_node pitch);

    // Whether a note of `pitch` struck at `onset` must show its accidental.
    bool NeedsAccidental(Fraction onset, pugi::xml_node pitch) const;

    // The <accidental> text for an alteration ("sharp", "flat-flat", ...); "" when MusicXML
    // has no name for it.
    static std::string Name(Fraction alter);

private:
    // The line or space a note sits on: its step and octave as the file spells them (views
    // into the parsed document, which outlives the measure's writing).
    struct Place {
        std::string_view step;
        std::string_view octave;
        bool operator==(const Place&) const = default;
    };
    struct Sounded {
        Fraction onset;
        Place place;
        Fraction alter;
    };
    struct Spelling;
    static Spelling SpellingOf(pugi::xml_node pitch);
    Fraction InForce(Fraction onset, const Place& place) const;

    std::vector<std::pair<char, Fraction>> key_;  // step -> alteration of the key signature
    std::vector<Sounded> heard_;
};

// The alteration a <pitch> sounds (0 when it has no readable <alter>).
Fraction AlterOf(pugi::xml_node pitch);

}  // namespace qz::musicxml
