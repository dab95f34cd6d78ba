#include "engine/pattern_driver.h"

#include <cstring>
#include <new>

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
void ProcessRepeat(const FCNoteEntryLayer& source, int layer, int instrument, int first,
                   int length, uint32_t hostVersion, Arena& memory) {
    try {
        FCNoteEntryLayer repeat(source.GetHost(), static_cast<int16_t>(layer), static_cast<int16_t>(instrument),
                                static_cast<int16_t>(first), static_cast<int16_t>(first + length - 1),
                                &memory);
        repeat.Load();
        if (IsRhythmCompatible(source, repeat)) ApplyPattern(source, repeat, hostVersion, memory);
    } catch (const std::bad_alloc&) {
    }
    memory.Rewind();
}

}  // namespace

bool CopyPatternToRegion(host::HostBinding& host, const FCMusicRegion& source,
                         const FCMusicRegion& destination, uint32_t hostVersion,
                         char* messageBuffer) {
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
            for (int k = 0; k < repeats; ++k)
                ProcessRepeat(sourceLayer, layer, instrument, firstMeasure + sourceLength * k,
                              sourceLength, hostVersion, repeatMemory);
    }
    return true;
}

}  // namespace qz::engine
