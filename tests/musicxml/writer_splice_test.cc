// Splicing edits into text: untouched bytes stay, the edits are checked before anything changes.
#include "musicxml/write/splice.h"

#include <gtest/gtest.h>

#include "reader_support.h"

namespace qz::musicxml {
namespace {

using testing::ValueOf;

TEST(WriterSpliceTest, EditsApplyInOffsetOrderWhateverTheirListOrder) {
    const std::string text = "<m><n>1</n><n>2</n></m>";
    // Out of order; two insertions at one offset keep their listed order; a deletion.
    EXPECT_EQ(ValueOf(ApplyEdits(text, {{11, 19, "<r/>"}, {3, 3, "<a/>"}, {3, 3, "<b/>"},
                                        {19, 19, ""}, {6, 7, "9"}})),
              "<m><a/><b/><n>9</n><r/></m>");
    EXPECT_EQ(ValueOf(ApplyEdits(text, {})), text);
    EXPECT_EQ(ValueOf(ApplyEdits(text, {{0, text.size(), "x"}})), "x");
}

TEST(WriterSpliceTest, BadEditsAreRefused) {
    const std::string text = "<m><n>1</n></m>";
    struct Case {
        std::vector<Edit> edits;
        const char* message;
    };
    for (const Case& c : {
             Case{{{3, 11, "x"}, {10, 12, "y"}}, "edit at byte 10 overlaps the edit ending at byte 11"},
             Case{{{5, 4, ""}}, "edit [5, 4) lies outside the text of 15 bytes"},
             Case{{{14, 16, ""}}, "edit [14, 16) lies outside the text of 15 bytes"},
             // An insertion inside a replaced range overlaps it.
             Case{{{3, 11, "x"}, {5, 5, "y"}}, "edit at byte 5 overlaps the edit ending at byte 11"},
         })
        EXPECT_EQ(ApplyEdits(text, c.edits).status().message(), c.message);
}

TEST(WriterSpliceTest, WholeMarkupNeedsEveryTagClosedInOrder) {
    for (const char* whole : {"", "text", "<a/>", "<a><b/>x</a><c x='>'></c>", "<a\n x=\"1\"/>",
                              "<!-- <a> --><a><![CDATA[</b>]]><?pi <c> ?></a>"})
        EXPECT_TRUE(WholeMarkup(whole)) << whole;
    for (const char* cut : {"<a>", "</a>", "<a></b>", "<a><b></a></b>", "<a", "<a x='>", "<>",
                            "<!-- a", "<a><![CDATA[x</a>", "<?pi"})
        EXPECT_FALSE(WholeMarkup(cut)) << cut;
}

}  // namespace
}  // namespace qz::musicxml
