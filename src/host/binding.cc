#include "host/binding.h"

#include "host/edata.h"
#include "host/frame_ops.h"

namespace qz::host {
namespace {

constexpr const char* kFunctionNames[] = {
    "FX_LoadTGF",      "FX_SaveTGF",      "FX_FreeTGF",      "FX_InsertEXENTRY",
    "FX_DeleteEXENTRY", "FX_LoadEData",   "FX_SaveEData",    "FX_CreateEData",
    "FX_DeleteEData",  "FX_NextEData",    "FX_SlotToInst",   "FX_InstToSlot",
    "FX_GetCurERegions", "FX_GetTGFDuration", "FX_GetShowLayer", "FX_GetCurrentEnigmaDocument",
    "FX_GetMaxLayers",
};

// The low 16 bits of a caller's value, as the host expects its 16-bit arguments.
uint16_t U16(int value) { return static_cast<uint16_t>(static_cast<unsigned>(value) & 0xFFFFu); }

HostBinding* g_active = nullptr;

}  // namespace

static_assert(sizeof kFunctionNames / sizeof kFunctionNames[0] == 17, "seventeen host functions");

HostBinding& Host() {
    static HostBinding own;
    return g_active != nullptr ? *g_active : own;
}

void UseHost(HostBinding* binding) { g_active = binding; }

// A module found is kept for the plug-in's life. One not found is looked for again at the next
// call: asking costs no more than a name lookup, and a plug-in asked before the host module was
// known would otherwise lose every host function for the whole session.
platform::ModuleHandle HostBinding::Module() {
    if (module_ == nullptr) {
        module_ = platform::FindLoadedModule("FINALE.EXE");
        if (module_ == nullptr) module_ = platform::FindLoadedModule("FINDEMO.EXE");
    }
    return module_;
}

// A function is looked up once in a module that was found, and its answer, a missing function
// included, is kept: the module's exports do not change. Without a module nothing is settled.
platform::ProcAddress HostBinding::Resolve(Function f) {
    Slot& slot = slots_[f];
    if (!slot.lookedUp) {
        platform::ModuleHandle module = Module();
        if (module == nullptr) return nullptr;
        slot.lookedUp = true;
        slot.address = platform::FindProcedure(module, kFunctionNames[f]);
    }
    return slot.address;
}

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
    auto fn = Get<FX_LoadTGF_t>(kLoadTGF);
    if (fn == nullptr) return nullptr;
    return fn(U16(slotScope), U16(slot), U16(measure), U16(layer), U16(requireFrame),
              kCallVersion);
}

int HostBinding::SaveTGF(TGF* frame) {
    FixUpFrame(frame);
    auto fn = Get<FX_SaveTGF_t>(kSaveTGF);
    return fn == nullptr ? 0 : fn(frame, kCallVersion);
}

void HostBinding::FreeTGF(TGF* frame) {
    auto fn = Get<FX_FreeTGF_t>(kFreeTGF);
    if (fn != nullptr) fn(frame, kCallVersion);
}

int HostBinding::InsertEXENTRY(TGF* frame, int count) {
    FixUpFrame(frame);
    auto fn = Get<FX_InsertEXENTRY_t>(kInsertEXENTRY);
    return fn == nullptr ? 0 : fn(frame, 0, U16(count), kCallVersion);
}

int HostBinding::DeleteEXENTRY(TGF* frame, int count) {
    FixUpFrame(frame);
    auto fn = Get<FX_DeleteEXENTRY_t>(kDeleteEXENTRY);
    return fn == nullptr ? 0 : fn(frame, 0, U16(count), kCallVersion);
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
    auto fn = Get<FX_LoadEData_t>(kLoadEData);
    return fn == nullptr ? 0 : static_cast<uint16_t>(fn(tag, key, buffer, size, version));
}

int HostBinding::HostSaveEData(uint32_t tag, const void* key, const void* buffer, int32_t size,
                               uint32_t version) {
    auto fn = Get<FX_SaveEData_t>(kSaveEData);
    return fn == nullptr ? 0 : static_cast<uint16_t>(fn(tag, key, buffer, size, version));
}

bool HostBinding::HasHostLoadEData() { return Get<FX_LoadEData_t>(kLoadEData) != nullptr; }
bool HostBinding::HasHostSaveEData() { return Get<FX_SaveEData_t>(kSaveEData) != nullptr; }

int HostBinding::CreateEData(uint32_t tag, void* key, const void* buffer, int32_t size,
                             uint32_t version) {
    auto fn = Get<FX_CreateEData_t>(kCreateEData);
    return fn == nullptr ? 0 : fn(tag, key, buffer, size, version);
}

int HostBinding::DeleteEData(uint32_t tag, const void* key, uint32_t version) {
    auto fn = Get<FX_DeleteEData_t>(kDeleteEData);
    return fn == nullptr ? 0 : fn(tag, key, version);
}

int HostBinding::NextEData(uint32_t tag, void* key, uint32_t version) {
    auto fn = Get<FX_NextEData_t>(kNextEData);
    return fn == nullptr ? 0 : fn(tag, key, nullptr, nullptr, version);
}

int HostBinding::SlotToInst(int slot, int slotScope) {
    auto fn = Get<FX_SlotToInst_t>(kSlotToInst);
    return fn == nullptr ? 0 : fn(U16(slot), U16(slotScope), kCallVersion);
}

int HostBinding::InstToSlot(int instrument) {
    auto fn = Get<FX_InstToSlot_t>(kInstToSlot);
    return fn == nullptr ? 0 : fn(U16(instrument), 0, kCallVersion);
}

void HostBinding::GetCurERegions(void* region) {
    auto fn = Get<FX_GetCurERegions_t>(kGetCurERegions);
    if (fn == nullptr) return;
    unsigned char scratch8[8] = {};
    unsigned char scratch24[24] = {};
    fn(scratch8, scratch24, region, kCallVersion);
}

int32_t HostBinding::GetTGFDuration(const TGF* frame) {
    auto fn = Get<FX_GetTGFDuration_t>(kGetTGFDuration);
    return fn == nullptr ? 0 : fn(frame, kCallVersion);
}

int HostBinding::GetShowLayer(int layer) {
    auto fn = Get<FX_GetShowLayer_t>(kGetShowLayer);
    return fn == nullptr ? 0 : fn(U16(layer), kCallVersion);
}

int HostBinding::GetCurrentEnigmaDocument() {
    auto fn = Get<FX_GetCurrentEnigmaDocument_t>(kGetCurrentEnigmaDocument);
    return fn == nullptr ? 0 : fn(kCallVersion);
}

int HostBinding::GetMaxLayers() {
    auto fn = Get<FX_GetMaxLayers_t>(kGetMaxLayers);
    return fn == nullptr ? 4 : fn(kCallVersion);
}

}  // namespace qz::host
