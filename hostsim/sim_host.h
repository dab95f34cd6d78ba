// The simulated host: documents, staves, measures, entry frames, extended data, the current
// selection and shown layers, behind the seventeen FX_ functions the plug-in calls.
//
// One code base serves two uses. Natively, a unit test creates a SimHost, makes it current and
// installs it in the platform stand-in (stand_in_install.h), so that the plug-in's binding
// resolves FX_ functions to fx_api.cc. On Windows, FINALE.EXE exports the same fx_api.cc
// functions and the real plug-in finds them with GetProcAddress.
//
// The simulator gives its own meaning to bytes that the plug-in carries unread, so that scores
// can be built, checked and printed as music:
//   - EXENTRY bytes 140..143: the entry's duration (i32), in position units (quarter = 1024);
//   - NoteRecord noteData bytes 0..1: the note's pitch as a MIDI key number (60 = C4);
//   - NoteRecord noteData byte 2: the spelling, as a signed accidental (-2..2; 0 = natural, or
//     a sharp on a black key), so that "Bb4" reads back as "Bb4" and not as "A#4".
//
// Accounting: every frame handed out is tracked from FX_LoadTGF to FX_FreeTGF, and its two
// arrays are surrounded by guard bytes. A leaked frame, a double or foreign free, a write
// outside an array, a changed header pointer or count, or a call with a frame that was never
// handed out is recorded as a violation, which tests check with Violations().
//
// Threading: one thread, like the real host. Nothing here is locked.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "host/host_api.h"
#include "host/tgf.h"

namespace hostsim {

using Record = std::vector<unsigned char>;  // one raw 146-byte EXENTRY

inline constexpr int32_t kQuarter = 1024;
inline constexpr std::size_t kDurationOffset = 140;  // the simulator's use of EXENTRY 140..143
inline constexpr std::size_t kSpellingOffset = 2;    // the simulator's use of noteData byte 2

// Tags of the extended data the plug-in uses.
inline constexpr uint32_t kArticulationTag = 0x6564494D;  // 'edIM', 12-byte records
inline constexpr uint32_t kDetailTag = 0x45035450;        // 30-byte entry details
inline constexpr std::size_t kArticulationSize = 12;
inline constexpr std::size_t kDetailSize = 30;

// One entry described as music, for building scores.
struct EntrySpec {
    int32_t position = 0;
    int32_t duration = kQuarter;
    std::vector<int> pitches = {};         // MIDI key numbers; empty for a rest
    std::vector<int> articulations = {};   // definition numbers of articulation records to attach
    uint32_t extraFlags = 0;          // OR-ed into `flags` besides ENTRY_HAS_NOTES
    std::vector<int> accidentals = {};     // spelling per pitch (-2..2), missing ones count as 0
    int details = 0;                  // detail records (kDetailTag) to attach, indexes 0, 1, ...
};

// One recorded host call: the function's name and its arguments as integers (pointers as their
// address), the trailing version included.
struct Call {
    std::string name;
    std::vector<int64_t> args;
};

struct TimeSignature {
    int beats = 4;
    int beatUnit = 4;  // 4 = quarter, 8 = eighth, 2 = half
    int32_t Duration() const {
        return beatUnit <= 0 ? 0 : beats * (4 * kQuarter / beatUnit);
    }
};

class Document {
public:
    explicit Document(int16_t id) : id_(id) {}
    int16_t Id() const { return id_; }

    // Staves in slot order: slot 1 is the first added.
    int AddStaff(int16_t instrument);  // returns the new slot
    int SlotToInstrument(int slot) const;  // 0 when the slot does not exist
    int InstrumentToSlot(int instrument) const;  // 0 when the staff does not exist
    int StaffCount() const { return static_cast<int>(staves_.size()); }

