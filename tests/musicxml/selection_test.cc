// --source and --dest as users write them: what each resolves to, or the message that names
// what is wrong.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "musicxml/read/selection.h"
#include "reader_support.h"

namespace qz::musicxml {
namespace {

// Staves: 1 Fl, 2-3 Pno (two staves), 4 Vc; four measures.
std::string FourStaves() {
    auto part = [](const char* id, const char* staves) {
        return std::string("<part id=\"") + id + "\"><measure number=\"1\"><attributes>" +
               "<divisions>1</divisions><staves>" + staves + "</staves></attributes>" +
               "<note><rest/><duration>4</duration></note></measure><measure number=\"2\"/>" +
               "<measure number=\"3\"/><measure number=\"4\"/></part>";
    };
    return testing::Partwise(
        "<part-list><score-part id=\"Fl\"/><score-part id=\"Pno\"/><score-part id=\"Vc\"/>"
        "</part-list>" + part("Fl", "1") + part("Pno", "2") + part("Vc", "1"));
}

// Regions as "slots:measures" joined by spaces, or the message.
std::string Resolve(const std::string& text, SelectionRole role, const Score& score) {
    const Result<std::vector<Selection>> parsed = ParseSelection(text, score, role);
    if (!parsed.ok()) return parsed.status().message();
    std::string out;
    for (const Selection& r : *parsed)
        out += (out.empty() ? "" : " ") + std::to_string(r.firstSlot) + "-" +
               std::to_string(r.lastSlot) + ":" + std::to_string(r.firstMeasure) + "-" +
               std::to_string(r.lastMeasure);
    return out;
}

TEST(Selection, ResolvesOrSaysWhatIsWrong) {
    std::string error;
    auto loaded = testing::Load(FourStaves(), &error);
    ASSERT_TRUE(loaded) << error;
    constexpr SelectionRole kSource = SelectionRole::kSource;
    constexpr SelectionRole kDest = SelectionRole::kDestination;
    const struct {
        const char* text;
        SelectionRole role;
        const char* expected;
    } cases[] = {
        {"1:1-2", kSource, "1-1:1-2"},
        {"Pno:3", kSource, "2-2:3-3"},
        {"Pno/2:1-1", kSource, "3-3:1-1"},
        {"all:1-4", kDest, "1-4:1-4"},
        {"2-3:2-2", kDest, "2-3:2-2"},
        {"1,2,4:1-4", kDest, "1-2:1-4 4-4:1-4"},
        {"4,Fl:1", kDest, "1-1:1-1 4-4:1-1"},
        {"Pno/2,1-2:1", kDest, "1-3:1-1"},
        {"4-2:1-4", kDest, "staves 4-2 are reversed: write 2-4"},
        {"2-99:1-4", kDest, "staff 99 is past the last staff (4)"},
        {"9:1-1", kSource, "staff 9 is past the last staff (4)"},
        {"0:1-1", kSource, "staves count from 1, not 0"},
        {"0-2:1-1", kDest, "staves count from 1, not '0-2'"},
        {"Ob:1-1", kSource, "no staff or part 'Ob' in the score (see motifgraft show)"},
        {"Ob/2:1-1", kDest, "no part 'Ob' in the score (see motifgraft show)"},
        {"Fl/2:1-1", kSource, "part Fl has 1 staff, no staff 2"},
        {"Pno/3:1-1", kDest, "part Pno has 2 staves, no staff 3"},
        {"Pno/x:1-1", kDest, "'Pno/x': the staff after the / is a number from 1"},
        {"1,2,1-2:1", kDest, "staff 1 is listed twice in '1,2,1-2'"},
        {"1,,2:1", kDest, "the list of staves '1,,2' has an empty item"},
        {"1,2:1-1", kSource, "the source is one staff, not '1,2'"},
        {"all:1-1", kSource, "the source is one staff, not 'all'"},
        {"1:4-2", kSource, "measures 4-2 are reversed: write 2-4"},
        {"1:2-9", kDest, "measure 9 is past the last measure (4)"},
        {"1:0-1", kDest, "measures count from 1, not '0-1'"},
        {"1:a-b", kDest, "measures are FIRST-LAST counted from 1, not 'a-b'"},
        {"1", kSource, "a selection is STAFF:FIRST-LAST, not '1'"},
        {":1-1", kDest, "a selection is STAVES:FIRST-LAST, not ':1-1'"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Resolve(c.text, c.role, loaded->model), c.expected) << c.text;
}

}  // namespace
}  // namespace qz::musicxml
