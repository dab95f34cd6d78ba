#include "hostsim/fx_api.h"

#include <type_traits>
#include <utility>

#include "hostsim/sim_host.h"

namespace h = qz::host;

static_assert(std::is_same_v<decltype(&FX_LoadTGF), h::FX_LoadTGF_t>);
static_assert(std::is_same_v<decltype(&FX_SaveTGF), h::FX_SaveTGF_t>);
static_assert(std::is_same_v<decltype(&FX_FreeTGF), h::FX_FreeTGF_t>);
static_assert(std::is_same_v<decltype(&FX_InsertEXENTRY), h::FX_InsertEXENTRY_t>);
static_assert(std::is_same_v<decltype(&FX_DeleteEXENTRY), h::FX_DeleteEXENTRY_t>);
static_assert(std::is_same_v<decltype(&FX_LoadEData), h::FX_LoadEData_t>);
static_assert(std::is_same_v<decltype(&FX_SaveEData), h::FX_SaveEData_t>);
static_assert(std::is_same_v<decltype(&FX_CreateEData), h::FX_CreateEData_t>);
static_assert(std::is_same_v<decltype(&FX_DeleteEData), h::FX_DeleteEData_t>);
static_assert(std::is_same_v<decltype(&FX_NextEData), h::FX_NextEData_t>);
static_assert(std::is_same_v<decltype(&FX_SlotToInst), h::FX_SlotToInst_t>);
static_assert(std::is_same_v<decltype(&FX_InstToSlot), h::FX_InstToSlot_t>);
static_assert(std::is_same_v<decltype(&FX_GetCurERegions), h::FX_GetCurERegions_t>);
static_assert(std::is_same_v<decltype(&FX_GetTGFDuration), h::FX_GetTGFDuration_t>);
static_assert(std::is_same_v<decltype(&FX_GetShowLayer), h::FX_GetShowLayer_t>);
static_assert(std::is_same_v<decltype(&FX_GetCurrentEnigmaDocument),
                             h::FX_GetCurrentEnigmaDocument_t>);
static_assert(std::is_same_v<decltype(&FX_GetMaxLayers), h::FX_GetMaxLayers_t>);

namespace hostsim {

namespace {

// The host that the FX_ functions serve. It lives here, not in sim_host.cc, so that a program
// that uses a SimHost always links this file, and with it the exported functions.
SimHost* g_current = nullptr;

}  // namespace

SimHost* SimHost::Current() { return g_current; }
void SimHost::MakeCurrent() { g_current = this; }
void SimHost::MakeNoneCurrent() { g_current = nullptr; }

}  // namespace hostsim

namespace {

// Runs `call` on the current host (whose functions guard themselves); the neutral `fallback`
// without one.
template <typename Result, typename Call>
Result OnCurrentHost(Result fallback, Call&& call) {
    hostsim::SimHost* host = hostsim::SimHost::Current();
    return host == nullptr ? fallback : std::forward<Call>(call)(*host);
}

}  // namespace

