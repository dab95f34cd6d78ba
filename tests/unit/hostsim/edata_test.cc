#include <cstring>
#include <vector>

#include "hostsim_fixture.h"

namespace hostsim::testing {
namespace {

using qz::host::Load;
using qz::host::Store;

// The 6-byte entry-detail key, with two more bytes that the host must not touch.
struct EntryKey {
    unsigned char bytes[8];
    EntryKey(int32_t number, int16_t index) {
        std::memset(bytes, 0xEE, sizeof bytes);
        Store(bytes, 0, number);
        Store(bytes, 4, index);
    }
    int32_t Number() const { return Load<int32_t>(bytes, 0); }
    int16_t Index() const { return Load<int16_t>(bytes, 4); }
};

// The 4-byte key of the 'ot' tags.
struct WordKey {
    unsigned char bytes[4];
    WordKey(int16_t first, int16_t second) {
        Store(bytes, 0, first);
        Store(bytes, 2, second);
    }
    int16_t First() const { return Load<int16_t>(bytes, 0); }
    int16_t Second() const { return Load<int16_t>(bytes, 2); }
};

constexpr uint32_t kOt = 0x6F743737;  // ot77

TEST_F(HostsimTest, LoadAnswersSizeQueriesAndCopiesAtMostTheRoom) {
    const unsigned char record[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    EntryKey key(40, 0);
    ASSERT_EQ(FX_SaveEData(kArticulationTag, key.bytes, record, 12, kV), 1);

    uint32_t size = 0;
    EXPECT_EQ(FX_LoadEData(kArticulationTag, key.bytes, nullptr, &size, kV), 1);
    EXPECT_EQ(size, 12u);

    unsigned char room[16];
    std::memset(room, 0xCC, sizeof room);
    size = 5;
    EXPECT_EQ(FX_LoadEData(kArticulationTag, key.bytes, room, &size, kV), 1);
    EXPECT_EQ(size, 12u) << "the record's length, not the copied one";
    EXPECT_EQ(std::memcmp(room, record, 5), 0);
    EXPECT_EQ(room[5], 0xCC) << "nothing beyond the room";

    size = sizeof room;
    EXPECT_EQ(FX_LoadEData(kArticulationTag, key.bytes, room, &size, kV), 1);
    EXPECT_EQ(std::memcmp(room, record, 12), 0);
    EXPECT_EQ(room[12], 0xCC);

    EXPECT_EQ(FX_LoadEData(kArticulationTag, key.bytes, room, nullptr, kV), 0);
    EntryKey other(40, 1);
    EXPECT_EQ(FX_LoadEData(kArticulationTag, other.bytes, room, &size, kV), 0);
    EXPECT_EQ(FX_LoadEData(kDetailTag, key.bytes, room, &size, kV), 0) << "another tag";
}

TEST_F(HostsimTest, SaveRefusesEmptyRecordsAndReplacesExistingOnes) {
    EntryKey key(7, 2);
    const unsigned char a[3] = {1, 2, 3};
    const unsigned char b[2] = {9, 9};
    EXPECT_EQ(FX_SaveEData(kDetailTag, key.bytes, nullptr, 3, kV), 0);
    EXPECT_EQ(FX_SaveEData(kDetailTag, key.bytes, a, 0, kV), 0);
    EXPECT_EQ(FX_SaveEData(kDetailTag, key.bytes, a, -4, kV), 0);
    EXPECT_TRUE(doc->EData().empty());
    EXPECT_EQ(FX_SaveEData(kDetailTag, key.bytes, a, 3, kV), 1);
    EXPECT_EQ(FX_SaveEData(kDetailTag, key.bytes, b, 2, kV), 1);
    auto it = doc->EData().find({kDetailTag, 7, 2});
    ASSERT_NE(it, doc->EData().end());
    EXPECT_EQ(it->second, (std::vector<unsigned char>{9, 9}));
    EXPECT_EQ(doc->EData().size(), 1u);
}

TEST_F(HostsimTest, KeyLayoutDependsOnTheTag) {
    const unsigned char record[12] = {5};
    WordKey word(-2, 3);
    ASSERT_EQ(FX_SaveEData(kOt, word.bytes, record, 12, kV), 1);
    EXPECT_EQ(doc->EData().count({kOt, -2, 3}), 1u);

    unsigned char special[4];
    Store<int16_t>(special, 0, 10);
    Store<int16_t>(special, 2, 0);
    ASSERT_EQ(FX_SaveEData(0x4F096649, special, record, 12, kV), 1);
    EXPECT_EQ(doc->EData().count({0x4F096649, 10, 0}), 1u);

    EntryKey entry(0x12345678, 4);
    ASSERT_EQ(FX_SaveEData(kArticulationTag, entry.bytes, record, 12, kV), 1);
    EXPECT_EQ(doc->EData().count({kArticulationTag, 0x12345678, 4}), 1u);
}

TEST_F(HostsimTest, CreateCompletesTheIndexByDefault) {
    const unsigned char record[12] = {};
    for (int expected = 0; expected < 3; ++expected) {
        EntryKey key(9, -1);
        ASSERT_EQ(FX_CreateEData(kArticulationTag, key.bytes, record, 12, kV), 1);
        EXPECT_EQ(key.Index(), expected);
        EXPECT_EQ(key.Number(), 9);
        EXPECT_EQ(key.bytes[6], 0xEE) << "bytes beyond the key untouched";
    }
    EXPECT_EQ(doc->EData().count({kArticulationTag, 9, 2}), 1u);
    EntryKey other(10, -1);  // another entry counts from 0
    FX_CreateEData(kArticulationTag, other.bytes, record, 12, kV);
    EXPECT_EQ(other.Index(), 0);
}

TEST_F(HostsimTest, CreateCanLeaveTheKeyAsItCame) {
    sim.SetCreateCompletesIndex(false);
    const unsigned char record[12] = {};
    EntryKey first(9, -1);
    EntryKey second(9, -1);
    ASSERT_EQ(FX_CreateEData(kArticulationTag, first.bytes, record, 12, kV), 1);
    ASSERT_EQ(FX_CreateEData(kArticulationTag, second.bytes, record, 12, kV), 1);
    EXPECT_EQ(first.Index(), -1);
    EXPECT_EQ(second.Index(), -1);
    EXPECT_EQ(doc->EData().count({kArticulationTag, 9, 0}), 1u);
    EXPECT_EQ(doc->EData().count({kArticulationTag, 9, 1}), 1u);
}

TEST_F(HostsimTest, CreateAtAnIndexRefusesAnExistingRecord) {
    const unsigned char record[12] = {};
    EntryKey key(3, 4);
    EXPECT_EQ(FX_CreateEData(kArticulationTag, key.bytes, record, 12, kV), 1);
    EXPECT_EQ(FX_CreateEData(kArticulationTag, key.bytes, record, 12, kV), 0);
    EntryKey next(3, -1);  // the next free index follows the largest
    FX_CreateEData(kArticulationTag, next.bytes, record, 12, kV);
    EXPECT_EQ(next.Index(), 5);
    EXPECT_EQ(FX_CreateEData(kArticulationTag, key.bytes, nullptr, 12, kV), 0);
}

TEST_F(HostsimTest, NextWalksTheTagInKeyOrder) {
    const unsigned char record[12] = {};
    // Stored out of order, with a negative number and records of another tag between.
    for (auto [number, index] : {std::pair{5, 1}, {-3, 0}, {5, 0}, {2, 7}, {5, -2}}) {
        EntryKey key(number, static_cast<int16_t>(index));
        ASSERT_EQ(FX_SaveEData(kArticulationTag, key.bytes, record, 12, kV), 1);
    }
    EntryKey foreign(3, 0);
    FX_SaveEData(kDetailTag, foreign.bytes, record, 12, kV);

    EntryKey key(-100, 0);
    std::vector<std::pair<int, int>> walked;
    for (int guard = 0; guard < 10 && FX_NextEData(kArticulationTag, key.bytes, nullptr, nullptr, kV);
         ++guard)
        walked.emplace_back(key.Number(), key.Index());
    EXPECT_EQ(walked, (std::vector<std::pair<int, int>>{{-3, 0}, {2, 7}, {5, -2}, {5, 0}, {5, 1}}));
    EXPECT_EQ(key.Number(), 5) << "a failed next leaves the key";
    EXPECT_EQ(key.Index(), 1);
    EXPECT_EQ(key.bytes[6], 0xEE);
}

TEST_F(HostsimTest, NextUsesTheWordKeyForOtTags) {
    const unsigned char record[12] = {};
    for (int second : {3, -1, 0}) {
        WordKey key(-2, static_cast<int16_t>(second));
        FX_SaveEData(kOt, key.bytes, record, 12, kV);
    }
    WordKey key(-2, -1);
    ASSERT_EQ(FX_NextEData(kOt, key.bytes, nullptr, nullptr, kV), 1);
    EXPECT_EQ(key.Second(), 0);
    ASSERT_EQ(FX_NextEData(kOt, key.bytes, nullptr, nullptr, kV), 1);
    EXPECT_EQ(key.Second(), 3);
    EXPECT_EQ(FX_NextEData(kOt, key.bytes, nullptr, nullptr, kV), 0);
}

TEST_F(HostsimTest, DeleteErasesOneRecord) {
    const unsigned char record[12] = {};
    EntryKey a(1, 0), b(1, 1);
    FX_SaveEData(kArticulationTag, a.bytes, record, 12, kV);
    FX_SaveEData(kArticulationTag, b.bytes, record, 12, kV);
    EXPECT_EQ(FX_DeleteEData(kArticulationTag, a.bytes, kV), 1);
    EXPECT_EQ(FX_DeleteEData(kArticulationTag, a.bytes, kV), 0);
    EXPECT_EQ(doc->EData().size(), 1u);
    EXPECT_EQ(doc->EData().count({kArticulationTag, 1, 1}), 1u);
}

TEST_F(HostsimTest, NullKeyIsAViolation) {
    const unsigned char record[12] = {};
    uint32_t size = 12;
    EXPECT_EQ(FX_LoadEData(kArticulationTag, nullptr, nullptr, &size, kV), 0);
    EXPECT_EQ(FX_SaveEData(kArticulationTag, nullptr, record, 12, kV), 0);
    EXPECT_EQ(FX_CreateEData(kArticulationTag, nullptr, record, 12, kV), 0);
    EXPECT_EQ(FX_DeleteEData(kArticulationTag, nullptr, kV), 0);
    EXPECT_EQ(FX_NextEData(kArticulationTag, nullptr, nullptr, nullptr, kV), 0);
    EXPECT_EQ(sim.Violations().size(), 5u) << Violations();
    EXPECT_TRUE(doc->EData().empty());
}

TEST_F(HostsimTest, EDataBelongsToTheCurrentDocument) {
    Document& second = sim.AddDocument();
    const unsigned char record[12] = {};
    EntryKey key(1, 0);
    sim.SetCurrentDocument(second.Id());
    FX_SaveEData(kArticulationTag, key.bytes, record, 12, kV);
    EXPECT_EQ(second.EData().size(), 1u);
    EXPECT_TRUE(doc->EData().empty());
}

}  // namespace
}  // namespace hostsim::testing
