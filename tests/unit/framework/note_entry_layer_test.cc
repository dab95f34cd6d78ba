// Loading, cloning and saving the entries of one layer over a run of measures.
#include <gtest/gtest.h>

#include "engine/engine_fixture.h"
#include "framework/note_entry_layer.h"
#include "host/exentry.h"

namespace qz::testing {
namespace {

class LayerTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        MakeScore(2, 12);
        sim.SetCurrentRegion(1, 1, 2, 8);
    }
    static int16_t I(int slot) { return static_cast<int16_t>(Inst(slot)); }
};

TEST_F(LayerTest, RangeIsBoundedByTheCurrentRegion) {
    const struct {
        int first, last, wantStart, wantEnd;
        bool loads;
    } cases[] = {
        {5, 12, 5, 8, true}, {10, 12, 10, 8, false}, {3, -1, 3, 8, true},
        {0, 4, 1, 4, true},  {-7, 2, 1, 2, true},    {2, 2, 2, 2, true},
    };
    for (const auto& c : cases) {
        FCNoteEntryLayer layer(binding, 0, I(1), static_cast<int16_t>(c.first), static_cast<int16_t>(c.last));
        EXPECT_EQ(layer.GetStartMeasure(), c.wantStart) << c.first << ".." << c.last;
        EXPECT_EQ(layer.GetEndMeasure(), c.wantEnd) << c.first << ".." << c.last;
        sim.ClearCalls();
        EXPECT_EQ(layer.Load(), c.loads) << c.first << ".." << c.last;
        if (!c.loads) {
            EXPECT_TRUE(sim.Calls().empty()) << "a refused load calls no host function";
        }
    }
    // An empty current region leaves every layer ending at measure 0: nothing loads.
    sim.SetCurrentRegion(0, 0, 0, 0);
    FCNoteEntryLayer none(binding, 0, I(1), 1, 4);
    EXPECT_EQ(none.GetEndMeasure(), 0);
    EXPECT_FALSE(none.Load());
}

TEST_F(LayerTest, LoadRefusesBadInstrumentsAndHidesHiddenLayers) {
    hostsim::WriteMeasure(*doc, Inst(1), 1, 1, "C4/1");
    FCNoteEntryLayer noStaff(binding, 1, 0, 1, 1);
    EXPECT_FALSE(noStaff.Load());

    sim.SetLayerShown(1, false);
    FCNoteEntryLayer hidden(binding, 1, I(1), 1, 1);
    EXPECT_TRUE(hidden.Load());
    EXPECT_EQ(hidden.GetCount(), 0);
    EXPECT_EQ(hidden.GetFrameForMeasure(1), nullptr);

    FCNoteEntryLayer anyway(binding, 1, I(1), 1, 1);
    anyway.SetShownLayersOnly(false);
    EXPECT_TRUE(anyway.Load());
    EXPECT_EQ(anyway.GetCount(), 1);
}

TEST_F(LayerTest, EntriesAreChainedAcrossMeasuresWithTheirNotes) {
    hostsim::WriteMeasure(*doc, Inst(1), 1, 0, "C4+E4/2 r/2");
    hostsim::WriteMeasure(*doc, Inst(1), 3, 0, "G4+B4+D5/1");
    FCNoteEntryLayer layer(binding, 0, I(1), 1, 4);
    ASSERT_TRUE(layer.Load());
    ASSERT_EQ(layer.GetCount(), 3);
    FCNoteEntry* first = layer.GetEntryAt(0);
    FCNoteEntry* rest = layer.GetEntryAt(1);
    FCNoteEntry* chord = layer.GetEntryAt(2);
    EXPECT_EQ(first->GetPrevious(), nullptr);
    EXPECT_EQ(first->GetNext(), rest);
    EXPECT_EQ(rest->GetNext(), chord);  // across the empty measure 2
    EXPECT_EQ(chord->GetPrevious(), rest);
    EXPECT_EQ(chord->GetNext(), nullptr);
    EXPECT_EQ(chord->GetMeasure(), 3);
    EXPECT_EQ(chord->GetInstrument(), Inst(1));
    EXPECT_EQ(first->GetCount(), 2);
    EXPECT_EQ(chord->GetCount(), 3);
    EXPECT_EQ(layer.MeasureOffsetOf(*chord), 2);
    EXPECT_EQ(layer.GetFrameForMeasure(2), layer.GetFrameForMeasure(2));
    EXPECT_EQ(layer.GetFrameForMeasure(0), nullptr);
    EXPECT_EQ(layer.GetFrameForMeasure(5), nullptr);

    // Taking over a donor's notes gives exactly as many note objects as the donor has.
    chord->CopyNotesFrom(*first);
    EXPECT_EQ(chord->GetCount(), 2);
    EXPECT_EQ(chord->GetNoteCount(), 2);
    // A record whose noteCount is 0 has no note objects.
    first->GetEntryRecord().SetNoteCount(0);
    first->BuildNotes();
    EXPECT_EQ(first->GetCount(), 0);
}

