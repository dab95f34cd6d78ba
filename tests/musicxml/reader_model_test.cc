// The score model: staff slots, measures and their lengths, voices to layers, entries.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "musicxml/rational.h"
#include "musicxml/read/loaded_score.h"
#include "musicxml/cli/show_command.h"
#include "reader_support.h"

namespace qz::musicxml {
namespace {

using testing::Load;
using testing::OnePart;
using testing::Partwise;

const char* kPiano = R"(<part-list>
  <score-part id="P1"><part-name>Flute</part-name></score-part>
  <score-part id="P2"><part-name>Piano</part-name></score-part>
</part-list>
<part id="P1">
  <measure number="0"><attributes><divisions>2</divisions><time><beats>3</beats><beat-type>4</beat-type></time></attributes>
    <note><pitch><step>G</step><octave>4</octave></pitch><duration>2</duration><voice>1</voice></note>
  </measure>
  <measure number="1">
    <note><pitch><step>A</step><octave>4</octave></pitch><duration>6</duration></note>
  </measure>
</part>
<part id="P2">
  <measure number="0"><attributes><divisions>2</divisions><staves>2</staves><time><beats>3</beats><beat-type>4</beat-type></time></attributes>
    <note><rest/><duration>2</duration><voice>1</voice><staff>1</staff></note>
    <backup><duration>2</duration></backup>
    <note><pitch><step>C</step><octave>3</octave></pitch><duration>2</duration><voice>10</voice><staff>2</staff></note>
  </measure>
  <measure number="1">
    <note><pitch><step>C</step><octave>5</octave></pitch><duration>6</duration><voice>1</voice><staff>1</staff></note>
    <backup><duration>6</duration></backup>
    <note><pitch><step>C</step><octave>3</octave></pitch><duration>3</duration><voice>10</voice><staff>2</staff></note>
    <note><chord/><pitch><step>E</step><octave>3</octave></pitch><duration>3</duration><voice>10</voice><staff>2</staff></note>
    <forward><duration>3</duration><voice>10</voice><staff>2</staff></forward>
    <backup><duration>6</duration></backup>
    <note><pitch><step>G</step><octave>2</octave></pitch><duration>6</duration><voice>9</voice><staff>2</staff></note>
  </measure>
</part>
)";

TEST(ReaderModel, SlotsMeasuresVoicesAndEntries) {
    auto score = Load(Partwise(kPiano));
    ASSERT_TRUE(score);
    const Score& s = score->model;
    ASSERT_EQ(s.slots.size(), 3u);
    EXPECT_EQ(s.measureCount, 2);
    EXPECT_EQ(s.slots[1].staff, 1);
    EXPECT_EQ(s.slots[2].staff, 2);
    // Voices sort numerically: 9 before 10.
    EXPECT_EQ(s.slots[2].layers, (std::vector<std::string>{"9", "10"}));
    EXPECT_EQ(s.slots[0].layers, (std::vector<std::string>{"1"}));
    // The pickup lasts its longest voice (a quarter), the next measure its 3/4.
    EXPECT_TRUE(s.MeasureLength(1, 1) == (Fraction{1, 1}));
    EXPECT_TRUE(s.MeasureLength(3, 2) == (Fraction{3, 1}));
    // The chord of voice 10 is one entry of two notes at 0; the forward leaves the rest empty.
    const VoiceMeasure* v10 = s.Voice(3, 2, "10");
    ASSERT_TRUE(v10);
    ASSERT_EQ(v10->entries.size(), 1u);
    const ModelEntry& chord = s.entries[static_cast<std::size_t>(v10->entries[0])];
    EXPECT_EQ(chord.notes.size(), 2u);
    EXPECT_EQ(chord.position, 0);
    EXPECT_EQ(chord.hostDuration, 1536);
    // The pickup's rest is an entry without notes.
    const VoiceMeasure* rest = s.Voice(2, 1, "1");
    ASSERT_TRUE(rest);
    ASSERT_EQ(rest->entries.size(), 1u);
    EXPECT_TRUE(s.entries[static_cast<std::size_t>(rest->entries[0])].notes.empty());

    EXPECT_EQ(ShowJson(s),
              "{\"measures\": 2, \"staves\": [{\"slot\": 1, \"part\": \"P1\", \"name\": \"Flute\", "
              "\"staff\": 1, \"voices\": [\"1\"], \"unmapped_voices\": []}, {\"slot\": 2, \"part\": "
              "\"P2\", \"name\": \"Piano\", \"staff\": 1, \"voices\": [\"1\"], \"unmapped_voices\": "
              "[]}, {\"slot\": 3, \"part\": \"P2\", \"name\": \"Piano\", \"staff\": 2, \"voices\": "
              "[\"9\", \"10\"], \"unmapped_voices\": []}]}\n");
}

const ModelEntry& EntryAt(const Score& s, int slot, int measure, const std::string& voice,
                          std::size_t k) {
    return s.entries[static_cast<std::size_t>(s.Voice(slot, measure, voice)->entries.at(k))];
}

TEST(ReaderModel, TupletsRoundToHostUnitsAndKeepExactTimes) {
    auto score = Load(OnePart(R"(<measure number="1"><attributes><divisions>3</divisions></attributes>
      <note><pitch><step>C</step><octave>4</octave></pitch><duration>1</duration><time-modification><actual-notes>3</actual-notes><normal-notes>2</normal-notes></time-modification></note>
      <note><pitch><step>D</step><octave>4</octave></pitch><duration>1</duration></note>
      <note><pitch><step>E</step><octave>4</octave></pitch><duration>1</duration></note>
      <note><rest/><duration>9</duration></note></measure>)"));
    ASSERT_TRUE(score);
    const Score& s = score->model;
    // Without a time signature the measure is 4/4.
    EXPECT_TRUE(s.MeasureLength(1, 1) == (Fraction{4, 1}));
    const ModelEntry& second = EntryAt(s, 1, 1, "1", 1);
    const ModelEntry& third = EntryAt(s, 1, 1, "1", 2);
    EXPECT_TRUE(second.onset == (Fraction{1, 3}));
    EXPECT_EQ(second.position, 341);  // 1024 / 3 = 341.33
    EXPECT_EQ(third.position, 683);   // 2048 / 3 = 682.67
    EXPECT_EQ(second.hostDuration, 683 - 341);
    EXPECT_EQ(EntryAt(s, 1, 1, "1", 3).position, 1024);
}

TEST(ReaderModel, RefusalMarksAndVoiceMapping) {
    const std::string text = Partwise(R"(<part-list><score-part id="P1"/></part-list>
<part id="P1"><measure number="1"><attributes><divisions>1</divisions><staves>2</staves></attributes>
  <note><grace/><pitch><step>B</step><octave>4</octave></pitch><voice>1</voice></note>
  <note><pitch><step>C</step><octave>5</octave></pitch><duration>4</duration><voice>1</voice></note>
  <backup><duration>4</duration></backup>
  <note><cue/><pitch><step>C</step><octave>4</octave></pitch><duration>4</duration><voice>2</voice></note>
  <backup><duration>4</duration></backup>
  <note><pitch><step>C</step><octave>3</octave></pitch><duration>4</duration><voice>3</voice><staff>2</staff></note>
  <note><chord/><pitch><step>E</step><octave>4</octave></pitch><duration>4</duration><voice>3</voice><staff>1</staff></note>
  <backup><duration>4</duration></backup>
  <note><pitch><step>G</step><octave>4</octave></pitch><duration>4</duration><voice>4</voice></note>
  <backup><duration>4</duration></backup>
  <note><pitch><step>G</step><octave>3</octave></pitch><duration>4</duration><voice>5</voice></note>
  <backup><duration>4</duration></backup>
  <note><pitch><step>A</step><octave>3</octave></pitch><duration>4</duration></note>
  <note><chord/><rest/><duration>4</duration></note>
</measure></part>
)");
    auto score = Load(text);
    ASSERT_TRUE(score);
    const Score& s = score->model;
    EXPECT_TRUE(s.Voice(1, 1, "1")->grace);
    EXPECT_TRUE(s.Voice(1, 1, "2")->cue);
    // Voice 3 has a chord across both staves: refused on both.
    EXPECT_TRUE(s.Voice(1, 1, "3")->crossStaff);
    EXPECT_TRUE(s.Voice(2, 1, "3")->crossStaff);
    EXPECT_FALSE(s.Voice(1, 1, "4")->crossStaff);
    // Staff 1 has voices 1..5 (the last note has no <voice>: voice 1); the fifth is unmapped.
    EXPECT_EQ(s.slots[0].layers, (std::vector<std::string>{"1", "2", "3", "4"}));
    EXPECT_EQ(s.slots[0].unmapped, (std::vector<std::string>{"5"}));
    // The grace note is no entry; the note without <voice> follows voice 1's note; the rest
    // marked <chord/> adds nothing.
    const VoiceMeasure* v1 = s.Voice(1, 1, "1");
    ASSERT_EQ(v1->entries.size(), 2u);
    EXPECT_EQ(EntryAt(s, 1, 1, "1", 1).notes.size(), 1u);
}

TEST(ReaderModel, BigChordsAndStaffNumbersOutOfRange) {
    std::string chord = "<note><pitch><step>C</step><octave>1</octave></pitch><duration>4</duration></note>";
    for (int i = 0; i < 12; ++i)
        chord += "<note><chord/><pitch><step>C</step><octave>" + std::to_string(2 + i % 7) +
                 "</octave></pitch><duration>4</duration></note>";
    auto score = Load(OnePart("<measure number=\"1\"><attributes><divisions>1</divisions></attributes>" +
                              chord + "</measure>"));
    ASSERT_TRUE(score);
    EXPECT_TRUE(score->model.Voice(1, 1, "1")->bigChord);

    std::string error;
    EXPECT_FALSE(Load(OnePart("<measure number=\"1\">\n<note><rest/><duration>4</duration>"
                              "<staff>99</staff></note></measure>"),
                      &error));
    EXPECT_EQ(error, "t.musicxml:6:36: <staff> must be a number from 1 to 64");
}

TEST(ReaderModel, MalformedTimewiseAndForeignDocumentsAreRefusedWithTheirPlace) {
    std::string error;
    EXPECT_FALSE(Load("<?xml version=\"1.0\"?>\n<score-partwise>\n  <part>\n</score-partwise>\n", &error));
    EXPECT_EQ(error.rfind("t.musicxml:4:", 0), 0u) << error;
    EXPECT_NE(error.find("malformed XML"), std::string::npos) << error;

    EXPECT_FALSE(Load("<score-timewise version=\"4.0\"/>", &error));
    EXPECT_NE(error.find("timewise scores are not supported"), std::string::npos) << error;
    EXPECT_FALSE(Load("<html/>", &error));
    EXPECT_EQ(error, "t.musicxml:1:1: not a MusicXML score: the root element is <html>");
    EXPECT_FALSE(Load("<score-partwise/>", &error));
    EXPECT_NE(error.find("no <part>"), std::string::npos) << error;
}

TEST(ReaderModel, HostileValuesAreRefusedOrBoundedNeverTrusted) {
    auto measure = [](const std::string& body) {
        return OnePart("<measure number=\"1\">" + body + "</measure>");
    };
    const std::string note = "<note><rest/><duration>4</duration></note>";
    const std::pair<std::string, std::string> refused[] = {
        {"<attributes><divisions>0</divisions></attributes>" + note, "<divisions> must be"},
        {"<attributes><divisions>x</divisions></attributes>" + note, "<divisions> must be"},
        {"<note><rest/><duration>-3</duration></note>", "<duration> must be"},
        {"<note><rest/><duration>99999999999999999999</duration></note>", "<duration> must be"},
        {"<attributes><staves>1000</staves></attributes>" + note, "<staves> must be"},
    };
    for (const auto& [body, message] : refused) {
        std::string error;
        EXPECT_FALSE(Load(measure(body), &error)) << body;
        EXPECT_NE(error.find(message), std::string::npos) << error;
    }
    // A backup past the measure's start stops there; an unreadable time is 4/4.
    auto score = Load(measure("<attributes><divisions>1</divisions><time><beats>3+x</beats>"
                              "<beat-type>4</beat-type></time></attributes><backup><duration>9"
                              "</duration></backup>" + note));
    ASSERT_TRUE(score);
    EXPECT_EQ(EntryAt(score->model, 1, 1, "1", 0).position, 0);
    EXPECT_TRUE(score->model.MeasureLength(1, 1) == (Fraction{4, 1}));
}

TEST(ReaderModel, Utf16ScoresAreReadLikeUtf8Ones) {
    const std::string utf8 = OnePart("<measure number=\"1\"><note><pitch><step>C</step><octave>4"
                                     "</octave></pitch><duration>4</duration></note></measure>");
    std::string utf16 = "\xFF\xFE";
    for (char c : utf8) {
        utf16 += c;
        utf16 += '\0';
    }
    auto a = Load(utf8), b = Load(utf16);
    ASSERT_TRUE(a);
    ASSERT_TRUE(b);
    EXPECT_EQ(ShowJson(a->model), ShowJson(b->model));
    EXPECT_EQ(b->container.format.charset, Charset::kUtf16LE);
    EXPECT_TRUE(b->container.format.byteOrderMark);
}

}  // namespace
}  // namespace qz::musicxml
