#include "framework/music_region.h"

#include <gtest/gtest.h>

#include "support/plugin_fixture.h"

namespace qz {
namespace {

using testing::MakeRegionRecord;

class MusicRegionTest : public testing::SimFixture {
protected:
    void SetUp() override {
        SimFixture::SetUp();
        doc->AddStaff(11);  // slot 1
        doc->AddStaff(12);  // slot 2
        doc->AddStaff(11);  // slot 3: the same staff number as slot 1
        doc->SetMeasureCount(10);
    }
};

TEST_F(MusicRegionTest, NewRegionIsEmptyWithEveryFieldZero) {
    FCMusicRegion region;
    EXPECT_TRUE(region.IsEmpty());
    EXPECT_EQ(region.GetStartMeasure(), 0);
    EXPECT_EQ(region.GetEndMeasure(), 0);
    EXPECT_EQ(region.CalcMeasureCount(), 1);
    EXPECT_EQ(region.GetStartPosition(), 0);
    EXPECT_EQ(region.GetEndPosition(), 0);
    EXPECT_EQ(region.GetDocumentId(), 0);
    EXPECT_FALSE(region.IsWholeMeasures());
}

TEST_F(MusicRegionTest, MeasuresAndCounts) {
    struct Case { int start, end; bool empty; int first, last, count; };
    const Case cases[] = {
        {0, 0, true, 0, 0, 1},
        {0, 4, false, 0, 4, 5},
        {3, 5, false, 3, 5, 3},
        {1, 9, false, 1, 9, 9},
        {4, 4, false, 4, 4, 1},
        {5, 4, false, 5, 4, 0},    // inverted: no divisor
        {7, 2, false, 7, 2, -4},
        {3, 0, false, 3, 0, -2},
        {-3, -1, false, -3, -1, 3},  // read with their sign
    };
    for (const Case& c : cases) {
        FCMusicRegion region;
        region.SetFromRecord(binding, MakeRegionRecord(1, c.start, 1, c.end).data());
        EXPECT_EQ(region.IsEmpty(), c.empty) << c.start << ".." << c.end;
        EXPECT_EQ(region.GetStartMeasure(), c.first) << c.start << ".." << c.end;
        EXPECT_EQ(region.GetEndMeasure(), c.last) << c.start << ".." << c.end;
        EXPECT_EQ(region.CalcMeasureCount(), c.count) << c.start << ".." << c.end;
    }
}

TEST_F(MusicRegionTest, RecordFieldsAreReadAtTheirOffsets) {
    FCMusicRegion region;
    region.SetFromRecord(binding, MakeRegionRecord(-2, 3, 4, 5, 0x12345678, -7, 0x0102, -3).data());
    EXPECT_EQ(region.GetStartSlotScope(), 0x0102);
    EXPECT_EQ(region.GetStartSlot(), -2);
    EXPECT_EQ(region.GetRawStartMeasure(), 3);
    EXPECT_EQ(region.GetStartPosition(), 0x12345678);
    EXPECT_EQ(region.GetEndSlotScope(), -3);
    EXPECT_EQ(region.GetEndSlot(), 4);
    EXPECT_EQ(region.GetRawEndMeasure(), 5);
    EXPECT_EQ(region.GetEndPosition(), -7);
}

TEST_F(MusicRegionTest, WholeMeasuresOnlyFromStartToEndOfMeasure) {
    struct Case { int32_t startPosition, endPosition; bool whole; };
    const Case cases[] = {
        {0, 0x7FFFFFFF, true}, {1, 0x7FFFFFFF, false}, {0, 0x7FFFFFFE, false},
        {0, 0, false},         {-1, 0x7FFFFFFF, false}, {0, -1, false},
    };
    for (const Case& c : cases) {
        FCMusicRegion region;
        region.SetFromRecord(binding, MakeRegionRecord(1, 2, 1, 4, c.startPosition, c.endPosition).data());
        EXPECT_EQ(region.IsWholeMeasures(), c.whole) << c.startPosition << ", " << c.endPosition;
    }
}

TEST_F(MusicRegionTest, SetFromRecordTakesTheCurrentDocument) {
    sim.AddDocument();  // 2
    sim.SetCurrentDocument(2);
    FCMusicRegion region;
    region.SetFromRecord(binding, MakeRegionRecord(1, 3, 1, 4).data());
    EXPECT_EQ(region.GetDocumentId(), 2);
    EXPECT_EQ(sim.CallCount("FX_GetCurrentEnigmaDocument"), 1);
}

TEST_F(MusicRegionTest, WithoutTheDocumentFunctionTheDocumentIsZero) {
    sim.SetAbsent("FX_GetCurrentEnigmaDocument");
    Reinstall();
    FCMusicRegion region;
    region.SetFromRecord(binding, MakeRegionRecord(1, 3, 1, 4).data());
    EXPECT_EQ(region.GetDocumentId(), 0);
    EXPECT_EQ(region.GetStartMeasure(), 3);
}

TEST_F(MusicRegionTest, SetFromCurrentRegionCopiesTheHostSelection) {
    sim.SetCurrentRegion(2, 3, 3, 6, 0, 0x7FFFFFFF, 5, 6);
    FCMusicRegion region;
    EXPECT_TRUE(region.SetFromCurrentRegion(binding));
    EXPECT_EQ(region.GetStartSlotScope(), 5);
    EXPECT_EQ(region.GetStartSlot(), 2);
    EXPECT_EQ(region.GetStartMeasure(), 3);
    EXPECT_EQ(region.GetEndSlotScope(), 6);
    EXPECT_EQ(region.GetEndSlot(), 3);
    EXPECT_EQ(region.GetEndMeasure(), 6);
    EXPECT_TRUE(region.IsWholeMeasures());
    EXPECT_EQ(region.GetDocumentId(), 1);
}

TEST_F(MusicRegionTest, SetFromCurrentRegionWithoutTheHostFunctionKeepsTheRecord) {
    sim.SetAbsent("FX_GetCurERegions");
    Reinstall();
    sim.SetCurrentRegion(2, 3, 3, 6);
    FCMusicRegion region;
    EXPECT_TRUE(region.SetFromCurrentRegion(binding));
    EXPECT_TRUE(region.IsEmpty());
    EXPECT_EQ(region.GetDocumentId(), 1);  // still asked for
}

TEST_F(MusicRegionTest, IsEqualComparesStavesNotSlotsAndIgnoresTheDocument) {
    const auto base = MakeRegionRecord(1, 2, 2, 4);
    FCMusicRegion a;
    a.SetFromRecord(binding, base.data());

    sim.AddDocument();
    sim.SetCurrentDocument(2);
    FCMusicRegion otherDocument;
    otherDocument.SetFromRecord(binding, base.data());
    sim.SetCurrentDocument(1);
    ASSERT_EQ(otherDocument.GetDocumentId(), 2);
    EXPECT_TRUE(a.IsEqual(binding, &otherDocument));

    struct Case { const char* what; testing::RegionRecord record; bool equal; };
    const Case cases[] = {
        {"same", base, true},
        {"start slot 3 names staff 11 like slot 1", MakeRegionRecord(3, 2, 2, 4), true},
        {"start slot 2 names another staff", MakeRegionRecord(2, 2, 2, 4), false},
        {"end slot 1 names another staff", MakeRegionRecord(1, 2, 1, 4), false},
        {"start scope differs", MakeRegionRecord(1, 2, 2, 4, 0, 0x7FFFFFFF, 1, 0), false},
        {"start measure differs", MakeRegionRecord(1, 3, 2, 4), false},
        {"end measure differs", MakeRegionRecord(1, 2, 2, 5), false},
        {"start position differs", MakeRegionRecord(1, 2, 2, 4, 8, 0x7FFFFFFF), false},
        {"end position differs", MakeRegionRecord(1, 2, 2, 4, 0, 100), false},
    };
    for (const Case& c : cases) {
        FCMusicRegion b;
        b.SetFromRecord(binding, c.record.data());
        EXPECT_EQ(a.IsEqual(binding, &b), c.equal) << c.what;
        EXPECT_EQ(b.IsEqual(binding, &a), c.equal) << c.what << " (reversed)";
    }
    EXPECT_FALSE(a.IsEqual(binding, nullptr));
}

TEST_F(MusicRegionTest, IsEqualWithoutSlotToInstFindsEveryStaffEqual) {
    sim.SetAbsent("FX_SlotToInst");
    Reinstall();
    FCMusicRegion a;
    a.SetFromRecord(binding, MakeRegionRecord(1, 2, 2, 4).data());
    FCMusicRegion b;
    b.SetFromRecord(binding, MakeRegionRecord(2, 2, 1, 4).data());
    EXPECT_TRUE(a.IsEqual(binding, &b));
    FCMusicRegion c;
    c.SetFromRecord(binding, MakeRegionRecord(2, 2, 1, 4, 0, 0x7FFFFFFF, 4, 0).data());
    EXPECT_FALSE(a.IsEqual(binding, &c));  // the scope is still compared as stored
}

}  // namespace
}  // namespace qz
