// A host that forwards every call to whichever host it is pointed at, so that one plug-in, with
// its stored source, can run a command against a copy of the document and then against the
// document itself.
#pragma once

#include "host/host_api.h"

namespace qz::fuzz {

class SwitchableHost final : public host::HostApi {
public:
    explicit SwitchableHost(host::HostApi& target) : target_(&target) {}
    void PointAt(host::HostApi& target) { target_ = &target; }

    bool Provides(host::HostFunction f) override { return target_->Provides(f); }
    host::TGF* LoadTGF(uint16_t a, uint16_t b, uint16_t c, uint16_t d, uint16_t e, uint32_t v) override {
        return target_->LoadTGF(a, b, c, d, e, v);
    }
    int16_t SaveTGF(host::TGF* f, uint32_t v) override { return target_->SaveTGF(f, v); }
    int16_t FreeTGF(host::TGF* f, uint32_t v) override { return target_->FreeTGF(f, v); }
    int16_t InsertEXENTRY(host::TGF* f, uint16_t w, uint16_t n, uint32_t v) override {
        return target_->InsertEXENTRY(f, w, n, v);
    }
    int16_t DeleteEXENTRY(host::TGF* f, uint16_t w, uint16_t n, uint32_t v) override {
        return target_->DeleteEXENTRY(f, w, n, v);
    }
    int16_t LoadEData(uint32_t t, void* k, void* b, uint32_t* s, uint32_t v) override {
        return target_->LoadEData(t, k, b, s, v);
    }
    int16_t SaveEData(uint32_t t, const void* k, const void* b, int32_t s, uint32_t v) override {
        return target_->SaveEData(t, k, b, s, v);
    }
    int16_t CreateEData(uint32_t t, void* k, const void* b, int32_t s, uint32_t v) override {
        return target_->CreateEData(t, k, b, s, v);
    }
    int16_t DeleteEData(uint32_t t, const void* k, uint32_t v) override { return target_->DeleteEData(t, k, v); }
    int16_t NextEData(uint32_t t, void* k, void* a, void* b, uint32_t v) override {
        return target_->NextEData(t, k, a, b, v);
    }
    int16_t SlotToInst(uint16_t s, uint16_t c, uint32_t v) override { return target_->SlotToInst(s, c, v); }
    int16_t InstToSlot(uint16_t i, uint16_t z, uint32_t v) override { return target_->InstToSlot(i, z, v); }
    int16_t GetCurERegions(void* a, void* b, void* r, uint32_t v) override {
        return target_->GetCurERegions(a, b, r, v);
    }
    int32_t GetTGFDuration(const host::TGF* f, uint32_t v) override { return target_->GetTGFDuration(f, v); }
    int16_t GetShowLayer(uint16_t l, uint32_t v) override { return target_->GetShowLayer(l, v); }
    int16_t GetCurrentEnigmaDocument(uint32_t v) override { return target_->GetCurrentEnigmaDocument(v); }
    int16_t GetMaxLayers(uint32_t v) override { return target_->GetMaxLayers(v); }

private:
    host::HostApi* target_;
};

}  // namespace qz::fuzz
