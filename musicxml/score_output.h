// Writing the rewritten score: the text encoded as the input was (encoding and byte-order mark
// kept), into a plain file or, for an .mxl input, into a copy of the archive whose root document
// is replaced and whose other members are copied unchanged. Always through a temporary file in
// the target's folder, renamed over the target only when complete.
#pragma once

#include <string>

#include "musicxml/score_file.h"

namespace qz::musicxml {

// False with `error` when the text cannot be encoded as the input was or the file cannot be
// written; the target is then left as it was.
bool WriteScoreOutput(const ScoreContainer& input, const std::string& utf8Text,
                      const std::string& path, std::string* error);

}  // namespace qz::musicxml