    // Measures 1..n, each with its time signature (4/4 unless set). Growing keeps the meters
    // already set; SetTimeSignature ignores a measure outside 1..n.
    void SetMeasureCount(int count);
    int MeasureCount() const { return static_cast<int>(meters_.size()); }
    void SetTimeSignature(int measure, TimeSignature meter);
    TimeSignature TimeSignatureOf(int measure) const;  // 4/4 outside 1..n
    // A measure's length on one staff when its time signature does not tell it (a pickup, a
    // shortened last measure, a meter no TimeSignature spells): FX_GetTGFDuration answers it
    // for that staff's frames. A duration of 0 or less removes the override.
    void SetMeasureDuration(int instrument, int measure, int32_t duration);
    int32_t MeasureDurationOverride(int instrument, int measure) const;  // 0 when none

    // The stored entries of one staff, measure and layer (0-based), in record order. Entries()
    // creates the place when it is not stored yet; FindEntries answers null then.
    std::vector<Record>& Entries(int instrument, int measure, int layer);
    const std::vector<Record>* FindEntries(int instrument, int measure, int layer) const;

    // Appends an entry built from `entry` (numbered at once, articulations stored as records of
    // kArticulationTag with indexes 0, 1, ..., details as 30-byte records of kDetailTag with a
    // pattern derived from number and index, and ENTRY_HAS_DETAILS set). At most 12 pitches
    // are kept. Returns its entry number.
    uint32_t AddEntry(int instrument, int measure, int layer, const EntrySpec& entry);
    // Replaces the music of one measure by the one read from a compact text (the stored
    // records of the old entries, their articulations and details go). Entries are separated
    // by spaces, each
    //   ["[" position "]"] pitches ("/" denominator ["."["."]] | "*" units)
    //       ["@" articulation ...] ["+d" [count]]
    // where pitches are note names joined by "+" (C4, F#3, Bb5, Ebb2) or "r" for a rest,
    // denominators are 1, 2, 4, 8, 16, 32 and "*units" gives a raw duration, for example
    //   "C4+E4+G4/2 r/4 G4/8 A4/8@5@7 [3072]C5/4+d". Entries start where the previous one ended
    // unless "[position]" says otherwise. False, with nothing changed, on a text it cannot read.
    bool Write(int instrument, int measure, int layer, const std::string& text);
    // The same measure as text (the inverse of Write): "[pos]" only where an entry does not
    // start where the previous one ended, "r" for an entry without ENTRY_HAS_NOTES, "?" for
    // one that claims notes but has none, "*units" for a duration no note value spells,
    // "@n" per stored articulation (indexes 0, 1, ... until the first gap) and "+d" (or "+dN")
    // when detail records are stored for the entry. "" when nothing is stored.
    std::string Describe(int instrument, int measure, int layer) const;

    // The number the next new entry gets. A number that already keys entry records in the store
    // (records a damaged file or another program left without their entry) is never handed out:
    // the new entry would inherit records that were never its own.
    uint32_t NextEntryNumber();
    // No number below this one is handed out from now on.
    uint32_t NumbersFrom() const { return nextEntryNumber_; }

    // Extended data, keyed by tag and key. Entry-attached tags use the 6-byte key (i32 number,
    // i16 index); the 'ot' tags (0x6F74xxxx) and 0x4F096649 the 4-byte key of two i16 words
    // (edata_key_layout.h).
    struct EDataKey {
        uint32_t tag;
        int64_t first;
        int64_t second;
        bool operator<(const EDataKey& o) const {
            return std::tie(tag, first, second) < std::tie(o.tag, o.first, o.second);
        }
    };
    std::map<EDataKey, std::vector<unsigned char>>& EData() { return edata_; }
    const std::map<EDataKey, std::vector<unsigned char>>& EData() const { return edata_; }
    // The definition numbers of the articulations stored for an entry, by index from 0 until
    // the first missing index.
    std::vector<int> ArticulationsOf(uint32_t entryNumber) const;
    // The number of detail records (kDetailTag) stored for an entry, at any index.
    int DetailCountOf(uint32_t entryNumber) const;

private:
    void EraseAttachedData(uint32_t entryNumber);
    bool KeysRecords(uint32_t entryNumber) const;

