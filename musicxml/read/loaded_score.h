// A score read from a file all the way to its model: the container (plain or .mxl), the decoded
// and parsed text, and the staff/measure/layer model over it.
#pragma once

#include <string>

#include "musicxml/read/score_file.h"
#include "musicxml/read/score_model.h"
#include "musicxml/read/score_parse.h"

namespace qz::musicxml {

struct LoadedScore {
    ScoreContainer container;
    ParsedScore parsed;
    Score model;

    // Lets go of the parsed tree and the model, keeping the container and the text: all that
    // splicing planned edits into the text needs. The model is empty afterwards.
    void ReleaseTree();
};

// Reads, decodes, parses and models `path`. A failure is printed as Status::Where(path):
// "FILE:LINE:COL: message" when a place in the text is known, "FILE: message" otherwise.
// `out` must not be moved afterwards (the model points into the parsed document).
Status LoadScore(const std::string& path, LoadedScore* out);
// The same from bytes in memory (fuzzing, tests).
Status LoadScoreBytes(const std::string& path, std::string bytes, LoadedScore* out);

}  // namespace qz::musicxml
