#include "host/binding.h"

#include "host/edata.h"
#include "host/frame_ops.h"

namespace qz::host {
namespace {

// The low 16 bits of a caller's value, as the host expects its 16-bit arguments.
uint16_t U16(int value) { return static_cast<uint16_t>(static_cast<unsigned>(value) & 0xFFFFu); }

}  // namespace

bool HostBinding::HoldsFrame(const TGF* frame) const {
    for (const TGF* held : heldFrames_)
        if (held == frame) return true;
    return false;
}

void HostBinding::HoldFrame(const TGF* frame) { heldFrames_.push_back(frame); }

void HostBinding::ForgetFrame(const TGF* frame) {
    for (std::size_t i = 0; i < heldFrames_.size(); ++i)
        if (heldFrames_[i] == frame) {
            heldFrames_[i] = heldFrames_.back();
            heldFrames_.pop_back();
            return;
        }
}

TGF* HostBinding::LoadTGF(int slotScope, int slot, int measure, int layer, int requireFrame) {
    if (!api_.Provides(HostFunction::kLoadTGF)) return nullptr;
    return api_.LoadTGF(U16(slotScope), U16(slot), U16(measure), U16(layer), U16(requireFrame),
                        kCallVersion);
}

int HostBinding::SaveTGF(TGF* frame) {
    FixUpFrame(frame);
    return api_.Provides(HostFunction::kSaveTGF) ? api_.SaveTGF(frame, kCallVersion) : 0;
}

void HostBinding::FreeTGF(TGF* frame) {
    if (api_.Provides(HostFunction::kFreeTGF)) api_.FreeTGF(frame, kCallVersion);
}

int HostBinding::InsertEXENTRY(TGF* frame, int count) {
    FixUpFrame(frame);
    if (!api_.Provides(HostFunction::kInsertEXENTRY)) return 0;
    return api_.InsertEXENTRY(frame, 0, U16(count), kCallVersion);
}

int HostBinding::DeleteEXENTRY(TGF* frame, int count) {
    FixUpFrame(frame);
    if (!api_.Provides(HostFunction::kDeleteEXENTRY)) return 0;
    return api_.DeleteEXENTRY(frame, 0, U16(count), kCallVersion);
}

int HostBinding::LoadEData(uint32_t tag, void* key, void* buffer, uint32_t* size,
                           uint32_t version) {
    return TranslatedLoadEData(*this, tag, key, buffer, size, version);
}

int HostBinding::SaveEData(uint32_t tag, const void* key, const void* buffer, int32_t size,
                           uint32_t version) {
    return TranslatedSaveEData(*this, tag, key, buffer, size, version);
}

int HostBinding::HostLoadEData(uint32_t tag, void* key, void* buffer, uint32_t* size,
                               uint32_t version) {
    if (!api_.Provides(HostFunction::kLoadEData)) return 0;
    return static_cast<uint16_t>(api_.LoadEData(tag, key, buffer, size, version));
}

int HostBinding::HostSaveEData(uint32_t tag, const void* key, const void* buffer, int32_t size,
                               uint32_t version) {
    if (!api_.Provides(HostFunction::kSaveEData)) return 0;
    return static_cast<uint16_t>(api_.SaveEData(tag, key, buffer, size, version));
}

bool HostBinding::HasHostLoadEData() { return api_.Provides(HostFunction::kLoadEData); }
bool HostBinding::HasHostSaveEData() { return api_.Provides(HostFunction::kSaveEData); }

int HostBinding::CreateEData(uint32_t tag, void* key, const void* buffer, int32_t size,
                             uint32_t version) {
    if (!api_.Provides(HostFunction::kCreateEData)) return 0;
    return api_.CreateEData(tag, key, buffer, size, version);
}

int HostBinding::DeleteEData(uint32_t tag, const void* key, uint32_t version) {
    return api_.Provides(HostFunction::kDeleteEData) ? api_.DeleteEData(tag, key, version) : 0;
}

int HostBinding::NextEData(uint32_t tag, void* key, uint32_t version) {
    if (!api_.Provides(HostFunction::kNextEData)) return 0;
    return api_.NextEData(tag, key, nullptr, nullptr, version);
}

int HostBinding::SlotToInst(int slot, int slotScope) {
    if (!api_.Provides(HostFunction::kSlotToInst)) return 0;
    return api_.SlotToInst(U16(slot), U16(slotScope), kCallVersion);
}

int HostBinding::InstToSlot(int instrument) {
    if (!api_.Provides(HostFunction::kInstToSlot)) return 0;
    return api_.InstToSlot(U16(instrument), 0, kCallVersion);
}

void HostBinding::GetCurERegions(void* region) {
    if (!api_.Provides(HostFunction::kGetCurERegions)) return;
    unsigned char scratch8[8] = {};
    unsigned char scratch24[24] = {};
    api_.GetCurERegions(scratch8, scratch24, region, kCallVersion);
}

int32_t HostBinding::GetTGFDuration(const TGF* frame) {
    return api_.Provides(HostFunction::kGetTGFDuration) ? api_.GetTGFDuration(frame, kCallVersion) : 0;
}

int HostBinding::GetShowLayer(int layer) {
    return api_.Provides(HostFunction::kGetShowLayer) ? api_.GetShowLayer(U16(layer), kCallVersion) : 0;
}

int HostBinding::GetCurrentEnigmaDocument() {
    if (!api_.Provides(HostFunction::kGetCurrentEnigmaDocument)) return 0;
    return api_.GetCurrentEnigmaDocument(kCallVersion);
}

int HostBinding::GetMaxLayers() {
    return api_.Provides(HostFunction::kGetMaxLayers) ? api_.GetMaxLayers(kCallVersion) : 4;
}

}  // namespace qz::host
