// The plan of one repeat's transfers: marks per entry where the later one wins, entries outside
// the plan ignored, records cut to their room, lookups by entry, tag and first word.
#include "engine/transfer_plan.h"

#include <gtest/gtest.h>

#include <vector>

namespace qz::engine {
namespace {

constexpr uint32_t kTagA = 0x6564494D;
constexpr uint32_t kTagB = 0x45035450;
constexpr uint32_t kBit = 0x00200000;
constexpr uint32_t kOther = 0x00080000;

TEST(TransferPlanTest, MarksSetAndClearBitsAndTheLaterMarkWins) {
    TransferPlan plan(2);
    EXPECT_EQ(plan.Apply(0, 0x41), 0x41u) << "no mark: flags as they were";
    plan.Mark(0, kBit, true);
    EXPECT_EQ(plan.Apply(0, 0x41), 0x41u | kBit);
    plan.Mark(0, kBit, false);
    EXPECT_EQ(plan.Apply(0, 0x41 | kBit), 0x41u) << "cleared after being set";
    plan.Mark(0, kBit, true);
    EXPECT_EQ(plan.Apply(0, 0x41), 0x41u | kBit) << "set again";
    plan.Mark(1, kOther, false);
    EXPECT_EQ(plan.Apply(1, kOther | kBit), kBit) << "only the marked bit goes";

    // Entries outside the plan are never touched, whatever index the caller has.
    for (int32_t outside : {-1, 2, 1000}) {
        plan.Mark(outside, kBit, true);
        EXPECT_EQ(plan.Apply(outside, 7), 7u) << outside;
    }
    TransferPlan empty(-5);
    EXPECT_EQ(empty.Apply(0, 7), 7u) << "a negative size plans for no entry";
}

TEST(TransferPlanTest, RecordsAreCutToTheirRoomAndFoundByEntryTagAndFirstWord) {
    TransferPlan plan(3);
    std::vector<unsigned char> big(64);
    for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<unsigned char>(i + 1);
    const unsigned char one[1] = {9};
    plan.AddRecord(0, kTagA, 0, big.data(), 64);
    plan.AddRecord(0, kTagA, 1, one, 1);
    plan.AddRecord(1, kTagB, 0, big.data(), 12);
    ASSERT_EQ(plan.Records().size(), 3u);
    EXPECT_EQ(plan.Records()[0].size, PlannedRecord::kMaxSize);
    EXPECT_EQ(plan.Records()[0].data[PlannedRecord::kMaxSize - 1], PlannedRecord::kMaxSize);
    EXPECT_EQ(plan.Records()[2].size, 12);

    EXPECT_EQ(plan.CountFor(0, kTagA), 2);
    EXPECT_EQ(plan.CountFor(0, kTagB), 0);
    EXPECT_EQ(plan.CountFor(1, kTagB), 1);
    EXPECT_TRUE(plan.HasFirstWord(0, kTagA, 0x0201)) << "bytes 1, 2 as a little-endian word";
    EXPECT_FALSE(plan.HasFirstWord(0, kTagA, 9)) << "a one-byte record has no first word";
    EXPECT_FALSE(plan.HasFirstWord(0, kTagB, 0x0201)) << "another tag";
    EXPECT_FALSE(plan.HasFirstWord(2, kTagA, 0x0201)) << "another entry";
    EXPECT_FALSE(plan.HasFirstWord(1, kTagB, 0x0201, 2)) << "only among the first two records";
    EXPECT_TRUE(plan.HasFirstWord(1, kTagB, 0x0201, 3));
}

}  // namespace
}  // namespace qz::engine
