// The destination's repeats (one per destination staff x layer the staff has x stretch as long
// as the source) and what the tool refuses before CREATE runs.
//
// Refused, with the reason kept for the report: a stretch whose voice has grace or cue notes,
// a chord of more than twelve notes, notes on two staves within one measure, or a measure the
// writer cannot rewrite faithfully (CanRewriteVoice); a stretch holding only rests ("only
// rests"), kept as it was written. A refused repeat is made invisible to the
// engine (a frame it requires is absent), so the engine skips it and its bytes stay as they
// were. The repeat that is the source itself is never refused: the engine leaves it alone.
#pragma once

#include <string>
#include <vector>

#include "memhost/mem_host.h"
#include "musicxml/score_model.h"
#include "musicxml/selection.h"

namespace qz::musicxml {

struct PlannedRepeat {
    int slot = 0;
    int layer = 0;  // 1..4
    int firstMeasure = 0;
    int lastMeasure = 0;
    bool isSource = false;
    std::string refusal;  // empty: left to the engine
};

// Every repeat of the destination's regions, in the engine's order (region, slot, layer,
// repeat), with its refusal decided. A slot without layers has no row.
std::vector<PlannedRepeat> PlanRepeats(const Score& score, const Selection& source,
                                       const std::vector<Selection>& destination);

// The message that refuses the whole command when the source's layer 1 has grace or cue
// notes; empty when the source can be used.
std::string SourceRefusal(const Score& score, const Selection& source);

// Makes the refused repeats invisible to the engine: one of their frames that is not a source
// frame is made absent (the engine needs every frame of a repeat).
void HideRefusedRepeats(const std::vector<PlannedRepeat>& plan, const Selection& source,
                        memhost::MemHost& host);

}  // namespace qz::musicxml
