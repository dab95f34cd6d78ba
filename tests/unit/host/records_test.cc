// Byte layouts of the host records: every accessor against literal byte positions in a raw
// buffer, and the bounds that keep indexes inside the host's arrays.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "host/entry_detail.h"
#include "host/eregion.h"
#include "host/exentry.h"
#include "host/note_record.h"
#include "host/tgf.h"

namespace qz::host {
namespace {

// Writes `value` as `width` little-endian bytes at `at`, byte by byte, without the accessors.
void PutLE(unsigned char* buffer, std::size_t at, uint64_t value, int width) {
    for (int i = 0; i < width; ++i) buffer[at + i] = static_cast<unsigned char>(value >> (8 * i));
}

uint64_t GetLE(const unsigned char* buffer, std::size_t at, int width) {
    uint64_t v = 0;
    for (int i = 0; i < width; ++i) v |= static_cast<uint64_t>(buffer[at + i]) << (8 * i);
    return v;
}

struct ReadCase {
    std::string field;
    std::size_t offset;
    int width;
    uint64_t stored;                                      // the raw bytes written there
    int64_t expected;                                     // what the accessor must return
    std::function<int64_t(const unsigned char*)> read;
};

void CheckReads(const std::vector<ReadCase>& cases, std::size_t recordSize) {
    for (const ReadCase& c : cases) {
        // Odd placement inside a larger buffer: 32- and 64-bit fields end up unaligned.
        std::vector<unsigned char> raw(recordSize + 3, 0);
        unsigned char* record = raw.data() + 1;
        PutLE(record, c.offset, c.stored, c.width);
        EXPECT_EQ(c.read(record), c.expected) << c.field << " at byte " << c.offset;
    }
}

TEST(RecordsTest, FrameHeaderFieldsSitAtTheirBytes) {
    auto frame = [](const unsigned char* r) { return reinterpret_cast<const TGF*>(r); };
    CheckReads(
        {
            {"slotScope", 0, 2, 0xFFFE, 0xFFFE, [&](auto r) { return tgf::SlotScope(frame(r)); }},
            {"slot", 2, 2, 0x8001, 0x8001, [&](auto r) { return tgf::Slot(frame(r)); }},
            {"measure", 6, 2, 0xFFFF, -1, [&](auto r) { return tgf::Measure(frame(r)); }},
            {"layer", 8, 2, 0x0003, 3, [&](auto r) { return tgf::Layer(frame(r)); }},
            {"skipSave", 10, 2, 0x8000, -32768, [&](auto r) { return tgf::SkipSave(frame(r)); }},
            {"entryCount", 22, 2, 0x0102, 0x0102, [&](auto r) { return tgf::StatedEntryCount(frame(r)); }},
            {"detailCount", 32, 2, 0x0007, 7, [&](auto r) { return tgf::StatedDetailCount(frame(r)); }},
        },
        tgf::kHeaderSize);
}

TEST(RecordsTest, FramePointersAreReadFromUnalignedBytes14And24) {
    std::vector<unsigned char> entries(3 * exentry::kSize, 0);
    std::vector<unsigned char> details(2 * entry_detail::kSize, 0);
    for (std::size_t shift = 0; shift < 8; shift += 2) {
        std::vector<unsigned char> raw(tgf::kHeaderSize + 8, 0xCC);
        unsigned char* header = raw.data() + shift;
        PutLE(header, 14, reinterpret_cast<uintptr_t>(entries.data()), 8);
        PutLE(header, 22, 3, 2);
        PutLE(header, 24, reinterpret_cast<uintptr_t>(details.data()), 8);
        PutLE(header, 32, 2, 2);
        const TGF* f = reinterpret_cast<const TGF*>(header);
        EXPECT_EQ(tgf::EntryAt(f, 0), entries.data()) << "shift " << shift;
        EXPECT_EQ(tgf::EntryAt(f, 2), entries.data() + 2 * 146) << "shift " << shift;
        EXPECT_EQ(tgf::DetailAt(f, 0), details.data()) << "shift " << shift;
        EXPECT_EQ(tgf::DetailAt(f, 1), details.data() + 40) << "shift " << shift;
    }
}

TEST(RecordsTest, EntryFieldsSitAtTheirBytes) {
    CheckReads(
        {
            {"entryNumber", 0, 4, 0x80000001, 0x80000001,
             [](auto r) { return exentry::EntryNumber(r); }},
            {"flags", 8, 4, 0xC1280001, 0xC1280001, [](auto r) { return exentry::Flags(r); }},
            {"extraFlags", 12, 2, 0xFFDF, 0xFFDF, [](auto r) { return exentry::ExtraFlags(r); }},
            {"noteCount", 14, 2, 0x0005, 5, [](auto r) { return exentry::NoteCount(r); }},
            {"raw noteCount", 14, 2, 0xFFFF, -1, [](auto r) { return exentry::RawNoteCount(r); }},
            {"position", 136, 4, 0x11223344, 0x11223344,
             [](auto r) { return exentry::Position(r); }},
            {"negative position", 136, 4, 0xFFFFFC00, -1024,
             [](auto r) { return exentry::Position(r); }},
        },
        exentry::kSize);
}

TEST(RecordsTest, EntrySettersWriteOnlyTheirBytes) {
    struct WriteCase {
        std::string field;
        std::size_t offset;
        int width;
        uint64_t expected;
        std::function<void(unsigned char*)> write;
    };
    const std::vector<WriteCase> cases = {
        {"entryNumber", 0, 4, 0x0A0B0C0D, [](auto e) { exentry::SetEntryNumber(e, 0x0A0B0C0D); }},
        {"flags", 8, 4, 0x40000040, [](auto e) { exentry::SetFlags(e, 0x40000040); }},
        {"extraFlags", 12, 2, 0x0024, [](auto e) { exentry::SetExtraFlags(e, 0x0024); }},
        {"noteCount", 14, 2, 0xFFFE, [](auto e) { exentry::SetNoteCount(e, -2); }},
        {"position", 136, 4, 0x55667788, [](auto e) { exentry::SetPosition(e, 0x55667788); }},
    };
    for (const WriteCase& c : cases) {
        std::vector<unsigned char> raw(exentry::kSize + 2, 0xAB);
        unsigned char* entry = raw.data() + 1;
        c.write(entry);
        EXPECT_EQ(GetLE(entry, c.offset, c.width), c.expected) << c.field;
        for (std::size_t i = 0; i < raw.size(); ++i) {
            const std::size_t at = i - 1;  // wraps for the byte before the record
            const bool inField = i >= 1 && at >= c.offset && at < c.offset + c.width;
            if (!inField) {
                EXPECT_EQ(raw[i], 0xAB) << c.field << " touched raw byte " << i;
            }
        }
    }
}

TEST(RecordsTest, NoteRecordsFollowTheEntryHeaderEveryTenBytes) {
    std::vector<unsigned char> raw(exentry::kSize + 1, 0);
    unsigned char* entry = raw.data() + 1;
    for (int k = 0; k < 12; ++k) {
        PutLE(entry, 16 + 10 * k + 4, static_cast<uint64_t>(0x100 + k), 2);
        PutLE(entry, 16 + 10 * k + 6, 0x80000000u | static_cast<uint64_t>(k), 4);
    }
    for (int k = 0; k < 12; ++k) {
        const unsigned char* note = exentry::NoteAt(static_cast<const unsigned char*>(entry), k);
        ASSERT_EQ(note, entry + 16 + 10 * k) << "note " << k;
        EXPECT_EQ(note_record::NoteId(note), 0x100 + k) << "note " << k;
        EXPECT_EQ(note_record::NoteFlags(note), 0x80000000u | static_cast<uint32_t>(k))
            << "note " << k;
    }
    unsigned char* note = exentry::NoteAt(entry, 3);
    note_record::SetNoteId(note, -7);
    note_record::SetNoteFlags(note, 0x001F0000);
    EXPECT_EQ(GetLE(entry, 16 + 30 + 4, 2), 0xFFF9u);
    EXPECT_EQ(GetLE(entry, 16 + 30 + 6, 4), 0x001F0000u);
}

TEST(RecordsTest, NoteIndexesOutsideTheTwelveRecordsGiveNull) {
    unsigned char entry[exentry::kSize] = {};
    for (int k : {-1, 12, 13, 1000, -32768}) EXPECT_EQ(exentry::NoteAt(entry, k), nullptr) << k;
    EXPECT_NE(exentry::NoteAt(entry, 11), nullptr);
}

TEST(RecordsTest, NoteCountOutsideZeroToTwelveIsClamped) {
    struct Case {
        int16_t stored;
        int expected;
    };
    for (Case c : {Case{0, 0}, Case{12, 12}, Case{13, 12}, Case{32767, 12}, Case{-1, 0},
                   Case{-32768, 0}, Case{7, 7}}) {
        unsigned char entry[exentry::kSize] = {};
        PutLE(entry, 14, static_cast<uint16_t>(c.stored), 2);
        EXPECT_EQ(exentry::NoteCount(entry), c.expected) << "stored " << c.stored;
    }
}

TEST(RecordsTest, DetailFieldsSitAtTheirBytes) {
    CheckReads(
        {
            {"entry index", 0, 2, 0xFFFF, -1, [](auto r) { return entry_detail::EntryIndex(r); }},
            {"sub-index", 4, 2, 0x0002, 2, [](auto r) { return entry_detail::SubIndex(r); }},
        },
        entry_detail::kSize);
    EXPECT_EQ(entry_detail::kPayload, 10u);
    EXPECT_EQ(entry_detail::kPayloadSize, 30u);
}

TEST(RecordsTest, RegionEndPointsSitAtTheirBytes) {
    unsigned char region[20];
    for (int i = 0; i < 20; ++i) region[i] = static_cast<unsigned char>(i + 1);
    EXPECT_EQ(Load<int16_t>(region, eregion::kStartSlotScope), 0x0201);
    EXPECT_EQ(Load<int16_t>(region, eregion::kStartSlot), 0x0403);
    EXPECT_EQ(Load<int16_t>(region, eregion::kStartMeasure), 0x0605);
    EXPECT_EQ(Load<int32_t>(region, eregion::kStartPosition), 0x0A090807);
    EXPECT_EQ(Load<int16_t>(region, eregion::kEndSlotScope), 0x0C0B);
    EXPECT_EQ(Load<int16_t>(region, eregion::kEndSlot), 0x0E0D);
    EXPECT_EQ(Load<int16_t>(region, eregion::kEndMeasure), 0x100F);
    EXPECT_EQ(Load<int32_t>(region, eregion::kEndPosition), 0x14131211);
}

// A frame header in test memory with the given counts and arrays.
struct RawFrame {
    unsigned char header[tgf::kHeaderSize + 6] = {};
    RawFrame(void* entries, int16_t entryCount, void* details, int16_t detailCount) {
        PutLE(header, 14, reinterpret_cast<uintptr_t>(entries), 8);
        PutLE(header, 22, static_cast<uint16_t>(entryCount), 2);
        PutLE(header, 24, reinterpret_cast<uintptr_t>(details), 8);
        PutLE(header, 32, static_cast<uint16_t>(detailCount), 2);
    }
    const TGF* Get() const { return reinterpret_cast<const TGF*>(header); }
};

TEST(RecordsTest, EntryAndDetailIndexesOutsideTheCountsGiveNull) {
    std::vector<unsigned char> entries(2 * exentry::kSize);
    std::vector<unsigned char> details(3 * entry_detail::kSize);
    RawFrame frame(entries.data(), 2, details.data(), 3);
    const TGF* f = frame.Get();
    for (int i : {-1, 2, 3, 32767, -32768}) EXPECT_EQ(tgf::EntryAt(f, i), nullptr) << i;
    for (int d : {-1, 3, 4, 32767}) EXPECT_EQ(tgf::DetailAt(f, d), nullptr) << d;
    EXPECT_EQ(tgf::EntryAt(f, 1), entries.data() + 146);
    EXPECT_EQ(tgf::DetailAt(f, 2), details.data() + 80);
    EXPECT_EQ(tgf::IndexOfEntry(f, entries.data() + 146), 1);
    EXPECT_EQ(tgf::IndexOfEntry(f, entries.data() + 1), -1);
    EXPECT_EQ(tgf::IndexOfEntry(f, entries.data() + 2 * 146), -1);
}

TEST(RecordsTest, NegativeCountsMeanNoRecords) {
    std::vector<unsigned char> entries(exentry::kSize);
    std::vector<unsigned char> details(entry_detail::kSize);
    RawFrame frame(entries.data(), -1, details.data(), -32768);
    const TGF* f = frame.Get();
    EXPECT_EQ(tgf::EntryCount(f), 0);
    EXPECT_EQ(tgf::DetailCount(f), 0);
    EXPECT_EQ(tgf::EntryAt(f, 0), nullptr);
    EXPECT_EQ(tgf::DetailAt(f, 0), nullptr);
    EXPECT_EQ(tgf::IndexOfEntry(f, entries.data()), -1);
}

TEST(RecordsTest, CountsWithoutArraysGiveNoRecords) {
    RawFrame frame(nullptr, 4, nullptr, 2);
    const TGF* f = frame.Get();
    EXPECT_EQ(tgf::EntryAt(f, 0), nullptr);
    EXPECT_EQ(tgf::DetailAt(f, 0), nullptr);
}

}  // namespace
}  // namespace qz::host
