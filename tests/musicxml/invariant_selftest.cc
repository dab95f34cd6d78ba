// The corpus checker's own cases: it passes a faithful rewrite and catches each kind of damage
// it claims to catch. A checker that cannot fail would let the corpus run pass anything.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "corpus_interleave.h"
#include "corpus_json.h"
#include "invariant_checks.h"
#include "invariant_notation.h"
#include "invariant_removals.h"

namespace qz::corpus {
namespace {

std::string Note(const std::string& pitch, int duration, bool chord = false,
                 const std::string& notations = "") {
    std::string n = "<note>";
    if (chord) n += "<chord/>";
    if (pitch == "r")
        n += "<rest/>";
    else
        n += "<pitch><step>" + pitch.substr(0, 1) + "</step><octave>" + pitch.substr(1) + "</octave></pitch>";
    n += "<duration>" + std::to_string(duration) + "</duration><voice>1</voice>";
    if (!notations.empty()) n += "<notations><articulations>" + notations + "</articulations></notations>";
    return n + "</note>";
}

// A score of two one-staff parts with one 4/4 measure each (divisions 1).
std::string Score(const std::string& rhythm, const std::string& chords) {
    const std::string attributes =
        "<attributes><divisions>1</divisions><time><beats>4</beats><beat-type>4</beat-type></time></attributes>";
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<score-partwise version=\"4.0\">\n"
           "<part-list><score-part id=\"P1\"/><score-part id=\"P2\"/></part-list>\n"
           "<part id=\"P1\"><measure number=\"1\">" + attributes + rhythm + "</measure></part>\n"
           "<part id=\"P2\"><measure number=\"1\">" + attributes + chords + "</measure></part>\n"
           "</score-partwise>\n";
}

// Inserts notation markup into a note made by Note().
std::string With(std::string note, const std::string& notations) {
    return note.insert(note.rfind("</note>"), "<notations>" + notations + "</notations>");
}

const std::string kRhythm = Note("C5", 1) + Note("r", 1) + Note("C5", 1, false, "<staccato/>") + Note("C5", 1);
const std::string kChords = Note("C4", 2) + Note("E4", 2, true) + Note("F4", 2) + Note("A4", 2, true, "<accent/>");

// What the engine makes of kChords in kRhythm: a chord on each attack, the rest kept, on beat 3
// the staccato of the source and the accent of the chord that starts there.
std::string Rewritten(const std::string& marks = "<staccato/><accent/>") {
    return Note("C4", 1) + Note("E4", 1, true) + Note("r", 1) + Note("F4", 1, false, marks) +
           Note("A4", 1, true) + Note("F4", 1) + Note("A4", 1, true);
}

ShowInfo TwoStaves() {
    ShowInfo show;
    show.measures = 1;
    show.staves = {{1, "P1", 1, {"1"}}, {2, "P2", 1, {"1"}}};
    return show;
}

Report Row(bool rewritten) {
    Report report;
    report.rows.push_back({2, "P2", 1, 1, 1, 1, rewritten, rewritten ? "" : "skipped"});
    return report;
}

const Selection kSource{{1}, 1, 1};
const Selection kDest{{2}, 1, 1};

std::vector<std::string> Check(const std::string& output, bool rewritten = true) {
    return CheckApply(Score(kRhythm, kChords), output, TwoStaves(), kSource, kDest, Row(rewritten));
}

std::string Joined(const std::vector<std::string>& failures) {
    std::string text;
    for (const std::string& f : failures) text += f + "\n";
    return text;
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    return text.replace(text.find(from), from.size(), to);
}

// Each row is a tool output for Score(kRhythm, kChords) and what the checker must say of it.
TEST(Invariants, EachKindOfDamageIsCaughtAndFaithfulResultsPass) {
    const std::string c4 = Note("C4", 1);
    const std::string marked = Note("F4", 1, false, "<staccato/><accent/>");
    const std::string slurStart = "<slur type=\"start\" number=\"2\"/>", slurStop = "<slur type=\"stop\" number=\"2\"/>";
    const std::string voice = "part P2 measure 1 staff 1 voice 1: ";
    struct Case {
        const char* what;
        std::string output;
        bool rewritten;
        std::vector<std::string> failures;  // each must appear; none at all: the output passes
    };
    const std::vector<Case> cases = {
        {"faithful", Score(kRhythm, Rewritten()), true, {}},
        {"faithfully left alone", Score(kRhythm, kChords), false, {}},
        {"a byte changed though nothing was rewritten",
         Replaced(Score(kRhythm, kChords), "<part-list>", " <part-list>"), false, {"nothing was rewritten"}},
        {"a byte changed outside", Replaced(Score(kRhythm, Rewritten()), "<measure number=\"1\">", "<measure number=\"1\" >"),
         true, {"bytes changed outside"}},
        {"a wrong pitch", Score(kRhythm, Replaced(Rewritten(), c4, Note("D4", 1))), true, {"chord sounding"}},
        {"a rest where a note belongs", Score(kRhythm, Note("r", 1) + Rewritten().substr(c4.size() + Note("E4", 1, true).size())),
         true, {"chord sounding"}},
        // Beat 2 left to a <forward>: the voice falls silent there.
        {"a hole",
         Score(kRhythm, Replaced(Rewritten(), Note("r", 1), "<forward><duration>1</duration><voice>1</voice></forward>")),
         true, {"entries for the source's", "[fill] " + voice + "rewritten voice has a hole at 1"}},
        {"a wrong rhythm",
         Score(kRhythm, Rewritten().substr(0, Rewritten().rfind(Note("F4", 1))) + Note("F4", 2) + Note("A4", 2, true)),
         true, {"rhythm", "[fill] " + voice + "rewritten voice ends at 5"}},
        {"an articulation lost", Score(kRhythm, Rewritten("<staccato/>")), true, {"accent lost"}},
        {"an articulation twice", Score(kRhythm, Rewritten("<staccato/><accent/><accent/>")), true, {"appears twice"}},
        {"an articulation from nowhere", Score(kRhythm, Rewritten("<staccato/><accent/><tenuto/>")), true,
         {"tenuto from nowhere"}},
        {"an articulated rest", Score(kRhythm, Replaced(Rewritten(), Note("r", 1), Note("r", 1, false, "<staccato/>"))),
         true, {"[rest-articulation] " + voice + "rest at 1 carries <staccato>"}},
        {"a paired slur",
         Score(kRhythm, Replaced(Replaced(Rewritten(), c4, With(c4, slurStart)), marked, With(marked, slurStop))), true, {}},
        {"a slur without its stop", Score(kRhythm, Replaced(Rewritten(), c4, With(c4, slurStart))), true,
         {"[slur] " + voice + "slur 2 starts without a stop"}},
        {"a slur without its start", Score(kRhythm, Replaced(Rewritten(), c4, With(c4, slurStop))), true,
         {"[slur] " + voice + "slur 2 stops at 0 without a start"}},
        {"a tie on to the next attack",
         Score(kRhythm, Replaced(Rewritten(), marked, With(marked, "<tied type=\"start\"/>"))), true, {}},
        {"a tie into a rest", Score(kRhythm, Replaced(Rewritten(), c4, With(c4, "<tied type=\"start\"/>"))), true,
         {"[tie] " + voice + "tie from C4 at 0 meets a rest at measure 1 beat 1"}},
        {"not well-formed", Replaced(Score(kRhythm, Rewritten()), "</part>\n</score-partwise>", "\n</score-partwise>"),
         true, {"not well-formed"}},
        {"a byte order mark added", "\xEF\xBB\xBF" + Score(kRhythm, Rewritten()), true,
         {"encoding UTF-8 became UTF-8 BOM"}},
    };
    for (const Case& c : cases) {
        const std::string failures = Joined(Check(c.output, c.rewritten));
        if (c.failures.empty()) {
            EXPECT_EQ(failures, "") << c.what;
        }
        for (const std::string& expected : c.failures)
            EXPECT_NE(failures.find(expected), std::string::npos) << c.what << ": " << expected << "\n" << failures;
    }
}

// Accidentals in a rewritten voice: what the key, an earlier note of any voice on that staff
// position, or the end of a tie leave a reader to expect.
TEST(Invariants, AccidentalsThatAReaderNeedsAreShown) {
    auto pitched = [](const std::string& step, int alter, int duration, const std::string& voice,
                      const std::string& accidental, const std::string& tie = "") {
        return "<note><pitch><step>" + step + "</step><alter>" + std::to_string(alter) +
               "</alter><octave>4</octave></pitch><duration>" + std::to_string(duration) + "</duration>" + tie +
               "<voice>" + voice + "</voice>" + (accidental.empty() ? "" : "<accidental>" + accidental + "</accidental>") +
               "</note>";
    };
    const std::string lower = "<backup><duration>4</duration></backup>" + pitched("F", 1, 1, "2", "sharp") +
                              "<forward><duration>3</duration><voice>2</voice></forward>";
    const std::string input = Score(kRhythm, Note("C4", 4) + lower);
    auto check = [&](const std::string& voice1) {
        ShowInfo show = TwoStaves();
        show.staves[1].voices = {"1", "2"};
        Report report = Row(true);
        report.rows.push_back({2, "P2", 1, 2, 1, 1, false, "skipped"});
        return Joined(CheckApply(input, Score(kRhythm, voice1 + lower), show, kSource, kDest, report));
    };
    auto rhythm = [&](const std::string& a, const std::string& b) {  // kRhythm's rhythm with these notes
        return a + "<note><rest/><duration>1</duration><voice>1</voice></note>" + b;
    };
    // F natural after voice 2's F sharp needs its natural; F sharp after it needs nothing.
    const std::string natural = "[accidental] part P2 measure 1 staff 1 voice 1: F4 at 2 shows no accidental after the F[1]4 at 0";
    std::string failures = check(rhythm(Note("C4", 1), pitched("F", 0, 1, "1", "") + pitched("F", 0, 1, "1", "")));
    EXPECT_NE(failures.find(natural), std::string::npos) << failures;
    failures = check(rhythm(Note("C4", 1), pitched("F", 0, 1, "1", "natural") + pitched("F", 0, 1, "1", "")));
    EXPECT_EQ(failures.find("[accidental]"), std::string::npos) << failures;
    // Against the key (none here): a sharp without its sign, or a sign that contradicts the pitch.
    failures = check(rhythm(pitched("C", 1, 1, "1", ""), pitched("F", 1, 1, "1", "flat") + pitched("F", 1, 1, "1", "")));
    EXPECT_NE(failures.find("C[1]4 at 0 shows no accidental after the key signature"), std::string::npos) << failures;
    EXPECT_NE(failures.find("F[1]4 at 2 shows a flat"), std::string::npos) << failures;
    // A note a tie continues shows none.
    failures = check(rhythm(pitched("C", 1, 1, "1", "", "<tie type=\"stop\"/>"), pitched("F", 1, 1, "1", "") + pitched("F", 1, 1, "1", "")));
    EXPECT_EQ(failures.find("[accidental]"), std::string::npos) << failures;
}

TEST(Invariants, InterleavedCopiesKeepEveryNotesTime) {
    auto lower = [](std::string note) { return note.replace(note.find("<voice>1"), 8, "<voice>2"); };
    const std::string input = Score(kRhythm, Note("C5", 2) + Note("D5", 2) + "<backup><duration>4</duration></backup>" +
                                                 lower(Note("C4", 1)) + lower(Note("E4", 1, true)) + lower(Note("r", 3)));
    std::string interleaved, error;
    ASSERT_TRUE(InterleaveVoices(input, &interleaved));
    // Voice 2's chord now comes between voice 1's notes.
    EXPECT_LT(interleaved.find("<step>E</step>"), interleaved.find("<step>D</step>")) << interleaved;
    ScoreContent a, b;
    ASSERT_TRUE(ReadScore(input, &a, &error) && ReadScore(interleaved, &b, &error)) << error;
    for (const auto& [key, entries] : a.parts[1].measures[0].voices) {
        const std::vector<Entry>& copied = b.parts[1].measures[0].voices[key];
        ASSERT_EQ(copied.size(), entries.size()) << key.second;
        for (std::size_t i = 0; i < entries.size(); ++i) {
            EXPECT_EQ(copied[i].onset, entries[i].onset);
            EXPECT_EQ(copied[i].pitches, entries[i].pitches);
        }
    }
    EXPECT_FALSE(InterleaveVoices(Score(kRhythm, kChords), &interleaved));  // one voice: nothing to do
}

TEST(Invariants, ReportRowsMustCoverTheDestination) {
    Report none;
    std::string failures = Joined(CheckApply(Score(kRhythm, kChords), Score(kRhythm, kChords), TwoStaves(),
                                             kSource, kDest, none));
    EXPECT_NE(failures.find("no row for slot 2 layer 1"), std::string::npos);

    Report outside = Row(false);
    outside.rows[0].slot = 1;
    outside.rows[0].part = "P1";
    failures = Joined(CheckApply(Score(kRhythm, kChords), Score(kRhythm, kChords), TwoStaves(), kSource,
                                 kDest, outside));
    EXPECT_NE(failures.find("not a destination staff"), std::string::npos);
}

TEST(Invariants, ReadsUtf16AndExactDurations) {
    std::string ascii = Score(kRhythm, kChords);
    std::string le = "\xFF\xFE";
    for (char c : ascii) le += std::string{c, '\0'};
    std::string text, encoding, error;
    ASSERT_TRUE(DecodeText(le, &text, &encoding));
    EXPECT_EQ(encoding, "UTF-16LE BOM");
    EXPECT_EQ(text, ascii);

    ScoreContent score;
    ASSERT_TRUE(ReadScore(Score(kRhythm, Note("C4", 3) + Note("r", 1)), &score, &error)) << error;
    const MeasureContent& m = score.parts[1].measures[0];
    EXPECT_EQ(ToString(ModelLength(m)), "4");
    EXPECT_EQ(ToString(m.voices.at({1, "1"})[1].onset), "3");
    EXPECT_EQ(ToString(MakeRational(6, -4)), "-3/2");

    // A measure ends at its own end tag, not at the end tag of <measure-style> inside it.
    std::string styled = Score(kRhythm, "<attributes><measure-style><slash/></measure-style></attributes>" + kChords);
    ASSERT_TRUE(ReadScore(styled, &score, &error)) << error;
    const MeasureContent& last = score.parts[1].measures[0];
    EXPECT_EQ(styled.substr(last.end - 10, 10), "</measure>");
}

TEST(Invariants, JsonReaderTakesReportsAndRejectsJunk) {
    Json json;
    std::string error;
    ASSERT_TRUE(ParseJson(R"({"repeats": [{"slot": 2, "part": "P\u0032", "staff": 1, "layer": 1,
        "measures": [5, 6], "status": "skipped", "reason": "a \"b\""}], "ties_dropped": 3,
        "lyrics_dropped": 0})", &json, &error)) << error;
    Report report;
    ASSERT_TRUE(ReadReport(json, &report, &error)) << error;
    EXPECT_EQ(report.rows[0].part, "P2");
    EXPECT_EQ(report.rows[0].last, 6);
    EXPECT_EQ(report.rows[0].reason, "a \"b\"");
    EXPECT_EQ(report.tiesDropped, 3);
    EXPECT_FALSE(ParseJson("{\"a\": [1, 2}", &json, &error));
    EXPECT_FALSE(ParseJson(std::string(100, '['), &json, &error));
}

