// __FCIteratorBase and __FCCollection: the owning, growable array of framework objects.
//
// The collection owns every item it holds and deletes it through its virtual destructor when it
// is cleared or destroyed. Items are only ever appended; a caller of GetItemAt borrows the item.
// The array grows in steps chosen from the current count (10, 50, 100, 1000), so that small
// collections stay small and large ones do not reallocate at every Add.
#pragma once

#include <cstdint>

#include "framework/arena.h"
#include "framework/base.h"

namespace qz {

// Caller-supplied visitor for the iteration operations. Not a framework object.
class FCIteratorHandler {
public:
    virtual ~FCIteratorHandler() = default;
    virtual bool Iterate(__FCBase* item) { (void)item; return true; }
    virtual bool IterateIndex(__FCBase* item, int32_t index) {
        (void)item; (void)index; return true;
    }
    virtual bool IsMatch(__FCBase* item) { (void)item; return false; }
};

class __FCIteratorBase : public __FCBase {};

class __FCCollection : public __FCIteratorBase {
public:
    __FCCollection() = default;
    ~__FCCollection() override;
    const char* ClassName() const override { return "__FCCollection"; }

    // Walk the items from index 0 while below the count, skipping null slots.
    // ForEach stops at the first false answer and returns how many answered true.
    virtual int ForEach(FCIteratorHandler& handler);
    // The first item the handler matches, or null.
    virtual __FCBase* FindFirst(FCIteratorHandler& handler);
    // As ForEach, with the item's index.
    virtual int ForEachIndex(FCIteratorHandler& handler);

    // Makes room for `n` more items. False when the array could not be allocated.
    bool EnsureRoom(int32_t n);
    // Appends `item` and takes ownership of it (in a collection that owns its items). When no
    // room can be made, false is returned and an item the collection would have owned is
    // deleted, so that nothing leaks.
    bool Add(__FCBase* item);
    int32_t GetCount() const { return count_; }
    int32_t GetCapacity() const { return capacity_; }
    // The item at `index`, or null when the index is out of range.
    __FCBase* GetItemAt(int32_t index) const;
    // Deletes every item (forgets it, in a collection that does not own its items); keeps the
    // array and its capacity.
    void ClearAll();

protected:
    // For a collection whose items live in storage its owner keeps (a block or member objects):
    // clearing and destruction then forget the items instead of deleting them.
    void SetOwnsItems(bool owns) { ownsItems_ = owns; }
    // Makes `slots` (`capacity` pointers, kept by the caller and outliving the collection) the
    // item array of an empty collection that has none yet, so that holding up to `capacity`
    // items allocates nothing. Growing past it moves the items to an array of the collection's
    // own.
    void UseItemArray(__FCBase** slots, int32_t capacity);
    // Takes the item arrays from `arena` (borrowed, outliving the collection) instead of the
    // heap. Only for a collection that has no array yet.
    void DrawArraysFrom(Arena* arena);

private:
    int32_t count_ = 0;
    int32_t capacity_ = 0;
    __FCBase** items_ = nullptr;
    bool ownsItems_ = true;
    bool ownsArray_ = true;  // whether items_ was allocated here
    ArenaAllocator<__FCBase*> arrayAllocator_;  // where the arrays allocated here come from
};

}  // namespace qz
