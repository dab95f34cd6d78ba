// TGF: the host's entry frame, the music of one staff slot, one measure and one layer.
//
// The host allocates and owns the frame and both of its arrays, from FX_LoadTGF to FX_FreeTGF.
// The plug-in changes records in place but never the header's pointers or counts; entryCount
// changes only through FX_InsertEXENTRY and FX_DeleteEXENTRY, after which `entries` must be read
// again. Counts are the host's data: every accessor bounds indexes by them, a negative count
// means no records, and a count without its array (a null pointer) means no records either, so
// that nothing ever reads through a null array.
#pragma once

#include <cstdint>

#include "host/bytes.h"
#include "host/entry_detail.h"
#include "host/exentry.h"

namespace qz::host {

// Opaque: the plug-in only ever holds pointers to frames and reads them through tgf:: below.
struct TGF;

namespace tgf {

inline constexpr std::size_t kSlotScope = 0;     // u16
inline constexpr std::size_t kSlot = 2;          // u16
inline constexpr std::size_t kMeasure = 6;       // i16
inline constexpr std::size_t kLayer = 8;         // i16, 0-based
inline constexpr std::size_t kSkipSave = 10;     // i16, non-zero: never saved by a layer
inline constexpr std::size_t kEntries = 14;      // pointer to EXENTRY[entryCount]
inline constexpr std::size_t kEntryCount = 22;   // i16
inline constexpr std::size_t kDetails = 24;      // pointer to EntryDetail[detailCount]
inline constexpr std::size_t kDetailCount = 32;  // i16
// The part of the header the plug-in reads; the host's header may be longer.
inline constexpr std::size_t kHeaderSize = 34;

static_assert(kEntries + 8 == kEntryCount && kDetails + 8 == kDetailCount, "8-byte pointers");

inline const unsigned char* Bytes(const TGF* f) { return reinterpret_cast<const unsigned char*>(f); }
inline unsigned char* Bytes(TGF* f) { return reinterpret_cast<unsigned char*>(f); }

inline uint16_t SlotScope(const TGF* f) { return Load<uint16_t>(f, kSlotScope); }
inline uint16_t Slot(const TGF* f) { return Load<uint16_t>(f, kSlot); }
inline int16_t Measure(const TGF* f) { return Load<int16_t>(f, kMeasure); }
inline int16_t Layer(const TGF* f) { return Load<int16_t>(f, kLayer); }
inline int16_t SkipSave(const TGF* f) { return Load<int16_t>(f, kSkipSave); }

// Number of entry records that can be read: 0 for a negative count or a missing array.
inline int EntryCount(const TGF* f) {
    int n = Load<int16_t>(f, kEntryCount);
    return n < 0 || LoadPointer(f, kEntries) == nullptr ? 0 : n;
}

// Number of detail records that can be read: 0 for a negative count or a missing array.
inline int DetailCount(const TGF* f) {
    int n = Load<int16_t>(f, kDetailCount);
    return n < 0 || LoadPointer(f, kDetails) == nullptr ? 0 : n;
}

// The counts the header states, whether or not an array backs them; 0 when negative.
inline int StatedEntryCount(const TGF* f) {
    int n = Load<int16_t>(f, kEntryCount);
    return n < 0 ? 0 : n;
}
inline int StatedDetailCount(const TGF* f) {
    int n = Load<int16_t>(f, kDetailCount);
    return n < 0 ? 0 : n;
}

// Entry record i, or null when i is outside 0..entryCount-1 or the array is missing.
inline unsigned char* EntryAt(const TGF* f, int i) {
    unsigned char* entries = LoadPointer(f, kEntries);
    if (entries == nullptr || i < 0 || i >= EntryCount(f)) return nullptr;
    return entries + static_cast<std::size_t>(i) * exentry::kSize;
}

// Detail record d, or null when d is outside 0..detailCount-1 or the array is missing.
inline unsigned char* DetailAt(const TGF* f, int d) {
    unsigned char* details = LoadPointer(f, kDetails);
    if (details == nullptr || d < 0 || d >= DetailCount(f)) return nullptr;
    return details + static_cast<std::size_t>(d) * entry_detail::kSize;
}

// Index of the record at `entry` in this frame, or -1 when it is not one of its records.
inline int IndexOfEntry(const TGF* f, const unsigned char* entry) {
    for (int i = 0, n = EntryCount(f); i < n; ++i)
        if (EntryAt(f, i) == entry) return i;
    return -1;
}

}  // namespace tgf
}  // namespace qz::host
