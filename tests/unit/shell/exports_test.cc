// The exported functions as the host calls them. They share the one module-level state of the
// program, so every test first brings that state where it needs it.
#include "shell/exports.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "shell_fixture.h"

namespace qz::testing {
namespace {

constexpr unsigned char kSentinel = 0xCC;
using Bytes = std::vector<unsigned char>;

class ExportsTest : public ShellTest {};

// Only the low 16 bits of an index count: the host leaves the upper bits undefined.
TEST_F(ExportsTest, EnumeratorsUseTheLowSixteenBitsOfTheIndex) {
    struct Case { uint32_t index; int16_t meaning; };
    const Case cases[] = {{0, 0},           {1, 1},         {0x10001, 1},    {0xFFFF0001, 1},
                          {0x10000, 0},     {0xABCD0000, 0}, {2, -1},        {0xFFFF, -1},
                          {0xFFFFFFFF, -1}, {0x10002, -1},  {0x7FFF, -1}};
    for (const Case& c : cases) {
        Bytes record8(220, kSentinel);
        Bytes record16(800, kSentinel);
        Bytes expected8(220, kSentinel);
        Bytes expected16(800, kSentinel);
        const int16_t expectedResult = c.meaning >= 0 ? 1 : 0;
        if (c.meaning >= 0) {
            ASSERT_EQ(plugin.Enumerate(nullptr, c.meaning, expected8.data()), 1);
            ASSERT_EQ(plugin.EnumerateUtf16(nullptr, c.meaning, expected16.data()), 1);
        }
        EXPECT_EQ(FinaleExtensionEnumerate(nullptr, c.index, record8.data()), expectedResult)
            << std::hex << c.index;
        EXPECT_EQ(FinaleExtensionEnumerate_UTF16(nullptr, c.index, record16.data()),
                  expectedResult)
            << std::hex << c.index;
        EXPECT_EQ(record8, expected8) << std::hex << c.index;
        EXPECT_EQ(record16, expected16) << std::hex << c.index;
    }
    EXPECT_EQ(FinaleExtensionEnumerate(nullptr, 0, nullptr), 0);
    EXPECT_EQ(FinaleExtensionEnumerate_UTF16(nullptr, 1, nullptr), 0);
}

TEST_F(ExportsTest, VersionAndInit) {
    EXPECT_EQ(FinaleExtensionVersion(0x12000000), 0x12000000u);
    EXPECT_EQ(FinaleExtensionVersion(0x19000000), 0x19000000u);
    uint32_t word = 2;
    EXPECT_EQ(FinaleExtensionInit(nullptr, &word), 1);
    EXPECT_EQ(word, 3u);
    EXPECT_EQ(FinaleExtensionInit(nullptr, nullptr), 1);
}

TEST_F(ExportsTest, InvokeAndMenuStatusShareTheModuleState) {
    const RegionRecord twoStaves = MakeRegionRecord(1, 3, 2, 4);
    EXPECT_EQ(FinaleExtensionInvoke(kHostWindow, 0x10000, Select(twoStaves)), 0);  // SET SOURCE
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].caption, u"Source Selection Error");
    EXPECT_EQ(Boxes()[0].owner, kHostWindow);
    EXPECT_EQ(FinaleExtensionGetMenuStatus(1), 0);
    EXPECT_EQ(FinaleExtensionGetMenuStatus(0x10001), 0);
    EXPECT_EQ(FinaleExtensionGetMenuStatus(0), 1);
    EXPECT_EQ(FinaleExtensionGetMenuStatus(0x10000), 1);
    EXPECT_EQ(FinaleExtensionGetMenuStatus(7), 1);
    sim.ClearCalls();
    EXPECT_EQ(FinaleExtensionInvoke(kHostWindow, 1, Select(twoStaves)), 0);  // refused silently
    EXPECT_TRUE(sim.Calls().empty());

    FillMeasure(12, 3);
    FillMeasure(12, 4);
    const RegionRecord oneStaff = MakeRegionRecord(2, 3, 2, 4);
    EXPECT_EQ(FinaleExtensionInvoke(kHostWindow, 0, Select(oneStaff)), 0);
    EXPECT_EQ(FinaleExtensionGetMenuStatus(0xFFFF0001), 1);
    FinaleExtensionTerminate();
    EXPECT_EQ(FinaleExtensionGetMenuStatus(1), 1);

    const RegionRecord destination = MakeRegionRecord(1, 5, 3, 6);
    EXPECT_EQ(FinaleExtensionInvoke(kHostWindow, 0x10001, Select(destination)), 1) << LastBox();
    const RegionRecord tooLong = MakeRegionRecord(1, 5, 1, 7);
    EXPECT_EQ(FinaleExtensionInvoke(kHostWindow, 1, Select(tooLong)), 0);
    EXPECT_EQ(Boxes().size(), 2u);
    EXPECT_EQ(Boxes().back().caption, u"QZ Motifgraft Error");
    EXPECT_EQ(FinaleExtensionGetMenuStatus(1), 1);
}

}  // namespace
}  // namespace qz::testing