TEST_F(LayerTest, MissingFramesFailARequiringLoadAndFreeWhatWasLoaded) {
    hostsim::WriteMeasure(*doc, Inst(1), 1, 0, "C4/1");
    sim.MakeFrameAbsent(1, 3, 0);
    FCNoteEntryLayer layer(binding, 0, I(1), 1, 4);
    EXPECT_FALSE(layer.Load());
    EXPECT_EQ(layer.GetCount(), 0);
    EXPECT_EQ(sim.LiveFrames(), 0);

    FCNoteEntryLayer lenient(binding, 0, I(1), 1, 4);
    lenient.SetRequireFrames(false);
    EXPECT_TRUE(lenient.Load());
    EXPECT_EQ(lenient.GetCount(), 1);
    EXPECT_EQ(lenient.GetFrameForMeasure(3), nullptr);
}

TEST_F(LayerTest, CloneMovesTheLayerAndSaveNumbersTheCopies) {
    hostsim::WriteMeasure(*doc, Inst(1), 1, 0, "C4/2 D4/2");
    hostsim::WriteMeasure(*doc, Inst(1), 2, 0, "E4/1");
    hostsim::WriteMeasure(*doc, Inst(2), 10, 1, "G4/1");
    sim.SetCurrentRegion(1, 1, 2, 12);
    FCNoteEntryLayer layer(binding, 0, I(1), 1, 2);
    ASSERT_TRUE(layer.CloneToPlace(1, I(2), 10));
    EXPECT_EQ(layer.GetStartMeasure(), 10);
    EXPECT_EQ(layer.GetEndMeasure(), 11);
    EXPECT_EQ(layer.GetInstrument(), Inst(2));
    EXPECT_EQ(layer.GetLayerIndex(), 1);
    ASSERT_EQ(layer.GetCount(), 3);
    EXPECT_EQ(layer.GetEntryAt(0)->GetMeasure(), 10);
    EXPECT_EQ(layer.GetEntryAt(2)->GetMeasure(), 11);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(layer.GetEntryAt(i)->GetEntryNumber(), 0u) << i;
    // Nothing is written before Save.
    EXPECT_EQ(Music(2, 10, 1), "G4/1");

    EXPECT_TRUE(layer.Save());
    EXPECT_EQ(Music(2, 10, 1), "C4/2 D4/2");
    EXPECT_EQ(Music(2, 11, 1), "E4/1");
    for (int i = 0; i < 3; ++i) {
        const FCNoteEntry& entry = *layer.GetEntryAt(i);
        EXPECT_NE(entry.GetEntryNumber(), 0u) << i;
        EXPECT_EQ(entry.GetFrame(), layer.GetFrameForMeasure(entry.GetMeasure())) << i;
    }
    EXPECT_EQ(layer.GetEntryAt(0)->GetEntryNumber(),
              host::exentry::EntryNumber(Stored(2, 10, 0, 1)));
    // The source is unchanged.
    EXPECT_EQ(Music(1, 1), "C4/2 D4/2");
}

TEST_F(LayerTest, DestroyingWithoutSaveLeavesTheDocument) {
    hostsim::WriteMeasure(*doc, Inst(1), 1, 0, "C4/1");
    {
        FCNoteEntryLayer layer(binding, 0, I(1), 1, 1);
        ASSERT_TRUE(layer.Load());
        layer.GetEntryAt(0)->SetNoteCount(0);
        layer.GetEntryAt(0)->SetFlags(0);
    }
    EXPECT_EQ(Music(1, 1), "C4/1");
    EXPECT_EQ(sim.CallCount("FX_SaveTGF"), 0);
}

