// Splicing edits into text: untouched bytes stay, the edits are checked before anything changes.
#include "musicxml/splice.h"

#include <gtest/gtest.h>

namespace qz::musicxml {
namespace {

TEST(WriterSpliceTest, EditsApplyInOffsetOrderWhateverTheirListOrder) {
    const std::string text = "<m><n>1</n><n>2</n></m>";
    std::string out;
    std::string error;
    // Out of order; two insertions at one offset keep their listed order; a deletion.
    ASSERT_TRUE(ApplyEdits(text,
                           {{11, 19, "<r/>"}, {3, 3, "<a/>"}, {3, 3, "<b/>"}, {19, 19, ""},
                            {6, 7, "9"}},
                           &out, &error))
        << error;
    EXPECT_EQ(out, "<m><a/><b/><n>9</n><r/></m>");
    ASSERT_TRUE(ApplyEdits(text, {}, &out, &error));
    EXPECT_EQ(out, text);
    ASSERT_TRUE(ApplyEdits(text, {{0, text.size(), "x"}}, &out, &error));
    EXPECT_EQ(out, "x");
}

TEST(WriterSpliceTest, BadEditsLeaveTheOutputUntouched) {
    const std::string text = "<m><n>1</n></m>";
    std::string out = "sentinel";
    std::string error;
    EXPECT_FALSE(ApplyEdits(text, {{3, 11, "x"}, {10, 12, "y"}}, &out, &error));
    EXPECT_EQ(error, "edit at byte 10 overlaps the edit ending at byte 11");
    EXPECT_FALSE(ApplyEdits(text, {{5, 4, ""}}, &out, &error));
    EXPECT_EQ(error, "edit [5, 4) lies outside the text of 15 bytes");
    EXPECT_FALSE(ApplyEdits(text, {{14, 16, ""}}, &out, &error));
    EXPECT_EQ(error, "edit [14, 16) lies outside the text of 15 bytes");
    // An insertion inside a replaced range overlaps it.
    EXPECT_FALSE(ApplyEdits(text, {{3, 11, "x"}, {5, 5, "y"}}, &out, &error));
    EXPECT_EQ(out, "sentinel");
}

}  // namespace
}  // namespace qz::musicxml
