// Note names and note values as the simulator's score texts spell them.
//
// Pitches: a letter C..B, up to two accidentals ('#' or 'b'), an octave (C4 = MIDI 60, the
// octave belongs to the letter, so Cb4 = 59). Durations: "/1" to "/32" with up to two dots,
// quarter = 1024 units.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace hostsim::notation {

struct SpelledPitch {
    int key = 60;        // MIDI key number
    int accidental = 0;  // -2..2
};

// Reads a note name at text[*at]; on success advances *at past it. Keys outside 0..127 fail.
std::optional<SpelledPitch> ReadPitch(std::string_view text, std::size_t* at);
// The name of `key` in the given spelling, or with a sharp on a black key when the spelling
// does not fit the key. Keys outside 0..127 come out as "?<key>".
std::string PitchName(int key, int accidental);

// Reads "/den" with dots at text[*at], advancing *at.
std::optional<int32_t> ReadNoteValue(std::string_view text, std::size_t* at);
// "/4", "/2.", ... for a duration a note value spells, else "*<units>".
std::string DurationText(int32_t duration);

// Reads an optionally signed decimal of at most nine digits at text[*at], advancing *at.
std::optional<int32_t> ReadInteger(std::string_view text, std::size_t* at);

}  // namespace hostsim::notation
