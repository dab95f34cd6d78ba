// Articulations and entry details travel with the new rhythm.
#include "engine/engine_fixture.h"
#include "host/edata_key.h"
#include "host/exentry.h"

namespace qz::testing {
namespace {

namespace ex = host::exentry;

class TransferTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        MakeScore(2, 2);
    }
    uint32_t Number(int slot, int measure, int i) { return ex::EntryNumber(Stored(slot, measure, i)); }
    std::vector<int> Articulations(int slot, int measure, int i) {
        return doc->ArticulationsOf(Number(slot, measure, i));
    }
    bool Flag(int slot, int measure, int i, uint32_t bit) {
        return (ex::Flags(Stored(slot, measure, i)) & bit) != 0;
    }
    void AddDetail(uint32_t entryNumber, int16_t sub, unsigned char fill) {
        std::vector<unsigned char> payload(30, fill);
        doc->EData()[{hostsim::kDetailTag, static_cast<int64_t>(entryNumber), sub}] = payload;
    }
    std::vector<unsigned char> Detail(uint32_t entryNumber, int16_t sub) {
        auto it = doc->EData().find({hostsim::kDetailTag, static_cast<int64_t>(entryNumber), sub});
        return it == doc->EData().end() ? std::vector<unsigned char>{} : it->second;
    }
};

TEST_F(TransferTest, DestinationArticulationsComeFirstThenTheSourcesWithoutRepeats) {
    // Source: 4 quarters; the first carries definitions 7 and 3, the third carries 5.
    hostsim::WriteMeasure(*doc, Inst(1), 1, 0, "C5/4@7@3 C5/4 C5/4@5 C5/4");
    // Destination: two halves; the first carries 3 (also on the source), the second carries 9.
    hostsim::WriteMeasure(*doc, Inst(2), 1, 0, "D4/2@3 E4/2@9");
    ASSERT_TRUE(Create(Region(1, 1, 1, 1), Region(2, 1, 2, 1)));

    EXPECT_EQ(Articulations(2, 1, 0), (std::vector<int>{3, 7}));  // 3 once, from the destination
    EXPECT_EQ(Articulations(2, 1, 1), std::vector<int>{});          // subdivides: nothing from D
    EXPECT_EQ(Articulations(2, 1, 2), (std::vector<int>{9, 5}));
    EXPECT_EQ(Articulations(2, 1, 3), std::vector<int>{});
    EXPECT_TRUE(Flag(2, 1, 0, ex::ENTRY_HAS_ARTICULATIONS));
    EXPECT_FALSE(Flag(2, 1, 1, ex::ENTRY_HAS_ARTICULATIONS));
    EXPECT_TRUE(Flag(2, 1, 2, ex::ENTRY_HAS_ARTICULATIONS));
    EXPECT_EQ(Music(2, 1), "D4/4@3@7 D4/4 E4/4@9@5 E4/4");
    // The donors keep their records.
    EXPECT_EQ(Articulations(1, 1, 0), (std::vector<int>{7, 3}));
}

TEST_F(TransferTest, ASkippedDuplicateLeavesNoGapBeforeTheArticulationsAfterIt) {
    // The source's 3 is already on the rebuilt entry; its 7 must follow at the next index, or
    // the list would end at the gap and the 7 would never be read.
    hostsim::WriteMeasure(*doc, Inst(1), 1, 0, "C5/2@3@7 C5/2");
    hostsim::WriteMeasure(*doc, Inst(2), 1, 0, "D4/1@3");
    ASSERT_TRUE(Create(Region(1, 1, 1, 1), Region(2, 1, 2, 1)));
    EXPECT_EQ(Articulations(2, 1, 0), (std::vector<int>{3, 7}));
}

TEST_F(TransferTest, SourceEntriesWithoutTheMarkPassNothingOn) {
    hostsim::WriteMeasure(*doc, Inst(1), 1, 0, "C5/2@4 C5/2");
    // Clear the mark on the source entry while its record stays in the document.
    unsigned char* source = Stored(1, 1, 0);
    ex::SetFlags(source, ex::Flags(source) & ~ex::ENTRY_HAS_ARTICULATIONS);
    hostsim::WriteMeasure(*doc, Inst(2), 1, 0, "D4/1");
    ASSERT_TRUE(Create(Region(1, 1, 1, 1), Region(2, 1, 2, 1)));
    EXPECT_EQ(Articulations(2, 1, 0), std::vector<int>{});
    EXPECT_FALSE(Flag(2, 1, 0, ex::ENTRY_HAS_ARTICULATIONS));
}

