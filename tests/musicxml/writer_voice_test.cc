// Writing rewritten voices back into the original text: what changes, what is kept, and where.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "musicxml/score_parse.h"
#include "musicxml/splice.h"
#include "musicxml/voice_rewrite.h"

namespace qz::musicxml {
namespace {

// P1 holds the source figures, P2 the destination measures (divisions 2, 4/4).
const char* const kScore = R"(<?xml version="1.0" encoding="UTF-8"?>
<score-partwise version="4.0">
  <part id="P1">
    <measure number="1">
      <attributes>
        <divisions>2</divisions>
      </attributes>
      <note>
        <pitch><step>G</step><octave>4</octave></pitch>
        <duration>3</duration>
        <voice>1</voice>
        <type>quarter</type>
        <dot/>
        <stem>down</stem>
        <beam number="1">begin</beam>
        <notations><slur type="start"/></notations>
      </note>
      <note>
        <pitch><step>G</step><octave>4</octave></pitch>
        <duration>1</duration>
        <voice>1</voice>
        <type>eighth</type>
        <beam number="1">end</beam>
        <notations><slur type="stop"/><articulations><staccato/><accent/></articulations><fermata/></notations>
      </note>
      <note print-object="no">
        <rest/>
        <duration>4</duration>
        <voice>1</voice>
        <type>half</type>
      </note>
    </measure>
    <measure number="2">
      <note>
        <pitch><step>G</step><octave>4</octave></pitch>
        <duration>1</duration>
        <voice>1</voice>
        <type>eighth</type>
        <time-modification><actual-notes>3</actual-notes><normal-notes>2</normal-notes></time-modification>
        <notations><tuplet type="start"/><slur type="start"/></notations>
      </note>
      <note>
        <rest measure="yes"/>
        <duration>8</duration>
        <voice>1</voice>
      </note>
    </measure>
  </part>
  <part id="P2">
    <measure number="1">
      <attributes>
        <divisions>2</divisions>
      </attributes>
      <note>
        <pitch><step>F</step><alter>1</alter><octave>4</octave></pitch>
        <duration>4</duration>
        <voice>1</voice>
        <type>half</type>
        <accidental>sharp</accidental>
        <stem>up</stem>
        <lyric><text>la</text></lyric>
      </note>
      <direction placement="above">
        <direction-type><words>dolce</words></direction-type>
        <offset>1</offset>
      </direction>
      <!-- second half -->
      <note>
        <pitch><step>A</step><octave>4</octave></pitch>
        <duration>4</duration>
        <voice>1</voice>
        <type>half</type>
        <stem>up</stem>
        <notations><articulations><accent/></articulations></notations>
      </note>
      <note>
        <chord/>
        <pitch><step>C</step><octave>5</octave></pitch>
        <duration>4</duration>
        <voice>1</voice>
        <type>half</type>
        <stem>up</stem>
      </note>
      <backup>
        <duration>8</duration>
      </backup>
      <note>
        <pitch><step>D</step><octave>3</octave></pitch>
        <duration>8</duration>
        <voice>2</voice>
        <type>whole</type>
      </note>
    </measure>
    <measure number="2">
      <note>
        <pitch><step>E</step><octave>4</octave></pitch>
        <duration>8</duration>
        <voice>1</voice>
        <type>whole</type>
      </note>
      <barline location="right"><bar-style>light-heavy</bar-style></barline>
    </measure>
  </part>
</score-partwise>
)";

class VoiceWriterTest : public ::testing::Test {
protected:
    void SetUp() override { Load(kScore); }
    void Load(const std::string& text) {
        text_ = text;
        ASSERT_TRUE(document_.load_buffer(text_.data(), text_.size(), ScoreParseOptions(),
                                          pugi::encoding_utf8));
    }
    pugi::xml_node Measure(const char* part, int index) const {
        pugi::xml_node m = document_.child("score-partwise")
                               .find_child_by_attribute("part", "id", part)
                               .child("measure");
        for (int i = 1; i < index; ++i) m = m.next_sibling("measure");
        return m;
    }
    pugi::xml_node Note(const char* part, int measure, int index) const {
        pugi::xml_node n = Measure(part, measure).child("note");
        for (int i = 1; i < index; ++i) n = n.next_sibling("note");
        return n;
    }
    VoiceRewrite Voice(int measure, const std::string& voice = "1", int staff = 1) const {
        VoiceRewrite v;
        v.part = Measure("P2", measure).parent();
        v.measure = Measure("P2", measure);
        v.voice = voice;
        v.staff = staff;
        v.divisions = 2;
        v.length = {4, 1};
        return v;
    }
    static NewEntry Entry(Fraction onset, Fraction duration, pugi::xml_node rhythm,
                          std::vector<pugi::xml_node> donors = {}) {
        NewEntry e{onset, duration, rhythm, {}, {}};
        for (pugi::xml_node d : donors) e.pitches.push_back({d, false, false});
        return e;
    }
    // Applies the measure's edits; returns the text of destination measure `measure` after
    // them, and checks that everything outside that measure is unchanged and the result parses.
    std::string Rewrite(const std::vector<VoiceRewrite>& voices, int measure) {
        std::vector<Edit> edits;
        std::string error;
        EXPECT_TRUE(RewriteMeasureChecked(text_, voices, &edits, &error)) << error;
        std::string out;
        EXPECT_TRUE(ApplyEdits(text_, edits, &out, &error)) << error;
        pugi::xml_document result;
        EXPECT_TRUE(result.load_buffer(out.data(), out.size(), ScoreParseOptions(),
                                       pugi::encoding_utf8))
            << out;
        ByteRange before;
        EXPECT_TRUE(NodeRange(text_, Measure("P2", measure), &before));
        const size_t tail = text_.size() - before.end;
        EXPECT_EQ(out.substr(0, before.begin), text_.substr(0, before.begin));
        EXPECT_EQ(out.substr(out.size() - tail), text_.substr(before.end));
        return out.substr(before.begin, out.size() - tail - before.begin);
    }
    std::string text_;
    pugi::xml_document document_;
};

TEST_F(VoiceWriterTest, NewNotesTakeSourceRhythmAndDonorPitchesAndKeepTheOtherElements) {
    VoiceRewrite v = Voice(1);
    v.entries.push_back(Entry({0, 1}, {3, 2}, Note("P1", 1, 1), {Note("P2", 1, 1)}));
    v.entries.push_back(Entry({3, 2}, {1, 2}, Note("P1", 1, 2), {Note("P2", 1, 1)}));
    v.entries.back().articulations = {Note("P2", 1, 2).child("notations").first_child().first_child(),
                                      Note("P1", 1, 2).child("notations").child("articulations").first_child(),
                                      Note("P1", 1, 2).child("notations").child("articulations").last_child(),
                                      Note("P1", 1, 2).child("notations").child("fermata")};
    v.entries.push_back(Entry({2, 1}, {3, 2}, Note("P1", 1, 1), {Note("P2", 1, 2), Note("P2", 1, 3)}));
    // Beat 3.5 to 4 is left open: the voice is padded with a forward of its own.
    EXPECT_EQ(Rewrite({v}, 1), R"(<measure number="1">
      <attributes>
        <divisions>2</divisions>
      </attributes>
      <note>
        <pitch><step>F</step><alter>1</alter><octave>4</octave></pitch>
        <duration>3</duration>
        <voice>1</voice>
        <type>quarter</type>
        <dot/>
        <accidental>sharp</accidental>
        <stem>up</stem>
        <beam number="1">begin</beam>
        <notations>
          <slur type="start"/>
        </notations>
      </note>
      <note>
        <pitch><step>F</step><alter>1</alter><octave>4</octave></pitch>
        <duration>1</duration>
        <voice>1</voice>
        <type>eighth</type>
        <stem>up</stem>
        <beam number="1">end</beam>
        <notations>
          <slur type="stop"/>
          <articulations>
            <accent/>
            <staccato/>
          </articulations>
          <fermata/>
        </notations>
      </note>
      <direction placement="above">
        <direction-type><words>dolce</words></direction-type>
        <offset>1</offset>
      </direction>
      <!-- second half -->
      <note>
        <pitch><step>A</step><octave>4</octave></pitch>
        <duration>3</duration>
        <voice>1</voice>
        <type>quarter</type>
        <dot/>
        <stem>up</stem>
        <beam number="1">begin</beam>
      </note>
      <note>
        <chord/>
        <pitch><step>C</step><octave>5</octave></pitch>
        <duration>3</duration>
        <voice>1</voice>
        <type>quarter</type>
        <dot/>
        <stem>up</stem>
      </note>
      <forward>
        <duration>1</duration>
        <voice>1</voice>
      </forward>
      <backup>
        <duration>8</duration>
      </backup>
      <note>
        <pitch><step>D</step><octave>3</octave></pitch>
        <duration>8</duration>
        <voice>2</voice>
        <type>whole</type>
      </note>
    </measure>)");
}

}  // namespace
}  // namespace qz::musicxml
