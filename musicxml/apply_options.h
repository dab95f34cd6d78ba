// The arguments of `motifgraft apply`, read and checked before anything is loaded.
#pragma once

#include <string>
#include <vector>

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

// `args[0]` is "apply". False with `error` on a missing, unknown or repeated argument.
bool ParseApplyOptions(const std::vector<std::string>& args, ApplyOptions* out,
                       std::string* error);

// NAME.motifgraft.EXT beside the input ("a/b.musicxml" -> "a/b.motifgraft.musicxml", "s" ->
// "s.motifgraft"): never the input itself.
std::string DefaultOutputPath(const std::string& input);

}  // namespace qz::musicxml
