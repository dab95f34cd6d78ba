// The corpus checker's own cases: it passes a faithful rewrite and catches each kind of damage
// it claims to catch. A checker that cannot fail would let the corpus run pass anything.
#include <gtest/gtest.h>

#include <string>

#include "corpus_json.h"
#include "invariant_checks.h"

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

const std::string kRhythm = Note("C5", 1) + Note("C5", 1, false, "<staccato/>") + Note("r", 1) + Note("C5", 1);
const std::string kChords = Note("C4", 2) + Note("E4", 2, true) + Note("F4", 2) + Note("A4", 2, true, "<accent/>");

// What the engine makes of kChords in kRhythm: a chord on each attack, the rest kept, the
// staccato from the source; the accent of the chord that starts at beat 3 does not go on the
// rest there. `second` replaces the marks of the second chord.
std::string Rewritten(const std::string& override3 = "", const std::string& extra = "",
                      const std::string& second = "<staccato/>") {
    std::string third = override3.empty() ? Note("r", 1) : override3;
    return Note("C4", 1) + Note("E4", 1, true) + Note("C4", 1, false, second) + Note("E4", 1, true) +
           third + Note("F4", 1) + Note("A4", 1, true) + extra;
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

TEST(Invariants, FaithfulResultsPass) {
    EXPECT_EQ(Joined(Check(Score(kRhythm, Rewritten()))), "");
    EXPECT_EQ(Joined(Check(Score(kRhythm, kChords), false)), "");
}

TEST(Invariants, NothingRewrittenMeansEveryByteKept) {
    std::string changed = Score(kRhythm, kChords);
    changed.insert(changed.find("<part-list>"), " ");
    EXPECT_NE(Joined(Check(changed, false)).find("nothing was rewritten"), std::string::npos);
}

TEST(Invariants, BytesOutsideTheRewrittenMeasuresMustStay) {
    std::string output = Score(kRhythm, Rewritten());
    output.replace(output.find("<measure number=\"1\">"), 20, "<measure number=\"1\" >");
    EXPECT_NE(Joined(Check(output)).find("bytes changed outside"), std::string::npos);
}

TEST(Invariants, WrongPitchRhythmOrHoleIsCaught) {
    std::string wrongPitch = Rewritten().replace(0, Note("C4", 1).size(), Note("D4", 1));
    EXPECT_NE(Joined(Check(Score(kRhythm, wrongPitch))).find("chord sounding"), std::string::npos);

    std::string restWhereNote = Note("r", 1) + Note("r", 1, false, "<staccato/>") + Note("r", 1, false, "<accent/>") +
                                Note("F4", 1) + Note("A4", 1, true);
    EXPECT_NE(Joined(Check(Score(kRhythm, restWhereNote))).find("chord sounding"), std::string::npos);

    std::string hole = Note("C4", 1) + Note("E4", 1, true) + Note("C4", 1, false, "<staccato/>") +
                       Note("E4", 1, true) + Note("r", 1, false, "<accent/>");
    EXPECT_NE(Joined(Check(Score(kRhythm, hole))).find("entries for the source's"), std::string::npos);

    std::string shortLast = Note("C4", 1) + Note("E4", 1, true) + Note("C4", 1, false, "<staccato/>") +
                            Note("E4", 1, true) + Note("r", 1, false, "<accent/>") + Note("F4", 2) +
                            Note("A4", 2, true);
    std::string failures = Joined(Check(Score(kRhythm, shortLast)));
    EXPECT_NE(failures.find("rhythm"), std::string::npos) << failures;
    EXPECT_NE(failures.find("ends at"), std::string::npos) << failures;
}

TEST(Invariants, ArticulationsAreTheMergeWithoutDuplicatesAndNoneOnARest) {
    struct Case {
        std::string output;
        std::string failure;
    };
    const std::vector<Case> cases = {
        {Rewritten("", "", ""), "staccato lost"},
        {Rewritten("", "", "<staccato/><staccato/>"), "appears twice"},
        {Rewritten("", "", "<staccato/><tenuto/>"), "tenuto from nowhere"},
        {Rewritten(Note("r", 1, false, "<accent/>")), "accent from nowhere"},
    };
    for (const Case& c : cases)
        EXPECT_NE(Joined(Check(Score(kRhythm, c.output))).find(c.failure), std::string::npos) << c.failure;
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

TEST(Invariants, EncodingAndWellFormednessAreChecked) {
    std::string broken = Score(kRhythm, Rewritten());
    broken.erase(broken.rfind("</part>"), 7);
    EXPECT_NE(Joined(Check(broken)).find("not well-formed"), std::string::npos);

    std::string bom = "\xEF\xBB\xBF" + Score(kRhythm, Rewritten());
    EXPECT_NE(Joined(Check(bom)).find("encoding UTF-8 became UTF-8 BOM"), std::string::npos);
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

}  // namespace
}  // namespace qz::corpus
