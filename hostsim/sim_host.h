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
//   - NoteRecord noteData bytes 0..1: the note's pitch as a MIDI key number (60 = C4).
//
// Accounting: every frame handed out is tracked from FX_LoadTGF to FX_FreeTGF, and its two
// arrays are surrounded by guard bytes. A leaked frame, a double or foreign free, or a write
// outside an array is recorded as a violation, which tests check with Violations().
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "host/tgf.h"

namespace hostsim {

using Record = std::vector<unsigned char>;  // one raw 146-byte EXENTRY

inline constexpr int32_t kQuarter = 1024;
inline constexpr std::size_t kDurationOffset = 140;  // the simulator's use of EXENTRY 140..143

// Tags of the extended data the plug-in uses.
inline constexpr uint32_t kArticulationTag = 0x6564494D;  // 'edIM', 12-byte records
inline constexpr uint32_t kDetailTag = 0x45035450;        // 30-byte entry details

// One entry described as music, for building scores.
struct EntrySpec {
    int32_t position = 0;
    int32_t duration = kQuarter;
    std::vector<int> pitches;         // MIDI key numbers; empty for a rest
    std::vector<int> articulations;   // definition numbers of articulation records to attach
    uint32_t extraFlags = 0;          // OR-ed into `flags` besides ENTRY_HAS_NOTES
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
    int32_t Duration() const { return beats * (4 * kQuarter / beatUnit); }
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

    // Measures 1..n, each with its time signature (4/4 unless set).
    void SetMeasureCount(int count);
    int MeasureCount() const { return static_cast<int>(meters_.size()); }
    void SetTimeSignature(int measure, TimeSignature meter);
    TimeSignature TimeSignatureOf(int measure) const;

    // The stored entries of one staff, measure and layer (0-based), in record order.
    std::vector<Record>& Entries(int instrument, int measure, int layer);
    const std::vector<Record>* FindEntries(int instrument, int measure, int layer) const;

    // Appends an entry built from `spec` (numbered at once, articulations stored as records of
    // kArticulationTag with indexes 0, 1, ...). Returns its entry number.
    uint32_t AddEntry(int instrument, int measure, int layer, const EntrySpec& spec);
    // Fills one measure from a compact text: entries separated by spaces, each
    //   pitches "/" denominator ["."] ["@" articulation ...]
    // where pitches are note names joined by "+" (C4, F#3, Bb5) or "r" for a rest, for example
    //   "C4+E4+G4/2 r/4 G4/8 A4/8@5@7". Entries start where the previous one ended.
    void Write(int instrument, int measure, int layer, const std::string& text);
    // The same measure as text (the inverse of Write, articulations included).
    std::string Describe(int instrument, int measure, int layer) const;

    uint32_t NextEntryNumber() { return nextEntryNumber_++; }

    // Extended data, keyed by tag and key. Entry-attached tags use the 6-byte key (i32 number,
    // i16 index); every other tag the 4-byte key of two i16 words.
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
    // The definition numbers of the articulations stored for an entry, by index from 0.
    std::vector<int> ArticulationsOf(uint32_t entryNumber) const;

private:
    int16_t id_;
    std::vector<int16_t> staves_;
    std::vector<TimeSignature> meters_;
    std::map<std::tuple<int, int, int>, std::vector<Record>> entries_;
    std::map<EDataKey, std::vector<unsigned char>> edata_;
    uint32_t nextEntryNumber_ = 1;
};

// A fault that strikes the n-th call of one function (1-based) and, when `persistent`, every
// later call too. A struck frame load returns null, a struck save or EData call returns 0 and
// writes nothing, a struck insert adds `shortBy` fewer entries than asked.
struct Fault {
    std::string function;
    int nth = 1;
    bool persistent = false;
    int shortBy = 1;  // FX_InsertEXENTRY only
};

class SimHost {
public:
    SimHost();
    ~SimHost();
    SimHost(const SimHost&) = delete;
    SimHost& operator=(const SimHost&) = delete;

