// Typed handles on host records: a handle reads and writes its record's fields, an empty handle
// reads as zero (detail indexes as -1) and ignores every write, and a frame hands out handles
// only for the records it holds.
#include "host/record_refs.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace qz::host {
namespace {

TEST(RecordRefsTest, AnEmptyHandleReadsZeroAndIgnoresWrites) {
    const EntryRef none;
    EXPECT_FALSE(none);
    none.SetEntryNumber(5);
    none.SetFlags(5);
    none.SetExtraFlags(5);
    none.SetNoteCount(5);
    EXPECT_EQ(none.EntryNumber(), 0u);
    EXPECT_EQ(none.Flags(), 0u);
    EXPECT_EQ(none.ExtraFlags(), 0);
    EXPECT_EQ(none.Position(), 0);
    EXPECT_EQ(none.NoteCount(), 0);
    EXPECT_FALSE(none.NoteAt(0)) << "no record, no notes";

    const NoteRef noNote;
    noNote.SetNoteFlags(7);
    EXPECT_EQ(noNote.NoteFlags(), 0u);
    EXPECT_EQ(noNote.NoteId(), 0);

    const DetailRef noDetail;
    EXPECT_FALSE(noDetail);
    EXPECT_EQ(noDetail.EntryIndex(), -1);
    EXPECT_EQ(noDetail.SubIndex(), -1);
    EXPECT_EQ(noDetail.Payload(), nullptr);

    std::array<unsigned char, exentry::kSize> record{};
    const EntryRef entry(record.data());
    entry.CopyNotesFrom(none);  // nothing to take
    none.CopyNotesFrom(entry);  // nowhere to put it
    EXPECT_EQ(entry.NoteCount(), 0);
}

TEST(RecordRefsTest, AHandleReadsAndWritesItsRecord) {
    std::array<unsigned char, exentry::kSize> record{}, donor{};
    const EntryRef entry(record.data());
    entry.SetEntryNumber(41);
    entry.SetFlags(0x40000000);
    entry.SetExtraFlags(4);
    exentry::SetPosition(record.data(), 2048);
    EXPECT_EQ(exentry::EntryNumber(record.data()), 41u);
    EXPECT_EQ(entry.Flags(), 0x40000000u);
    EXPECT_EQ(entry.ExtraFlags(), 4);
    EXPECT_EQ(entry.Position(), 2048);
    entry.SetNoteCount(-3);
    EXPECT_EQ(entry.NoteCount(), 0);
    entry.SetNoteCount(30);
    EXPECT_EQ(entry.NoteCount(), 12) << "counts are kept inside the twelve records";

    const EntryRef from(donor.data());
    from.SetNoteCount(2);
    note_record::SetNoteId(exentry::NoteAt(donor.data(), 1), 9);
    entry.CopyNotesFrom(from);
    EXPECT_EQ(entry.NoteCount(), 2);
    EXPECT_EQ(entry.NoteAt(1).NoteId(), 9);
    entry.NoteAt(1).SetNoteFlags(0x00090000);
    EXPECT_EQ(note_record::NoteFlags(exentry::NoteAt(record.data(), 1)), 0x00090000u);
    EXPECT_FALSE(entry.NoteAt(12)) << "past the twelfth note record";
}

TEST(RecordRefsTest, FramesHandOutHandlesOnlyForTheirRecords) {
    std::vector<unsigned char> entries(2 * exentry::kSize), details(entry_detail::kSize);
    Store<int16_t>(details.data(), entry_detail::kEntryIndex, 1);
    Store<int16_t>(details.data(), entry_detail::kSubIndex, 3);
    std::array<unsigned char, tgf::kHeaderSize> header{};
    StorePointer(header.data(), tgf::kEntries, entries.data());
    Store<int16_t>(header.data(), tgf::kEntryCount, 2);
    StorePointer(header.data(), tgf::kDetails, details.data());
    Store<int16_t>(header.data(), tgf::kDetailCount, 1);
    const auto* frame = reinterpret_cast<const TGF*>(header.data());

    EXPECT_EQ(tgf::IndexOf(frame, tgf::EntryRefAt(frame, 1)), 1);
    EXPECT_FALSE(tgf::EntryRefAt(frame, 2)) << "outside the frame";
    std::array<unsigned char, exentry::kSize> elsewhere{};
    EXPECT_EQ(tgf::IndexOf(frame, EntryRef(elsewhere.data())), -1) << "not one of its records";
    const DetailRef detail = tgf::DetailRefAt(frame, 0);
    EXPECT_EQ(detail.EntryIndex(), 1);
    EXPECT_EQ(detail.SubIndex(), 3);
    EXPECT_EQ(detail.Payload(), details.data() + entry_detail::kPayload);
    EXPECT_FALSE(tgf::DetailRefAt(frame, 1));
}

}  // namespace
}  // namespace qz::host
