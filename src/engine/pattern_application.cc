#include "engine/pattern_application.h"

#include "engine/articulation_transfer.h"
#include "engine/detail_transfer.h"
#include "engine/donor_walk.h"
#include "engine/repeat_writer.h"
#include "engine/transfer_plan.h"
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
    entry.SetFlags(entry.GetFlags() & ~ex::kRestClearedBits);
}

// The rebuild covers the repeat from its first measure on, with the old frame and the rebuilt one
// in every measure it rewrites. It may stop short of the repeat's end: a source cut at the end of
// the host's current region, or one that starts at measure 0, has fewer measures than a repeat,
// and the repeat's measures past it stay as they are (the rhythm test let through only repeats
// with nothing there). A host that answers the show test differently for two measures of one
// repeat leaves a gap instead, and a repeat rewritten with a gap would pair entries with the
// wrong donors.
bool RebuildCoversRepeat(const FCNoteEntryLayer& repeat, const FCNoteEntryLayer& rebuilt) {
    if (rebuilt.GetStartMeasure() != repeat.GetStartMeasure() ||
        rebuilt.GetEndMeasure() > repeat.GetEndMeasure())
        return false;
    for (int m = repeat.GetStartMeasure(); m <= repeat.GetEndMeasure(); ++m) {
        const bool rewritten = m <= rebuilt.GetEndMeasure();
        if (repeat.GetFrameForMeasure(m) == nullptr ||
            (rewritten && rebuilt.GetFrameForMeasure(m) == nullptr))
            return false;
    }
    return true;
}

// Reads what the transfers need (the source's articulations and details; the old entries'
// articulations are attached already) and works out every record and mark, in the order they
// are written: details, then the old destination's articulations, then the source's.
void PlanTransfers(const FCNoteEntryLayer& source, const FCNoteEntryLayer& repeat,
                   const FCNoteEntryLayer& rebuilt, TransferPlan& plan, Arena& memory) {
    PlanEntryDetails(rebuilt, source, plan);
    PlanRepeatArticulations(repeat, rebuilt, plan);
    PlanSourceArticulations(source, rebuilt, plan, memory);
}

EntryPlace PlaceOf(const FCNoteEntry* entry) {
    if (entry == nullptr) return {};
    return EntryPlace{entry->GetMeasure(), FCNoteEntryLayer::IndexInFrame(*entry)};
}

// Where each rebuilt entry came from: its source entry (the one it was cloned from, at the same
// index), its donor (the walk TransferPitches took, when it took notes) and the origin of each
// articulation the plan gave it.
void DescribeRebuilt(const FCNoteEntryLayer& source, const FCNoteEntryLayer& repeat,
                     const FCNoteEntryLayer& rebuilt, const TransferPlan& plan,
                     std::vector<RebuiltEntry>& out) {
    DonorWalk walk(repeat, rebuilt);
    out.resize(static_cast<std::size_t>(rebuilt.GetCount()));
    for (int32_t i = 0; i < rebuilt.GetCount(); ++i) {
        const FCNoteEntry& entry = *rebuilt.GetEntryAt(i);
        RebuiltEntry& described = out[static_cast<std::size_t>(i)];
        described.at = PlaceOf(&entry);
        described.source = PlaceOf(source.GetEntryAt(i));
        described.donor = PlaceOf(walk.DonorFor(entry));
        described.rest = !entry.HasFlag(ex::ENTRY_HAS_NOTES);
    }
    for (const PlannedRecord& record : plan.Records())
        if (record.originIndex >= 0 && record.entry >= 0 && record.entry < rebuilt.GetCount())
            out[static_cast<std::size_t>(record.entry)].articulations.push_back(
                ArticulationOrigin{record.fromSource, record.originIndex});
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

RepeatOutcome ApplyPattern(const FCNoteEntryLayer& source, FCNoteEntryLayer& repeat,
                           uint32_t hostVersion, Arena& memory,
                           std::vector<RebuiltEntry>* provenance) {
    if (IsSourceItself(source, repeat)) return RepeatOutcome::kIsSource;
    AttachArticulations(repeat, memory);

    FCNoteEntryLayer rebuilt(repeat.GetHost(), source.GetLayerIndex(), source.GetInstrument(),
                             source.GetStartMeasure(), source.GetEndMeasure(), &memory);
    // A rebuild that failed or has a gap writes nothing: the repeat stays as it was.
    if (!rebuilt.CloneToPlace(repeat.GetLayerIndex(), repeat.GetInstrument(),
                              repeat.GetStartMeasure()) ||
        !RebuildCoversRepeat(repeat, rebuilt))
        return RepeatOutcome::kNoFrame;
    TransferPitches(repeat, rebuilt, hostVersion);
    TransferPlan plan(rebuilt.GetCount(), &memory);
    PlanTransfers(source, repeat, rebuilt, plan, memory);
    // Everything is read and allocated; from here on the repeat is written whole or undone.
    const RepeatOutcome outcome = WriteRebuiltRepeat(repeat, rebuilt, plan);
    if (outcome == RepeatOutcome::kRewritten && provenance != nullptr)
        DescribeRebuilt(source, repeat, rebuilt, plan, *provenance);
    return outcome;
}

}  // namespace qz::engine
