// SimHost: documents, switches, faults, the call log and frame accounting.
#include <algorithm>
#include <cstdio>

#include "host/eregion.h"
#include "hostsim/region_record.h"
#include "hostsim/sim_frame.h"
#include "hostsim/sim_host.h"

namespace hostsim {

namespace er = qz::host::eregion;
using qz::host::Store;

namespace {

std::string AddressText(const void* p) {
    char text[32];
    std::snprintf(text, sizeof text, "%p", p);
    return text;
}

}  // namespace

SimHost::SimHost() {
    if (Current() == nullptr) MakeCurrent();
    SetCurrentRegion(0, 0, 0, 0, 0, 0);
}

SimHost::~SimHost() {
    frames_.clear();
    if (Current() == this) MakeNoneCurrent();
}

// --- documents -------------------------------------------------------------------------------

Document& SimHost::AddDocument() {
    documents_.push_back(std::make_unique<Document>(static_cast<int16_t>(documents_.size() + 1)));
    if (currentDocument_ == 0) currentDocument_ = documents_.back()->Id();
    return *documents_.back();
}

Document& SimHost::CurrentDocument() {
    if (Document* d = CurrentOrNull()) return *d;
    return AddDocument();
}

Document* SimHost::FindDocument(int id) {
    if (id < 1 || id > static_cast<int>(documents_.size())) return nullptr;
    return documents_[static_cast<std::size_t>(id - 1)].get();
}

void SimHost::SetCurrentDocument(int id) {
    if (FindDocument(id) != nullptr) currentDocument_ = id;
}

Document* SimHost::CurrentOrNull() { return FindDocument(currentDocument_); }

// --- what the host shows ---------------------------------------------------------------------

void SimHost::SetCurrentRegion(int startSlot, int startMeasure, int endSlot, int endMeasure,
                               int32_t startPosition, int32_t endPosition,
                               int16_t startSlotScope, int16_t endSlotScope) {
    const RegionRecord record = MakeRegionRecord(startSlot, startMeasure, endSlot, endMeasure,
                                                 startPosition, endPosition, startSlotScope,
                                                 endSlotScope);
    std::copy(record.begin(), record.end(), region_);
}

void SimHost::SetCurrentRegionRecord(const unsigned char (&record)[20]) {
    std::copy(record, record + er::kSize, region_);
}

void SimHost::SetLayerShown(int layer, bool shown) {
    if (layer >= 0 && layer < 4) shown_[layer] = shown;
}

void SimHost::SetMaxLayers(int count) { maxLayers_ = count; }

// --- behaviour switches ----------------------------------------------------------------------

void SimHost::MakeFrameAbsent(int slot, int measure, int layer) {
    absentFrames_.insert({slot, measure, layer});
}

void SimHost::MarkSkipSave(int slot, int measure, int layer) {
    skipSaveFrames_.insert({slot, measure, layer});
}

void SimHost::AddFault(const Fault& fault) {
    faults_.push_back({fault, FunctionIndex(fault.function), 0});
}
void SimHost::ClearFaults() { faults_.clear(); }

void SimHost::SetAbsent(const std::string& function, bool absent) {
    const int index = FunctionIndex(function);
    if (index >= 0) absent_[static_cast<std::size_t>(index)] = absent;
}

bool SimHost::IsAbsent(const std::string& function) const {
    const int index = FunctionIndex(function);
    return index >= 0 && absent_[static_cast<std::size_t>(index)];
}

bool SimHost::Provides(qz::host::HostFunction function) {
    return !absent_[static_cast<std::size_t>(function)];
}

const Fault* SimHost::Strikes(Function function) {
    const Fault* struck = nullptr;
    for (ActiveFault& active : faults_) {
        if (active.function != static_cast<int>(function)) continue;
        ++active.calls;
        bool hit = active.calls == active.fault.nth ||
                   (active.fault.persistent && active.calls > active.fault.nth);
        if (hit && struck == nullptr) struck = &active.fault;
    }
    return struck;
}

// --- what the plug-in did --------------------------------------------------------------------

void SimHost::Log(Function function, std::initializer_list<int64_t> args) {
    const auto index = static_cast<std::size_t>(function);
    ++callCounts_[index];
    ++totalCalls_;
    if (logging_) calls_.push_back({FunctionNames()[index], std::vector<int64_t>(args)});
}

int SimHost::CallCount(const std::string& function) const {
    const int index = FunctionIndex(function);
    return index < 0 ? 0 : callCounts_[static_cast<std::size_t>(index)];
}

int SimHost::FunctionIndex(const std::string& name) {
    const std::vector<std::string>& names = FunctionNames();
    const auto it = std::find(names.begin(), names.end(), name);
    return it == names.end() ? -1 : static_cast<int>(it - names.begin());
}

std::string SimHost::PlaceText(int slot, int measure, int layer) {
    return "frame (slot " + std::to_string(slot) + ", measure " + std::to_string(measure) +
           ", layer " + std::to_string(layer) + ")";
}

SimHost::Frame* SimHost::FindFrame(const qz::host::TGF* frame, const char* function) {
    auto it = frames_.find(frame);
    if (it != frames_.end()) return it->second.get();
    if (frame == nullptr)
        Violation(std::string(function) + ": null frame");
    else if (freed_.count(frame) > 0)
        Violation(std::string(function) + ": frame " + AddressText(frame) + " used after it was freed");
    else
        Violation(std::string(function) + ": foreign frame " + AddressText(frame) +
                  " (never handed out)");
    return nullptr;
}

void SimHost::CheckFrame(Frame& frame, const char* function) {
    // Told only when something is wrong: every frame call checks, and almost none finds anything.
    auto where = [&] { return std::string(function) + ": " + frame.Place(); };
    struct Guard {
        const GuardedArray& array;
        const char* name;
    };
    for (const Guard& g : {Guard{frame.entries, "entries"}, Guard{frame.details, "details"}}) {
        if (!g.array.FrontGuardIntact())
            Violation(where() + ": guard bytes before the " + g.name + " array overwritten");
        if (!g.array.BackGuardIntact())
            Violation(where() + ": guard bytes after the " + g.name + " array overwritten");
    }
    if (!frame.HeaderIntact())
        Violation(where() + ": header pointers or counts changed by the plug-in");
}

void SimHost::ReleaseFrame(const qz::host::TGF* frame) {
    frames_.erase(frame);
    freed_.insert(frame);
}

void SimHost::CheckNoLeaks() {
    std::vector<const qz::host::TGF*> leaked;
    for (auto& [tgf, frame] : frames_) {
        CheckFrame(*frame, "leak check");
        Violation("leak: " + frame->Place() + " was never freed");
        leaked.push_back(tgf);
    }
    for (const qz::host::TGF* tgf : leaked) ReleaseFrame(tgf);
}

const std::vector<std::string>& SimHost::FunctionNames() {
    static const std::vector<std::string> names = {
        "FX_LoadTGF",        "FX_SaveTGF",       "FX_FreeTGF",        "FX_InsertEXENTRY",
        "FX_DeleteEXENTRY",  "FX_LoadEData",     "FX_SaveEData",      "FX_CreateEData",
        "FX_DeleteEData",    "FX_NextEData",     "FX_SlotToInst",     "FX_InstToSlot",
        "FX_GetCurERegions", "FX_GetTGFDuration", "FX_GetShowLayer",
        "FX_GetCurrentEnigmaDocument", "FX_GetMaxLayers"};
    return names;
}

}  // namespace hostsim
