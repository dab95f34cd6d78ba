// Finding an entry's detail payload in its frame's detail table, in a frame built by hand: by
// number and sub-index, first match first, and never through a table row that names an entry
// the frame does not hold.
#include "framework/entry_details.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "host/entry_detail.h"
#include "host/exentry.h"
#include "host/tgf.h"

namespace qz {
namespace {

namespace ex = host::exentry;
namespace ed = host::entry_detail;
namespace tgf = host::tgf;

// A frame of two entries (numbers 7 and 9) and a detail table of the rows given.
struct HandFrame {
    struct Row {
        int16_t entry, sub;
        unsigned char mark;
    };
    explicit HandFrame(const std::vector<Row>& rows)
        : entries(2 * ex::kSize), details(rows.size() * ed::kSize) {
        ex::SetEntryNumber(entries.data(), 7);
        ex::SetEntryNumber(entries.data() + ex::kSize, 9);
        for (size_t r = 0; r < rows.size(); ++r) {
            unsigned char* d = details.data() + r * ed::kSize;
            host::Store<int16_t>(d, ed::kEntryIndex, rows[r].entry);
            host::Store<int16_t>(d, ed::kSubIndex, rows[r].sub);
            d[ed::kPayload] = rows[r].mark;
        }
        host::StorePointer(header.data(), tgf::kEntries, entries.data());
        host::Store<int16_t>(header.data(), tgf::kEntryCount, 2);
        host::StorePointer(header.data(), tgf::kDetails, details.data());
        host::Store<int16_t>(header.data(), tgf::kDetailCount, static_cast<int16_t>(rows.size()));
    }
    host::TGF* Tgf() { return reinterpret_cast<host::TGF*>(header.data()); }
    unsigned char* Entry(int i) { return entries.data() + static_cast<size_t>(i) * ex::kSize; }

    std::array<unsigned char, tgf::kHeaderSize> header{};
    std::vector<unsigned char> entries;
    std::vector<unsigned char> details;
};

unsigned char Mark(const unsigned char* payload) { return payload == nullptr ? 0 : payload[0]; }

TEST(EntryDetailsTest, PayloadsAreFoundByNumberAndSubIndex) {
    HandFrame frame({{1, 0, 0xA1}, {0, 1, 0xB1}, {0, 0, 0xB0}, {0, 0, 0xB2}, {5, 2, 0xEE}, {-1, 2, 0xEF}});
    FCNoteEntry first(host::EntryRef(frame.Entry(0)), frame.Tgf(), 1, 11);
    FCNoteEntry second(host::EntryRef(frame.Entry(1)), frame.Tgf(), 1, 11);
    EXPECT_EQ(Mark(FindDetailPayload(first, 0)), 0xB0) << "the first matching row";
    EXPECT_EQ(Mark(FindDetailPayload(first, 1)), 0xB1);
    EXPECT_EQ(Mark(FindDetailPayload(second, 0)), 0xA1);
    EXPECT_EQ(FindDetailPayload(second, 1), nullptr);
    EXPECT_EQ(FindDetailPayload(first, 2), nullptr) << "rows naming entries 5 and -1 lead nowhere";
}

TEST(EntryDetailsTest, NoFrameOrNoNumberFindsNothing) {
    HandFrame frame({{0, 0, 0xB0}});
    FCNoteEntry loose(host::EntryRef(frame.Entry(0)), nullptr, 1, 11);
    EXPECT_EQ(FindDetailPayload(loose, 0), nullptr) << "no frame";
    ex::SetEntryNumber(frame.Entry(0), 0);
    FCNoteEntry unnumbered(host::EntryRef(frame.Entry(0)), frame.Tgf(), 1, 11);
    EXPECT_EQ(FindDetailPayload(unnumbered, 0), nullptr) << "not numbered yet";
    host::StorePointer(frame.header.data(), tgf::kDetails, nullptr);
    ex::SetEntryNumber(frame.Entry(0), 7);
    EXPECT_EQ(FindDetailPayload(unnumbered, 0), nullptr) << "a count without a table";
}

}  // namespace
}  // namespace qz
