#include "framework/string.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

namespace qz {
namespace {

std::u16string TextOf(const FCString& s) {
    return s.GetText() == nullptr ? std::u16string() : std::u16string(s.GetText());
}

TEST(FCStringTest, NewStringIsEmptyInTenUnits) {
    FCString s;
    EXPECT_EQ(s.GetLength(), 0u);
    EXPECT_EQ(s.GetCapacity(), 10u);
    ASSERT_NE(s.GetText(), nullptr);
    EXPECT_EQ(s.GetText()[0], u'\0');
    EXPECT_STREQ(s.ClassName(), "FCString");
}

// Capacity after SetCString of a text of `length` characters on a string grown to `before`.
struct GrowthCase {
    uint64_t grownTo;   // EnsureCapacity argument applied first (0: a new string)
    uint64_t length;    // then a text of this many characters
    uint64_t expected;  // capacity afterwards
};

TEST(FCStringTest, CapacityGrowsInStepsChosenFromTheCurrentCapacity) {
    const GrowthCase cases[] = {
        {0, 0, 10},        // fits
        {0, 8, 10},        // 10 > 9: nothing happens
        {0, 9, 10},        // 10 > 10 is false: reallocated at the same 10 units
        {0, 10, 20},
        {0, 15, 20},
        {0, 19, 20},
        {0, 20, 30},
        {999, 999, 1000},  // capacity 1000: step still 10
        {999, 1005, 1010},
        {1000, 1009, 1100},  // capacity 1010: step 100
        {1000, 1200, 1300},
        {10050, 10100, 11000},  // capacity 10060: step 1000
    };
    for (const GrowthCase& c : cases) {
        FCString s;
        ASSERT_TRUE(s.EnsureCapacity(c.grownTo));
        const uint64_t before = s.GetCapacity();
        const std::string text(static_cast<std::size_t>(c.length), 'x');
        ASSERT_TRUE(s.SetCString(text.c_str()));
        EXPECT_EQ(s.GetCapacity(), c.expected)
            << "grown to " << c.grownTo << " (capacity " << before << "), text of " << c.length;
        EXPECT_EQ(s.GetLength(), c.length);
        EXPECT_LT(s.GetLength(), s.GetCapacity());
        EXPECT_EQ(TextOf(s), std::u16string(static_cast<std::size_t>(c.length), u'x'));
    }
}

TEST(FCStringTest, ReallocationKeepsTheText) {
    FCString s;
    ASSERT_TRUE(s.SetCString("abcdefgh"));
    ASSERT_TRUE(s.EnsureCapacity(500));
    EXPECT_EQ(s.GetCapacity(), 510u);
    EXPECT_EQ(s.GetLength(), 8u);
    EXPECT_EQ(TextOf(s), u"abcdefgh");
}

TEST(FCStringTest, SetCStringWidensEachByte) {
    FCString s;
    ASSERT_TRUE(s.SetCString("A z~\n\xE9\xFF"));
    ASSERT_EQ(s.GetLength(), 7u);
    const char16_t expected[] = {u'A', u' ', u'z', u'~', u'\n', 0x00E9, 0x00FF, 0};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(s.GetText()[i], expected[i]) << "unit " << i;
}

TEST(FCStringTest, NullCStringReleasesTheBufferAndALaterGrowthAllocatesAfresh) {
    FCString s;
    ASSERT_TRUE(s.SetCString("some text"));
    ASSERT_TRUE(s.SetCString(nullptr));
    EXPECT_EQ(s.GetText(), nullptr);
    EXPECT_EQ(s.GetLength(), 0u);
    EXPECT_EQ(s.GetCapacity(), 0u);

    ASSERT_TRUE(s.EnsureCapacity(3));
    EXPECT_EQ(s.GetCapacity(), 10u);
    ASSERT_NE(s.GetText(), nullptr);
    EXPECT_EQ(s.GetText()[0], u'\0');
    EXPECT_EQ(s.GetLength(), 0u);

    FCString t;
    ASSERT_TRUE(t.SetCString(nullptr));
    ASSERT_TRUE(t.SetCString("again"));
    EXPECT_EQ(TextOf(t), u"again");
}

TEST(FCStringTest, SetStringCopiesTextAndTerminator) {
    FCString source;
    ASSERT_TRUE(source.SetCString("Source Selection Error"));  // 22 characters
    FCString s;
    ASSERT_TRUE(s.SetCString("old"));
    ASSERT_TRUE(s.SetString(&source));
    EXPECT_EQ(s.GetLength(), 22u);
    EXPECT_EQ(s.GetCapacity(), 30u);  // EnsureCapacity(23) from 10
    EXPECT_EQ(TextOf(s), u"Source Selection Error");
    EXPECT_EQ(TextOf(source), u"Source Selection Error");
}

TEST(FCStringTest, SetStringFromAbsentOrEmptyGivesAnEmptyStringWithABuffer) {
    FCString empty;
    FCString released;
    ASSERT_TRUE(released.SetCString(nullptr));
    const FCString* others[] = {nullptr, &empty, &released};
    for (const FCString* other : others) {
        FCString s;
        ASSERT_TRUE(s.SetCString(nullptr));  // even a string without a buffer gets one
        ASSERT_TRUE(s.SetString(other));
        EXPECT_EQ(s.GetLength(), 0u);
        EXPECT_EQ(s.GetCapacity(), 10u);
        ASSERT_NE(s.GetText(), nullptr);
        EXPECT_EQ(s.GetText()[0], u'\0');

        FCString t;
        ASSERT_TRUE(t.SetCString("previous text"));
        ASSERT_TRUE(t.SetString(other));
        EXPECT_EQ(TextOf(t), u"");
        EXPECT_EQ(t.GetLength(), 0u);
    }
}

TEST(FCStringTest, SetStringFromItselfKeepsTheText) {
    FCString s;
    ASSERT_TRUE(s.SetCString("keep me"));
    ASSERT_TRUE(s.SetString(&s));
    EXPECT_EQ(TextOf(s), u"keep me");
    EXPECT_EQ(s.GetLength(), 7u);
}

TEST(FCStringTest, ImpossibleSizesAreRefusedAndLeaveTheStringUnchanged) {
    const uint64_t sizes[] = {
        std::numeric_limits<uint64_t>::max(),       // n + 1 and n + step wrap
        std::numeric_limits<uint64_t>::max() - 5,   // n + step wraps
        std::numeric_limits<uint64_t>::max() / 2,   // the byte count overflows
        uint64_t{1} << 62,                          // byte count beyond any allocation
    };
    for (uint64_t n : sizes) {
        FCString s;
        ASSERT_TRUE(s.SetCString("intact"));
        EXPECT_FALSE(s.EnsureCapacity(n)) << n;
        EXPECT_EQ(s.GetCapacity(), 10u) << n;
        EXPECT_EQ(s.GetLength(), 6u) << n;
        EXPECT_EQ(TextOf(s), u"intact") << n;
    }
}

TEST(FCStringTest, DestructionThroughTheBaseReleasesEverything) {
    __FCBase* object = new FCString;
    ASSERT_TRUE(static_cast<FCString*>(object)->SetCString("released by ~FCString"));
    delete object;  // the leak checker of the sanitizer build would report a missed release
}

}  // namespace
}  // namespace qz
