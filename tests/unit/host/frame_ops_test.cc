// FixUpFrame on frames built in test memory (heap arrays of exactly the entries they hold, so
// AddressSanitizer sees any write past them) and CopyFrameEntries against the simulated host.
#include "host/frame_ops.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "host/binding.h"
#include "host/late_bound_host.h"
#include "host/exentry.h"
#include "host/note_record.h"
#include "host/tgf.h"
#include "hostsim/sim_host.h"
#include "hostsim/stand_in_install.h"
#include "platform/native_stand_in.h"

namespace qz::host {
namespace {

using Bytes = std::vector<unsigned char>;

// A frame header with a heap array of exactly `allocated` entries and a declared count.
class HeapFrame {
public:
    explicit HeapFrame(int allocated, int16_t declaredCount)
        : entries_(new unsigned char[static_cast<std::size_t>(allocated) * exentry::kSize]),
          allocated_(allocated) {
        std::memset(entries_.get(), 0, static_cast<std::size_t>(allocated) * exentry::kSize);
        std::memset(header_, 0, sizeof header_);
        StorePointer(header_, tgf::kEntries, entries_.get());
        Store<int16_t>(header_, tgf::kEntryCount, declaredCount);
    }
    TGF* Get() { return reinterpret_cast<TGF*>(header_); }
    unsigned char* Entry(int i) { return entries_.get() + static_cast<std::size_t>(i) * exentry::kSize; }
    Bytes EntryBytes(int i) { return Bytes(Entry(i), Entry(i) + exentry::kSize); }
    Bytes HeaderBytes() const { return Bytes(header_, header_ + sizeof header_); }
    int Allocated() const { return allocated_; }

private:
    unsigned char header_[tgf::kHeaderSize + 6];
    std::unique_ptr<unsigned char[]> entries_;
    int allocated_;
};

// Gives an entry `ids.size()` notes with these ids, distinct note data and `noteFlags`.
void SetNotes(unsigned char* entry, const std::vector<int16_t>& ids, uint32_t noteFlags) {
    exentry::SetNoteCount(entry, static_cast<int16_t>(ids.size()));
    for (std::size_t k = 0; k < ids.size() && k < 12; ++k) {
        unsigned char* note = exentry::NoteAt(entry, static_cast<int>(k));
        for (int b = 0; b < 4; ++b) note[b] = static_cast<unsigned char>(0x10 * (k + 1) + b);
        note_record::SetNoteId(note, ids[k]);
        note_record::SetNoteFlags(note, noteFlags);
    }
}

std::vector<int16_t> NoteIds(const unsigned char* entry) {
    std::vector<int16_t> ids;
    for (int k = 0; k < exentry::NoteCount(entry); ++k)
        ids.push_back(note_record::NoteId(exentry::NoteAt(entry, k)));
    return ids;
}

std::string Show(const std::vector<int16_t>& ids) {
    std::string s;
    for (int16_t id : ids) s += std::to_string(id) + " ";
    return s;
}

// The entry's bytes outside the notes area and the noteCount / flags fields.
Bytes OuterBytes(const unsigned char* entry) {
    Bytes b(entry + 0, entry + 8);
    b.insert(b.end(), entry + 12, entry + 14);
    b.insert(b.end(), entry + 136, entry + 146);
    return b;
}

void FillOuterFields(unsigned char* entry) {
    exentry::SetEntryNumber(entry, 0x01020304);
    for (int b = 4; b < 8; ++b) entry[b] = static_cast<unsigned char>(0xA0 + b);
    exentry::SetFlags(entry, 0x40000000);
    exentry::SetExtraFlags(entry, 0x1234);
    exentry::SetPosition(entry, 2048);
    for (int b = 140; b < 146; ++b) entry[b] = static_cast<unsigned char>(0xB0 + b - 140);
}

TEST(FixUpFrameTest, NoteIdsBecomeNonZeroAndDistinct) {
    struct Case {
        std::vector<int16_t> in;
        std::vector<int16_t> out;
    };
    const std::vector<Case> cases = {
        {{2, 0, 2}, {3, 4, 2}},    {{0, 0}, {1, 2}},       {{3, 3}, {4, 3}},
        {{5, 5, 5}, {6, 7, 5}},    {{1, 2, 3}, {1, 2, 3}}, {{0}, {1}},
        {{-3, 0}, {-3, 1}},        {{-1, -1}, {1, -1}},    {{4, 0, 4, 0}, {5, 6, 4, 7}},
        {{7, 2, 7, 2}, {8, 9, 7, 2}},
        // New ids are stored as 16 bits.
        {{32767, 0}, {32767, -32768}},
    };
    for (const Case& c : cases) {
        HeapFrame frame(1, 1);
        SetNotes(frame.Entry(0), c.in, 0);
        FixUpFrame(frame.Get());
        EXPECT_EQ(NoteIds(frame.Entry(0)), c.out)
            << "ids " << Show(c.in) << "became " << Show(NoteIds(frame.Entry(0)));
        // The flags carry the renumbered ids.
        for (std::size_t k = 0; k < c.out.size(); ++k) {
            const uint32_t flags = note_record::NoteFlags(exentry::NoteAt(frame.Entry(0), static_cast<int>(k)));
            EXPECT_EQ(flags >> 16 & 0x1F, static_cast<uint32_t>(c.out[k] & 0x1F)) << "ids " << Show(c.in) << "note " << k;
        }
    }
}

TEST(FixUpFrameTest, NoteFlagsCarryTheLowFiveBitsOfTheId) {
    struct Case {
        int16_t id;
        uint32_t flagsIn;
        uint32_t flagsOut;
    };
    const Case cases[] = {
        {37, 0xA5A5A5A5, (0xA5A5A5A5 & 0xFFE0FFFF) | (5u << 16)},
        {37, 0x00000000, 5u << 16},
        {31, 0xFFFFFFFF, 0xFFFFFFFF},
        {32, 0xFFFFFFFF, 0xFFE0FFFF},
        {-1, 0x80000001, 0x801F0001},
        {6, 0x001F0000, 0x00060000},
    };
    for (const Case& c : cases) {
        HeapFrame frame(1, 1);
        SetNotes(frame.Entry(0), {c.id}, c.flagsIn);
        FixUpFrame(frame.Get());
        const uint32_t got = note_record::NoteFlags(exentry::NoteAt(frame.Entry(0), 0));
        EXPECT_EQ(got, c.flagsOut) << "id " << c.id << " flags " << std::hex << c.flagsIn
                                   << " became " << got;
    }
}

TEST(FixUpFrameTest, NoteRecordsPastTheCountAreZeroedAndAnEntryWithoutNotesGetsAPlaceholder) {
    for (int count : {0, 3, 12}) {
        HeapFrame frame(1, 1);
        unsigned char* entry = frame.Entry(0);
        FillOuterFields(entry);
        std::memset(entry + exentry::kNotes, 0x77, 12 * note_record::kSize);
        std::vector<int16_t> ids;
        for (int16_t id = 1; id <= count; ++id) ids.push_back(id);
        SetNotes(entry, ids, 0);
        for (int k = 0; k < count; ++k)  // flags that already carry their ids
            note_record::SetNoteFlags(exentry::NoteAt(entry, k), 0x40000000u | (static_cast<uint32_t>(k + 1) << 16));
        // Used notes and everything outside the notes stay; the records past them are zeroed.
        Bytes expected = frame.EntryBytes(0);
        std::fill(expected.begin() + 16 + 10 * std::max(count, 1), expected.begin() + 136, 0);
        if (count == 0) {  // one placeholder note: noteFlags 0x80000000, little-endian at bytes 6..9
            std::fill(expected.begin() + 16, expected.begin() + 26, 0);
            expected[16 + 9] = 0x80;
            exentry::SetNoteCount(expected.data(), 1);
            exentry::SetFlags(expected.data(), 0x41000000);
        }
        FixUpFrame(frame.Get());
        EXPECT_EQ(frame.EntryBytes(0), expected) << count << " notes";
    }
}

TEST(FixUpFrameTest, NoteCountsOutsideTheRecordStayInsideIt) {
    struct Case {
        int16_t stored;
        int16_t after;
    };
    for (Case c : {Case{-1, 1}, Case{-32768, 1}, Case{13, 12}, Case{32767, 12}}) {
        // One entry in an array of exactly one: AddressSanitizer reports any byte past it.
        HeapFrame exact(1, 1);
        unsigned char* entry = exact.Entry(0);
        FillOuterFields(entry);
        std::vector<int16_t> ids(12, 3);
        SetNotes(entry, ids, 0);
        exentry::SetNoteCount(entry, c.stored);
        const Bytes outer = OuterBytes(entry);
        FixUpFrame(exact.Get());
        EXPECT_EQ(exentry::RawNoteCount(entry), c.after) << "stored " << c.stored;
        EXPECT_EQ(OuterBytes(entry), outer) << "stored " << c.stored << ": position or tail changed";
        const std::vector<int16_t> fixed = NoteIds(entry);
        for (std::size_t j = 0; j < fixed.size(); ++j)
            for (std::size_t k = j + 1; k < fixed.size(); ++k)
                EXPECT_NE(fixed[j], fixed[k]) << "stored " << c.stored << ": ids " << Show(fixed);

        // A neighbouring record that the frame does not count is not touched.
        HeapFrame wider(2, 1);
        SetNotes(wider.Entry(0), ids, 0);
        exentry::SetNoteCount(wider.Entry(0), c.stored);
        std::memset(wider.Entry(1), 0x5C, exentry::kSize);
        FixUpFrame(wider.Get());
        EXPECT_EQ(wider.EntryBytes(1), Bytes(exentry::kSize, 0x5C)) << "stored " << c.stored;
    }
}

TEST(FixUpFrameTest, FramesWithoutEntriesAreLeftAlone) {
    for (int16_t count : {int16_t{0}, int16_t{-1}, int16_t{-32768}}) {
        HeapFrame frame(2, count);
        std::memset(frame.Entry(0), 0x3C, 2 * exentry::kSize);
        const Bytes header = frame.HeaderBytes();
        FixUpFrame(frame.Get());
        EXPECT_EQ(frame.EntryBytes(0), Bytes(exentry::kSize, 0x3C)) << "count " << count;
        EXPECT_EQ(frame.EntryBytes(1), Bytes(exentry::kSize, 0x3C)) << "count " << count;
        EXPECT_EQ(frame.HeaderBytes(), header) << "count " << count;
    }
    FixUpFrame(nullptr);
    unsigned char header[tgf::kHeaderSize] = {};
    Store<int16_t>(header, tgf::kEntryCount, 5);  // a count without an array
    FixUpFrame(reinterpret_cast<TGF*>(header));
    EXPECT_EQ(Load<int16_t>(header, tgf::kEntryCount), 5);
}

TEST(FixUpFrameTest, EveryCountedEntryIsFixedAndTheHeaderIsNot) {
    HeapFrame frame(3, 3);
    SetNotes(frame.Entry(0), {}, 0);
    SetNotes(frame.Entry(1), {2, 2}, 0);
    SetNotes(frame.Entry(2), {0, 9, 0}, 0);
    Store<int16_t>(frame.Get(), tgf::kMeasure, 4);
    Store<int16_t>(frame.Get(), tgf::kDetailCount, 2);
    const Bytes header = frame.HeaderBytes();
    FixUpFrame(frame.Get());
    EXPECT_EQ(NoteIds(frame.Entry(0)), (std::vector<int16_t>{0}));
    EXPECT_EQ(note_record::NoteFlags(exentry::NoteAt(frame.Entry(0), 0)), 0x80000000u);
    EXPECT_EQ(NoteIds(frame.Entry(1)), (std::vector<int16_t>{3, 2}));
    EXPECT_EQ(NoteIds(frame.Entry(2)), (std::vector<int16_t>{10, 9, 11}));
    EXPECT_EQ(frame.HeaderBytes(), header);
}

// ---- CopyFrameEntries against the simulated host -----------------------------------------------

// What the host saw at each insert and delete: the count and the destination's entries.
struct ResizeSeen {
    std::string function;
    uint16_t where;
    uint16_t count;
    std::vector<Bytes> entriesBefore;
    std::vector<uint32_t> numbersAfter;  // entry numbers the host left in the frame
};
std::vector<ResizeSeen>& Seen() {
    static std::vector<ResizeSeen> seen;
    return seen;
}

std::vector<Bytes> EntriesOf(const TGF* frame) {
    std::vector<Bytes> out;
    for (int i = 0; i < tgf::EntryCount(frame); ++i) {
        const unsigned char* e = tgf::EntryAt(frame, i);
        out.emplace_back(e, e + exentry::kSize);
    }
    return out;
}

std::vector<uint32_t> NumbersOf(const TGF* frame) {
    std::vector<uint32_t> out;
    for (int i = 0; i < tgf::EntryCount(frame); ++i) out.push_back(exentry::EntryNumber(tgf::EntryAt(frame, i)));
    return out;
}

int16_t WatchedInsert(TGF* frame, uint16_t where, uint16_t count, uint32_t version) {
    ResizeSeen seen{"insert", where, count, EntriesOf(frame), {}};
    const int16_t result = hostsim::SimHost::Current()->InsertEXENTRY(frame, where, count, version);
    seen.numbersAfter = NumbersOf(frame);
    Seen().push_back(seen);
    return result;
}

int16_t WatchedDelete(TGF* frame, uint16_t where, uint16_t count, uint32_t version) {
    ResizeSeen seen{"delete", where, count, EntriesOf(frame), {}};
    const int16_t result = hostsim::SimHost::Current()->DeleteEXENTRY(frame, where, count, version);
    seen.numbersAfter = NumbersOf(frame);
    Seen().push_back(seen);
    return result;
}

class CopyFrameEntriesTest : public ::testing::Test {
protected:
    void SetUp() override {
        hostsim::Document& doc = sim_.AddDocument();
        slot_ = doc.AddStaff(1);
        doc.SetMeasureCount(3);
        hostsim::WriteMeasure(doc, 1, 1, 0, "C4/4 D4+F4/4 r/4 G4/4");
        hostsim::WriteMeasure(doc, 1, 2, 0, "A4/2 B4/2");
        // Measure 3 stays empty.
        hostsim::InstallInStandIn(sim_);
        platform::ModuleHandle module = platform::stand_in::AddModule("FINALE.EXE");
        platform::stand_in::AddProcedure(module, "FX_InsertEXENTRY",
                                         reinterpret_cast<platform::ProcAddress>(&WatchedInsert));
        platform::stand_in::AddProcedure(module, "FX_DeleteEXENTRY",
                                         reinterpret_cast<platform::ProcAddress>(&WatchedDelete));
        Seen().clear();
    }
    void TearDown() override {
        for (TGF* f : frames_) binding_.FreeTGF(f);
        sim_.CheckNoLeaks();
        EXPECT_TRUE(sim_.Violations().empty()) << sim_.Violations().front();
        platform::stand_in::Reset();
    }
    TGF* LoadFrame(int measure) {
        TGF* f = binding_.LoadTGF(0, slot_, measure, 0, 1);
        if (f != nullptr) frames_.push_back(f);
        return f;
    }

