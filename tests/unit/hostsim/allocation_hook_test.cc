// The counting and failing allocator that the allocation countdowns, the fuzz target and the
// benchmark share.
#include <memory>
#include <new>

#include "allocation_hook.h"
#include "hostsim_fixture.h"

namespace hostsim::testing {
namespace {

// One allocation through the throwing form: 'o' when it succeeded, 'x' when it threw. The
// operator is called directly, since a new-expression may be optimised away.
char Attempt() {
    try {
        ::operator delete(::operator new(8));
        return 'o';
    } catch (const std::bad_alloc&) {
        return 'x';
    }
}

// n attempts, written into a buffer that exists before the countdown is armed.
struct Pattern {
    char text[16] = {};
    explicit Pattern(int n) {
        for (int i = 0; i < n && i < 15; ++i) text[i] = Attempt();
    }
};

TEST_F(HostsimTest, HookCountsThePluginsAllocationsButNotTheHosts) {
    allocation_hook::ResetCount();
    ::operator delete(::operator new(4));
    ::operator delete[](::operator new[](3));
    EXPECT_EQ(allocation_hook::Count(), 2);
    FX_SlotToInst(1, 0, kV);  // the simulator logs the call, allocating as it goes
    EXPECT_EQ(allocation_hook::Count(), 2);
    EXPECT_GT(sim.Calls().size(), 0u);
}

TEST_F(HostsimTest, HookFailsTheNthAllocationOnceOrFromThenOn) {
    int seenOnce = 0;
    {
        long long seen = 0, failed = 0;
        Pattern pattern = [&] {
            allocation_hook::ScopedFailure failure(2, false);
            Pattern p(4);
            seen = failure.Seen();
            failed = failure.Failed();
            return p;
        }();
        EXPECT_STREQ(pattern.text, "oxoo");
        EXPECT_EQ(seen, 4);
        EXPECT_EQ(failed, 1);
    }
    {
        void* nothrow = &seenOnce;
        void* aligned = &seenOnce;
        int16_t instrument = 0;
        Pattern pattern = [&] {
            allocation_hook::ScopedFailure failure(3, true);
            Pattern p(5);
            // The nothrow and aligned forms fail the same way, without throwing.
            nothrow = ::operator new(4, std::nothrow);
            aligned = ::operator new(64, std::align_val_t{64}, std::nothrow);
            // The host's own allocations never fail.
            instrument = FX_SlotToInst(1, 0, kV);
            return p;
        }();
        EXPECT_STREQ(pattern.text, "ooxxx");
        EXPECT_EQ(nothrow, nullptr);
        EXPECT_EQ(aligned, nullptr);
        EXPECT_EQ(instrument, 11);
    }
    EXPECT_STREQ(Pattern(3).text, "ooo") << "disarmed when the scope ends";
    void* aligned = operator new(100, std::align_val_t{64});
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(aligned) % 64, 0u);
    operator delete(aligned, std::align_val_t{64});
}

}  // namespace
}  // namespace hostsim::testing
