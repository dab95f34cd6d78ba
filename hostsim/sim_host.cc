// SimHost: switches, faults, the call log and frame accounting.
#include <algorithm>
#include <cstdio>

#include "hostsim/guard_bytes.h"
#include "hostsim/sim_host.h"
#include "memhost/mem_frame.h"

namespace hostsim {

namespace {

std::string AddressText(const void* p) {
    char text[32];
    std::snprintf(text, sizeof text, "%p", p);
    return text;
}

}  // namespace

SimHost::SimHost() {
    if (Current() == nullptr) MakeCurrent();
}

SimHost::~SimHost() {
    if (Current() == this) MakeNoneCurrent();
}

// --- behaviour switches ----------------------------------------------------------------------

void SimHost::MakeFrameAbsent(int slot, int measure, int layer) {
    absentFrames_.insert({slot, measure, layer});
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

qz::memhost::Frame* SimHost::FrameFor(const qz::host::TGF* frame, const char* function) {
    if (qz::memhost::Frame* found = FindFrame(frame)) return found;
    if (frame == nullptr)
        Violation(std::string(function) + ": null frame");
    else if (freed_.count(frame) > 0)
        Violation(std::string(function) + ": frame " + AddressText(frame) + " used after it was freed");
    else
        Violation(std::string(function) + ": foreign frame " + AddressText(frame) +
                  " (never handed out)");
    return nullptr;
}

void SimHost::CheckFrame(qz::memhost::Frame& frame, const char* function) {
    // Told only when something is wrong: every frame call checks, and almost none finds anything.
    auto where = [&] {
        return std::string(function) + ": " + PlaceText(frame.slot, frame.measure, frame.layer);
    };
    struct Guard {
        const qz::memhost::FrameArray& array;
        const char* name;
    };
    for (const Guard& g : {Guard{frame.entries, "entries"}, Guard{frame.details, "details"}}) {
        if (!FrontGuardIntact(g.array))
            Violation(where() + ": guard bytes before the " + g.name + " array overwritten");
        if (!BackGuardIntact(g.array))
            Violation(where() + ": guard bytes after the " + g.name + " array overwritten");
    }
    if (!HeaderIntact(frame))
        Violation(where() + ": header pointers or counts changed by the plug-in");
}

void SimHost::Forget(const qz::host::TGF* frame) {
    defects_.erase(frame);
    freed_.insert(frame);
}

void SimHost::CheckNoLeaks() {
    for (qz::host::TGF* tgf : FramesOut()) {
        qz::memhost::Frame& frame = *FindFrame(tgf);
        CheckFrame(frame, "leak check");
        Violation("leak: " + PlaceText(frame.slot, frame.measure, frame.layer) +
                  " was never freed");
        MemHost::FreeTGF(tgf, 0);
        Forget(tgf);
    }
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
