// How the writer sees one measure of the original text, and how it writes a voice's new music.
//
// A measure is read as the list of its children with the time cursor before and after each
// (in division units, exact). A voice's replaced span is the contiguous run of children from its
// first note or <forward> to its last; the other children inside that run (directions, harmony,
// attributes, comments...) are kept byte for byte and placed again at their original times.
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

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <pugixml.hpp>

#include "musicxml/accidentals.h"
#include "musicxml/splice.h"
#include "musicxml/voice_rewrite.h"

namespace qz::musicxml::writer {

enum class ItemKind { kNote, kBackup, kForward, kKept };

struct MeasureItem {
    pugi::xml_node node;
    ItemKind kind = ItemKind::kKept;
    Fraction onset;        // notes: where they sound; others: the cursor before them
    Fraction cursorAfter;  // the cursor after the item
    std::string voice;     // notes and forwards: the <voice> text, "1" when absent
    int staff = 1;         // notes and forwards: <staff>, 1 when absent
    bool hasVoice = false; // notes and forwards: a <voice> element is present
    bool grace = false;
    bool cue = false;
};

struct MeasureScan {
    std::vector<MeasureItem> items;  // element, comment and processing-instruction children
    bool namesVoices = false;        // some note or forward of the measure has a <voice>
    bool namesStaves = false;        // some note or forward of the measure has a <staff>
    bool endsWithDivisions = false;  // <divisions> stated after the last note, backup, forward
};

// Reads the children of `measure`. False with a message when a duration cannot be read, a
// backup goes before the measure's start, or <divisions> change between two of the measure's
// notes (a change after the last one, as this writer leaves for the next measure, is fine).
bool ScanMeasure(pugi::xml_node measure, MeasureScan* scan, std::string* problem);

// Whether `item` is part of the voice: its notes, and its forwards (a forward without <voice>
// counts as voice 1 only in a measure that names no voices at all).
bool BelongsToVoice(const MeasureScan& scan, const MeasureItem& item, int staff,
                    const std::string& voice);

// The first and last item of the voice's span; false when the voice has no item in the
// measure. `problem` says why the span cannot be rewritten (empty when it can).
bool FindVoiceSpan(const MeasureScan& scan, int staff, const std::string& voice, size_t* first,
                   size_t* last, std::string* problem);

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
// with `slurs` on its first note. False with a message when the entry cannot be written exactly.
bool WriteEntry(const VoiceContext& context, const NewEntry& entry,
                const std::vector<pugi::xml_node>& slurs, XmlOut* out, std::string* error);

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
