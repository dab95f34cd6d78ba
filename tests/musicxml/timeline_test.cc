// The measure timeline both the model and the writer read: where each note sounds, and which
// measures the writer must leave alone.
#include "musicxml/read/measure_timeline.h"

#include <gtest/gtest.h>

#include <string>

#include "musicxml/read/score_parse.h"

namespace qz::musicxml {
namespace {

// "onset+duration" of every note, in quarters, then "| end" and the unwritable reason.
std::string Describe(const MeasureTimeline& timeline) {
    auto text = [](Fraction f) {
        return std::to_string(f.num) + (f.den == 1 ? "" : "/" + std::to_string(f.den));
    };
    std::string out;
    Fraction end;
    for (const MeasureItem& item : timeline.items) {
        if (item.kind == ItemKind::kNote)
            out += text(item.onset) + "+" + text(item.duration) + (item.joinsChord ? "c " : " ");
        if (end < item.cursorAfter) end = item.cursorAfter;
    }
    return out + "| " + text(end) + (timeline.unwritable.empty() ? "" : " " + timeline.unwritable);
}

TEST(Timeline, PlacesNotesAndNamesWhatTheWriterCannotKeep) {
    const struct {
        const char* measure;
        const char* expected;
    } cases[] = {
        {"<note><duration>2</duration></note><note><chord/><duration>2</duration></note>"
         "<backup><duration>1</duration></backup><note><duration>1</duration></note>",
         "0+1 0+1c 1/2+1/2 | 1"},
        // Past the start: the cursor stops there.
        {"<note><duration>2</duration></note><backup><duration>6</duration></backup>"
         "<note><duration>2</duration></note>",
         "0+1 0+1 | 1 a <backup> goes back before the start of the measure"},
        // Nothing to join after a move: a note of its own.
        {"<note><duration>2</duration></note><forward><duration>2</duration></forward>"
         "<note><chord/><duration>2</duration></note>",
         "0+1 2+1 | 3"},
        {"<note><duration>2</duration></note><attributes><divisions>4</divisions></attributes>"
         "<note><duration>2</duration></note>",
         "0+1 1+1/2 | 3/2 the measure changes <divisions> after its first note"},
        {"<note><rest/></note><note><grace/></note><note><duration>1</duration></note>",
         "0+0 0+0 0+1/2 | 1/2 a <note> has no readable <duration>"},
    };
    for (const auto& c : cases) {
        const std::string text = std::string("<measure>") + c.measure + "</measure>";
        pugi::xml_document document;
        ASSERT_TRUE(document.load_buffer(text.data(), text.size(), ScoreParseOptions(),
                                         pugi::encoding_utf8));
        const Result<MeasureTimeline> timeline = ReadTimeline(text, document.child("measure"), 2);
        ASSERT_TRUE(timeline.ok()) << timeline.status().message();
        EXPECT_EQ(Describe(*timeline), c.expected) << c.measure;
    }
}

TEST(Timeline, RefusesValuesItCannotHoldAtTheirPlace) {
    const std::string text = "<measure>\n<note><duration>-1</duration></note></measure>";
    pugi::xml_document document;
    ASSERT_TRUE(document.load_buffer(text.data(), text.size(), ScoreParseOptions(),
                                     pugi::encoding_utf8));
    const Status failure = ReadTimeline(text, document.child("measure"), 1).status();
    EXPECT_EQ(failure.Where("f"), "f:2:7: <duration> must be a non-negative number");
}

}  // namespace
}  // namespace qz::musicxml
