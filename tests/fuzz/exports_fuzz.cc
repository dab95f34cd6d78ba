// Fuzz target: the plug-in through the seven calls its exports forward, in front of a simulated
// host whose every answer comes from the input.
//
// The input decides, in order:
//   - the host: its version, one or two documents (staves, measures, meters, stored entries as
//     music with articulations and details, raw bytes laid over those records, stray extended
//     data), the shown layers and the layer count, frames it cannot supply or marks skipSave, a
//     function it does not export;
//   - a schedule of host faults: any of the seventeen functions failing at its k-th call, once
//     or from then on, short inserts, malformed frames (counts without arrays, negative counts,
//     a header naming another measure, layer or slot, the same pointer handed out twice), a
//     layer reported hidden for one call only;
//   - one allocation of the plug-in that fails, once or from then on, during one command;
//   - a sequence of commands: SET SOURCE and CREATE with well-formed or raw region records (or
//     none), menu queries, switches of the current document.
// Each CREATE runs twice from the same document: first on a copy with no fault, then for real
// under the schedule. The second run must keep everything outside the destination and every
// other document byte for byte, leave each destination repeat whole (all as it was or all as the
// fault-free run rewrote it), attach no record to an entry it does not belong to, and hand back
// every frame once. Any breach aborts with a description, which libFuzzer reports as a crash.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/binding.h"
#include "host/bytes.h"
#include "host/exentry.h"
#include "memhost/region_record.h"
#include "hostsim/sim_host.h"
#include "platform/native_stand_in.h"
#include "shell/plugin.h"
#include "allocation_hook.h"
#include "support/fuzz_bytes.h"
#include "support/score_snapshot.h"
#include "support/switchable_host.h"

namespace {

using qz::fuzz::FuzzBytes;
namespace ex = qz::host::exentry;

void* const kWindow = reinterpret_cast<void*>(0x5150);
constexpr int kLayers = 4;

[[noreturn]] void Fail(const std::string& what) {
    std::fprintf(stderr, "\n*** exports_fuzz: %s\n", what.c_str());
    std::abort();
}

// What the host is, apart from its documents and faults: the same for the fault-free copy.
struct HostShape {
    bool shown[kLayers] = {true, true, true, true};
    int maxLayers = 4;
    bool completesIndex = true;
    std::vector<std::tuple<int, int, int>> absentFrames;
    bool firstIsSkipSave = false;  // the first of those frames is handed out, marked skipSave
    std::string missingFunction;

