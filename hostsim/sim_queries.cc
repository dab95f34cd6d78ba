// SimHost's query functions: staves, region, layers, document.
#include <cstring>

#include "host/eregion.h"
#include "hostsim/sim_host.h"

namespace hostsim {

namespace {

constexpr unsigned char kScratchPattern = 0xA5;
constexpr std::size_t kScratch8 = 8;
constexpr std::size_t kScratch24 = 24;

int64_t Address(const void* p) { return static_cast<int64_t>(reinterpret_cast<uintptr_t>(p)); }

}  // namespace

int16_t SimHost::ServeSlotToInst(uint16_t slot, uint16_t scope, uint32_t version) {
    Log(Function::kSlotToInst, {slot, scope, version});
    Document* document = CurrentOrNull();
    if (Strikes(Function::kSlotToInst) || document == nullptr) return 0;
    return static_cast<int16_t>(document->SlotToInstrument(slot));
}

int16_t SimHost::ServeInstToSlot(uint16_t instrument, uint16_t zero, uint32_t version) {
    Log(Function::kInstToSlot, {instrument, zero, version});
    Document* document = CurrentOrNull();
    if (Strikes(Function::kInstToSlot) || document == nullptr) return 0;
    return static_cast<int16_t>(document->InstrumentToSlot(static_cast<int16_t>(instrument)));
}

int16_t SimHost::ServeGetCurERegions(void* scratch8, void* scratch24, void* region, uint32_t version) {
    Log(Function::kGetCurERegions, {Address(scratch8), Address(scratch24), Address(region), version});
    if (Strikes(Function::kGetCurERegions)) return 0;
    if (scratch8 != nullptr) std::memset(scratch8, kScratchPattern, kScratch8);
    if (scratch24 != nullptr) std::memset(scratch24, kScratchPattern, kScratch24);
    if (region != nullptr) std::memcpy(region, region_, qz::host::eregion::kSize);
    return 1;
}

int16_t SimHost::ServeGetShowLayer(uint16_t layer, uint32_t version) {
    Log(Function::kGetShowLayer, {layer, version});
    if (Strikes(Function::kGetShowLayer)) return 0;
    return layer < 4 && shown_[layer] ? 1 : 0;
}

int16_t SimHost::ServeGetCurrentEnigmaDocument(uint32_t version) {
    Log(Function::kGetCurrentEnigmaDocument, {version});
    if (Strikes(Function::kGetCurrentEnigmaDocument)) return 0;
    return CurrentOrNull() == nullptr ? 0 : static_cast<int16_t>(currentDocument_);
}

int16_t SimHost::ServeGetMaxLayers(uint32_t version) {
    Log(Function::kGetMaxLayers, {version});
    if (Strikes(Function::kGetMaxLayers)) return 0;
    return static_cast<int16_t>(maxLayers_);
}

}  // namespace hostsim
