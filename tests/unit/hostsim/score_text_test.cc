#include "host/note_record.h"
#include "memhost/entry_record.h"
#include "hostsim_fixture.h"

namespace hostsim::testing {
namespace {

namespace ex = qz::host::exentry;
namespace nr = qz::host::note_record;

TEST_F(HostsimTest, WriteAndDescribeRoundTrip) {
    const char* texts[] = {
        "C4+E4+G4/2 F4+A4+C5/2",
        "r/4 C#4/4 Db4/4 B#3/4",
        "Cb4/8 Ebb2/8 F##5/8 C-1/8 G9/8",
        "C4/2. D4/4",
        "C4/16.. r/32 A4/1",
        "C5/4@5@7 r/4@2 D5/2+d",
        "E4/4+d3 F4/4@1+d",
        "[1024]C4/4 D4/4 [3500]E4/4 [0]F4/8",
        "C4*100 D4*1000 [2000]E4*-5",
        "",
    };
    for (const char* text : texts) {
        ASSERT_TRUE(hostsim::WriteMeasure(*doc, 11, 1, 0, text)) << text;
        EXPECT_EQ(hostsim::DescribeMeasure(*doc, 11, 1, 0), text);
    }
}

TEST_F(HostsimTest, WriteRefusesWhatItCannotReadAndKeepsTheMeasure) {
    hostsim::WriteMeasure(*doc, 11, 1, 0, "C4/1");
    const char* bad[] = {"C4",     "C4/3",  "H4/4",   "C4/4...", "C4+/4",   "c4/4",
                         "C#b4/4", "C###4/4", "G9#/4", "G#9/4",  "C4/4@",   "C4/4+d0",
                         "[12C4/4", "C4/4x", "r4/4",   "C4*",    "C4+D4+E4+F4+G4+A4+B4+C5+D5+E5+F5+G5+A5/4"};
    for (const char* text : bad) {
        EXPECT_FALSE(hostsim::WriteMeasure(*doc, 11, 1, 0, text)) << text;
        EXPECT_EQ(hostsim::DescribeMeasure(*doc, 11, 1, 0), "C4/1") << text;
    }
}

TEST_F(HostsimTest, WriteReplacesTheMeasureWithItsAttachedData) {
    hostsim::WriteMeasure(*doc, 11, 1, 0, "C4/2@4 D4/2+d");
    ASSERT_EQ(doc->EData().size(), 2u);
    hostsim::WriteMeasure(*doc, 11, 1, 0, "E4/1");
    EXPECT_TRUE(doc->EData().empty());
    EXPECT_EQ(hostsim::DescribeMeasure(*doc, 11, 1, 0), "E4/1");
}

TEST_F(HostsimTest, AddEntryBuildsTheRecordAsTheHostStoresIt) {
    uint32_t chord = doc->AddEntry(11, 1, 0, {512, 3 * kQuarter, {60, 64}, {9, 8}, 0x10});
    uint32_t rest = doc->AddEntry(11, 1, 0, {0, kQuarter, {}});
    EXPECT_EQ(rest, chord + 1);
    const unsigned char* c = doc->Entries(11, 1, 0)[0].data();
    EXPECT_EQ(ex::EntryNumber(c), chord);
    EXPECT_EQ(ex::Flags(c), ex::ENTRY_HAS_NOTES | ex::ENTRY_HAS_ARTICULATIONS | 0x10u);
    EXPECT_EQ(ex::RawNoteCount(c), 2);
    EXPECT_EQ(ex::Position(c), 512);
    EXPECT_EQ(DurationOf(c), 3 * kQuarter);
    for (int k = 0; k < 2; ++k) {
        const unsigned char* note = ex::NoteAt(c, k);
        EXPECT_EQ(qz::host::Load<int16_t>(note, 0), k == 0 ? 60 : 64);
        EXPECT_EQ(nr::NoteId(note), k + 1);
        EXPECT_EQ(nr::NoteFlags(note), static_cast<uint32_t>(k + 1) << 16);
    }
    EXPECT_EQ(doc->ArticulationsOf(chord), (std::vector<int>{9, 8}));
    auto it = doc->EData().find({kArticulationTag, KeyNumber(chord), 1});
    ASSERT_NE(it, doc->EData().end());
    EXPECT_EQ(it->second.size(), kArticulationSize);

    const unsigned char* r = doc->Entries(11, 1, 0)[1].data();
    EXPECT_EQ(ex::Flags(r), ex::ENTRY_NO_NOTES_MARK);
    EXPECT_EQ(ex::RawNoteCount(r), 1);
    EXPECT_EQ(nr::NoteFlags(ex::NoteAt(r, 0)), nr::kPlaceholder);
    EXPECT_EQ(nr::NoteId(ex::NoteAt(r, 0)), 0);
}

TEST_F(HostsimTest, DescribeShowsOddEntriesAsSuch) {
    uint32_t n = doc->AddEntry(11, 2, 0, {0, kQuarter, {60}});
    unsigned char* e = doc->Entries(11, 2, 0)[0].data();
    ex::SetNoteCount(e, 0);  // claims notes but has none
    EXPECT_EQ(hostsim::DescribeMeasure(*doc, 11, 2, 0), "?/4");
    ex::SetFlags(e, 0);  // a rest made by clearing the flag
    EXPECT_EQ(hostsim::DescribeMeasure(*doc, 11, 2, 0), "r/4");
    // Articulations stop at the first gap in the indexes.
    for (int index : {0, 1, 3}) doc->EData()[{kArticulationTag, KeyNumber(n), index}] = {7, 0};
    EXPECT_EQ(hostsim::DescribeMeasure(*doc, 11, 2, 0), "r/4@7@7");
    doc->Entries(11, 2, 0).push_back(Record(10, 0));  // a short record reads as zeros
    EXPECT_EQ(hostsim::DescribeMeasure(*doc, 11, 2, 0), "r/4@7@7 [0]r*0");
}

TEST_F(HostsimTest, PrintScoreIsAlignedStaffByStaff) {
    doc->SetTimeSignature(2, {3, 4});
    hostsim::WriteMeasure(*doc, 11, 1, 0, "C4+E4+G4/2 F4+A4+C5/2");
    hostsim::WriteMeasure(*doc, 11, 1, 1, "E4/1");
    hostsim::WriteMeasure(*doc, 11, 2, 0, "D4/2.@3");
    hostsim::WriteMeasure(*doc, 12, 1, 2, "r/1");
    EXPECT_EQ(PrintScore(*doc, 1, 3, 1, 2),
              "Staff 1 (instrument 11)\n"
              "  m1  4/4    L1: C4+E4+G4/2 F4+A4+C5/2\n"
              "             L2: E4/1\n"
              "  m2  3/4    L1: D4/2.@3\n"
              "Staff 2 (instrument 12)\n"
              "  m1  4/4    L3: r/1\n"
              "  m2  3/4    -\n"
              "Staff 3: no such staff\n");
    EXPECT_EQ(PrintScore(*doc, 2, 2, 4, 5, 2),
              "Staff 2 (instrument 12)\n"
              "  m4  4/4    -\n"
              "  m5  (no such measure)\n");
}

}  // namespace
}  // namespace hostsim::testing
