// One measure of a part read as a timeline: its children in file order, each with the time it
// starts at and the cursor it leaves, in exact quarters. The model (score_reader.cc) and the
// writer (voice_writer*.cc) both read measures here, so that they cannot disagree on where
// anything is.
//
// How time runs in a measure:
//   - a note advances the cursor by its <duration> over the <divisions> in force; a grace note
//     takes no time; a note with <chord/> sounds with the entry before it and takes no time,
//     unless there is no entry to join (the measure's start, after a <backup> or <forward>, or
//     after a grace note): it is then a note of its own;
//   - a <backup> or <forward> moves the cursor; a <backup> past the measure's start stops there;
//   - a <divisions> holds from where it is stated; a missing <duration> counts as none.
// Some of these the reader accepts but the writer cannot rewrite faithfully: a <backup> past
// the start, <divisions> changing after the measure's first note, backup or forward, a note or
// move without a readable <duration>, a <staff> of a <forward> that is no staff number. The
// timeline names the first of them in `unwritable`, and the writer leaves such a measure alone.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <pugixml.hpp>

#include "musicxml/rational.h"
#include "musicxml/status.h"

namespace qz::musicxml {

// The file may state up to this many divisions per quarter: positions stay exact far beyond.
inline constexpr int64_t kMaxReadDivisions = 1 << 30;

enum class ItemKind { kNote, kBackup, kForward, kKept };

struct MeasureItem {
    pugi::xml_node node;
    ItemKind kind = ItemKind::kKept;
    Fraction onset;        // notes: where they sound; others: the cursor before them
    Fraction cursorAfter;  // the cursor after the item
    Fraction duration;     // notes: their <duration> in quarters (none for a grace note)
    std::string voice;     // notes and forwards: the <voice> text trimmed, "1" when absent or empty
    int staff = 1;         // notes and forwards: <staff>, 1 when absent
    bool hasVoice = false; // notes and forwards: a <voice> element is present
    bool grace = false;
    bool cue = false;
    bool joinsChord = false;  // a <chord/> note sounding with the entry before it
};

struct MeasureTimeline {
    std::vector<MeasureItem> items;  // element, comment and processing-instruction children
    int64_t divisions = 1;        // in force at the first note, backup or forward (else at the end)
    int64_t divisionsAtEnd = 1;   // in force after the measure, for the next one
    bool namesVoices = false;     // some note or forward of the measure has a <voice>
    bool namesStaves = false;     // some note or forward of the measure has a <staff>
    bool endsWithDivisions = false;  // <divisions> stated after the last note, backup, forward
    std::string unwritable;       // why the writer cannot rewrite the measure; empty when it can
};

// Reads `measure`, whose part has `divisions` in force at its start. A failure (a <divisions>,
// <duration> or move the timeline cannot hold) is placed in `text`, the document the measure was
// parsed from (empty when only the message matters).
Result<MeasureTimeline> ReadTimeline(std::string_view text, pugi::xml_node measure,
                                     int64_t divisions);

}  // namespace qz::musicxml
