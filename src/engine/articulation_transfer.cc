#include "engine/articulation_transfer.h"

#include <memory>
#include <vector>

#include "engine/donor_walk.h"
#include "framework/articulations.h"
#include "host/exentry.h"

namespace qz::engine {
namespace {

// Merges `donated` into the plan of rebuilt entry `target`: a definition the entry held before
// this merge is skipped; the others follow what it held, in the donor's order.
void PlanMerge(const FCArticulations& donated, int32_t target, TransferPlan& plan) {
    const uint32_t tag = FCArticulation::kTag;
    const int present = plan.CountFor(target, tag);
    std::vector<int16_t> held;
    held.reserve(static_cast<std::size_t>(donated.GetCount()));
    for (int32_t i = 0; i < donated.GetCount(); ++i) {
        const int16_t definition = donated.GetArticulationAt(i)->GetDefinitionNumber();
        if (plan.HasFirstWord(target, tag, definition)) held.push_back(definition);
    }
    int added = 0;
    for (int32_t i = 0; i < donated.GetCount(); ++i) {
        const FCArticulation& articulation = *donated.GetArticulationAt(i);
        bool skip = false;
        for (int16_t definition : held) skip = skip || definition == articulation.GetDefinitionNumber();
        if (skip) continue;
        plan.AddRecord(target, tag, static_cast<int16_t>(articulation.GetKeyIndex() + present),
                       articulation.GetRecordData(), FCArticulation::kRecordSize);
        ++added;
    }
    if (added > 0) plan.Mark(target, host::exentry::ENTRY_HAS_ARTICULATIONS, true);
}

}  // namespace

void AttachArticulations(FCNoteEntryLayer& repeat) {
    for (int32_t i = 0; i < repeat.GetCount(); ++i) {
        FCNoteEntry* entry = repeat.GetEntryAt(i);
        auto articulations = std::make_unique<FCArticulations>(entry);
        if (articulations->LoadAll() >= 1) entry->AttachArticulations(articulations.release());
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
        if (donor->GetArticulations() != nullptr) PlanMerge(*donor->GetArticulations(), i, plan);
    }
    return paired;
}

void PlanSourceArticulations(const FCNoteEntryLayer& source, const FCNoteEntryLayer& rebuilt,
                             TransferPlan& plan) {
    for (int32_t i = 0; i < source.GetCount() && i < rebuilt.GetCount(); ++i) {
        FCNoteEntry* from = source.GetEntryAt(i);
        if (!from->HasFlag(host::exentry::ENTRY_HAS_ARTICULATIONS)) continue;
        FCArticulations donated(from);
        donated.LoadAll();
        PlanMerge(donated, i, plan);
    }
}

}  // namespace qz::engine
