// Planning detail records for a rebuilt layer: entries paired by index only when both layers hold
// as many, details copied per sub-index up to the first gap, and an entry that claims details
// it does not have planned as having none.
#include "engine/detail_transfer.h"

#include <gtest/gtest.h>

#include "engine/engine_fixture.h"
#include "host/exentry.h"

namespace qz::testing {
namespace {

namespace ex = host::exentry;

class DetailPlanTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        MakeScore(2, 1);
        sim.SetCurrentRegion(1, 1, 2, 1);
    }
};

TEST_F(DetailPlanTest, LayersOfDifferentSizesArePairedNever) {
    hostsim::EntrySpec withDetails = Entry(0, 2048, {60});
    withDetails.details = 2;
    doc->AddEntry(Inst(1), 1, 0, withDetails);
    doc->AddEntry(Inst(1), 1, 0, Entry(2048, 2048, {62}));
    doc->AddEntry(Inst(2), 1, 0, Entry(0, 4096, {48}));
    FCNoteEntryLayer source(binding, 0, static_cast<int16_t>(Inst(1)), 1, 1);
    FCNoteEntryLayer other(binding, 0, static_cast<int16_t>(Inst(2)), 1, 1);
    ASSERT_TRUE(source.Load());
    ASSERT_TRUE(other.Load());
    engine::TransferPlan plan(2);
    EXPECT_FALSE(engine::PlanEntryDetails(other, source, plan));
    EXPECT_TRUE(plan.Records().empty()) << "nothing planned for a pairing that does not hold";

    EXPECT_TRUE(engine::PlanEntryDetails(source, source, plan));
    EXPECT_EQ(plan.CountFor(0, hostsim::kDetailTag), 2);
    EXPECT_EQ(plan.CountFor(1, hostsim::kDetailTag), 0);
    EXPECT_EQ(plan.Apply(0, 0), ex::ENTRY_HAS_DETAILS);
}

TEST_F(DetailPlanTest, AnEntryClaimingDetailsItLacksIsPlannedWithoutThem) {
    hostsim::EntrySpec claims = Entry(0, 4096, {60});
    claims.extraFlags = ex::ENTRY_HAS_DETAILS;  // the flag, but no record in the table
    doc->AddEntry(Inst(1), 1, 0, claims);
    FCNoteEntryLayer source(binding, 0, static_cast<int16_t>(Inst(1)), 1, 1);
    ASSERT_TRUE(source.Load());
    ASSERT_TRUE(source.GetEntryAt(0)->HasFlag(ex::ENTRY_HAS_DETAILS));
    engine::TransferPlan plan(1);
    ASSERT_TRUE(engine::PlanEntryDetails(source, source, plan));
    EXPECT_TRUE(plan.Records().empty());
    EXPECT_EQ(plan.Apply(0, ex::ENTRY_HAS_DETAILS | 0x40), 0x40u) << "the empty claim is dropped";
}

}  // namespace
}  // namespace qz::testing
