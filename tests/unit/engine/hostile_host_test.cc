// CREATE against a host that hands out malformed frames, hands a frame out twice, refuses
// writes in the middle of a repeat or answers the show test differently from one measure to the
// next: nothing crashes, nothing is freed twice, and every repeat ends as it was or rewritten
// whole.
//
// With one layer and one-measure repeats, CREATE loads frames in this order: the source (#1),
// the repeat (#2), the rebuild's destination frame (#3) and source frame (#4), then the reload
// after the first save (#5).
#include "engine/engine_fixture.h"
#include "host/exentry.h"

namespace qz::testing {
namespace {

using hostsim::FrameDefect;

class HostileHostTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        MakeScore(2, 2);
        sim.SetMaxLayers(1);
        WriteScore();
    }

    // Writes the score again (dropping what a run left) and forgets the faults.
    void WriteScore() {
        sim.ClearFaults();
        hostsim::WriteMeasure(*doc, Inst(1), 1, 0, "C5/4@1+d C5/4 r/4 C5/4@2");
        hostsim::WriteMeasure(*doc, Inst(1), 2, 0, "C5/2 C5/2+d");
        hostsim::WriteMeasure(*doc, Inst(2), 1, 0, "D4+F4/2@3 E4/2");
        hostsim::WriteMeasure(*doc, Inst(2), 2, 0, "G4/1@4");
    }

    // The destination's measures as text, articulations and details included.
    std::string Destination() { return Music(2, 1) + " | " + Music(2, 2); }

    static constexpr const char* kOld = "D4+F4/2@3 E4/2 | G4/1@4";
    static constexpr const char* kOneMeasureRewritten = "D4+F4/4@3@1+d D4+F4/4 r/4 E4/4@2 | G4/1@4";
    static constexpr const char* kBothRewritten =
        "D4+F4/4@3@1+d D4+F4/4 r/4 E4/4@2 | G4/2@4 G4/2+d";
};

TEST_F(HostileHostTest, FramesWithCountsButNoArraysOrForeignHeadersAreReadAsMissing) {
    // Each defect on each of the five frame loads of a one-measure CREATE: the repeat is skipped
    // or, when only the reload is struck, undone; the source's own defect refuses the command.
    Create(Region(1, 1, 1, 1), Region(2, 1, 2, 1));
    ASSERT_EQ(Music(2, 1), "D4+F4/4@3@1+d D4+F4/4 r/4 E4/4@2") << "rewritten without a fault";
    for (FrameDefect defect : {FrameDefect::kNullEntries, FrameDefect::kNullDetails,
                               FrameDefect::kNegativeCounts, FrameDefect::kOtherMeasure,
                               FrameDefect::kOtherLayer, FrameDefect::kOtherSlot}) {
        for (int k = 1; k <= 5; ++k) {
            WriteScore();
            sim.AddFault({"FX_LoadTGF", k, false, 1, defect});
            Create(Region(1, 1, 1, 1), Region(2, 1, 2, 1));
            EXPECT_EQ(Music(2, 1), "D4+F4/2@3 E4/2") << "defect " << static_cast<int>(defect) << " at load " << k;
            EXPECT_EQ(Music(1, 1), "C5/4@1+d C5/4 r/4 C5/4@2");
            EXPECT_EQ(sim.LiveFrames(), 0);
            EXPECT_TRUE(sim.Violations().empty()) << sim.Violations().front();
        }
    }
}

TEST_F(HostileHostTest, AReloadAnsweredWithTheSameFrameIsNeverFreedTwice) {
    sim.AddFault({"FX_LoadTGF", 5, false, 1, FrameDefect::kSamePointer});
    Create(Region(1, 1, 1, 1), Region(2, 1, 2, 1));
    // The new numbers never came back, so the repeat was undone.
    EXPECT_EQ(Music(2, 1), "D4+F4/2@3 E4/2");
    sim.CheckNoLeaks();
    EXPECT_TRUE(sim.Violations().empty()) << sim.Violations().front();
}

TEST_F(HostileHostTest, ARefusedSaveNeverPairsTheOldEntriesWithTheRebuiltOnes) {
    // The first save is refused: the document still holds the old entries, and a reload would
    // show them with as many records as the rebuilt frame had.
    hostsim::WriteMeasure(*doc, Inst(2), 1, 0, "D4/4 E4/4 F4/4 G4/4");
    sim.AddFault({"FX_SaveTGF", 1});
    Create(Region(1, 1, 1, 1), Region(2, 1, 2, 1));
    EXPECT_EQ(Music(2, 1), "D4/4 E4/4 F4/4 G4/4") << "no source record on an old entry";
}

TEST_F(HostileHostTest, ARepeatWhoseSecondMeasureCannotBeSavedIsRestoredWhole) {
    // Save #1: measure 1 written; save #2: measure 2 refused.
    sim.AddFault({"FX_SaveTGF", 2});
    Create(Region(1, 1, 1, 2), Region(2, 1, 2, 2));
    EXPECT_EQ(Destination(), kOld);
    // Without the fault the same command rewrites both measures.
    WriteScore();
    Create(Region(1, 1, 1, 2), Region(2, 1, 2, 2));
    EXPECT_EQ(Destination(), kBothRewritten);
}

TEST_F(HostileHostTest, ARefusedRecordWriteUndoesTheRepeatAndItsRecords) {
    sim.AddFault({"FX_SaveEData", 2});
    Create(Region(1, 1, 1, 2), Region(2, 1, 2, 2));
    EXPECT_EQ(Destination(), kOld);
    // Only the records of the old entries remain attached to entries of the document.
    std::size_t attached = 0;
    for (const auto& [key, bytes] : doc->EData())
        if (key.tag == hostsim::kArticulationTag || key.tag == hostsim::kDetailTag) ++attached;
    EXPECT_EQ(attached, 6u) << "the source's 2 articulations and 2 details, the destination's 2";
}

TEST_F(HostileHostTest, AHostThatCannotStoreRecordsSeesNoWriteOfARepeatThatNeedsThem) {
    // Written and then restored, a refused restore would leave the rhythm without its records.
    sim.SetAbsent("FX_SaveEData");
    Reinstall();
    Create(Region(1, 1, 1, 1), Region(2, 1, 2, 1));
    EXPECT_EQ(Music(2, 1), "D4+F4/2@3 E4/2");
    EXPECT_EQ(sim.CallCount("FX_SaveTGF"), 0);
    // Without records to write, the same host has the repeat rewritten.
    hostsim::WriteMeasure(*doc, Inst(1), 1, 0, "C5/4 C5/4 r/4 C5/4");
    hostsim::WriteMeasure(*doc, Inst(2), 1, 0, "D4+F4/2 E4/2");
    Create(Region(1, 1, 1, 1), Region(2, 1, 2, 1));
    EXPECT_EQ(Music(2, 1), "D4+F4/4 D4+F4/4 r/4 E4/4");
}

TEST_F(HostileHostTest, AShowTestThatChangesWithinARepeatLeavesItAsItWas) {
    // Show tests: the source's two measures (#1, #2), the repeat's (#3, #4), the rebuild's
    // (#5, #6). The rebuild is told the layer is hidden for its second measure only.
    sim.AddFault({"FX_GetShowLayer", 6});
    Create(Region(1, 1, 1, 2), Region(2, 1, 2, 2));
    EXPECT_EQ(Destination(), kOld);
    EXPECT_NE(Destination(), kOneMeasureRewritten);
}

}  // namespace
}  // namespace qz::testing
