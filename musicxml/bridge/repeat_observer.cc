#include "musicxml/bridge/repeat_observer.h"


namespace qz::musicxml {
namespace {

std::string VoiceText(const std::string& voice) { return "voice " + voice; }

// A stretch of silence is kept as it was written (whole-measure rests, say), not cut into
// the source's rests.
bool OnlyRests(const Score& score, int slot, int first, int last, const std::string& voice) {
    bool any = false;
    for (int m = first; m <= last; ++m)
        if (const VoiceMeasure* v = score.Voice(slot, m, voice))
            for (int e : v->entries) {
                if (!score.entries[static_cast<std::size_t>(e)].notes.empty()) return false;
                any = true;
            }
    return any;
}

}  // namespace

// Why the tool keeps the engine away from a stretch of one voice, or "".
std::string RepeatObserver::Refusal(int slot, const std::string& voice, int first, int last) {
    // A voice with nothing in the stretch is left to the engine, which finds it empty.
    bool present = false;
    for (int m = first; m <= last; ++m) present = present || score_.Voice(slot, m, voice) != nullptr;
    if (!present) return "";
    for (int m = first; m <= last; ++m) {
        std::string refusal = MeasureRefusal(slot, m, voice);
        if (!refusal.empty()) return refusal;
    }
    return OnlyRests(score_, slot, first, last, voice) ? "only rests" : "";
}

// Why one measure of one voice cannot be rewritten, or "".
std::string RepeatObserver::MeasureRefusal(int slot, int measure, const std::string& voice) {
    const ModelSlot& s = score_.slots[static_cast<std::size_t>(slot - 1)];
    const ModelPart& part = score_.parts[static_cast<std::size_t>(s.part)];
    const std::string where = " in measure " + std::to_string(measure);
    if (const VoiceMeasure* v = score_.Voice(slot, measure, voice)) {
        if (v->grace) return VoiceText(voice) + " has grace notes" + where;
        if (v->cue) return VoiceText(voice) + " has cue notes" + where;
        if (v->bigChord) return VoiceText(voice) + " has a chord of more than 12 notes" + where;
        if (v->crossStaff) return VoiceText(voice) + " has notes on two staves" + where;
    }
    if (measure > static_cast<int>(part.measures.size()))
        return "part " + part.id + " has no measure " + std::to_string(measure);
    const std::string& why = part.refusals[static_cast<std::size_t>(measure - 1)].For(s.staff, voice);
    return why.empty() ? "" : "measure " + std::to_string(measure) + ": " + why;
}

bool RepeatObserver::HasVoice(const engine::RepeatPlace& place) const {
    return place.slot >= 1 && place.slot <= static_cast<int>(score_.slots.size()) && place.layer >= 0 &&
           place.layer < static_cast<int>(score_.slots[static_cast<std::size_t>(place.slot - 1)].layers.size());
}

bool RepeatObserver::MayRewrite(const engine::RepeatPlace& place) {
    pendingRefusal_.clear();
    if (!HasVoice(place)) return true;
    const bool isSource = place.slot == source_.firstSlot && place.layer == 0 &&
                          place.firstMeasure == source_.firstMeasure;
    if (isSource) return true;
    const ModelSlot& model = score_.slots[static_cast<std::size_t>(place.slot - 1)];
    pendingRefusal_ = Refusal(place.slot, model.layers[static_cast<std::size_t>(place.layer)],
                              place.firstMeasure, place.lastMeasure);
    return pendingRefusal_.empty();
}

void RepeatObserver::OnRepeat(const engine::RepeatDecision& decision,
                              const std::vector<engine::RebuiltEntry>& entries) {
    if (!HasVoice(decision.place)) return;
    EngineRepeat row;
    row.slot = decision.place.slot;
    row.layer = decision.place.layer + 1;
    row.firstMeasure = decision.place.firstMeasure;
    row.lastMeasure = decision.place.lastMeasure;
    row.decision = decision;
    if (decision.outcome == engine::RepeatOutcome::kVetoed) row.refusal = pendingRefusal_;
    row.entries = entries;
    repeats_.push_back(std::move(row));
}

std::string SourceRefusal(const Score& score, const Selection& source) {
    const ModelSlot& model = score.slots[static_cast<std::size_t>(source.firstSlot - 1)];
    if (model.layers.empty()) return "";
    for (int m = source.firstMeasure; m <= source.lastMeasure; ++m) {
        const VoiceMeasure* v = score.Voice(source.firstSlot, m, model.layers[0]);
        if (v == nullptr) continue;
        if (v->grace || v->cue)
            return std::string("the source's layer 1 (voice ") + model.layers[0] + ") has " +
                   (v->grace ? "grace" : "cue") + " notes in measure " + std::to_string(m) +
                   ": its rhythm cannot be copied faithfully";
    }
    return "";
}

}  // namespace qz::musicxml
