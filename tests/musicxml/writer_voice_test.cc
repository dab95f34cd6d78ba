// Writing rewritten voices back into the original text: what changes, what is kept, and where.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "musicxml/read/score_parse.h"
#include "musicxml/write/splice.h"
#include "musicxml/write/voice_rewrite.h"
#include "reader_support.h"

namespace qz::musicxml {
namespace {

using testing::ValueOf;

// ---- scores as this file lays them out: a measure's children six spaces in, theirs eight, and
// the children of a written <notations> ten.

std::string Child(const std::string& tag, const std::vector<std::string>& lines,
                  const std::string& attributes = "") {
    std::string out = "\n      <" + tag + attributes + ">";
    for (const std::string& line : lines) out += "\n        " + line;
    return out + "\n      </" + tag + ">";
}
std::string Duration(int d) { return "<duration>" + std::to_string(d) + "</duration>"; }
std::string VoiceTag(const std::string& v) { return "<voice>" + v + "</voice>"; }
std::string TypeTag(const std::string& t) { return "<type>" + t + "</type>"; }
std::string Notations(const std::vector<std::string>& lines) {
    std::string out = "<notations>";
    for (const std::string& line : lines) out += "\n          " + line;
    return out + "\n        </notations>";
}
std::string Rest(int duration, const std::string& voice, const std::string& type, bool hidden = false) {
    return Child("note", {"<rest/>", Duration(duration), VoiceTag(voice), TypeTag(type)},
                 hidden ? " print-object=\"no\"" : "");
}
std::string Divisions(int d) { return Child("attributes", {"<divisions>" + std::to_string(d) + "</divisions>"}); }
std::string Backup(int d) { return Child("backup", {Duration(d)}); }
std::string MeasureText(int number, const std::string& children) {
    return "<measure number=\"" + std::to_string(number) + "\">" + children + "\n    </measure>";
}
const char* const kFSharp4 = "<pitch><step>F</step><alter>1</alter><octave>4</octave></pitch>";
const char* const kG4 = "<pitch><step>G</step><octave>4</octave></pitch>";
const char* const kA4 = "<pitch><step>A</step><octave>4</octave></pitch>";
const char* const kE4 = "<pitch><step>E</step><octave>4</octave></pitch>";
const char* const kC5 = "<pitch><step>C</step><octave>5</octave></pitch>";
const char* const kD3 = "<pitch><step>D</step><octave>3</octave></pitch>";
const char* const kTriplet =
    "<time-modification><actual-notes>3</actual-notes><normal-notes>2</normal-notes></time-modification>";
const std::string kTupletStart = Notations({"<tuplet type=\"start\"/>"});
const std::string kDirection = Child("direction", {"<direction-type><words>dolce</words></direction-type>",
                                                   "<offset>1</offset>"}, " placement=\"above\"");
const char* const kComment = "\n      <!-- second half -->";
const char* const kBarline = "\n      <barline location=\"right\"><bar-style>light-heavy</bar-style></barline>";

// P1 holds the source figures, P2 the destination measures (divisions 2, 4/4).
const std::string kScore =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<score-partwise version=\"4.0\">\n  <part id=\"P1\">\n    " +
    MeasureText(1, Divisions(2) +
        Child("note", {kG4, Duration(3), VoiceTag("1"), TypeTag("quarter"), "<dot/>", "<stem>down</stem>",
                       "<beam number=\"1\">begin</beam>", "<notations><slur type=\"start\"/></notations>"}) +
        Child("note", {kG4, Duration(1), VoiceTag("1"), TypeTag("eighth"), "<beam number=\"1\">end</beam>",
                       "<notations><slur type=\"stop\"/><articulations><staccato/><accent/></articulations>"
                       "<fermata/></notations>"}) +
        Rest(4, "1", "half", true)) +
    "\n    " +
    MeasureText(2, Child("note", {kG4, Duration(1), VoiceTag("1"), TypeTag("eighth"), kTriplet,
                                  "<notations><tuplet type=\"start\"/><slur type=\"start\"/></notations>"}) +
                   Child("note", {"<rest measure=\"yes\"/>", Duration(8), VoiceTag("1")})) +
    "\n  </part>\n  <part id=\"P2\">\n    " +
    MeasureText(1, Divisions(2) +
        Child("note", {kFSharp4, Duration(4), VoiceTag("1"), TypeTag("half"), "<accidental>sharp</accidental>",
                       "<stem>up</stem>", "<lyric><text>la</text></lyric>"}) +
        kDirection + kComment +
        Child("note", {kA4, Duration(4), VoiceTag("1"), TypeTag("half"), "<stem>up</stem>",
                       "<notations><articulations><accent/></articulations></notations>"}) +
        Child("note", {"<chord/>", kC5, Duration(4), VoiceTag("1"), TypeTag("half"), "<stem>up</stem>"}) +
        Backup(8) + Child("note", {kD3, Duration(8), VoiceTag("2"), TypeTag("whole")})) +
    "\n    " + MeasureText(2, Child("note", {kE4, Duration(8), VoiceTag("1"), TypeTag("whole")}) + kBarline) +
    "\n  </part>\n</score-partwise>\n";

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
        NewEntry e;
        e.onset = onset;
        e.duration = duration;
        e.rhythmFrom = rhythm;
        for (pugi::xml_node d : donors) e.pitches.push_back({d, false, false});
        return e;
    }
    // Applies the measure's edits; returns the text of destination measure `measure` after
    // them, and checks that everything outside that measure is unchanged and the result parses.
    std::string Rewrite(const std::vector<VoiceRewrite>& voices, int measure) {
        const std::vector<Edit> edits = ValueOf(RewriteMeasure(text_, voices));
        const std::string out = ValueOf(ApplyEdits(text_, edits));
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

int Occurrences(const std::string& text, const std::string& part) {
    int n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

// Each row rewrites one measure of kScore (or of a score its voices load) and gives the whole
// measure after, or how often pieces of it occur.
TEST_F(VoiceWriterTest, RewrittenMeasures) {
    struct Case {
        const char* what;
        std::function<std::vector<VoiceRewrite>()> voices;
        int measure;
        std::string golden;                              // empty: only the counts
        std::vector<std::pair<std::string, int>> counts;
    };
    auto carriedSlurs = [&](bool busy) {
        const pugi::xml_node carriedSlur = Note("P1", 1, 2).child("notations").child("slur");
        VoiceRewrite v = Voice(1);
        v.entries.push_back(Entry({0, 1}, {3, 2}, Note("P1", 1, 1), {Note("P2", 1, 2)}));
        v.entries.back().carriedSlurs = {carriedSlur};
        v.entries.push_back(Entry({3, 2}, {1, 2}, Note("P1", 1, 2), {Note("P2", 1, 2)}));
        v.entries.push_back(Entry({2, 1}, {2, 1}, Note("P1", 1, 3)));
        if (busy) v.busySlurNumbers = {"1"};
        return std::vector<VoiceRewrite>{v};
    };
    const std::vector<Case> cases = {
        {"new notes take the source's rhythm and the donors' pitches, keeping the other elements",
         [&] {
             VoiceRewrite v = Voice(1);
             v.entries.push_back(Entry({0, 1}, {3, 2}, Note("P1", 1, 1), {Note("P2", 1, 1)}));
             v.entries.push_back(Entry({3, 2}, {1, 2}, Note("P1", 1, 2), {Note("P2", 1, 1)}));
             // The merge of both donors' marks, as the reader hands it over: a duplicate accent
             // is written once; the fermata goes beside the articulations.
             const pugi::xml_node marks = Note("P1", 1, 2).child("notations");
             v.entries.back().articulations = {
                 Note("P2", 1, 2).child("notations").child("articulations").child("accent"),
                 marks.child("articulations").child("staccato"),
                 marks.child("articulations").child("accent"), marks.child("fermata")};
             v.entries.push_back(Entry({2, 1}, {3, 2}, Note("P1", 1, 1), {Note("P2", 1, 2), Note("P2", 1, 3)}));
             return std::vector<VoiceRewrite>{v};  // beat 3.5 to 4 is left open: a rest fills it
         },
         1,
         MeasureText(1, Divisions(2) +
             Child("note", {kFSharp4, Duration(3), VoiceTag("1"), TypeTag("quarter"), "<dot/>",
                            "<accidental>sharp</accidental>", "<stem>up</stem>", "<beam number=\"1\">begin</beam>",
                            Notations({"<slur type=\"start\"/>"})}) +
             Child("note", {kFSharp4, Duration(1), VoiceTag("1"), TypeTag("eighth"), "<stem>up</stem>",
                            "<beam number=\"1\">end</beam>",
                            Notations({"<slur type=\"stop\"/>", "<articulations>", "  <accent/>", "  <staccato/>",
                                       "</articulations>", "<fermata/>"})}) +
             kDirection + kComment +
             Child("note", {kA4, Duration(3), VoiceTag("1"), TypeTag("quarter"), "<dot/>", "<stem>up</stem>",
                            "<beam number=\"1\">begin</beam>"}) +
             Child("note", {"<chord/>", kC5, Duration(3),
                            VoiceTag("1"), TypeTag("quarter"), "<dot/>", "<stem>up</stem>"}) +
             Rest(1, "1", "eighth") + Backup(8) +
             Child("note", {kD3, Duration(8), VoiceTag("2"), TypeTag("whole")})),
         {}},
        {"finer divisions cover the whole measure and are restored after it",
         [&] {
             // Triplet eighths cannot be written in 2 divisions: the measure moves to 6.
             VoiceRewrite v = Voice(1);
             for (int i = 0; i < 3; ++i)
                 v.entries.push_back(Entry({i, 3}, {1, 3}, Note("P1", 2, 1), {Note("P2", 1, 2)}));
             v.entries.push_back(Entry({1, 1}, {3, 1}, Note("P1", 1, 3)));  // a hidden rest
             return std::vector<VoiceRewrite>{v};
         },
         1,
         // The direction and comment stood at beat 3, inside the new rest: reached with a backup.
         // The other voice's values, the backup and the direction's offset are all multiplied by 3.
         MeasureText(1, Divisions(6) +
             Child("note", {kA4, Duration(2), VoiceTag("1"), TypeTag("eighth"), kTriplet, "<stem>up</stem>", kTupletStart}) +
             Child("note", {kA4, Duration(2), VoiceTag("1"), TypeTag("eighth"), kTriplet, "<stem>up</stem>", kTupletStart}) +
             Child("note", {kA4, Duration(2), VoiceTag("1"), TypeTag("eighth"), kTriplet, "<stem>up</stem>", kTupletStart}) +
             Rest(18, "1", "half", true) + Backup(12) +
             Child("direction", {"<direction-type><words>dolce</words></direction-type>", "<offset>3</offset>"},
                   " placement=\"above\"") +
             kComment + Child("forward", {Duration(12)}) + Backup(24) +
             Child("note", {kD3, Duration(24), VoiceTag("2"), TypeTag("whole")}) + Divisions(2)),
         {}},
        {"a measure without <divisions> of its own gets them before its first note; nothing "
         "follows the last measure, so nothing is restored",
         [&] {
             VoiceRewrite v = Voice(2);
             v.entries.push_back(Entry({0, 1}, {1, 3}, Note("P1", 2, 1), {Note("P2", 2, 1)}));
             return std::vector<VoiceRewrite>{v};
         },
         2,
         MeasureText(2, Divisions(6) +
             Child("note", {kE4, Duration(2), VoiceTag("1"), TypeTag("eighth"), kTriplet, kTupletStart}) +
             Child("forward", {Duration(22), VoiceTag("1")}) + kBarline),
         {}},
        {"a measure rewritten again keeps one restatement of the divisions",
         [&] {
             VoiceRewrite v = Voice(1);
             v.entries.push_back(Entry({0, 1}, {1, 3}, Note("P1", 2, 1), {Note("P2", 1, 2)}));
             v.entries.push_back(Entry({1, 3}, {11, 3}, Note("P1", 1, 3)));
             Load(ValueOf(ApplyEdits(text_, ValueOf(RewriteMeasure(text_, {v})))));
             // Its measure now states 6 at the start and 2 after the last note. A quintuplet in
             // the other voice needs 30; the closing 2 already serves the next measure.
             VoiceRewrite lower = Voice(1, "2");
             lower.divisions = 6;
             lower.entries.push_back(Entry({0, 1}, {1, 5}, Note("P1", 2, 1), {Note("P2", 1, 3)}));
             return std::vector<VoiceRewrite>{lower};
         },
         1, "",
         {{"<divisions>30</divisions>", 1},
          {"<divisions>2</divisions>", 1},
          {"<divisions>2</divisions>\n      </attributes>\n    </measure>", 1},
          {"<note>\n        " + std::string(kA4) + "\n        <duration>10</duration>", 1}}},
        {"ties stop before they start again; a repeated pitch shows its accidental once",
         [&] {
             VoiceRewrite v = Voice(1);
             v.entries.push_back(Entry({0, 1}, {3, 2}, Note("P1", 1, 1), {Note("P2", 1, 1)}));
             v.entries.back().pitches[0].tieStart = true;
             v.entries.push_back(Entry({3, 2}, {1, 2}, Note("P1", 1, 2), {Note("P2", 1, 1)}));
             v.entries.back().pitches[0].tieStop = true;
             v.entries.back().pitches[0].tieStart = true;
             v.entries.push_back(Entry({2, 1}, {2, 1}, Note("P1", 1, 3)));
             return std::vector<VoiceRewrite>{v};
         },
         1, "",
         {{"<accidental>", 1},
          {"<duration>1</duration>\n        <tie type=\"stop\"/>\n        <tie type=\"start\"/>\n        <voice>1</voice>", 1},
          {"<notations>\n          <tied type=\"stop\"/>\n          <tied type=\"start\"/>\n          <slur type=\"stop\"/>", 1},
          {kComment + Rest(4, "1", "half", true) + "\n      <backup>", 1},
          {"lyric", 0}}},
        {"a whole-measure rest stays one",
         [&] {
             VoiceRewrite rest = Voice(2);
             rest.entries.push_back(Entry({0, 1}, {4, 1}, Note("P1", 2, 2)));
             return std::vector<VoiceRewrite>{rest};
         },
         2, "", {{"<rest measure=\"yes\"/>\n        <duration>8<", 1}}},
        {"the same rest over part of a measure does not",
         [&] {
             VoiceRewrite rest = Voice(2);
             rest.entries.push_back(Entry({0, 1}, {2, 1}, Note("P1", 2, 2)));
             return std::vector<VoiceRewrite>{rest};
         },
         2, "", {{"<rest/>\n        <duration>4<", 2}, {"measure=\"yes\"", 0}}},
        {"a voice absent from the measure is added after the others",
         [&] {
             VoiceRewrite v = Voice(2, "2");
             v.entries.push_back(Entry({0, 1}, {2, 1}, Note("P1", 1, 3)));
             v.entries.push_back(Entry({2, 1}, {3, 2}, Note("P1", 1, 1), {Note("P2", 2, 1)}));
             return std::vector<VoiceRewrite>{v};
         },
         2,
         MeasureText(2, Child("note", {kE4, Duration(8), VoiceTag("1"), TypeTag("whole")}) + Backup(8) +
             Rest(4, "2", "half", true) +
             Child("note", {kE4, Duration(3), VoiceTag("2"), TypeTag("quarter"), "<dot/>", "<beam number=\"1\">begin</beam>"}) +
             Rest(1, "2", "eighth") + kBarline),
         {}},
        {"a voice is replaced and another added in one measure",
         [&] {
             VoiceRewrite upper = Voice(2);
             upper.entries.push_back(Entry({0, 1}, {2, 1}, Note("P1", 1, 3)));
             VoiceRewrite added = Voice(2, "2");
             added.entries.push_back(Entry({1, 1}, {1, 3}, Note("P1", 2, 1), {Note("P2", 2, 1)}));
             return std::vector<VoiceRewrite>{added, upper};
         },
         2,
         MeasureText(2, Divisions(6) + Rest(12, "1", "half", true) + Rest(12, "1", "half") + Backup(24) +
             Rest(6, "2", "quarter") +
             Child("note", {kE4, Duration(2), VoiceTag("2"), TypeTag("eighth"), kTriplet, kTupletStart}) +
             Child("forward", {Duration(16), VoiceTag("2")}) + kBarline),
         {}},
        {"two voices of one measure share one divisions change",
         [&] {
             VoiceRewrite upper = Voice(1);
             upper.entries.push_back(Entry({0, 1}, {4, 1}, Note("P1", 1, 3)));
             VoiceRewrite lower = Voice(1, "2");
             lower.entries.push_back(Entry({0, 1}, {1, 3}, Note("P1", 2, 1), {Note("P2", 1, 4)}));
             return std::vector<VoiceRewrite>{upper, lower};
         },
         1, "",
         {{"<divisions>6</divisions>", 1},
          {"<rest/>\n        <duration>24</duration>", 1},
          {Backup(24), 1},
          {Child("forward", {Duration(22), VoiceTag("2")}), 1},
          {"dolce", 1}}},
        {"a rest takes no articulation but a fermata, and a note takes the lyrics moved to it",
         [&] {
             const pugi::xml_node marks = Note("P1", 1, 2).child("notations");
             VoiceRewrite v = Voice(1);
             v.entries.push_back(Entry({0, 1}, {2, 1}, Note("P1", 1, 1), {Note("P2", 1, 2)}));
             v.entries.back().lyrics = {Note("P2", 1, 1).child("lyric")};
             v.entries.push_back(Entry({2, 1}, {2, 1}, Note("P1", 1, 3)));
             v.entries.back().articulations = {marks.child("articulations").child("staccato"),
                                               marks.child("fermata")};
             return std::vector<VoiceRewrite>{v};
         },
         1, "",
         {{"</beam>\n        <lyric><text>la</text></lyric>\n      </note>", 1},
          {TypeTag("half") + "\n        " + Notations({"<fermata/>"}), 1},
          {"staccato", 0}}},
        // A slur stop carried from a replaced note goes first; the source's own slur (number 1,
        // entries 1 and 2) is written only while its number is free.
        {"carried slur ends are written, and the source's slurs too while their number is free",
         [&] { return carriedSlurs(false); }, 1, "",
         {{"<slur", 3}, {"<notations>\n          <slur type=\"stop\"/>\n", 2}}},
        {"the source's slurs of a busy number are not written",
         [&] { return carriedSlurs(true); }, 1, "",
         {{"<slur", 1}, {"<notations>\n          <slur type=\"stop\"/>\n", 1}}},
        {"a measure without notes gets the voice after its attributes",
         [&] {
             Load(R"(<score-partwise>
  <part id="P2">
    <measure number="1">
      <print new-system="yes"/>
      <attributes>
        <time><beats>2</beats><beat-type>4</beat-type></time>
      </attributes>
    </measure>
    <measure number="2"/>
  </part>
</score-partwise>)");
             VoiceRewrite v = Voice(1);
             v.length = {2, 1};
             v.divisions = 1;
             v.entries = {Entry({0, 1}, {2, 3}, {})};
             return std::vector<VoiceRewrite>{v};
         },
         1,
         // Finer divisions go after the leading <print> and <attributes>; the voice follows them.
         MeasureText(1, "\n      <print new-system=\"yes\"/>" +
             Child("attributes", {"<time><beats>2</beats><beat-type>4</beat-type></time>"}) + Divisions(3) +
             Child("note", {"<rest/>", Duration(2)}) + Child("forward", {Duration(4)}) + Divisions(1)),
         {}},
    };
    for (const Case& c : cases) {
        Load(kScore);
        const std::string out = Rewrite(c.voices(), c.measure);
        if (!c.golden.empty()) {
            EXPECT_EQ(out, c.golden) << c.what;
        }
        for (const auto& [part, count] : c.counts)
            EXPECT_EQ(Occurrences(out, part), count) << c.what << ": " << part << "\n" << out;
    }
}

TEST_F(VoiceWriterTest, WhatCannotBeWrittenExactlyLeavesTheMeasureAlone) {
    VoiceRewrite overlapping = Voice(1);
    overlapping.entries.push_back(Entry({0, 1}, {2, 1}, Note("P1", 1, 3)));
    overlapping.entries.push_back(Entry({1, 1}, {2, 1}, Note("P1", 1, 3)));
    VoiceRewrite tooFine = Voice(1);
    tooFine.entries.push_back(Entry({0, 1}, {1, 1 << 25}, Note("P1", 1, 3)));
    VoiceRewrite noPitch = Voice(1);
    noPitch.entries.push_back(Entry({0, 1}, {4, 1}, Note("P1", 1, 3), {Measure("P2", 1)}));
    struct Case {
        VoiceRewrite voice;
        std::string error;
    };
    for (const Case& c : {Case{overlapping, "rewritten entries overlap"},
                          Case{tooFine, "the new rhythm needs more divisions than a file may hold"},
                          Case{noPitch, "a donor note has neither <pitch> nor <unpitched>"}}) {
        EXPECT_EQ(RewriteMeasure(text_, {c.voice}).status().message(), c.error);
    }
}

TEST_F(VoiceWriterTest, TheFilesOwnLayoutIsFollowed) {
    // Tabs and CR LF line ends.
    Load("<score-partwise>\r\n\t<part id=\"P1\">\r\n\t\t<measure number=\"1\">\r\n"
         "\t\t\t<note>\r\n\t\t\t\t<rest/>\r\n\t\t\t\t<duration>4</duration>\r\n"
         "\t\t\t\t<type>whole</type>\r\n\t\t\t</note>\r\n\t\t</measure>\r\n\t</part>\r\n"
         "\t<part id=\"P2\">\r\n\t\t<measure number=\"1\"><note><rest/><duration>4</duration>"
         "</note></measure>\r\n\t</part>\r\n</score-partwise>\r\n");
    VoiceRewrite tabs = Voice(1);
    tabs.part = Measure("P1", 1).parent();
    tabs.measure = Measure("P1", 1);
    tabs.divisions = 1;
    tabs.entries.push_back(Entry({0, 1}, {2, 1}, Note("P1", 1, 1)));
    std::vector<Edit> edits = ValueOf(RewriteMeasure(text_, {tabs}));
    ASSERT_EQ(edits.size(), 1u);
    EXPECT_EQ(edits[0].text,
              "<note>\r\n\t\t\t\t<rest/>\r\n\t\t\t\t<duration>2</duration>\r\n"
              "\t\t\t\t<type>whole</type>\r\n\t\t\t</note>\r\n\t\t\t<note>\r\n\t\t\t\t<rest/>\r\n"
              "\t\t\t\t<duration>2</duration>\r\n\t\t\t\t<type>half</type>\r\n\t\t\t</note>");

    // A measure written on one line stays on one line.
    VoiceRewrite compact = Voice(1);
    compact.divisions = 1;
    compact.entries.push_back(Entry({0, 1}, {4, 1}, Note("P1", 1, 1)));
    edits = ValueOf(RewriteMeasure(text_, {compact}));
    ASSERT_EQ(edits.size(), 1u);
    EXPECT_EQ(edits[0].text, "<note><rest/><duration>4</duration><type>whole</type></note>");

    // A file writing each note on a line of its own gets its new notes written so too.
    Load("<score-partwise>\n  <part id=\"P2\">\n    <measure number=\"1\">\n"
         "      <note><rest/><duration>4</duration><voice>1</voice></note>\n"
         "    </measure>\n  </part>\n</score-partwise>\n");
    VoiceRewrite lines = Voice(1);
    lines.divisions = 1;
    lines.entries.push_back(Entry({0, 1}, {2, 1}, Measure("P2", 1).child("note")));
    lines.entries.push_back(Entry({2, 1}, {2, 1}, Measure("P2", 1).child("note")));
    edits = ValueOf(RewriteMeasure(text_, {lines}));
    ASSERT_EQ(edits.size(), 1u);
    EXPECT_EQ(edits[0].text,
              "<note><rest/><duration>2</duration><voice>1</voice></note>\n"
              "      <note><rest/><duration>2</duration><voice>1</voice></note>");
}

TEST(VoiceWriterRefusalTest, LayoutsThatCannotBeReEmittedFaithfullyAreRefused) {
    const std::string text = R"(<score-partwise><part id="P1">
<measure number="1"><attributes><divisions>1</divisions></attributes>
<note><pitch><step>C</step><octave>4</octave></pitch><duration>1</duration><voice>1</voice></note>
<backup><duration>1</duration></backup>
<note><pitch><step>E</step><octave>3</octave></pitch><duration>1</duration><voice>2</voice></note>
<note><pitch><step>D</step><octave>4</octave></pitch><duration>3</duration><voice>1</voice></note>
<backup><duration>3</duration></backup>
<note><pitch><step>F</step><octave>3</octave></pitch><duration>3</duration><voice>2</voice></note>
</measure>
<measure number="2">
<note><grace/><pitch><step>C</step><octave>4</octave></pitch><voice>1</voice></note>
<note><pitch><step>D</step><octave>4</octave></pitch><duration>4</duration><voice>1</voice><staff>1</staff></note>
<note><chord/><pitch><step>D</step><octave>3</octave></pitch><duration>4</duration><voice>1</voice><staff>2</staff></note>
<backup><duration>4</duration></backup>
<note><rest/><duration>4</duration><voice>5</voice><staff>2</staff></note>
</measure>
<measure number="3">
<note><rest/><duration>2</duration><voice>1</voice></note>
<attributes><divisions>2</divisions></attributes>
<note><rest/><duration>4</duration><voice>1</voice></note>
</measure>
<measure number="4"/>
<measure number="5"><note><rest/></note></measure>
<measure number="6"><note><rest/><duration>4</duration></note><backup><duration>5</duration></backup></measure>
<measure number="7">
<note><rest/><duration>2</duration><voice>1</voice></note>
<note><grace/><pitch><step>C</step><octave>4</octave></pitch><voice>1</voice></note>
<note><rest/><duration>2</duration><voice>1</voice></note>
<backup><duration>4</duration></backup>
<note><cue/><rest/><duration>4</duration><voice>2</voice></note>
</measure>
<measure number="8">
<note><pitch><step>C</step><octave>4</octave></pitch><duration>4</duration><voice>1</voice></note>
<note><chord/><pitch><step>E</step><octave>4</octave></pitch><duration>4</duration><voice>2</voice></note>
</measure>
</part></score-partwise>)";
    pugi::xml_document document;
    ASSERT_TRUE(document.load_buffer(text.data(), text.size(), ScoreParseOptions(),
                                     pugi::encoding_utf8));
    const pugi::xml_node part = document.child("score-partwise").child("part");
    std::vector<pugi::xml_node> m;
    for (pugi::xml_node n = part.child("measure"); n; n = n.next_sibling("measure")) m.push_back(n);
    struct Case {
        size_t measure;
        int staff;
        std::string voice;
        std::string reason;  // empty: accepted
    };
    const std::vector<Case> cases = {
        {0, 1, "1", ""},  // interleaved with voice 2: written as one run
        {0, 1, "2", ""},
        {0, 1, "3", ""},  // absent: added after the others
        {1, 1, "1", "voice 1 has notes on staff 2 too"},
        {1, 2, "1", "voice 1 has notes on staff 1 too"},
        {1, 2, "5", ""},
        {2, 1, "1", "the measure changes <divisions> after its first note"},
        {3, 1, "1", "the measure is empty"},
        {4, 1, "1", "a <note> has no readable <duration>"},
        {5, 1, "1", "a <backup> goes back before the start of the measure"},
        {6, 1, "1", "voice 1 has grace notes"},
        {6, 1, "2", "voice 2 has cue notes"},
        {7, 1, "1", "voice 2 continues a chord of voice 1"},
        {7, 1, "2", "voice 2 continues a chord of another voice"},
    };
    for (const Case& c : cases) {
        const Result<MeasureTimeline> scan = ReadTimeline("", m[c.measure], 1);
        ASSERT_TRUE(scan.ok()) << scan.status().message();
        EXPECT_EQ(CanRewriteVoice(*scan, c.staff, c.voice).message(), c.reason)
            << "measure " << c.measure + 1 << " voice " << c.voice;
    }
}

TEST_F(VoiceWriterTest, PercussionKeepsTheDonorsInstrumentAndNotehead) {
    Load(R"(<score-partwise>
  <part id="P1">
    <measure number="1">
      <note><rest/><duration>2</duration><type>half</type></note>
    </measure>
  </part>
  <part id="P2">
    <measure number="1">
      <note><unpitched><display-step>F</display-step><display-octave>5</display-octave></unpitched><duration>4</duration><instrument id="P2-I43"/><type>whole</type><stem>up</stem><notehead>x</notehead></note>
    </measure>
  </part>
</score-partwise>)");
    VoiceRewrite v = Voice(1);
    v.divisions = 1;
    const pugi::xml_node donor = Measure("P2", 1).child("note");
    v.entries.push_back(Entry({0, 1}, {2, 1}, Measure("P1", 1).child("note"), {donor}));
    v.entries.push_back(Entry({2, 1}, {2, 1}, Measure("P1", 1).child("note")));
    std::vector<Edit> edits = ValueOf(RewriteMeasure(text_, {v}));
    ASSERT_EQ(edits.size(), 1u);
    // No <voice> is written: the file names none.
    EXPECT_EQ(edits[0].text,
              "<note><unpitched><display-step>F</display-step><display-octave>5</display-octave>"
              "</unpitched><duration>2</duration><instrument id=\"P2-I43\"/><type>half</type>"
              "<stem>up</stem><notehead>x</notehead></note>\n"
              "      <note><rest/><duration>2</duration><type>half</type></note>");
}

// The value of each <tag> in `text`, "-" for a note without one.
std::vector<std::string> PerNote(const std::string& text, const std::string& tag) {
    std::vector<std::string> values;
    for (size_t note = text.find("<note"); note != std::string::npos;
         note = text.find("<note", note + 1)) {
        if (text.compare(note, 10, "<notations") == 0) continue;
        const size_t end = text.find("</note>", note);
        const size_t at = text.find("<" + tag + ">", note);
        values.push_back(at < end ? text.substr(at + tag.size() + 2,
                                                text.find('<', at + 1) - at - tag.size() - 2)
                                  : "-");
    }
    return values;
}

TEST_F(VoiceWriterTest, AnAccidentalIsShownWhenThePitchOnItsStaffPositionChanges) {
    Load(R"(<score-partwise>
  <part id="P2">
    <measure number="1">
      <note><pitch><step>F</step><alter>1</alter><octave>4</octave></pitch><duration>2</duration><accidental>sharp</accidental></note>
      <note><pitch><step>F</step><octave>4</octave></pitch><duration>2</duration><accidental>natural</accidental></note>
    </measure>
  </part>
</score-partwise>)");
    const pugi::xml_node sharp = Note("P2", 1, 1);
    const pugi::xml_node natural = Note("P2", 1, 2);
    VoiceRewrite v = Voice(1);
    v.divisions = 1;
    int at = 0;
    for (pugi::xml_node donor : {sharp, sharp, natural, sharp, natural})
        v.entries.push_back(Entry({at++, 1}, {1, 1}, natural, {donor}));
    v.length = {5, 1};
    std::vector<Edit> edits = ValueOf(RewriteMeasure(text_, {v}));
    ASSERT_EQ(edits.size(), 1u);
    EXPECT_EQ(PerNote(edits[0].text, "accidental"),
              (std::vector<std::string>{"sharp", "-", "natural", "sharp", "natural"}));
}

TEST_F(VoiceWriterTest, ARestFillsWhatTheSourceLeavesOpenInValuesOnTheirOwnBeats) {
    struct Case {
        Fraction end;                    // where the source's only note ends
        std::vector<std::string> rests;  // the types of the rests after it
        bool forward;  // a tuplet's share no value expresses: a <forward> of the voice
    };
    const std::vector<Case> cases = {
        {{3, 1}, {"quarter"}, false},  // a 3/4 source over 4/4
        {{1, 1}, {"quarter", "half"}, false},
        {{1, 2}, {"eighth", "quarter", "half"}, false},
        {{3, 2}, {"quarter", "quarter"}, false},  // dotted, on its own beat, then one more
        {{0, 1}, {}, false},  // no entry at all: one whole-measure rest
        {{1, 3}, {}, true},
    };
    for (const Case& c : cases) {
        VoiceRewrite v = Voice(2);
        if (c.end.num > 0)
            v.entries.push_back(Entry({0, 1}, c.end, Note("P1", 1, 3), {Note("P2", 2, 1)}));
        const std::string out = Rewrite({v}, 2);
        if (c.end.num == 0) {
            EXPECT_NE(out.find("<rest measure=\"yes\"/>\n        <duration>8<"), std::string::npos)
                << out;
            continue;
        }
        std::vector<std::string> types = PerNote(out, "type");
        types.erase(types.begin());  // the new note
        EXPECT_EQ(types, c.rests) << out;
        EXPECT_EQ(out.find("<forward>") != std::string::npos, c.forward) << out;
    }
}

TEST_F(VoiceWriterTest, AccidentalsFollowTheKeyTheOtherVoicesAndTiesBrokenAtTheBarline) {
    Load(R"(<score-partwise>
  <part id="P2">
    <measure number="1">
      <attributes><divisions>1</divisions><key><fifths>0</fifths></key></attributes>
      <note><pitch><step>F</step><alter>1</alter><octave>4</octave></pitch><duration>4</duration><voice>1</voice><tie type="start"/></note>
      <backup><duration>4</duration></backup>
      <note><rest/><duration>1</duration><voice>2</voice></note>
      <note><pitch><step>F</step><octave>4</octave></pitch><duration>1</duration><voice>2</voice></note>
      <note><rest/><duration>2</duration><voice>2</voice></note>
    </measure>
    <measure number="2">
      <note><pitch><step>F</step><alter>1</alter><octave>4</octave></pitch><duration>4</duration><voice>1</voice><tie type="stop"/></note>
    </measure>
    <measure number="3">
      <attributes><key><fifths>1</fifths></key></attributes>
      <note><pitch><step>F</step><alter>1</alter><octave>4</octave></pitch><duration>4</duration><voice>1</voice></note>
    </measure>
  </part>
</score-partwise>)");
    struct Case {
        int measure;
        std::vector<Fraction> onsets;  // half notes of F sharp
        bool tiedIn;                   // the first is tied from the measure before
        std::vector<std::string> shown;  // the new notes', then the other voice's
    };
    const std::vector<Case> cases = {
        // The second F sharp follows the other voice's F natural.
        {1, {{0, 1}, {2, 1}}, false, {"sharp", "sharp", "-", "-", "-"}},
        {2, {{0, 1}}, true, {"-", "-"}},
        {2, {{0, 1}}, false, {"sharp", "-"}},  // the tie into the measure was broken
        {3, {{0, 1}}, false, {"-", "-"}},      // G major
    };
    const pugi::xml_node sharp = Note("P2", 1, 1);
    for (const Case& c : cases) {
        VoiceRewrite v = Voice(c.measure);
        v.divisions = 1;
        v.key = Measure("P2", c.measure == 3 ? 3 : 1).child("attributes").child("key");
        for (Fraction onset : c.onsets)
            v.entries.push_back(Entry(onset, {2, 1}, sharp, {sharp}));
        v.entries[0].pitches[0].tieStop = c.tiedIn;
        std::vector<std::string> shown = PerNote(Rewrite({v}, c.measure), "accidental");
        EXPECT_EQ(shown, c.shown) << "measure " << c.measure;
    }
}

}  // namespace
}  // namespace qz::musicxml
