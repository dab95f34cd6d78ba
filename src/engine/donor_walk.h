// The walk that pairs each rebuilt entry with the destination entry sounding at its place.
//
// Rebuilt entries are visited in chain order (measure by measure, ascending position), so the
// donor only ever moves forward: the destination's entries are read once per repeat.
#pragma once

#include "framework/note_entry_layer.h"

namespace qz::engine {

class DonorWalk {
public:
    // Both layers are borrowed and must outlive the walk.
    DonorWalk(const FCNoteEntryLayer& donors, const FCNoteEntryLayer& rebuilt)
        : donors_(donors), rebuilt_(rebuilt), donor_(donors.GetEntryAt(0)) {}

    // The last destination entry in `entry`'s measure whose position is not after it; the first
    // of that measure when all start later; when that measure has none, the first entry of the
    // next measure that has one, or the last entry of the destination. Null only when the
    // destination holds no entry.
    FCNoteEntry* DonorFor(const FCNoteEntry& entry) {
        if (donor_ == nullptr) return nullptr;
        const int offset = rebuilt_.MeasureOffsetOf(entry);
        while (donors_.MeasureOffsetOf(*donor_) < offset && donor_->GetNext() != nullptr)
            donor_ = donor_->GetNext();
        for (FCNoteEntry* next = donor_->GetNext();
             next != nullptr && donors_.MeasureOffsetOf(*next) == offset &&
             next->GetPosition() <= entry.GetPosition();
             next = donor_->GetNext())
            donor_ = next;
        return donor_;
    }

    // True when `donor` stands at exactly the place of `entry`: same measure offset and position.
    bool AtSamePlace(const FCNoteEntry& donor, const FCNoteEntry& entry) const {
        return donors_.MeasureOffsetOf(donor) == rebuilt_.MeasureOffsetOf(entry) &&
               donor.GetPosition() == entry.GetPosition();
    }

private:
    const FCNoteEntryLayer& donors_;
    const FCNoteEntryLayer& rebuilt_;
    FCNoteEntry* donor_;
};

}  // namespace qz::engine