    // The host the FX_ functions of fx_api.cc serve. MakeCurrent on construction of the first;
    // a destroyed current host leaves none (every FX_ call then fails safe).
    static SimHost* Current();
    void MakeCurrent();

    // --- documents ---
    Document& AddDocument();  // ids 1, 2, ...; the first becomes current
    Document& CurrentDocument();
    Document* FindDocument(int id);
    void SetCurrentDocument(int id);

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
    // When set, FX_CreateEData completes an index of -1 with the next free index; otherwise it
    // leaves the key as it came.
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
    int CallCount(const std::string& function) const;
    void ClearCalls() { calls_.clear(); }
    int LiveFrames() const { return static_cast<int>(frames_.size()); }
    // Problems seen so far: leaks are added by CheckNoLeaks, the rest as they happen.
    const std::vector<std::string>& Violations() const { return violations_; }
    // Records a violation for every frame still handed out, then forgets them.
    void CheckNoLeaks();

    // --- the FX_ functions (fx_api.cc forwards here; each call is logged) ---
    host::TGF* LoadTGF(uint16_t scope, uint16_t slot, uint16_t measure, uint16_t layer,
                       uint16_t require, uint32_t version);
    int16_t SaveTGF(host::TGF* frame, uint32_t version);
    int16_t FreeTGF(host::TGF* frame, uint32_t version);
    int16_t InsertEXENTRY(host::TGF* frame, uint16_t where, uint16_t count, uint32_t version);
    int16_t DeleteEXENTRY(host::TGF* frame, uint16_t where, uint16_t count, uint32_t version);
    int16_t LoadEData(uint32_t tag, void* key, void* buffer, uint32_t* size, uint32_t version);
    int16_t SaveEData(uint32_t tag, const void* key, const void* buffer, int32_t size,
                      uint32_t version);
    int16_t CreateEData(uint32_t tag, void* key, const void* buffer, int32_t size,
                        uint32_t version);
    int16_t DeleteEData(uint32_t tag, const void* key, uint32_t version);
    int16_t NextEData(uint32_t tag, void* key, void* unused1, void* unused2, uint32_t version);
    int16_t SlotToInst(uint16_t slot, uint16_t scope, uint32_t version);
    int16_t InstToSlot(uint16_t instrument, uint16_t zero, uint32_t version);
    int16_t GetCurERegions(void* scratch8, void* scratch24, void* region, uint32_t version);
    int32_t GetTGFDuration(const host::TGF* frame, uint32_t version);
    int16_t GetShowLayer(uint16_t layer, uint32_t version);
    int16_t GetCurrentEnigmaDocument(uint32_t version);
    int16_t GetMaxLayers(uint32_t version);

    // The seventeen function names, in the binding's order.
    static const std::vector<std::string>& FunctionNames();

private:
    struct Frame;
    bool Strikes(const std::string& function, int* shortBy = nullptr);
    void Log(const std::string& name, std::vector<int64_t> args);
    Frame* FindFrame(const host::TGF* frame, const char* function);

    std::vector<std::unique_ptr<Document>> documents_;
    int currentDocument_ = 0;
    unsigned char region_[20] = {};
    bool shown_[4] = {true, true, true, true};
    int maxLayers_ = 4;
    bool createCompletesIndex_ = true;
    std::set<std::tuple<int, int, int>> absentFrames_;
    std::vector<Fault> faults_;
    std::map<std::string, int> callCounts_;
    std::set<std::string> absent_;
    std::vector<Call> calls_;
    std::map<const host::TGF*, std::unique_ptr<Frame>> frames_;
    std::set<const host::TGF*> freed_;
    std::vector<std::string> violations_;
};

// Renders slots and measures of a document as text, staff by staff and measure by measure, with
// note names, durations, rests and articulations; for the demo and for failure messages.
std::string PrintScore(const Document& document, int firstSlot, int lastSlot, int firstMeasure,
                       int lastMeasure, int layers = 4);

}  // namespace hostsim