extern "C" {

h::TGF* FX_LoadTGF(uint16_t slotScope, uint16_t slot, uint16_t measure, uint16_t layer,
                   uint16_t requireFrame, uint32_t version) {
    return OnCurrentHost<h::TGF*>(nullptr, [&](hostsim::SimHost& s) {
        return s.LoadTGF(slotScope, slot, measure, layer, requireFrame, version);
    });
}

int16_t FX_SaveTGF(h::TGF* frame, uint32_t version) {
    return OnCurrentHost<int16_t>(0, [&](hostsim::SimHost& s) { return s.SaveTGF(frame, version); });
}

int16_t FX_FreeTGF(h::TGF* frame, uint32_t version) {
    return OnCurrentHost<int16_t>(0, [&](hostsim::SimHost& s) { return s.FreeTGF(frame, version); });
}

int16_t FX_InsertEXENTRY(h::TGF* frame, uint16_t where, uint16_t count, uint32_t version) {
    return OnCurrentHost<int16_t>(0, [&](hostsim::SimHost& s) {
        return s.InsertEXENTRY(frame, where, count, version);
    });
}

int16_t FX_DeleteEXENTRY(h::TGF* frame, uint16_t where, uint16_t count, uint32_t version) {
    return OnCurrentHost<int16_t>(0, [&](hostsim::SimHost& s) {
        return s.DeleteEXENTRY(frame, where, count, version);
    });
}

int16_t FX_LoadEData(uint32_t tag, void* key, void* buffer, uint32_t* size, uint32_t version) {
    return OnCurrentHost<int16_t>(0, [&](hostsim::SimHost& s) {
        return s.LoadEData(tag, key, buffer, size, version);
    });
}

int16_t FX_SaveEData(uint32_t tag, const void* key, const void* buffer, int32_t size,
                     uint32_t version) {
    return OnCurrentHost<int16_t>(0, [&](hostsim::SimHost& s) {
        return s.SaveEData(tag, key, buffer, size, version);
    });
}

int16_t FX_CreateEData(uint32_t tag, void* key, const void* buffer, int32_t size,
                       uint32_t version) {
    return OnCurrentHost<int16_t>(0, [&](hostsim::SimHost& s) {
        return s.CreateEData(tag, key, buffer, size, version);
    });
}

int16_t FX_DeleteEData(uint32_t tag, const void* key, uint32_t version) {
    return OnCurrentHost<int16_t>(0, [&](hostsim::SimHost& s) {
        return s.DeleteEData(tag, key, version);
    });
}

int16_t FX_NextEData(uint32_t tag, void* key, void* unused1, void* unused2, uint32_t version) {
    return OnCurrentHost<int16_t>(0, [&](hostsim::SimHost& s) {
        return s.NextEData(tag, key, unused1, unused2, version);
    });
}

int16_t FX_SlotToInst(uint16_t slot, uint16_t slotScope, uint32_t version) {
    return OnCurrentHost<int16_t>(0, [&](hostsim::SimHost& s) {
        return s.SlotToInst(slot, slotScope, version);
    });
}

int16_t FX_InstToSlot(uint16_t instrument, uint16_t zero, uint32_t version) {
    return OnCurrentHost<int16_t>(0, [&](hostsim::SimHost& s) {
        return s.InstToSlot(instrument, zero, version);
    });
}

int16_t FX_GetCurERegions(void* scratch8, void* scratch24, void* region, uint32_t version) {
    return OnCurrentHost<int16_t>(0, [&](hostsim::SimHost& s) {
        return s.GetCurERegions(scratch8, scratch24, region, version);
    });
}

int32_t FX_GetTGFDuration(const h::TGF* frame, uint32_t version) {
    return OnCurrentHost<int32_t>(0, [&](hostsim::SimHost& s) {
        return s.GetTGFDuration(frame, version);
    });
}

int16_t FX_GetShowLayer(uint16_t layer, uint32_t version) {
    return OnCurrentHost<int16_t>(0, [&](hostsim::SimHost& s) {
        return s.GetShowLayer(layer, version);
    });
}

int16_t FX_GetCurrentEnigmaDocument(uint32_t version) {
    return OnCurrentHost<int16_t>(0, [&](hostsim::SimHost& s) {
        return s.GetCurrentEnigmaDocument(version);
    });
}

int16_t FX_GetMaxLayers(uint32_t version) {
    return OnCurrentHost<int16_t>(0, [&](hostsim::SimHost& s) {
        return s.GetMaxLayers(version);
    });
}

}  // extern "C"

namespace hostsim {

namespace {

template <typename Fn>
qz::platform::ProcAddress AsProc(Fn function) {
    return reinterpret_cast<qz::platform::ProcAddress>(function);
}

}  // namespace

qz::platform::ProcAddress FxFunctionAddress(const std::string& name) {
    struct Entry {
        const char* name;
        qz::platform::ProcAddress address;
    };
    static const Entry table[] = {
        {"FX_LoadTGF", AsProc(&FX_LoadTGF)},
        {"FX_SaveTGF", AsProc(&FX_SaveTGF)},
        {"FX_FreeTGF", AsProc(&FX_FreeTGF)},
        {"FX_InsertEXENTRY", AsProc(&FX_InsertEXENTRY)},
        {"FX_DeleteEXENTRY", AsProc(&FX_DeleteEXENTRY)},
        {"FX_LoadEData", AsProc(&FX_LoadEData)},
        {"FX_SaveEData", AsProc(&FX_SaveEData)},
        {"FX_CreateEData", AsProc(&FX_CreateEData)},
        {"FX_DeleteEData", AsProc(&FX_DeleteEData)},
        {"FX_NextEData", AsProc(&FX_NextEData)},
        {"FX_SlotToInst", AsProc(&FX_SlotToInst)},
        {"FX_InstToSlot", AsProc(&FX_InstToSlot)},
        {"FX_GetCurERegions", AsProc(&FX_GetCurERegions)},
        {"FX_GetTGFDuration", AsProc(&FX_GetTGFDuration)},
        {"FX_GetShowLayer", AsProc(&FX_GetShowLayer)},
        {"FX_GetCurrentEnigmaDocument", AsProc(&FX_GetCurrentEnigmaDocument)},
        {"FX_GetMaxLayers", AsProc(&FX_GetMaxLayers)},
    };
    for (const Entry& e : table)
        if (name == e.name) return e.address;
    return nullptr;
}

}  // namespace hostsim
