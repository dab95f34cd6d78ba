// The arena: aligned draws, a rewound round that fits asks the heap for nothing, what Make built
// is destroyed at Rewind (last first), a block the heap refuses leaves the arena usable, and the
// allocator falls back to the heap without an arena.
#include "framework/arena.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "allocation_hook.h"

namespace qz {
namespace {

// Draws `sizes` bytes each, aligned as asked, and writes every byte of them.
void DrawRound(Arena& arena, const std::vector<std::size_t>& sizes, std::size_t alignment) {
    for (std::size_t size : sizes) {
        auto* p = static_cast<unsigned char*>(arena.Allocate(size, alignment));
        ASSERT_EQ(reinterpret_cast<std::uintptr_t>(p) % alignment, 0u) << size;
        for (std::size_t i = 0; i < size; ++i) p[i] = 0xA5;
    }
}

TEST(ArenaTest, ARoundThatFitsAfterRewindAsksTheHeapForNothing) {
    struct Case {
        std::vector<std::size_t> sizes;
        std::size_t alignment;
    };
    const std::vector<Case> cases = {
        {{1, 3, 7, 100}, 1},
        {{24, 24, 24}, 8},
        {std::vector<std::size_t>(40, 1000), 16},  // outgrows the first block
        {{200000}, 64},                              // one draw larger than any block so far
    };
    for (const Case& c : cases) {
        Arena arena;
        DrawRound(arena, c.sizes, c.alignment);
        arena.Rewind();
        const std::size_t kept = arena.Capacity();
        for (int round = 0; round < 3; ++round) {
            const long long before = allocation_hook::Count();
            DrawRound(arena, c.sizes, c.alignment);
            arena.Rewind();
            // A round that outgrew the arena may need one more block once: the kept block is
            // the newest, not the sum of all.
            if (round > 0) {
                EXPECT_EQ(allocation_hook::Count(), before) << c.sizes.size() << " draws";
            }
        }
        EXPECT_GE(arena.Capacity(), kept);
    }
}

struct Logged {
    Logged(std::string called, std::vector<std::string>* into)
        : name(std::move(called)), log(into) {}
    ~Logged() { log->push_back(name); }
    std::string name;
    std::vector<std::string>* log;
};

TEST(ArenaTest, MadeObjectsAreDestroyedAtRewindLastFirst) {
    std::vector<std::string> log;
    Arena arena;
    Logged* first = arena.Make<Logged>("first", &log);
    arena.Make<int>(7);  // nothing to destroy
    arena.Make<Logged>("second", &log);
    EXPECT_EQ(first->name, "first");
    EXPECT_TRUE(log.empty()) << "alive until the rewind";
    arena.Rewind();
    EXPECT_EQ(log, (std::vector<std::string>{"second", "first"}));
    arena.Rewind();
    EXPECT_EQ(log.size(), 2u) << "destroyed once";
    arena.Make<Logged>("last", &log);
}  // the arena's destructor rewinds too (the sanitizers tell about the string)

TEST(ArenaTest, ABlockTheHeapRefusesThrowsAndLeavesTheArenaUsable) {
    Arena arena;
    {
        allocation_hook::ScopedFailure failing(1, false);
        EXPECT_THROW(arena.Allocate(10, 8), std::bad_alloc);
        EXPECT_EQ(failing.Failed(), 1);
    }
    EXPECT_EQ(arena.Capacity(), 0u);
    EXPECT_NE(arena.Allocate(10, 8), nullptr) << "memory back: the draw succeeds";
    EXPECT_THROW(arena.Allocate(static_cast<std::size_t>(-1) - 8, 16), std::bad_alloc)
        << "a size no block can hold";
}

TEST(ArenaTest, TheAllocatorUsesTheHeapWithoutAnArena) {
    Arena arena;
    arena.Allocate(1, 1);  // the first block
    for (Arena* from : {static_cast<Arena*>(nullptr), &arena}) {
        const long long before = allocation_hook::Count();
        {
            std::vector<int, ArenaAllocator<int>> numbers{ArenaAllocator<int>(from)};
            for (int i = 0; i < 100; ++i) numbers.push_back(i);
            EXPECT_EQ(numbers[99], 99);
        }
        if (from == nullptr) {
            EXPECT_GT(allocation_hook::Count(), before) << "from the heap, given back (sanitizers)";
        } else {
            EXPECT_EQ(allocation_hook::Count(), before) << "from the arena's block";
        }
    }
}

}  // namespace
}  // namespace qz
