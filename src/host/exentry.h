// EXENTRY: the host's 146-byte entry record (a note, chord or rest) inside a frame.
//
// Up to twelve NoteRecords follow the header at offset 16. The bytes the plug-in does not use
// (4..7, 140..145) are copied with the record and never read.
#pragma once

#include <cstdint>

#include "host/bytes.h"
#include "host/note_record.h"

namespace qz::host::exentry {

inline constexpr std::size_t kEntryNumber = 0;  // u32, 0 = not numbered yet
inline constexpr std::size_t kFlags = 8;        // u32
inline constexpr std::size_t kExtraFlags = 12;  // u16
inline constexpr std::size_t kNoteCount = 14;   // i16, 0 to 12
inline constexpr std::size_t kNotes = 16;       // 12 x NoteRecord
inline constexpr std::size_t kPosition = 136;   // i32, start of the entry in its measure
inline constexpr std::size_t kSize = 146;
inline constexpr int kMaxNotes = 12;

static_assert(kNotes + kMaxNotes * note_record::kSize == kPosition, "notes end at the position");
static_assert(kSize == 0x92, "an entry record is 146 bytes");

// flags bits with a role in the plug-in.
inline constexpr uint32_t ENTRY_HAS_NOTES = 0x40000000;
inline constexpr uint32_t ENTRY_NO_NOTES_MARK = 0x01000000;  // set by FixUpFrame on a rest
inline constexpr uint32_t ENTRY_HAS_ARTICULATIONS = 0x00200000;
inline constexpr uint32_t ENTRY_HAS_DETAILS = 0x00080000;
// Bits whose meaning is the host's; the plug-in only ever clears them, where said below.
inline constexpr uint32_t ENTRY_BIT22 = 0x00400000;
inline constexpr uint32_t ENTRY_BIT20 = 0x00100000;
inline constexpr uint32_t ENTRY_BIT17 = 0x00020000;
inline constexpr uint32_t ENTRY_BIT14 = 0x00004000;
inline constexpr uint32_t ENTRY_BIT12 = 0x00001000;
inline constexpr uint32_t ENTRY_BIT10 = 0x00000400;
inline constexpr uint32_t ENTRY_BIT7 = 0x00000080;
inline constexpr uint32_t ENTRY_BIT6 = 0x00000040;

// Cleared on an entry that becomes a rest: it has no notes any more, and no articulations (a
// rest in the new rhythm carries none); bits 22 and 12 belong to the notes it had.
inline constexpr uint32_t kRestClearedBits =
    ENTRY_HAS_NOTES | ENTRY_BIT22 | ENTRY_BIT12 | ENTRY_HAS_ARTICULATIONS;

// Cleared on a copy of another entry (CopyFrameEntries). The copy keeps the destination's entry
// number, so it has none of the records attached to the original's number: the articulation
// and detail markers go, with the host's other per-entry markers (bits 22, 20, 17, 14, 12, 10,
// 7 and 6).
inline constexpr uint32_t kCopyClearedBits = ENTRY_HAS_ARTICULATIONS | ENTRY_HAS_DETAILS |
                                             ENTRY_BIT22 | ENTRY_BIT20 | ENTRY_BIT17 | ENTRY_BIT14 |
                                             ENTRY_BIT12 | ENTRY_BIT10 | ENTRY_BIT7 | ENTRY_BIT6;
static_assert(~kCopyClearedBits == 0xFF85AB3Fu, "the copy keeps every other bit");

// extraFlags bits.
inline constexpr uint16_t kExtraOldHostPitches = 0x0004;
inline constexpr uint16_t EXTRA_BIT5 = 0x0020;  // the host's; cleared on a copy like the above
inline constexpr uint16_t kCopyClearedExtraBits = EXTRA_BIT5;

inline uint32_t EntryNumber(const unsigned char* e) { return Load<uint32_t>(e, kEntryNumber); }
inline void SetEntryNumber(unsigned char* e, uint32_t n) { Store(e, kEntryNumber, n); }
inline uint32_t Flags(const unsigned char* e) { return Load<uint32_t>(e, kFlags); }
inline void SetFlags(unsigned char* e, uint32_t f) { Store(e, kFlags, f); }
inline uint16_t ExtraFlags(const unsigned char* e) { return Load<uint16_t>(e, kExtraFlags); }
inline void SetExtraFlags(unsigned char* e, uint16_t f) { Store(e, kExtraFlags, f); }
inline int16_t RawNoteCount(const unsigned char* e) { return Load<int16_t>(e, kNoteCount); }
inline void SetNoteCount(unsigned char* e, int16_t n) { Store(e, kNoteCount, n); }
inline int32_t Position(const unsigned char* e) { return Load<int32_t>(e, kPosition); }
inline void SetPosition(unsigned char* e, int32_t p) { Store(e, kPosition, p); }

// noteCount as a count of records that exist: a stored value outside 0..12 is the host's bad
// data and is clamped, so that no caller indexes past the twelve note records.
inline int NoteCount(const unsigned char* e) {
    int n = RawNoteCount(e);
    return n < 0 ? 0 : (n > kMaxNotes ? kMaxNotes : n);
}

// Note record k (0..11) of an entry; null outside the record.
inline unsigned char* NoteAt(unsigned char* e, int k) {
    if (k < 0 || k >= kMaxNotes) return nullptr;
    return e + kNotes + static_cast<std::size_t>(k) * note_record::kSize;
}
inline const unsigned char* NoteAt(const unsigned char* e, int k) {
    return NoteAt(const_cast<unsigned char*>(e), k);
}

}  // namespace qz::host::exentry
