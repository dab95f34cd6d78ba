// One extended-data record as an object: load, save, reload, delete, walk to the next record,
// copy bytes and keys, under host refusals and a failed allocation.
#include "framework/base_data.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "allocation_hook.h"
#include "host/bytes.h"
#include "support/plugin_fixture.h"

namespace qz::testing {
namespace {

constexpr uint32_t kTag = 0x54455354;  // a tag of 6-byte entry keys that nothing else uses
constexpr uint32_t kRoom = 8;

using Bytes = std::vector<unsigned char>;

// The smallest concrete record: 8 bytes of its own; optionally one that gives up a buffer it
// holds on every load.
class Record : public __FCEntryDetail {
public:
    explicit Record(host::HostBinding& host, bool drops = false) : __FCEntryDetail(host), drops_(drops) {}
    unsigned char* GetRecordBuffer() override { return own_; }
    void OnBufferDropped() override { ++dropped; }
    bool CanDropBuffer() const override { return drops_; }
    __FCBaseData* CreateObject() const override { return new Record(Host(), drops_); }
    uint32_t GetTag() const override { return kTag; }
    uint32_t GetRecordSize() const override { return kRoom; }
    bool LoadFirst() override { return Load(); }

    Bytes Data() const { return Bytes(GetBuffer(), GetBuffer() + GetDataSize()); }
    void At(int32_t number, int16_t index) {
        SetKeyNumber(number);
        SetKeyIndex(index);
    }
    int dropped = 0;

private:
    bool drops_;
    unsigned char own_[kRoom] = {};
};

class BaseDataTest : public SimFixture {
protected:
    void Put(int64_t number, int64_t index, Bytes bytes) { doc->EData()[{kTag, number, index}] = bytes; }
    const Bytes* Stored(int64_t number, int64_t index) {
        auto it = doc->EData().find({kTag, number, index});
        return it == doc->EData().end() ? nullptr : &it->second;
    }
};

TEST_F(BaseDataTest, LoadFitsTheRecordToItsRoom) {
    Put(5, 0, {1, 2, 3});
    Put(5, 1, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12});
    Record r(binding);
    r.At(5, 0);
    ASSERT_TRUE(r.Load());
    EXPECT_EQ(r.Data(), (Bytes{1, 2, 3}));
    EXPECT_EQ(r.GetDocumentId(), doc->Id());
    EXPECT_TRUE(std::all_of(r.GetBuffer() + 3, r.GetBuffer() + kRoom, [](unsigned char b) { return b == 0; }))
        << "the rest of the room is cleared";
    EXPECT_EQ(r.GetKeyNumber(), 5);
    EXPECT_EQ(r.GetKeyIndex(), 0);

    r.At(5, 1);
    ASSERT_TRUE(r.Load());
    EXPECT_EQ(r.Data(), (Bytes{1, 2, 3, 4, 5, 6, 7, 8})) << "cut to the room, never beyond";

