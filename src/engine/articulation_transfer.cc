#include "engine/articulation_transfer.h"

#include <cstddef>

#include "engine/donor_walk.h"
#include "framework/articulations.h"
#include "host/exentry.h"

namespace qz::engine {
namespace {

// Merges `donated` into the plan of rebuilt entry `target`: a definition the entry held before
// this merge is skipped; the others follow what it held, in the donor's order, at consecutive
// indexes. A skipped definition takes no index: the host reads an entry's articulations up to
// the first missing index, so a gap would hide every articulation after it.
void PlanMerge(const FCArticulations& donated, bool fromSource, int32_t target, TransferPlan& plan) {
    const uint32_t tag = FCArticulation::kTag;
    const int present = plan.CountFor(target, tag);
    // What the entry held before this merge are the records planned so far.
    const std::size_t before = plan.Records().size();
    int added = 0;
    for (int32_t i = 0; i < donated.GetCount(); ++i) {
        const FCArticulation& articulation = *donated.GetArticulationAt(i);
        if (plan.HasFirstWord(target, tag, articulation.GetDefinitionNumber(), before)) continue;
        PlannedRecord& record = plan.AddRecord(target, tag, static_cast<int16_t>(present + added),
                                               articulation.GetRecordData(), FCArticulation::kRecordSize);
        record.originIndex = static_cast<int16_t>(i);
        record.fromSource = fromSource;
        ++added;
    }
    if (added > 0) plan.Mark(target, host::exentry::ENTRY_HAS_ARTICULATIONS, true);
}

}  // namespace

void AttachArticulations(FCNoteEntryLayer& repeat, Arena& memory) {
    for (int32_t i = 0; i < repeat.GetCount(); ++i) {
        FCNoteEntry* entry = repeat.GetEntryAt(i);
        auto* articulations = memory.Make<FCArticulations>(repeat.GetHost(), entry, &memory);
        if (articulations->LoadAll() >= 1) entry->AttachArticulations(articulations);
    }
}

bool PlanRepeatArticulations(const FCNoteEntryLayer& repeat, const FCNoteEntryLayer& rebuilt,
                             TransferPlan& plan) {
    DonorWalk walk(repeat, rebuilt);
    bool paired = false;
    for (int32_t i = 0; i < rebuilt.GetCount(); ++i) {
        const FCNoteEntry& entry = *rebuilt.GetEntryAt(i);
        const FCNoteEntry* donor = walk.DonorFor(entry);
        if (donor == nullptr) break;
        // Only a donor in the same measure counts: articulations never move across measures.
        if (!walk.AtSamePlace(*donor, entry)) continue;
        paired = true;
        // A donor without attached articulations had none when the repeat was read.
        if (donor->GetArticulations() != nullptr) PlanMerge(*donor->GetArticulations(), false, i, plan);
    }
    return paired;
}

void PlanSourceArticulations(const FCNoteEntryLayer& source, const FCNoteEntryLayer& rebuilt,
                             TransferPlan& plan, Arena& memory) {
    for (int32_t i = 0; i < source.GetCount() && i < rebuilt.GetCount(); ++i) {
        FCNoteEntry* from = source.GetEntryAt(i);
        if (!from->HasFlag(host::exentry::ENTRY_HAS_ARTICULATIONS)) continue;
        FCArticulations donated(source.GetHost(), from, &memory);
        donated.LoadAll();
        PlanMerge(donated, true, i, plan);
    }
}

}  // namespace qz::engine