    void ApplyTo(hostsim::SimHost& sim) const {
        for (int layer = 0; layer < kLayers; ++layer) sim.SetLayerShown(layer, shown[layer]);
        sim.SetMaxLayers(maxLayers);
        sim.SetCreateCompletesIndex(completesIndex);
        for (std::size_t i = 0; i < absentFrames.size(); ++i) {
            const auto& [slot, measure, layer] = absentFrames[i];
            if (i == 0 && firstIsSkipSave) sim.MarkSkipSave(slot, measure, layer);
            else sim.MakeFrameAbsent(slot, measure, layer);
        }
        sim.SetLogging(false);
    }
};

// ---- the score ----------------------------------------------------------------------------

constexpr int32_t kDurations[] = {256, 512, 768, 1024, 1536, 2048, 3072, 4096};

hostsim::EntrySpec MusicFrom(FuzzBytes& in, int32_t position) {
    hostsim::EntrySpec entry;
    entry.position = position;
    entry.duration = in.Chance(7) ? kDurations[in.Below(8)] : in.Word();
    const int pitches = in.Below(4);  // none: a rest
    for (int p = 0; p < pitches; ++p) {
        entry.pitches.push_back(36 + in.Below(48));
        entry.accidentals.push_back(in.Below(5) - 2);
    }
    if (in.Chance(3))
        for (int a = 0, n = 1 + in.Below(2); a < n; ++a) entry.articulations.push_back(1 + in.Below(8));
    if (in.Chance(2)) entry.details = 1 + in.Below(2);
    return entry;
}

// Raw bytes over a record, its entry number kept: flags, note counts, note records, positions
// the host never writes.
void Scramble(FuzzBytes& in, hostsim::Record& record) {
    for (int n = in.Below(4); n > 0; --n) {
        const size_t at = 4 + static_cast<size_t>(in.Below(static_cast<int>(ex::kSize) - 4));
        record[at] = in.Next();
    }
}

void FillPlace(FuzzBytes& in, hostsim::Document& doc, int instrument, int measure, int layer) {
    int32_t position = 0;
    for (int e = 0, n = in.Below(5); e < n; ++e) {
        if (in.Chance(1)) position += kDurations[in.Below(8)];  // a gap
        hostsim::EntrySpec entry = MusicFrom(in, position);
        doc.AddEntry(instrument, measure, layer, entry);
        position += entry.duration;
        if (in.Chance(1)) Scramble(in, doc.Entries(instrument, measure, layer).back());
    }
}

// Records the plug-in may meet in the store: attached ones of odd sizes, on live or unknown
// entries, and records of other tags. A record under a number no entry holds yet stays stray:
// the host never hands out a number that already keys records, so the faulted and fault-free
// runs, which number their new entries differently, cannot give it to different entries.
void AddStrayData(FuzzBytes& in, hostsim::Document& doc, uint32_t lastNumber) {
    static constexpr uint32_t kTags[] = {hostsim::kArticulationTag, hostsim::kDetailTag,
                                         0x6F740001, 0x4F096649};
    for (int n = in.Below(3); n > 0; --n) {
        const uint32_t tag = kTags[in.Below(4)];
        const int64_t number = 1 + in.Below(static_cast<int>(lastNumber) + 2);
        const int64_t index = in.Below(3);
        doc.EData()[{tag, number, index}] = in.Take(static_cast<size_t>(in.Below(40)));
    }
}

void BuildDocument(FuzzBytes& in, hostsim::Document& doc, int staves, int measures) {
    for (int s = 1; s <= staves; ++s) doc.AddStaff(static_cast<int16_t>(10 + s));
    doc.SetMeasureCount(measures);
    for (int m = 1; m <= measures; ++m)
        if (in.Chance(3)) doc.SetTimeSignature(m, {in.Below(7), 1 << in.Below(5)});
    for (int s = 1; s <= staves; ++s)
        for (int m = 1; m <= measures; ++m)
            for (int layer = 0, layers = 2 + in.Below(2) * 2; layer < layers; ++layer)
                if (in.Chance(5)) FillPlace(in, doc, 10 + s, m, layer);
    AddStrayData(in, doc, doc.NextEntryNumber());
}

HostShape ShapeFrom(FuzzBytes& in, int staves, int measures) {
    HostShape shape;
    const uint8_t layers = in.Next();
    for (int layer = 0; layer < kLayers; ++layer) shape.shown[layer] = (layers >> layer & 1) == 0;
    shape.firstIsSkipSave = (layers & 0x10) != 0;
    shape.maxLayers = in.Chance(7) ? 4 : in.Below(7) - 1;
    shape.completesIndex = in.Chance(6);
    for (int n = in.Chance(1) ? 1 + in.Below(2) : 0; n > 0; --n)
        shape.absentFrames.emplace_back(1 + in.Below(staves), 1 + in.Below(measures), in.Below(kLayers));
    // A host without FX_FreeTGF could only leak frames: every other function may be missing.
    if (in.Below(32) == 0) {
        const std::string& name = hostsim::SimHost::FunctionNames()[static_cast<size_t>(in.Below(17))];
        if (name != "FX_FreeTGF") shape.missingFunction = name;
    }
    return shape;
}

std::vector<hostsim::Fault> FaultsFrom(FuzzBytes& in) {
    std::vector<hostsim::Fault> faults;
    for (int n = in.Below(4); n > 0; --n) {
        hostsim::Fault fault;
        fault.function = hostsim::SimHost::FunctionNames()[static_cast<size_t>(in.Below(17))];
        // A host that cannot name its current document answers 0, and then CREATE's document test
        // passes for a source taken under the same answer, as with a host lacking the function
        // (the shape covers that case, in both runs alike). Such an answer is a decision, not a
        // fault a fault-free run can be compared with.
        if (fault.function == "FX_GetCurrentEnigmaDocument") continue;
        fault.nth = 1 + in.Below(64);
        fault.persistent = in.Chance(2);
        fault.shortBy = 1 + in.Below(3);
        // A load may hand out a malformed frame instead of none.
        if (fault.function == "FX_LoadTGF")
            fault.defect = static_cast<hostsim::FrameDefect>(in.Below(8));
        faults.push_back(fault);
    }
    return faults;
}

// How far a faulted run may differ from the fault-free one: refused writes can keep a restore
// from completing, refused record stores can cost entries their records, failed record reads
// can cost them articulations, refused deletes can leave the records of a restored repeat behind.
// How far the faulted run may honestly differ from the fault-free one. A host without
// FX_DeleteEData cannot take back the records of a repeat it then restores, exactly as one that
// refuses the delete: the fault-free run needs no delete, so only the faulted one leaves them.
qz::fuzz::Tolerance ToleranceFor(const std::vector<hostsim::Fault>& faults,
                                 const std::string& missingFunction) {
    qz::fuzz::Tolerance tolerance;
    tolerance.leftoverRecordsMayRemain = missingFunction == "FX_DeleteEData";
    int refusedWrites = 0;
    for (const hostsim::Fault& fault : faults) {
        if (fault.function == "FX_SaveTGF" || fault.function == "FX_InsertEXENTRY" ||
            fault.function == "FX_DeleteEXENTRY")
            refusedWrites += fault.persistent ? 2 : 1;
        if (fault.function == "FX_SaveEData" || fault.function == "FX_CreateEData")
            tolerance.attachedMayBeMissing = true;
        if (fault.function == "FX_LoadEData") tolerance.articulationsMayBeMissing = true;
        if (fault.function == "FX_DeleteEData") tolerance.leftoverRecordsMayRemain = true;
    }
    tolerance.restoreMayFail = refusedWrites >= 2;
    tolerance.attachedMayBeMissing = tolerance.attachedMayBeMissing || tolerance.restoreMayFail;
    return tolerance;
}

// The n-th allocation of the plug-in during one command fails, once or from then on.
struct AllocationFailure {
    int command = -1;  // none
    long long nth = 0;
    bool persistent = false;
};

AllocationFailure AllocationFailureFrom(FuzzBytes& in) {
    AllocationFailure failure;
    if (in.Chance(3)) {
        failure.command = in.Below(6);
        failure.nth = 1 + in.Word() % 1024;
        failure.persistent = in.Chance(4);
    }
    return failure;
}

// ---- the commands -------------------------------------------------------------------------

struct Command {
    enum Kind { kSetSource, kCreate, kMenu, kSwitchDocument } kind = kCreate;
    int16_t index = 1;
    bool noRegion = false;
    hostsim::RegionRecord region{};
    int document = 1;
};

hostsim::RegionRecord RegionFrom(FuzzBytes& in, int staves, int measures) {
    if (in.Below(16) == 0) {
        hostsim::RegionRecord raw{};
        for (unsigned char& b : raw) b = in.Next();
        return raw;
    }
    const int firstSlot = 1 + in.Below(staves + 1);
    const int lastSlot = firstSlot + (in.Chance(5) ? 0 : in.Below(staves) - 1);
    const int firstMeasure = 1 + in.Below(measures);
    const int lastMeasure = firstMeasure + in.Below(measures) - (in.Below(16) == 0 ? 2 : 0);
    if (in.Below(16) == 0)  // a partial selection
        return hostsim::MakeRegionRecord(firstSlot, firstMeasure, lastSlot, lastMeasure,
                                         in.Below(3) * 512, in.Chance(4) ? 0x7FFFFFFF : 2048);
    return hostsim::MakeRegionRecord(firstSlot, firstMeasure, lastSlot, lastMeasure);
}

std::vector<Command> CommandsFrom(FuzzBytes& in, int staves, int measures, int documents) {
    std::vector<Command> commands;
    const int count = 2 + in.Below(4);
    for (int c = 0; c < count; ++c) {
        Command command;
        // The first command sets the source, so that no state of an earlier input counts.
        const int pick = c == 0 ? 0 : in.Below(8);
        command.kind = pick <= 1 ? Command::kSetSource
                       : pick <= 5 ? Command::kCreate
                       : pick == 6 ? Command::kMenu
                                   : Command::kSwitchDocument;
        command.index = command.kind == Command::kSetSource ? 0
                        : command.kind == Command::kMenu     ? static_cast<int16_t>(in.Below(4) - 1)
                        : in.Below(16) == 0                 ? static_cast<int16_t>(2 + in.Below(100))
                                                            : 1;
        command.noRegion = in.Below(32) == 0;
        command.region = RegionFrom(in, staves, measures);
        command.document = 1 + in.Below(documents);
        commands.push_back(command);
    }
    return commands;
}

// ---- running and checking -------------------------------------------------------------------

// QZ_FUZZ_TRACE=1 in the environment prints what an input does, for reading a finding.
bool Tracing() {
    static const bool on = std::getenv("QZ_FUZZ_TRACE") != nullptr;
    return on;
}

std::string RegionText(const hostsim::RegionRecord& record) {
    auto word = [&](size_t at) { return std::to_string(qz::host::Load<int16_t>(record.data(), at)); };
    return "slots " + word(2) + ".." + word(12) + " measures " + word(4) + ".." + word(14) +
           " positions " + std::to_string(qz::host::Load<int32_t>(record.data(), 6)) + ".." +
           std::to_string(qz::host::Load<int32_t>(record.data(), 16));
}

void Trace(const std::string& text) {
    if (Tracing()) std::fprintf(stderr, "%s\n", text.c_str());
}

void SelectInHost(hostsim::SimHost& sim, const hostsim::RegionRecord& record) {
    unsigned char raw[20];
    std::copy(record.begin(), record.end(), raw);
    sim.SetCurrentRegionRecord(raw);
}

void CheckHost(hostsim::SimHost& sim, const char* run) {
    sim.CheckNoLeaks();
    if (!sim.Violations().empty()) Fail(std::string(run) + ": " + sim.Violations().front());
}

// A call as its export makes it: whatever is thrown becomes the export's neutral answer.
template <typename Call>
int16_t AsExport(Call&& call) {
    try {
        return call();
    } catch (...) {
        return 0;
    }
}

struct Session {
    hostsim::SimHost host;
    qz::fuzz::SwitchableHost reached{host};  // the host, or for a moment the fault-free copy
    qz::shell::Plugin plugin{reached};       // freshly loaded for every input
    HostShape shape;
    std::vector<hostsim::Fault> faults;
    AllocationFailure allocation;
    int commandNumber = 0;
    hostsim::RegionRecord sourceRecord{};

