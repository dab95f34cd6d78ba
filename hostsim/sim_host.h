// The simulated host: the in-memory host (memhost/) with what tests need around it: fault
// injection, a call log, guard bytes around every array handed out, accounting of every frame,
// and a clock for the host's own time.
//
// One code base serves two uses. Natively, a unit test creates a SimHost, makes it current and
// installs it in the platform stand-in (stand_in_install.h), so that the plug-in's binding
// resolves FX_ functions to fx_api.cc. On Windows, FINALE.EXE exports the same fx_api.cc
// functions and the real plug-in finds them with GetProcAddress.
//
// The in-memory host gives its meaning to bytes that the plug-in carries unread
// (memhost/entry_record.h); score_text.cc reads and writes them as text.
//
// Each FX_ call is logged, then matched against the faults; a call that survives is served by
// the in-memory host. Frames are the in-memory host's, their arrays placed between guard bytes
// (NewArray). A frame struck by a defect is the in-memory host's frame with its header
// rewritten to misstate it; the in-memory host keeps working on the real arrays behind it.
//
// Accounting: every frame handed out is tracked from FX_LoadTGF to FX_FreeTGF. A leaked frame,
// a double or foreign free, a write outside an array, a changed header pointer or count, or a
// call with a frame that was never handed out is recorded as a violation, which tests check
// with Violations().
//
// Threading: one thread, like the real host. Nothing here is locked.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "host/host_api.h"
#include "host/tgf.h"
#include "hostsim/score_text.h"
#include "memhost/document.h"
#include "memhost/edata_key_layout.h"
#include "memhost/entry_record.h"
#include "memhost/mem_host.h"
#include "memhost/region_record.h"

namespace hostsim {

// The in-memory host's vocabulary, as the simulator's tests speak it.
using qz::memhost::BuildEntryRecord;
using qz::memhost::DetailPayload;
using qz::memhost::Document;
using qz::memhost::DurationOf;
using qz::memhost::EntrySpec;
using qz::memhost::KeyNumber;
using qz::memhost::MakeRegionRecord;
using qz::memhost::PitchOf;
using qz::memhost::Record;
using qz::memhost::RegionRecord;
using qz::memhost::SpellingOf;
using qz::memhost::TimeSignature;
using qz::memhost::kArticulationSize;
using qz::memhost::kArticulationTag;
using qz::memhost::kDetailSize;
using qz::memhost::kDetailTag;
using qz::memhost::kDurationOffset;
using qz::memhost::kQuarter;
using qz::memhost::kSpellingOffset;
namespace edata_key = qz::memhost::edata_key;

// One recorded host call: the function's name and its arguments as integers (pointers as their
// address), the trailing version included.
struct Call {
    std::string name;
    std::vector<int64_t> args;
};

// What a struck FX_LoadTGF hands out. kNone: null, as when the host has no frame. The others
// hand out a real frame of the asked place whose header is malformed the way a broken host
// might:
//   kNullEntries    a positive entryCount (one more than stored) with a null `entries`;
//   kNullDetails    a positive detailCount (one more than stored) with a null `details`;
//   kNegativeCounts entryCount -1 and detailCount -3 over the real arrays;
//   kOtherMeasure, kOtherLayer, kOtherSlot: the header names measure + 1, the other layer of
//                   the pair (0<->1, 2<->3) or slot + 1 instead of the place asked for;
//   kSamePointer    no new frame: the pointer of the frame handed out last is handed out
//                   again while that frame is still out (null when none is out).
// The simulator keeps working on the real arrays behind a malformed header, and holds the
// plug-in to the header it wrote (a changed pointer or count is still a violation).
enum class FrameDefect {
    kNone, kNullEntries, kNullDetails, kNegativeCounts, kOtherMeasure, kOtherLayer, kOtherSlot,
    kSamePointer
};

// A fault that strikes the n-th call of one function (1-based, counted from the moment the
// fault was added) and, when `persistent`, every later call too. A struck frame load returns
// null, or the malformed frame `defect` names; a struck save, delete or EData call returns 0
// and writes nothing; a struck insert adds `shortBy` fewer entries than asked (never fewer than
// none) and still answers 1; a struck free still releases the frame (the plug-in could not
// avoid the leak otherwise) but answers 0; any other struck function answers 0 and writes
// nothing (so a struck FX_GetShowLayer reports one call's layer hidden).
struct Fault {
    std::string function;
    int nth = 1;
    bool persistent = false;
    int shortBy = 1;                         // FX_InsertEXENTRY only
    FrameDefect defect = FrameDefect::kNone;  // FX_LoadTGF only
};

class SimHost final : public qz::memhost::MemHost {
public:
    SimHost();
    ~SimHost() override;  // frames still handed out are released (CheckNoLeaks reports them)

