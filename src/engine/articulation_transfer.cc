#include "engine/articulation_transfer.h"

#include <memory>

#include "engine/donor_walk.h"
#include "framework/articulations.h"
#include "host/exentry.h"

namespace qz::engine {
namespace {

bool HasDefinition(const FCArticulations& articulations, int16_t definition) {
    for (int32_t i = 0; i < articulations.GetCount(); ++i)
        if (articulations.GetArticulationAt(i)->GetDefinitionNumber() == definition) return true;
    return false;
}

// A copy of `articulation` keyed for `target` at `index`. The donor's own objects stay as they
// are, so one donor can serve several targets.
std::unique_ptr<FCArticulation> CopyFor(const FCArticulation& articulation, FCNoteEntry& target,
                                        int index) {
    std::unique_ptr<FCArticulation> copy(static_cast<FCArticulation*>(articulation.CreateObject()));
    copy->CopyKeyFrom(articulation);
    copy->CopyDataFrom(articulation);
    copy->SetNoteEntry(&target);
    copy->SetKeyIndex(static_cast<int16_t>(index));
    return copy;
}

}  // namespace

void AttachArticulations(FCNoteEntryLayer& repeat) {
    for (int32_t i = 0; i < repeat.GetCount(); ++i) {
        FCNoteEntry* entry = repeat.GetEntryAt(i);
        auto articulations = std::make_unique<FCArticulations>(entry);
        if (articulations->LoadAll() >= 1) entry->AttachArticulations(articulations.release());
    }
}

int CopyArticulationsToEntry(FCNoteEntry& target, FCNoteEntry& donor) {
    if (target.GetEntryNumber() == 0) return 0;
    FCArticulations existing(&target);
    const int present = existing.LoadAll();

    std::unique_ptr<FCArticulations> loaded;
    const FCArticulations* donated = donor.GetArticulations();
    if (donated == nullptr) {
        loaded = std::make_unique<FCArticulations>(&donor);
        loaded->LoadAll();
        donated = loaded.get();
    }

    int added = 0;
    for (int32_t i = 0; i < donated->GetCount(); ++i) {
        const FCArticulation& articulation = *donated->GetArticulationAt(i);
        if (HasDefinition(existing, articulation.GetDefinitionNumber())) continue;
        // Only a record the host accepted counts: the entry's mark must not promise articulations
        // that the document does not hold.
        auto copy = CopyFor(articulation, target, articulation.GetKeyIndex() + present);
        if (copy->Save()) ++added;
    }
    if (added > 0) FCArticulation().SetEntryFlag(&target, true);
    return added;
}

bool ReattachArticulations(FCNoteEntryLayer& repeat, FCNoteEntryLayer& rebuilt) {
    DonorWalk walk(repeat, rebuilt);
    bool paired = false;
    for (int32_t i = 0; i < rebuilt.GetCount(); ++i) {
        FCNoteEntry& entry = *rebuilt.GetEntryAt(i);
        FCNoteEntry* donor = walk.DonorFor(entry);
        if (donor == nullptr) break;
        // Only a donor in the same measure counts: articulations never move across measures.
        if (!walk.AtSamePlace(*donor, entry)) continue;
        CopyArticulationsToEntry(entry, *donor);
        paired = true;
    }
    return paired;
}

void CopySourceArticulations(const FCNoteEntryLayer& source, FCNoteEntryLayer& rebuilt) {
    for (int32_t i = 0; i < source.GetCount(); ++i) {
        FCNoteEntry* from = source.GetEntryAt(i);
        FCNoteEntry* to = rebuilt.GetEntryAt(i);
        if (to == nullptr || !from->HasFlag(host::exentry::ENTRY_HAS_ARTICULATIONS)) continue;
        CopyArticulationsToEntry(*to, *from);
    }
}

}  // namespace qz::engine