TEST_F(TransferTest, MarksWithoutRecordsAndFailedReadsPassNothingOnAndTheRestMoves) {
    for (bool readsFail : {false, true}) {
        hostsim::WriteMeasure(*doc, Inst(1), 1, 0, "C5/2+d C5/2@5");
        hostsim::WriteMeasure(*doc, Inst(2), 1, 0, "D4/2 E4/2@3");
        for (int slot : {1, 2}) {  // marked, with no record behind the mark
            unsigned char* first = Stored(slot, 1, 0);
            ex::SetFlags(first, ex::Flags(first) | ex::ENTRY_HAS_ARTICULATIONS);
        }
        sim.ClearFaults();
        if (readsFail) sim.AddFault({"FX_LoadEData", 1, /*persistent=*/true});
        ASSERT_TRUE(Create(Region(1, 1, 1, 1), Region(2, 1, 2, 1)));
        EXPECT_EQ(Music(2, 1), readsFail ? "D4/2+d E4/2" : "D4/2+d E4/2@3@5") << readsFail;
        EXPECT_FALSE(Flag(2, 1, 0, ex::ENTRY_HAS_ARTICULATIONS)) << readsFail;
    }
}

TEST_F(TransferTest, ArticulationsNeverMoveAcrossMeasures) {
    // Destination measure 2 is empty; the walk ends on measure 1's last entry, at position 0 of
    // its own measure, which must not pair with measure 2's entry at position 0.
    hostsim::WriteMeasure(*doc, Inst(1), 1, 0, "C5/1");
    hostsim::WriteMeasure(*doc, Inst(1), 2, 0, "C5/1");
    hostsim::WriteMeasure(*doc, Inst(2), 1, 0, "D4/1@6");
    ASSERT_TRUE(Create(Region(1, 1, 1, 2), Region(2, 1, 2, 2)));
    EXPECT_EQ(Articulations(2, 1, 0), std::vector<int>{6});
    EXPECT_EQ(Articulations(2, 2, 0), std::vector<int>{});
}

TEST_F(TransferTest, DetailsAreCopiedInSubIndexOrderUpToTheFirstGap) {
    hostsim::WriteMeasure(*doc, Inst(1), 1, 0, "C5/4 C5/4 C5/4 C5/4");
    hostsim::WriteMeasure(*doc, Inst(2), 1, 0, "D4/1");
    const uint32_t full = Number(1, 1, 0), gap = Number(1, 1, 1), late = Number(1, 1, 2);
    AddDetail(full, 0, 0xA0);
    AddDetail(full, 1, 0xA1);
    AddDetail(gap, 0, 0xB0);
    AddDetail(gap, 2, 0xB2);
    AddDetail(late, 1, 0xC1);
    AddDetail(late, 2, 0xC2);
    for (int i = 0; i < 3; ++i) {
        unsigned char* e = Stored(1, 1, i);
        ex::SetFlags(e, ex::Flags(e) | ex::ENTRY_HAS_DETAILS);
    }
    ASSERT_TRUE(Create(Region(1, 1, 1, 1), Region(2, 1, 2, 1)));

    EXPECT_EQ(Detail(Number(2, 1, 0), 0), std::vector<unsigned char>(30, 0xA0));
    EXPECT_EQ(Detail(Number(2, 1, 0), 1), std::vector<unsigned char>(30, 0xA1));
    EXPECT_TRUE(Flag(2, 1, 0, ex::ENTRY_HAS_DETAILS));
    EXPECT_EQ(Detail(Number(2, 1, 1), 0), std::vector<unsigned char>(30, 0xB0));
    EXPECT_TRUE(Detail(Number(2, 1, 1), 2).empty());
    EXPECT_TRUE(Flag(2, 1, 1, ex::ENTRY_HAS_DETAILS));
    // Records 1 and 2 only: none is copied and the mark is cleared.
    EXPECT_TRUE(Detail(Number(2, 1, 2), 1).empty());
    EXPECT_FALSE(Flag(2, 1, 2, ex::ENTRY_HAS_DETAILS));
    // No mark on the source entry: the copy's mask left it cleared.
    EXPECT_FALSE(Flag(2, 1, 3, ex::ENTRY_HAS_DETAILS));
}

TEST_F(TransferTest, RefusedSavesLeaveNoMarkThatPromisesMissingRecords) {
    hostsim::WriteMeasure(*doc, Inst(1), 1, 0, "C5/1@2");
    hostsim::WriteMeasure(*doc, Inst(2), 1, 0, "D4/1");
    AddDetail(Number(1, 1, 0), 0, 0x11);
    unsigned char* e = Stored(1, 1, 0);
    ex::SetFlags(e, ex::Flags(e) | ex::ENTRY_HAS_DETAILS);
    sim.AddFault({"FX_SaveEData", 1, /*persistent=*/true});
    ASSERT_TRUE(Create(Region(1, 1, 1, 1), Region(2, 1, 2, 1)));
    EXPECT_EQ(Music(2, 1), "D4/1");
    EXPECT_FALSE(Flag(2, 1, 0, ex::ENTRY_HAS_DETAILS));
    EXPECT_FALSE(Flag(2, 1, 0, ex::ENTRY_HAS_ARTICULATIONS));
    EXPECT_EQ(Articulations(2, 1, 0), std::vector<int>{});
}

}  // namespace
}  // namespace qz::testing
