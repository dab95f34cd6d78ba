// The score model: staff slots, measures and their lengths, voices to layers, entries.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "musicxml/fraction_math.h"
#include "musicxml/loaded_score.h"
#include "musicxml/show_command.h"

namespace qz::musicxml {
namespace {

std::unique_ptr<LoadedScore> Load(const std::string& text, std::string* error = nullptr) {
    auto score = std::make_unique<LoadedScore>();
    std::string ignored;
    if (!LoadScoreBytes("t.musicxml", text, score.get(), error ? error : &ignored)) return nullptr;
    return score;
}

std::string Partwise(const std::string& parts) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<score-partwise version=\"4.0\">\n" +
           parts + "</score-partwise>\n";
}

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

}  // namespace
}  // namespace qz::musicxml