TEST_F(LayerTest, SaveReportsRefusalsButSavesTheOtherFrames) {
    hostsim::WriteMeasure(*doc, Inst(1), 1, 0, "C4/1");
    hostsim::WriteMeasure(*doc, Inst(1), 2, 0, "D4/1");
    FCNoteEntryLayer layer(binding, 0, I(1), 1, 2);
    ASSERT_TRUE(layer.Load());
    layer.GetEntryAt(0)->SetFlags(layer.GetEntryAt(0)->GetFlags() | 0x00000001);
    layer.GetEntryAt(1)->SetFlags(layer.GetEntryAt(1)->GetFlags() | 0x00000001);
    sim.AddFault({"FX_SaveTGF", 1});
    EXPECT_FALSE(layer.Save());
    EXPECT_EQ(host::exentry::Flags(Stored(1, 1, 0)) & 1u, 0u);
    EXPECT_EQ(host::exentry::Flags(Stored(1, 2, 0)) & 1u, 1u);
}

TEST_F(LayerTest, AReloadThatFindsNoFrameKeepsTheEntriesValid) {
    hostsim::WriteMeasure(*doc, Inst(1), 1, 0, "C4/2 D4/2");
    sim.SetCurrentRegion(1, 1, 2, 4);
    FCNoteEntryLayer layer(binding, 0, I(1), 1, 1);
    ASSERT_TRUE(layer.CloneToPlace(0, I(2), 3));
    // The first load after the save is the reload.
    sim.AddFault({"FX_LoadTGF", 1});
    EXPECT_TRUE(layer.Save());
    ASSERT_EQ(layer.GetCount(), 2);
    // The entries still point into a live frame (AddressSanitizer would catch a freed one).
    EXPECT_EQ(layer.GetEntryAt(1)->GetFrame(), layer.GetFrameForMeasure(3));
    EXPECT_EQ(layer.GetEntryAt(1)->GetEntryNumber(), 0u);
    EXPECT_EQ(Music(2, 3), "C4/2 D4/2");
}

TEST_F(LayerTest, NoteCountsOutsideTheRecordAreBoundedEverywhere) {
    hostsim::WriteMeasure(*doc, Inst(1), 1, 0, "C5/2 C5/2");
    hostsim::WriteMeasure(*doc, Inst(2), 1, 0, "C4+E4/2 D4/2");
    host::exentry::SetNoteCount(Stored(2, 1, 0), 40);
    host::exentry::SetNoteCount(Stored(2, 1, 1), -3);
    {
        FCNoteEntryLayer layer(binding, 0, I(2), 1, 1);
        ASSERT_TRUE(layer.Load());
        EXPECT_EQ(layer.GetEntryAt(0)->GetCount(), 12);
        EXPECT_EQ(layer.GetEntryAt(1)->GetCount(), 0);
    }
    // CREATE over such entries copies at most twelve notes, none from a negative count (the
    // save then gives that entry the single placeholder note).
    ASSERT_TRUE(Create(Region(1, 1, 1, 1), Region(2, 1, 2, 1)));
    EXPECT_EQ(host::exentry::RawNoteCount(Stored(2, 1, 0)), 12);
    EXPECT_EQ(host::exentry::RawNoteCount(Stored(2, 1, 1)), 1);
}

TEST_F(LayerTest, FramesMarkedSkipSaveAreNotWritten) {
    hostsim::WriteMeasure(*doc, Inst(1), 1, 0, "C4/1");
    FCNoteEntryLayer layer(binding, 0, I(1), 1, 1);
    ASSERT_TRUE(layer.Load());
    host::Store<int16_t>(layer.GetFrameForMeasure(1), host::tgf::kSkipSave, 1);
    EXPECT_TRUE(layer.Save());
    EXPECT_EQ(sim.CallCount("FX_SaveTGF"), 0);
}

}  // namespace
}  // namespace qz::testing