// Outside the rewritten measures the tool may only take out orphaned tie and slur ends, and a
// <notations> they leave empty.
TEST(Invariants, OnlyTieAndSlurEndsMayLeaveAnUntouchedMeasure) {
    const std::string measure =
        "<measure number=\"2\">\n  <note>\n    <pitch><step>C</step><octave>4</octave></pitch>\n"
        "    <duration>4</duration>\n    <tie type=\"stop\"/>\n    <voice>1</voice>\n"
        "    <notations>\n      <tied type=\"stop\"/>\n      <slur type=\"stop\"/>\n    </notations>\n"
        "    <notations><staccato/></notations>\n  </note>\n</measure>";
    auto without = [&](std::initializer_list<std::string> parts) {
        std::string text = measure;
        for (const std::string& part : parts) text.erase(text.find(part), part.size());
        return text;
    };
    const std::string tie = "\n    <tie type=\"stop\"/>", tied = "\n      <tied type=\"stop\"/>",
                      slur = "<slur type=\"stop\"/>", staccato = "<staccato/>";
    const std::string notations = measure.substr(measure.find("\n    <notations>\n"),
                                                 measure.find("</notations>") + 12 - measure.find("\n    <notations>\n"));
    struct Case {
        std::string after;
        bool allowed;
    };
    const std::vector<Case> cases = {
        {without({tie}), true},
        {without({slur}), true},
        {without({tie, notations}), true},
        {without({tied, "\n      " + slur}), true},
        {without({staccato}), false},
        {without({tie}) + " ", false},
        {measure, false},
    };
    for (const Case& c : cases) EXPECT_EQ(OnlyTieAndSlurEndsRemoved(measure, c.after), c.allowed) << c.after;
}

