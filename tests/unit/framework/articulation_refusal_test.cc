// Articulations when something is missing: no owner entry, a host that refuses to create a
// record or cannot say where it went, records of odd sizes, and memory that runs out while a
// list is read. Nothing is ever flagged or listed that the document does not hold.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <new>

#include "allocation_hook.h"
#include "engine/engine_fixture.h"
#include "framework/articulations.h"
#include "framework/note_entry_layer.h"
#include "host/exentry.h"

namespace qz::testing {
namespace {

namespace ex = host::exentry;

class ArticulationRefusalTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        MakeScore(1, 1);
        sim.SetCurrentRegion(1, 1, 1, 1);
        number = doc->AddEntry(Inst(1), 1, 0, Entry(0, 4096, {60}, {4, 8, 15}));
        layer = std::make_unique<FCNoteEntryLayer>(binding, 0, static_cast<int16_t>(Inst(1)), 1, 1);
        ASSERT_TRUE(layer->Load());
        entry = layer->GetEntryAt(0);
        entry->SetFlags(entry->GetFlags() & ~ex::ENTRY_HAS_ARTICULATIONS);
    }
    void TearDown() override {
        layer.reset();
        EngineTest::TearDown();
    }
    size_t StoredCount() const {
        size_t n = 0;
        for (const auto& [key, bytes] : doc->EData()) n += key.tag == hostsim::kArticulationTag;
        return n;
    }

    uint32_t number = 0;
    std::unique_ptr<FCNoteEntryLayer> layer;
    FCNoteEntry* entry = nullptr;
};

TEST_F(ArticulationRefusalTest, WithoutAnOwnerNothingIsReadCreatedOrFlagged) {
    FCArticulation loose(binding);
    loose.SetNoteEntry(nullptr);
    EXPECT_EQ(loose.GetKeyNumber(), 0);
    EXPECT_FALSE(loose.LoadFirst());
    EXPECT_FALSE(loose.CreateData());
    loose.SetEntryFlag(nullptr, true);  // nothing to flag, nothing to crash
    FCArticulations none(binding, nullptr);
    EXPECT_EQ(none.LoadAll(), 0);
    none.Add(new FCArticulation(binding));
    sim.ClearCalls();
    none.CreateAll();
    EXPECT_EQ(sim.CallCount("FX_CreateEData"), 0);
    EXPECT_EQ(StoredCount(), 3u);
}

TEST_F(ArticulationRefusalTest, ARefusedOrUnlocatedCreateFlagsNothing) {
    FCArticulation refused(binding);
    refused.SetNoteEntry(entry);
    refused.SetDefinitionNumber(30);
    sim.AddFault({"FX_CreateEData", 1});
    EXPECT_FALSE(refused.CreateData());
    EXPECT_FALSE(entry->HasFlag(ex::ENTRY_HAS_ARTICULATIONS));
    EXPECT_EQ(doc->ArticulationsOf(number), (std::vector<int>{4, 8, 15}));

    // The host stores the record but leaves the index open, and then cannot be read: the
    // articulation cannot say which record it is, so it claims none.
    sim.SetCreateCompletesIndex(false);
    sim.AddFault({"FX_LoadEData", 1, /*persistent=*/true});
    FCArticulation lost(binding);
    lost.SetNoteEntry(entry);
    lost.SetDefinitionNumber(31);
    EXPECT_FALSE(lost.CreateData());
    EXPECT_FALSE(entry->HasFlag(ex::ENTRY_HAS_ARTICULATIONS));
}

