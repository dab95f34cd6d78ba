// The model laid into the host's document.
#include <gtest/gtest.h>

#include "host/bytes.h"
#include "host/exentry.h"
#include "host/note_record.h"
#include "memhost/entry_record.h"
#include "memhost/mem_host.h"
#include "musicxml/bridge/host_mapping.h"
#include "reader_support.h"

namespace qz::musicxml {
namespace {

namespace ex = qz::host::exentry;
namespace nr = qz::host::note_record;
using testing::Load;
using testing::Partwise;

const char* kTwoParts = R"(<part-list><score-part id="Fl"/><score-part id="Pno"/></part-list>
<part id="Fl">
  <measure number="0"><attributes><divisions>2</divisions><time><beats>3</beats><beat-type>4</beat-type></time></attributes>
    <note><pitch><step>G</step><octave>4</octave></pitch><duration>2</duration>
      <tie type="start"/><notations><articulations><accent/><stress/><mystery-mark/></articulations><fermata/></notations></note>
  </measure>
  <measure number="1">
    <note><pitch><step>G</step><octave>4</octave></pitch><duration>2</duration><tie type="stop"/></note>
    <note><pitch><step>A</step><octave>4</octave></pitch><duration>1</duration></note>
    <note><chord/><pitch><step>C</step><alter>1</alter><octave>5</octave></pitch><duration>1</duration></note>
    <note><rest/><duration>3</duration></note>
  </measure>
</part>
<part id="Pno">
  <measure number="0"><attributes><divisions>2</divisions><staves>2</staves></attributes>
    <note><rest/><duration>2</duration><staff>2</staff></note></measure>
  <measure number="1"><note><rest/><duration>6</duration><staff>2</staff></note></measure>
</part>
)";

TEST(ReaderMapping, EntriesCarryHandlesPositionsDurationsTiesAndArticulations) {
    auto score = Load(Partwise(kTwoParts));
    ASSERT_TRUE(score);
    const Score& s = score->model;
    memhost::Document document(1);
    HostMapping mapping;
    std::string error;
    ASSERT_TRUE(BuildHostDocument(s, document, &mapping, &error)) << error;

    EXPECT_EQ(document.StaffCount(), 3);
    EXPECT_EQ(document.MeasureCount(), 2);
    // The pickup lasts a quarter on the flute's staff; the piano part's first measure too.
    EXPECT_EQ(document.MeasureDurationOverride(1, 1), 1024);
    EXPECT_EQ(document.MeasureDurationOverride(1, 2), 3072);
    EXPECT_EQ(document.MeasureDurationOverride(3, 1), 1024);

    const std::vector<memhost::Record>& pickup = document.Entries(1, 1, 0);
    ASSERT_EQ(pickup.size(), 1u);
    const unsigned char* tied = pickup[0].data();
    EXPECT_EQ(nr::NoteFlags(ex::NoteAt(tied, 0)) & kTiedForwardFlag, kTiedForwardFlag);
    // accent, stress, an unknown name and the fermata, in order.
    EXPECT_EQ(document.ArticulationsOf(ex::EntryNumber(tied)), (std::vector<int>{1, 14, 100, 18}));

    const std::vector<memhost::Record>& second = document.Entries(1, 2, 0);
    ASSERT_EQ(second.size(), 3u);
    EXPECT_EQ(ex::Position(second[1].data()), 1024);
    EXPECT_EQ(memhost::DurationOf(second[1].data()), 512);
    EXPECT_EQ(ex::NoteCount(second[1].data()), 2);
    EXPECT_EQ(nr::NoteFlags(ex::NoteAt(second[1].data(), 0)) & kTiedForwardFlag, 0u);
    EXPECT_EQ(ex::Flags(second[2].data()) & ex::ENTRY_HAS_NOTES, 0u);  // the rest
    // The piano's rests sit on its second staff only.
    EXPECT_EQ(document.Entries(3, 2, 0).size(), 1u);
    EXPECT_EQ(document.FindEntries(2, 2, 0), nullptr);

    // One run gives one unknown name one number.
    ArticulationNumbers numbers;
    EXPECT_EQ(numbers.NumberOf("staccato"), 3);
    EXPECT_EQ(numbers.NumberOf("x"), 100);
    EXPECT_EQ(numbers.NumberOf("y"), 101);
    EXPECT_EQ(numbers.NumberOf("x"), 100);
}

TEST(ReaderMapping, TheHostAnswersAMeasureLengthSetForOneStaff) {
    memhost::MemHost host;
    memhost::Document& document = host.AddDocument();
    document.AddStaff(7);
    document.AddStaff(8);
    document.SetMeasureCount(2);
    document.SetTimeSignature(1, memhost::TimeSignature{3, 4});
    document.SetMeasureDuration(7, 1, 1000);
    auto lengthOf = [&](int slot) {
        qz::host::TGF* frame = host.LoadTGF(0, static_cast<uint16_t>(slot), 1, 0, 0, 0x19000000);
        const int32_t length = host.GetTGFDuration(frame, 0x19000000);
        host.FreeTGF(frame, 0x19000000);
        return length;
    };
    EXPECT_EQ(lengthOf(1), 1000);  // the override of instrument 7
    EXPECT_EQ(lengthOf(2), 3072);  // the time signature's
    document.SetMeasureDuration(7, 1, 0);
    EXPECT_EQ(lengthOf(1), 3072);
    EXPECT_EQ(host.LiveFrames(), 0);
}

}  // namespace
}  // namespace qz::musicxml