    // The real run of a command, with the allocation failure armed when it is this command's.
    int16_t Invoke(const Command& command) {
        if (!command.noRegion) SelectInHost(host, command.region);
        std::optional<allocation_hook::ScopedFailure> failing;
        if (commandNumber == allocation.command) failing.emplace(allocation.nth, allocation.persistent);
        host.SetLogging(Tracing());
        host.ClearCalls();
        const int16_t result = AsExport([&] {
            return plugin.Invoke(kWindow, command.index, command.noRegion ? nullptr : command.region.data());
        });
        for (const hostsim::Call& call : host.Calls()) {
            std::string line = "  " + call.name;
            for (int64_t arg : call.args) line += " " + std::to_string(arg);
            Trace(line);
        }
        return result;
    }

    void SetSource(const Command& command) {
        Invoke(command);
        sourceRecord = command.noRegion ? hostsim::RegionRecord{} : command.region;
    }

    // The same CREATE on a fault-free copy of the host: the document it leaves.
    qz::fuzz::DocumentSnapshot FaultFree(const Command& command, int current) {
        hostsim::SimHost copy;
        for (int id = 1; host.FindDocument(id) != nullptr; ++id) copy.AddDocument() = *host.FindDocument(id);
        shape.ApplyTo(copy);
        if (!shape.missingFunction.empty()) copy.SetAbsent(shape.missingFunction);
        copy.SetCurrentDocument(current);
        if (!command.noRegion) SelectInHost(copy, command.region);
        reached.PointAt(copy);
        AsExport([&] {
            return plugin.Invoke(kWindow, command.index, command.noRegion ? nullptr : command.region.data());
        });
        reached.PointAt(host);
        CheckHost(copy, "fault-free run");
        return qz::fuzz::Take(*copy.FindDocument(current), kLayers);
    }

