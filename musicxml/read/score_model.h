// The score as the tool sees it: staff slots, ordinal measures, layers and entries, each entry
// and note keeping the element of the parsed document it came from.
//
// Mapping rules (README, "How motifgraft reads a score"):
//   - every staff of every part, in score order, is one staff slot (1-based);
//   - measures are ordinal, 1..n in file order; a measure lasts its time signature (4/4 while
//     none is in force), or, when every voice of the part is shorter (a pickup, a shortened last
//     measure), as long as its longest voice (<forward> counts);
//   - on each staff the distinct <voice> values of the notes placed on it (over the whole score,
//     numerically sorted; no <voice> is "1") are layers 1..4; later voices are unmapped;
//   - an entry is a note, a chord or a rest, positioned from <duration>, <backup> and <forward>
//     in exact quarters and in host units (a quarter = 1024, rounded to the nearest unit).
// Cases decided here:
//   - no time signature in force, <senza-misura/> or an unreadable <time>: 4/4;
//   - multi-measure rests and implicit measures: ordinal measures as the file lists them;
//   - a rest marked <chord/> adds nothing (the chord's time stands, no entry, no note);
//   - <unpitched>: its display step and octave compare as its pitch; the element travels whole;
//   - a note without <staff> in a part of several staves is on staff 1;
//   - grace notes are no entries (they only mark their voice for refusal); cue notes are
//     entries (they take time) and mark their voice too;
//   - a staff without any note has no layer, so no report row; a layer without entries in a
//     repeat is reported "empty".
// The model holds pugi::xml_node handles into a document the caller keeps alive.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include <pugixml.hpp>

#include "musicxml/read/score_parse.h"
#include "musicxml/status.h"
#include "musicxml/write/voice_rewrite.h"

namespace qz::musicxml {

inline constexpr int kMaxLayers = 4;
inline constexpr int kMaxChordNotes = 12;

struct ModelNote {
    pugi::xml_node element;  // the <note>
    std::string pitch;       // "C#4", "unpitched E4" or "" for a rest: equality of pitches
    int midi = 60;           // the sounding key, for printing only
    bool tieStart = false;   // a <tie type="start"> on this note
    bool tieStop = false;    // a <tie type="stop"> on this note
};

struct ModelEntry {
    Fraction onset;            // from the start of the measure
    Fraction duration;
    int32_t position = 0;      // onset in host units
    int32_t hostDuration = 0;  // end minus onset in host units, both rounded
    std::vector<int> notes;    // indexes into Score::notes; empty for a rest
    pugi::xml_node first;      // the first <note> of the entry
    std::vector<pugi::xml_node> articulations;  // children of <articulations>, and <fermata>s
    bool TiedForward(const std::vector<ModelNote>& all) const;
};

// What one voice holds in one measure on one staff (the unit of rewriting).
struct VoiceMeasure {
    std::vector<int> entries;  // indexes into Score::entries, in onset order
    bool grace = false;        // grace notes among the voice's notes
    bool cue = false;          // cue notes
    bool bigChord = false;     // a chord of more than twelve notes
    bool crossStaff = false;   // the voice has notes on two staves of the part in this measure
};

// What the writer would refuse in one measure of a part, decided from the timeline the model
// was read from, so that choosing the stretches to keep away from the engine reads no measure
// again.
struct WriterRefusals {
    struct Voice {
        int staff = 1;
        std::string voice;
        std::string why;  // empty when the writer can rewrite it
    };
    std::string insert;         // for a voice with nothing in the measure; empty when it can
    std::vector<Voice> voices;  // every staff of the part for each voice the measure has
    const std::string& For(int staff, const std::string& voice) const;
};

struct ModelPart {
    std::string id;
    std::string name;
    pugi::xml_node element;                 // <part>
    std::vector<pugi::xml_node> measures;   // <measure>s in file order
    std::vector<int64_t> divisions;         // in force as each measure begins, before it states any
    std::vector<Fraction> lengths;          // each measure's length
    // Per measure, per staff: the <key> in force from the measure's start (none: no node).
    std::vector<std::vector<pugi::xml_node>> keys;
    std::vector<WriterRefusals> refusals;  // per measure
    int staves = 1;
    int firstSlot = 1;
};

struct ModelSlot {
    int part = 0;                        // index into Score::parts
    int staff = 1;                       // staff within the part
    std::vector<std::string> layers;     // voices of layers 1..4, in order
    std::vector<std::string> unmapped;   // fifth and later voices
    int LayerOf(const std::string& voice) const;  // 1..4, or 0 when not a layer
};

struct Score {
    std::vector<ModelPart> parts;
    std::vector<ModelSlot> slots;  // slot n is slots[n - 1]
    int measureCount = 0;
    std::vector<ModelEntry> entries;
    std::vector<ModelNote> notes;
    // (slot, measure, voice) -> the voice's music there.
    std::map<std::tuple<int, int, std::string>, VoiceMeasure> voices;

    const VoiceMeasure* Voice(int slot, int measure, const std::string& voice) const;
    Fraction MeasureLength(int slot, int measure) const;  // 4/4 outside the part's measures
};

// Builds the model of a parsed score-partwise document. Fails, at the element concerned, on a
// score the model cannot hold (no parts, a <staff> or <divisions> out of range, a value that
// overflows).
Status BuildScore(const ParsedScore& parsed, Score* score);

}  // namespace qz::musicxml
