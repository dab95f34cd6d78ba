// The edges of a rewrite, through the whole tool: slurs and ties keep both ends or lose both,
// lyrics move to the new note at their onset or are counted as dropped.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "musicxml/cli/apply_options.h"
#include "musicxml/cli/cli.h"
#include "reader_support.h"

namespace qz::musicxml {
namespace {

using testing::Partwise;
using testing::TempDir;

std::string Note(const char* step, int duration, const std::string& inside = "",
                 const std::string& notations = "", const std::string& lyric = "") {
    std::string note = "<note>";
    note += *step == 'r' ? std::string("<rest/>")
                         : std::string("<pitch><step>") + step + "</step><octave>4</octave></pitch>";
    note += "<duration>" + std::to_string(duration) + "</duration>" + inside;
    if (!notations.empty()) note += "<notations>" + notations + "</notations>";
    if (!lyric.empty()) note += "<lyric><text>" + lyric + "</text></lyric>";
    return note + "</note>";
}

// P1: three source figures (quarter, quarter rest, half, under a slur; the same in rests;
// quarter rest, quarter, half). P2: E E G with a slur from the first E and a tie from the G into measure 2's G.
std::string EdgesScore() {
    const std::string attributes =
        "<attributes><divisions>1</divisions><time><beats>4</beats><beat-type>4</beat-type>"
        "</time></attributes>";
    const std::string p1 =
        "<measure number=\"1\">" + attributes + Note("C", 1, "", "<slur type=\"start\"/>") +
        Note("r", 1) + Note("C", 2, "", "<slur type=\"stop\"/>") +
        "</measure>\n<measure number=\"2\">" + Note("r", 1) + Note("r", 1) + Note("r", 2) +
        "</measure>\n" +
        "<measure number=\"3\">" + Note("r", 1) + Note("C", 1) + Note("C", 2) + "</measure>\n";
    const std::string p2 =
        "<measure number=\"1\">" + attributes +
        Note("E", 1, "", "<slur type=\"start\"/>", "a") + Note("E", 1, "", "", "b") +
        Note("G", 2, "<tie type=\"start\"/>", "<tied type=\"start\"/>") + "</measure>\n" +
        "<measure number=\"2\">" +
        Note("G", 4, "<tie type=\"stop\"/>", "<tied type=\"stop\"/><slur type=\"stop\"/>") +
        "</measure>\n<measure number=\"3\">" + Note("A", 4) + "</measure>\n";
    return Partwise("<part-list><score-part id=\"P1\"/><score-part id=\"P2\"/></part-list>\n"
                    "<part id=\"P1\">\n" + p1 + "</part>\n<part id=\"P2\">\n" + p2 + "</part>\n");
}

size_t Count(const std::string& text, const std::string& what) {
    size_t count = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++count;
    return count;
}

TEST(CliEdges, SlursAndTiesKeepBothEndsAndLyricsMoveToTheNoteAtTheirOnset) {
    struct Case {
        std::string source, dest;
        size_t slurStarts, slurStops, ties;  // in P2 of the output (<tie> and <tied> each)
        std::string counts;                  // of the JSON report
    };
    const std::vector<Case> cases = {
        // The slur start and lyric "a" go to the new E, so the source's own slur of the same
        // number stays out; "b" meets a rest; the new G is tied on.
        {"P1:1-1", "P2:1-1", 1, 1, 2,
         "\"ties_dropped\": 0, \"lyrics_moved\": 1, \"lyrics_dropped\": 1"},
        // Only rests are left in measure 1: the slur's and the tie's ends in measure 2 go too.
        {"P1:2-2", "P2:1-1", 0, 0, 0,
         "\"ties_dropped\": 1, \"lyrics_moved\": 0, \"lyrics_dropped\": 2"},
        // Measure 2 starts with a rest: the tie into it goes, the slur stop moves to beat 2.
        {"P1:3-3", "P2:2-2", 1, 1, 0,
         "\"ties_dropped\": 1, \"lyrics_moved\": 0, \"lyrics_dropped\": 0"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        dir.Write("s.musicxml", EdgesScore());
        std::ostringstream out, err;
        ASSERT_EQ(RunMotifgraft({"apply", dir.File("s.musicxml"), "--source", c.source, "--dest",
                                 c.dest, "-o", dir.File("o.musicxml"), "--json",
                                 dir.File("r.json")},
                                out, err),
                  kExitOk)
            << err.str();
        const std::string written = dir.Read("o.musicxml");
        const std::string p2 = written.substr(written.find("<part id=\"P2\">"));
        EXPECT_EQ(Count(p2, "<slur type=\"start\""), c.slurStarts) << c.dest << p2;
        EXPECT_EQ(Count(p2, "<slur type=\"stop\""), c.slurStops) << c.dest << p2;
        EXPECT_EQ(Count(p2, "<tie "), c.ties) << c.dest << p2;
        EXPECT_EQ(Count(p2, "<tied "), c.ties) << c.dest << p2;
        EXPECT_EQ(Count(p2, "<notations></notations>"), 0u) << p2;  // emptied: removed whole
        EXPECT_NE(dir.Read("r.json").find(c.counts), std::string::npos)
            << c.source << " " << dir.Read("r.json");
    }
}

}  // namespace
}  // namespace qz::musicxml
