// How the writer sees one measure of the original text, and how it writes a voice's new music.
//
// A measure is read as its timeline (measure_timeline.h). A voice's replaced span is the
// contiguous run of children from its first note or <forward> to its last; the other children
// inside that run (directions, harmony, attributes, comments...) are kept byte for byte and
// placed again at their original times.
// When a rewritten voice's span holds another voice's music, the measure is written as
// InterleavedPlan says instead.
//
// What a new <note> is made of:
//   from the source note (the rhythm): <type>, <dot>, <time-modification> on every note of a
//     chord; <beam>, <notations><tuplet>, and the source's slurs whose start and stop both fall
//     in the same rewritten voice of the measure, on the chord's first note; print-object="no"
//     of a hidden rest; measure="yes" of a whole-measure rest when the new rest fills the measure;
//   from the donor (the pitch): <pitch> or <unpitched>, <instrument>, <stem>, <notehead>; an
//     <accidental> where a reader of the measure needs one (accidentals.h), as the first
//     replaced note of that pitch or the donor showed it, else named from the alteration;
//   from the reader: <tie>/<tied> per pitch, the merged articulations (one of each kind) in
//     <notations><articulations>, and fermatas in <notations> (a rest takes only fermatas);
//     slur ends of replaced notes carried to keep a slur whole; the lyrics of replaced notes
//     at the same onset;
//   nothing else: other notations, positions and colours of the replaced notes go.
// Time the voice does not cover is filled with rests (a <forward> of the voice only where no
// note value can express it).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <pugixml.hpp>

#include "musicxml/write/accidentals.h"
#include "musicxml/read/measure_timeline.h"
#include "musicxml/write/splice.h"
#include "musicxml/write/voice_rewrite.h"

namespace qz::musicxml::writer {

// Whether `item` is part of the voice: its notes, and its forwards (a forward without <voice>
// counts as voice 1 only in a measure that names no voices at all).
bool BelongsToVoice(const MeasureTimeline& scan, const MeasureItem& item, int staff,
                    const std::string& voice);

// The first and last item of the voice's span; nothing when the voice has no item in the
// measure. Fails, saying why, when the span cannot be rewritten.
struct VoiceSpan {
    size_t first = 0;
    size_t last = 0;
};
Result<std::optional<VoiceSpan>> FindVoiceSpan(const MeasureTimeline& scan, int staff,
                                               const std::string& voice);

// Whether the span [first, last] of the voice holds notes or forwards of another voice: the
// voice is interleaved with it.
bool HoldsOtherVoices(const MeasureTimeline& scan, size_t first, size_t last, int staff,
                      const std::string& voice);

// One voice of a staff: (staff, <voice> text).
using VoiceId = std::pair<int, std::string>;

// A measure whose rewritten voices are interleaved with other voices (exported scores often
// alternate voices beat by beat). Within the region [first, last] the rewritten voices' notes
// and forwards go; the other voices' notes and forwards and every other element stay in file
// order with their bytes, and the backups and forwards between them are recomputed so that
// each keeps its time. The rewritten voices are then written one after another in place of the
// region's tail: its items after the last one that stays.
struct InterleavedPlan {
    std::vector<Edit> edits;          // items removed, moves recomputed (in the finer divisions)
    std::vector<ByteRange> consumed;  // bytes the plan removed or rewrote
    ByteRange tail;                   // replaced by the rewritten voices
    Fraction tailStart;               // the cursor before the tail, in quarters
    Fraction tailEnd;                 // the cursor the tail must leave, in quarters
};
// `divisions`: what the rewritten measure counts its values in.
Status PlanInterleaved(std::string_view text, const MeasureTimeline& scan, size_t first,
                       size_t last, const std::vector<VoiceId>& rewritten, int64_t divisions,
                       pugi::xml_node measure, InterleavedPlan* plan);

// How the replaced text is laid out: the line break, the indentation of the measure's children
// and the step of one level deeper, all taken from the file.
struct Layout {
    std::string newline;  // empty when the measure is written on one line
    std::string indent;
    std::string step;
    bool inlineChildren = false;  // each note on one line of its own, its children inline
};
Layout LayoutAt(std::string_view text, size_t childBegin, pugi::xml_node measure);

// Writes elements one per line at a depth below the measure's children.
class XmlOut {
public:
    XmlOut(std::string_view text, Layout layout, bool breakFirst)
        : text_(text), layout_(std::move(layout)), breakNext_(breakFirst) {}
    void Line(int depth, std::string_view markup);
    // The end tag of an element opened with Line at the same depth.
    void End(int depth, std::string_view markup);
    void Leaf(int depth, std::string_view name, std::string_view value);
    // The bytes of `node` as they stand in the original text (with `edits` applied inside
    // them), indented again for `depth`. False when the node cannot be located.
    bool Copy(int depth, pugi::xml_node node, const std::vector<Edit>& edits = {});
    const std::string& Text() const { return out_; }

private:
    void Break(int depth, bool closing = false);
    std::string_view text_;
    Layout layout_;
    bool breakNext_;
    std::string out_;
};

// What the notes of one rewritten voice are written from.
struct VoiceContext {
    std::string_view text;
    const VoiceRewrite* voice = nullptr;
    int64_t divisions = 1;       // the divisions the new notes are counted in
    bool writeVoice = true;      // write <voice> in notes and forwards
    bool writeStaff = false;     // write <staff> in notes and forwards
    std::vector<pugi::xml_node> originalNotes;  // the voice's notes replaced, in file order
    const MeasureAlterations* alterations = nullptr;  // what the staff's notes have altered
};

// Appends the <note> elements of one entry (a rest, a note, or a chord, one <note> per pitch)
// with `slurs` on its first note. Fails when the entry cannot be written exactly.
Status WriteEntry(const VoiceContext& context, const NewEntry& entry,
                  const std::vector<pugi::xml_node>& slurs, XmlOut* out);

// The failure of a voice that cannot be written exactly for no more particular reason.
inline Status CannotWriteExactly() {
    return Status::Error("the voice cannot be written exactly");
}

// Appends rests filling [from, to) (quarters from the measure's start), each of a value a note
// can show, aligned on its own length. False, writing nothing, when no short list of note
// values expresses that time (a tuplet's share).
bool WriteRests(const VoiceContext& context, Fraction from, Fraction to, XmlOut* out);

// The slurs each entry carries: the source figure's whose start and stop (matched by number)
// both belong to entries of this voice rewrite and whose number is not busy (a slur reaching
// outside would be left half open), with the entry's carried ends, stops first.
std::vector<std::vector<pugi::xml_node>> SlursToWrite(const VoiceRewrite& voice);

// A <forward> (with the voice's <voice>/<staff> when `ownVoice`) or, for a negative `units`,
// a <backup>.
void WriteMove(const VoiceContext& context, int64_t units, bool ownVoice, XmlOut* out);

}  // namespace qz::musicxml::writer