// A tie or slur end may leave a voice left as it was only when its other end was rewritten.
TEST(Invariants, ARemovedEndNeedsItsOtherEndRewritten) {
    auto score = [](const std::string& secondMarks) {
        const std::string pitch = "<pitch><step>C</step><octave>4</octave></pitch><duration>4</duration>";
        return Score(kRhythm, "<note>" + pitch + "<tie type=\"start\"/><voice>1</voice><notations>"
                              "<slur type=\"start\"/></notations></note></measure><measure number=\"2\"><note>" +
                              pitch + secondMarks + "</note>");
    };
    ScoreContent in, out;
    std::string error;
    ASSERT_TRUE(ReadScore(score("<tie type=\"stop\"/><voice>1</voice><notations><slur type=\"stop\"/></notations>"),
                          &in, &error)) << error;
    ASSERT_TRUE(ReadScore(score("<voice>1</voice>"), &out, &error)) << error;
    const MeasureVoice first{1, 1, VoiceKey{1, "1"}};
    EXPECT_EQ(Joined(RemovalProblems(in, out, {first})), "");
    const std::string failures = Joined(RemovalProblems(in, out, {}));
    EXPECT_NE(failures.find("[removal] part P2 measure 2 staff 1 voice 1: slur 1 stop at 0 removed"), std::string::npos)
        << failures;
    EXPECT_NE(failures.find("[removal] part P2 measure 2 staff 1 voice 1: tie of C4 at 0 removed"), std::string::npos)
        << failures;
}

}  // namespace
}  // namespace qz::corpus
