#include "shell/plugin.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "shell_fixture.h"

namespace qz::shell {
namespace {

using testing::MakeRegionRecord;
using testing::Narrow;
using testing::RegionRecord;

constexpr int32_t kEnd = 0x7FFFFFFF;

class PluginTest : public testing::ShellTest {
protected:
    // Asserts that exactly one more box was shown, with this text and caption, as an error box
    // owned by the host window.
    void ExpectOneBox(std::size_t before, const std::u16string& text,
                      const std::u16string& caption) {
        ASSERT_EQ(Boxes().size(), before + 1) << LastBox();
        const auto& box = Boxes().back();
        EXPECT_EQ(box.text, text) << Narrow(box.text);
        EXPECT_EQ(box.caption, caption) << Narrow(box.caption);
        EXPECT_EQ(box.style, 0x10u);
        EXPECT_EQ(box.owner, kHostWindow);
    }
    bool StoredSourceIs(const RegionRecord& record) const {
        return std::memcmp(plugin.GetSourceRegion().GetRecord(), record.data(), 20) == 0;
    }
};

const std::u16string kOneStaff =
    u"Only one individual staff is allowed as the selected source region.";
const std::u16string kPartialSource =
    u"Partial measure selection are not allowed for this plug-in.";
const std::u16string kPartialDestination =
    u"Partial selections are not allowed for this plug-in.";
const std::u16string kLength =
    u"The destination region must have the same number of measures as the source region. "
    u"Alternatively, the source region should fit exactly as multiple regions in the "
    u"destination.\n\n(Example: if source region is 2 measures and destination is 6 measures, "
    u"it will produce a pattern repeated 3 times.)";
const std::u16string kOtherDocument = u"The source region must belong to the current document.";
const std::u16string kNoEntries = u"Source region didn't contain any entries in layer 1.";
const std::u16string kSourceTitle = u"Source Selection Error";
const std::u16string kCreateTitle = u"QZ Motifgraft Error";

TEST_F(PluginTest, FreshPluginState) {
    EXPECT_EQ(plugin.GetHostVersion(), 0x19000000u);
    EXPECT_FALSE(plugin.IsSourceRegionValid());
    EXPECT_TRUE(plugin.GetSourceRegion().IsEmpty());
    EXPECT_EQ(plugin.GetSourceRegion().GetDocumentId(), 0);
    for (int16_t index : {int16_t{0}, int16_t{2}, int16_t{7}, int16_t{-1}})
        EXPECT_EQ(plugin.GetMenuStatus(index), 1) << index;
    EXPECT_EQ(plugin.GetMenuStatus(1), 0);
}

TEST_F(PluginTest, VersionIsStoredAndReturned) {
    EXPECT_EQ(plugin.Version(0x12000000), 0x12000000u);
    EXPECT_EQ(plugin.GetHostVersion(), 0x12000000u);
    EXPECT_EQ(plugin.Version(0xFFFFFFFF), 0xFFFFFFFFu);
    EXPECT_EQ(plugin.GetHostVersion(), 0xFFFFFFFFu);
}

TEST_F(PluginTest, InitSetsBitZeroOnly) {
    const uint32_t cases[][2] = {{2, 3}, {1, 1}, {0, 1}, {0xFFFFFFFE, 0xFFFFFFFF},
                                 {0x80000000, 0x80000001}};
    for (const auto& c : cases) {
        uint32_t word = c[0];
        EXPECT_EQ(plugin.Init(nullptr, &word), 1);
        EXPECT_EQ(word, c[1]) << std::hex << "from 0x" << c[0];
    }
    EXPECT_EQ(plugin.Init(reinterpret_cast<void*>(0x1234), nullptr), 1);
}

TEST_F(PluginTest, AcceptedSourceMakesCreateAvailable) {
    const RegionRecord record = MakeRegionRecord(2, 3, 2, 4);
    EXPECT_EQ(SetSource(record), 0);
    EXPECT_TRUE(Boxes().empty()) << LastBox();
    EXPECT_TRUE(plugin.IsSourceRegionValid());
    EXPECT_EQ(plugin.GetMenuStatus(1), 1);
    EXPECT_TRUE(StoredSourceIs(record));
    EXPECT_EQ(plugin.GetSourceRegion().GetDocumentId(), 1);
}

TEST_F(PluginTest, RefusedSourceReplacesAnAcceptedOne) {
    ASSERT_EQ(SetSource(MakeRegionRecord(2, 3, 2, 4)), 0);
    ASSERT_EQ(plugin.GetMenuStatus(1), 1);

    const RegionRecord twoStaves = MakeRegionRecord(1, 5, 2, 6);
    EXPECT_EQ(SetSource(twoStaves), 0);
    ExpectOneBox(0, kOneStaff, kSourceTitle);
    EXPECT_EQ(plugin.GetMenuStatus(1), 0);
    EXPECT_TRUE(StoredSourceIs(twoStaves));  // the rejected selection is what is stored

    EXPECT_EQ(SetSource(MakeRegionRecord(1, 5, 2, 6, 100, kEnd)), 0);
    ExpectOneBox(1, kPartialSource, kSourceTitle);
    EXPECT_EQ(SetSource(MakeRegionRecord(1, 5, 1, 6, 0, 2000)), 0);
    ExpectOneBox(2, kPartialSource, kSourceTitle);

    // CREATE stays refused, silently, until a SET SOURCE passes.
    sim.ClearCalls();
    EXPECT_EQ(Create(MakeRegionRecord(1, 1, 1, 2)), 0);
    EXPECT_EQ(Boxes().size(), 3u);
    EXPECT_TRUE(sim.Calls().empty());
    EXPECT_EQ(SetSource(MakeRegionRecord(3, 1, 3, 2)), 0);
    EXPECT_EQ(plugin.GetMenuStatus(1), 1);
    EXPECT_EQ(Boxes().size(), 3u);
}

TEST_F(PluginTest, CreateBeforeAnyValidSourceCallsNothing) {
    for (int16_t index : {int16_t{1}, int16_t{2}, int16_t{-1}}) {
        EXPECT_EQ(Create(MakeRegionRecord(1, 1, 1, 2), index), 0) << index;
        EXPECT_EQ(plugin.Invoke(kHostWindow, index, nullptr), 0) << index;
    }
    EXPECT_TRUE(Boxes().empty()) << LastBox();
    EXPECT_TRUE(sim.Calls().empty()) << sim.Calls().front().name;
    EXPECT_EQ(platform::stand_in::ModuleLookups(), 0);
    EXPECT_EQ(platform::stand_in::WindowQueries(), 0);
}

TEST_F(PluginTest, CreateReturnsOneWhenTheDriverCompletes) {
    FillMeasure(12, 3);
    FillMeasure(12, 4);
    ASSERT_EQ(SetSource(MakeRegionRecord(2, 3, 2, 4)), 0);
    for (int16_t index : {int16_t{1}, int16_t{2}}) {
        EXPECT_EQ(Create(MakeRegionRecord(1, 5, 3, 8), index), 1) << index << ": " << LastBox();
    }
    EXPECT_TRUE(Boxes().empty()) << LastBox();
    EXPECT_GT(sim.CallCount("FX_LoadTGF"), 0);
    EXPECT_EQ(plugin.GetMenuStatus(1), 1);
}

TEST_F(PluginTest, CreateFailuresShowTheirMessageAndKeepTheState) {
    FillMeasure(12, 3);
    FillMeasure(12, 4);
    const RegionRecord source = MakeRegionRecord(2, 3, 2, 4);
    ASSERT_EQ(SetSource(source), 0);
    struct Case {
        const char* what;
        RegionRecord destination;
        std::u16string message;
    };
    const Case cases[] = {
        {"starts inside a measure", MakeRegionRecord(1, 5, 1, 6, 256, kEnd), kPartialDestination},
        {"ends inside a measure", MakeRegionRecord(1, 5, 1, 6, 0, 3072), kPartialDestination},
        {"three measures for a source of two", MakeRegionRecord(1, 5, 1, 7), kLength},
        {"one measure", MakeRegionRecord(1, 5, 1, 5), kLength},
    };
    std::size_t boxes = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        sim.ClearCalls();
        EXPECT_EQ(Create(c.destination), 0);
        ExpectOneBox(boxes++, c.message, kCreateTitle);
        EXPECT_EQ(sim.CallCount("FX_LoadTGF"), 0);
        EXPECT_EQ(plugin.GetMenuStatus(1), 1);
        EXPECT_TRUE(plugin.IsSourceRegionValid());
        EXPECT_TRUE(StoredSourceIs(source));
        EXPECT_EQ(plugin.GetSourceRegion().GetDocumentId(), 1);
    }
}

TEST_F(PluginTest, TheLengthMessageIsShownAsTwoParagraphs) {
    ASSERT_EQ(SetSource(MakeRegionRecord(2, 3, 2, 4)), 0);
    ASSERT_EQ(Create(MakeRegionRecord(1, 5, 1, 7)), 0);
    ASSERT_EQ(Boxes().size(), 1u);
    const std::u16string& text = Boxes()[0].text;
    EXPECT_EQ(text.size(), 292u);
    const std::size_t gap = text.find(u'\n');
    ASSERT_NE(gap, std::u16string::npos);
    EXPECT_EQ(text.substr(gap, 3), u"\n\n(");
    EXPECT_EQ(text.find(u'\n', gap + 2), std::u16string::npos);
}

TEST_F(PluginTest, SourceFromAnotherDocumentIsRefusedUntilThatDocumentIsCurrentAgain) {
    FillMeasure(12, 3);
    ASSERT_EQ(SetSource(MakeRegionRecord(2, 3, 2, 3)), 0);
    hostsim::Document& second = sim.AddDocument();
    second.AddStaff(11);
    second.SetMeasureCount(4);
    sim.SetCurrentDocument(2);
    EXPECT_EQ(Create(MakeRegionRecord(1, 1, 1, 2)), 0);
    ExpectOneBox(0, kOtherDocument, kCreateTitle);
    EXPECT_TRUE(plugin.IsSourceRegionValid());
    EXPECT_EQ(plugin.GetSourceRegion().GetDocumentId(), 1);

    sim.SetCurrentDocument(1);
    EXPECT_EQ(Create(MakeRegionRecord(1, 5, 1, 6)), 1) << LastBox();
    EXPECT_EQ(Boxes().size(), 1u);
}

TEST_F(PluginTest, SourceWithoutEntriesInLayerOneStopsCreate) {
    // Music in layer 2 only: layer 1 is what gives the rhythm.
    ASSERT_TRUE(hostsim::WriteMeasure(*doc, 12, 3, 1, "C4/2 D4/2"));
    ASSERT_EQ(SetSource(MakeRegionRecord(2, 3, 2, 3)), 0);
    ASSERT_TRUE(plugin.IsSourceRegionValid());
    EXPECT_EQ(Create(MakeRegionRecord(1, 5, 1, 6)), 0);
    ExpectOneBox(0, kNoEntries, kCreateTitle);
    EXPECT_EQ(plugin.GetMenuStatus(1), 1);
}

TEST_F(PluginTest, EmptySourceCountsOneMeasureAndHoldsNoEntries) {
    FillMeasure(11, 1);
    ASSERT_EQ(SetSource(MakeRegionRecord(1, 0, 1, 0, 0, 0)), 0);
    EXPECT_TRUE(Boxes().empty()) << LastBox();
    ASSERT_EQ(plugin.GetMenuStatus(1), 1);
    EXPECT_EQ(Create(MakeRegionRecord(1, 2, 2, 4)), 0);  // 3 measures pass the length test
    ExpectOneBox(0, kNoEntries, kCreateTitle);
}

TEST_F(PluginTest, CreateWithoutRegionRecordUsesAnEmptyDestination) {
    FillMeasure(12, 3);
    FillMeasure(12, 4);
    ASSERT_EQ(SetSource(MakeRegionRecord(2, 3, 2, 4)), 0);
    sim.ClearCalls();
    EXPECT_EQ(plugin.Invoke(kHostWindow, 1, nullptr), 0);  // counts 1: not a multiple of 2
    ExpectOneBox(0, kLength, kCreateTitle);
    EXPECT_TRUE(sim.Calls().empty()) << sim.Calls().front().name;  // nothing asked of the host

    FillMeasure(12, 5);
    ASSERT_EQ(SetSource(MakeRegionRecord(2, 5, 2, 5)), 0);
    EXPECT_EQ(plugin.Invoke(kHostWindow, 1, nullptr), 1) << LastBox();
    EXPECT_EQ(Boxes().size(), 1u);
}

TEST_F(PluginTest, InvertedStoredSourceIsNeverADivisor) {
    FillMeasure(12, 4);
    FillMeasure(12, 5);
    const RegionRecord inverted = MakeRegionRecord(2, 5, 2, 4);  // counts 0
    ASSERT_EQ(SetSource(inverted), 0);
    EXPECT_TRUE(plugin.IsSourceRegionValid());  // SET SOURCE does not count measures
    const RegionRecord destinations[] = {MakeRegionRecord(1, 1, 1, 2), MakeRegionRecord(1, 1, 1, 1),
                                         MakeRegionRecord(1, 0, 1, 0, 0, 0)};
    std::size_t boxes = 0;
    for (const RegionRecord& destination : destinations) {
        sim.ClearCalls();
        EXPECT_EQ(Create(destination), 0);
        ExpectOneBox(boxes++, kLength, kCreateTitle);
        EXPECT_EQ(sim.CallCount("FX_LoadTGF"), 0);
    }
    ASSERT_EQ(SetSource(MakeRegionRecord(2, 7, 2, 1)), 0);  // counts -5
    EXPECT_EQ(Create(MakeRegionRecord(1, 1, 1, 5)), 0);
    ExpectOneBox(boxes, kLength, kCreateTitle);
    EXPECT_TRUE(StoredSourceIs(MakeRegionRecord(2, 7, 2, 1)));
}

TEST_F(PluginTest, SetSourceWithoutRegionRecordStoresAnEmptyRegionWithoutAskingTheHost) {
    ASSERT_EQ(SetSource(MakeRegionRecord(2, 3, 2, 4)), 0);
    sim.ClearCalls();
    EXPECT_EQ(plugin.Invoke(kHostWindow, 0, nullptr), 0);
    EXPECT_TRUE(sim.Calls().empty()) << sim.Calls().front().name;
    EXPECT_TRUE(plugin.GetSourceRegion().IsEmpty());
    EXPECT_EQ(plugin.GetSourceRegion().GetDocumentId(), 0);
    EXPECT_TRUE(StoredSourceIs(RegionRecord{}));
    EXPECT_TRUE(plugin.IsSourceRegionValid());  // an empty region on one slot is acceptable
}

TEST_F(PluginTest, TerminateKeepsTheStoredSource) {
    const RegionRecord record = MakeRegionRecord(2, 3, 2, 4);
    ASSERT_EQ(SetSource(record), 0);
    plugin.Version(0x12000000);
    plugin.Terminate();
    EXPECT_EQ(plugin.GetMenuStatus(1), 1);
    EXPECT_TRUE(StoredSourceIs(record));
    EXPECT_EQ(plugin.GetHostVersion(), 0x12000000u);
}

}  // namespace
}  // namespace qz::shell
