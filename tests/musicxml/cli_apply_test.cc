// motifgraft apply and show as a user runs them: exit status, messages, the report, the file.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "musicxml/apply_options.h"
#include "musicxml/cli.h"
#include "reader_support.h"

namespace qz::musicxml {
namespace {

using testing::Partwise;
using testing::ReadArchive;
using testing::TempDir;
using testing::WriteArchive;

struct CliRun {
    int status = -1;
    std::string out;
    std::string err;
};

CliRun Motifgraft(std::vector<std::string> args) {
    std::ostringstream out, err;
    CliRun run;
    run.status = RunMotifgraft(args, out, err);
    run.out = out.str();
    run.err = err.str();
    return run;
}

std::string Pitch(const char* step, int octave) {
    return std::string("<pitch><step>") + step + "</step><octave>" + std::to_string(octave) +
           "</octave></pitch>";
}

std::string Note(const std::string& pitch, int duration, const std::string& extra = "") {
    return "<note>" + pitch + "<duration>" + std::to_string(duration) + "</duration>" + extra +
           "</note>";
}

std::string Rest(int duration) { return Note("<rest/>", duration); }

std::string Measure(int number, const std::string& notes, const std::string& attributes = "") {
    return "<measure number=\"" + std::to_string(number) + "\">" + attributes + notes +
           "</measure>\n";
}

const std::string kFourFour =
    "<attributes><divisions>2</divisions><time><beats>4</beats><beat-type>4</beat-type></time></attributes>";

// Staff 1: a source rhythm (quarter, half tied over to a quarter) in measure 1. Staff 2: the
// destination, one case per measure.
std::string ReasonsScore() {
    const std::string c5 = Pitch("C", 5);
    std::string p1 = Measure(1, Note(c5, 2) + Note(c5, 4, "<tie type=\"start\"/>") +
                                    Note(c5, 2, "<tie type=\"stop\"/>"),
                             kFourFour);
    p1 += Measure(2, Note(c5, 8));
    for (int m = 3; m <= 8; ++m) p1 += Measure(m, Rest(8));
    std::string p2 =
        Measure(1, Note(Pitch("E", 4), 6, "<lyric><text>a</text></lyric>") + Note(Pitch("F", 4), 2),
                kFourFour) +
        Measure(2, Note(Pitch("E", 4), 3) + Note(Pitch("E", 4), 5)) +  // attack at beat 2.5
        Measure(3, Note(Pitch("E", 4), 6),
                "<attributes><time><beats>3</beats><beat-type>4</beat-type></time></attributes>") +
        Measure(4, "<note><grace/>" + Pitch("D", 4) + "</note>" + Note(Pitch("E", 4), 8),
                "<attributes><time><beats>4</beats><beat-type>4</beat-type></time></attributes>") +
        Measure(5, Note(Pitch("G", 4), 8, "<tie type=\"start\"/>")) +
        Measure(6, Note(Pitch("G", 4), 8, "<tie type=\"stop\"/>")) +
        Measure(7, "") +  // empty
        Measure(8, Rest(8));
    return Partwise("<part-list><score-part id=\"P1\"><part-name>Rhythm</part-name></score-part>"
                    "<score-part id=\"P2\"><part-name>Keys</part-name></score-part></part-list>\n"
                    "<part id=\"P1\">\n" + p1 + "</part>\n<part id=\"P2\">\n" + p2 + "</part>\n");
}

TEST(CliApply, ReportSaysWhatWasRewrittenAndWhyTheRestWasSkipped) {
    TempDir dir;
    dir.Write("s.musicxml", ReasonsScore());
    CliRun run = Motifgraft({"apply", dir.File("s.musicxml"), "--source", "1:1-1", "--dest",
                             "P2:1-8", "--explain", "--json", dir.File("r.json")});
    ASSERT_EQ(run.status, kExitOk) << run.err;
    const std::string json = dir.Read("r.json");
    auto row = [](int m, const char* status, const std::string& reason) {
        return "{\"slot\": 2, \"part\": \"P2\", \"staff\": 1, \"layer\": 1, \"measures\": [" +
               std::to_string(m) + ", " + std::to_string(m) + "], \"status\": \"" + status +
               "\", \"reason\": \"" + reason + "\"}";
    };
    // Measure 1: E4 (with a lyric, which moves to the new E4 at beat 1) for three beats, F4:
    // the source's tie from its half note now meets E4 -> F4 and is dropped. Measures 5 and 6
    // keep the source's tie (G4 -> G4). Measure 8 holds only a rest and stays as it was.
    const std::string expected =
        "{\"repeats\": [" + row(1, "rewritten", "") + ", " +
        row(2, "skipped", "attack at measure 2 beat 2.5 has no source attack") + ", " +
        row(3, "skipped", "measure 3 is shorter than source measure 1") + ", " +
        row(4, "skipped", "voice 1 has grace notes in measure 4") + ", " +
        row(5, "rewritten", "") + ", " + row(6, "rewritten", "") + ", " +
        row(7, "skipped", "empty") + ", " + row(8, "skipped", "only rests") +
        "], \"ties_dropped\": 1, \"lyrics_moved\": 1, \"lyrics_dropped\": 0, "
        "\"unmapped_voices\": []}\n";
    EXPECT_EQ(json, expected);
    EXPECT_NE(run.out.find("staff 2 (P2 staff 1) layer 1 measures 7-7: skipped: empty"),
              std::string::npos)
        << run.out;
    ASSERT_TRUE(dir.Exists("s.motifgraft.musicxml"));
    const std::string written = dir.Read("s.motifgraft.musicxml");
    // The source's own tie, then one in each of measures 5 and 6; none in measure 1.
    std::size_t ties = 0;
    for (std::size_t at = written.find("<tie type=\"start\"/>"); at != std::string::npos;
         at = written.find("<tie type=\"start\"/>", at + 1))
        ++ties;
    EXPECT_EQ(ties, 3u) << written;
    // Nothing before the rewritten part changed.
    const std::string original = dir.Read("s.musicxml");
    const std::size_t p2 = original.find("<part id=\"P2\">");
    EXPECT_EQ(written.substr(0, p2), original.substr(0, p2));
    EXPECT_NE(written.find("<duration>2</duration><lyric><text>a</text></lyric>"),
              std::string::npos)
        << written;
}

TEST(CliApply, UnusableInputIsExitTwoAndWritesNothing) {
    TempDir dir;
    dir.Write("s.musicxml", ReasonsScore());
    dir.Write("bad.musicxml", "<?xml version=\"1.0\"?>\n<score-partwise>\n<part id=\"P1\">\n"
                              "</score-partwise>\n");
    const std::string s = dir.File("s.musicxml");
    struct Case {
        std::vector<std::string> args;
        std::string message;
    };
    const std::vector<Case> cases = {
        {{}, "no command given"},
        {{"transpose", s}, "unknown command 'transpose'"},
        {{"apply", s, "--dest", "2:1-2"}, "--source STAFF:FIRST-LAST is required"},
        {{"apply", s, "--source", "1:1-1", "--dest", "2:1-9"},
         "measure 9 is outside the score (8 measures)"},
        {{"apply", s, "--source", "9:1-1", "--dest", "2:1-2"}, "no staff '9' in the score"},
        {{"apply", s, "--source", "P1/2:1-1", "--dest", "2:1-2"}, "no staff 'P1/2' in the score"},
        {{"apply", s, "--source", "1:2-1", "--dest", "2:1-2"}, "measures must be FIRST-LAST"},
        {{"apply", s, "--source", "1:1-1", "--dest", "3-4:1-2"}, "no staves '3-4' in the score"},
        {{"apply", s, "--source", "1:1-1", "--dest", "2:1-2", "--bogus"},
         "unknown option --bogus"},
        {{"apply", dir.File("bad.musicxml"), "--source", "1:1-1", "--dest", "1:1-1"},
         dir.File("bad.musicxml") + ":4:3: malformed XML"},
        {{"show", dir.File("missing.musicxml")}, "missing.musicxml: cannot open the file"},
    };
    for (const Case& c : cases) {
        CliRun run = Motifgraft(c.args);
        EXPECT_EQ(run.status, kExitUnusable) << run.err;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    }
    EXPECT_FALSE(dir.Exists("s.motifgraft.musicxml"));
    EXPECT_FALSE(dir.Exists("bad.motifgraft.musicxml"));
}

TEST(CliApply, RefusalsAreExitOneWithThePlugInsMessageAndWriteNothing) {
    TempDir dir;
    dir.Write("s.musicxml", ReasonsScore());
    const std::string s = dir.File("s.musicxml");
    // The destination is not a whole multiple of the source: CREATE's own message.
    CliRun run = Motifgraft({"apply", s, "--source", "1:1-2", "--dest", "2:1-3"});
    EXPECT_EQ(run.status, kExitRefused);
    EXPECT_NE(run.err.find("The destination region must have the same number of measures"),
              std::string::npos)
        << run.err;
    // Layer 1 of staff 2 is empty in measure 7.
    run = Motifgraft({"apply", s, "--source", "2:7-7", "--dest", "2:1-1"});
    EXPECT_EQ(run.status, kExitRefused);
    EXPECT_EQ(run.err, "motifgraft: Source region didn't contain any entries in layer 1.\n");
    // A source whose layer 1 has grace notes is refused as a whole.
    run = Motifgraft({"apply", s, "--source", "P2:4-4", "--dest", "1:1-1"});
    EXPECT_EQ(run.status, kExitRefused);
    EXPECT_NE(run.err.find("has grace notes in measure 4"), std::string::npos) << run.err;
    EXPECT_FALSE(dir.Exists("s.motifgraft.musicxml"));
}

TEST(CliApply, NothingRewrittenGivesTheInputBackAndOutputCanReplaceTheInput) {
    TempDir dir;
    const std::string score = ReasonsScore();
    dir.Write("s.musicxml", score);
    CliRun run = Motifgraft({"apply", dir.File("s.musicxml"), "--source", "1:1-1", "--dest",
                             "P2:2-3", "-o", dir.File("out.musicxml")});
    ASSERT_EQ(run.status, kExitOk) << run.err;
    EXPECT_EQ(dir.Read("out.musicxml"), score);
    run = Motifgraft({"apply", dir.File("s.musicxml"), "--source", "1:1-1", "--dest", "P2:1-1",
                      "-o", dir.File("s.musicxml")});
    ASSERT_EQ(run.status, kExitOk) << run.err;
    EXPECT_NE(dir.Read("s.musicxml"), score);
}

std::string Utf16BigEndian(const std::string& ascii) {
    std::string out = "\xFE\xFF";
    for (char c : ascii) {
        out += '\0';
        out += c;
    }
    return out;
}

TEST(CliApply, AUtf16ScoreIsRewrittenAsItsUtf8TwinAndStaysUtf16) {
    TempDir dir;
    const std::string score = ReasonsScore();
    std::string declared16 = score;
    declared16.replace(declared16.find("UTF-8"), 5, "UTF-16");
    dir.Write("a.musicxml", score);
    dir.Write("b.musicxml", Utf16BigEndian(declared16));
    for (const char* name : {"a.musicxml", "b.musicxml"}) {
        CliRun run = Motifgraft({"apply", dir.File(name), "--source", "1:1-1", "--dest", "P2:1-1"});
        ASSERT_EQ(run.status, kExitOk) << run.err;
    }
    std::string utf8 = dir.Read("a.motifgraft.musicxml");
    ASSERT_NE(utf8, score);
    utf8.replace(utf8.find("UTF-8"), 5, "UTF-16");
    EXPECT_EQ(dir.Read("b.motifgraft.musicxml"), Utf16BigEndian(utf8));
}

TEST(CliApply, ASourceAfterTheDestinationIsReadWhole) {
    // The embedded host reports the whole score as its selection, so no layer is cut short.
    TempDir dir;
    dir.Write("s.musicxml", ReasonsScore());
    CliRun run = Motifgraft({"apply", dir.File("s.musicxml"), "--source", "P2:6-6", "--dest",
                             "1:1-2", "--explain"});
    ASSERT_EQ(run.status, kExitOk) << run.err;
    EXPECT_NE(run.out.find("layer 1 measures 2-2: rewritten"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("layer 1 measures 1-1: skipped: attack at measure 1 beat 2"),
              std::string::npos)
        << run.out;
}

TEST(CliApply, TheDefaultOutputNameIsBesideTheInputAndNeverTheInput) {
    EXPECT_EQ(DefaultOutputPath("a/b.musicxml"), "a/b.motifgraft.musicxml");
    EXPECT_EQ(DefaultOutputPath("song.mxl"), "song.motifgraft.mxl");
    EXPECT_EQ(DefaultOutputPath("s"), "s.motifgraft");
    EXPECT_EQ(DefaultOutputPath("v1.2/s"), "v1.2/s.motifgraft");
    EXPECT_EQ(DefaultOutputPath("a/.xml"), "a/.xml.motifgraft");
}

TEST(CliApply, ArchivesAreRewrittenInTheirRootMemberOnly) {
    TempDir dir;
    const std::string score = ReasonsScore();
    const std::string container =
        "<container><rootfiles><rootfile full-path=\"s.xml\"/></rootfiles></container>";
    ASSERT_TRUE(WriteArchive(dir.File("s.mxl"), {{"META-INF/container.xml", container},
                                                 {"s.xml", score},
                                                 {"notes.txt", "kept as it was"}}));
    CliRun run = Motifgraft({"apply", dir.File("s.mxl"), "--source", "1:1-1", "--dest", "P2:1-1",
                             "-o", dir.File("plain.musicxml")});
    ASSERT_EQ(run.status, kExitOk) << run.err;
    run = Motifgraft({"apply", dir.File("s.mxl"), "--source", "1:1-1", "--dest", "P2:1-1"});
    ASSERT_EQ(run.status, kExitOk) << run.err;
    std::map<std::string, std::string> members = ReadArchive(dir.File("s.motifgraft.mxl"));
    ASSERT_EQ(members.size(), 3u);
    EXPECT_EQ(members["META-INF/container.xml"], container);
    EXPECT_EQ(members["notes.txt"], "kept as it was");
    EXPECT_NE(members["s.xml"], score);
    // The archive's score is the same document as the plain result.
    EXPECT_EQ(members["s.xml"], dir.Read("plain.musicxml"));
}

}  // namespace
}  // namespace qz::musicxml