    r.At(5, 2);
    EXPECT_FALSE(r.Load()) << "no such record";
    EXPECT_EQ(r.GetDataSize(), 0u);
    EXPECT_FALSE(r.Reload()) << "nothing loaded";
    EXPECT_FALSE(r.Save()) << "nothing loaded, nothing saved";
    EXPECT_EQ(Stored(5, 2), nullptr);
}

TEST_F(BaseDataTest, SaveReloadAndDeleteGoThroughTheHost) {
    Put(7, 0, {9, 9, 9, 9});
    Record r(binding);
    r.At(7, 0);
    ASSERT_TRUE(r.Load());
    ASSERT_TRUE(r.Reload());
    doc->EData()[{kTag, 7, 0}] = {4, 3, 2, 1};
    ASSERT_TRUE(r.Reload());
    EXPECT_EQ(r.Data(), (Bytes{4, 3, 2, 1})) << "reload reads the host's bytes again";

    r.At(7, 3);
    EXPECT_TRUE(r.Save()) << "saves the loaded bytes under the current key";
    ASSERT_NE(Stored(7, 3), nullptr);
    EXPECT_EQ(*Stored(7, 3), (Bytes{4, 3, 2, 1}));

    sim.AddFault({"FX_SaveEData", 1});
    r.At(7, 4);
    EXPECT_FALSE(r.Save()) << "a refused save is reported";
    EXPECT_EQ(Stored(7, 4), nullptr);

    EXPECT_TRUE(r.DeleteRecord() == false) << "nothing stored under (7, 4)";
    r.At(7, 3);
    EXPECT_TRUE(r.DeleteData());
    EXPECT_EQ(Stored(7, 3), nullptr);
    sim.AddFault({"FX_DeleteEData", 1});
    r.At(7, 0);
    EXPECT_FALSE(r.DeleteData()) << "a refused delete is reported";
    EXPECT_NE(Stored(7, 0), nullptr);

    sim.AddFault({"FX_LoadEData", 1});
    EXPECT_FALSE(r.Load()) << "a refused load leaves no data";
    EXPECT_EQ(r.GetDataSize(), 0u);
}

TEST_F(BaseDataTest, LoadNextWalksTheTagInTheHostsOrder) {
    Put(2, 0, {1});
    Put(2, 5, {2});
    Put(9, 1, {3});
    doc->EData()[{kTag + 1, 1, 0}] = {4};  // another tag ends the walk
    Record r(binding);
    r.At(2, 0);
    std::vector<Bytes> seen;
    std::vector<std::pair<int32_t, int16_t>> keys;
    for (bool more = r.Load(); more && seen.size() < 10; more = r.LoadNext()) {
        seen.push_back(r.Data());
        keys.emplace_back(r.GetKeyNumber(), r.GetKeyIndex());
    }
    EXPECT_EQ(seen, (std::vector<Bytes>{{1}, {2}, {3}}));
    EXPECT_EQ(keys, (std::vector<std::pair<int32_t, int16_t>>{{2, 0}, {2, 5}, {9, 1}}));
}

TEST_F(BaseDataTest, CopiesTakeBytesAndKeysIntoABufferOfTheirOwn) {
    Put(3, 0, {1, 2, 3, 4, 5});
    Put(3, 1, {6, 7, 8, 9, 10, 11, 12});
    Record source(binding);
    source.At(3, 0);
    ASSERT_TRUE(source.Load());

    Record copy(binding);
    copy.CopyDataFrom(Record{binding});  // an empty record gives nothing
    EXPECT_EQ(copy.GetDataSize(), 0u);
    copy.CopyDataFrom(source);
    EXPECT_EQ(copy.Data(), (Bytes{1, 2, 3, 4, 5}));
    EXPECT_NE(copy.GetBuffer(), source.GetBuffer()) << "the copy's bytes are its own";
    copy.CopyKeyFrom(source);
    EXPECT_EQ(copy.GetKeyNumber(), 3);
    EXPECT_EQ(copy.GetDocumentId(), source.GetDocumentId());

    // A buffer of its own bounds later loads by its own size (5), not the class's room (8).
    copy.At(3, 1);
    ASSERT_TRUE(copy.Load());
    EXPECT_EQ(copy.Data(), (Bytes{6, 7, 8, 9, 10}));

    // No memory for the copy: the record keeps what it had.
    Record other(binding);
    other.At(3, 1);
    ASSERT_TRUE(other.Load());
    {
        allocation_hook::ScopedFailure failing(1, false);
        other.CopyDataFrom(source);
        EXPECT_EQ(failing.Failed(), 1);
    }
    EXPECT_EQ(other.Data(), (Bytes{6, 7, 8, 9, 10, 11, 12}));
}

TEST_F(BaseDataTest, ARecordThatDropsItsBufferLoadsIntoItsOwnRoomAgain) {
    Put(4, 0, {1, 2, 3, 4, 5, 6, 7, 8, 9});
    Put(4, 1, {7});
    Record source(binding);
    source.At(4, 1);
    ASSERT_TRUE(source.Load());

    Record r(binding, /*drops=*/true);
    r.CopyDataFrom(source);  // an owned one-byte buffer
    ASSERT_EQ(r.Data(), (Bytes{7}));
    r.At(4, 0);
    ASSERT_TRUE(r.Load());
    EXPECT_EQ(r.dropped, 1) << "the owned buffer was given up";
    EXPECT_EQ(r.Data(), (Bytes{1, 2, 3, 4, 5, 6, 7, 8})) << "the class's room again, not one byte";
}

// A record class that claims a size but has no area to hold it.
class Bufferless : public __FCEntryDetail {
public:
    explicit Bufferless(host::HostBinding& host) : __FCEntryDetail(host) { SetDataSize(4); }
    unsigned char* GetRecordBuffer() override { return nullptr; }
    __FCBaseData* CreateObject() const override { return new Bufferless(Host()); }
    uint32_t GetTag() const override { return kTag; }
    uint32_t GetRecordSize() const override { return 4; }
    bool LoadFirst() override { return Load(); }
};

TEST_F(BaseDataTest, ARecordWithoutAnAreaNeitherReadsNorWrites) {
    Put(6, 0, {1, 2, 3, 4});
    Bufferless none(binding);
    none.SetKeyNumber(6);
    EXPECT_FALSE(none.Save()) << "a size but no bytes: nothing to write";
    sim.ClearCalls();
    EXPECT_FALSE(none.Load());
    EXPECT_EQ(sim.CallCount("FX_LoadEData"), 0) << "nowhere to read into: the host is not asked";
    EXPECT_EQ(none.GetDataSize(), 0u);

    Record r(binding);
    r.At(6, 0);
    ASSERT_TRUE(r.Load());
    Bufferless claims(binding);  // size 4, no bytes
    r.CopyDataFrom(claims);
    EXPECT_EQ(r.Data(), (Bytes{1, 2, 3, 4})) << "nothing to copy: unchanged";
}

}  // namespace
}  // namespace qz::testing
