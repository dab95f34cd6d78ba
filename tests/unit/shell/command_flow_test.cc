#include "shell/command_flow.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "shell_fixture.h"

namespace qz::shell {
namespace {

using testing::MakeRegionRecord;
using testing::RegionRecord;

constexpr int32_t kEnd = 0x7FFFFFFF;

const std::string kPartialSource = "Partial measure selection are not allowed for this plug-in.";
const std::string kOneStaff =
    "Only one individual staff is allowed as the selected source region.";
const std::string kPartialDestination = "Partial selections are not allowed for this plug-in.";
const std::string kLength =
    "The destination region must have the same number of measures as the source region. "
    "Alternatively, the source region should fit exactly as multiple regions in the "
    "destination.\n\n(Example: if source region is 2 measures and destination is 6 measures, "
    "it will produce a pattern repeated 3 times.)";
const std::string kOtherDocument = "The source region must belong to the current document.";

class CommandFlowTest : public testing::ShellTest {
protected:
    // The message a check left, or "(passed, untouched)" when it left the sentinel alone.
    std::string Message() const {
        if (static_cast<unsigned char>(buffer[0]) == 0xEE) {
            for (char c : buffer)
                if (static_cast<unsigned char>(c) != 0xEE) return "(passed, buffer changed)";
            return "(passed, untouched)";
        }
        return std::string(buffer);
    }
    void ClearBuffer() { std::memset(buffer, 0xEE, sizeof buffer); }
    void SetUp() override {
        ShellTest::SetUp();
        ClearBuffer();
    }

    void Fill(FCMusicRegion& region, const RegionRecord& record) {
        region.SetFromRecord(binding, record.data());
    }

