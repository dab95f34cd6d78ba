// NoteRecord: one 10-byte note inside an EXENTRY.
//
// noteData (4 bytes) is never interpreted by the plug-in; it travels with the record.
#pragma once

#include <cstdint>

#include "host/bytes.h"

namespace qz::host::note_record {

inline constexpr std::size_t kNoteData = 0;   // 4 bytes, opaque
inline constexpr std::size_t kNoteId = 4;     // i16
inline constexpr std::size_t kNoteFlags = 6;  // u32
inline constexpr std::size_t kSize = 10;

static_assert(kNoteFlags + sizeof(uint32_t) == kSize, "the record ends with its flags");

// noteFlags bits.
inline constexpr uint32_t kIdCopyMask = 0x001F0000;     // bits 16 to 20: noteId & 0x1F
inline constexpr uint32_t kPlaceholder = 0x80000000;    // the lone note of an entry without notes
inline constexpr uint32_t kFollowsSource = 0x40000000;  // carried from the source entry
inline constexpr uint32_t kSamePosition = 0x01000000;   // cleared when pitches came from earlier

inline int16_t NoteId(const unsigned char* note) { return Load<int16_t>(note, kNoteId); }
inline void SetNoteId(unsigned char* note, int16_t id) { Store(note, kNoteId, id); }
inline uint32_t NoteFlags(const unsigned char* note) { return Load<uint32_t>(note, kNoteFlags); }
inline void SetNoteFlags(unsigned char* note, uint32_t f) { Store(note, kNoteFlags, f); }

}  // namespace qz::host::note_record
