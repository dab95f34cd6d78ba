// motifgraft apply and show as a user runs them: exit status, messages, the report, the file.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "musicxml/cli/apply_options.h"
#include "musicxml/cli/cli.h"
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
        {{"apply", s, "--source", "1:1-1", "--dest", "2-3:1-2"},
         s + ": --dest 2-3:1-2: staff 3 is past the last staff (2)"},
        {{"apply", s, "--source", "1:1-1", "--dest", "2:1-2", "--source", "1:1-1"},
         "--source is given twice"},
        {{"apply", s, "--source", "1:1-1", "--dest", "2:1-2", "--dest", "1:1-1"},
         "--dest is given twice"},
        {{"apply", s, "--source", "1:1-1", "--dest", "2:1-2", "-o", "a", "--output", "b"},
         "--output is given twice"},
        {{"apply", dir.Path(), "--source", "1:1-1", "--dest", "1:1-1"},
         dir.Path() + ": is a folder, not a score file"},
        {{"show", dir.Path()}, dir.Path() + ": is a folder, not a score file"},
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

// Every entry under `folder`: regular files with their bytes, links with their targets, and
// the kind of anything else (a pipe is never opened).
std::map<std::string, std::string> Contents(const std::string& folder) {
    namespace fs = std::filesystem;
    std::map<std::string, std::string> entries;
    for (const fs::directory_entry& e : fs::recursive_directory_iterator(folder)) {
        const std::string name = e.path().lexically_relative(folder).string();
        if (e.is_symlink()) entries[name] = "link to " + fs::read_symlink(e.path()).string();
        else if (e.is_regular_file()) entries[name] = (std::ostringstream() << std::ifstream(e.path()).rdbuf()).str();
        else entries[name] = e.is_directory() ? "folder" : "special";
    }
    return entries;
}

