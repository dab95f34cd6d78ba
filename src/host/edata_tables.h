// The translation tables for legacy "pf" extended-data tags.
//
// A legacy record is assembled from the host's 12-byte "ot" records (six little-endian 16-bit
// words each) in one of two ways:
//   - a field map lists, field by field, which word of which ot record holds each field;
//   - a record-array rule says the legacy record is n consecutive ot records of one tag.
// The tables are constant data and never change. The working marks of a field-map operation live
// on the caller's stack (edata_translation.h), so the tables can be shared and stay const.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace qz::host::edata {

// A tag written as four characters, most significant byte first: Tag("pf05") == 0x70663035.
constexpr uint32_t Tag(const char (&name)[5]) {
    return (static_cast<uint32_t>(static_cast<unsigned char>(name[0])) << 24) |
           (static_cast<uint32_t>(static_cast<unsigned char>(name[1])) << 16) |
           (static_cast<uint32_t>(static_cast<unsigned char>(name[2])) << 8) |
           static_cast<uint32_t>(static_cast<unsigned char>(name[3]));
}

// The ot tag whose third and fourth characters are `record` ("69" -> 0x6F743639).
constexpr uint32_t OtTag(const char (&record)[3]) {
    return 0x6F740000u | (static_cast<uint32_t>(static_cast<unsigned char>(record[0])) << 8) |
           static_cast<uint32_t>(static_cast<unsigned char>(record[1]));
}

inline constexpr std::size_t kOtRecordSize = 12;
inline constexpr int kOtRecordWords = 6;

// The first word of an ot key when a table gives 0 for it.
inline constexpr int16_t kDefaultKeyWord1 = -2;

// How one legacy field is held in its ot record.
enum Conversion : int32_t {
    kPlain = 0,     // 16-bit field = word w
    kLong = 1,      // 32-bit field: high half in word w, low half in word w+1
    kInverted = 3,  // 16-bit flag: 1 when word w is 0, else 0
    kLowByte = 4,   // 16-bit field = low byte of word w (saved back sign-extended)
};

constexpr int Width(Conversion c) { return c == kLong ? 4 : 2; }

// One field of a legacy record.
struct FieldMapRow {
    int16_t offset;     // byte offset of the field in the legacy record
    char record[3];     // third and fourth characters of the ot tag
    int16_t key1;       // first key word of the ot record; 0 stands for kDefaultKeyWord1
    int16_t key2;       // second key word
    int16_t word;       // word index (0..5) where the field begins in the ot record
    Conversion conversion;
};

// True when two rows name the same ot record (same tag and the same stored key words).
constexpr bool SameRecord(const FieldMapRow& a, const FieldMapRow& b) {
    return a.record[0] == b.record[0] && a.record[1] == b.record[1] && a.key1 == b.key1 &&
           a.key2 == b.key2;
}

// No map has more rows than this (pfMS has 49); a field-map operation keeps one mark per row.
inline constexpr std::size_t kMaxFieldMapRows = 64;

struct FieldMap {
    uint32_t tag;
    std::span<const FieldMapRow> rows;
    // Sum of the field widths: the size the host itself would report for the record.
    uint32_t widthSum;
    // One past the furthest byte any field reaches. This is the room a load writes and a save
    // reads, and what the size query reports. It exceeds widthSum when fields leave gaps.
    uint32_t reach;
};

// Where the first record of an array gets its index from.
enum class FirstIndex { kZero, kCMinusOne };

// A legacy record that is `count` consecutive ot records; record i has the key
// (kDefaultKeyWord1, first + i). When maxC is non-zero the rule applies only for
// 1 <= c <= maxC, c being the first word of the caller's key (tested as (c - 1) unsigned 16-bit
// below maxC, so c = 0 fails); maxC 0 accepts any c.
struct RecordArrayRule {
    uint32_t tag;
    char record[3];
    int16_t count;
    FirstIndex first;
    uint16_t maxC;
};

// The legacy tag whose field map applies only when c = 0, and whose rule only when c = 1.
inline constexpr uint32_t kFieldMapOrArrayTag = Tag("pfPF");

// The field map of `tag`, or null. The caller applies the pfPF restriction itself.
const FieldMap* FindFieldMap(uint32_t tag);

// The record-array rule of `tag`, or null. Tags are case-sensitive.
const RecordArrayRule* FindRecordArrayRule(uint32_t tag);

}  // namespace qz::host::edata
