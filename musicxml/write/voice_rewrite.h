#pragma once
// The writer's view of one rewritten voice: what the reader decided the new music is, expressed
// with references into the parsed destination document, and the calls that turn it into byte
// edits of the original text.
#include <cstdint>
#include <string>
#include <vector>

#include <pugixml.hpp>

#include "musicxml/rational.h"
#include "musicxml/read/measure_timeline.h"
#include "musicxml/status.h"

namespace qz::musicxml {

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
    int64_t divisions = 1;   // <divisions> in force as the measure begins, before it states any
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

// Whether the writer can rewrite this voice of a measure already read (ReadTimeline) faithfully;
// decided when the score is read, so that a stretch can be refused before CREATE runs, with the
// failure's message in the report.
Status CanRewriteVoice(const MeasureTimeline& scan, int staff, const std::string& voice);
// Whether new music can be written into a measure already read for a voice with nothing in it.
Status CanInsertVoice(const MeasureTimeline& scan);

// The edits for all rewritten voices of one measure (several voices/staves of one part may be
// rewritten in the same measure; a divisions change then covers them all). Offsets refer to the
// decoded UTF-8 text that was parsed (pugixml offset_debug()). Fails, with the reason, when the
// measure cannot be written exactly (a value beyond the divisions the writer accepts, a donor
// without a pitch, entries that overlap, a layout CanRewriteVoice would refuse); the measure must
// then stay as it was.
Result<std::vector<Edit>> RewriteMeasure(std::string_view text,
                                         const std::vector<VoiceRewrite>& voices);

}  // namespace qz::musicxml
