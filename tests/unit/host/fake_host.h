// A hand-made host for binding tests: seventeen FX_ functions that record their arguments and
// answer with values a test chooses, registered in the platform stand-in one by one, so that a
// test controls exactly which functions a module exports. Header-only: used by this folder's
// tests alone.
#pragma once

#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "host/host_abi.h"
#include "platform/native_stand_in.h"
#include "platform/platform.h"

namespace qz::host::fake {

struct Call {
    std::string name;
    std::vector<uint64_t> args;  // pointers as addresses, the trailing version included
};

// What the fake functions answer.
struct Answers {
    int16_t result16 = 7;             // every i16 result
    int32_t duration = 70000;         // FX_GetTGFDuration
    TGF* frame = nullptr;             // FX_LoadTGF
    unsigned char regionByte = 0x5A;  // FX_GetCurERegions fills the 20-byte region with it
};

// The calls since the last Reset.
inline std::vector<Call>& Calls() {
    static std::vector<Call> calls;
    return calls;
}

inline Answers& Answer() {
    static Answers answers;
    return answers;
}

inline void Reset() {
    Calls().clear();
    Answer() = Answers{};
}

inline int CallCount(const std::string& name) {
    int n = 0;
    for (const Call& c : Calls())
        if (c.name == name) ++n;
    return n;
}

namespace detail {

inline uint64_t Address(const void* p) { return reinterpret_cast<uintptr_t>(p); }
inline uint64_t Value(int32_t v) { return static_cast<uint64_t>(static_cast<uint32_t>(v)); }
inline void Log(const char* name, std::vector<uint64_t> args) {
    Calls().push_back({name, std::move(args)});
}

inline TGF* LoadTGF(uint16_t scope, uint16_t slot, uint16_t measure, uint16_t layer,
                    uint16_t require, uint32_t version) {
    Log("FX_LoadTGF", {scope, slot, measure, layer, require, version});
    return Answer().frame;
}
inline int16_t SaveTGF(TGF* frame, uint32_t version) {
    Log("FX_SaveTGF", {Address(frame), version});
    return Answer().result16;
}
inline int16_t FreeTGF(TGF* frame, uint32_t version) {
    Log("FX_FreeTGF", {Address(frame), version});
    return Answer().result16;
}
inline int16_t InsertEXENTRY(TGF* frame, uint16_t where, uint16_t count, uint32_t version) {
    Log("FX_InsertEXENTRY", {Address(frame), where, count, version});
    return Answer().result16;
}
inline int16_t DeleteEXENTRY(TGF* frame, uint16_t where, uint16_t count, uint32_t version) {
    Log("FX_DeleteEXENTRY", {Address(frame), where, count, version});
    return Answer().result16;
}
inline int16_t LoadEData(uint32_t tag, void* key, void* buffer, uint32_t* size,
                         uint32_t version) {
    Log("FX_LoadEData", {tag, Address(key), Address(buffer), Address(size), version});
    return Answer().result16;
}
inline int16_t SaveEData(uint32_t tag, const void* key, const void* buffer, int32_t size,
                         uint32_t version) {
    Log("FX_SaveEData", {tag, Address(key), Address(buffer), Value(size), version});
    return Answer().result16;
}
inline int16_t CreateEData(uint32_t tag, void* key, const void* buffer, int32_t size,
                           uint32_t version) {
    Log("FX_CreateEData", {tag, Address(key), Address(buffer), Value(size), version});
    return Answer().result16;
}
inline int16_t DeleteEData(uint32_t tag, const void* key, uint32_t version) {
    Log("FX_DeleteEData", {tag, Address(key), version});
    return Answer().result16;
}
inline int16_t NextEData(uint32_t tag, void* key, void* unused1, void* unused2,
                         uint32_t version) {
    Log("FX_NextEData", {tag, Address(key), Address(unused1), Address(unused2), version});
    return Answer().result16;
}
inline int16_t SlotToInst(uint16_t slot, uint16_t scope, uint32_t version) {
    Log("FX_SlotToInst", {slot, scope, version});
    return Answer().result16;
}
inline int16_t InstToSlot(uint16_t instrument, uint16_t zero, uint32_t version) {
    Log("FX_InstToSlot", {instrument, zero, version});
    return Answer().result16;
}
inline int16_t GetCurERegions(void* scratch8, void* scratch24, void* region, uint32_t version) {
    Log("FX_GetCurERegions", {Address(scratch8), Address(scratch24), Address(region), version});
    if (region != nullptr) std::memset(region, Answer().regionByte, 20);
    return Answer().result16;
}
inline int32_t GetTGFDuration(const TGF* frame, uint32_t version) {
    Log("FX_GetTGFDuration", {Address(frame), version});
    return Answer().duration;
}
inline int16_t GetShowLayer(uint16_t layer, uint32_t version) {
    Log("FX_GetShowLayer", {layer, version});
    return Answer().result16;
}
inline int16_t GetCurrentEnigmaDocument(uint32_t version) {
    Log("FX_GetCurrentEnigmaDocument", {version});
    return Answer().result16;
}
inline int16_t GetMaxLayers(uint32_t version) {
    Log("FX_GetMaxLayers", {version});
    return Answer().result16;
}

// Taking the host's exact function type makes the compiler check each fake's signature.
template <typename HostFunction>
platform::ProcAddress Proc(HostFunction fn) {
    return reinterpret_cast<platform::ProcAddress>(fn);
}

inline const std::map<std::string, platform::ProcAddress>& Table() {
    static const std::map<std::string, platform::ProcAddress> table = {
        {"FX_LoadTGF", Proc<FX_LoadTGF_t>(&LoadTGF)},
        {"FX_SaveTGF", Proc<FX_SaveTGF_t>(&SaveTGF)},
        {"FX_FreeTGF", Proc<FX_FreeTGF_t>(&FreeTGF)},
        {"FX_InsertEXENTRY", Proc<FX_InsertEXENTRY_t>(&InsertEXENTRY)},
        {"FX_DeleteEXENTRY", Proc<FX_DeleteEXENTRY_t>(&DeleteEXENTRY)},
        {"FX_LoadEData", Proc<FX_LoadEData_t>(&LoadEData)},
        {"FX_SaveEData", Proc<FX_SaveEData_t>(&SaveEData)},
        {"FX_CreateEData", Proc<FX_CreateEData_t>(&CreateEData)},
        {"FX_DeleteEData", Proc<FX_DeleteEData_t>(&DeleteEData)},
        {"FX_NextEData", Proc<FX_NextEData_t>(&NextEData)},
        {"FX_SlotToInst", Proc<FX_SlotToInst_t>(&SlotToInst)},
        {"FX_InstToSlot", Proc<FX_InstToSlot_t>(&InstToSlot)},
        {"FX_GetCurERegions", Proc<FX_GetCurERegions_t>(&GetCurERegions)},
        {"FX_GetTGFDuration", Proc<FX_GetTGFDuration_t>(&GetTGFDuration)},
        {"FX_GetShowLayer", Proc<FX_GetShowLayer_t>(&GetShowLayer)},
        {"FX_GetCurrentEnigmaDocument",
         Proc<FX_GetCurrentEnigmaDocument_t>(&GetCurrentEnigmaDocument)},
        {"FX_GetMaxLayers", Proc<FX_GetMaxLayers_t>(&GetMaxLayers)},
    };
    return table;
}

}  // namespace detail

// The seventeen function names, in the binding's order.
inline const std::vector<std::string>& FunctionNames() {
    static const std::vector<std::string> names = {
        "FX_LoadTGF",        "FX_SaveTGF",        "FX_FreeTGF",      "FX_InsertEXENTRY",
        "FX_DeleteEXENTRY",  "FX_LoadEData",      "FX_SaveEData",    "FX_CreateEData",
        "FX_DeleteEData",    "FX_NextEData",      "FX_SlotToInst",   "FX_InstToSlot",
        "FX_GetCurERegions", "FX_GetTGFDuration", "FX_GetShowLayer", "FX_GetCurrentEnigmaDocument",
        "FX_GetMaxLayers",
    };
    return names;
}

// The fake function exported under `name`, or null.
inline platform::ProcAddress FunctionNamed(const std::string& name) {
    auto it = detail::Table().find(name);
    return it == detail::Table().end() ? nullptr : it->second;
}

// Lets `module` export every fake function except `missing` (empty: none missing).
inline void RegisterAll(platform::ModuleHandle module, const std::string& missing = "") {
    for (const std::string& name : FunctionNames())
        if (name != missing) platform::stand_in::AddProcedure(module, name, FunctionNamed(name));
}

}  // namespace qz::host::fake
