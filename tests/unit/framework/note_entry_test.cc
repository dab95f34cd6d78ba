// One note entry over a record of its own: note objects built from the record, counts clamped
// into the twelve note records, donors taken over byte for byte, articulations owned, and notes
// that need no memory of their own.
#include "framework/note_entry.h"

#include <gtest/gtest.h>

#include <array>

#include "allocation_hook.h"
#include "framework/articulations.h"
#include "host/exentry.h"
#include "hostsim/sim_host.h"
#include "host/binding.h"

namespace qz {
namespace {

namespace ex = host::exentry;
using Record = std::array<unsigned char, ex::kSize>;

Record WithNotes(int count, unsigned char fill) {
    Record record{};
    ex::SetNoteCount(record.data(), static_cast<int16_t>(count));
    for (int k = 0; k < ex::kMaxNotes; ++k) ex::NoteAt(record.data(), k)[0] = static_cast<unsigned char>(fill + k);
    return record;
}

TEST(NoteEntryTest, NoteCountsStayInsideTheTwelveRecords) {
    Record record = WithNotes(3, 0x10);
    FCNoteEntry entry(host::EntryRef(record.data()), nullptr, 1, 11);
    entry.SetNoteCount(-4);
    EXPECT_EQ(entry.GetNoteCount(), 0);
    entry.SetNoteCount(40);
    EXPECT_EQ(entry.GetNoteCount(), 12);
    ex::SetNoteCount(record.data(), 300);  // the host's bad data
    entry.BuildNotes();
    EXPECT_EQ(entry.GetCount(), 12) << "never a note object past the twelfth record";
    EXPECT_EQ(entry.GetNoteAt(11)->GetNoteFlags(), host::note_record::NoteFlags(ex::NoteAt(record.data(), 11)));
}

TEST(NoteEntryTest, AnEntryWithoutARecordHasNothing) {
    FCNoteEntry bare(host::EntryRef(), nullptr, 1, 11);
    bare.BuildNotes();
    EXPECT_EQ(bare.GetCount(), 0);
    EXPECT_EQ(bare.GetEntryNumber(), 0u);
    Record donor = WithNotes(2, 0x20);
    FCNoteEntry full(host::EntryRef(donor.data()), nullptr, 1, 11);
    bare.CopyNotesFrom(full);  // nowhere to copy to
    EXPECT_EQ(bare.GetCount(), 0);
    full.CopyNotesFrom(bare);  // nothing to copy from: unchanged
    EXPECT_EQ(ex::RawNoteCount(donor.data()), 2);
}

TEST(NoteEntryTest, CopyNotesTakesTheDonorsRecordsAndKeepsTheRest) {
    Record mine = WithNotes(4, 0x40);
    Record theirs = WithNotes(2, 0x80);
    FCNoteEntry entry(host::EntryRef(mine.data()), nullptr, 1, 11);
    FCNoteEntry donor(host::EntryRef(theirs.data()), nullptr, 1, 12);
    entry.CopyNotesFrom(donor);
    EXPECT_EQ(entry.GetNoteCount(), 2);
    EXPECT_EQ(entry.GetCount(), 2);
    EXPECT_EQ(ex::NoteAt(mine.data(), 1)[0], 0x81);
    EXPECT_EQ(ex::NoteAt(mine.data(), 2)[0], 0x42) << "records past the donor's count stay";
}

TEST(NoteEntryTest, ArticulationsAreBorrowedAndReplaced) {
    Record record = WithNotes(1, 0);
    hostsim::SimHost sim;
    host::HostBinding binding(sim);
    FCArticulations first(binding, nullptr), second(binding, nullptr);  // outlive the entry
    {
        FCNoteEntry entry(host::EntryRef(record.data()), nullptr, 1, 11);
        entry.AttachArticulations(&first);
        EXPECT_EQ(entry.GetArticulations(), &first);
        entry.AttachArticulations(&second);
        EXPECT_EQ(entry.GetArticulations(), &second);
        entry.AttachArticulations(nullptr);
        EXPECT_EQ(entry.GetArticulations(), nullptr);
        entry.AttachArticulations(&first);
    }  // the entry lets go of them without deleting: deleting these would crash
}

TEST(NoteEntryTest, NotesAreBuiltWithoutAllocating) {
    Record record = WithNotes(12, 0);
    FCNoteEntry entry(host::EntryRef(record.data()), nullptr, 1, 11);
    {
        allocation_hook::ScopedFailure failing(1, /*persistent=*/true);
        entry.BuildNotes();
        EXPECT_EQ(failing.Seen(), 0) << "the notes live inside the entry";
    }
    EXPECT_EQ(entry.GetCount(), 12) << "never a chord cut short";
    for (int k = 0; k < 12; ++k) EXPECT_EQ(entry.GetNoteAt(k)->GetNoteFlags(), 0u) << k;
}

}  // namespace
}  // namespace qz
