// The arguments of `motifgraft apply`, read and checked before anything is loaded.
#pragma once

#include <string>
#include <vector>

namespace qz::musicxml {

struct ApplyOptions {
    std::string score;
    std::string source;       // STAFF:FIRST-LAST
    std::string destination;  // STAVES:FIRST-LAST
    std::string output;       // -o; empty: DefaultOutputPath(score) (output_file.h)
    std::string jsonReport;   // --json REPORT
    std::string picturesDir;  // --pictures DIR
    bool explain = false;
};

// `args[0]` is "apply". False with `error` on a missing or unknown argument.
bool ParseApplyOptions(const std::vector<std::string>& args, ApplyOptions* out,
                       std::string* error);

}  // namespace qz::musicxml