    int16_t id_;
    std::vector<int16_t> staves_;
    std::vector<TimeSignature> meters_;
    std::map<std::pair<int, int>, int32_t> measureDurations_;  // (instrument, measure)
    std::map<std::tuple<int, int, int>, std::vector<Record>> entries_;
    std::map<EDataKey, std::vector<unsigned char>> edata_;
    uint32_t nextEntryNumber_ = 1;
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

class SimHost final : public qz::host::HostApi {
public:
    SimHost();
    ~SimHost() override;  // releases frames still handed out (CheckNoLeaks reports them)
    SimHost(const SimHost&) = delete;
    SimHost& operator=(const SimHost&) = delete;

    // The host the FX_ functions of fx_api.cc serve. MakeCurrent on construction of the first;
    // a destroyed current host leaves none (every FX_ call then fails safe).
    // (Defined beside the FX_ functions, so that every program using a SimHost links them.)
    static SimHost* Current();
    void MakeCurrent();
    static void MakeNoneCurrent();

    // --- documents ---
    Document& AddDocument();  // ids 1, 2, ...; the first becomes current
    Document& CurrentDocument();  // adds a first document when there is none
    Document* FindDocument(int id);
    void SetCurrentDocument(int id);  // ignored for an unknown id

    // --- what the host shows ---
    // The selection the host reports through FX_GetCurERegions (a raw 20-byte ERegion).
    void SetCurrentRegion(int startSlot, int startMeasure, int endSlot, int endMeasure,
                          int32_t startPosition = 0, int32_t endPosition = 0x7FFFFFFF,
                          int16_t startSlotScope = 0, int16_t endSlotScope = 0);
    void SetCurrentRegionRecord(const unsigned char (&record)[20]);
    const unsigned char* CurrentRegionRecord() const { return region_; }
    void SetLayerShown(int layer, bool shown);  // all four layers are shown at first
    void SetMaxLayers(int count);               // 4 at first

    // --- behaviour switches ---
    // When set (the default), FX_CreateEData completes an index of -1 with the next free
    // index; otherwise it leaves the key as it came (the record still takes that index).
    void SetCreateCompletesIndex(bool completes) { createCompletesIndex_ = completes; }
    // A frame the host cannot supply: FX_LoadTGF returns null for it.
    void MakeFrameAbsent(int slot, int measure, int layer);
    // A frame the host wants left alone: FX_LoadTGF hands it out with a non-zero skipSave.
    void MarkSkipSave(int slot, int measure, int layer);
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
    int LiveFrames() const { return static_cast<int>(frames_.size()); }
    // Problems seen so far: leaks are added by CheckNoLeaks, the rest as they happen.
    const std::vector<std::string>& Violations() const { return violations_; }
    void ClearViolations() { violations_.clear(); }
    // Records a violation for every frame still handed out (and for its damaged guards), then
    // releases and forgets them.
    void CheckNoLeaks();

