// The rebuilt measures take the source's rhythm and the destination's pitches.
#include "engine/engine_fixture.h"
#include "host/exentry.h"

namespace qz::testing {
namespace {

namespace ex = host::exentry;
namespace nr = host::note_record;

uint32_t NoteFlagsOf(const unsigned char* entry, int k) { return nr::NoteFlags(ex::NoteAt(entry, k)); }

void SetNoteFlagOnAll(unsigned char* entry, uint32_t bit) {
    for (int k = 0; k < ex::NoteCount(entry); ++k) {
        unsigned char* note = ex::NoteAt(entry, k);
        nr::SetNoteFlags(note, nr::NoteFlags(note) | bit);
    }
}

class TransferPitchesTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        MakeScore(2, 4);
    }
};

TEST_F(TransferPitchesTest, ChordsAreRepeatedOnEverySubdividingEntry) {
    hostsim::WriteMeasure(*doc, Inst(1), 1, 0, "C5/4 C5/4 C5/4 C5/4");
    hostsim::WriteMeasure(*doc, Inst(2), 1, 0, "C4+E4+G4/2 F4+A4+C5/2");
    SetNoteFlagOnAll(Stored(2, 1, 0), nr::kSamePosition);
    SetNoteFlagOnAll(Stored(2, 1, 1), nr::kSamePosition);

    ASSERT_TRUE(Create(Region(1, 1, 1, 1), Region(2, 1, 2, 1)));

    EXPECT_EQ(Music(2, 1), "C4+E4+G4/4 C4+E4+G4/4 F4+A4+C5/4 F4+A4+C5/4");
    // Entries that start after their donor lose the same-position bit; the others keep it.
    const bool expectKept[] = {true, false, true, false};
    for (int i = 0; i < 4; ++i)
        for (int k = 0; k < 3; ++k)
            EXPECT_EQ((NoteFlagsOf(Stored(2, 1, i), k) & nr::kSamePosition) != 0, expectKept[i])
                << "entry " << i << " note " << k;
    // The source measure itself is untouched.
    EXPECT_EQ(Music(1, 1), "C5/4 C5/4 C5/4 C5/4");
}

TEST_F(TransferPitchesTest, RestsTravelBothWays) {
    hostsim::WriteMeasure(*doc, Inst(1), 1, 0, "C5/4 r/4 C5/4 C5/4");
    hostsim::WriteMeasure(*doc, Inst(2), 1, 0, "C4+E4/2 r/2");
    ASSERT_TRUE(Create(Region(1, 1, 1, 1), Region(2, 1, 2, 1)));
    EXPECT_EQ(Music(2, 1), "C4+E4/4 r/4 r/4 r/4");

    for (int i = 1; i < 4; ++i) {
        const unsigned char* rest = Stored(2, 1, i);
        EXPECT_EQ(ex::Flags(rest) & ex::kRestClearedBits, 0u) << "entry " << i;
        // Saved rests carry the host's single placeholder note (the second save has given it an
        // id of its own).
        EXPECT_EQ(ex::RawNoteCount(rest), 1) << "entry " << i;
        EXPECT_EQ(NoteFlagsOf(rest, 0) & ~nr::kIdCopyMask, nr::kPlaceholder) << "entry " << i;
    }
}

TEST_F(TransferPitchesTest, FollowsSourceBitComesFromTheSourceEntry) {
    hostsim::WriteMeasure(*doc, Inst(1), 1, 0, "C5+E5/2 C5/2");
    // Only one note of the first source chord carries the bit.
    unsigned char* first = Stored(1, 1, 0);
    nr::SetNoteFlags(ex::NoteAt(first, 1), nr::NoteFlags(ex::NoteAt(first, 1)) | nr::kFollowsSource);
    hostsim::WriteMeasure(*doc, Inst(2), 1, 0, "C4+E4+G4/2 D4+F4+A4/2");
    SetNoteFlagOnAll(Stored(2, 1, 1), nr::kFollowsSource);

    ASSERT_TRUE(Create(Region(1, 1, 1, 1), Region(2, 1, 2, 1)));
    for (int k = 0; k < 3; ++k) {
        EXPECT_NE(NoteFlagsOf(Stored(2, 1, 0), k) & nr::kFollowsSource, 0u) << "note " << k;
        EXPECT_EQ(NoteFlagsOf(Stored(2, 1, 1), k) & nr::kFollowsSource, 0u) << "note " << k;
    }
}

