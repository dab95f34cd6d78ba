// The invariants every `motifgraft apply` result must keep, checked from the input bytes, the
// output bytes and what the tool printed (`show --json`, the JSON report). Every check is made
// with the corpus tests' own reading of the score (invariant_score.h), never with the tool's.
#pragma once

#include <string>
#include <vector>

#include "corpus_json.h"
#include "invariant_score.h"

namespace qz::corpus {

// One staff slot as `show --json` lists it.
struct StaffInfo {
    int slot = 0;
    std::string part;
    int staff = 1;
    std::vector<std::string> voices;  // in layer order
};

struct ShowInfo {
    int measures = 0;
    std::vector<StaffInfo> staves;
};

// One row of the JSON report: one destination staff x layer x repeat.
struct ReportRow {
    int slot = 0;
    std::string part;
    int staff = 1;
    int layer = 1;
    int first = 0;
    int last = 0;
    bool rewritten = false;
    std::string reason;
};

struct Report {
    std::vector<ReportRow> rows;
    int tiesDropped = 0;
    int lyricsDropped = 0;
    int Rewritten() const;
};

// A selection of measures first..last on the staff slots `slots`.
struct Selection {
    std::vector<int> slots;
    int first = 0;
    int last = 0;
};

bool ReadShow(const Json& json, ShowInfo* show, std::string* error);
bool ReadReport(const Json& json, Report* report, std::string* error);

// Checks an apply result of the plain MusicXML text `input` (bytes as in the file) against
// `output`. Returns the failures found, each a line of text; empty when all invariants hold:
//  - the output is well-formed, in the input's encoding and byte-order mark;
//  - outside the measures of the rows reported rewritten, every byte is as it was;
//  - every report row lies in the destination, one per staff x layer x repeat;
//  - each rewritten voice carries the source's rhythm (rests included), fills its measure, and
//    each of its notes sounds the destination chord sounding at its onset in the input;
//  - each rewritten entry's articulations are the merge of its two donors', no kind twice (a
//    rest keeps only fermatas);
//  - the other voices of a rewritten measure sound exactly as before.
std::vector<std::string> CheckApply(const std::string& input, const std::string& output,
                                    const ShowInfo& show, const Selection& source,
                                    const Selection& dest, const Report& report);

}  // namespace qz::corpus
