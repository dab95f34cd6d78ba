// Planning the source's articulations over what a rebuilt entry already holds: a definition the
// entry holds is not added twice, an entry that gains nothing is not marked, and source entries
// beyond the rebuilt layer's are left out.
#include "engine/articulation_transfer.h"

#include <gtest/gtest.h>

#include "engine/engine_fixture.h"
#include "host/exentry.h"

namespace qz::testing {
namespace {

namespace ex = host::exentry;

class ArticulationPlanTest : public EngineTest {};

TEST_F(ArticulationPlanTest, HeldDefinitionsAreSkippedAndOnlyGainsAreMarked) {
    MakeScore(2, 1);
    sim.SetCurrentRegion(1, 1, 2, 1);
    doc->AddEntry(Inst(1), 1, 0, Entry(0, 1024, {60}, {4, 8}));
    doc->AddEntry(Inst(1), 1, 0, Entry(1024, 1024, {62}, {5}));
    doc->AddEntry(Inst(1), 1, 0, Entry(2048, 2048, {64}, {6}));
    doc->AddEntry(Inst(2), 1, 0, Entry(0, 2048, {48}));
    doc->AddEntry(Inst(2), 1, 0, Entry(2048, 2048, {50}));
    FCNoteEntryLayer source(binding, 0, static_cast<int16_t>(Inst(1)), 1, 1);
    FCNoteEntryLayer rebuilt(binding, 0, static_cast<int16_t>(Inst(2)), 1, 1);
    ASSERT_TRUE(source.Load());
    ASSERT_TRUE(rebuilt.Load());

    // What the rebuilt entries hold already: definition 4 on entry 0, 5 on entry 1.
    engine::TransferPlan plan(2);
    const unsigned char four[12] = {4}, five[12] = {5};
    plan.AddRecord(0, hostsim::kArticulationTag, 0, four, 12);
    plan.AddRecord(1, hostsim::kArticulationTag, 0, five, 12);

    Arena memory;
    engine::PlanSourceArticulations(source, rebuilt, plan, memory);
    EXPECT_EQ(plan.CountFor(0, hostsim::kArticulationTag), 2) << "4 held, 8 added";
    EXPECT_TRUE(plan.HasFirstWord(0, hostsim::kArticulationTag, 8));
    EXPECT_EQ(plan.Apply(0, 0), ex::ENTRY_HAS_ARTICULATIONS);
    EXPECT_EQ(plan.CountFor(1, hostsim::kArticulationTag), 1) << "5 held: nothing added";
    EXPECT_EQ(plan.Apply(1, 0), 0u) << "no gain, no mark";
    EXPECT_EQ(plan.CountFor(2, hostsim::kArticulationTag), 0) << "the rebuilt layer has no third entry";
    EXPECT_EQ(plan.Records().size(), 3u);
}

}  // namespace
}  // namespace qz::testing
