#include "host/late_bound_host.h"

namespace qz::host {
namespace {

constexpr const char* kFunctionNames[] = {
    "FX_LoadTGF",      "FX_SaveTGF",      "FX_FreeTGF",      "FX_InsertEXENTRY",
    "FX_DeleteEXENTRY", "FX_LoadEData",   "FX_SaveEData",    "FX_CreateEData",
    "FX_DeleteEData",  "FX_NextEData",    "FX_SlotToInst",   "FX_InstToSlot",
    "FX_GetCurERegions", "FX_GetTGFDuration", "FX_GetShowLayer", "FX_GetCurrentEnigmaDocument",
    "FX_GetMaxLayers",
};
static_assert(sizeof kFunctionNames / sizeof kFunctionNames[0] == kHostFunctionCount,
              "seventeen host functions");

}  // namespace

const char* HostFunctionName(HostFunction function) {
    const int i = static_cast<int>(function);
    return i >= 0 && i < kHostFunctionCount ? kFunctionNames[i] : "";
}

// A module found is kept for the plug-in's life. One not found is looked for again at the next
// use: asking costs no more than a name lookup, and a plug-in asked before the host module was
// known would otherwise lose every host function for the whole session.
platform::ModuleHandle LateBoundHost::Module() {
    if (module_ == nullptr) {
        module_ = platform::FindLoadedModule("FINALE.EXE");
        if (module_ == nullptr) module_ = platform::FindLoadedModule("FINDEMO.EXE");
    }
    return module_;
}

// A function is looked up once in a module that was found, and its answer, a missing function
// included, is kept: the module's exports do not change. Without a module nothing is settled.
platform::ProcAddress LateBoundHost::Resolve(HostFunction function) {
    Slot& slot = slots_[static_cast<int>(function)];
    if (!slot.lookedUp) {
        platform::ModuleHandle module = Module();
        if (module == nullptr) return nullptr;
        slot.lookedUp = true;
        slot.address = platform::FindProcedure(module, HostFunctionName(function));
    }
    return slot.address;
}

// Forwards `args` to the host's function of type Fn, or answers zero when it is missing.
#define QZ_FORWARD(Fn, function, ...)                              \
    auto fn = Get<Fn>(HostFunction::function);                    \
    return fn == nullptr ? decltype(fn(__VA_ARGS__)){} : fn(__VA_ARGS__)

TGF* LateBoundHost::LoadTGF(uint16_t slotScope, uint16_t slot, uint16_t measure, uint16_t layer,
                            uint16_t requireFrame, uint32_t version) {
    QZ_FORWARD(FX_LoadTGF_t, kLoadTGF, slotScope, slot, measure, layer, requireFrame, version);
}
int16_t LateBoundHost::SaveTGF(TGF* frame, uint32_t version) {
    QZ_FORWARD(FX_SaveTGF_t, kSaveTGF, frame, version);
}
int16_t LateBoundHost::FreeTGF(TGF* frame, uint32_t version) {
    QZ_FORWARD(FX_FreeTGF_t, kFreeTGF, frame, version);
}
int16_t LateBoundHost::InsertEXENTRY(TGF* frame, uint16_t where, uint16_t count, uint32_t version) {
    QZ_FORWARD(FX_InsertEXENTRY_t, kInsertEXENTRY, frame, where, count, version);
}
int16_t LateBoundHost::DeleteEXENTRY(TGF* frame, uint16_t where, uint16_t count, uint32_t version) {
    QZ_FORWARD(FX_DeleteEXENTRY_t, kDeleteEXENTRY, frame, where, count, version);
}
int16_t LateBoundHost::LoadEData(uint32_t tag, void* key, void* buffer, uint32_t* size,
                                 uint32_t version) {
    QZ_FORWARD(FX_LoadEData_t, kLoadEData, tag, key, buffer, size, version);
}
int16_t LateBoundHost::SaveEData(uint32_t tag, const void* key, const void* buffer, int32_t size,
                                 uint32_t version) {
    QZ_FORWARD(FX_SaveEData_t, kSaveEData, tag, key, buffer, size, version);
}
int16_t LateBoundHost::CreateEData(uint32_t tag, void* key, const void* buffer, int32_t size,
                                   uint32_t version) {
    QZ_FORWARD(FX_CreateEData_t, kCreateEData, tag, key, buffer, size, version);
}
int16_t LateBoundHost::DeleteEData(uint32_t tag, const void* key, uint32_t version) {
    QZ_FORWARD(FX_DeleteEData_t, kDeleteEData, tag, key, version);
}
int16_t LateBoundHost::NextEData(uint32_t tag, void* key, void* unused1, void* unused2,
                                 uint32_t version) {
    QZ_FORWARD(FX_NextEData_t, kNextEData, tag, key, unused1, unused2, version);
}
int16_t LateBoundHost::SlotToInst(uint16_t slot, uint16_t slotScope, uint32_t version) {
    QZ_FORWARD(FX_SlotToInst_t, kSlotToInst, slot, slotScope, version);
}
int16_t LateBoundHost::InstToSlot(uint16_t instrument, uint16_t zero, uint32_t version) {
    QZ_FORWARD(FX_InstToSlot_t, kInstToSlot, instrument, zero, version);
}
int16_t LateBoundHost::GetCurERegions(void* scratch8, void* scratch24, void* region,
                                      uint32_t version) {
    QZ_FORWARD(FX_GetCurERegions_t, kGetCurERegions, scratch8, scratch24, region, version);
}
int32_t LateBoundHost::GetTGFDuration(const TGF* frame, uint32_t version) {
    QZ_FORWARD(FX_GetTGFDuration_t, kGetTGFDuration, frame, version);
}
int16_t LateBoundHost::GetShowLayer(uint16_t layer, uint32_t version) {
    QZ_FORWARD(FX_GetShowLayer_t, kGetShowLayer, layer, version);
}
int16_t LateBoundHost::GetCurrentEnigmaDocument(uint32_t version) {
    QZ_FORWARD(FX_GetCurrentEnigmaDocument_t, kGetCurrentEnigmaDocument, version);
}
int16_t LateBoundHost::GetMaxLayers(uint32_t version) {
    QZ_FORWARD(FX_GetMaxLayers_t, kGetMaxLayers, version);
}

#undef QZ_FORWARD

}  // namespace qz::host
