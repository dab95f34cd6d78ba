// MemHost's query functions: staves, region, layers, document.
#include <cstring>

#include "host/eregion.h"
#include "memhost/mem_host.h"

namespace qz::memhost {

namespace {

constexpr unsigned char kScratchPattern = 0xA5;
constexpr std::size_t kScratch8 = 8;
constexpr std::size_t kScratch24 = 24;

}  // namespace

int16_t MemHost::SlotToInst(uint16_t slot, uint16_t, uint32_t) {
    Document* document = CurrentOrNull();
    return document == nullptr ? 0 : static_cast<int16_t>(document->SlotToInstrument(slot));
}

int16_t MemHost::InstToSlot(uint16_t instrument, uint16_t, uint32_t) {
    Document* document = CurrentOrNull();
    if (document == nullptr) return 0;
    return static_cast<int16_t>(document->InstrumentToSlot(static_cast<int16_t>(instrument)));
}

int16_t MemHost::GetCurERegions(void* scratch8, void* scratch24, void* region, uint32_t) {
    if (scratch8 != nullptr) std::memset(scratch8, kScratchPattern, kScratch8);
    if (scratch24 != nullptr) std::memset(scratch24, kScratchPattern, kScratch24);
    if (region != nullptr) std::memcpy(region, region_, qz::host::eregion::kSize);
    return 1;
}

int16_t MemHost::GetShowLayer(uint16_t layer, uint32_t) {
    return layer < 4 && shown_[layer] ? 1 : 0;
}

int16_t MemHost::GetCurrentEnigmaDocument(uint32_t) {
    return CurrentOrNull() == nullptr ? 0 : static_cast<int16_t>(currentDocument_);
}

int16_t MemHost::GetMaxLayers(uint32_t) { return static_cast<int16_t>(maxLayers_); }

}  // namespace qz::memhost
