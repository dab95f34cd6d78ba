// Moving one legacy field between a legacy record and the 12-byte ot record that holds it.
//
// Both records are owned by the caller. The legacy record must hold the field's bytes
// (row.offset + Width), the ot record its six words; the tables guarantee word + width fits.
#pragma once

#include <cstdint>

#include "host/bytes.h"
#include "host/edata_tables.h"

namespace qz::host::edata {

inline uint16_t Word(const unsigned char* record, int w) {
    return Load<uint16_t>(record, static_cast<std::size_t>(w) * 2);
}

inline void SetWord(unsigned char* record, int w, uint16_t value) {
    Store(record, static_cast<std::size_t>(w) * 2, value);
}

// Writes the row's field into `legacy` from the ot `record`.
inline void ExtractField(const FieldMapRow& row, const unsigned char* record,
                         unsigned char* legacy) {
    const std::size_t at = static_cast<std::size_t>(row.offset);
    const uint16_t word = Word(record, row.word);
    switch (row.conversion) {
        case kPlain:
            Store<uint16_t>(legacy, at, word);
            break;
        case kInverted:
            Store<uint16_t>(legacy, at, word == 0 ? 1 : 0);
            break;
        case kLowByte:
            Store<uint16_t>(legacy, at, static_cast<uint16_t>(word & 0xFFu));
            break;
        case kLong:
            Store<uint32_t>(legacy, at,
                            (static_cast<uint32_t>(word) << 16) | Word(record, row.word + 1));
            break;
    }
}

// The word a 16-bit legacy field is stored as. A low byte goes back sign-extended, so a load
// followed by a save does not give back a word whose high byte was not the sign of its low byte.
inline uint16_t StoredWord(Conversion conversion, uint16_t field) {
    switch (conversion) {
        case kInverted:
            return field == 0 ? 1 : 0;
        case kLowByte:
            return static_cast<uint16_t>(static_cast<int16_t>(static_cast<int8_t>(field & 0xFFu)));
        default:
            return field;
    }
}

// Applies the row's field from `legacy` to the ot `record`; true when the record changed.
inline bool ApplyField(const FieldMapRow& row, const unsigned char* legacy,
                       unsigned char* record) {
    const std::size_t at = static_cast<std::size_t>(row.offset);
    if (row.conversion == kLong) {
        const uint32_t field = Load<uint32_t>(legacy, at);
        const uint32_t held =
            (static_cast<uint32_t>(Word(record, row.word)) << 16) | Word(record, row.word + 1);
        if (field == held) return false;
        SetWord(record, row.word, static_cast<uint16_t>(field >> 16));
        SetWord(record, row.word + 1, static_cast<uint16_t>(field & 0xFFFFu));
        return true;
    }
    const uint16_t value = StoredWord(row.conversion, Load<uint16_t>(legacy, at));
    if (value == Word(record, row.word)) return false;
    SetWord(record, row.word, value);
    return true;
}

}  // namespace qz::host::edata
