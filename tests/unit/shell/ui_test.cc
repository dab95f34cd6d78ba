#include "shell/ui.h"

#include <gtest/gtest.h>

#include <string>

#include "support/plugin_fixture.h"

namespace qz {
namespace {

using testing::Narrow;

class UiTest : public testing::SimFixture {};

TEST_F(UiTest, EightBitFormShowsTextAndTitleInAnErrorBoxOwnedByTheWindow) {
    const FCUI ui(kHostWindow);
    ui.ShowError("Only one individual staff is allowed as the selected source region.",
                 "Source Selection Error");
    ASSERT_EQ(Boxes().size(), 1u);
    const auto& box = Boxes()[0];
    EXPECT_EQ(box.text, u"Only one individual staff is allowed as the selected source region.");
    EXPECT_EQ(box.caption, u"Source Selection Error");
    EXPECT_EQ(box.style, 0x10u);
    EXPECT_EQ(box.owner, kHostWindow);
    EXPECT_GE(platform::stand_in::WindowQueries(), 1);
}

TEST_F(UiTest, MissingOrEmptyTitlesGiveTheCaptionError) {
    const FCUI ui(kHostWindow);
    ui.ShowError("first", nullptr);
    ui.ShowError("second", "");
    FCString message;
    ASSERT_TRUE(message.SetCString("third"));
    ui.ShowError(message, nullptr);
    FCString empty;
    ui.ShowError(message, &empty);
    FCString released;
    ASSERT_TRUE(released.SetCString(nullptr));
    ui.ShowError(message, &released);

    const std::u16string texts[] = {u"first", u"second", u"third", u"third", u"third"};
    ASSERT_EQ(Boxes().size(), 5u);
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(Boxes()[i].text, texts[i]) << i << ": " << Narrow(Boxes()[i].text);
        EXPECT_EQ(Boxes()[i].caption, u"Error") << i << ": " << Narrow(Boxes()[i].caption);
        EXPECT_EQ(Boxes()[i].style, 0x10u) << i;
    }
}

TEST_F(UiTest, StringFormCopiesTheTitleAndLeavesLineFeedsInTheText) {
    const FCUI ui(kHostWindow);
    FCString message;
    ASSERT_TRUE(message.SetCString("First paragraph.\n\n(Second paragraph.)"));
    FCString title;
    ASSERT_TRUE(title.SetCString("QZ Motifgraft Error"));
    ui.ShowError(message, &title);
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].text, u"First paragraph.\n\n(Second paragraph.)");
    EXPECT_EQ(Boxes()[0].caption, u"QZ Motifgraft Error");
    EXPECT_EQ(Narrow(title.GetText()), "QZ Motifgraft Error");  // the caller's title untouched
}

TEST_F(UiTest, NullMessageShowsAnEmptyText) {
    const FCUI ui(kHostWindow);
    ui.ShowError(static_cast<const char*>(nullptr), "Title");
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].text, u"");
    EXPECT_EQ(Boxes()[0].caption, u"Title");
}

TEST_F(UiTest, AHandleThatIsNoWindowGivesABoxWithoutOwner) {
    void* const stale = reinterpret_cast<void*>(0x7777);
    const FCUI ui(stale);
    EXPECT_EQ(ui.GetOwnerWindow(), stale);
    ui.ShowError("text", "title");
    const FCUI noWindow(nullptr);
    noWindow.ShowError("text", "title");
    ASSERT_EQ(Boxes().size(), 2u);
    EXPECT_EQ(Boxes()[0].owner, nullptr);
    EXPECT_EQ(Boxes()[1].owner, nullptr);
    EXPECT_EQ(platform::stand_in::WindowQueries(), 2);
}

TEST_F(UiTest, ClassNameIsFCUI) {
    const FCUI a(kHostWindow);
    const FCUI b(nullptr);
    FCString s;
    EXPECT_STREQ(a.ClassName(), "FCUI");
    EXPECT_TRUE(a.IsSameClass(&b));
    EXPECT_FALSE(a.IsSameClass(&s));
}

}  // namespace
}  // namespace qz