    // The host the FX_ functions of fx_api.cc serve. MakeCurrent on construction of the first;
    // a destroyed current host leaves none (every FX_ call then fails safe).
    // (Defined beside the FX_ functions, so that every program using a SimHost links them.)
    static SimHost* Current();
    void MakeCurrent();
    static void MakeNoneCurrent();

    // Documents, the current region, shown layers and skipSave frames: see MemHost.

    // --- behaviour switches ---
    // When set (the default), FX_CreateEData completes an index of -1 in the caller's key with
    // the index it took; otherwise it leaves the key as it came (the record still takes that
    // index).
    void SetCreateCompletesIndex(bool completes) { createCompletesIndex_ = completes; }
    // A frame the host cannot supply: FX_LoadTGF returns null for it.
    void MakeFrameAbsent(int slot, int measure, int layer);
    void AddFault(const Fault& fault);
    void ClearFaults();
    // Functions that the host does not export (used by the installer and by the emulator).
    void SetAbsent(const std::string& function, bool absent = true);
    bool IsAbsent(const std::string& function) const;

    // --- what the plug-in did ---
    const std::vector<Call>& Calls() const { return calls_; }
    int CallCount(const std::string& function) const;  // calls since construction
    void ClearCalls() { calls_.clear(); }  // the log only; CallCount keeps counting
    // Keeping every call's arguments costs memory in long runs (benchmarks): when off, calls are
    // only counted.
    void SetLogging(bool on) { logging_ = on; }
    long long TotalCalls() const { return totalCalls_; }
    // Problems seen so far: leaks are added by CheckNoLeaks, the rest as they happen.
    const std::vector<std::string>& Violations() const { return violations_; }
    void ClearViolations() { violations_.clear(); }
    // Records a violation for every frame still handed out (and for its damaged guards), then
    // releases and forgets them.
    void CheckNoLeaks();

    // --- the FX_ functions (handed in as the HostApi, or reached through fx_api.cc; each call is
    // logged, then served by MemHost unless a fault strikes it) ---
    // False for a function marked absent (SetAbsent).
    bool Provides(qz::host::HostFunction function) override;
    // Unknown frames are violations and answer 0.
    qz::host::TGF* LoadTGF(uint16_t scope, uint16_t slot, uint16_t measure, uint16_t layer,
                           uint16_t require, uint32_t version) override;
    int16_t SaveTGF(qz::host::TGF* frame, uint32_t version) override;
    int16_t FreeTGF(qz::host::TGF* frame, uint32_t version) override;
    int16_t InsertEXENTRY(qz::host::TGF* frame, uint16_t where, uint16_t count,
                          uint32_t version) override;
    int16_t DeleteEXENTRY(qz::host::TGF* frame, uint16_t where, uint16_t count,
                          uint32_t version) override;
    // A null key is a violation and answers 0.
    int16_t LoadEData(uint32_t tag, void* key, void* buffer, uint32_t* size, uint32_t version) override;
    int16_t SaveEData(uint32_t tag, const void* key, const void* buffer, int32_t size,
                      uint32_t version) override;
    int16_t CreateEData(uint32_t tag, void* key, const void* buffer, int32_t size,
                        uint32_t version) override;
    int16_t DeleteEData(uint32_t tag, const void* key, uint32_t version) override;
    int16_t NextEData(uint32_t tag, void* key, void* unused1, void* unused2, uint32_t version) override;
    int16_t SlotToInst(uint16_t slot, uint16_t scope, uint32_t version) override;
    int16_t InstToSlot(uint16_t instrument, uint16_t zero, uint32_t version) override;
    int16_t GetCurERegions(void* scratch8, void* scratch24, void* region, uint32_t version) override;
    int32_t GetTGFDuration(const qz::host::TGF* frame, uint32_t version) override;
    int16_t GetShowLayer(uint16_t layer, uint32_t version) override;
    int16_t GetCurrentEnigmaDocument(uint32_t version) override;
    int16_t GetMaxLayers(uint32_t version) override;

    // The seventeen function names, in the binding's order.
    static const std::vector<std::string>& FunctionNames();

    // How the frame of a place is told in violations: "frame (slot 1, measure 2, layer 0)".
    static std::string PlaceText(int slot, int measure, int layer);

private:
    // The seventeen functions, in the order of FunctionNames(): calls are counted and faults
    // matched by this index, not by name, since every host call passes through both.
    enum class Function {
        kLoadTGF, kSaveTGF, kFreeTGF, kInsertEXENTRY, kDeleteEXENTRY, kLoadEData, kSaveEData,
        kCreateEData, kDeleteEData, kNextEData, kSlotToInst, kInstToSlot, kGetCurERegions,
        kGetTGFDuration, kGetShowLayer, kGetCurrentEnigmaDocument, kGetMaxLayers
    };
    static constexpr std::size_t kFunctionCount = 17;
    static int FunctionIndex(const std::string& name);  // -1 for a name the host does not know

