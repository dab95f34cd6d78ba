// The tool's side of CREATE: it keeps the engine away from the stretches it cannot write
// faithfully, and records what the engine says it did with every other one.
//
// Refused before the engine reads them, with the reason kept for the report: a stretch whose
// voice has grace or cue notes, a chord of more than twelve notes, notes on two staves within one
// measure, or a measure the writer cannot rewrite faithfully (CanRewriteVoice); a stretch holding
// only rests ("only rests"), kept as it was written. The source itself is never refused: the
// engine leaves it alone. Repeats of layers a staff has no voice for are not recorded.
#pragma once

#include <string>
#include <vector>

#include "engine/create_observer.h"
#include "musicxml/read/score_model.h"
#include "musicxml/read/selection.h"

namespace qz::musicxml {

// One destination repeat, as the engine reported it.
struct EngineRepeat {
    int slot = 0;
    int layer = 0;  // 1..4
    int firstMeasure = 0;
    int lastMeasure = 0;
    engine::RepeatDecision decision;
    std::string refusal;  // the tool's reason for keeping the engine away; empty otherwise
    std::vector<engine::RebuiltEntry> entries;  // of a rewritten repeat

    bool Rewritten() const { return decision.outcome == engine::RepeatOutcome::kRewritten; }
};

class RepeatObserver : public engine::CreateObserver {
public:
    // `score` and `source` are borrowed for the observer's life.
    RepeatObserver(const Score& score, const Selection& source) : score_(score), source_(source) {}

    bool MayRewrite(const engine::RepeatPlace& place) override;
    void OnRepeat(const engine::RepeatDecision& decision,
                  const std::vector<engine::RebuiltEntry>& entries) override;

    // Every recorded repeat, in the engine's order over all CREATEs run.
    const std::vector<EngineRepeat>& Repeats() const { return repeats_; }

private:
    bool HasVoice(const engine::RepeatPlace& place) const;
    std::string Refusal(int slot, const std::string& voice, int first, int last);
    std::string MeasureRefusal(int slot, int measure, const std::string& voice);

    const Score& score_;
    const Selection& source_;
    std::string pendingRefusal_;
    std::vector<EngineRepeat> repeats_;
};

// The message that refuses the whole command when the source's layer 1 has grace or cue
// notes; empty when the source can be used.
std::string SourceRefusal(const Score& score, const Selection& source);

}  // namespace qz::musicxml
