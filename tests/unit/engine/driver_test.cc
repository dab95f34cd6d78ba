// The CREATE driver over staves, layers and repeats, and the rhythm test that guards each repeat.
#include "engine/engine_fixture.h"
#include "engine/rhythm_compatibility.h"
#include "framework/note_entry_layer.h"

namespace qz::testing {
namespace {

class DriverTest : public EngineTest {};

TEST_F(DriverTest, EveryStaffLayerAndRepeatIsRewritten) {
    MakeScore(3, 16);
    hostsim::WriteMeasure(*doc, Inst(1), 1, 0, "C5/4 C5/4 C5/2");
    hostsim::WriteMeasure(*doc, Inst(1), 2, 0, "C5/2 C5/2");
    for (int slot = 2; slot <= 3; ++slot)
        for (int m = 10; m <= 15; ++m)
            for (int layer = 0; layer < 2; ++layer) hostsim::WriteMeasure(*doc, Inst(slot), m, layer, "D4/1");

    ASSERT_TRUE(Create(Region(1, 1, 1, 2), Region(2, 10, 3, 15)));
    for (int slot = 2; slot <= 3; ++slot)
        for (int layer = 0; layer < 2; ++layer)
            for (int m = 10; m <= 15; m += 2) {
                EXPECT_EQ(Music(slot, m, layer), "D4/4 D4/4 D4/2") << slot << "/" << m << "/" << layer;
                EXPECT_EQ(Music(slot, m + 1, layer), "D4/2 D4/2") << slot << "/" << m << "/" << layer;
            }
    // Nothing outside the destination changed.
    EXPECT_EQ(Music(2, 16), "");
    EXPECT_EQ(Music(1, 1), "C5/4 C5/4 C5/2");
}

TEST_F(DriverTest, RepeatsAreVisitedSlotThenLayerThenRepeat) {
    MakeScore(2, 4);
    hostsim::WriteMeasure(*doc, Inst(1), 1, 0, "C5/1");
    ASSERT_TRUE(Create(Region(1, 1, 1, 1), Region(1, 1, 2, 2)));
    // Each repeat is loaded once, in order: the first frame loaded per repeat tells the order.
    std::vector<std::string> order;
    for (const hostsim::Call& call : sim.Calls())
        if (call.name == "FX_LoadTGF" && call.args[4] == 1)  // repeat layers require their frames
            order.push_back(std::to_string(call.args[1]) + ":" + std::to_string(call.args[3]) +
                            ":" + std::to_string(call.args[2]));
    // The source layer comes first, then every repeat.
    const std::vector<std::string> expected = {
        "1:0:1", "1:0:1", "1:0:2", "1:1:1", "1:1:2", "1:2:1", "1:2:2", "1:3:1", "1:3:2",
        "2:0:1", "2:0:2", "2:1:1", "2:1:2", "2:2:1", "2:2:2", "2:3:1", "2:3:2"};
    EXPECT_EQ(order, expected);
}

TEST_F(DriverTest, TheSourceItselfIsLeftAloneAndTheRestStillDone) {
    MakeScore(2, 2);
    hostsim::WriteMeasure(*doc, Inst(1), 1, 0, "C5/2 C5/2");
    hostsim::WriteMeasure(*doc, Inst(1), 1, 1, "E4/1");
    hostsim::WriteMeasure(*doc, Inst(2), 1, 0, "G4/1");
    sim.ClearCalls();
    ASSERT_TRUE(Create(Region(1, 1, 1, 1), Region(1, 1, 2, 1)));
    EXPECT_EQ(Music(1, 1, 0), "C5/2 C5/2");
    EXPECT_EQ(Music(1, 1, 1), "E4/2 E4/2");
    EXPECT_EQ(Music(2, 1, 0), "G4/2 G4/2");
    // Only the two other repeats were saved, twice each.
    EXPECT_EQ(sim.CallCount("FX_SaveTGF"), 4);
}

TEST_F(DriverTest, IncompatibleRepeatsAreSkippedSilently) {
    MakeScore(2, 6);
    hostsim::WriteMeasure(*doc, Inst(1), 1, 0, "C5/2 C5/2");
    hostsim::WriteMeasure(*doc, Inst(2), 1, 0, "D4/1");
    hostsim::WriteMeasure(*doc, Inst(2), 2, 0, "E4/4 E4/4 E4/2");  // entry at a quarter where the source has none
    hostsim::WriteMeasure(*doc, Inst(2), 3, 0, "F4/2 F4/2");
    ASSERT_TRUE(Create(Region(1, 1, 1, 1), Region(2, 1, 2, 3)));
    EXPECT_EQ(Music(2, 1), "D4/2 D4/2");
    EXPECT_EQ(Music(2, 2), "E4/4 E4/4 E4/2");
    EXPECT_EQ(Music(2, 3), "F4/2 F4/2");
    EXPECT_STREQ(message, "");
}

TEST_F(DriverTest, HiddenDestinationLayersAreNeverChanged) {
    MakeScore(2, 1);
    hostsim::WriteMeasure(*doc, Inst(1), 1, 0, "C5/2 C5/2");
    hostsim::WriteMeasure(*doc, Inst(2), 1, 0, "D4/1");
    hostsim::WriteMeasure(*doc, Inst(2), 1, 1, "E4/1");
    sim.SetLayerShown(1, false);
    ASSERT_TRUE(Create(Region(1, 1, 1, 1), Region(2, 1, 2, 1)));
    EXPECT_EQ(Music(2, 1, 0), "D4/2 D4/2");
    EXPECT_EQ(Music(2, 1, 1), "E4/1");
}

TEST_F(DriverTest, HiddenFirstLayerStillReadsTheSourceButRewritesNothing) {
    MakeScore(2, 1);
    hostsim::WriteMeasure(*doc, Inst(1), 1, 0, "C5/2 C5/2");
    hostsim::WriteMeasure(*doc, Inst(2), 1, 1, "E4/1");
    sim.SetLayerShown(0, false);
    // The source loads (no message), but the rebuilt layer asks about layer 1 before it moves.
    ASSERT_TRUE(Create(Region(1, 1, 1, 1), Region(2, 1, 2, 1)));
    EXPECT_EQ(Music(2, 1, 1), "E4/1");
    EXPECT_EQ(sim.CallCount("FX_SaveTGF"), 0);
}

TEST_F(DriverTest, EmptySourceIsRefusedBeforeAnythingChanges) {
    MakeScore(2, 2);
    hostsim::WriteMeasure(*doc, Inst(1), 1, 1, "C5/1");  // music in layer 2 only
    hostsim::WriteMeasure(*doc, Inst(2), 1, 0, "D4/1");
    EXPECT_FALSE(Create(Region(1, 1, 1, 1), Region(2, 1, 2, 1)));
    EXPECT_STREQ(message, "Source region didn't contain any entries in layer 1.");
    EXPECT_EQ(sim.CallCount("FX_SaveTGF"), 0);
    EXPECT_EQ(Music(2, 1), "D4/1");
}

TEST_F(DriverTest, LayerCountComesFromTheHostOrIsFour) {
    MakeScore(2, 1);
    hostsim::WriteMeasure(*doc, Inst(1), 1, 0, "C5/2 C5/2");
    for (int layer = 0; layer < 4; ++layer) hostsim::WriteMeasure(*doc, Inst(2), 1, layer, "D4/1");
    sim.SetMaxLayers(2);
    ASSERT_TRUE(Create(Region(1, 1, 1, 1), Region(2, 1, 2, 1)));
    EXPECT_EQ(Music(2, 1, 1), "D4/2 D4/2");
    EXPECT_EQ(Music(2, 1, 2), "D4/1");

    // Without FX_GetMaxLayers the driver walks four layers.
    sim.SetAbsent("FX_GetMaxLayers");
    ASSERT_TRUE(Create(Region(1, 1, 1, 1), Region(2, 1, 2, 1)));
    EXPECT_EQ(Music(2, 1, 3), "D4/2 D4/2");
}

TEST_F(DriverTest, ShorterDestinationMeasuresRefuseTheRhythm) {
    MakeScore(2, 3);
    doc->SetTimeSignature(2, {3, 4});
    doc->SetTimeSignature(3, {5, 4});
    hostsim::WriteMeasure(*doc, Inst(1), 1, 0, "C5/2 C5/2");
    hostsim::WriteMeasure(*doc, Inst(2), 2, 0, "D4/2.");
    hostsim::WriteMeasure(*doc, Inst(2), 3, 0, "E4/2 E4/2.");
    ASSERT_TRUE(Create(Region(1, 1, 1, 1), Region(2, 2, 2, 3)));
    EXPECT_EQ(Music(2, 2), "D4/2.");             // 3/4 is shorter than the 4/4 source
    EXPECT_EQ(Music(2, 3), "E4/2 E4/2");         // 5/4 is longer: it takes the rhythm
}

TEST_F(DriverTest, RhythmTestComparesPlacesNotPitchesOrKinds) {
    MakeScore(2, 1);
    hostsim::WriteMeasure(*doc, Inst(1), 1, 0, "C5/4 r/4 C5/2");
    sim.SetCurrentRegion(1, 1, 2, 1);
    FCNoteEntryLayer source(binding, 0, static_cast<int16_t>(Inst(1)), 1, 1);
    ASSERT_TRUE(source.Load());
    const struct {
        const char* destination;
        bool compatible;
    } cases[] = {
        {"D4/1", true},          // the source subdivides it
        {"r/4 D4/4 D4/2", true}, // a note where the source rests: places are what counts
        {"D4/4 D4/4 D4/2", true},
        {"D4/4 D4/2 D4/4", false},  // an entry at 3 quarters has no source entry
        {"", false},                 // an empty repeat is never rewritten
    };
    for (const auto& c : cases) {
        hostsim::WriteMeasure(*doc, Inst(2), 1, 0, c.destination);
        FCNoteEntryLayer repeat(binding, 0, static_cast<int16_t>(Inst(2)), 1, 1);
        repeat.Load();
        EXPECT_EQ(engine::CheckRhythm(source, repeat).outcome == engine::RepeatOutcome::kRewritten,
                  c.compatible)
            << c.destination;
    }
}

TEST_F(DriverTest, SourceIsBoundedByTheHostsCurrentRegion) {
    MakeScore(2, 12);
    hostsim::WriteMeasure(*doc, Inst(1), 9, 0, "C5/2 C5/2");
    hostsim::WriteMeasure(*doc, Inst(1), 10, 0, "C5/2 C5/2");
    hostsim::WriteMeasure(*doc, Inst(2), 1, 0, "D4/1");
    // A source lying wholly after the selected destination loads nothing.
    EXPECT_FALSE(Create(Region(1, 9, 1, 10), Region(2, 1, 2, 2)));
    EXPECT_STREQ(message, "Source region didn't contain any entries in layer 1.");

    // A source reaching past the selection is cut there; repeats that need the cut measures
    // find no source entry and stay as they were.
    hostsim::WriteMeasure(*doc, Inst(1), 2, 0, "C5/2 C5/2");
    hostsim::WriteMeasure(*doc, Inst(1), 3, 0, "C5/2 C5/2");
    hostsim::WriteMeasure(*doc, Inst(2), 2, 0, "E4/1");
    EXPECT_TRUE(Create(Region(1, 2, 1, 3), Region(2, 1, 2, 2)));
    EXPECT_EQ(Music(2, 1), "D4/1");
    EXPECT_EQ(Music(2, 2), "E4/1");
    // With nothing there, the measure the cut source reaches is rewritten and the other stays.
    hostsim::WriteMeasure(*doc, Inst(2), 2, 0, "");
    EXPECT_TRUE(Create(Region(1, 2, 1, 3), Region(2, 1, 2, 2)));
    EXPECT_EQ(Music(2, 1), "D4/2 D4/2");
    EXPECT_EQ(Music(2, 2), "");
}

TEST_F(DriverTest, AMeasureTheHostMarksSkipSaveStaysAndTheRestOfItsRepeatIsWritten) {
    MakeScore(2, 2);
    hostsim::WriteMeasure(*doc, Inst(1), 1, 0, "C5/2@5 C5/2");
    hostsim::WriteMeasure(*doc, Inst(1), 2, 0, "C5/2@6 C5/2");
    hostsim::WriteMeasure(*doc, Inst(2), 1, 0, "D4/1");
    hostsim::WriteMeasure(*doc, Inst(2), 2, 0, "E4/1@4");
    sim.MarkSkipSave(2, 2, 0);
    ASSERT_TRUE(Create(Region(1, 1, 1, 2), Region(2, 1, 2, 2)));
    EXPECT_EQ(Music(2, 1), "D4/2@5 D4/2");
    EXPECT_EQ(Music(2, 2), "E4/1@4");
    for (const auto& item : doc->EData()) EXPECT_NE(item.first.first, 0) << "a record on no entry";
}

TEST_F(DriverTest, WhatTheHostReceivesForOneRewrittenRepeat) {
    MakeScore(2, 1);
    hostsim::WriteMeasure(*doc, Inst(1), 1, 0, "C5/2 r/2");
    hostsim::WriteMeasure(*doc, Inst(2), 1, 0, "D4+F4/1");
    sim.SetMaxLayers(1);
    ASSERT_TRUE(Create(Region(1, 1, 1, 1), Region(2, 1, 2, 1)));

    std::vector<std::string> frameCalls;
    for (const hostsim::Call& call : sim.Calls()) {
        std::string line = call.name;
        if (call.name == "FX_LoadTGF")
            for (int i = 0; i < 5; ++i) line += " " + std::to_string(call.args[i]);
        else if (call.name == "FX_InsertEXENTRY" || call.name == "FX_DeleteEXENTRY")
            line += " " + std::to_string(call.args[1]) + " " + std::to_string(call.args[2]);
        else if (call.name != "FX_SaveTGF" && call.name != "FX_FreeTGF")
            continue;
        EXPECT_EQ(call.args.back(), 0x19000000) << call.name;
        frameCalls.push_back(line);
    }
    const std::vector<std::string> expected = {
        "FX_LoadTGF 0 1 1 0 1",                  // the source, once
        "FX_LoadTGF 0 2 1 0 1",                  // the repeat
        "FX_LoadTGF 0 2 1 0 0",                  // the rebuild: the destination frame,
        "FX_LoadTGF 0 1 1 0 0",                  // the source frame read afresh,
        "FX_DeleteEXENTRY 0 1",                  // the destination's one entry out,
        "FX_InsertEXENTRY 0 2",                  // room for the source's two,
        "FX_FreeTGF",                            // the source frame back
        "FX_SaveTGF", "FX_LoadTGF 0 2 1 0 0",    // first save, reloaded for the new numbers
        "FX_FreeTGF",
        "FX_SaveTGF",                            // second save with the transfers' flags
        "FX_FreeTGF", "FX_FreeTGF", "FX_FreeTGF"};  // rebuilt, repeat and source layers
    EXPECT_EQ(frameCalls, expected);
    EXPECT_EQ(Music(2, 1), "D4+F4/2 r/2");
}

}  // namespace
}  // namespace qz::testing
