#include "musicxml/repeat_plan.h"

#include "musicxml/voice_rewrite.h"

namespace qz::musicxml {
namespace {

std::string VoiceText(const std::string& voice) { return "voice " + voice; }

// Why one measure of one voice cannot be rewritten, or "".
std::string MeasureRefusal(const Score& score, int slot, int measure, const std::string& voice) {
    const ModelSlot& s = score.slots[static_cast<std::size_t>(slot - 1)];
    const ModelPart& part = score.parts[static_cast<std::size_t>(s.part)];
    const std::string where = " in measure " + std::to_string(measure);
    if (const VoiceMeasure* v = score.Voice(slot, measure, voice)) {
        if (v->grace) return VoiceText(voice) + " has grace notes" + where;
        if (v->cue) return VoiceText(voice) + " has cue notes" + where;
        if (v->bigChord) return VoiceText(voice) + " has a chord of more than 12 notes" + where;
        if (v->crossStaff) return VoiceText(voice) + " has notes on two staves" + where;
    }
    if (measure > static_cast<int>(part.measures.size()))
        return "part " + part.id + " has no measure " + std::to_string(measure);
    std::string reason;
    if (!CanRewriteVoice(part.element, part.measures[static_cast<std::size_t>(measure - 1)],
                         s.staff, voice, &reason))
        return reason.empty() ? "measure " + std::to_string(measure) + " cannot be rewritten"
                              : "measure " + std::to_string(measure) + ": " + reason;
    return "";
}

// A stretch of silence is kept as it was written (whole-measure rests, say), not cut into
// the source's rests.
bool OnlyRests(const Score& score, int slot, const PlannedRepeat& row, const std::string& voice) {
    bool any = false;
    for (int m = row.firstMeasure; m <= row.lastMeasure; ++m)
        if (const VoiceMeasure* v = score.Voice(slot, m, voice))
            for (int e : v->entries) {
                if (!score.entries[static_cast<std::size_t>(e)].notes.empty()) return false;
                any = true;
            }
    return any;
}

// One region's rows, appended to `plan`.
void PlanRegion(const Score& score, const Selection& source, const Selection& destination,
                std::vector<PlannedRepeat>* plan) {
    const int length = source.MeasureCount();
    const int repeats = length > 0 ? destination.MeasureCount() / length : 0;
    for (int slot = destination.firstSlot; slot <= destination.lastSlot; ++slot) {
        const ModelSlot& model = score.slots[static_cast<std::size_t>(slot - 1)];
        for (std::size_t layer = 0; layer < model.layers.size(); ++layer)
            for (int k = 0; k < repeats; ++k) {
                PlannedRepeat row;
                row.slot = slot;
                row.layer = static_cast<int>(layer) + 1;
                row.firstMeasure = destination.firstMeasure + k * length;
                row.lastMeasure = row.firstMeasure + length - 1;
                row.isSource = slot == source.firstSlot && layer == 0 &&
                               row.firstMeasure == source.firstMeasure;
                // A voice with nothing in the stretch is left to the engine, which finds it empty.
                bool present = false;
                for (int m = row.firstMeasure; m <= row.lastMeasure; ++m)
                    present = present || score.Voice(slot, m, model.layers[layer]) != nullptr;
                for (int m = row.firstMeasure; present && !row.isSource && m <= row.lastMeasure;
                     ++m) {
                    row.refusal = MeasureRefusal(score, slot, m, model.layers[layer]);
                    if (!row.refusal.empty()) break;
                }
                if (present && !row.isSource && row.refusal.empty() &&
                    OnlyRests(score, slot, row, model.layers[layer]))
                    row.refusal = "only rests";
                plan->push_back(row);
            }
    }
}

}  // namespace

std::vector<PlannedRepeat> PlanRepeats(const Score& score, const Selection& source,
                                       const std::vector<Selection>& destination) {
    std::vector<PlannedRepeat> plan;
    for (const Selection& region : destination) PlanRegion(score, source, region, &plan);
    return plan;
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

void HideRefusedRepeats(const std::vector<PlannedRepeat>& plan, const Selection& source,
                        memhost::MemHost& host) {
    for (const PlannedRepeat& row : plan) {
        if (row.refusal.empty()) continue;
        for (int m = row.firstMeasure; m <= row.lastMeasure; ++m) {
            const bool sourceFrame = row.slot == source.firstSlot && row.layer == 1 &&
                                     m >= source.firstMeasure && m <= source.lastMeasure;
            if (sourceFrame) continue;
            host.MakeFrameAbsent(row.slot, m, row.layer - 1);
            break;
        }
    }
}

}  // namespace qz::musicxml
