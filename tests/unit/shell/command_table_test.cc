#include "hostsim/sim_host.h"
#include "shell/command_table.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "shell/plugin.h"

namespace qz::shell {
namespace {

constexpr unsigned char kSentinel = 0xCC;
using Bytes = std::vector<unsigned char>;

// The expected 8-bit field: the text's first 64 bytes, zero-padded.
void ExpectFixed(Bytes& expected, std::size_t offset, const std::string& text) {
    for (std::size_t i = 0; i < 64; ++i)
        expected[offset + i] = i < text.size() ? static_cast<unsigned char>(text[i]) : 0;
}

// The expected UTF-16 field: up to 63 units, one zero unit, nothing else written.
void ExpectWide(Bytes& expected, std::size_t offset, const std::string& text) {
    const std::size_t n = text.size() < 63 ? text.size() : 63;
    for (std::size_t i = 0; i <= n; ++i) {
        expected[offset + 2 * i] = i < n ? static_cast<unsigned char>(text[i]) : 0;
        expected[offset + 2 * i + 1] = 0;
    }
}

void ExpectFlags(Bytes& expected, std::size_t offset, uint32_t flags) {
    for (std::size_t i = 0; i < 4; ++i)
        expected[offset + i] = static_cast<unsigned char>(flags >> (8 * i));
}

// The first offset where the two differ, for the failure message.
std::string FirstDifference(const Bytes& actual, const Bytes& expected) {
    for (std::size_t i = 0; i < actual.size(); ++i)
        if (actual[i] != expected[i])
            return "byte " + std::to_string(i) + ": " + std::to_string(actual[i]) +
                   ", expected " + std::to_string(expected[i]);
    return "none";
}

struct CommandTexts {
    int16_t index;
    std::string name, description, path;
    uint32_t flags;
};

const CommandTexts kExpected[] = {
    {0, "QZ Motifgraft - SET SOURCE", "Sets the rhythm pattern source prior to a motifgraft.",
     "Motifgraft/SET", 0x00000001},
    {1, "QZ Motifgraft - CREATE",
     "Merges the pattern of the source with the harmonic changes of the destination region.",
     "Motifgraft/CREATE", 0x00010001},
};

// Records are given room beyond their size, to show that nothing is written past them.
constexpr std::size_t kRoom8 = 196 + 24;
constexpr std::size_t kRoom16 = 772 + 28;

TEST(CommandTableTest, EightBitRecordsFollowTheFixedWidthRule) {
    for (const CommandTexts& c : kExpected) {
        hostsim::SimHost sim;
        Plugin plugin(sim);
        Bytes record(kRoom8, kSentinel);
        ASSERT_EQ(plugin.Enumerate(nullptr, c.index, record.data()), 1) << c.index;
        Bytes expected(kRoom8, kSentinel);
        ExpectFixed(expected, 0, c.name);
        ExpectFixed(expected, 64, c.description);
        ExpectFixed(expected, 128, c.path);
        ExpectFlags(expected, 192, c.flags);
        EXPECT_EQ(record, expected) << "index " << c.index << ", first difference at "
                                    << FirstDifference(record, expected);
    }
}

TEST(CommandTableTest, LongDescriptionFillsItsEightBitFieldWithoutTerminator) {
    hostsim::SimHost sim;
    Plugin plugin(sim);
    Bytes record(kRoom8, kSentinel);
    ASSERT_EQ(plugin.Enumerate(nullptr, 1, record.data()), 1);
    const std::string field(reinterpret_cast<const char*>(record.data()) + 64, 64);
    EXPECT_EQ(field, "Merges the pattern of the source with the harmonic changes of th");
    EXPECT_EQ(std::memcmp(record.data() + 128, "Motifgraft/CREATE", 17), 0);
    uint32_t flags = 0;
    std::memcpy(&flags, record.data() + 192, 4);
    EXPECT_EQ(flags, 0x00010001u);
}

TEST(CommandTableTest, WideRecordsWriteOneTerminatorAndLeaveTheRestOfEachField) {
    for (const CommandTexts& c : kExpected) {
        hostsim::SimHost sim;
        Plugin plugin(sim);
        Bytes record(kRoom16, kSentinel);
        ASSERT_EQ(plugin.EnumerateUtf16(nullptr, c.index, record.data()), 1) << c.index;
        Bytes expected(kRoom16, kSentinel);
        ExpectWide(expected, 0, c.name);
        ExpectWide(expected, 256, c.description);
        ExpectWide(expected, 512, c.path);
        ExpectFlags(expected, 768, c.flags);
        EXPECT_EQ(record, expected) << "index " << c.index << ", first difference at "
                                    << FirstDifference(record, expected);
    }
}

TEST(CommandTableTest, LongDescriptionStopsAtSixtyThreeUnits) {
    hostsim::SimHost sim;
    Plugin plugin(sim);
    Bytes record(kRoom16, kSentinel);
    ASSERT_EQ(plugin.EnumerateUtf16(nullptr, 1, record.data()), 1);
    std::u16string field;
    for (std::size_t offset = 256; offset < 382; offset += 2) {
        char16_t unit = 0;
        std::memcpy(&unit, record.data() + offset, 2);
        field += unit;
    }
    EXPECT_EQ(field, u"Merges the pattern of the source with the harmonic changes of t");
    EXPECT_EQ(record[382], 0);
    EXPECT_EQ(record[383], 0);
    for (std::size_t i = 384; i < 512; ++i) ASSERT_EQ(record[i], kSentinel) << "byte " << i;
}

TEST(CommandTableTest, OtherIndicesAndNullRecordsWriteNothing) {
    hostsim::SimHost sim;
    Plugin plugin(sim);
    for (int16_t index : {int16_t{2}, int16_t{-1}, int16_t{7}, int16_t{INT16_MIN},
                          int16_t{INT16_MAX}}) {
        Bytes record8(kRoom8, kSentinel);
        Bytes record16(kRoom16, kSentinel);
        EXPECT_EQ(plugin.Enumerate(nullptr, index, record8.data()), 0) << index;
        EXPECT_EQ(plugin.EnumerateUtf16(nullptr, index, record16.data()), 0) << index;
        EXPECT_EQ(record8, Bytes(kRoom8, kSentinel)) << index;
        EXPECT_EQ(record16, Bytes(kRoom16, kSentinel)) << index;
    }
    EXPECT_EQ(plugin.Enumerate(nullptr, 0, nullptr), 0);
    EXPECT_EQ(plugin.EnumerateUtf16(nullptr, 1, nullptr), 0);
}

}  // namespace
}  // namespace qz::shell
