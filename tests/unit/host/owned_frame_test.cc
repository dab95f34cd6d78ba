// One owner per host frame, and the checks a frame passes before anything reads it.
#include <gtest/gtest.h>

#include "host/owned_frame.h"
#include "hostsim/sim_host.h"
#include "hostsim/stand_in_install.h"
#include "platform/native_stand_in.h"

namespace qz::host {
namespace {

using hostsim::FrameDefect;

class OwnedFrameTest : public ::testing::Test {
protected:
    void SetUp() override {
        hostsim::Document& doc = sim_.AddDocument();
        doc.AddStaff(1);
        doc.SetMeasureCount(2);
        hostsim::WriteMeasure(doc, 1, 1, 0, "C4/2+d D4/2");
    }
    void TearDown() override {
        sim_.CheckNoLeaks();
        for (const std::string& v : sim_.Violations()) ADD_FAILURE() << v;
    }
    OwnedFrame Load(int measure = 1, int layer = 0) { return LoadFrame(binding_, 0, 1, measure, layer, 0); }

    hostsim::SimHost sim_;
    HostBinding binding_{sim_};
};

TEST_F(OwnedFrameTest, TheOwnerGivesTheFrameBackOnceWhereverItMoves) {
    {
        OwnedFrame first = Load();
        ASSERT_TRUE(first);
        EXPECT_TRUE(binding_.HoldsFrame(first.Get()));
        OwnedFrame moved = std::move(first);
        EXPECT_FALSE(first);
        OwnedFrame other = Load(2);
        other = std::move(moved);  // the frame of measure 2 goes back here
        EXPECT_EQ(sim_.LiveFrames(), 1);
        EXPECT_EQ(tgf::Measure(other.Get()), 1);
    }
    EXPECT_EQ(sim_.LiveFrames(), 0);
    EXPECT_EQ(sim_.CallCount("FX_FreeTGF"), 2);
}

TEST_F(OwnedFrameTest, MalformedFramesAreGivenBackAndSeenAsMissing) {
    for (FrameDefect defect : {FrameDefect::kNullEntries, FrameDefect::kNullDetails,
                               FrameDefect::kNegativeCounts, FrameDefect::kOtherMeasure,
                               FrameDefect::kOtherLayer, FrameDefect::kOtherSlot}) {
        sim_.ClearFaults();
        sim_.AddFault({"FX_LoadTGF", 1, false, 1, defect});
        EXPECT_FALSE(Load()) << static_cast<int>(defect);
        EXPECT_EQ(sim_.LiveFrames(), 0) << static_cast<int>(defect);
        EXPECT_TRUE(Load()) << "the next load is sound again";
    }
}

TEST_F(OwnedFrameTest, AFrameHandedOutAgainStaysWithItsFirstOwner) {
    OwnedFrame first = Load();
    sim_.AddFault({"FX_LoadTGF", 1, false, 1, FrameDefect::kSamePointer});
    OwnedFrame again = Load(2);
    EXPECT_FALSE(again);
    EXPECT_EQ(sim_.LiveFrames(), 1);
    first.Free();
    EXPECT_EQ(sim_.LiveFrames(), 0);  // freed once, by its first owner (TearDown finds no double free)
}

TEST_F(OwnedFrameTest, CountsWithoutTheirArraysReadAsNoRecords) {
    // A header as a broken host might write it: counts of 3 and 2 with null arrays.
    unsigned char header[tgf::kHeaderSize] = {};
    Store<int16_t>(header, tgf::kEntryCount, 3);
    Store<int16_t>(header, tgf::kDetailCount, 2);
    const TGF* frame = reinterpret_cast<const TGF*>(header);
    EXPECT_EQ(tgf::EntryCount(frame), 0);
    EXPECT_EQ(tgf::DetailCount(frame), 0);
    EXPECT_EQ(tgf::EntryAt(frame, 0), nullptr);
    EXPECT_EQ(tgf::StatedEntryCount(frame), 3);
    EXPECT_FALSE(IsSoundFrameOf(frame, 0, 0, 0, 0));
    Store<int16_t>(header, tgf::kEntryCount, 0);
    Store<int16_t>(header, tgf::kDetailCount, 0);
    EXPECT_TRUE(IsSoundFrameOf(frame, 0, 0, 0, 0));
    EXPECT_FALSE(IsSoundFrameOf(frame, 0, 0, 1, 0)) << "another measure";
    EXPECT_TRUE(IsSoundFrameOf(frame, 0x10000, 0, 0, 0)) << "compared as the host got them: 16 bits";
}

}  // namespace
}  // namespace qz::host
