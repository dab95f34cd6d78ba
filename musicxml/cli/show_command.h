// `motifgraft show`: the staves, the measure count and each staff's voice-to-layer map, as
// text for people or as JSON for programs.
#pragma once

#include <string>

#include "musicxml/read/score_model.h"

namespace qz::musicxml {

std::string ShowText(const Score& score);
// {"measures": N, "staves": [{"slot": 1, "part": "P1", "name": "Piano", "staff": 1,
//  "voices": ["1", "2"], "unmapped_voices": []}]}
std::string ShowJson(const Score& score);

}  // namespace qz::musicxml