    hostsim::SimHost sim_;
    LateBoundHost real_;  // through the stand-in, so that the watched functions are met
    HostBinding binding_{real_};
    int slot_ = 0;
    std::vector<TGF*> frames_;
};

// The flag bits a copy drops: the markers of data attached to the source entry's number, and
// the others the host must recompute.
constexpr uint32_t kDroppedFlags[] = {0x00400000, 0x00200000, 0x00100000, 0x00080000, 0x00020000,
                                      0x00004000, 0x00001000, 0x00000400, 0x00000080, 0x00000040};
constexpr uint16_t kDroppedExtraFlags = 0x0020;

TEST_F(CopyFrameEntriesTest, CopiesEveryEntryKeepingTheInsertedNumbersAndMaskingFlags) {
    TGF* source = LoadFrame(1);
    TGF* destination = LoadFrame(2);
    ASSERT_NE(source, nullptr);
    ASSERT_NE(destination, nullptr);
    ASSERT_EQ(tgf::EntryCount(source), 4);
    ASSERT_EQ(tgf::EntryCount(destination), 2);
    // All flag bits on the first entry, none on the second.
    exentry::SetFlags(tgf::EntryAt(source, 0), 0xFFFFFFFF);
    exentry::SetExtraFlags(tgf::EntryAt(source, 0), 0xFFFF);
    exentry::SetFlags(tgf::EntryAt(source, 1), 0);
    exentry::SetExtraFlags(tgf::EntryAt(source, 1), 0);
    // A destination entry that needs fixing up before the host sees it.
    exentry::SetNoteCount(tgf::EntryAt(destination, 1), 0);
    const std::vector<Bytes> sourceBefore = EntriesOf(source);

    EXPECT_EQ(CopyFrameEntries(binding_, source, destination), 4);

    ASSERT_EQ(Seen().size(), 2u);
    EXPECT_EQ(Seen()[0].function, "delete");
    EXPECT_EQ(Seen()[0].where, 0);
    EXPECT_EQ(Seen()[0].count, 2);
    ASSERT_EQ(Seen()[0].entriesBefore.size(), 2u);
    EXPECT_EQ(Load<int16_t>(Seen()[0].entriesBefore[1].data(), exentry::kNoteCount), 1)
        << "the host received an entry without its placeholder note";
    EXPECT_EQ(Seen()[1].function, "insert");
    EXPECT_EQ(Seen()[1].where, 0);
    EXPECT_EQ(Seen()[1].count, 4);
    EXPECT_TRUE(Seen()[1].entriesBefore.empty());
    const std::vector<uint32_t> inserted = Seen()[1].numbersAfter;
    ASSERT_EQ(inserted.size(), 4u);

    uint32_t kept = 0xFFFFFFFF;
    for (uint32_t bit : kDroppedFlags) kept &= ~bit;
    ASSERT_EQ(tgf::EntryCount(destination), 4);
    for (int i = 0; i < 4; ++i) {
        const unsigned char* got = tgf::EntryAt(destination, i);
        const unsigned char* from = sourceBefore[static_cast<std::size_t>(i)].data();
        EXPECT_EQ(exentry::EntryNumber(got), inserted[static_cast<std::size_t>(i)]) << "entry " << i;
        EXPECT_EQ(exentry::Flags(got), exentry::Flags(from) & kept) << "entry " << i;
        EXPECT_EQ(exentry::ExtraFlags(got), exentry::ExtraFlags(from) & ~kDroppedExtraFlags & 0xFFFF)
            << "entry " << i;
        EXPECT_EQ(Bytes(got + 4, got + 8), Bytes(from + 4, from + 8)) << "entry " << i;
        EXPECT_EQ(Bytes(got + 14, got + 146), Bytes(from + 14, from + 146))
            << "entry " << i << ": notes, count or position differ";
    }
    EXPECT_EQ(exentry::Flags(tgf::EntryAt(destination, 0)), 0xFF85AB3Fu);
    EXPECT_EQ(exentry::ExtraFlags(tgf::EntryAt(destination, 0)), 0xFFDF);
    EXPECT_EQ(exentry::Flags(tgf::EntryAt(destination, 1)), 0u);
    EXPECT_EQ(EntriesOf(source), sourceBefore) << "the source frame changed";
}

TEST_F(CopyFrameEntriesTest, AnEmptySourceLeavesTheDestinationWithoutEntries) {
    TGF* source = LoadFrame(3);
    TGF* destination = LoadFrame(2);
    ASSERT_NE(source, nullptr);
    ASSERT_NE(destination, nullptr);
    ASSERT_EQ(tgf::EntryCount(source), 0);
    EXPECT_EQ(CopyFrameEntries(binding_, source, destination), 0);
    EXPECT_EQ(tgf::EntryCount(destination), 0);
    ASSERT_EQ(Seen().size(), 2u);
    EXPECT_EQ(Seen()[0].count, 2);
    EXPECT_EQ(Seen()[1].count, 0);
}

TEST_F(CopyFrameEntriesTest, AShortInsertNeverWritesPastTheHostsArray) {
    for (int shortBy : {1, 3, 4}) {
        sim_.ClearFaults();
        hostsim::Fault fault;
        fault.function = "FX_InsertEXENTRY";
        fault.shortBy = shortBy;
        fault.nth = 1;  // the next insert
        sim_.AddFault(fault);
        TGF* source = LoadFrame(1);
        TGF* destination = LoadFrame(2);
        ASSERT_NE(source, nullptr);
        ASSERT_NE(destination, nullptr);
        const int copied = CopyFrameEntries(binding_, source, destination);
        EXPECT_EQ(copied, 4 - shortBy) << "short by " << shortBy;
        EXPECT_EQ(tgf::EntryCount(destination), 4 - shortBy) << "short by " << shortBy;
        for (int i = 0; i < copied; ++i)
            EXPECT_EQ(exentry::Position(tgf::EntryAt(destination, i)),
                      exentry::Position(tgf::EntryAt(source, i)))
                << "short by " << shortBy << ", entry " << i;
        EXPECT_TRUE(sim_.Violations().empty()) << "short by " << shortBy << ": " << sim_.Violations().front();
    }
}

TEST_F(CopyFrameEntriesTest, ARefusedDeleteLeavesTheNumberedEntriesUntouched) {
    hostsim::Fault fault;
    fault.function = "FX_DeleteEXENTRY";
    fault.nth = 1;
    sim_.AddFault(fault);
    TGF* source = LoadFrame(1);
    TGF* destination = LoadFrame(2);
    ASSERT_NE(source, nullptr);
    ASSERT_NE(destination, nullptr);
    const std::vector<Bytes> before = EntriesOf(destination);
    EXPECT_EQ(CopyFrameEntries(binding_, source, destination), 0);
    EXPECT_EQ(EntriesOf(destination), before);
    ASSERT_EQ(Seen().size(), 1u) << "nothing may be inserted beside the survivors";
}

TEST_F(CopyFrameEntriesTest, NullFramesAreLeftAlone) {
    TGF* frame = LoadFrame(1);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(CopyFrameEntries(binding_, nullptr, frame), 0);
    EXPECT_EQ(CopyFrameEntries(binding_, frame, nullptr), 0);
    EXPECT_TRUE(Seen().empty());
    EXPECT_EQ(tgf::EntryCount(frame), 4);
}

}  // namespace
}  // namespace qz::host