TEST(CliApply, OutputsThatWouldDestroyAFileAreRefusedBeforeAnythingIsWritten) {
    struct Case {
        std::function<void(const TempDir&)> setUp;
        std::vector<std::string> options;  // file names relative to the folder
        std::string message;
    };
    auto link = [](const std::string& target, const std::string& name) {
        return [=](const TempDir& d) { ASSERT_EQ(::symlink(target.c_str(), d.File(name).c_str()), 0); };
    };
    auto folder = [](const std::string& name) {
        return [=](const TempDir& d) { ASSERT_EQ(::mkdir(d.File(name).c_str(), 0755), 0); };
    };
    const std::vector<Case> cases = {
        {link("/dev/null", "null"), {"-o", "null"}, "(a link to /dev/null): a device, not a regular file"},
        {[](const TempDir& d) { ASSERT_EQ(::mkfifo(d.File("fifo").c_str(), 0644), 0); },
         {"-o", "fifo"}, "fifo: a pipe, not a regular file"},
        {folder("sub"), {"-o", "sub"}, "sub: a folder, not a regular file"},
        {nullptr, {"--json", "s.musicxml"}, "--json s.musicxml is the input score"},
        {link("s.musicxml", "r.json"), {"--json", "r.json"}, "r.json is the input score"},
        {[](const TempDir& d) { ASSERT_EQ(::link(d.File("s.musicxml").c_str(), d.File("h").c_str()), 0); },
         {"--json", "h"}, "h is the input score"},
        {link("s.musicxml", "s.motifgraft.musicxml"), {},
         "the default output s.motifgraft.musicxml is the input score"},
        {folder("sub"), {"-o", "o.xml", "--json", "sub/../o.xml"}, "is the same file as -o o.xml"},
        {nullptr, {"--json", "missing/r.json"}, "missing/r.json: the folder"},
        {nullptr, {"--pictures", "s.musicxml"}, "--pictures s.musicxml: not a folder"},
        {folder("pics"), {"-o", "pics/after.png", "--pictures", "pics"},
         "--pictures pics/after.png is the same file as -o pics/after.png"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        dir.Write("s.musicxml", ReasonsScore());
        if (c.setUp) c.setUp(dir);
        const std::map<std::string, std::string> before = Contents(dir.Path());
        // Relative names, so that messages are short: run from inside the folder.
        const std::string cwd = std::filesystem::current_path().string();
        std::filesystem::current_path(dir.Path());
        std::vector<std::string> args = {"apply", "s.musicxml", "--source", "1:1-1", "--dest", "P2:1-1"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        CliRun run = Motifgraft(args);
        std::filesystem::current_path(cwd);
        EXPECT_EQ(run.status, kExitUnusable) << c.message;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_EQ(Contents(dir.Path()), before) << c.message;
    }
}

TEST(CliApply, ALinkIsWrittenThroughAndStaysALink) {
    TempDir dir;
    dir.Write("s.musicxml", ReasonsScore());
    ASSERT_EQ(::mkdir(dir.File("real").c_str(), 0755), 0);
    dir.Write("real/out.musicxml", "old");
    dir.Write("real/r.json", "old");
    ASSERT_EQ(::symlink("real/out.musicxml", dir.File("out").c_str()), 0);
    ASSERT_EQ(::symlink(dir.File("real/r.json").c_str(), dir.File("r").c_str()), 0);
    CliRun run = Motifgraft({"apply", dir.File("s.musicxml"), "--source", "1:1-1", "--dest",
                             "P2:1-1", "-o", dir.File("out"), "--json", dir.File("r")});
    ASSERT_EQ(run.status, kExitOk) << run.err;
    EXPECT_EQ(std::filesystem::read_symlink(dir.File("out")), "real/out.musicxml");
    EXPECT_EQ(std::filesystem::read_symlink(dir.File("r")), dir.File("real/r.json"));
    EXPECT_NE(dir.Read("real/out.musicxml").find("<score-partwise"), std::string::npos);
    EXPECT_EQ(dir.Read("real/r.json").rfind("{\"repeats\": [", 0), 0u);
    EXPECT_EQ(Contents(dir.Path()).size(), 6u);  // no temporary file left
}

TEST(CliApply, ReplacingTheInputStillPicturesItAsItWas) {
    TempDir dir;
    dir.Write("s.musicxml", ReasonsScore());
    // The engraver's stand-in "engraves" by copying the excerpt it is given.
    dir.Write("engrave.sh", "#!/bin/sh\nout=\"$6\"; cp \"$7\" \"${out%.png}-1.png\"\n");
    ASSERT_EQ(::chmod(dir.File("engrave.sh").c_str(), 0755), 0);
    ASSERT_EQ(::setenv("QZ_MSCORE", dir.File("engrave.sh").c_str(), 1), 0);
    CliRun run = Motifgraft({"apply", dir.File("s.musicxml"), "--source", "1:1-1", "--dest",
                             "P2:1-1", "-o", dir.File("s.musicxml"), "--pictures", dir.File("p")});
    ::unsetenv("QZ_MSCORE");
    ASSERT_EQ(run.status, kExitOk) << run.err;
    EXPECT_NE(dir.Read("p/before.png"), "");
    EXPECT_NE(dir.Read("p/before.png"), dir.Read("p/after.png"));
}

TEST(CliApply, AListOfStavesRunsCreateOncePerRunOfAdjacentStavesWithOneReport) {
    const std::string c5 = Pitch("C", 5), chord = Note(Pitch("E", 4), 8);
    auto part = [&](const char* id, const std::string& first) {
        return std::string("<part id=\"") + id + "\">\n" + Measure(1, first, kFourFour) +
               Measure(2, chord) + "</part>\n";
    };
    const std::string p2 = part("P2", chord);
    TempDir dir;
    dir.Write("s.musicxml",
              Partwise("<part-list><score-part id=\"P1\"/><score-part id=\"P2\"/>"
                       "<score-part id=\"P3\"/></part-list>\n" +
                       part("P1", Note(c5, 2) + Note(c5, 2) + Note(c5, 2) + Note(c5, 2)) + p2 +
                       part("P3", chord)));
    CliRun run = Motifgraft({"apply", dir.File("s.musicxml"), "--source", "1:1-1", "--dest",
                             "3,1:2-2", "--explain"});
    ASSERT_EQ(run.status, kExitOk) << run.err;
    EXPECT_EQ(run.out.rfind("staff 1 (P1 staff 1) layer 1 measures 2-2: rewritten\n"
                            "staff 3 (P3 staff 1) layer 1 measures 2-2: rewritten\n",
                            0),
              0u)
        << run.out;
    const std::string written = dir.Read("s.motifgraft.musicxml");
    EXPECT_NE(written.find(p2), std::string::npos) << "staff 2 is not in the list";
    // Measure 2 of staff 3 now holds the source's four quarters.
    const std::size_t p3 = written.find("<part id=\"P3\">");
    ASSERT_NE(p3, std::string::npos);
    std::size_t quarters = 0;
    for (std::size_t at = written.find("<duration>2</duration>", p3); at != std::string::npos;
         at = written.find("<duration>2</duration>", at + 1))
        ++quarters;
    EXPECT_EQ(quarters, 4u) << written.substr(p3);
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
