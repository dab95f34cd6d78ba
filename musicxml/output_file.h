// Writing the result: always through a temporary file in the target's folder, renamed over the
// target only when every byte is on disk, so that a failure leaves no partial file and the
// target (the input itself, when the user names it) either keeps its old bytes or has the new.
#pragma once

#include <string>
#include <string_view>

#include "musicxml/score_file.h"

namespace qz::musicxml {

// Writes `bytes` to `path` atomically. An existing file keeps its permission bits; a new one
// gets the ordinary ones (0666 less the umask). False, with a message naming `path`, when the
// folder cannot be written, the disk fills, or the rename fails; then nothing at `path` changed
// and the temporary file is gone.
bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string* error);

// The bytes of the rewritten score: `utf8Text` encoded back as the input was (encoding and
// byte-order mark), placed into a copy of the input archive when the input was an .mxl.
bool ScoreBytes(const ScoreContainer& input, std::string_view utf8Text, std::string* bytes,
                std::string* error);

// ScoreBytes written to `path` with WriteFileAtomically.
bool WriteScore(const ScoreContainer& input, std::string_view utf8Text, const std::string& path,
                std::string* error);

}  // namespace qz::musicxml
