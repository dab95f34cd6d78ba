// The corpus tests' own reading of a MusicXML score: what each voice of each staff sounds in
// each measure, in exact fractions of a quarter note, and where each <measure> lies in the text.
// Written independently of the tool (pugixml only) so that it can judge the tool's output.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace qz::corpus {

// An exact number of quarter notes, always reduced with a positive denominator.
struct Rational {
    int64_t num = 0;
    int64_t den = 1;
};
Rational MakeRational(int64_t num, int64_t den);
Rational operator+(Rational a, Rational b);
Rational operator-(Rational a, Rational b);
bool operator==(Rational a, Rational b);
bool operator<(Rational a, Rational b);
inline bool operator!=(Rational a, Rational b) { return !(a == b); }
inline bool operator<=(Rational a, Rational b) { return !(b < a); }
std::string ToString(Rational r);

// What one <note> of an entry shows a reader: its place on the staff, its alteration, the
// accidental printed and its ties.
struct NoteMark {
    std::string pitch;       // as in Entry::pitches
    std::string place;       // step and octave ("F4"); empty for an unpitched note
    int alter = 0;           // the written alteration in semitones
    bool microtone = false;  // an <alter> that is not a whole number of semitones
    std::string accidental;  // the <accidental> text, empty when none is shown
    bool tieStart = false;   // <tie type="start"> or <tied type="start">
    bool tieStop = false;
};

// A <slur> of an entry: its type ("start", "stop", "continue") and number ("1" when absent).
struct SlurMark {
    std::string type;
    std::string number;
};

// One note, chord or rest of a voice (grace notes are entries too, flagged, without duration).
struct Entry {
    Rational onset;
    Rational duration;
    bool rest = false;
    bool grace = false;
    std::vector<std::string> pitches;    // "C#4", "Bb3", "u:E4" (unpitched), sorted
    std::vector<std::string> kinds;      // articulation element names over the chord, "fermata"
    std::vector<std::string> noteKinds;  // the same per note, joined with ',' (duplicate test)
    std::vector<NoteMark> notes;         // per <note>, in file order (none for a rest)
    std::vector<SlurMark> slurs;         // over the chord's notes, in file order
    std::vector<std::string> articulations;  // children of <articulations> (no fermata)
};

// A <forward> counted in a voice: it carries the voice, or it follows the voice's note directly.
struct Gap {
    Rational onset;
    Rational duration;
};

// (staff within the part, <voice> text): one voice of one staff.
using VoiceKey = std::pair<int, std::string>;

struct MeasureContent {
    std::size_t begin = 0;  // byte range of the <measure> element in the decoded text
    std::size_t end = 0;
    Rational timeLength;    // the time signature's length; 0 when none is in force
    Rational extent;        // the furthest point any voice reached
    int fifths = 0;         // the key signature in force at the measure's first note
    bool keyKnown = true;   // false for a key given by steps rather than fifths
    std::map<VoiceKey, std::vector<Entry>> voices;
    std::map<VoiceKey, std::vector<Gap>> gaps;
};

struct PartContent {
    std::string id;
    std::vector<MeasureContent> measures;
};

struct ScoreContent {
    std::vector<PartContent> parts;
    int PartIndex(const std::string& id) const;
};

// The measure's length as a reader of the score takes it: its time signature's, except that a
// measure in which every voice stops earlier lasts as long as its longest voice.
Rational ModelLength(const MeasureContent& measure);

// Decodes a MusicXML file's bytes (UTF-8 with or without BOM, UTF-16 LE or BE) to UTF-8
// without BOM; `encoding` names what was found ("UTF-8", "UTF-8 BOM", "UTF-16LE", ...).
bool DecodeText(const std::string& bytes, std::string* utf8, std::string* encoding);

// Reads a partwise score from decoded text. False with `error` ("line:col: ...") when the text
// is not well-formed or not a partwise score.
bool ReadScore(const std::string& utf8, ScoreContent* score, std::string* error);

}  // namespace qz::corpus
