// `motifgraft apply`: SET SOURCE and CREATE over a score, the report, and the rewritten file.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace qz::musicxml {

// `args[0]` is "apply". Returns the exit status (cli.h).
int Apply(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace qz::musicxml