    void Create(const Command& command) {
        const int current = host.CurrentDocument().Id();
        std::vector<qz::fuzz::DocumentSnapshot> before;
        for (int id = 1; host.FindDocument(id) != nullptr; ++id)
            before.push_back(qz::fuzz::Take(*host.FindDocument(id), kLayers));
        const qz::fuzz::DocumentSnapshot rewritten = FaultFree(command, current);
        Invoke(command);
        const hostsim::RegionRecord destination = command.noRegion ? hostsim::RegionRecord{} : command.region;
        const auto geometry = qz::fuzz::Destination::FromRecords(destination.data(), sourceRecord.data());
        for (int id = 1; host.FindDocument(id) != nullptr; ++id) {
            const qz::fuzz::DocumentSnapshot after = qz::fuzz::Take(*host.FindDocument(id), kLayers);
            const auto& was = before[static_cast<size_t>(id - 1)];
            const std::string problem =
                id == current ? qz::fuzz::CheckCreate(was, rewritten, after, geometry, ToleranceFor(faults, shape.missingFunction))
                              : qz::fuzz::CheckUnchanged(was, after);
            if (!problem.empty()) Fail("document " + std::to_string(id) + ": " + problem);
        }
    }

    void Menu(const Command& command) {
        unsigned char item[772];
        AsExport([&] { return plugin.GetMenuStatus(command.index); });
        AsExport([&] { return plugin.Enumerate(nullptr, command.index, item); });
        AsExport([&] { return plugin.EnumerateUtf16(nullptr, command.index, item); });
    }

