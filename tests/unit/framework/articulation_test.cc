// Articulation records of an entry: loading by consecutive index, saving, creating.
#include <gtest/gtest.h>

#include <memory>

#include "engine/engine_fixture.h"
#include "framework/articulations.h"
#include "framework/note_entry_layer.h"
#include "host/exentry.h"

namespace qz::testing {
namespace {

namespace ex = host::exentry;

class ArticulationTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        MakeScore(1, 1);
        sim.SetCurrentRegion(1, 1, 1, 1);
        number = doc->AddEntry(Inst(1), 1, 0, Entry(0, 4096, {60}, {4, 8}));
        layer = std::make_unique<FCNoteEntryLayer>(binding, 0, static_cast<int16_t>(Inst(1)), 1, 1);
        ASSERT_TRUE(layer->Load());
        entry = layer->GetEntryAt(0);
    }
    void TearDown() override {
        layer.reset();
        EngineTest::TearDown();
    }
    void Put(uint32_t owner, int16_t index, int16_t definition, std::size_t size = 12) {
        std::vector<unsigned char> record(size, 0);
        host::Store<int16_t>(record.data(), 0, definition);
        doc->EData()[{hostsim::kArticulationTag, static_cast<int64_t>(owner), index}] = record;
    }

    uint32_t number = 0;
    std::unique_ptr<FCNoteEntryLayer> layer;
    FCNoteEntry* entry = nullptr;
};

TEST_F(ArticulationTest, LoadAllStopsAtTheFirstMissingIndex) {
    Put(number, 3, 12);  // indexes 0, 1 and 3: the gap ends the list
    FCArticulations all(binding, entry);
    ASSERT_EQ(all.LoadAll(), 2);
    EXPECT_EQ(all.GetArticulationAt(0)->GetDefinitionNumber(), 4);
    EXPECT_EQ(all.GetArticulationAt(1)->GetDefinitionNumber(), 8);
    EXPECT_EQ(all.GetArticulationAt(1)->GetKeyIndex(), 1);
    EXPECT_EQ(all.GetArticulationAt(1)->GetKeyNumber(), static_cast<int32_t>(number));
    EXPECT_EQ(all.GetArticulationAt(1)->GetOwnerEntry(), entry);

    FCArticulation probe(binding);
    probe.SetNoteEntry(entry);
    ASSERT_TRUE(probe.LoadFirst());
    ASSERT_TRUE(probe.LoadNext());
    EXPECT_FALSE(probe.LoadNext());
    EXPECT_EQ(probe.GetKeyIndex(), 1) << "a failed LoadNext restores the index";
}

TEST_F(ArticulationTest, UnnumberedEntriesHaveNoArticulations) {
    entry->GetEntryRecord().SetEntryNumber(0);
    FCArticulations all(binding, entry);
    EXPECT_EQ(all.LoadAll(), 0);
    all.Add(new FCArticulation(binding));
    sim.ClearCalls();
    all.CreateAll();
    EXPECT_EQ(sim.CallCount("FX_CreateEData"), 0);
}

TEST_F(ArticulationTest, ANewArticulationCanBeSavedAtOnce) {
    FCArticulation fresh(binding);
    EXPECT_EQ(fresh.GetDataSize(), 12u);
    fresh.SetNoteEntry(entry);
    fresh.SetKeyIndex(5);
    fresh.SetDefinitionNumber(33);
    EXPECT_TRUE(fresh.Save());
    EXPECT_EQ(doc->EData().count({hostsim::kArticulationTag, static_cast<int64_t>(number), 5}), 1u);
    EXPECT_EQ(fresh.ClassKind(), 3);
    EXPECT_STREQ(fresh.ClassName(), "FCArticulation");
    FCArticulation other(binding);
    EXPECT_TRUE(fresh.IsSameClass(&other));
    EXPECT_FALSE(fresh.IsSameClass(nullptr));
}

TEST_F(ArticulationTest, CreateDataTakesTheHostsIndexOrFindsTheLastOne) {
    for (bool completes : {true, false}) {
        sim.SetCreateCompletesIndex(completes);
        FCArticulation created(binding);
        created.SetNoteEntry(entry);
        created.SetDefinitionNumber(completes ? 21 : 22);
        entry->SetFlags(entry->GetFlags() & ~ex::ENTRY_HAS_ARTICULATIONS);
        ASSERT_TRUE(created.CreateData()) << completes;
        EXPECT_EQ(created.GetKeyIndex(), completes ? 2 : 3) << completes;
        EXPECT_TRUE(entry->HasFlag(ex::ENTRY_HAS_ARTICULATIONS)) << completes;
    }
    EXPECT_EQ(doc->ArticulationsOf(number), (std::vector<int>{4, 8, 21, 22}));
}

TEST_F(ArticulationTest, SaveAllStopsAtTheFirstRefusal) {
    FCArticulations all(binding, entry);
    ASSERT_EQ(all.LoadAll(), 2);
    all.Add(new FCArticulation(binding));
    all.GetArticulationAt(2)->SetNoteEntry(entry);
    all.GetArticulationAt(2)->SetKeyIndex(2);
    sim.ClearCalls();
    sim.AddFault({"FX_SaveEData", 2});
    EXPECT_FALSE(all.SaveAll());
    EXPECT_EQ(sim.CallCount("FX_SaveEData"), 2) << "the third is not tried";
    EXPECT_TRUE(FCArticulations(binding, entry).SaveAll()) << "an empty collection saves";
}

TEST_F(ArticulationTest, RecordsOfTheWrongSizeStayInsideTheRecordArea) {
    Put(number, 0, 77, 40);  // the host holds more than an articulation's 12 bytes
    Put(number, 1, 78, 4);   // and fewer
    FCArticulation a(binding);
    ASSERT_TRUE(a.LoadByKey(static_cast<int32_t>(number), 0));
    EXPECT_EQ(a.GetDataSize(), 12u);
    EXPECT_EQ(a.GetDefinitionNumber(), 77);
    ASSERT_TRUE(a.LoadByKey(static_cast<int32_t>(number), 1));
    EXPECT_EQ(a.GetDefinitionNumber(), 78);
    for (int i = 4; i < 12; ++i) EXPECT_EQ(a.GetRecordData()[i], 0) << "byte " << i;
    // A failed load empties the object, so a later save writes nothing.
    EXPECT_FALSE(a.LoadByKey(static_cast<int32_t>(number), 9));
    EXPECT_EQ(a.GetDataSize(), 0u);
    EXPECT_FALSE(a.Save());
    EXPECT_FALSE(a.Reload());
}

TEST_F(ArticulationTest, FindLastIndexWalksTheHostsOrder) {
    FCArticulation a(binding);
    a.SetNoteEntry(entry);
    EXPECT_EQ(a.FindLastIndex(), 1);
    Put(number + 1, 0, 5);  // the next entry's records do not count
    EXPECT_EQ(a.FindLastIndex(), 1);
    FCArticulation orphan(binding);
    EXPECT_EQ(orphan.FindLastIndex(), -1);
}

}  // namespace
}  // namespace qz::testing