    // --- the FX_ functions (handed in as the HostApi, or reached through fx_api.cc; each call is
    // logged) ---
    // False for a function marked absent (SetAbsent).
    bool Provides(qz::host::HostFunction function) override;
    // Frames: see frame accounting above. Unknown frames are violations and answer 0.
    qz::host::TGF* LoadTGF(uint16_t scope, uint16_t slot, uint16_t measure, uint16_t layer,
                           uint16_t require, uint32_t version) override;
    // Writes the frame's entries over the stored ones, numbering unnumbered entries in the
    // store only (the frame keeps 0: the plug-in must load the frame again to see numbers).
    // The detail table is not written back: details live in the EData store.
    int16_t SaveTGF(qz::host::TGF* frame, uint32_t version) override;
    int16_t FreeTGF(qz::host::TGF* frame, uint32_t version) override;
    // Both move the entry array (the old one is released) and leave the detail table alone.
    int16_t InsertEXENTRY(qz::host::TGF* frame, uint16_t where, uint16_t count,
                          uint32_t version) override;
    int16_t DeleteEXENTRY(qz::host::TGF* frame, uint16_t where, uint16_t count,
                          uint32_t version) override;
    // Extended data of the current document; a null key is a violation and answers 0.
    int16_t LoadEData(uint32_t tag, void* key, void* buffer, uint32_t* size, uint32_t version) override;
    int16_t SaveEData(uint32_t tag, const void* key, const void* buffer, int32_t size,
                      uint32_t version) override;
    int16_t CreateEData(uint32_t tag, void* key, const void* buffer, int32_t size,
                        uint32_t version) override;
    int16_t DeleteEData(uint32_t tag, const void* key, uint32_t version) override;
    int16_t NextEData(uint32_t tag, void* key, void* unused1, void* unused2, uint32_t version) override;
    // Staves of the current document; 0 for an unknown slot or instrument.
    int16_t SlotToInst(uint16_t slot, uint16_t scope, uint32_t version) override;
    int16_t InstToSlot(uint16_t instrument, uint16_t zero, uint32_t version) override;
    // Copies the current region record to `region` and fills the scratch areas (8 and 24
    // bytes) with 0xA5. Null pointers are skipped.
    int16_t GetCurERegions(void* scratch8, void* scratch24, void* region, uint32_t version) override;
    // Duration of the frame's measure's time signature; 0 for a null frame.
    int32_t GetTGFDuration(const qz::host::TGF* frame, uint32_t version) override;
    int16_t GetShowLayer(uint16_t layer, uint32_t version) override;
    int16_t GetCurrentEnigmaDocument(uint32_t version) override;
    int16_t GetMaxLayers(uint32_t version) override;

    // The seventeen function names, in the binding's order.
    static const std::vector<std::string>& FunctionNames();

    // How the frame of a place is told in violations: "frame (slot 1, measure 2, layer 0)".
    static std::string PlaceText(int slot, int measure, int layer);

    struct Frame;  // defined in sim_frame.h

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

    // The simulator's work behind each FX_ function; the public functions guard and clock it.
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
    qz::host::TGF* HandOutFrame(uint16_t scope, uint16_t slot, uint16_t measure,
                                uint16_t layer, FrameDefect defect);
    // Counts the call; keeps it with its arguments only while logging.
    void Log(Function function, std::initializer_list<int64_t> args);
    void Violation(std::string text) { violations_.push_back(std::move(text)); }
    Frame* FindFrame(const qz::host::TGF* frame, const char* function);
    void CheckFrame(Frame& frame, const char* function);
    void ReleaseFrame(const qz::host::TGF* frame);
    Document* CurrentOrNull();
    Document::EDataKey KeyOf(uint32_t tag, const void* key) const;

    std::vector<std::unique_ptr<Document>> documents_;
    int currentDocument_ = 0;
    unsigned char region_[20] = {};
    bool shown_[4] = {true, true, true, true};
    int maxLayers_ = 4;
    bool createCompletesIndex_ = true;
    std::set<std::tuple<int, int, int>> absentFrames_;
    std::set<std::tuple<int, int, int>> skipSaveFrames_;
    std::vector<ActiveFault> faults_;
    std::array<int, kFunctionCount> callCounts_ = {};
    std::array<bool, kFunctionCount> absent_ = {};
    std::vector<Call> calls_;
    bool logging_ = true;
    long long totalCalls_ = 0;
    std::map<const qz::host::TGF*, std::unique_ptr<Frame>> frames_;
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

// Renders slots and measures of a document as text, staff by staff and measure by measure, with
// note names, durations, rests and articulations; for the demo and for failure messages. One
// line per layer that has entries, measures without any as "-":
//   Staff 1 (instrument 11)
//     m1   4/4  L1: C4+E4+G4/2 F4+A4+C5/2
//                 L2: E4/1
//     m2   3/4  -
// `layers` (1..4) is how many layers are looked at. Slots without a staff are said so.
std::string PrintScore(const Document& document, int firstSlot, int lastSlot, int firstMeasure,
                       int lastMeasure, int layers = 4);

}  // namespace hostsim