TEST_F(TransferPitchesTest, OldHostsGetTheReceivedPitchesMark) {
    hostsim::WriteMeasure(*doc, Inst(1), 1, 0, "C5/2 r/2");
    hostsim::WriteMeasure(*doc, Inst(2), 1, 0, "G4/1");
    hostsim::WriteMeasure(*doc, Inst(1), 2, 0, "C5/2 r/2");
    hostsim::WriteMeasure(*doc, Inst(2), 2, 0, "G4/1");
    const struct {
        uint32_t version;
        bool marked;
    } cases[] = {{0x11FFFFFF, true}, {0x12000000, false}, {0x19000000, false}};
    for (const auto& c : cases) {
        hostsim::WriteMeasure(*doc, Inst(2), 1, 0, "G4/1");
        ASSERT_TRUE(Create(Region(1, 1, 1, 1), Region(2, 1, 2, 1), c.version));
        EXPECT_EQ((ex::ExtraFlags(Stored(2, 1, 0)) & ex::kExtraOldHostPitches) != 0, c.marked)
            << std::hex << c.version;
        // The rest received no pitches and is never marked.
        EXPECT_EQ(ex::ExtraFlags(Stored(2, 1, 1)) & ex::kExtraOldHostPitches, 0) << std::hex << c.version;
    }
}

TEST_F(TransferPitchesTest, DonorIsTheLastEntrySoundingAtEachPlace) {
    // Source: eighth notes over two measures.
    hostsim::WriteMeasure(*doc, Inst(1), 1, 0, "C5/8 C5/8 C5/8 C5/8 C5/8 C5/8 C5/8 C5/8");
    hostsim::WriteMeasure(*doc, Inst(1), 2, 0, "C5/8 C5/8 C5/8 C5/8 C5/8 C5/8 C5/8 C5/8");
    // Destination measure 1: two entries at position 0 (the last one gives pitches), then one at
    // the half. Measure 2: empty in the first measure of a second repeat, see below.
    doc->AddEntry(Inst(2), 1, 0, Entry(0, 2 * hostsim::kQuarter, {60}));
    doc->AddEntry(Inst(2), 1, 0, Entry(0, 2 * hostsim::kQuarter, {62}));
    doc->AddEntry(Inst(2), 1, 0, Entry(2 * hostsim::kQuarter, 2 * hostsim::kQuarter, {64}));
    hostsim::WriteMeasure(*doc, Inst(2), 2, 0, "F4/1");
    ASSERT_TRUE(Create(Region(1, 1, 1, 2), Region(2, 1, 2, 2)));
    EXPECT_EQ(Music(2, 1), "D4/8 D4/8 D4/8 D4/8 E4/8 E4/8 E4/8 E4/8");
    EXPECT_EQ(Music(2, 2), "F4/8 F4/8 F4/8 F4/8 F4/8 F4/8 F4/8 F4/8");
}

TEST_F(TransferPitchesTest, LateFirstEntryAndEmptyMeasuresChooseTheNextDonor) {
    hostsim::WriteMeasure(*doc, Inst(1), 1, 0, "C5/4 C5/4 C5/4 C5/4");
    hostsim::WriteMeasure(*doc, Inst(1), 2, 0, "C5/2 C5/2");
    hostsim::WriteMeasure(*doc, Inst(1), 3, 0, "C5/2 C5/2");
    // Measure 1 starts late (its first entry at the second quarter); measure 2 is empty;
    // measure 3 holds one chord.
    doc->AddEntry(Inst(2), 1, 0, Entry(hostsim::kQuarter, 3 * hostsim::kQuarter, {67}));
    hostsim::WriteMeasure(*doc, Inst(2), 3, 0, "A4/2 B4/2");
    ASSERT_TRUE(Create(Region(1, 1, 1, 3), Region(2, 1, 2, 3)));
    // Before the late first entry the donor is that entry.
    EXPECT_EQ(Music(2, 1), "G4/4 G4/4 G4/4 G4/4");
    // An empty measure takes the first entry of the next measure that has one.
    EXPECT_EQ(Music(2, 2), "A4/2 A4/2");
    EXPECT_EQ(Music(2, 3), "A4/2 B4/2");
}

TEST_F(TransferPitchesTest, EmptyLastMeasuresTakeTheLastDestinationEntry) {
    hostsim::WriteMeasure(*doc, Inst(1), 1, 0, "C5/2 C5/2");
    hostsim::WriteMeasure(*doc, Inst(1), 2, 0, "C5/2 C5/2");
    hostsim::WriteMeasure(*doc, Inst(2), 1, 0, "D4/2 E4/2");
    ASSERT_TRUE(Create(Region(1, 1, 1, 2), Region(2, 1, 2, 2)));
    EXPECT_EQ(Music(2, 1), "D4/2 E4/2");
    EXPECT_EQ(Music(2, 2), "E4/2 E4/2");
}

}  // namespace
}  // namespace qz::testing
