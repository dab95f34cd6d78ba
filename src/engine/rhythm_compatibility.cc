#include "engine/rhythm_compatibility.h"

#include "host/binding.h"

namespace qz::engine {
namespace {

bool MeasuresAreLongEnough(const FCNoteEntryLayer& source, const FCNoteEntryLayer& repeat) {
    host::HostBinding& host = repeat.GetHost();
    for (int m = repeat.GetStartMeasure(); m <= repeat.GetEndMeasure(); ++m) {
        const int32_t destination = host.GetTGFDuration(repeat.GetFrameForMeasure(m));
        const int sourceMeasure = source.GetStartMeasure() + (m - repeat.GetStartMeasure());
        const bool inSource =
            sourceMeasure >= source.GetStartMeasure() && sourceMeasure <= source.GetEndMeasure();
        const int32_t sourceDuration =
            inSource ? host.GetTGFDuration(source.GetFrameForMeasure(sourceMeasure)) : 0;
        if (destination < sourceDuration) return false;
    }
    return true;
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

bool IsRhythmCompatible(const FCNoteEntryLayer& source, const FCNoteEntryLayer& repeat) {
    if (repeat.GetCount() == 0) return false;
    if (!MeasuresAreLongEnough(source, repeat)) return false;
    for (int32_t i = 0; i < repeat.GetCount(); ++i) {
        const FCNoteEntry* entry = repeat.GetEntryAt(i);
        if (!SourceHasEntryAt(source, repeat.MeasureOffsetOf(*entry), entry->GetPosition()))
            return false;
    }
    return true;
}

}  // namespace qz::engine
