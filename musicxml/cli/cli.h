// The command line of motifgraft, as a function so that tests can run it in-process.
//
//   motifgraft show SCORE [--json]
//   motifgraft apply SCORE --source STAFF:FIRST-LAST --dest STAVES:FIRST-LAST [-o OUT]
//                    [--explain] [--json REPORT] [--pictures DIR]
//
// Exit status: 0 when the command ran (for apply: CREATE ran, whatever it rewrote), 1 when SET
// SOURCE or CREATE refused (the plug-in's message on `err`, nothing written), 2 for unusable
// input (unreadable or malformed file, a selection outside the score, an output path that
// cannot be written safely, bad arguments; nothing written).
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace qz::musicxml {

inline constexpr int kExitOk = 0;
inline constexpr int kExitRefused = 1;
inline constexpr int kExitUnusable = 2;

// `args` are the arguments after the program name.
int RunMotifgraft(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace qz::musicxml
