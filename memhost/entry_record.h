// The in-memory host's entries as music: the bytes it gives meaning to, and how a record is
// built from a note description and read back.
//
// The plug-in carries these bytes unread; the in-memory host stores music in them so that a
// document can be built, compared and read back:
//   - EXENTRY bytes 140..143: the entry's duration (i32), in position units (quarter = 1024);
//   - NoteRecord noteData bytes 0..1: the note's pitch as a MIDI key number (60 = C4);
//   - NoteRecord noteData byte 2: the spelling, as a signed accidental (-2..2; 0 = natural, or
//     a sharp on a black key), so that a B flat reads back as a B flat and not as an A sharp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace qz::memhost {

using Record = std::vector<unsigned char>;  // one raw 146-byte EXENTRY

inline constexpr int32_t kQuarter = 1024;
inline constexpr std::size_t kDurationOffset = 140;  // EXENTRY 140..143
inline constexpr std::size_t kSpellingOffset = 2;    // noteData byte 2

// Tags of the extended data the plug-in uses.
inline constexpr uint32_t kArticulationTag = 0x6564494D;  // 'edIM', 12-byte records
inline constexpr uint32_t kDetailTag = 0x45035450;        // 30-byte entry details
inline constexpr std::size_t kArticulationSize = 12;
inline constexpr std::size_t kDetailSize = 30;

// One entry described as music, for building documents.
struct EntrySpec {
    int32_t position = 0;
    int32_t duration = kQuarter;
    std::vector<int> pitches = {};         // MIDI key numbers; empty for a rest
    std::vector<int> articulations = {};   // definition numbers of articulation records to attach
    uint32_t extraFlags = 0;               // OR-ed into `flags` besides ENTRY_HAS_NOTES
    std::vector<int> accidentals = {};     // spelling per pitch (-2..2), missing ones count as 0
    int details = 0;                       // detail records (kDetailTag) to attach, indexes 0, 1, ...
};

// A 146-byte record for `music` under entry number `number`: notes with ids 1, 2, ... and
// ENTRY_HAS_NOTES, or a rest as the host stores a saved one (one placeholder note,
// ENTRY_NO_NOTES_MARK). ENTRY_HAS_ARTICULATIONS / ENTRY_HAS_DETAILS when the music asks for them.
// At most 12 pitches are kept.
Record BuildEntryRecord(uint32_t number, const EntrySpec& music);

// The fields the in-memory host gives meaning to. `entry` must hold 146 bytes.
int32_t DurationOf(const unsigned char* entry);
int PitchOf(const unsigned char* note);
int SpellingOf(const unsigned char* note);

// The 30-byte payload Document::AddEntry stores as detail `index` of entry `number`: the number
// (u32), the index (i16), then the bytes 0x40, 0x41, ...; recognisable in a dump.
std::vector<unsigned char> DetailPayload(uint32_t number, int index);

// An entry number as the first word of its 6-byte key (a signed 32-bit value).
inline int64_t KeyNumber(uint32_t number) { return static_cast<int32_t>(number); }

}  // namespace qz::memhost
