// Rewriting voices that the file interleaves with other voices (beat by beat, as exported
// madrigals and piano music are): the other voices' notes keep their bytes and their times.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "musicxml/read/score_parse.h"
#include "musicxml/write/splice.h"
#include "musicxml/write/voice_rewrite.h"
#include "reader_support.h"

namespace qz::musicxml {
namespace {

using testing::ValueOf;

constexpr int64_t kTicks = 720720;  // per quarter: every divisions value below divides it

std::string Note(const std::string& pitch, int duration, const std::string& voice, int staff = 1,
                 bool chord = false) {
    return std::string("<note>") + (chord ? "<chord/>" : "") + "<pitch><step>" + pitch.substr(0, 1) +
           "</step><octave>" + pitch.substr(1) + "</octave></pitch><duration>" +
           std::to_string(duration) + "</duration><voice>" + voice + "</voice><staff>" +
           std::to_string(staff) + "</staff></note>\n";
}
std::string Move(const char* name, int duration, const std::string& voice = "", int staff = 0) {
    return std::string("<") + name + "><duration>" + std::to_string(duration) + "</duration>" +
           (voice.empty() ? "" : "<voice>" + voice + "</voice>") +
           (staff == 0 ? "" : "<staff>" + std::to_string(staff) + "</staff>") + "</" + name + ">\n";
}

// Madrigal-like: two voices of one staff written half a measure at a time, a direction and a
// chord among them.
const std::string kMadrigal =
    Note("C5", 4, "1") + Move("backup", 4) + Note("E4", 2, "2") + Note("G4", 2, "2") +
    "<direction><direction-type><words>piu</words></direction-type></direction>\n" +
    Note("D5", 4, "1") + Move("backup", 4) + Note("F4", 4, "2") + Note("A4", 4, "2", 1, true);
// Voice 1, a backup, voice 2, a plain forward, voice 1 again.
const std::string kForward =
    Note("C5", 4, "1") + Move("backup", 4) + Note("E4", 2, "2") + Move("forward", 2) +
    Note("D5", 4, "1");
// Piano: the hands alternate by half measures; the left hand rests with a forward of its own.
const std::string kPiano =
    Note("C5", 4, "1", 1) + Move("backup", 4) + Note("C3", 4, "5", 2) + Note("D5", 4, "1", 1) +
    Move("backup", 4) + Move("forward", 4, "5", 2);

std::string Score(const std::string& measure) {
    return "<score-partwise version=\"4.0\">\n<part id=\"P1\">\n<measure number=\"1\">\n"
           "<attributes><divisions>2</divisions></attributes>\n" + measure +
           "</measure>\n<measure number=\"2\"><note><rest/><duration>8</duration></note></measure>\n"
           "</part>\n</score-partwise>\n";
}

// One element of a measure where a reader places it: notes at their onset, everything else at
// the cursor before it.
struct Placed {
    std::string bytes;
    std::string voice;
    int64_t at = 0;  // ticks
    bool chord = false;
};

// The measure's elements other than plain moves and divisions, and the cursor it ends with.
std::vector<Placed> Timeline(const std::string& text, pugi::xml_node measure, int64_t* end) {
    std::vector<Placed> placed;
    int64_t divisions = 2, cursor = 0, chordAt = 0;
    for (pugi::xml_node child : measure.children()) {
        if (child.type() != pugi::node_element) continue;
        const std::string name = child.name();
        if (name == "attributes" && child.child("divisions")) {
            // Finer divisions are stated at the start and the part's own restated at the end.
            divisions = child.child("divisions").text().as_llong();
            continue;
        }
        const int64_t length = child.child("duration").text().as_llong() * kTicks / divisions;
        ByteRange range;
        EXPECT_TRUE(NodeRange(text, child, &range));
        Placed item{text.substr(range.begin, range.end - range.begin),
                    child.child_value("voice"), cursor, static_cast<bool>(child.child("chord"))};
        if (name == "backup" || (name == "forward" && !child.child("voice"))) {
            cursor += name == "backup" ? -length : length;  // a plain move: recomputed
            continue;
        }
        if (name == "note" && item.chord) item.at = chordAt;
        if (name == "note" && !item.chord) chordAt = cursor;
        if ((name == "note" && !item.chord) || name == "forward") cursor += length;
        placed.push_back(item);
    }
    *end = cursor;
    return placed;
}

struct Case {
    const char* name;
    const std::string& measure;
    std::vector<std::pair<int, std::string>> rewritten;  // (staff, voice), each as new music
    bool triplets = false;  // the new music needs finer divisions: every value is scaled
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class InterleavedTest : public ::testing::TestWithParam<Case> {};

// Each rewritten voice becomes four quarters (or a triplet and three quarters) on its first
// note's pitch.
VoiceRewrite NewMusic(pugi::xml_node measure, int staff, const std::string& voice, bool triplets) {
    VoiceRewrite v{measure.parent(), measure, staff, voice, 2, {}, {4, 1}, {}, {}};
    pugi::xml_node donor = measure.find_child([&](pugi::xml_node n) {
        return std::string(n.child_value("voice")) == voice && n.child("pitch");
    });
    if (!donor) donor = measure.child("note");  // a voice the measure lacks
    std::vector<std::pair<Fraction, Fraction>> rhythm = {{{1, 1}, {1, 1}}, {{2, 1}, {1, 1}},
                                                         {{3, 1}, {1, 1}}};
    if (triplets) rhythm.insert(rhythm.begin(), {{{0, 1}, {1, 3}}, {{1, 3}, {1, 3}}, {{2, 3}, {1, 3}}});
    else rhythm.insert(rhythm.begin(), {{0, 1}, {1, 1}});
    for (const auto& [onset, duration] : rhythm)
        v.entries.push_back({onset, duration, donor, {{donor, false, false}}, {}, {}, {}});
    return v;
}

TEST_P(InterleavedTest, OtherVoicesKeepTheirBytesAndTimes) {
    const Case& c = GetParam();
    const std::string text = Score(c.measure);
    pugi::xml_document before;
    ASSERT_TRUE(before.load_buffer(text.data(), text.size(), ScoreParseOptions(), pugi::encoding_utf8));
    const pugi::xml_node measure = before.child("score-partwise").child("part").child("measure");
    std::vector<VoiceRewrite> voices;
    for (const auto& [staff, voice] : c.rewritten) voices.push_back(NewMusic(measure, staff, voice, c.triplets));
    const std::vector<Edit> edits = ValueOf(RewriteMeasure(text, voices));
    const std::string out = ValueOf(ApplyEdits(text, edits));
    pugi::xml_document after;
    ASSERT_TRUE(after.load_buffer(out.data(), out.size(), ScoreParseOptions(), pugi::encoding_utf8)) << out;

    int64_t endBefore = 0, endAfter = 0;
    const std::vector<Placed> old = Timeline(text, measure, &endBefore);
    const std::vector<Placed> now =
        Timeline(out, after.child("score-partwise").child("part").child("measure"), &endAfter);
    EXPECT_EQ(endAfter, endBefore) << out;
    auto rewritten = [&](const Placed& p) {
        for (const auto& [staff, voice] : c.rewritten)
            if (p.voice == voice && p.bytes.find("<staff>" + std::to_string(staff)) != std::string::npos)
                return true;
        return false;
    };
    std::vector<Placed> keptBefore, keptAfter;
    std::vector<int64_t> newOnsets;
    for (const Placed& p : old)
        if (!rewritten(p)) keptBefore.push_back(p);
    for (const Placed& p : now) {
        if (!rewritten(p)) keptAfter.push_back(p);
        else if (p.bytes.rfind("<note", 0) == 0 && !p.chord) newOnsets.push_back(p.at);
    }
    ASSERT_EQ(keptAfter.size(), keptBefore.size()) << out;
    for (size_t i = 0; i < keptBefore.size(); ++i) {
        EXPECT_EQ(keptAfter[i].at, keptBefore[i].at) << keptBefore[i].bytes << "\n" << out;
        if (!c.triplets) {
            EXPECT_EQ(keptAfter[i].bytes, keptBefore[i].bytes) << out;
        }
    }
    const std::vector<int64_t> expected =
        c.triplets ? std::vector<int64_t>{0, kTicks / 3, 2 * kTicks / 3, kTicks, 2 * kTicks, 3 * kTicks}
                   : std::vector<int64_t>{0, kTicks, 2 * kTicks, 3 * kTicks};
    std::vector<int64_t> all;
    for (size_t v = 0; v < c.rewritten.size(); ++v) all.insert(all.end(), expected.begin(), expected.end());
    EXPECT_EQ(newOnsets, all) << out;
    // Nothing outside the measure moved.
    EXPECT_EQ(out.substr(out.find("</measure>")), text.substr(text.find("</measure>")));
}

INSTANTIATE_TEST_SUITE_P(
    Measures, InterleavedTest,
    ::testing::Values(Case{"MadrigalUpper", kMadrigal, {{1, "1"}}},
                      Case{"MadrigalLower", kMadrigal, {{1, "2"}}},
                      Case{"MadrigalBoth", kMadrigal, {{1, "1"}, {1, "2"}}},
                      Case{"MadrigalTriplets", kMadrigal, {{1, "1"}}, true},
                      Case{"PlainForward", kForward, {{1, "1"}}},
                      Case{"PianoRight", kPiano, {{1, "1"}}},
                      Case{"PianoLeft", kPiano, {{2, "5"}}},
                      Case{"PianoBoth", kPiano, {{2, "5"}, {1, "1"}}},
                      Case{"PianoAndANewVoice", kPiano, {{1, "1"}, {1, "2"}}}),
    [](const ::testing::TestParamInfo<Case>& param) { return std::string(param.param.name); });

// The notation rules hold in an interleaved measure too: time the rewritten voice leaves is
// filled with its rests, and an F sharp after the other voice's F natural shows its sharp.
TEST(InterleavedNotation, RestsFillTheVoiceAndAccidentalsHearTheOtherVoice) {
    std::string text = Score(Note("C5", 4, "1") + Move("backup", 4) + Note("E4", 2, "2") + Note("F4", 2, "2") +
                             Note("D5", 4, "1") + Move("backup", 4) + Note("G4", 4, "2"));
    const std::string rest = "<note><rest/><duration>8</duration></note>";
    text.replace(text.find(rest), rest.size(),
                 "<note><pitch><step>F</step><alter>1</alter><octave>4</octave></pitch><duration>8</duration></note>");
    pugi::xml_document before;
    ASSERT_TRUE(before.load_buffer(text.data(), text.size(), ScoreParseOptions(), pugi::encoding_utf8));
    const pugi::xml_node measure = before.child("score-partwise").child("part").child("measure");
    const pugi::xml_node sharp = measure.next_sibling("measure").child("note");
    VoiceRewrite v{measure.parent(), measure, 1, "1", 2, {}, {4, 1}, {}, {}};
    for (Fraction onset : {Fraction{0, 1}, Fraction{3, 1}})
        v.entries.push_back({onset, {1, 1}, sharp, {{sharp, false, false}}, {}, {}, {}});
    const std::vector<Edit> edits = ValueOf(RewriteMeasure(text, {v}));
    const std::string out = ValueOf(ApplyEdits(text, edits));
    pugi::xml_document after;
    ASSERT_TRUE(after.load_buffer(out.data(), out.size(), ScoreParseOptions(), pugi::encoding_utf8)) << out;
    std::vector<std::string> voice1;  // "F" and its accidental per new note, "r" per rest
    for (pugi::xml_node note : after.child("score-partwise").child("part").child("measure").children("note"))
        if (std::string(note.child_value("voice")) == "1")
            voice1.push_back(note.child("rest") ? "r" : std::string("F") + note.child_value("accidental"));
    EXPECT_EQ(voice1, (std::vector<std::string>{"Fsharp", "r", "r", "Fsharp"})) << out;
}

}  // namespace
}  // namespace qz::musicxml
