#include "memhost/entry_record.h"

#include <algorithm>

#include "host/exentry.h"
#include "host/note_record.h"

namespace qz::memhost {

namespace ex = qz::host::exentry;
namespace nr = qz::host::note_record;
using qz::host::Load;
using qz::host::Store;

namespace {

void WriteNotes(unsigned char* entry, const EntrySpec& music) {
    int count = std::min<int>(static_cast<int>(music.pitches.size()), ex::kMaxNotes);
    ex::SetNoteCount(entry, static_cast<int16_t>(count));
    for (int k = 0; k < count; ++k) {
        unsigned char* note = ex::NoteAt(entry, k);
        Store<int16_t>(note, nr::kNoteData, static_cast<int16_t>(music.pitches[k]));
        int spelling = k < static_cast<int>(music.accidentals.size()) ? music.accidentals[k] : 0;
        Store<int8_t>(note, nr::kNoteData + kSpellingOffset, static_cast<int8_t>(spelling));
        int16_t id = static_cast<int16_t>(k + 1);
        nr::SetNoteId(note, id);
        nr::SetNoteFlags(note, static_cast<uint32_t>(id & 0x1F) << 16);
    }
}

void WriteSavedRest(unsigned char* entry) {
    ex::SetNoteCount(entry, 1);
    nr::SetNoteFlags(ex::NoteAt(entry, 0), nr::kPlaceholder);
}

}  // namespace

Record BuildEntryRecord(uint32_t number, const EntrySpec& music) {
    Record record(ex::kSize, 0);
    unsigned char* entry = record.data();
    ex::SetEntryNumber(entry, number);
    uint32_t flags = music.extraFlags;
    if (music.pitches.empty()) {
        WriteSavedRest(entry);
        flags |= ex::ENTRY_NO_NOTES_MARK;
    } else {
        WriteNotes(entry, music);
        flags |= ex::ENTRY_HAS_NOTES;
    }
    if (!music.articulations.empty()) flags |= ex::ENTRY_HAS_ARTICULATIONS;
    if (music.details > 0) flags |= ex::ENTRY_HAS_DETAILS;
    ex::SetFlags(entry, flags);
    ex::SetPosition(entry, music.position);
    Store<int32_t>(entry, kDurationOffset, music.duration);
    return record;
}

int32_t DurationOf(const unsigned char* entry) { return Load<int32_t>(entry, kDurationOffset); }

int PitchOf(const unsigned char* note) { return Load<int16_t>(note, nr::kNoteData); }

int SpellingOf(const unsigned char* note) {
    return Load<int8_t>(note, nr::kNoteData + kSpellingOffset);
}

std::vector<unsigned char> DetailPayload(uint32_t number, int index) {
    std::vector<unsigned char> payload(kDetailSize, 0);
    Store<uint32_t>(payload.data(), 0, number);
    Store<int16_t>(payload.data(), 4, static_cast<int16_t>(index));
    for (std::size_t j = 6; j < kDetailSize; ++j)
        payload[j] = static_cast<unsigned char>(0x40 + j - 6);
    return payload;
}

}  // namespace qz::memhost
