#include "engine/pattern_application.h"

#include "engine/articulation_transfer.h"
#include "engine/detail_transfer.h"
#include "engine/donor_walk.h"
#include "host/exentry.h"
#include "host/note_record.h"

namespace qz::engine {
namespace {

namespace ex = host::exentry;
namespace nr = host::note_record;

constexpr uint32_t kOldHostThreshold = 0x12000000;

bool AnyNoteHas(const FCNoteEntry& entry, uint32_t bit) {
    for (int32_t k = 0; k < entry.GetCount(); ++k)
        if ((entry.GetNoteAt(k)->GetNoteFlags() & bit) != 0) return true;
    return false;
}

void SetOnEveryNote(FCNoteEntry& entry, uint32_t bit, bool on) {
    for (int32_t k = 0; k < entry.GetCount(); ++k) {
        FCNote* note = entry.GetNoteAt(k);
        note->SetNoteFlags(on ? note->GetNoteFlags() | bit : note->GetNoteFlags() & ~bit);
    }
}

void TakePitches(FCNoteEntry& entry, const FCNoteEntry& donor, uint32_t hostVersion) {
    const bool followsSource = AnyNoteHas(entry, nr::kFollowsSource);
    entry.CopyNotesFrom(donor);
    if (hostVersion < kOldHostThreshold)
        entry.SetExtraFlags(static_cast<uint16_t>(entry.GetExtraFlags() | ex::kExtraOldHostPitches));
    SetOnEveryNote(entry, nr::kFollowsSource, followsSource);
    if (entry.GetPosition() != donor.GetPosition()) SetOnEveryNote(entry, nr::kSamePosition, false);
}

void MakeRest(FCNoteEntry& entry) {
    entry.SetNoteCount(0);
    entry.BuildNotes();
    entry.SetFlags(entry.GetFlags() & ~ex::kRestClearBits);
}

bool IsSourceItself(const FCNoteEntryLayer& source, const FCNoteEntryLayer& repeat) {
    return repeat.GetLayerIndex() == source.GetLayerIndex() &&
           repeat.GetInstrument() == source.GetInstrument() &&
           repeat.GetStartMeasure() == source.GetStartMeasure();
}

}  // namespace

void TransferPitches(const FCNoteEntryLayer& repeat, FCNoteEntryLayer& rebuilt,
                     uint32_t hostVersion) {
    DonorWalk walk(repeat, rebuilt);
    for (int32_t i = 0; i < rebuilt.GetCount(); ++i) {
        FCNoteEntry& entry = *rebuilt.GetEntryAt(i);
        const FCNoteEntry* donor = walk.DonorFor(entry);
        if (donor == nullptr) return;
        if (entry.HasFlag(ex::ENTRY_HAS_NOTES) && donor->HasFlag(ex::ENTRY_HAS_NOTES))
            TakePitches(entry, *donor, hostVersion);
        else
            MakeRest(entry);
    }
}

bool ApplyPattern(const FCNoteEntryLayer& source, FCNoteEntryLayer& repeat, uint32_t hostVersion) {
    if (IsSourceItself(source, repeat)) return false;
    AttachArticulations(repeat);

    FCNoteEntryLayer rebuilt(source.GetLayerIndex(), source.GetInstrument(),
                             source.GetStartMeasure(), source.GetEndMeasure());
    rebuilt.CloneToPlace(repeat.GetLayerIndex(), repeat.GetInstrument(), repeat.GetStartMeasure());
    TransferPitches(repeat, rebuilt, hostVersion);
    // The first save gives every rebuilt entry its number, which the records below are keyed by.
    rebuilt.Save();
    CopyEntryDetails(rebuilt, source);
    ReattachArticulations(repeat, rebuilt);
    CopySourceArticulations(source, rebuilt);
    // The second save writes the flags that the transfers changed.
    rebuilt.Save();
    return false;
}

}  // namespace qz::engine
