// The report of one apply: per destination staff x layer x repeat, rewritten or skipped and
// why, with the counts of dropped ties and of moved and dropped lyrics. Data first (JSON), text second (--explain).
//
// A skipped repeat's reason is the tool's refusal when it made one, the writer's when it could
// not write what the engine rewrote, and otherwise the engine's own: "empty", a destination
// measure shorter than the source measure laid over it, an attack the source lacks.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "musicxml/bridge/readback.h"
#include "musicxml/bridge/repeat_observer.h"
#include "musicxml/read/score_model.h"
#include "musicxml/read/selection.h"

namespace qz::musicxml {

struct ReportRow {
    int slot = 0;
    std::string part;
    int staff = 1;
    int layer = 1;
    int firstMeasure = 0;
    int lastMeasure = 0;
    bool rewritten = false;
    std::string reason;  // empty when rewritten
};

struct UnmappedVoice {
    int slot = 0;
    std::string voice;
};

struct Report {
    std::vector<ReportRow> rows;
    std::vector<UnmappedVoice> unmapped;  // fifth and later voices of destination staves
    int tiesDropped = 0;
    int lyricsMoved = 0;
    int lyricsDropped = 0;
};

// `unwritable`: plan rows the engine rewrote but the writer could not write, with the reason.
Report BuildReport(const Score& score, const std::vector<Selection>& destination,
                   const std::vector<EngineRepeat>& plan, const ReadBackResult& readBack,
                   const std::map<std::size_t, std::string>& unwritable = {});

// The engine's reason for leaving a repeat as it was, in words.
std::string EngineReason(const Score& score, const EngineRepeat& row);

// "1", "2.5", "1.333": a beat (counted in quarter notes from 1) for people.
std::string BeatText(Fraction onset);

std::string ExplainText(const Report& report);
// {"repeats": [...], "ties_dropped": N, "lyrics_moved": N, "lyrics_dropped": N,
//  "unmapped_voices": [...]}
std::string ReportJson(const Report& report);

}  // namespace qz::musicxml