    // The simulator's work around each FX_ function; the public functions guard and clock it.
    qz::host::TGF* ServeLoadTGF(uint16_t scope, uint16_t slot, uint16_t measure, uint16_t layer,
                                uint16_t require, uint32_t version);
    int16_t ServeSaveTGF(qz::host::TGF* frame, uint32_t version);
    int16_t ServeFreeTGF(qz::host::TGF* frame, uint32_t version);
    int16_t ServeInsertEXENTRY(qz::host::TGF* frame, uint16_t where, uint16_t count,
                               uint32_t version);
    int16_t ServeDeleteEXENTRY(qz::host::TGF* frame, uint16_t where, uint16_t count,
                               uint32_t version);
    int16_t ServeLoadEData(uint32_t tag, void* key, void* buffer, uint32_t* size, uint32_t version);
    int16_t ServeSaveEData(uint32_t tag, const void* key, const void* buffer, int32_t size,
                           uint32_t version);
    int16_t ServeCreateEData(uint32_t tag, void* key, const void* buffer, int32_t size,
                             uint32_t version);
    int16_t ServeDeleteEData(uint32_t tag, const void* key, uint32_t version);
    int16_t ServeNextEData(uint32_t tag, void* key, void* unused1, void* unused2, uint32_t version);
    int16_t ServeSlotToInst(uint16_t slot, uint16_t scope, uint32_t version);
    int16_t ServeInstToSlot(uint16_t instrument, uint16_t zero, uint32_t version);
    int16_t ServeGetCurERegions(void* scratch8, void* scratch24, void* region, uint32_t version);
    int32_t ServeGetTGFDuration(const qz::host::TGF* frame, uint32_t version);
    int16_t ServeGetShowLayer(uint16_t layer, uint32_t version);
    int16_t ServeGetCurrentEnigmaDocument(uint32_t version);
    int16_t ServeGetMaxLayers(uint32_t version);

    struct ActiveFault {
        Fault fault;
        int function = -1;  // FunctionIndex(fault.function)
        int calls = 0;
    };
    // The fault that strikes this call of `function` (the first added, when several do), or
    // null. Every fault on the function counts the call.
    const Fault* Strikes(Function function);
    // Counts the call; keeps it with its arguments only while logging.
    void Log(Function function, std::initializer_list<int64_t> args);
    void Violation(std::string text) { violations_.push_back(std::move(text)); }
    // An edata call's key: a null one is a violation.
    bool KeyGiven(const void* key, const char* function);

    // Frame arrays between guard bytes (guard_bytes.h).
    qz::memhost::FrameArray NewArray(std::size_t bytes) override;
    // The frame handed out as `frame`; null, with the violation recorded, for any other pointer.
    qz::memhost::Frame* FrameFor(const qz::host::TGF* frame, const char* function);
    // Records what is wrong with a frame: damaged guards, a header changed by the plug-in.
    void CheckFrame(qz::memhost::Frame& frame, const char* function);
    // Rewrites the header's fields as the frame's defect misstates them.
    void StateHeader(qz::memhost::Frame& frame);
    void StateEntriesField(qz::memhost::Frame& frame);
    bool HeaderIntact(qz::memhost::Frame& frame) const;
    // A frame taken back: no longer accounted, its pointer kept to tell a later use from a
    // foreign one.
    void Forget(const qz::host::TGF* frame);

    bool createCompletesIndex_ = true;
    std::set<std::tuple<int, int, int>> absentFrames_;
    std::vector<ActiveFault> faults_;
    std::array<int, kFunctionCount> callCounts_ = {};
    std::array<bool, kFunctionCount> absent_ = {};
    std::vector<Call> calls_;
    bool logging_ = true;
    long long totalCalls_ = 0;
    std::map<const qz::host::TGF*, FrameDefect> defects_;  // of every frame handed out
    std::set<const qz::host::TGF*> freed_;
    const qz::host::TGF* lastHandedOut_ = nullptr;
    std::vector<std::string> violations_;
};

// True while one of the FX_ functions runs: lets a measurement tell the host's own work from the
// plug-in's.
bool InsideHostCall();

// The host's clock: while on, every FX_ call adds the steady-clock time it took to a running
// total, so that a measurement can subtract the host's share from a command's time. Off at first;
// when off a call costs one test of a flag. Turning it on or off keeps the total.
void SetHostClock(bool on);
long long HostNanoseconds();  // the total so far
void ResetHostClock();        // the total back to 0

}  // namespace hostsim
