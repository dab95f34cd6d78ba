// Building and reading the simulator's EXENTRY records as music.
//
// The simulator keeps a note's pitch in noteData bytes 0..1 (MIDI key number) and its spelling in
// byte 2 (a signed accidental), and an entry's duration in bytes 140..143; see sim_host.h.
#pragma once

#include <cstdint>

#include "hostsim/sim_host.h"

namespace hostsim {

// A 146-byte record for `music` under entry number `number`: notes with ids 1, 2, ... and
// ENTRY_HAS_NOTES, or a rest as the host stores a saved one (one placeholder note,
// ENTRY_NO_NOTES_MARK). ENTRY_HAS_ARTICULATIONS / ENTRY_HAS_DETAILS when the music asks for them.
Record BuildEntryRecord(uint32_t number, const EntrySpec& music);

// The fields the simulator gives meaning to. `entry` must hold 146 bytes.
int32_t DurationOf(const unsigned char* entry);
int PitchOf(const unsigned char* note);
int SpellingOf(const unsigned char* note);

// The 30-byte payload AddEntry stores as detail `index` of entry `number`: the number (u32),
// the index (i16), then the bytes 0x40, 0x41, ...; recognisable in a dump.
std::vector<unsigned char> DetailPayload(uint32_t number, int index);

// An entry number as the first word of its 6-byte key (a signed 32-bit value).
inline int64_t KeyNumber(uint32_t number) { return static_cast<int32_t>(number); }

}  // namespace hostsim
