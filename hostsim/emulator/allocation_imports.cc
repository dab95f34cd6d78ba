#include "hostsim/emulator/allocation_imports.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <vector>

namespace emulator::allocation_imports {

namespace {

using MallocFn = void* (*)(std::size_t);
using CallocFn = void* (*)(std::size_t, std::size_t);
using ReallocFn = void* (*)(void*, std::size_t);
using FreeFn = void (*)(void*);

MallocFn g_malloc = nullptr;
CallocFn g_calloc = nullptr;
ReallocFn g_realloc = nullptr;
FreeFn g_free = nullptr;

long long g_count = 0;
long long g_refused = 0;
long long g_liveBlocks = 0;
long long g_failAt = 0;  // 0: refuse nothing
bool g_persistent = false;

// Counts one allocation and says whether it is to be refused.
bool Refuse() {
    ++g_count;
    const bool refuse = g_failAt != 0 && (g_count == g_failAt || (g_persistent && g_count > g_failAt));
    if (refuse) ++g_refused;
    return refuse;
}

void* CountingMalloc(std::size_t size) {
    if (Refuse()) return nullptr;
    void* block = g_malloc(size);
    if (block != nullptr) ++g_liveBlocks;
    return block;
}

void* CountingCalloc(std::size_t count, std::size_t size) {
    if (Refuse()) return nullptr;
    void* block = g_calloc(count, size);
    if (block != nullptr) ++g_liveBlocks;
    return block;
}

void* CountingRealloc(void* block, std::size_t size) {
    // A zero size frees the block: no allocation to count or refuse.
    if (size == 0) {
        if (block != nullptr) --g_liveBlocks;
        return g_realloc(block, size);
    }
    if (Refuse()) return nullptr;
    void* moved = g_realloc(block, size);
    if (moved != nullptr && block == nullptr) ++g_liveBlocks;
    return moved;
}

void CountingFree(void* block) {
    if (block != nullptr) --g_liveBlocks;
    g_free(block);
}

struct Target {
    const char* name;
    void* wrapper;
    void** original;
};

// An import slot of the module, and which target it names.
struct Slot {
    ULONGLONG* address;
    const Target* target;
};

std::vector<Slot> FindSlots(HMODULE module, const std::vector<Target>& targets) {
    auto* base = reinterpret_cast<unsigned char*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS64*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    std::vector<Slot> slots;
    if (imports.VirtualAddress == 0) return slots;
    for (auto* dll = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
         dll->Name != 0; ++dll) {
        const DWORD namesRva = dll->OriginalFirstThunk != 0 ? dll->OriginalFirstThunk : dll->FirstThunk;
        auto* names = reinterpret_cast<const IMAGE_THUNK_DATA64*>(base + namesRva);
        auto* bound = reinterpret_cast<IMAGE_THUNK_DATA64*>(base + dll->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++bound) {
            if (IMAGE_SNAP_BY_ORDINAL64(names->u1.Ordinal)) continue;
            const auto* byName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            for (const Target& target : targets)
                if (std::strcmp(reinterpret_cast<const char*>(byName->Name), target.name) == 0)
                    slots.push_back({&bound->u1.Function, &target});
        }
    }
    return slots;
}

bool Write(ULONGLONG* slot, void* value) {
    DWORD was = 0;
    if (!VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &was)) return false;
    *slot = reinterpret_cast<ULONGLONG>(value);
    VirtualProtect(slot, sizeof *slot, was, &was);
    return true;
}

}  // namespace

std::string Hook(HMODULE module) {
    const std::vector<Target> targets = {
        {"malloc", reinterpret_cast<void*>(&CountingMalloc), reinterpret_cast<void**>(&g_malloc)},
        {"calloc", reinterpret_cast<void*>(&CountingCalloc), reinterpret_cast<void**>(&g_calloc)},
        {"realloc", reinterpret_cast<void*>(&CountingRealloc), reinterpret_cast<void**>(&g_realloc)},
        {"free", reinterpret_cast<void*>(&CountingFree), reinterpret_cast<void**>(&g_free)}};
    const std::vector<Slot> slots = FindSlots(module, targets);
    std::string missing;
    for (const Target& target : targets)
        if (std::none_of(slots.begin(), slots.end(), [&](const Slot& s) { return s.target == &target; }))
            missing += std::string(missing.empty() ? "no import of " : ", ") + target.name;
    if (!missing.empty()) return missing;
    for (const Slot& slot : slots) *slot.target->original = reinterpret_cast<void*>(*slot.address);
    for (const Slot& slot : slots)
        if (!Write(slot.address, slot.target->wrapper)) return "the import table cannot be written";
    g_liveBlocks = 0;
    Disarm();
    return "";
}

long long Count() { return g_count; }
long long Refused() { return g_refused; }
long long LiveBlocks() { return g_liveBlocks; }

void Arm(long long nth, bool persistent) {
    g_count = g_refused = 0;
    g_failAt = nth;
    g_persistent = persistent;
}

void Disarm() { Arm(0, false); }

}  // namespace emulator::allocation_imports