    char buffer[kMinMessageBufferSize];
};

TEST_F(CommandFlowTest, SourceChecks) {
    struct Case {
        const char* what;
        RegionRecord record;
        std::string expected;
    };
    const Case cases[] = {
        {"whole measures 3-4 on one staff", MakeRegionRecord(2, 3, 2, 4), "(passed, untouched)"},
        {"whole measures on two staves", MakeRegionRecord(1, 3, 2, 4), kOneStaff},
        {"partial on two staves: partial first", MakeRegionRecord(1, 3, 2, 4, 512, kEnd),
         kPartialSource},
        {"ends before the end of its measure", MakeRegionRecord(1, 3, 1, 4, 0, 3000),
         kPartialSource},
        {"empty, equal slots", MakeRegionRecord(2, 0, 2, 0, 0, 0), "(passed, untouched)"},
        {"empty with partial positions skips the partial test", MakeRegionRecord(1, 0, 1, 0, 5, 9),
         "(passed, untouched)"},
        {"empty on two staves", MakeRegionRecord(1, 0, 3, 0, 0, 0), kOneStaff},
        {"slots read as signed: -1 to -1", MakeRegionRecord(-1, 1, -1, 1), "(passed, untouched)"},
        {"extreme slots", MakeRegionRecord(-32768, 1, 32767, 1), kOneStaff},
        {"end slot above start slot", MakeRegionRecord(3, 1, 2, 1), kOneStaff},
        {"inverted measures are not tested", MakeRegionRecord(1, 5, 1, 4), "(passed, untouched)"},
    };
    for (const Case& c : cases) {
        ClearBuffer();
        FCMusicRegion source;
        Fill(source, c.record);
        const bool passed = CheckSourceRegion(source, buffer);
        EXPECT_EQ(passed, c.expected.front() == '(') << c.what;
        EXPECT_EQ(Message(), c.expected) << c.what;
    }
}

TEST_F(CommandFlowTest, DestinationLengthMustBeAWholeMultipleOfTheSource) {
    struct Case {
        int sourceStart, sourceEnd, destinationStart, destinationEnd;
        bool passes;
    };
    const Case cases[] = {
        {3, 4, 1, 2, true},  {3, 4, 1, 4, true},  {3, 4, 1, 6, true},  {3, 4, 1, 1, false},
        {3, 4, 1, 3, false}, {3, 4, 1, 5, false}, {3, 5, 1, 9, true},  {2, 2, 4, 8, true},
        // An empty destination counts one measure.
        {2, 2, 0, 0, true},  {3, 4, 0, 0, false},
        // An empty source counts one measure too.
        {0, 0, 1, 7, true},
        // Inverted regions count no measure: never a divisor, never a repeat.
        {5, 4, 1, 2, false}, {5, 4, 1, 1, false}, {8, 1, 1, 8, false},
        {3, 4, 6, 5, false}, {3, 4, 6, 3, false},
    };
    for (const Case& c : cases) {
        ClearBuffer();
        FCMusicRegion source;
        Fill(source, MakeRegionRecord(1, c.sourceStart, 1, c.sourceEnd));
        FCMusicRegion destination;
        Fill(destination, MakeRegionRecord(1, c.destinationStart, 3, c.destinationEnd));
        const std::string what = "source " + std::to_string(c.sourceStart) + ".." +
                                 std::to_string(c.sourceEnd) + ", destination " +
                                 std::to_string(c.destinationStart) + ".." +
                                 std::to_string(c.destinationEnd);
        EXPECT_EQ(CheckDestinationRegion(binding, destination, source, buffer), c.passes) << what;
        EXPECT_EQ(Message(), c.passes ? "(passed, untouched)" : kLength) << what;
    }
}

TEST_F(CommandFlowTest, DestinationTestsRunInOrderAndStopAtTheFirstFailure) {
    sim.AddDocument();  // 2
    FCMusicRegion source;
    Fill(source, MakeRegionRecord(1, 3, 1, 4));  // taken in document 1
    struct Case {
        const char* what;
        RegionRecord destination;
        int currentDocument;
        std::string expected;
        int documentQueries;  // FX_GetCurrentEnigmaDocument calls by the check
    };
    const Case cases[] = {
        {"partial with a wrong length, in another document", MakeRegionRecord(1, 1, 1, 3, 1, kEnd),
         2, kPartialDestination, 0},
        {"ends early", MakeRegionRecord(1, 1, 1, 2, 0, 0), 1, kPartialDestination, 0},
        {"wrong length, in another document", MakeRegionRecord(1, 1, 1, 3), 2, kLength, 0},
        {"fitting length, in another document", MakeRegionRecord(1, 1, 1, 4), 2, kOtherDocument,
         1},
        {"fitting length, source's document", MakeRegionRecord(1, 1, 1, 4), 1,
         "(passed, untouched)", 1},
    };
    for (const Case& c : cases) {
        ClearBuffer();
        sim.SetCurrentDocument(c.currentDocument);
        FCMusicRegion destination;
        Fill(destination, c.destination);
        const int before = sim.CallCount("FX_GetCurrentEnigmaDocument");
        EXPECT_EQ(CheckDestinationRegion(binding, destination, source, buffer), c.expected.front() == '(')
            << c.what;
        EXPECT_EQ(Message(), c.expected) << c.what;
        EXPECT_EQ(sim.CallCount("FX_GetCurrentEnigmaDocument") - before, c.documentQueries)
            << c.what;
    }
}

TEST_F(CommandFlowTest, WithoutTheDocumentFunctionEverySourceBelongs) {
    sim.SetAbsent("FX_GetCurrentEnigmaDocument");
    Reinstall();
    FCMusicRegion source;
    Fill(source, MakeRegionRecord(1, 3, 1, 4));
    FCMusicRegion destination;
    Fill(destination, MakeRegionRecord(1, 5, 2, 8));
    EXPECT_TRUE(CheckDestinationRegion(binding, destination, source, buffer)) << Message();
    EXPECT_EQ(source.GetDocumentId(), 0);
}

}  // namespace
}  // namespace qz::shell
