// The arguments of `motifgraft apply`, read and checked before anything is loaded.
#pragma once

#include <string>
#include <vector>

#include "musicxml/status.h"

namespace qz::musicxml {

struct ApplyOptions {
    std::string score;
    std::string source;       // STAFF:FIRST-LAST
    std::string destination;  // STAVES:FIRST-LAST
    std::string output;       // -o; empty: DefaultOutputPath(score)
    std::string jsonReport;   // --json REPORT
    std::string picturesDir;  // --pictures DIR
    bool explain = false;
};

// `args[0]` is "apply". Fails on a missing, unknown or repeated argument.
Result<ApplyOptions> ParseApplyOptions(const std::vector<std::string>& args);

// NAME.motifgraft.EXT beside the input ("a/b.musicxml" -> "a/b.motifgraft.musicxml", "s" ->
// "s.motifgraft"): never the input itself.
std::string DefaultOutputPath(const std::string& input);

}  // namespace qz::musicxml
