// The seventeen FX_ functions of the simulator as the plug-in meets them, whether handed in as
// its HostApi or reached by name through fx_api.cc: each is counted as the host's own time while
// the host clock runs, marks the host as busy (InsideHostCall), and never lets a failure of the
// simulator itself (an allocation, say) unwind into the plug-in.
#include <chrono>
#include <utility>

#include "hostsim/sim_host.h"

namespace hostsim {
namespace {

int g_callDepth = 0;
bool g_clockOn = false;
long long g_hostNanoseconds = 0;

// Runs `serve`; the neutral `fallback` when the simulator fails. Only the outermost call is
// clocked: a host function the simulator calls from inside another is part of the outer one's
// time.
template <typename Result, typename Serve>
Result Guarded(Result fallback, Serve&& serve) {
    struct Depth {
        bool clocked = g_clockOn && g_callDepth == 0;
        std::chrono::steady_clock::time_point start =
            clocked ? std::chrono::steady_clock::now() : std::chrono::steady_clock::time_point{};
        Depth() { ++g_callDepth; }
        ~Depth() {
            --g_callDepth;
            if (clocked)
                g_hostNanoseconds += std::chrono::duration_cast<std::chrono::nanoseconds>(
                                         std::chrono::steady_clock::now() - start)
                                         .count();
        }
    } depth;
    try {
        return std::forward<Serve>(serve)();
    } catch (...) {
        return fallback;
    }
}

}  // namespace

bool InsideHostCall() { return g_callDepth > 0; }
void SetHostClock(bool on) { g_clockOn = on; }
long long HostNanoseconds() { return g_hostNanoseconds; }
void ResetHostClock() { g_hostNanoseconds = 0; }

using qz::host::TGF;

TGF* SimHost::LoadTGF(uint16_t scope, uint16_t slot, uint16_t measure, uint16_t layer,
                      uint16_t require, uint32_t version) {
    return Guarded<TGF*>(nullptr, [&] { return ServeLoadTGF(scope, slot, measure, layer, require, version); });
}
int16_t SimHost::SaveTGF(TGF* frame, uint32_t version) {
    return Guarded<int16_t>(0, [&] { return ServeSaveTGF(frame, version); });
}
int16_t SimHost::FreeTGF(TGF* frame, uint32_t version) {
    return Guarded<int16_t>(0, [&] { return ServeFreeTGF(frame, version); });
}
int16_t SimHost::InsertEXENTRY(TGF* frame, uint16_t where, uint16_t count, uint32_t version) {
    return Guarded<int16_t>(0, [&] { return ServeInsertEXENTRY(frame, where, count, version); });
}
int16_t SimHost::DeleteEXENTRY(TGF* frame, uint16_t where, uint16_t count, uint32_t version) {
    return Guarded<int16_t>(0, [&] { return ServeDeleteEXENTRY(frame, where, count, version); });
}
int16_t SimHost::LoadEData(uint32_t tag, void* key, void* buffer, uint32_t* size, uint32_t version) {
    return Guarded<int16_t>(0, [&] { return ServeLoadEData(tag, key, buffer, size, version); });
}
int16_t SimHost::SaveEData(uint32_t tag, const void* key, const void* buffer, int32_t size,
                           uint32_t version) {
    return Guarded<int16_t>(0, [&] { return ServeSaveEData(tag, key, buffer, size, version); });
}
int16_t SimHost::CreateEData(uint32_t tag, void* key, const void* buffer, int32_t size,
                             uint32_t version) {
    return Guarded<int16_t>(0, [&] { return ServeCreateEData(tag, key, buffer, size, version); });
}
int16_t SimHost::DeleteEData(uint32_t tag, const void* key, uint32_t version) {
    return Guarded<int16_t>(0, [&] { return ServeDeleteEData(tag, key, version); });
}
int16_t SimHost::NextEData(uint32_t tag, void* key, void* unused1, void* unused2, uint32_t version) {
    return Guarded<int16_t>(0, [&] { return ServeNextEData(tag, key, unused1, unused2, version); });
}
int16_t SimHost::SlotToInst(uint16_t slot, uint16_t scope, uint32_t version) {
    return Guarded<int16_t>(0, [&] { return ServeSlotToInst(slot, scope, version); });
}
int16_t SimHost::InstToSlot(uint16_t instrument, uint16_t zero, uint32_t version) {
    return Guarded<int16_t>(0, [&] { return ServeInstToSlot(instrument, zero, version); });
}
int16_t SimHost::GetCurERegions(void* scratch8, void* scratch24, void* region, uint32_t version) {
    return Guarded<int16_t>(0, [&] { return ServeGetCurERegions(scratch8, scratch24, region, version); });
}
int32_t SimHost::GetTGFDuration(const TGF* frame, uint32_t version) {
    return Guarded<int32_t>(0, [&] { return ServeGetTGFDuration(frame, version); });
}
int16_t SimHost::GetShowLayer(uint16_t layer, uint32_t version) {
    return Guarded<int16_t>(0, [&] { return ServeGetShowLayer(layer, version); });
}
int16_t SimHost::GetCurrentEnigmaDocument(uint32_t version) {
    return Guarded<int16_t>(0, [&] { return ServeGetCurrentEnigmaDocument(version); });
}
int16_t SimHost::GetMaxLayers(uint32_t version) {
    return Guarded<int16_t>(0, [&] { return ServeGetMaxLayers(version); });
}

}  // namespace hostsim
