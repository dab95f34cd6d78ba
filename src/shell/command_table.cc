#include "shell/command_table.h"

#include <cstring>

#include "framework/string.h"
#include "host/bytes.h"

namespace qz::shell {
namespace {

constexpr Command kCommands[] = {
    {"QZ Motifgraft - SET SOURCE", "Sets the rhythm pattern source prior to a motifgraft.",
     "Motifgraft/SET", 0x00000001},
    {"QZ Motifgraft - CREATE",
     "Merges the pattern of the source with the harmonic changes of the destination region.",
     "Motifgraft/CREATE", 0x00010001},
};

// Copies at most 64 bytes of `text`, zero-filling the rest of the field.
void StoreFixedText(unsigned char* record, std::size_t offset, const char* text) {
    unsigned char* field = record + offset;
    std::size_t n = 0;
    while (n < menu_item::kTextFieldBytes && text[n] != '\0') ++n;
    std::memcpy(field, text, n);
    std::memset(field + n, 0, menu_item::kTextFieldBytes - n);
}

// Copies at most 63 units of `text` and one zero unit; the rest of the field stays as it was.
void StoreWideText(unsigned char* record, std::size_t offset, const FCString& text) {
    std::size_t n = static_cast<std::size_t>(text.GetLength());
    if (n > menu_item16::kCopiedUnits) n = menu_item16::kCopiedUnits;
    const char16_t* units = text.GetText();
    for (std::size_t i = 0; i < n; ++i)
        host::Store<char16_t>(record, offset + i * sizeof(char16_t), units[i]);
    host::Store<char16_t>(record, offset + n * sizeof(char16_t), u'\0');
}

static_assert(menu_item::kItemPath + menu_item::kTextFieldBytes == menu_item::kItemFlags);
static_assert(menu_item::kItemFlags + sizeof(uint32_t) == menu_item::kSize);
static_assert(menu_item16::kItemPath + 2 * menu_item16::kTextFieldUnits == menu_item16::kItemFlags);
static_assert(menu_item16::kItemFlags + sizeof(uint32_t) == menu_item16::kSize);
static_assert(menu_item16::kCopiedUnits < menu_item16::kTextFieldUnits);

}  // namespace

const Command* FindCommand(int16_t index) {
    if (index != kSetSourceIndex && index != kCreateIndex) return nullptr;
    return &kCommands[index];
}

bool FillMenuItem(int16_t index, void* item) {
    const Command* command = FindCommand(index);
    if (command == nullptr || item == nullptr) return false;
    auto* record = static_cast<unsigned char*>(item);
    StoreFixedText(record, menu_item::kItemName, command->itemName);
    StoreFixedText(record, menu_item::kItemDescription, command->itemDescription);
    StoreFixedText(record, menu_item::kItemPath, command->itemPath);
    host::Store<uint32_t>(record, menu_item::kItemFlags, command->itemFlags);
    return true;
}

bool FillMenuItem16(int16_t index, void* item) {
    const Command* command = FindCommand(index);
    if (command == nullptr || item == nullptr) return false;
    // Widen all three texts first, so that an allocation failure leaves the record untouched.
    FCString name;
    FCString description;
    FCString path;
    if (!name.SetCString(command->itemName) || !description.SetCString(command->itemDescription) ||
        !path.SetCString(command->itemPath))
        return false;
    auto* record = static_cast<unsigned char*>(item);
    StoreWideText(record, menu_item16::kItemName, name);
    StoreWideText(record, menu_item16::kItemDescription, description);
    StoreWideText(record, menu_item16::kItemPath, path);
    host::Store<uint32_t>(record, menu_item16::kItemFlags, command->itemFlags);
    return true;
}

}  // namespace qz::shell
