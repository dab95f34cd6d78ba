// SimHost's query functions: faults around MemHost's staves, region, layers and document.
#include "hostsim/sim_host.h"

namespace hostsim {

namespace {

int64_t Address(const void* p) { return static_cast<int64_t>(reinterpret_cast<uintptr_t>(p)); }

}  // namespace

int16_t SimHost::ServeSlotToInst(uint16_t slot, uint16_t scope, uint32_t version) {
    Log(Function::kSlotToInst, {slot, scope, version});
    if (Strikes(Function::kSlotToInst)) return 0;
    return MemHost::SlotToInst(slot, scope, version);
}

int16_t SimHost::ServeInstToSlot(uint16_t instrument, uint16_t zero, uint32_t version) {
    Log(Function::kInstToSlot, {instrument, zero, version});
    if (Strikes(Function::kInstToSlot)) return 0;
    return MemHost::InstToSlot(instrument, zero, version);
}

int16_t SimHost::ServeGetCurERegions(void* scratch8, void* scratch24, void* region,
                                     uint32_t version) {
    Log(Function::kGetCurERegions, {Address(scratch8), Address(scratch24), Address(region), version});
    if (Strikes(Function::kGetCurERegions)) return 0;
    return MemHost::GetCurERegions(scratch8, scratch24, region, version);
}

int16_t SimHost::ServeGetShowLayer(uint16_t layer, uint32_t version) {
    Log(Function::kGetShowLayer, {layer, version});
    if (Strikes(Function::kGetShowLayer)) return 0;
    return MemHost::GetShowLayer(layer, version);
}

int16_t SimHost::ServeGetCurrentEnigmaDocument(uint32_t version) {
    Log(Function::kGetCurrentEnigmaDocument, {version});
    if (Strikes(Function::kGetCurrentEnigmaDocument)) return 0;
    return MemHost::GetCurrentEnigmaDocument(version);
}

int16_t SimHost::ServeGetMaxLayers(uint32_t version) {
    Log(Function::kGetMaxLayers, {version});
    if (Strikes(Function::kGetMaxLayers)) return 0;
    return MemHost::GetMaxLayers(version);
}

}  // namespace hostsim
