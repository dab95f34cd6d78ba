#include "engine/repeat_writer.h"

#include <cstddef>

#include "host/binding.h"
#include "host/edata_key.h"
#include "host/host_abi.h"

namespace qz::engine {
namespace {

// The planned records are written in their order, so the ones the host has stored so far are
// the first `stored` of the plan: keeping that count is the whole journal, and never allocates.
struct Journal {
    std::size_t stored = 0;
};

void KeyFor(const PlannedRecord& record, uint32_t number, unsigned char (&key)[host::entry_key::kSize]) {
    host::entry_key::SetNumber(key, static_cast<int32_t>(number));
    host::entry_key::SetIndex(key, record.index);
}

// A frame the host marks skipSave is never saved: its entries are left as the host keeps them,
// get no number and take no record. That is the host's instruction, not a refused write.
bool IsSaved(const FCNoteEntry& entry) {
    return entry.GetFrame() != nullptr && host::tgf::SkipSave(entry.GetFrame()) == 0;
}

bool SaveAllFrames(FCNoteEntryLayer& rebuilt) {
    for (int32_t i = 0; i < rebuilt.GetFrameCount(); ++i)
        if (!rebuilt.SaveFrameAt(i)) return false;
    return true;
}

// Every saved rebuilt entry must carry the number the host gave it: the records are keyed by it.
bool AllNumbered(const FCNoteEntryLayer& rebuilt) {
    for (int32_t i = 0; i < rebuilt.GetCount(); ++i) {
        const FCNoteEntry& entry = *rebuilt.GetEntryAt(i);
        if (IsSaved(entry) && entry.GetEntryNumber() == 0) return false;
    }
    return true;
}

// Whether a saved entry of the rebuilt layer takes a record: a host that cannot store records
// would see its frames written and then restored, and a refused restore would leave the rebuilt
// rhythm without them. Such a repeat is left alone before the first write.
bool NeedsRecords(const FCNoteEntryLayer& rebuilt, const TransferPlan& plan) {
    for (const PlannedRecord& record : plan.Records()) {
        const FCNoteEntry* owner = rebuilt.GetEntryAt(record.entry);
        if (owner != nullptr && IsSaved(*owner)) return true;
    }
    return false;
}

bool WriteRecords(const FCNoteEntryLayer& rebuilt, const TransferPlan& plan, Journal& journal) {
    host::HostBinding& host = rebuilt.GetHost();
    for (const PlannedRecord& record : plan.Records()) {
        const FCNoteEntry* owner = rebuilt.GetEntryAt(record.entry);
        if (owner == nullptr) return false;
        if (!IsSaved(*owner)) continue;
        unsigned char key[host::entry_key::kSize] = {};
        KeyFor(record, owner->GetEntryNumber(), key);
        if (host.SaveEData(record.tag, key, record.data, record.size, host::kCallVersion) == 0)
            return false;
        ++journal.stored;
    }
    return true;
}

void ApplyMarks(FCNoteEntryLayer& rebuilt, const TransferPlan& plan) {
    for (int32_t i = 0; i < rebuilt.GetCount(); ++i) {
        FCNoteEntry& entry = *rebuilt.GetEntryAt(i);
        entry.SetFlags(plan.Apply(i, entry.GetFlags()));
    }
}

// Deletes the stored records, then saves the old frames of every measure the rebuilt layer
// could have written. A refused delete leaves a record under a number that no entry carries
// after the restore; a refused save leaves that measure with the rebuilt entries.
void Restore(const FCNoteEntryLayer& repeat, const FCNoteEntryLayer& rebuilt,
             const TransferPlan& plan, const Journal& journal) {
    host::HostBinding& host = rebuilt.GetHost();
    for (std::size_t i = 0; i < journal.stored; ++i) {
        const PlannedRecord& record = plan.Records()[i];
        const FCNoteEntry* owner = rebuilt.GetEntryAt(record.entry);
        unsigned char key[host::entry_key::kSize] = {};
        KeyFor(record, owner->GetEntryNumber(), key);
        host.DeleteEData(record.tag, key, host::kCallVersion);
    }
    for (int m = rebuilt.GetStartMeasure(); m <= rebuilt.GetEndMeasure(); ++m) {
        host::TGF* written = rebuilt.GetFrameForMeasure(m);
        host::TGF* old = repeat.GetFrameForMeasure(m);
        if (written == nullptr || old == nullptr || host::tgf::SkipSave(written) != 0) continue;
        host.SaveTGF(old);
    }
}

}  // namespace

RepeatOutcome WriteRebuiltRepeat(const FCNoteEntryLayer& repeat, FCNoteEntryLayer& rebuilt,
                                 const TransferPlan& plan) noexcept {
    Journal journal;
    if (NeedsRecords(rebuilt, plan) && !rebuilt.GetHost().HasHostSaveEData())
        return RepeatOutcome::kRestored;
    try {
        // The reloads that bring the numbers back hold one more frame each for a moment.
        rebuilt.GetHost().ReserveFrames(static_cast<std::size_t>(rebuilt.GetFrameCount()) + 1);
    } catch (...) {
        return RepeatOutcome::kOutOfMemory;  // nothing written yet
    }
    try {
        if (SaveAllFrames(rebuilt) && AllNumbered(rebuilt) && WriteRecords(rebuilt, plan, journal)) {
            ApplyMarks(rebuilt, plan);
            if (SaveAllFrames(rebuilt)) return RepeatOutcome::kRewritten;
        }
    } catch (...) {
        // Nothing here should throw; if something does, the repeat is undone all the same.
    }
    Restore(repeat, rebuilt, plan, journal);
    return RepeatOutcome::kRestored;
}

}  // namespace qz::engine
