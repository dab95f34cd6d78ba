// Typed handles on the records inside a host frame: an entry, one of its notes, a detail record.
//
// A handle holds the record's address and nothing else; its fields are read and written through
// the record accessors of exentry.h, note_record.h and entry_detail.h, so code above host/ never
// sees a byte offset, and the compiler stops a note passed where an entry is expected. A handle
// is obtained from a frame that passed the checks at load (owned_frame.h) and is valid while
// that frame is held. An empty handle reads as zero and ignores writes.
#pragma once

#include <cstdint>
#include <cstring>

#include "host/entry_detail.h"
#include "host/exentry.h"
#include "host/note_record.h"
#include "host/tgf.h"

namespace qz::host {

class NoteRef {
public:
    NoteRef() = default;
    explicit NoteRef(unsigned char* record) : record_(record) {}
    explicit operator bool() const { return record_ != nullptr; }
    bool operator==(const NoteRef&) const = default;

    int16_t NoteId() const { return record_ ? note_record::NoteId(record_) : int16_t{0}; }
    uint32_t NoteFlags() const { return record_ ? note_record::NoteFlags(record_) : 0u; }
    void SetNoteFlags(uint32_t flags) const {
        if (record_) note_record::SetNoteFlags(record_, flags);
    }

private:
    unsigned char* record_ = nullptr;
};

class EntryRef {
public:
    EntryRef() = default;
    explicit EntryRef(unsigned char* record) : record_(record) {}
    explicit operator bool() const { return record_ != nullptr; }
    bool operator==(const EntryRef&) const = default;

    uint32_t EntryNumber() const { return record_ ? exentry::EntryNumber(record_) : 0u; }
    void SetEntryNumber(uint32_t number) const {
        if (record_) exentry::SetEntryNumber(record_, number);
    }
    uint32_t Flags() const { return record_ ? exentry::Flags(record_) : 0u; }
    void SetFlags(uint32_t flags) const {
        if (record_) exentry::SetFlags(record_, flags);
    }
    uint16_t ExtraFlags() const { return record_ ? exentry::ExtraFlags(record_) : uint16_t{0}; }
    void SetExtraFlags(uint16_t flags) const {
        if (record_) exentry::SetExtraFlags(record_, flags);
    }
    int32_t Position() const { return record_ ? exentry::Position(record_) : 0; }
    // noteCount clamped to 0..12 (exentry::NoteCount); a count set is clamped the same way.
    int NoteCount() const { return record_ ? exentry::NoteCount(record_) : 0; }
    void SetNoteCount(int count) const {
        if (!record_) return;
        count = count < 0 ? 0 : (count > exentry::kMaxNotes ? exentry::kMaxNotes : count);
        exentry::SetNoteCount(record_, static_cast<int16_t>(count));
    }
    // Note record k (0..11); empty outside the record.
    NoteRef NoteAt(int k) const { return record_ ? NoteRef(exentry::NoteAt(record_, k)) : NoteRef(); }
    // Takes over the donor's noteCount and that many note records, byte for byte; the other
    // note records stay as they were.
    void CopyNotesFrom(EntryRef donor) const {
        if (!record_ || !donor.record_) return;
        const int count = donor.NoteCount();
        exentry::SetNoteCount(record_, static_cast<int16_t>(count));
        std::memmove(exentry::NoteAt(record_, 0), exentry::NoteAt(donor.record_, 0),
                     static_cast<std::size_t>(count) * note_record::kSize);
    }

private:
    unsigned char* record_ = nullptr;
};

class DetailRef {
public:
    DetailRef() = default;
    explicit DetailRef(const unsigned char* record) : record_(record) {}
    explicit operator bool() const { return record_ != nullptr; }

    int16_t EntryIndex() const { return record_ ? entry_detail::EntryIndex(record_) : int16_t{-1}; }
    int16_t SubIndex() const { return record_ ? entry_detail::SubIndex(record_) : int16_t{-1}; }
    // The 30-byte payload (entry_detail::kPayloadSize), or null for an empty handle.
    const unsigned char* Payload() const { return record_ ? record_ + entry_detail::kPayload : nullptr; }

private:
    const unsigned char* record_ = nullptr;
};

namespace tgf {

// Entry i and detail d of a frame as handles; empty outside the frame's records.
inline EntryRef EntryRefAt(const TGF* f, int i) { return EntryRef(EntryAt(f, i)); }
inline DetailRef DetailRefAt(const TGF* f, int d) { return DetailRef(DetailAt(f, d)); }

// Index of `entry` among the frame's records, or -1 when it is not one of them.
inline int IndexOf(const TGF* f, EntryRef entry) {
    for (int i = 0, n = EntryCount(f); i < n; ++i)
        if (EntryRefAt(f, i) == entry) return i;
    return -1;
}

}  // namespace tgf
}  // namespace qz::host
