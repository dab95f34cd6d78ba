#include "engine/rhythm_compatibility.h"

#include "host/binding.h"

namespace qz::engine {
namespace {

RepeatDecision Refused(RepeatOutcome outcome, int measure = 0, int sourceMeasure = 0,
                       int32_t position = 0) {
    RepeatDecision decision;
    decision.outcome = outcome;
    decision.measure = measure;
    decision.sourceMeasure = sourceMeasure;
    decision.position = position;
    return decision;
}

bool SourceHasEntryAt(const FCNoteEntryLayer& source, int offset, int32_t position) {
    for (int32_t i = 0; i < source.GetCount(); ++i) {
        const FCNoteEntry* candidate = source.GetEntryAt(i);
        if (source.MeasureOffsetOf(*candidate) == offset && candidate->GetPosition() == position)
            return true;
    }
    return false;
}

}  // namespace

RepeatDecision CheckRhythm(const FCNoteEntryLayer& source, const FCNoteEntryLayer& repeat) {
    if (repeat.GetCount() == 0) return Refused(RepeatOutcome::kEmpty);
    host::HostBinding& host = repeat.GetHost();
    for (int m = repeat.GetStartMeasure(); m <= repeat.GetEndMeasure(); ++m) {
        const int32_t destination = host.GetTGFDuration(repeat.GetFrameForMeasure(m));
        const int sourceMeasure = source.GetStartMeasure() + (m - repeat.GetStartMeasure());
        const bool inSource =
            sourceMeasure >= source.GetStartMeasure() && sourceMeasure <= source.GetEndMeasure();
        const int32_t sourceDuration =
            inSource ? host.GetTGFDuration(source.GetFrameForMeasure(sourceMeasure)) : 0;
        if (destination < sourceDuration)
            return Refused(RepeatOutcome::kMeasureTooShort, m, sourceMeasure);
    }
    for (int32_t i = 0; i < repeat.GetCount(); ++i) {
        const FCNoteEntry* entry = repeat.GetEntryAt(i);
        if (!SourceHasEntryAt(source, repeat.MeasureOffsetOf(*entry), entry->GetPosition()))
            return Refused(RepeatOutcome::kUnmatchedAttack, entry->GetMeasure(), 0,
                           entry->GetPosition());
    }
    return Refused(RepeatOutcome::kRewritten);
}

}  // namespace qz::engine
