#include "host/frame_ops.h"

#include <cstring>

#include "host/binding.h"

namespace qz::host {
namespace {

bool IdTakenByOther(const unsigned char* entry, int count, int self, int16_t id) {
    for (int k = 0; k < count; ++k)
        if (k != self && note_record::NoteId(exentry::NoteAt(entry, k)) == id) return true;
    return false;
}

void FixUpEntry(unsigned char* entry) {
    int count = exentry::NoteCount(entry);
    exentry::SetNoteCount(entry, static_cast<int16_t>(count));

    int top = 0;
    for (int j = 0; j < count; ++j) {
        int id = note_record::NoteId(exentry::NoteAt(entry, j));
        if (id > top) top = id;
    }
    for (int j = 0; j < count; ++j) {
        unsigned char* note = exentry::NoteAt(entry, j);
        int16_t id = note_record::NoteId(note);
        if (id == 0 || IdTakenByOther(entry, count, j, id)) {
            ++top;
            note_record::SetNoteId(note, static_cast<int16_t>(top));
        }
    }
    for (int j = 0; j < count; ++j) {
        unsigned char* note = exentry::NoteAt(entry, j);
        uint32_t idBits = (static_cast<uint32_t>(note_record::NoteId(note)) & 0x1F) << 16;
        note_record::SetNoteFlags(note, (note_record::NoteFlags(note) & 0xFFE0FFFF) | idBits);
    }
    if (count < exentry::kMaxNotes)
        std::memset(exentry::NoteAt(entry, count), 0,
                    static_cast<std::size_t>(exentry::kMaxNotes - count) * note_record::kSize);
    if (count == 0) {
        exentry::SetNoteCount(entry, 1);
        note_record::SetNoteFlags(exentry::NoteAt(entry, 0), note_record::kPlaceholder);
        exentry::SetFlags(entry, exentry::Flags(entry) | exentry::ENTRY_NO_NOTES_MARK);
    }
}

}  // namespace

void FixUpFrame(TGF* frame) {
    if (frame == nullptr) return;
    for (int i = 0, n = tgf::EntryCount(frame); i < n; ++i) {
        unsigned char* entry = tgf::EntryAt(frame, i);
        if (entry == nullptr) return;  // a count without an array: nothing to normalise
        FixUpEntry(entry);
    }
}

int CopyFrameEntries(HostBinding& host, const TGF* source, TGF* destination) {
    if (source == nullptr || destination == nullptr) return 0;
    host.DeleteEXENTRY(destination, tgf::EntryCount(destination));
    // Entries a refused delete left behind still carry their numbers, and the records keyed by
    // them: a copy written over one would take that number with it. Nothing is copied then.
    if (tgf::EntryCount(destination) != 0) return 0;
    const int wanted = tgf::EntryCount(source);
    host.InsertEXENTRY(destination, wanted);

    // The host may have inserted fewer entries than asked: never write past its array.
    const int available = tgf::EntryCount(destination);
    const int copies = wanted < available ? wanted : available;
    for (int i = 0; i < copies; ++i) {
        unsigned char* target = tgf::EntryAt(destination, i);
        const unsigned char* original = tgf::EntryAt(source, i);
        // Counts without arrays are the host's bad data: copy what both arrays really hold.
        if (target == nullptr || original == nullptr) return i;
        const uint32_t number = exentry::EntryNumber(target);
        std::memcpy(target, original, exentry::kSize);
        exentry::SetFlags(target, exentry::Flags(target) & ~exentry::kCopyClearedBits);
        exentry::SetExtraFlags(target, static_cast<uint16_t>(exentry::ExtraFlags(target) &
                                                             ~exentry::kCopyClearedExtraBits));
        exentry::SetEntryNumber(target, number);
    }
    return copies;
}

}  // namespace qz::host
