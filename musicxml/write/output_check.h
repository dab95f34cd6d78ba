// The files one `motifgraft apply` will write, checked together before its first byte is
// written, so that a refusal (exit 2) never leaves a written score behind.
//
// Every output must be writable as output_target.h allows. The report and the pictures may not
// be the input, the score or each other; the score may be the input only when -o names it (a
// link to it counts), never through the default name. "The same" is decided on the files the
// paths lead to, not on their spelling.
#pragma once

#include <string>

#include "musicxml/cli/apply_options.h"
#include "musicxml/status.h"

namespace qz::musicxml {

// The pictures' file names inside the --pictures folder (page 1).
inline constexpr const char* kBeforePicture = "before.png";
inline constexpr const char* kAfterPicture = "after.png";

// Fails with a message naming the option and the path at fault.
Status CheckApplyOutputs(const ApplyOptions& options);

// -o, or the default name beside the input.
std::string ScoreOutputPath(const ApplyOptions& options);

}  // namespace qz::musicxml
