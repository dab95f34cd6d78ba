#include "host/edata_tables.h"

namespace qz::host::edata {
namespace {

// Field maps. One row per field, in the order that decides which ot record is loaded first:
// records are loaded once each, in the order in which the rows first name them. The comment
// after each row gives the same row as record(key).word, with L for a 32-bit field, ! for an
// inverted flag and b for a low byte; no parentheses means key (-2, 0), (n) key (-2, n) and
// (m,n) key (m, n).

constexpr FieldMapRow k05Rows[] = {
    // off  record key1 key2 word  conversion
    {  0, "69",   0,   0,   1, kPlain},         // ot69.1
    {  2, "20",   0,   0,   3, kPlain},         // ot20.3
    {  4, "39",   0,   0,   5, kPlain},         // ot39.5
    {  6, "38",   0,   0,   5, kPlain},         // ot38.5
    {  8, "39",   0,   0,   4, kPlain},         // ot39.4
    { 10, "23",   0,   0,   5, kPlain},         // ot23.5
    { 12, "56",   0,   0,   4, kPlain},         // ot56.4
    { 14, "41",   0,   2,   2, kPlain},         // ot41(2).2
    { 16, "41",   0,   2,   3, kPlain},         // ot41(2).3
    { 18, "94",   0,   0,   4, kPlain},         // ot94.4
    { 20, "94",   0,   2,   2, kPlain},         // ot94(2).2
};

constexpr FieldMapRow kDPRows[] = {
    // off  record key1 key2 word  conversion
    {  0, "21",   0,   0,   3, kPlain},         // ot21.3
    {  2, "21",   0,   0,   5, kPlain},         // ot21.5
    {  4, "59",   0,   0,   3, kPlain},         // ot59.3
    {  6, "59",   0,   0,   4, kPlain},         // ot59.4
    {  8, "22",   0,   0,   1, kPlain},         // ot22.1
    { 10, "22",   0,   0,   2, kPlain},         // ot22.2
    { 12, "22",   0,   0,   3, kPlain},         // ot22.3
    { 14, "67",   0,   0,   3, kPlain},         // ot67.3
    { 16, "67",   0,   0,   4, kPlain},         // ot67.4
    { 18, "68",   0,   0,   4, kLong},          // ot68.4L
    { 22, "20",   0,   0,   1, kPlain},         // ot20.1
    { 24, "20",   0,   0,   2, kPlain},         // ot20.2
    { 26, "13",   0,   0,   3, kPlain},         // ot13.3
    { 28, "19",   0,   0,   0, kPlain},         // ot19.0
    { 30, "19",   0,   0,   1, kPlain},         // ot19.1
    { 32, "68",   0,   0,   0, kPlain},         // ot68.0
    { 34, "21",   0,   0,   1, kPlain},         // ot21.1
    { 36, "68",   0,   0,   1, kPlain},         // ot68.1
    { 38, "21",   0,   0,   0, kPlain},         // ot21.0
    { 40, "27",   0,   0,   5, kPlain},         // ot27.5
    { 42, "18",   0,   0,   0, kPlain},         // ot18.0
    { 44, "18",   0,   0,   2, kPlain},         // ot18.2
    { 46, "18",   0,   0,   1, kPlain},         // ot18.1
    { 48, "21",   0,   0,   4, kPlain},         // ot21.4
    { 50, "39",   0,   0,   0, kPlain},         // ot39.0
    { 52, "39",   0,   0,   1, kPlain},         // ot39.1
    { 54, "65",   0,   0,   0, kLong},          // ot65.0L
    { 58, "67",   0,   0,   1, kPlain},         // ot67.1
    { 60, "18",   0,   0,   5, kPlain},         // ot18.5
    { 62, "67",   0,   0,   0, kPlain},         // ot67.0
    { 64, "18",   0,   0,   3, kPlain},         // ot18.3
    { 66, "18",   0,   0,   4, kPlain},         // ot18.4
    { 68, "14",   0,   0,   4, kPlain},         // ot14.4
    { 70, "14",   0,   0,   5, kPlain},         // ot14.5
    { 74, "01",   0,   0,   5, kPlain},         // ot01.5
    { 72, "77",   0,   4,   0, kPlain},         // ot77(4).0
};

constexpr FieldMapRow kEXRows[] = {
    // off  record key1 key2 word  conversion
    {  0, "77",   0,   4,   1, kPlain},         // ot77(4).1
    {  2, "77",   0,   4,   2, kPlain},         // ot77(4).2
    {  4, "77",   0,   4,   3, kPlain},         // ot77(4).3
    {  6, "77",   0,   4,   4, kPlain},         // ot77(4).4
    {  8, "77",   0,   4,   5, kPlain},         // ot77(4).5
    { 10, "77",   0,   5,   0, kPlain},         // ot77(5).0
    { 12, "77",   0,   5,   1, kPlain},         // ot77(5).1
    { 14, "77",   0,   5,   2, kPlain},         // ot77(5).2
    { 16, "77",   0,   5,   3, kPlain},         // ot77(5).3
    { 18, "77",   0,   5,   4, kPlain},         // ot77(5).4
    { 20, "77",   0,   5,   5, kPlain},         // ot77(5).5
    { 22, "77",   0,   6,   0, kPlain},         // ot77(6).0
    { 24, "77",   0,   6,   1, kPlain},         // ot77(6).1
    { 26, "77",   0,   6,   2, kPlain},         // ot77(6).2
    { 28, "77",   0,   6,   3, kPlain},         // ot77(6).3
    { 30, "77",   0,   6,   4, kPlain},         // ot77(6).4
    { 32, "77",   0,   6,   5, kPlain},         // ot77(6).5
    { 34, "77",   0,   7,   0, kPlain},         // ot77(7).0
    { 36, "77",   0,   7,   1, kPlain},         // ot77(7).1
    { 38, "77",   0,   7,   2, kPlain},         // ot77(7).2
    { 40, "77",   0,   7,   3, kPlain},         // ot77(7).3
    { 46, "77",   0,   7,   4, kPlain},         // ot77(7).4
    { 48, "77",   0,   7,   5, kPlain},         // ot77(7).5
    { 42, "77",   0,   8,   0, kPlain},         // ot77(8).0
    { 44, "77",   0,   8,   1, kPlain},         // ot77(8).1
};

constexpr FieldMapRow kMSRows[] = {
    // off  record key1 key2 word  conversion
    {  0, "36",   0,   0,   4, kPlain},         // ot36.4
    {  2, "03",   0,   0,   4, kPlain},         // ot03.4
    {  4, "03",   0,   0,   5, kPlain},         // ot03.5
    {  6, "09",   0,   0,   5, kPlain},         // ot09.5
    {  8, "36",   0,   0,   2, kPlain},         // ot36.2
    { 10, "36",   0,   0,   3, kPlain},         // ot36.3
    { 12, "36",   0,   0,   1, kInverted},      // ot36.1!
    { 14, "41",   0,   0,   0, kPlain},         // ot41.0
    { 16, "41",   0,   0,   1, kPlain},         // ot41.1
    { 18, "20",   0,   0,   0, kPlain},         // ot20.0
    { 20, "27",   0,   0,   1, kPlain},         // ot27.1
    { 22, "01",   0,   0,   0, kPlain},         // ot01.0
    { 24, "13",   0,   0,   2, kPlain},         // ot13.2
    { 26, "15",   0,   0,   4, kPlain},         // ot15.4
    { 28, "27",   0,   0,   0, kPlain},         // ot27.0
    { 30, "27",   0,   0,   4, kPlain},         // ot27.4
    { 32, "44",   0,   0,   4, kPlain},         // ot44.4
    { 34, "27",   0,   0,   2, kPlain},         // ot27.2
    { 36, "12",   0,   0,   2, kPlain},         // ot12.2
    { 38, "12",   0,   0,   3, kPlain},         // ot12.3
    { 40, "12",   0,   0,   1, kPlain},         // ot12.1
    { 42, "41",   0,   2,   1, kPlain},         // ot41(2).1
    { 44, "23",   0,   0,   1, kPlain},         // ot23.1
    { 46, "19",   0,   0,   2, kPlain},         // ot19.2
    { 48, "19",   0,   0,   3, kPlain},         // ot19.3
    { 50, "31",   0,   0,   5, kPlain},         // ot31.5
    { 52, "19",   0,   0,   4, kLowByte},       // ot19.4b
    { 54, "19",   0,   0,   5, kLowByte},       // ot19.5b
    { 56, "44",   0,   0,   3, kPlain},         // ot44.3
    { 58, "05",   0,   0,   4, kPlain},         // ot05.4
    { 60, "05",   0,   0,   5, kPlain},         // ot05.5
    { 62, "13",   0,   0,   0, kPlain},         // ot13.0
    { 64, "41",   0,   0,   5, kPlain},         // ot41.5
    { 66, "12",   0,   0,   4, kPlain},         // ot12.4
    { 68, "01",   0,   0,   1, kPlain},         // ot01.1
    { 70, "93",   0,   0,   4, kPlain},         // ot93.4
    { 72, "76",   0,   0,   4, kPlain},         // ot76.4
    { 74, "93",   0,   0,   2, kPlain},         // ot93.2
    { 76, "76",   0,   0,   3, kPlain},         // ot76.3
    { 78, "17",   0,   0,   5, kPlain},         // ot17.5
    { 80, "23",   0,   0,   4, kPlain},         // ot23.4
    { 82, "16",   0,   0,   5, kPlain},         // ot16.5
    { 84, "62",   0,   0,   0, kLong},          // ot62.0L
    { 88, "62",   0,   0,   2, kLong},          // ot62.2L
    { 92, "41",   0,   2,   0, kPlain},         // ot41(2).0
    { 94, "41",   0,   0,   2, kPlain},         // ot41.2
    { 96, "41",   0,   1,   3, kLong},          // ot41(1).3L
    {100, "76",   0,   0,   5, kPlain},         // ot76.5
    {102, "FI",  10,   0,   2, kPlain},         // otFI(10,0).2
};

constexpr FieldMapRow kPBRows[] = {
    // off  record key1 key2 word  conversion
    {  0, "65",   0,   0,   2, kLong},          // ot65.2L
    {  4, "60",   0,   0,   2, kLong},          // ot60.2L
    {  8, "65",   0,   0,   4, kLong},          // ot65.4L
    { 12, "60",   0,   0,   4, kLong},          // ot60.4L
    { 16, "61",   0,   0,   0, kLong},          // ot61.0L
    { 20, "61",   0,   0,   2, kLong},          // ot61.2L
    { 24, "61",   0,   0,   4, kLong},          // ot61.4L
    { 28, "60",   0,   0,   0, kLong},          // ot60.0L
    { 32, "64",   0,   0,   2, kLong},          // ot64.2L
    { 36, "45",   0,   0,   2, kLong},          // ot45.2L
    { 40, "45",   0,   0,   4, kLong},          // ot45.4L
};

constexpr FieldMapRow kPFRows[] = {
    // off  record key1 key2 word  conversion
    {  0, "14",   0,   0,   0, kLong},          // ot14.0L
    {  4, "15",   0,   0,   2, kLong},          // ot15.2L
    {  8, "39",   0,   0,   2, kPlain},         // ot39.2
    { 10, "16",   0,   0,   0, kPlain},         // ot16.0
    { 12, "16",   0,   0,   1, kPlain},         // ot16.1
    { 14, "16",   0,   0,   2, kPlain},         // ot16.2
    { 16, "16",   0,   0,   3, kPlain},         // ot16.3
    { 18, "02",   0,   0,   0, kPlain},         // ot02.0
    { 20, "02",   0,   0,   1, kPlain},         // ot02.1
    { 22, "02",   0,   0,   2, kPlain},         // ot02.2
    { 24, "02",   0,   0,   3, kPlain},         // ot02.3
    { 26, "17",   0,   0,   0, kPlain},         // ot17.0
    { 28, "17",   0,   0,   1, kPlain},         // ot17.1
    { 30, "17",   0,   0,   3, kPlain},         // ot17.3
    { 32, "17",   0,   0,   2, kPlain},         // ot17.2
    { 34, "01",   0,   0,   4, kPlain},         // ot01.4
    { 36, "02",   0,   0,   4, kPlain},         // ot02.4
    { 38, "13",   0,   0,   5, kPlain},         // ot13.5
    { 40, "13",   0,   0,   4, kPlain},         // ot13.4
    { 42, "02",   0,   0,   5, kPlain},         // ot02.5
    { 44, "03",   0,   0,   0, kPlain},         // ot03.0
    { 46, "03",   0,   0,   1, kPlain},         // ot03.1
};

constexpr FieldMapRow kPLRows[] = {
    // off  record key1 key2 word  conversion
    {  0, "13",   0,   0,   1, kPlain},         // ot13.1
    {  2, "39",   0,   0,   3, kPlain},         // ot39.3
    {  4, "36",   0,   0,   0, kPlain},         // ot36.0
    {  6, "36",   0,   0,   5, kPlain},         // ot36.5
    {  8, "37",   0,   0,   0, kPlain},         // ot37.0
    { 10, "37",   0,   0,   1, kPlain},         // ot37.1
    { 12, "37",   0,   0,   2, kPlain},         // ot37.2
};

constexpr FieldMapRow kRPRows[] = {
    // off  record key1 key2 word  conversion
    {  0, "70",   0,   0,   0, kPlain},         // ot70.0
    {  2, "70",   0,   0,   1, kPlain},         // ot70.1
    {  4, "70",   0,   0,   2, kPlain},         // ot70.2
    {  6, "70",   0,   0,   3, kPlain},         // ot70.3
    {  8, "70",   0,   0,   4, kPlain},         // ot70.4
    { 10, "70",   0,   0,   5, kPlain},         // ot70.5
    { 12, "71",   0,   0,   0, kPlain},         // ot71.0
    { 14, "71",   0,   0,   1, kPlain},         // ot71.1
    { 16, "71",   0,   0,   2, kPlain},         // ot71.2
    { 18, "71",   0,   0,   3, kPlain},         // ot71.3
    { 20, "71",   0,   0,   4, kPlain},         // ot71.4
    { 22, "71",   0,   0,   5, kPlain},         // ot71.5
    { 24, "05",   0,   0,   3, kPlain},         // ot05.3
    { 26, "72",   0,   0,   0, kPlain},         // ot72.0
    { 28, "76",   0,   0,   2, kPlain},         // ot76.2
    { 30, "72",   0,   0,   1, kPlain},         // ot72.1
    { 32, "72",   0,   0,   2, kPlain},         // ot72.2
    { 34, "72",   0,   0,   3, kPlain},         // ot72.3
    { 36, "72",   0,   0,   4, kPlain},         // ot72.4
    { 38, "72",   0,   0,   5, kPlain},         // ot72.5
};

constexpr FieldMapRow kSIRows[] = {
    // off  record key1 key2 word  conversion
    {  0, "67",   0,   0,   2, kPlain},         // ot67.2
    {  2, "58",   0,   0,   4, kPlain},         // ot58.4
    {  4, "68",   0,   0,   2, kLong},          // ot68.2L
    {  8, "62",   0,   0,   4, kLong},          // ot62.4L
    { 12, "03",   0,   0,   3, kPlain},         // ot03.3
    { 14, "23",   0,   0,   0, kPlain},         // ot23.0
    { 16, "14",   0,   0,   2, kPlain},         // ot14.2
    { 18, "64",   0,   0,   1, kPlain},         // ot64.1
    { 20, "27",   0,   0,   3, kPlain},         // ot27.3
    { 22, "58",   0,   0,   5, kPlain},         // ot58.5
    { 24, "59",   0,   0,   0, kPlain},         // ot59.0
    { 26, "59",   0,   0,   1, kPlain},         // ot59.1
    { 28, "01",   0,   0,   2, kPlain},         // ot01.2
    { 30, "59",   0,   0,   2, kPlain},         // ot59.2
    { 32, "01",   0,   0,   3, kPlain},         // ot01.3
    { 34, "97",   0,   0,   0, kLong},          // ot97.0L
    { 38, "20",   0,   0,   4, kPlain},         // ot20.4
    { 40, "20",   0,   0,   5, kPlain},         // ot20.5
    { 42, "03",   0,   0,   2, kPlain},         // ot03.2
    { 44, "21",   0,   0,   2, kPlain},         // ot21.2
    { 46, "64",   0,   0,   5, kPlain},         // ot64.5
    { 48, "97",   0,   0,   2, kLong},          // ot97.2L
    { 52, "69",   0,   0,   0, kPlain},         // ot69.0
};

constexpr FieldMapRow kSSRows[] = {
    // off  record key1 key2 word  conversion
    {  0, "92",   0,   0,   0, kPlain},         // ot92.0
    {  2, "92",   0,   0,   1, kPlain},         // ot92.1
    {  4, "92",   0,   0,   2, kPlain},         // ot92.2
    {  6, "92",   0,   0,   3, kPlain},         // ot92.3
    {  8, "FI",  11,   0,   0, kPlain},         // otFI(11,0).0
    { 10, "FI",  11,   0,   1, kPlain},         // otFI(11,0).1
    { 12, "FI",  12,   0,   4, kPlain},         // otFI(12,0).4
    { 14, "FI",  11,   0,   4, kPlain},         // otFI(11,0).4
    { 16, "FI",  12,   0,   0, kLong},          // otFI(12,0).0L
    { 20, "FI",  12,   0,   2, kLong},          // otFI(12,0).2L
    { 24, "FI",  11,   0,   2, kPlain},         // otFI(11,0).2
    { 26, "FI",  11,   0,   5, kPlain},         // otFI(11,0).5
    { 28, "12",   0,   0,   5, kLowByte},       // ot12.5b
    { 32, "11",   0,   0,   5, kLowByte},       // ot11.5b
    { 36, "69",   0,   0,   4, kLowByte},       // ot69.4b
    { 40, "69",   0,   0,   5, kLowByte},       // ot69.5b
    { 44, "69",   0,   0,   2, kLowByte},       // ot69.2b
    { 48, "69",   0,   0,   3, kLowByte},       // ot69.3b
    { 52, "51",   0,   0,   5, kPlain},         // ot51.5
    { 54, "53",   0,   0,   5, kPlain},         // ot53.5
    { 56, "51",   0,   0,   4, kPlain},         // ot51.4
    { 58, "53",   0,   0,   4, kPlain},         // ot53.4
    { 60, "50",   0,   0,   4, kPlain},         // ot50.4
    { 62, "53",   0,   1,   0, kPlain},         // ot53(1).0
    { 64, "53",   0,   1,   1, kPlain},         // ot53(1).1
    { 66, "53",   0,   1,   2, kPlain},         // ot53(1).2
    { 68, "53",   0,   1,   3, kPlain},         // ot53(1).3
    { 70, "51",   0,   0,   0, kLong},          // ot51.0L
    { 74, "51",   0,   0,   2, kLong},          // ot51.2L
    { 78, "53",   0,   0,   2, kPlain},         // ot53.2
    { 80, "53",   0,   0,   0, kPlain},         // ot53.0
    { 82, "53",   0,   0,   1, kPlain},         // ot53.1
    { 84, "93",   0,   0,   0, kLong},          // ot93.0L
    { 88, "53",   0,   0,   3, kPlain},         // ot53.3
    { 90, "50",   0,   0,   5, kPlain},         // ot50.5
    { 92, "50",   0,   0,   0, kPlain},         // ot50.0
    { 94, "50",   0,   0,   1, kPlain},         // ot50.1
    { 96, "50",   0,   0,   2, kPlain},         // ot50.2
    { 98, "50",   0,   0,   3, kPlain},         // ot50.3
    {100, "97",   0,   1,   0, kPlain},         // ot97(1).0
    {102, "97",   0,   1,   1, kPlain},         // ot97(1).1
    {104, "97",   0,   1,   2, kPlain},         // ot97(1).2
    {106, "97",   0,   1,   3, kPlain},         // ot97(1).3
};
constexpr uint32_t WidthSum(std::span<const FieldMapRow> rows) {
    uint32_t sum = 0;
    for (const FieldMapRow& r : rows) sum += static_cast<uint32_t>(Width(r.conversion));
    return sum;
}

constexpr uint32_t Reach(std::span<const FieldMapRow> rows) {
    uint32_t reach = 0;
    for (const FieldMapRow& r : rows) {
        uint32_t end = static_cast<uint32_t>(r.offset + Width(r.conversion));
        if (end > reach) reach = end;
    }
    return reach;
}

// A map is sound when every field is 2-aligned, lies inside its ot record, and overlaps no
// other field of the legacy record.
constexpr bool IsSound(std::span<const FieldMapRow> rows) {
    if (rows.size() > kMaxFieldMapRows) return false;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const FieldMapRow& r = rows[i];
        const int width = Width(r.conversion);
        if (r.offset < 0 || r.offset % 2 != 0) return false;
        if (r.word < 0 || r.word + width / 2 > kOtRecordWords) return false;
        if (r.conversion != kPlain && r.conversion != kLong && r.conversion != kInverted &&
            r.conversion != kLowByte)
            return false;
        for (std::size_t j = i + 1; j < rows.size(); ++j) {
            const FieldMapRow& o = rows[j];
            if (r.offset < o.offset + Width(o.conversion) && o.offset < r.offset + width)
                return false;
        }
    }
    return true;
}

constexpr FieldMap Map(uint32_t tag, std::span<const FieldMapRow> rows) {
    return FieldMap{tag, rows, WidthSum(rows), Reach(rows)};
}

constexpr FieldMap kFieldMaps[] = {
    Map(Tag("pf05"), k05Rows), Map(Tag("pfDP"), kDPRows), Map(Tag("pfEX"), kEXRows),
    Map(Tag("pfMS"), kMSRows), Map(Tag("pfPB"), kPBRows), Map(Tag("pfPF"), kPFRows),
    Map(Tag("pfPL"), kPLRows), Map(Tag("pfRP"), kRPRows), Map(Tag("pfSI"), kSIRows),
    Map(Tag("pfSS"), kSSRows),
};

// Field counts and the sizes the host reports for these records; pfSS leaves gaps after its
// six low-byte fields, so its fields reach 12 bytes further than their widths add up to.
struct ExpectedShape {
    std::size_t fields;
    uint32_t widthSum;
    uint32_t reach;
};
constexpr ExpectedShape kExpectedShapes[] = {
    {11, 22, 22}, {36, 76, 76},  {25, 50, 50}, {49, 104, 104}, {11, 44, 44},
    {22, 48, 48}, {7, 14, 14},   {20, 40, 40}, {23, 54, 54},   {43, 96, 108},
};

constexpr bool AllMapsAsExpected() {
    for (std::size_t i = 0; i < std::size(kFieldMaps); ++i) {
        const FieldMap& m = kFieldMaps[i];
        const ExpectedShape& e = kExpectedShapes[i];
        if (!IsSound(m.rows) || m.rows.size() != e.fields || m.widthSum != e.widthSum ||
            m.reach != e.reach)
            return false;
    }
    return true;
}
static_assert(std::size(kFieldMaps) == std::size(kExpectedShapes));
static_assert(AllMapsAsExpected(), "a field map does not have its expected shape");

// Record-array rules. c is the first word of the caller's key.
constexpr RecordArrayRule kRecordArrayRules[] = {
    // legacy      record count first index            c must be
    {Tag("pfGD"), "79",   1, FirstIndex::kZero,      0},    // any
    {Tag("pfGG"), "88",  11, FirstIndex::kZero,      0},    // any
    {Tag("pfGb"), "98",   1, FirstIndex::kCMinusOne, 4},    // 1..4
    {Tag("pfGd"), "80",   1, FirstIndex::kZero,      0},    // any
    {Tag("pfGs"), "91",   1, FirstIndex::kZero,      1},    // 1
    {Tag("pfMM"), "25",   2, FirstIndex::kZero,      0},    // any
    {Tag("pfND"), "04",   1, FirstIndex::kZero,      0},    // any
    {Tag("pfNd"), "66",   1, FirstIndex::kZero,      0},    // any
    {Tag("pfPF"), "77",   4, FirstIndex::kZero,      1},    // 1 (0 takes the field map)
    {Tag("pfSC"), "52",   2, FirstIndex::kZero,      0},    // any
    {Tag("pfSN"), "40",   1, FirstIndex::kCMinusOne, 128},  // 1..128
    {Tag("pfSP"), "94",   3, FirstIndex::kZero,      0},    // any
    {Tag("pfSl"), "26",   1, FirstIndex::kCMinusOne, 15},   // 1..15
    {Tag("pfTC"), "86",   5, FirstIndex::kZero,      0},    // any
    {Tag("pfTI"), "84",   4, FirstIndex::kZero,      0},    // any
    {Tag("pfTX"), "78",   9, FirstIndex::kZero,      0},    // any
    {Tag("pfTp"), "85",   4, FirstIndex::kZero,      0},    // any
    {Tag("pfTs"), "90",   1, FirstIndex::kCMinusOne, 9},    // 1..9
};

constexpr bool RulesAreSound() {
    for (const RecordArrayRule& r : kRecordArrayRules) {
        if (r.count < 1) return false;
        for (const RecordArrayRule& o : kRecordArrayRules)
            if (&o != &r && o.tag == r.tag) return false;
    }
    return true;
}
static_assert(RulesAreSound(), "every rule has records and a tag of its own");

}  // namespace

const FieldMap* FindFieldMap(uint32_t tag) {
    for (const FieldMap& m : kFieldMaps)
        if (m.tag == tag) return &m;
    return nullptr;
}

const RecordArrayRule* FindRecordArrayRule(uint32_t tag) {
    for (const RecordArrayRule& r : kRecordArrayRules)
        if (r.tag == tag) return &r;
    return nullptr;
}

}  // namespace qz::host::edata
