#include "engine/pattern_driver.h"

#include <cstring>
#include <new>
#include <vector>

#include "engine/pattern_application.h"
#include "engine/rhythm_compatibility.h"
#include "framework/note_entry_layer.h"
#include "host/binding.h"

namespace qz::engine {
namespace {

// One repeat of one layer of one staff: loaded fresh from the document, rewritten when its rhythm
// fits, and released (its own frames are never saved). Memory running out skips the repeat:
// the rewrite allocates everything before its first write, so nothing has changed then. All of
// the repeat's memory comes from `memory`, which is rewound for the next repeat once the
// repeat's objects are gone.
RepeatOutcome ProcessRepeat(const FCNoteEntryLayer& source, const RepeatPlace& place,
                            int instrument, uint32_t hostVersion, Arena& memory,
                            RepeatDecision& decision, std::vector<RebuiltEntry>* provenance) {
    RepeatOutcome outcome = RepeatOutcome::kOutOfMemory;
    try {
        FCNoteEntryLayer repeat(source.GetHost(), static_cast<int16_t>(place.layer),
                                static_cast<int16_t>(instrument),
                                static_cast<int16_t>(place.firstMeasure),
                                static_cast<int16_t>(place.lastMeasure), &memory);
        const bool loaded = repeat.Load();
        decision = CheckRhythm(source, repeat);
        outcome = decision.outcome;
        if (!loaded) outcome = RepeatOutcome::kNoFrame;
        else if (outcome == RepeatOutcome::kEmpty && repeat.SkippedHiddenMeasures())
            outcome = RepeatOutcome::kHidden;
        else if (outcome == RepeatOutcome::kRewritten)
            outcome = ApplyPattern(source, repeat, hostVersion, memory, provenance);
    } catch (const std::bad_alloc&) {
        outcome = RepeatOutcome::kOutOfMemory;
        if (provenance != nullptr) provenance->clear();
    }
    memory.Rewind();
    return outcome;
}

// Runs one repeat and, for a caller that observes, asks first and tells afterwards.
void VisitRepeat(const FCNoteEntryLayer& source, const RepeatPlace& place, int instrument,
                 uint32_t hostVersion, Arena& memory, CreateObserver* observer) {
    if (observer == nullptr) {
        RepeatDecision ignored;
        ProcessRepeat(source, place, instrument, hostVersion, memory, ignored, nullptr);
        return;
    }
    RepeatDecision decision;
    std::vector<RebuiltEntry> provenance;
    if (observer->MayRewrite(place))
        decision.outcome =
            ProcessRepeat(source, place, instrument, hostVersion, memory, decision, &provenance);
    else
        decision.outcome = RepeatOutcome::kVetoed;
    decision.place = place;
    if (decision.outcome != RepeatOutcome::kRewritten) provenance.clear();
    observer->OnRepeat(decision, provenance);
}

}  // namespace

bool CopyPatternToRegion(host::HostBinding& host, const FCMusicRegion& source,
                         const FCMusicRegion& destination, uint32_t hostVersion,
                         char* messageBuffer, CreateObserver* observer) {
    FCNoteEntryLayer sourceLayer(
        host, 0, static_cast<int16_t>(host.SlotToInst(source.GetStartSlot(), source.GetStartSlotScope())),
        static_cast<int16_t>(source.GetStartMeasure()), static_cast<int16_t>(source.GetEndMeasure()));
    // Layer 1 is the rhythm even while the host hides it.
    sourceLayer.SetShownLayersOnly(false);
    sourceLayer.Load();
    if (sourceLayer.GetCount() < 1) {
        std::memcpy(messageBuffer, kNoSourceEntriesMessage,
                    std::strlen(kNoSourceEntriesMessage) + 1);
        return false;
    }

    const int sourceLength = source.CalcMeasureCount();
    // A stored source counting no measures (its end before its start) yields no repeat.
    const int repeats = sourceLength < 1 ? 0 : destination.CalcMeasureCount() / sourceLength;
    const int firstMeasure = destination.GetStartMeasure();
    // One arena serves every repeat: after the first, a repeat rarely asks the heap for anything.
    Arena repeatMemory;
    for (int slot = destination.GetStartSlot(); slot <= destination.GetEndSlot(); ++slot) {
        const int instrument = host.SlotToInst(slot, destination.GetStartSlotScope());
        for (int layer = 0; layer < host.GetMaxLayers(); ++layer)
            for (int k = 0; k < repeats; ++k) {
                const int first = firstMeasure + sourceLength * k;
                const RepeatPlace place{slot, layer, first, first + sourceLength - 1};
                VisitRepeat(sourceLayer, place, instrument, hostVersion, repeatMemory, observer);
            }
    }
    return true;
}

}  // namespace qz::engine
