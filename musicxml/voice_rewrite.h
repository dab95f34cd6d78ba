#pragma once
// The writer's view of one rewritten voice: what the reader decided the new music is, expressed
// with references into the parsed destination document, and the calls that turn it into byte
// edits of the original text.
#include <cstdint>
#include <string>
#include <vector>

#include <pugixml.hpp>

namespace qz::musicxml {

// An exact time, in quarter notes (num/den, den > 0, reduced).
struct Fraction {
    int64_t num = 0;
    int64_t den = 1;
};

// One pitch of a rewritten note: taken from a donor <note> of the destination.
struct NewPitch {
    pugi::xml_node donor;   // the destination <note> whose <pitch>/<unpitched> is taken
    bool tieStart = false;  // write <tie type="start"/> + <tied type="start"/>
    bool tieStop = false;   // write <tie type="stop"/> + <tied type="stop"/>
};

// One rewritten entry (a note, a chord or a rest) of one voice of one measure. The voice's
// time not covered by entries is filled with rests.
struct NewEntry {
    Fraction onset;             // from the start of the measure, exact
    Fraction duration;          // exact
    pugi::xml_node rhythmFrom;  // the SOURCE <note> (first of its chord) whose <type>, <dot>,
                                // <time-modification>, <notations><tuplet>, <beam> are copied
    std::vector<NewPitch> pitches;              // empty: a rest
    std::vector<pugi::xml_node> articulations;  // elements to copy verbatim into
                                // <notations><articulations> (children of <articulations>) or
                                // <notations> (a <fermata>), merged, no duplicate kind, in order;
                                // a rest keeps only the fermatas
    std::vector<pugi::xml_node> lyrics;  // <lyric>s of replaced notes at this onset, moved here
    std::vector<pugi::xml_node> carriedSlurs;  // <slur> ends of replaced notes whose other end
                                // stays in music left as it was: moved here to keep both ends
};

// The new music of one voice of one staff in one measure; `entries` lie in [0, length) in onset
// order; the writer fills the gaps with rests.
struct VoiceRewrite {
    pugi::xml_node part;     // <part>
    pugi::xml_node measure;  // <measure>
    int staff = 1;           // <staff> within the part (1 when the part has one staff)
    std::string voice;       // the <voice> text as the file spells it ("1" when absent)
    int64_t divisions = 1;   // <divisions> in force at the start of this measure
    pugi::xml_node key;      // the <key> in force for the staff from the measure's start, if any
    Fraction length;         // the measure's length as the model sees it
    std::vector<NewEntry> entries;
    // Slur numbers in use across this measure in the voice (a slur passing over it, or one of
    // the carried ends): the source's slurs with these numbers are not carried, since they
    // would close the wrong slur.
    std::vector<std::string> busySlurNumbers;
};

// One replacement of bytes of the decoded (UTF-8) document text.
struct Edit {
    std::size_t begin = 0;
    std::size_t end = 0;
    std::string text;
};

// The number of a <slur> (its `number`, "1" when absent): a stop closes the start of its number.
std::string SlurNumber(pugi::xml_node slur);

// Whether the writer can rewrite this voice of this measure faithfully; asked BEFORE running
// CREATE so the stretch can be refused (with `reason` in the report) when not.
bool CanRewriteVoice(pugi::xml_node part, pugi::xml_node measure, int staff,
                     const std::string& voice, std::string* reason);

// The edits for all rewritten voices of one measure (several voices/staves of one part may be
// rewritten in the same measure; a divisions change then covers them all). Offsets refer to the
// decoded UTF-8 text that was parsed (pugixml offset_debug()).
std::vector<Edit> RewriteMeasure(const std::string& text, const std::vector<VoiceRewrite>& voices);

// The same, saying when the measure cannot be written exactly (a value beyond the divisions the
// writer accepts, a donor without a pitch, entries that overlap, a layout CanRewriteVoice would
// refuse): false, no edits, and the reason in `error`; the measure must then stay as it was.
// RewriteMeasure answers no edits in that case.
bool RewriteMeasureChecked(const std::string& text, const std::vector<VoiceRewrite>& voices,
                           std::vector<Edit>* edits, std::string* error);

}  // namespace qz::musicxml
