// Building the host's menu: the two enumerators filling the host's records byte for byte, and
// the calls the host makes right after loading the plug-in.
#include <cstring>
#include <vector>

#include "e2e_support.h"
#include "hostsim/emulator/printable.h"

namespace {

using emulator::HexBytes;
using emulator::Quoted;

constexpr unsigned char kSentinel = 0xA5;
constexpr std::size_t k8BitRecord = 196;
constexpr std::size_t k16BitRecord = 772;
constexpr std::size_t kSlack = 64;  // bytes past the record that must stay untouched

struct Command {
    uint16_t index;
    std::string name, description, path;
    uint32_t flags;
};

const Command kCommands[] = {
    {0, "QZ Motifgraft - SET SOURCE", "Sets the rhythm pattern source prior to a motifgraft.",
     "Motifgraft/SET", 0x00000001},
    {1, "QZ Motifgraft - CREATE",
     "Merges the pattern of the source with the harmonic changes of the destination region.",
     "Motifgraft/CREATE", 0x00010001}};

// Indexes that name no command, as the host might pass them (-1 is 0xFFFF).
const uint16_t kOtherIndexes[] = {2, 0xFFFF, 7, 0x8000, 0x0100};

// 8-bit field: up to 64 bytes of text, zero-padded to the end of the field when shorter.
void Expect8BitField(std::vector<unsigned char>& record, std::size_t offset,
                     const std::string& text) {
    std::size_t copied = std::min<std::size_t>(text.size(), 64);
    std::memcpy(record.data() + offset, text.data(), copied);
    std::memset(record.data() + offset + copied, 0, 64 - copied);
}

// UTF-16 field: at most 63 units, one zero unit; the rest of the field keeps the host's bytes.
void Expect16BitField(std::vector<unsigned char>& record, std::size_t offset,
                      const std::string& text) {
    std::size_t units = std::min<std::size_t>(text.size(), 63);
    for (std::size_t i = 0; i < units; ++i) {
        record[offset + 2 * i] = static_cast<unsigned char>(text[i]);
        record[offset + 2 * i + 1] = 0;
    }
    record[offset + 2 * units] = 0;
    record[offset + 2 * units + 1] = 0;
}

void StoreFlags(std::vector<unsigned char>& record, std::size_t offset, uint32_t flags) {
    for (int i = 0; i < 4; ++i) record[offset + i] = static_cast<unsigned char>(flags >> (8 * i));
}

// Compares the whole buffer and names the first byte that differs.
void ExpectBytes(emulator::Checks& checks, const std::string& what,
                 const std::vector<unsigned char>& actual,
                 const std::vector<unsigned char>& expected) {
    std::size_t at = 0;
    while (at < actual.size() && actual[at] == expected[at]) ++at;
    if (at == actual.size()) {
        checks.Expect(true, what, "all " + std::to_string(actual.size()) + " bytes as expected");
        return;
    }
    std::size_t from = at >= 4 ? at - 4 : 0;
    checks.Expect(false, what,
                  "first difference at byte " + std::to_string(at) + ": got " +
                      HexBytes(actual.data() + from, actual.size() - from) + ", expected " +
                      HexBytes(expected.data() + from, expected.size() - from) +
                      " (from byte " + std::to_string(from) + ")");
}

std::string FieldText8(const std::vector<unsigned char>& record, std::size_t offset) {
    std::string text;
    for (std::size_t i = 0; i < 64 && record[offset + i] != 0; ++i)
        text += static_cast<char>(record[offset + i]);
    return text;
}

std::u16string FieldText16(const std::vector<unsigned char>& record, std::size_t offset) {
    std::u16string text;
    for (std::size_t i = 0; i < 128; ++i) {
        char16_t unit = static_cast<char16_t>(record[offset + 2 * i] |
                                              (record[offset + 2 * i + 1] << 8));
        if (unit == 0) break;
        text += unit;
    }
    return text;
}

}  // namespace

QZ_SCENARIO(menu_records_8bit, FINALE, "") {
    for (const Command& command : kCommands) {
        std::vector<unsigned char> record(k8BitRecord + kSlack, kSentinel);
        int16_t result = session.plugin.Enumerate(command.index, record.data());
        const std::string at = "index " + std::to_string(command.index) + ": ";
        session.checks.ExpectEqual(at + "FinaleExtensionEnumerate result", result, 1);
        session.checks.Note(at + "itemName " + Quoted(FieldText8(record, 0)) +
                            ", itemDescription " + Quoted(FieldText8(record, 64)) +
                            ", itemPath " + Quoted(FieldText8(record, 128)));
        std::vector<unsigned char> expected(record.size(), kSentinel);
        Expect8BitField(expected, 0, command.name);
        Expect8BitField(expected, 64, command.description);
        Expect8BitField(expected, 128, command.path);
        StoreFlags(expected, 192, command.flags);
        ExpectBytes(session.checks,
                    at + "record byte for byte (fields zero-padded or cut at 64 bytes, flags " +
                        emulator::Hex(command.flags) + ", bytes after 196 untouched)",
                    record, expected);
    }
}

