// Arena: the memory of one round of work (one repeat of CREATE), taken from the heap in a few
// large blocks and given back all at once.
//
// CREATE builds the same kind of objects for every repeat: two layers with their frames and
// entries, articulation collections, a transfer plan. Drawing them from an arena that is rewound
// between repeats, not from the heap one by one, lets every repeat after the first reuse the
// block the first one grew, so a repeat normally asks the heap for nothing.
//
// Memory drawn here is never given back piece by piece: Rewind makes all of it free again (and
// destroys what Make built), and the destructor returns the blocks to the heap. Whatever points
// into the arena must be gone, or no longer used, by then. A draw that needs a new block throws
// std::bad_alloc when the heap has none; the arena stays as it was.
//
// Threading: one thread. Not copyable.
#pragma once

#include <cstddef>
#include <new>
#include <type_traits>
#include <utility>

namespace qz {

class Arena {
public:
    Arena() = default;
    ~Arena();
    Arena(const Arena&) = delete;
    Arena& operator=(const Arena&) = delete;

    // `bytes` of uninitialised memory aligned to `alignment` (a power of two), valid until the
    // next Rewind.
    void* Allocate(std::size_t bytes, std::size_t alignment);

    // A T built in the arena; the arena destroys it at Rewind (last built, first destroyed).
    // The caller borrows it.
    template <typename T, typename... Args>
    T* Make(Args&&... args);

    // Destroys what Make built and makes all memory free again. Keeps the newest (largest)
    // block, so a round that needs no more than it allocates nothing.
    void Rewind() noexcept;

    // Bytes of the blocks held now.
    std::size_t Capacity() const { return capacity_; }

private:
    struct Block;
    struct Cleanup {
        void (*destroy)(void*);
        void* object;
        Cleanup* next;
    };

    void* AllocateFromNewBlock(std::size_t bytes, std::size_t alignment);
    void FreeBlocksOlderThanNewest() noexcept;

    Block* newest_ = nullptr;
    char* next_ = nullptr;  // free memory of the newest block: next_ .. end_
    char* end_ = nullptr;
    std::size_t capacity_ = 0;
    Cleanup* cleanups_ = nullptr;  // the objects Make built, newest first
};

template <typename T, typename... Args>
T* Arena::Make(Args&&... args) {
    // Both pieces are drawn before T is built: a draw that fails leaves nothing to destroy.
    Cleanup* cleanup = std::is_trivially_destructible_v<T>
                           ? nullptr
                           : static_cast<Cleanup*>(Allocate(sizeof(Cleanup), alignof(Cleanup)));
    T* object = new (Allocate(sizeof(T), alignof(T))) T(std::forward<Args>(args)...);
    if (cleanup != nullptr) {
        *cleanup = Cleanup{[](void* p) { static_cast<T*>(p)->~T(); }, object, cleanups_};
        cleanups_ = cleanup;
    }
    return object;
}

// A standard allocator drawing from an arena, or from the heap when it has none: containers
// and blocks of a class that may live in either take their memory through it. Deallocating
// arena memory does nothing; the arena takes it back at Rewind.
template <typename T>
class ArenaAllocator {
public:
    using value_type = T;

    explicit ArenaAllocator(Arena* arena = nullptr) noexcept : arena_(arena) {}
    template <typename U>
    ArenaAllocator(const ArenaAllocator<U>& other) noexcept : arena_(other.GetArena()) {}

    T* allocate(std::size_t n) {
        if (n > static_cast<std::size_t>(-1) / sizeof(T)) throw std::bad_alloc();
        if (arena_ != nullptr) return static_cast<T*>(arena_->Allocate(n * sizeof(T), alignof(T)));
        return static_cast<T*>(::operator new(n * sizeof(T)));
    }
    void deallocate(T* p, std::size_t) noexcept {
        if (arena_ == nullptr) ::operator delete(p);
    }

    Arena* GetArena() const noexcept { return arena_; }

private:
    Arena* arena_;
};

template <typename T, typename U>
bool operator==(const ArenaAllocator<T>& a, const ArenaAllocator<U>& b) noexcept {
    return a.GetArena() == b.GetArena();
}
template <typename T, typename U>
bool operator!=(const ArenaAllocator<T>& a, const ArenaAllocator<U>& b) noexcept {
    return !(a == b);
}

}  // namespace qz
