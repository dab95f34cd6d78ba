// __FCCollectionData, __FCCollectionEntryDetail and FCArticulations: collections of host data
// records; FCArticulations holds the articulations of one entry.
#pragma once

#include <cstdint>

#include "framework/articulation.h"
#include "framework/collection.h"

namespace qz {

class __FCCollectionData : public __FCCollection {};
class __FCCollectionEntryDetail : public __FCCollectionData {};

class FCArticulations : public __FCCollectionEntryDetail {
public:
    // `host` and `owner` are not owned and must outlive the collection's use. Without an arena the collection
    // owns its items, on the heap; with one (borrowed, outliving the collection), the items and
    // the item array are drawn from it and the arena destroys the items at its Rewind.
    FCArticulations(host::HostBinding& host, FCNoteEntry* owner, Arena* arena = nullptr);
    const char* ClassName() const override { return "FCArticulations"; }

    // Loads the owner's articulations of indexes 0, 1, 2, ... up to the first index that does not
    // load. Returns the count; 0 when the owner has no record or is not numbered yet.
    virtual int LoadAll();
    // Saves each in order; the first refusal stops and answers false.
    virtual bool SaveAll();
    // Creates each in the document under the owner (nothing without a numbered owner).
    virtual void CreateAll();

    FCArticulation* GetArticulationAt(int32_t index) const {
        return static_cast<FCArticulation*>(GetItemAt(index));
    }
    FCNoteEntry* GetOwnerEntry() const { return owner_; }

private:
    FCArticulation* NewItem(const FCArticulation& loaded);

    host::HostBinding& host_;
    FCNoteEntry* owner_;
    Arena* arena_;
};

}  // namespace qz
