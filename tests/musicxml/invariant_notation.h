// Notation every output must keep clean, judged with the corpus tests' own reading of the score:
// slurs paired, ties between equal pitches, no rest with an articulation, and the accidentals a
// reader of a rewritten voice needs. Each problem is one line starting with its check's tag
// ("[slur]", "[tie]", "[rest-articulation]", "[accidental]", "[removal]"), so that a run can count them.
#pragma once

#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "invariant_score.h"

namespace qz::corpus {

// One voice of one measure: (part index, measure from 1, voice).
using MeasureVoice = std::tuple<int, int, VoiceKey>;

// Over the whole score, per part and voice: each slur start has its stop and each stop its
// start (per number); each tie start (<tie> or <tied>) meets its pitch in the voice's next entry.
std::vector<std::string> PairingProblems(const ScoreContent& score);

// In the listed voices: rests carrying articulations, and notes whose alteration differs from
// what the key signature and the earlier notes on that staff position in the measure (any voice
// of the staff) make a reader expect yet show no accidental, or show one that contradicts the
// pitch. A note a tie continues needs none.
std::vector<std::string> VoiceProblems(const ScoreContent& score, const std::set<MeasureVoice>& voices);

// Outside the listed (rewritten) voices: tie and slur ends the output lost whose other end was
// not in a rewritten voice. Only an end left alone by a rewrite may go.
std::vector<std::string> RemovalProblems(const ScoreContent& in, const ScoreContent& out,
                                         const std::set<MeasureVoice>& rewritten);

}  // namespace qz::corpus
