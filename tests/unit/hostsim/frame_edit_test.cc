#include <cstdio>
#include <vector>

#include "host/entry_detail.h"
#include "memhost/entry_record.h"
#include "hostsim_fixture.h"

namespace hostsim::testing {
namespace {

namespace tgf = qz::host::tgf;
namespace ex = qz::host::exentry;
namespace ed = qz::host::entry_detail;
using qz::host::TGF;

std::vector<int32_t> Positions(const TGF* frame) {
    std::vector<int32_t> positions;
    for (int i = 0; i < tgf::EntryCount(frame); ++i)
        positions.push_back(ex::Position(tgf::EntryAt(frame, i)));
    return positions;
}

void SetPositions(TGF* frame, const std::vector<int32_t>& positions) {
    for (std::size_t i = 0; i < positions.size(); ++i)
        ex::SetPosition(tgf::EntryAt(frame, static_cast<int>(i)), positions[i]);
}

TEST_F(HostsimTest, SaveNumbersNewEntriesInTheStoreOnly) {
    uint32_t kept = doc->AddEntry(11, 1, 0, {0, 2 * kQuarter, {60}});
    TGF* frame = LoadFrame(1, 1);
    FX_InsertEXENTRY(frame, 1, 2, kV);
    ASSERT_EQ(tgf::EntryCount(frame), 3);
    SetPositions(frame, {0, 2 * kQuarter, 3 * kQuarter});
    ASSERT_EQ(FX_SaveTGF(frame, kV), 1);

    // The frame keeps its zeros: the plug-in must load the frame again to see the numbers.
    EXPECT_EQ(ex::EntryNumber(tgf::EntryAt(frame, 0)), kept);
    EXPECT_EQ(ex::EntryNumber(tgf::EntryAt(frame, 1)), 0u);
    EXPECT_EQ(ex::EntryNumber(tgf::EntryAt(frame, 2)), 0u);
    FX_FreeTGF(frame, kV);

    TGF* reloaded = LoadFrame(1, 1);
    ASSERT_EQ(tgf::EntryCount(reloaded), 3);
    uint32_t n1 = ex::EntryNumber(tgf::EntryAt(reloaded, 1));
    uint32_t n2 = ex::EntryNumber(tgf::EntryAt(reloaded, 2));
    EXPECT_EQ(ex::EntryNumber(tgf::EntryAt(reloaded, 0)), kept);
    EXPECT_GT(n1, kept);
    EXPECT_EQ(n2, n1 + 1);
    EXPECT_EQ(Positions(reloaded), (std::vector<int32_t>{0, 2 * kQuarter, 3 * kQuarter}));
    FX_FreeTGF(reloaded, kV);
    EXPECT_TRUE(sim.Violations().empty()) << Violations();
}

TEST_F(HostsimTest, SaveSkipsNumbersThatAlreadyKeyRecords) {
    const uint32_t kept = doc->AddEntry(11, 1, 0, {0, kQuarter, {60}});
    // Records left under the next two numbers, one articulation and one detail; a record of a
    // tag keyed by other words does not hold a number.
    doc->EData()[{kArticulationTag, kept + 1, 0}] = {1, 0};
    doc->EData()[{kDetailTag, kept + 2, 3}] = {2};
    doc->EData()[{0x6F740001, kept + 3, 0}] = {3};
    TGF* frame = LoadFrame(1, 1);
    FX_InsertEXENTRY(frame, 1, 1, kV);
    SetPositions(frame, {0, kQuarter});
    ASSERT_EQ(FX_SaveTGF(frame, kV), 1);
    FX_FreeTGF(frame, kV);

    EXPECT_EQ(ex::EntryNumber(doc->Entries(11, 1, 0)[1].data()), kept + 3);
    EXPECT_TRUE(doc->ArticulationsOf(kept + 3).empty());
}

TEST_F(HostsimTest, SaveReplacesTheWholePlace) {
    hostsim::WriteMeasure(*doc, 11, 1, 0, "C4/4 D4/4 E4/4 F4/4");
    TGF* frame = LoadFrame(1, 1);
    FX_DeleteEXENTRY(frame, 0, 3, kV);
    FX_SaveTGF(frame, kV);
    FX_FreeTGF(frame, kV);
    EXPECT_EQ(hostsim::DescribeMeasure(*doc, 11, 1, 0), "[3072]F4/4");
}

TEST_F(HostsimTest, InsertAndDeleteResizeAtTheGivenIndex) {
    hostsim::WriteMeasure(*doc, 11, 1, 0, "C4/4 D4/4 E4/4 F4/4");
    struct Case {
        bool insert;
        int where, count;
        std::vector<int32_t> expected;  // positions after the call; inserted entries are 0
    } cases[] = {
        {true, 0, 2, {0, 0, 0, 1024, 2048, 3072}},
        {true, 2, 1, {0, 1024, 0, 2048, 3072}},
        {true, 99, 1, {0, 1024, 2048, 3072, 0}},  // clamped to the end
        {true, 0, 0, {0, 1024, 2048, 3072}},
        {false, 0, 4, {}},
        {false, 1, 2, {0, 3072}},
        {false, 3, 9, {0, 1024, 2048}},  // only what is there
        {false, 7, 1, {0, 1024, 2048, 3072}},
    };
    for (const Case& c : cases) {
        TGF* frame = LoadFrame(1, 1);
        const unsigned char* before = qz::host::LoadPointer(frame, tgf::kEntries);
        int16_t result = c.insert ? FX_InsertEXENTRY(frame, static_cast<uint16_t>(c.where),
                                                     static_cast<uint16_t>(c.count), kV)
                                  : FX_DeleteEXENTRY(frame, static_cast<uint16_t>(c.where),
                                                     static_cast<uint16_t>(c.count), kV);
        EXPECT_EQ(result, 1);
        EXPECT_EQ(Positions(frame), c.expected) << (c.insert ? "insert " : "delete ") << c.where
                                                << "," << c.count;
        EXPECT_NE(qz::host::LoadPointer(frame, tgf::kEntries), before) << "the array moves";
        FX_FreeTGF(frame, kV);
    }
    EXPECT_TRUE(sim.Violations().empty()) << Violations();
}

TEST_F(HostsimTest, InsertedRecordsAreZero) {
    TGF* frame = LoadFrame(1, 1);
    FX_InsertEXENTRY(frame, 0, 3, kV);
    ASSERT_EQ(tgf::EntryCount(frame), 3);
    for (int i = 0; i < 3; ++i)
        for (std::size_t b = 0; b < ex::kSize; ++b)
            ASSERT_EQ(tgf::EntryAt(frame, i)[b], 0) << "entry " << i << " byte " << b;
    FX_FreeTGF(frame, kV);
}

TEST_F(HostsimTest, ShortInsertFaultInsertsFewerAndStillAnswersOne) {
    struct Case {
        int count, shortBy, expected;
    } cases[] = {{4, 1, 3}, {4, 3, 1}, {2, 5, 0}};
    for (const Case& c : cases) {
        sim.ClearFaults();
        sim.AddFault({"FX_InsertEXENTRY", 1, false, c.shortBy});
        TGF* frame = LoadFrame(1, 1);
        EXPECT_EQ(FX_InsertEXENTRY(frame, 0, static_cast<uint16_t>(c.count), kV), 1);
        EXPECT_EQ(tgf::EntryCount(frame), c.expected) << c.count << " short by " << c.shortBy;
        // The fault struck once: the next insert is whole.
        FX_InsertEXENTRY(frame, 0, 2, kV);
        EXPECT_EQ(tgf::EntryCount(frame), c.expected + 2);
        FX_FreeTGF(frame, kV);
    }
}

TEST_F(HostsimTest, EntryCountStopsAt32767) {
    TGF* frame = LoadFrame(1, 1);
    FX_InsertEXENTRY(frame, 0, 30000, kV);
    FX_InsertEXENTRY(frame, 0, 30000, kV);
    EXPECT_EQ(tgf::EntryCount(frame), 32767);
    FX_FreeTGF(frame, kV);
}

TEST_F(HostsimTest, DetailTableIsBuiltFromTheStoredRecords) {
    hostsim::WriteMeasure(*doc, 11, 1, 0, "C4/4 D4/4+d2 E4/4 F4/4+d");
    const std::vector<Record>& stored = doc->Entries(11, 1, 0);
    uint32_t second = ex::EntryNumber(stored[1].data());
    uint32_t fourth = ex::EntryNumber(stored[3].data());
    // A record at a later index with a gap is listed too, in key order.
    std::vector<unsigned char> payload(kDetailSize, 0x77);
    doc->EData()[{kDetailTag, KeyNumber(fourth), 5}] = payload;
    // Records of other tags under the same number are not details.
    doc->EData()[{kArticulationTag, KeyNumber(fourth), 0}] = std::vector<unsigned char>(12, 1);

    TGF* frame = LoadFrame(1, 1);
    ASSERT_EQ(tgf::DetailCount(frame), 4);
    struct Row {
        int entry, sub;
        std::vector<unsigned char> payload;
    } expected[] = {{1, 0, DetailPayload(second, 0)},
                    {1, 1, DetailPayload(second, 1)},
                    {3, 0, DetailPayload(fourth, 0)},
                    {3, 5, payload}};
    for (int d = 0; d < 4; ++d) {
        const unsigned char* row = tgf::DetailAt(frame, d);
        EXPECT_EQ(ed::EntryIndex(row), expected[d].entry) << "row " << d;
        EXPECT_EQ(ed::SubIndex(row), expected[d].sub) << "row " << d;
        std::vector<unsigned char> got(row + ed::kPayload, row + ed::kSize);
        EXPECT_EQ(got, expected[d].payload) << "row " << d;
    }
    FX_FreeTGF(frame, kV);
}

TEST_F(HostsimTest, ShortDetailRecordIsZeroPadded) {
    uint32_t number = doc->AddEntry(11, 1, 0, {0, kQuarter, {60}});
    doc->EData()[{kDetailTag, KeyNumber(number), 0}] = {1, 2, 3};
    TGF* frame = LoadFrame(1, 1);
    ASSERT_EQ(tgf::DetailCount(frame), 1);
    const unsigned char* row = tgf::DetailAt(frame, 0);
    EXPECT_EQ(row[ed::kPayload + 2], 3);
    for (std::size_t b = ed::kPayload + 3; b < ed::kSize; ++b) EXPECT_EQ(row[b], 0) << b;
    FX_FreeTGF(frame, kV);
}

}  // namespace
}  // namespace hostsim::testing

namespace hostsim::testing {
namespace {

// A plug-in that keeps the entries pointer across an insert reads freed memory, and
// AddressSanitizer must see it: the simulator really releases the old array.
TEST_F(HostsimTest, StaleEntriesPointerAfterInsertIsAUseAfterFree) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    hostsim::WriteMeasure(*doc, 11, 1, 0, "C4/1");
    EXPECT_DEATH(
        {
            qz::host::TGF* frame = LoadFrame(1, 1);
            const volatile unsigned char* stale = qz::host::LoadPointer(frame, qz::host::tgf::kEntries);
            FX_InsertEXENTRY(frame, 0, 1, kV);
            if (stale[0] == 0x5A) std::fputs("unlikely", stderr);
        },
        "heap-use-after-free");
#else
    GTEST_SKIP() << "needs AddressSanitizer";
#endif
}

}  // namespace
}  // namespace hostsim::testing
