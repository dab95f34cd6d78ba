// The wide menu record when memory runs out: the texts are widened before anything is written,
// so a failed allocation at any point leaves the host's record untouched and answers 0.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "allocation_hook.h"
#include "hostsim/sim_host.h"
#include "shell/plugin.h"

namespace qz::shell {
namespace {

TEST(MenuAllocationTest, AFailedAllocationWritesEitherTheWholeRecordOrNothing) {
    hostsim::SimHost sim;
    Plugin plugin(sim);
    std::vector<unsigned char> expected(800, 0xCC);
    const long long before = allocation_hook::Count();
    ASSERT_EQ(plugin.EnumerateUtf16(nullptr, 1, expected.data()), 1);
    const long long needed = allocation_hook::Count() - before;
    ASSERT_GE(needed, 3) << "three texts, each in a buffer of its own";
    const std::vector<unsigned char> untouched(800, 0xCC);
    int refused = 0;
    for (bool persistent : {false, true})
        for (long long nth = 1; nth <= needed; ++nth) {
            std::vector<unsigned char> record(800, 0xCC);
            int16_t answer = -1;
            {
                allocation_hook::ScopedFailure failing(nth, persistent);
                answer = plugin.EnumerateUtf16(nullptr, 1, record.data());
            }
            SCOPED_TRACE("allocation " + std::to_string(nth) + (persistent ? " and later" : " once"));
            if (answer == 1) {
                EXPECT_EQ(record, expected) << "a filled record is complete";
                EXPECT_FALSE(persistent) << "no text can be widened without memory";
            } else {
                EXPECT_EQ(answer, 0);
                EXPECT_EQ(record, untouched) << "a refused record is not written at all";
                ++refused;
            }
        }
    EXPECT_GE(refused, static_cast<int>(needed)) << "every persistent failure refuses";
}

}  // namespace
}  // namespace qz::shell