QZ_SCENARIO(menu_records_utf16, FINALE, "") {
    for (const Command& command : kCommands) {
        std::vector<unsigned char> record(k16BitRecord + kSlack, kSentinel);
        int16_t result = session.plugin.EnumerateUtf16(command.index, record.data());
        const std::string at = "index " + std::to_string(command.index) + ": ";
        session.checks.ExpectEqual(at + "FinaleExtensionEnumerate_UTF16 result", result, 1);
        session.checks.Note(at + "itemName " + Quoted(FieldText16(record, 0)) +
                            ", itemDescription " + Quoted(FieldText16(record, 256)) +
                            ", itemPath " + Quoted(FieldText16(record, 512)));
        std::vector<unsigned char> expected(record.size(), kSentinel);
        Expect16BitField(expected, 0, command.name);
        Expect16BitField(expected, 256, command.description);
        Expect16BitField(expected, 512, command.path);
        StoreFlags(expected, 768, command.flags);
        ExpectBytes(session.checks,
                    at + "record byte for byte (at most 63 units and one zero unit per field, "
                         "the rest untouched, flags " +
                        emulator::Hex(command.flags) + ")",
                    record, expected);
    }
}

QZ_SCENARIO(menu_other_indexes, FINALE, "") {
    for (uint16_t index : kOtherIndexes) {
        const std::string at = "index " + std::to_string(static_cast<int16_t>(index)) + ": ";
        std::vector<unsigned char> record8(k8BitRecord + kSlack, kSentinel);
        std::vector<unsigned char> record16(k16BitRecord + kSlack, kSentinel);
        session.checks.ExpectEqual(at + "FinaleExtensionEnumerate result",
                                   session.plugin.Enumerate(index, record8.data()), 0);
        ExpectBytes(session.checks, at + "8-bit record untouched", record8,
                    std::vector<unsigned char>(record8.size(), kSentinel));
        session.checks.ExpectEqual(at + "FinaleExtensionEnumerate_UTF16 result",
                                   session.plugin.EnumerateUtf16(index, record16.data()), 0);
        ExpectBytes(session.checks, at + "UTF-16 record untouched", record16,
                    std::vector<unsigned char>(record16.size(), kSentinel));
    }
    // Only the low 16 bits are the index: 0x00010000 must not read as a command either way.
    std::vector<unsigned char> record(k8BitRecord + kSlack, kSentinel);
    session.checks.ExpectEqual("index word 0x0000000100000002 (command 2) result",
                               session.plugin.EnumerateRaw(0x0000000100000002ull, record.data()),
                               0);
    session.checks.ExpectEqual("index word 0xFFFFFFFFFFFF0000 (command 0) result",
                               session.plugin.EnumerateRaw(0xFFFFFFFFFFFF0000ull, record.data()),
                               1);
    session.checks.ExpectEqual("... and it filled the SET SOURCE name", FieldText8(record, 0),
                               kCommands[0].name);
}

QZ_SCENARIO(init_and_version, FINALE, "") {
    emulator::Checks& checks = session.checks;
    checks.ExpectEqualHex("FinaleExtensionVersion(0x12000000) returns the version",
                          session.plugin.Version(0x12000000), 0x12000000);
    checks.ExpectEqualHex("FinaleExtensionVersion(0x19000000) returns the version",
                          session.plugin.Version(0x19000000), 0x19000000);
    checks.ExpectEqualHex("FinaleExtensionVersion(0) returns 0", session.plugin.Version(0), 0);

    // The flags word sits between sentinel words, which must stay as they are.
    const std::pair<uint32_t, uint32_t> cases[] = {
        {0x00000002, 0x00000003}, {0x00000001, 0x00000001}, {0x00000000, 0x00000001},
        {0xFFFFFFFE, 0xFFFFFFFF}, {0x80000000, 0x80000001}};
    for (const auto& [before, after] : cases) {
        uint32_t words[3] = {0xA5A5A5A5, before, 0xA5A5A5A5};
        int16_t result = session.plugin.Init(&words[1]);
        const std::string at = "Init on " + emulator::Hex(before) + ": ";
        checks.ExpectEqual(at + "result", result, 1);
        checks.ExpectEqualHex(at + "flags word", words[1], after);
        checks.Expect(words[0] == 0xA5A5A5A5 && words[2] == 0xA5A5A5A5,
                      at + "neighbouring words untouched",
                      emulator::Hex(words[0]) + " " + emulator::Hex(words[2]));
    }
    checks.ExpectEqual("menu status of SET SOURCE after Init", session.plugin.GetMenuStatus(0),
                       1);
    e2e::ExpectCreateStatus(session, 0, "after Init");
}
