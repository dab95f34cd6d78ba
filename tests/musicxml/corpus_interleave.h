// Interleaved copies of corpus scores. Notation programs often export the voices of a measure
// beat by beat (voice 1, a backup, voice 2, voice 1 again); few files of the test suite do, so
// the corpus run makes such copies: every measure whose voices are written one after the other
// is rewritten with its notes in order of onset, voice by voice at each onset, joined by
// backups and forwards. Every note keeps its time; only the order in the file changes.
#pragma once

#include <string>

namespace qz::corpus {

// The interleaved copy of a partwise score (UTF-8). False when no measure has two voices to
// interleave, or the text is not a score.
bool InterleaveVoices(const std::string& utf8, std::string* out);

}  // namespace qz::corpus
