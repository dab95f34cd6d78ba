#include "framework/collection.h"

#include <new>

namespace qz {
namespace {

int32_t GrowthStep(int32_t count) {
    if (count <= 100) return 10;
    if (count <= 1000) return 50;
    if (count <= 10000) return 100;
    return 1000;
}

}  // namespace

__FCCollection::~__FCCollection() {
    ClearAll();
    if (ownsArray_) arrayAllocator_.deallocate(items_, static_cast<std::size_t>(capacity_));
    items_ = nullptr;
    count_ = 0;
}

bool __FCCollection::EnsureRoom(int32_t n) {
    const int64_t needed = static_cast<int64_t>(count_) + n;
    if (capacity_ >= needed) return true;
    const int64_t step = GrowthStep(count_);
    const int64_t newCapacity = step * ((needed + step) / step);
    if (newCapacity > INT32_MAX) return false;
    __FCBase** grown = nullptr;
    try {
        grown = arrayAllocator_.allocate(static_cast<std::size_t>(newCapacity));
    } catch (const std::bad_alloc&) {
        return false;
    }
    for (int64_t i = 0; i < newCapacity; ++i) grown[i] = i < count_ ? items_[i] : nullptr;
    if (ownsArray_) arrayAllocator_.deallocate(items_, static_cast<std::size_t>(capacity_));
    items_ = grown;
    ownsArray_ = true;
    capacity_ = static_cast<int32_t>(newCapacity);
    return true;
}

bool __FCCollection::Add(__FCBase* item) {
    if (!EnsureRoom(1)) {
        if (ownsItems_) delete item;
        return false;
    }
    items_[count_++] = item;
    return true;
}

__FCBase* __FCCollection::GetItemAt(int32_t index) const {
    if (items_ == nullptr || index < 0 || index >= count_) return nullptr;
    return items_[index];
}

void __FCCollection::ClearAll() {
    for (int32_t i = 0; i < count_; ++i) {
        if (ownsItems_) delete items_[i];
        items_[i] = nullptr;
    }
    count_ = 0;
}

void __FCCollection::UseItemArray(__FCBase** slots, int32_t capacity) {
    if (items_ != nullptr || slots == nullptr || capacity < 1) return;
    for (int32_t i = 0; i < capacity; ++i) slots[i] = nullptr;
    items_ = slots;
    capacity_ = capacity;
    ownsArray_ = false;
}

void __FCCollection::DrawArraysFrom(Arena* arena) {
    if (items_ == nullptr) arrayAllocator_ = ArenaAllocator<__FCBase*>(arena);
}

int __FCCollection::ForEach(FCIteratorHandler& handler) {
    int answeredTrue = 0;
    for (int32_t i = 0; i < count_; ++i) {
        __FCBase* item = GetItemAt(i);
        if (item == nullptr) continue;
        if (!handler.Iterate(item)) break;
        ++answeredTrue;
    }
    return answeredTrue;
}

__FCBase* __FCCollection::FindFirst(FCIteratorHandler& handler) {
    for (int32_t i = 0; i < count_; ++i) {
        __FCBase* item = GetItemAt(i);
        if (item != nullptr && handler.IsMatch(item)) return item;
    }
    return nullptr;
}

int __FCCollection::ForEachIndex(FCIteratorHandler& handler) {
    int answeredTrue = 0;
    for (int32_t i = 0; i < count_; ++i) {
        __FCBase* item = GetItemAt(i);
        if (item == nullptr) continue;
        if (!handler.IterateIndex(item, i)) break;
        ++answeredTrue;
    }
    return answeredTrue;
}

}  // namespace qz
