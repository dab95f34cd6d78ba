// SimHost's frame functions: faults and accounting around MemHost's frames, guard bytes around
// their arrays, and the headers of frames struck by a defect.
#include <algorithm>
#include <limits>

#include "host/tgf.h"
#include "hostsim/guard_bytes.h"
#include "hostsim/sim_host.h"
#include "memhost/mem_frame.h"

namespace hostsim {

namespace tgf = qz::host::tgf;
using qz::host::Load;
using qz::host::LoadPointer;
using qz::host::Store;
using qz::host::StorePointer;
using qz::host::TGF;
using qz::memhost::Frame;

namespace {

constexpr int kMaxCount = std::numeric_limits<int16_t>::max();

int64_t Address(const void* p) { return static_cast<int64_t>(reinterpret_cast<uintptr_t>(p)); }

// The pointers and counts a header states for a frame with `defect`; the real arrays stay
// behind them.
struct StatedFields {
    unsigned char* entries;
    int entryCount;
    unsigned char* details;
    int detailCount;
};

StatedFields Stated(const Frame& f, FrameDefect defect) {
    StatedFields s{f.entries.data, f.entryCount, f.details.data, f.detailCount};
    if (defect == FrameDefect::kNullEntries) {
        s.entries = nullptr;
        s.entryCount = std::min(f.entryCount + 1, kMaxCount);
    }
    if (defect == FrameDefect::kNullDetails) {
        s.details = nullptr;
        s.detailCount = std::min(f.detailCount + 1, kMaxCount);
    }
    if (defect == FrameDefect::kNegativeCounts) {
        s.entryCount = -1;
        s.detailCount = -3;
    }
    return s;
}

}  // namespace

qz::memhost::FrameArray SimHost::NewArray(std::size_t bytes) { return GuardedArray(bytes); }

void SimHost::StateHeader(Frame& f) {
    const FrameDefect defect = defects_[f.Tgf()];
    unsigned char* h = f.header.get();
    if (defect == FrameDefect::kOtherSlot)
        Store<uint16_t>(h, tgf::kSlot, static_cast<uint16_t>(f.slot + 1));
    if (defect == FrameDefect::kOtherMeasure)
        Store<int16_t>(h, tgf::kMeasure, static_cast<int16_t>(f.measure + 1));
    if (defect == FrameDefect::kOtherLayer)
        Store<int16_t>(h, tgf::kLayer, static_cast<int16_t>(f.layer ^ 1));
    StateEntriesField(f);
    const StatedFields s = Stated(f, defect);
    StorePointer(h, tgf::kDetails, s.details);
    Store<int16_t>(h, tgf::kDetailCount, static_cast<int16_t>(s.detailCount));
}

void SimHost::StateEntriesField(Frame& f) {
    const StatedFields s = Stated(f, defects_[f.Tgf()]);
    StorePointer(f.header.get(), tgf::kEntries, s.entries);
    Store<int16_t>(f.header.get(), tgf::kEntryCount, static_cast<int16_t>(s.entryCount));
}

bool SimHost::HeaderIntact(Frame& f) const {
    const auto it = defects_.find(f.Tgf());
    const StatedFields s = Stated(f, it == defects_.end() ? FrameDefect::kNone : it->second);
    const unsigned char* h = f.header.get();
    return LoadPointer(h, tgf::kEntries) == s.entries &&
           Load<int16_t>(h, tgf::kEntryCount) == s.entryCount &&
           LoadPointer(h, tgf::kDetails) == s.details &&
           Load<int16_t>(h, tgf::kDetailCount) == s.detailCount;
}

TGF* SimHost::ServeLoadTGF(uint16_t scope, uint16_t slot, uint16_t measure, uint16_t layer,
                           uint16_t require, uint32_t version) {
    Log(Function::kLoadTGF, {scope, slot, measure, layer, require, version});
    FrameDefect defect = FrameDefect::kNone;
    if (const Fault* fault = Strikes(Function::kLoadTGF)) {
        if (fault->defect == FrameDefect::kNone) return nullptr;
        defect = fault->defect;
    }
    if (defect == FrameDefect::kSamePointer) {
        // A host that hands out a frame it has already handed out, still in use.
        Frame* last = FindFrame(lastHandedOut_);
        return last == nullptr ? nullptr : last->Tgf();
    }
    if (absentFrames_.count({slot, measure, layer}) > 0) return nullptr;
    TGF* handle = MemHost::LoadTGF(scope, slot, measure, layer, require, version);
    if (handle == nullptr) return nullptr;
    defects_[handle] = defect;
    StateHeader(*FindFrame(handle));
    freed_.erase(handle);
    lastHandedOut_ = handle;
    return handle;
}

int16_t SimHost::ServeSaveTGF(TGF* frame, uint32_t version) {
    Log(Function::kSaveTGF, {Address(frame), version});
    bool struck = Strikes(Function::kSaveTGF);
    Frame* f = FrameFor(frame, "FX_SaveTGF");
    if (f == nullptr) return 0;
    CheckFrame(*f, "FX_SaveTGF");
    if (struck) return 0;
    return MemHost::SaveTGF(frame, version);
}

int16_t SimHost::ServeFreeTGF(TGF* frame, uint32_t version) {
    Log(Function::kFreeTGF, {Address(frame), version});
    bool struck = Strikes(Function::kFreeTGF);
    if (frame == nullptr) return 0;
    Frame* f = FindFrame(frame);
    if (f == nullptr) {
        if (freed_.count(frame) > 0)
            Violation("FX_FreeTGF: double free of a frame");
        else
            Violation("FX_FreeTGF: foreign frame (never handed out)");
        return 0;
    }
    CheckFrame(*f, "FX_FreeTGF");
    MemHost::FreeTGF(frame, version);
    Forget(frame);
    return struck ? 0 : 1;
}

int16_t SimHost::ServeInsertEXENTRY(TGF* frame, uint16_t where, uint16_t count, uint32_t version) {
    Log(Function::kInsertEXENTRY, {Address(frame), where, count, version});
    const Fault* fault = Strikes(Function::kInsertEXENTRY);
    Frame* f = FrameFor(frame, "FX_InsertEXENTRY");
    if (f == nullptr) return 0;
    CheckFrame(*f, "FX_InsertEXENTRY");
    // A struck insert adds fewer entries than asked and still answers as if it added all.
    const int added = fault == nullptr ? count : std::max(0, count - fault->shortBy);
    const int16_t done = MemHost::InsertEXENTRY(frame, where, static_cast<uint16_t>(added), version);
    StateEntriesField(*f);
    return done;
}

int16_t SimHost::ServeDeleteEXENTRY(TGF* frame, uint16_t where, uint16_t count, uint32_t version) {
    Log(Function::kDeleteEXENTRY, {Address(frame), where, count, version});
    bool struck = Strikes(Function::kDeleteEXENTRY);
    Frame* f = FrameFor(frame, "FX_DeleteEXENTRY");
    if (f == nullptr) return 0;
    CheckFrame(*f, "FX_DeleteEXENTRY");
    if (struck) return 0;
    const int16_t done = MemHost::DeleteEXENTRY(frame, where, count, version);
    StateEntriesField(*f);
    return done;
}

int32_t SimHost::ServeGetTGFDuration(const TGF* frame, uint32_t version) {
    Log(Function::kGetTGFDuration, {Address(frame), version});
    bool struck = Strikes(Function::kGetTGFDuration);
    if (frame == nullptr) return 0;
    Frame* f = FrameFor(frame, "FX_GetTGFDuration");
    if (f == nullptr || struck) return 0;
    return MemHost::GetTGFDuration(frame, version);
}

}  // namespace hostsim
