// Voices meeting the rewrite: ties at a stretch's edges, voices that cross staves, a fifth voice.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "musicxml/cli/cli.h"
#include "reader_support.h"

namespace qz::musicxml {
namespace {

using testing::Partwise;
using testing::TempDir;

int Apply(const std::vector<std::string>& args, std::string* err = nullptr) {
    std::ostringstream out, errors;
    std::vector<std::string> all = {"apply"};
    all.insert(all.end(), args.begin(), args.end());
    const int status = RunMotifgraft(all, out, errors);
    if (err) *err = errors.str();
    return status;
}

std::string N(const char* step, int octave, int duration, const std::string& extra = "",
              const std::string& voice = "1", int staff = 0) {
    std::string text = std::string("<note><pitch><step>") + step + "</step><octave>" +
                       std::to_string(octave) + "</octave></pitch><duration>" +
                       std::to_string(duration) + "</duration>" + extra + "<voice>" + voice +
                       "</voice>";
    if (staff > 0) text += "<staff>" + std::to_string(staff) + "</staff>";
    return text + "</note>";
}

const std::string kStart = "<tie type=\"start\"/>";
const std::string kStop = "<tie type=\"stop\"/>";
const std::string kAttributes = "<attributes><divisions>1</divisions></attributes>";

// The text of measure `number` of part `part` in `text`.
std::string MeasureText(const std::string& text, const std::string& part, int number) {
    const std::size_t p = text.find("<part id=\"" + part + "\"");
    const std::size_t m = text.find("<measure number=\"" + std::to_string(number) + "\"", p);
    return text.substr(m, text.find("</measure>", m) - m);
}

std::size_t Count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

std::string EdgeScore(const char* afterStep) {
    std::string p1 = "<measure number=\"1\">" + kAttributes;
    for (int i = 0; i < 4; ++i) p1 += N("C", 5, 1);
    p1 += "</measure>";
    for (int m = 2; m <= 3; ++m)
        p1 += "<measure number=\"" + std::to_string(m) + "\"><note><rest/><duration>4</duration></note></measure>";
    const std::string p2 = "<measure number=\"1\">" + kAttributes + N("G", 4, 4, kStart) +
                           "</measure><measure number=\"2\">" + N("G", 4, 2, kStop) +
                           N("A", 4, 2, kStart) + "</measure><measure number=\"3\">" +
                           N(afterStep, 4, 4, kStop) + "</measure>";
    return Partwise("<part-list><score-part id=\"P1\"/><score-part id=\"P2\"/></part-list>"
                    "<part id=\"P1\">" + p1 + "</part><part id=\"P2\">" + p2 + "</part>");
}

TEST(CliVoices, TiesFromAndToUnchangedNotesAreKeptWhenThePitchesStillMatch) {
    TempDir dir;
    dir.Write("s.musicxml", EdgeScore("A"));
    ASSERT_EQ(Apply({dir.File("s.musicxml"), "--source", "1:1-1", "--dest", "P2:2-2", "--json",
                     dir.File("r.json")}),
              kExitOk);
    const std::string out = dir.Read("s.motifgraft.musicxml");
    const std::string m2 = MeasureText(out, "P2", 2);
    // G G A A: the first G ends the tie from measure 1, the last A starts the one to measure 3.
    EXPECT_EQ(Count(m2, "<note"), 4u) << m2;
    EXPECT_EQ(Count(m2, kStop), 1u) << m2;
    EXPECT_EQ(Count(m2, kStart), 1u) << m2;
    EXPECT_LT(m2.find(kStop), m2.find("<step>A</step>")) << m2;
    EXPECT_GT(m2.find(kStart), m2.rfind("<step>A</step>")) << m2;
    EXPECT_NE(dir.Read("r.json").find("\"ties_dropped\": 0"), std::string::npos);
    // The unchanged neighbours keep their bytes.
    const std::string in = dir.Read("s.musicxml");
    EXPECT_EQ(MeasureText(out, "P2", 1), MeasureText(in, "P2", 1));
    EXPECT_EQ(MeasureText(out, "P2", 3), MeasureText(in, "P2", 3));
}

TEST(CliVoices, ATieToAnUnchangedNoteOfAnotherPitchIsDroppedAndCounted) {
    TempDir dir;
    dir.Write("s.musicxml", EdgeScore("B"));
    ASSERT_EQ(Apply({dir.File("s.musicxml"), "--source", "1:1-1", "--dest", "P2:2-2", "--json",
                     dir.File("r.json")}),
              kExitOk);
    const std::string m2 = MeasureText(dir.Read("s.motifgraft.musicxml"), "P2", 2);
    EXPECT_EQ(Count(m2, kStart), 0u) << m2;
    EXPECT_EQ(Count(m2, kStop), 1u) << m2;
    EXPECT_NE(dir.Read("r.json").find("\"ties_dropped\": 1"), std::string::npos)
        << dir.Read("r.json");
}

TEST(CliVoices, CrossStaffVoicesAreRefusedOnBothStavesAndAFifthVoiceIsReported) {
    TempDir dir;
    std::string p1 = "<measure number=\"1\">" + kAttributes + N("C", 5, 4) + "</measure>" +
                     "<measure number=\"2\">" + N("C", 5, 4) + "</measure>";
    std::string pno = "<measure number=\"1\"><attributes><divisions>1</divisions><staves>2</staves>"
                      "</attributes>" + N("E", 4, 4, "", "1", 1) + "<backup><duration>4</duration></backup>" +
                      N("C", 3, 4, "", "2", 2);
    for (int v = 3; v <= 6; ++v)
        pno += "<backup><duration>4</duration></backup>" + N("G", 3, 4, "", std::to_string(v), 2);
    pno += "</measure><measure number=\"2\">" + N("E", 4, 4, "", "1", 1) +
           "<note><chord/><pitch><step>C</step><octave>3</octave></pitch><duration>4</duration>"
           "<voice>1</voice><staff>2</staff></note></measure>";
    dir.Write("s.musicxml", Partwise("<part-list><score-part id=\"P1\"/><score-part id=\"Pno\"/>"
                                     "</part-list><part id=\"P1\">" + p1 + "</part><part id=\"Pno\">" +
                                     pno + "</part>"));
    ASSERT_EQ(Apply({dir.File("s.musicxml"), "--source", "1:1-1", "--dest", "2-3:1-2", "--json",
                     dir.File("r.json")}),
              kExitOk);
    const std::string json = dir.Read("r.json");
    // Staff 2 holds voices 1 (the chord note), 2, 3, 4, 5, 6: voices 5 and 6 are no layer.
    EXPECT_NE(json.find("\"unmapped_voices\": [{\"slot\": 3, \"voice\": \"5\"}, {\"slot\": 3, "
                        "\"voice\": \"6\"}]"),
              std::string::npos)
        << json;
    const std::string refused = "\"status\": \"skipped\", \"reason\": \"voice 1 has notes on two "
                                "staves in measure 2\"";
    EXPECT_NE(json.find("{\"slot\": 2, \"part\": \"Pno\", \"staff\": 1, \"layer\": 1, "
                        "\"measures\": [2, 2], " + refused),
              std::string::npos)
        << json;
    EXPECT_NE(json.find("{\"slot\": 3, \"part\": \"Pno\", \"staff\": 2, \"layer\": 1, "
                        "\"measures\": [2, 2], " + refused),
              std::string::npos)
        << json;
    EXPECT_NE(json.find("{\"slot\": 2, \"part\": \"Pno\", \"staff\": 1, \"layer\": 1, "
                        "\"measures\": [1, 1], \"status\": \"rewritten\""),
              std::string::npos)
        << json;
    // Measure 2 of the piano part is left as it was.
    EXPECT_EQ(MeasureText(dir.Read("s.motifgraft.musicxml"), "Pno", 2),
              MeasureText(dir.Read("s.musicxml"), "Pno", 2));
}

TEST(CliVoices, PicturesThatCannotBeMadeLeaveTheScoreWritten) {
    TempDir dir;
    dir.Write("s.musicxml", EdgeScore("A"));
    ::setenv("QZ_MSCORE", dir.File("no-such-engraver").c_str(), 1);
    std::string err;
    const int status = Apply({dir.File("s.musicxml"), "--source", "1:1-1", "--dest", "P2:2-2",
                              "--pictures", dir.File("pictures")},
                             &err);
    ::unsetenv("QZ_MSCORE");
    EXPECT_EQ(status, kExitOk) << err;
    EXPECT_TRUE(dir.Exists("s.motifgraft.musicxml"));
    EXPECT_NE(err.find("motifgraft: pictures: "), std::string::npos) << err;
}

}  // namespace
}  // namespace qz::musicxml