    void Run(const Command& command) {
        static const char* const kinds[] = {"SET SOURCE", "CREATE", "menu", "switch to document"};
        if (Tracing()) {
            Trace(std::string(kinds[command.kind]) + " index " + std::to_string(command.index) + " " +
                  (command.noRegion ? "no region" : RegionText(command.region)) + " document " +
                  std::to_string(command.document));
            if (command.kind == Command::kCreate)
                Trace(hostsim::PrintScore(host.CurrentDocument(), 1, host.CurrentDocument().StaffCount(), 1,
                                          host.CurrentDocument().MeasureCount()));
        }
        switch (command.kind) {
            case Command::kSetSource: SetSource(command); break;
            case Command::kCreate: Create(command); break;
            case Command::kMenu: Menu(command); break;
            case Command::kSwitchDocument: host.SetCurrentDocument(command.document); break;
        }
        ++commandNumber;
    }
};

constexpr uint32_t kVersions[] = {0x19000000, 0x11000000, 0x08000000, 0x07000000};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzBytes in(data, size);
    auto session = std::make_unique<Session>();
    const uint32_t version = kVersions[in.Below(4)];
    const int documents = 1 + (in.Below(8) == 0);
    const int staves = 2 + in.Below(2);
    const int measures = 1 + in.Below(5);
    for (int d = 0; d < documents; ++d) BuildDocument(in, session->host.AddDocument(), staves, measures);
    session->shape = ShapeFrom(in, staves, measures);
    session->shape.ApplyTo(session->host);
    if (!session->shape.missingFunction.empty()) session->host.SetAbsent(session->shape.missingFunction);
    session->faults = FaultsFrom(in);
    session->allocation = AllocationFailureFrom(in);
    const std::vector<Command> commands = CommandsFrom(in, staves, measures, documents);

    qz::platform::stand_in::Reset();
    qz::platform::stand_in::AddWindow(kWindow);
    session->plugin.Version(version);
    uint32_t flags = 0;
    session->plugin.Init(nullptr, &flags);
    for (const hostsim::Fault& fault : session->faults) {
        Trace("fault: " + fault.function + " call " + std::to_string(fault.nth) +
              (fault.persistent ? " and later" : " once") + " short by " + std::to_string(fault.shortBy) +
              " defect " + std::to_string(static_cast<int>(fault.defect)));
        session->host.AddFault(fault);
    }
    if (session->allocation.command >= 0)
        Trace("allocation " + std::to_string(session->allocation.nth) + " of command " +
              std::to_string(session->allocation.command) + (session->allocation.persistent ? " and later" : " once") +
              " fails");
    if (Tracing()) {
        std::string layers;
        for (bool shown : session->shape.shown) layers += shown ? "1" : "0";
        std::string frames;
        for (const auto& [slot, measure, layer] : session->shape.absentFrames)
            frames += (frames.empty() && session->shape.firstIsSkipSave ? " skipSave " : " absent ") +
                      hostsim::SimHost::PlaceText(slot, measure, layer);
        Trace("version " + std::to_string(version) + " shown " + layers + " max layers " +
              std::to_string(session->shape.maxLayers) + " missing '" + session->shape.missingFunction + "'" +
              frames);
    }

    for (const Command& command : commands) session->Run(command);
    session->plugin.Terminate();
    CheckHost(session->host, "faulted run");
    return 0;
}