TEST_F(ArticulationRefusalTest, CopiesAndReloadsStayInsideTheRecord) {
    FCArticulation a(binding);
    ASSERT_TRUE(a.LoadByKey(static_cast<int32_t>(number), 1));
    FCArticulation b(binding);
    b.CopyDataFrom(a);
    EXPECT_EQ(b.GetDefinitionNumber(), 8);
    b.CopyDataFrom(b);  // from itself: unchanged
    EXPECT_EQ(b.GetDefinitionNumber(), 8);
    EXPECT_EQ(b.GetDataSize(), 12u);

    doc->EData()[{hostsim::kArticulationTag, static_cast<int64_t>(number), 1}] =
        std::vector<unsigned char>(12, 0x11);
    ASSERT_TRUE(a.Reload());
    EXPECT_EQ(a.GetDefinitionNumber(), 0x1111) << "a reload reads the host's bytes again";
}

TEST_F(ArticulationRefusalTest, AListIsReadWholeOrNotAtAll) {
    int whole = 0, refused = 0;
    for (long long nth = 1; nth <= 12; ++nth) {
        FCArticulations all(binding, entry);
        int count = -1;
        bool threw = false;
        {
            allocation_hook::ScopedFailure failing(nth, /*persistent=*/true);
            try {
                count = all.LoadAll();
            } catch (const std::bad_alloc&) {
                threw = true;
            }
        }
        if (threw) {
            ++refused;
        } else {
            EXPECT_EQ(count, 3) << "allocation " << nth << ": never a list cut short";
            ++whole;
        }
    }
    EXPECT_GT(refused, 0);
    EXPECT_GT(whole, 0) << "late failures come after the list is read";
}

// A record of another class, larger than an articulation, or holding no buffer yet.
class WideRecord : public __FCEntryDetail {
public:
    using __FCEntryDetail::__FCEntryDetail;
    unsigned char* GetRecordBuffer() override { return bytes; }
    __FCBaseData* CreateObject() const override { return new WideRecord(Host()); }
    uint32_t GetTag() const override { return 0x57494445; }
    uint32_t GetRecordSize() const override { return sizeof bytes; }
    bool LoadFirst() override { return Load(); }
    unsigned char bytes[40] = {};
};

TEST_F(ArticulationRefusalTest, ForeignRecordsAndEntriesWithoutRecordsAreHandledInPlace) {
    WideRecord empty(binding);  // no buffer in use: nothing to copy
    FCArticulation a(binding);
    a.SetDefinitionNumber(5);
    a.CopyDataFrom(empty);
    EXPECT_EQ(a.GetDefinitionNumber(), 5);
    EXPECT_EQ(a.GetDataSize(), 12u);

    WideRecord wide(binding);
    for (int i = 0; i < 40; ++i) wide.bytes[i] = static_cast<unsigned char>(0x30 + i);
    doc->EData()[{0x57494445, 1, 0}] = std::vector<unsigned char>(wide.bytes, wide.bytes + 40);
    wide.SetKeyNumber(1);
    ASSERT_TRUE(wide.Load());
    a.CopyDataFrom(wide);
    EXPECT_EQ(a.GetDataSize(), 12u) << "at most an articulation's twelve bytes";
    EXPECT_EQ(a.GetRecordData()[11], 0x30 + 11);
    EXPECT_EQ(a.GetDefinitionNumber(), 0x3130);

    // The flag goes on and off an entry's record; an entry without one is left alone.
    a.SetEntryFlag(entry, true);
    EXPECT_TRUE(entry->HasFlag(ex::ENTRY_HAS_ARTICULATIONS));
    a.SetEntryFlag(entry, false);
    EXPECT_FALSE(entry->HasFlag(ex::ENTRY_HAS_ARTICULATIONS));
    FCNoteEntry recordless(host::EntryRef(), nullptr, 1, 11);
    a.SetEntryFlag(&recordless, true);
    FCArticulations ofRecordless(binding, &recordless);
    EXPECT_EQ(ofRecordless.LoadAll(), 0);
    ofRecordless.Add(new FCArticulation(binding));
    sim.ClearCalls();
    ofRecordless.CreateAll();
    EXPECT_EQ(sim.CallCount("FX_CreateEData"), 0) << "no number to key the records by";
}

}  // namespace
}  // namespace qz::testing
