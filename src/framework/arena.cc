#include "framework/arena.h"

#include <algorithm>
#include <cstdint>

// Under AddressSanitizer the free part of the arena is poisoned, so that a pointer kept past a
// Rewind is caught when it is used, as it would be after a free.
#if defined(__SANITIZE_ADDRESS__)
#define QZ_ARENA_POISONS 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QZ_ARENA_POISONS 1
#endif
#endif
#ifdef QZ_ARENA_POISONS
#include <sanitizer/asan_interface.h>
#define QZ_ARENA_POISON(p, n) ASAN_POISON_MEMORY_REGION(p, n)
#define QZ_ARENA_UNPOISON(p, n) ASAN_UNPOISON_MEMORY_REGION(p, n)
#else
#define QZ_ARENA_POISON(p, n) ((void)(p), (void)(n))
#define QZ_ARENA_UNPOISON(p, n) ((void)(p), (void)(n))
#endif

namespace qz {

// A block's header; its memory follows it.
struct alignas(std::max_align_t) Arena::Block {
    Block* older;
    std::size_t size;  // bytes after the header

    char* Begin() { return reinterpret_cast<char*>(this + 1); }
};

namespace {

// Small: the first round grows the arena a few times, at different draws, which is where a
// command that runs out of memory meets it (and where the allocation countdown tests it). The
// doubling reaches a typical repeat's size within that round.
constexpr std::size_t kFirstBlockSize = 1024;

char* AlignUp(char* p, std::size_t alignment) {
    const std::uintptr_t address = reinterpret_cast<std::uintptr_t>(p);
    return reinterpret_cast<char*>((address + alignment - 1) & ~(std::uintptr_t{alignment} - 1));
}

}  // namespace

Arena::~Arena() {
    Rewind();
    if (newest_ != nullptr) QZ_ARENA_UNPOISON(newest_->Begin(), newest_->size);
    ::operator delete(newest_);
}

void* Arena::Allocate(std::size_t bytes, std::size_t alignment) {
    if (newest_ != nullptr) {
        char* start = AlignUp(next_, alignment);
        if (start <= end_ && bytes <= static_cast<std::size_t>(end_ - start)) {
            next_ = start + bytes;
            QZ_ARENA_UNPOISON(start, bytes);
            return start;
        }
    }
    return AllocateFromNewBlock(bytes, alignment);
}

// Each new block at least doubles the newest, so a round that outgrows the arena needs few of
// them, and after Rewind the kept block serves the next such round alone.
void* Arena::AllocateFromNewBlock(std::size_t bytes, std::size_t alignment) {
    const std::size_t limit = static_cast<std::size_t>(-1) / 2 - sizeof(Block);
    if (bytes > limit - alignment) throw std::bad_alloc();
    const std::size_t doubled =
        newest_ == nullptr ? kFirstBlockSize : std::min(limit, newest_->size * 2);
    const std::size_t size = std::max(bytes + alignment, doubled);
    auto* block = static_cast<Block*>(::operator new(sizeof(Block) + size));
    block->older = newest_;
    block->size = size;
    newest_ = block;
    capacity_ += size;
    char* start = AlignUp(block->Begin(), alignment);
    next_ = start + bytes;
    end_ = block->Begin() + size;
    QZ_ARENA_POISON(block->Begin(), size);
    QZ_ARENA_UNPOISON(start, bytes);
    return start;
}

void Arena::Rewind() noexcept {
    for (Cleanup* c = cleanups_; c != nullptr; c = c->next) c->destroy(c->object);
    cleanups_ = nullptr;
    FreeBlocksOlderThanNewest();
    if (newest_ != nullptr) {
        next_ = newest_->Begin();
        end_ = next_ + newest_->size;
        QZ_ARENA_POISON(next_, newest_->size);
    }
}

void Arena::FreeBlocksOlderThanNewest() noexcept {
    if (newest_ == nullptr) return;
    for (Block* block = newest_->older; block != nullptr;) {
        Block* older = block->older;
        capacity_ -= block->size;
        QZ_ARENA_UNPOISON(block->Begin(), block->size);
        ::operator delete(block);
        block = older;
    }
    newest_->older = nullptr;
}

}  // namespace qz
