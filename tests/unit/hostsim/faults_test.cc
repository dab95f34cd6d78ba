#include <cstring>

#include "hostsim_fixture.h"

namespace hostsim::testing {
namespace {

using qz::host::TGF;

// Which of six calls of FX_SlotToInst fail under a fault.
std::string Pattern() {
    std::string pattern;
    for (int i = 0; i < 6; ++i) pattern += FX_SlotToInst(1, 0, kV) == 0 ? 'x' : '.';
    return pattern;
}

TEST_F(HostsimTest, FaultStrikesTheNthCallOnceOrFromThenOn) {
    struct Case {
        int nth;
        bool persistent;
        const char* expected;
    } cases[] = {{1, false, "x....."}, {3, false, "..x..."}, {3, true, "..xxxx"},
                 {1, true, "xxxxxx"}, {9, false, "......"}};
    for (const Case& c : cases) {
        sim.ClearFaults();
        sim.AddFault({"FX_SlotToInst", c.nth, c.persistent});
        EXPECT_EQ(Pattern(), c.expected) << "nth " << c.nth << " persistent " << c.persistent;
    }
}

TEST_F(HostsimTest, FaultCountsFromTheMomentItIsAdded) {
    FX_SlotToInst(1, 0, kV);
    FX_SlotToInst(1, 0, kV);
    sim.AddFault({"FX_SlotToInst", 2});
    EXPECT_EQ(Pattern(), ".x....");
}

TEST_F(HostsimTest, FaultOnOneFunctionLeavesTheOthers) {
    sim.AddFault({"FX_InstToSlot", 1, true});
    EXPECT_EQ(FX_SlotToInst(1, 0, kV), 11);
    EXPECT_EQ(FX_InstToSlot(11, 0, kV), 0);
}

TEST_F(HostsimTest, StruckCallsWriteNothing) {
    hostsim::WriteMeasure(*doc, 11, 1, 0, "C4/1");
    const unsigned char record[12] = {1};
    unsigned char key[8] = {};
    qz::host::Store<int16_t>(key, 4, -1);
    for (const char* f : {"FX_LoadTGF", "FX_SaveTGF", "FX_DeleteEXENTRY", "FX_LoadEData",
                          "FX_SaveEData", "FX_CreateEData", "FX_DeleteEData", "FX_NextEData",
                          "FX_GetCurERegions"})
        sim.AddFault({f, 1});

    EXPECT_EQ(LoadFrame(1, 1), nullptr);
    TGF* frame = LoadFrame(1, 1);
    ASSERT_NE(frame, nullptr) << "the fault struck once";
    EXPECT_EQ(FX_DeleteEXENTRY(frame, 0, 1, kV), 0);
    EXPECT_EQ(qz::host::tgf::EntryCount(frame), 1);
    qz::host::exentry::SetPosition(qz::host::tgf::EntryAt(frame, 0), 512);
    EXPECT_EQ(FX_SaveTGF(frame, kV), 0);
    EXPECT_EQ(hostsim::DescribeMeasure(*doc, 11, 1, 0), "C4/1");
    FX_FreeTGF(frame, kV);

    EXPECT_EQ(FX_SaveEData(kArticulationTag, key, record, 12, kV), 0);
    EXPECT_EQ(FX_CreateEData(kArticulationTag, key, record, 12, kV), 0);
    EXPECT_EQ(qz::host::Load<int16_t>(key, 4), -1) << "the key is not completed";
    EXPECT_TRUE(doc->EData().empty());

    unsigned char region[20];
    std::memset(region, 0x11, sizeof region);
    EXPECT_EQ(FX_GetCurERegions(nullptr, nullptr, region, kV), 0);
    EXPECT_EQ(region[0], 0x11);
    EXPECT_EQ(region[19], 0x11);
}

TEST_F(HostsimTest, StruckFreeStillReleasesTheFrame) {
    sim.AddFault({"FX_FreeTGF", 1});
    TGF* frame = LoadFrame(1, 1);
    EXPECT_EQ(FX_FreeTGF(frame, kV), 0);
    EXPECT_EQ(sim.LiveFrames(), 0);
}

TEST_F(HostsimTest, StruckLoadHandsOutMalformedHeadersOverRealArrays) {
    namespace tgf = qz::host::tgf;
    using qz::host::LoadPointer;
    hostsim::WriteMeasure(*doc, 11, 2, 1, "C4/2+d D4/2");
    struct Case {
        FrameDefect defect;
        int slot, measure, layer;  // what the header names
        bool entries, details;     // whether the arrays are there
        int entryCount, detailCount;
    } cases[] = {
        {FrameDefect::kNullEntries, 1, 2, 1, false, true, 3, 1},
        {FrameDefect::kNullDetails, 1, 2, 1, true, false, 2, 2},
        {FrameDefect::kNegativeCounts, 1, 2, 1, true, true, -1, -3},
        {FrameDefect::kOtherMeasure, 1, 3, 1, true, true, 2, 1},
        {FrameDefect::kOtherLayer, 1, 2, 0, true, true, 2, 1},
        {FrameDefect::kOtherSlot, 2, 2, 1, true, true, 2, 1},
    };
    for (const Case& c : cases) {
        sim.ClearFaults();
        sim.AddFault({"FX_LoadTGF", 1, false, 1, c.defect});
        TGF* frame = LoadFrame(1, 2, 1);
        ASSERT_NE(frame, nullptr) << static_cast<int>(c.defect);
        EXPECT_EQ(tgf::Slot(frame), c.slot);
        EXPECT_EQ(tgf::Measure(frame), c.measure);
        EXPECT_EQ(tgf::Layer(frame), c.layer);
        EXPECT_EQ(LoadPointer(frame, tgf::kEntries) != nullptr, c.entries);
        EXPECT_EQ(LoadPointer(frame, tgf::kDetails) != nullptr, c.details);
        EXPECT_EQ(qz::host::Load<int16_t>(frame, tgf::kEntryCount), c.entryCount);
        EXPECT_EQ(qz::host::Load<int16_t>(frame, tgf::kDetailCount), c.detailCount);
        // The malformed header is what the host expects back: no violation for keeping it.
        EXPECT_EQ(FX_FreeTGF(frame, kV), 1);
        EXPECT_TRUE(sim.Violations().empty()) << Violations();
        TGF* sound = LoadFrame(1, 2, 1);
        EXPECT_EQ(tgf::EntryCount(sound), 2) << "the fault struck once";
        FX_FreeTGF(sound, kV);
    }
}

TEST_F(HostsimTest, SamePointerLoadHandsTheLiveFrameOutAgain) {
    TGF* first = LoadFrame(1, 1);
    sim.AddFault({"FX_LoadTGF", 1, false, 1, FrameDefect::kSamePointer});
    EXPECT_EQ(LoadFrame(1, 2), first);
    EXPECT_EQ(sim.LiveFrames(), 1);
    FX_FreeTGF(first, kV);
    // Freeing what was handed out twice is the plug-in's double free.
    FX_FreeTGF(first, kV);
    EXPECT_TRUE(HasViolation("double free")) << Violations();
    sim.ClearViolations();
    sim.ClearFaults();
    sim.AddFault({"FX_LoadTGF", 1, false, 1, FrameDefect::kSamePointer});
    EXPECT_EQ(LoadFrame(1, 1), nullptr) << "no frame is out to hand again";
}

}  // namespace
}  // namespace hostsim::testing
