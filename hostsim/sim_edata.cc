// SimHost's extended-data functions: faults and the null-key check around MemHost's store.
#include "hostsim/sim_host.h"

namespace hostsim {

namespace {

int64_t Address(const void* p) { return static_cast<int64_t>(reinterpret_cast<uintptr_t>(p)); }

}  // namespace

bool SimHost::KeyGiven(const void* key, const char* function) {
    if (key == nullptr) Violation(std::string(function) + ": null key");
    return key != nullptr;
}

int16_t SimHost::ServeLoadEData(uint32_t tag, void* key, void* buffer, uint32_t* size,
                                uint32_t version) {
    Log(Function::kLoadEData, {tag, Address(key), Address(buffer), Address(size), version});
    bool struck = Strikes(Function::kLoadEData);
    if (!KeyGiven(key, "FX_LoadEData") || struck) return 0;
    return MemHost::LoadEData(tag, key, buffer, size, version);
}

int16_t SimHost::ServeSaveEData(uint32_t tag, const void* key, const void* buffer, int32_t size,
                                uint32_t version) {
    Log(Function::kSaveEData, {tag, Address(key), Address(buffer), size, version});
    bool struck = Strikes(Function::kSaveEData);
    if (!KeyGiven(key, "FX_SaveEData") || struck) return 0;
    return MemHost::SaveEData(tag, key, buffer, size, version);
}

int16_t SimHost::ServeCreateEData(uint32_t tag, void* key, const void* buffer, int32_t size,
                                  uint32_t version) {
    Log(Function::kCreateEData, {tag, Address(key), Address(buffer), size, version});
    bool struck = Strikes(Function::kCreateEData);
    if (!KeyGiven(key, "FX_CreateEData") || struck) return 0;
    const int64_t index = edata_key::ReadSecond(tag, key);
    const int16_t created = MemHost::CreateEData(tag, key, buffer, size, version);
    // A host that leaves the caller's key as it came, -1 included.
    if (!createCompletesIndex_) edata_key::WriteSecond(tag, key, index);
    return created;
}

int16_t SimHost::ServeDeleteEData(uint32_t tag, const void* key, uint32_t version) {
    Log(Function::kDeleteEData, {tag, Address(key), version});
    bool struck = Strikes(Function::kDeleteEData);
    if (!KeyGiven(key, "FX_DeleteEData") || struck) return 0;
    return MemHost::DeleteEData(tag, key, version);
}

int16_t SimHost::ServeNextEData(uint32_t tag, void* key, void* unused1, void* unused2,
                                uint32_t version) {
    Log(Function::kNextEData, {tag, Address(key), Address(unused1), Address(unused2), version});
    bool struck = Strikes(Function::kNextEData);
    if (!KeyGiven(key, "FX_NextEData") || struck) return 0;
    return MemHost::NextEData(tag, key, unused1, unused2, version);
}

}  // namespace hostsim
