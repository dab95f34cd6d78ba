// The real DLL running out of memory: its malloc, calloc and realloc imports refuse the N-th
// allocation of a CREATE, once or from then on, for every N a fault-free CREATE reaches (sampled
// where that count is large). Every run must end in the host's process: an abort() of the DLL's
// runtime is caught by a SIGABRT handler (the DLL and the emulator share msvcrt.dll), reported
// with the run and the DLL's return addresses, and ends the scenario as failed.
//
// After each run, as the native allocation countdown checks it: no message box; no frame leaked
// or misused; the source and everything outside the destination unchanged; every repeat whole,
// as it was or as the fault-free run rewrote it; no record on a foreign entry; a CREATE that
// answers 0 changed nothing; and, in the sweep, the DLL holding no more heap blocks than after
// the fault-free run.
//
// Arguments "N once" or "N from" run that one case only, as the process's first CREATE: the
// sweep stops at the first abort, so the figures per case come from one process each. A second
// scenario runs CREATE out of memory on a thread other than the one that loaded the DLL.
#include <csignal>
#include <cstdio>
#include <cstring>
#include <functional>

#include "e2e_support.h"
#include "hostsim/emulator/allocation_imports.h"
#include "memhost/region_record.h"
#include "support/score_snapshot.h"

namespace {

namespace heap = emulator::allocation_imports;

constexpr int kLayers = 4;
// Every N up to here is run; above it, N is sampled with a stride that keeps a sweep near this
// many runs, the last N always included.
constexpr long long kEveryNUpTo = 300;
constexpr long long kRunsPerSweep = 400;

// Articulations, details and rests in the source (staff 1, measures 1-2); chords in two layers
// on staves 2 and 3, two repeats each; a repeat the source does not fit and an empty one.
void BuildScore(hostsim::Document& doc) {
    for (int instrument = 11; instrument <= 13; ++instrument) doc.AddStaff(static_cast<int16_t>(instrument));
    doc.SetMeasureCount(4);
    hostsim::WriteMeasure(doc, 11, 1, 0, "C5/4@1+d C5/4 r/4 C5/4@2");
    hostsim::WriteMeasure(doc, 11, 2, 0, "C5/2+d2 C5/2@3");
    hostsim::WriteMeasure(doc, 12, 1, 0, "D4+F4/2@2 E4/2");
    hostsim::WriteMeasure(doc, 12, 2, 0, "G4/1@3");
    hostsim::WriteMeasure(doc, 12, 3, 0, "A4/4 B4/8 B4/8 r/2");
    hostsim::WriteMeasure(doc, 12, 4, 0, "E4/1");
    hostsim::WriteMeasure(doc, 12, 1, 1, "E3/1");
    hostsim::WriteMeasure(doc, 12, 2, 1, "r/2 F3/2");
    hostsim::WriteMeasure(doc, 13, 1, 0, "C4/4 C4/4 r/4 C4/4@4");
    hostsim::WriteMeasure(doc, 13, 2, 0, "D4/2@5 D4/2");
    hostsim::WriteMeasure(doc, 13, 3, 0, "F4/1");
    hostsim::WriteMeasure(doc, 13, 4, 0, "G4/2 A4/2+d");
}

const hostsim::RegionRecord kSource = hostsim::MakeRegionRecord(1, 1, 1, 2);
const hostsim::RegionRecord kDestination = hostsim::MakeRegionRecord(2, 1, 3, 4);

struct CreateRun {
    int16_t result = 0;
    std::size_t boxes = 0;
    long long allocations = 0, refused = 0;
    long long liveBlocks = 0;  // the DLL's heap blocks after the run
    std::vector<std::string> violations;
    qz::fuzz::DocumentSnapshot before, after;
};

int16_t Invoke(emulator::Session& session, hostsim::SimHost& host, uint16_t index,
               const hostsim::RegionRecord& region) {
    unsigned char record[20];
    std::copy(region.begin(), region.end(), record);
    host.SetCurrentRegionRecord(record);
    return session.plugin.Invoke(session.hostWindow, index, record);
}

// SET SOURCE and CREATE on a fresh host; `arm` runs just before CREATE.
CreateRun RunCreate(emulator::Session& session, const std::function<void()>& arm) {
    CreateRun run;
    {
        hostsim::SimHost host;
        host.SetLogging(false);
        host.MakeCurrent();
        hostsim::Document& doc = host.AddDocument();
        BuildScore(doc);
        Invoke(session, host, e2e::kSetSource, kSource);
        run.before = qz::fuzz::Take(doc, kLayers);
        session.boxes.Clear();
        arm();
        run.result = Invoke(session, host, e2e::kCreate, kDestination);
        run.allocations = heap::Count();
        run.refused = heap::Refused();
        run.liveBlocks = heap::LiveBlocks();
        heap::Disarm();
        run.boxes = session.boxes.Boxes().size();
        host.CheckNoLeaks();
        run.violations = host.Violations();
        run.after = qz::fuzz::Take(doc, kLayers);
    }
    session.sim.MakeCurrent();
    return run;
}

// Every problem of one run, "" when none. With `sameHeap`, the DLL must hold as many heap blocks
// as after the fault-free run.
std::string Problems(const CreateRun& run, const CreateRun& reference, bool sameHeap) {
    std::string problems;
    const auto add = [&](const std::string& text) { problems += "\n      " + text; };
    for (const std::string& v : run.violations) add(v);
    if (run.boxes != 0) add("a message box was shown");
    if (run.refused < 1) add("no allocation was refused");
    if (sameHeap && run.liveBlocks != reference.liveBlocks)
        add("the DLL holds " + std::to_string(run.liveBlocks - reference.liveBlocks) +
            " heap blocks more than after the fault-free run");
    if (run.result != 0 && run.result != 1) add("CREATE answered " + std::to_string(run.result));
    if (run.result == 0 && !qz::fuzz::CheckUnchanged(run.before, run.after).empty())
        add("CREATE answered 0 yet changed the document");
    const auto geometry = qz::fuzz::Destination::FromRecords(kDestination.data(), kSource.data());
    const std::string check = qz::fuzz::CheckCreate(run.before, reference.after, run.after, geometry, {});
    if (!check.empty()) add(check);
    return problems;
}

// The run under way, for the SIGABRT handler.
char g_running[64] = "no run";
HMODULE g_plugin = nullptr;

void OnAbort(int) {
    std::printf("  FAIL  the plug-in ended the host with abort() during %s; its return addresses:",
                g_running);
    void* frames[32];
    const USHORT count = CaptureStackBackTrace(0, 32, frames, nullptr);
    for (USHORT i = 0; i < count; ++i) {
        HMODULE module = nullptr;
        GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           static_cast<LPCWSTR>(frames[i]), &module);
        if (module == g_plugin)
            std::printf(" +0x%llx", static_cast<unsigned long long>(static_cast<char*>(frames[i]) -
                                                                     reinterpret_cast<char*>(g_plugin)));
    }
    std::printf("\n");
    std::fflush(stdout);
}

struct Case {
    long long nth;
    bool persistent;
};

void Label(const Case& c) {
    std::snprintf(g_running, sizeof g_running, "allocation #%lld %s", c.nth,
                  c.persistent ? "from then on" : "once");
}

// The N of one sweep over `reached` allocations: all, or sampled (see kEveryNUpTo).
std::vector<long long> Sample(long long reached) {
    const long long rest = kRunsPerSweep - kEveryNUpTo;
    const long long stride = reached <= kRunsPerSweep ? 1 : (reached - kEveryNUpTo + rest - 1) / rest;
    std::vector<long long> chosen;
    for (long long n = 1; n <= reached; n += n < kEveryNUpTo ? 1 : stride) chosen.push_back(n);
    if (chosen.back() != reached) chosen.push_back(reached);
    return chosen;
}

CreateRun RunCase(emulator::Session& session, const Case& c) {
    Label(c);
    return RunCreate(session, [&] { heap::Arm(c.nth, c.persistent); });
}

}  // namespace

QZ_SCENARIO(create_survives_every_failing_allocation, FINALE, "engine") {
    g_plugin = session.plugin.Handle();
    const std::string hooked = heap::Hook(g_plugin);
    if (!session.checks.Expect(hooked.empty(), "the DLL's malloc, calloc, realloc and free imports are hooked",
                               hooked.empty() ? "hooked" : hooked))
        return;
    std::signal(SIGABRT, OnAbort);
    // One case alone is the process's first CREATE, as a host may meet it; the fault-free run
    // follows. Its heap is not compared: the first CREATE keeps a block the binding holds from
    // then on (its record of held frames), so only the sweep's later runs have a fixed count.
    const bool oneCase = session.args.size() == 2;
    const Case single{oneCase ? std::atoll(session.args[0].c_str()) : 0, oneCase && session.args[1] == "from"};
    CreateRun first;
    if (oneCase) first = RunCase(session, single);

    // The first fault-free CREATE of the process makes more allocations than the later ones (the
    // block the binding keeps); the reference is a later one, so that every N it reaches is reached.
    if (!oneCase) RunCreate(session, [] { heap::Disarm(); });
    const CreateRun reference = RunCreate(session, [] { heap::Disarm(); });
    session.checks.ExpectEqual("the fault-free CREATE answers", reference.result, 1);
    session.checks.Expect(!qz::fuzz::CheckUnchanged(reference.before, reference.after).empty(),
                          "the fault-free CREATE rewrites", std::to_string(reference.allocations) + " allocations");
    session.checks.Expect(reference.violations.empty() && reference.boxes == 0, "the fault-free run is sound",
                          std::to_string(reference.violations.size()) + " violations, " +
                              std::to_string(reference.boxes) + " boxes");
    if (oneCase) {
        Label(single);
        const std::string problems = Problems(first, reference, false);
        session.checks.Expect(problems.empty(), g_running, problems.empty() ? "sound" : problems);
        return;
    }

    int runs = 0, failed = 0;
    // From then on first: the first refusal of the process then finds the runtime as a host
    // would, with nothing thrown on this thread before.
    for (bool persistent : {true, false})
        for (long long n : Sample(reference.allocations)) {
            const std::string problems = Problems(RunCase(session, {n, persistent}), reference, true);
            ++runs;
            if (problems.empty()) continue;
            ++failed;
            session.checks.Fail(g_running, problems);
        }
    std::signal(SIGABRT, SIG_DFL);
    session.checks.ExpectEqual("runs with a problem (of " + std::to_string(runs) + ")", failed, 0);
}

namespace {

struct ThreadRun {
    emulator::Session* session;
    long long reached;
    std::string problems;
    const CreateRun* reference;
};

// A host may call the plug-in from a thread other than the one that loaded it. Its first call
// there finds memory; a CREATE on that thread later runs out. The heap is not compared: that
// first call sets up the thread's own runtime state, which lives as long as the thread.
DWORD WINAPI CallFromAnotherThread(void* parameter) {
    auto& run = *static_cast<ThreadRun*>(parameter);
    run.session->plugin.GetMenuStatus(e2e::kCreate);
    for (long long n : {1LL, run.reached / 2, run.reached}) {
        const std::string problems = Problems(RunCase(*run.session, {n, true}), *run.reference, false);
        if (!problems.empty()) run.problems += std::string("\n    ") + g_running + ":" + problems;
    }
    return 0;
}

}  // namespace

QZ_SCENARIO(create_on_another_thread_survives_running_out_of_memory, FINALE, "engine") {
    g_plugin = session.plugin.Handle();
    const std::string hooked = heap::Hook(g_plugin);
    if (!session.checks.Expect(hooked.empty(), "the DLL's allocation imports are hooked", hooked.empty() ? "hooked" : hooked))
        return;
    std::signal(SIGABRT, OnAbort);
    RunCreate(session, [] { heap::Disarm(); });
    const CreateRun reference = RunCreate(session, [] { heap::Disarm(); });
    ThreadRun run{&session, reference.allocations, "", &reference};
    HANDLE thread = CreateThread(nullptr, 0, CallFromAnotherThread, &run, 0, nullptr);
    if (!session.checks.Expect(thread != nullptr, "a second thread starts", std::to_string(GetLastError())))
        return;
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    std::signal(SIGABRT, SIG_DFL);
    session.checks.Expect(run.problems.empty(), "CREATE on the second thread, allocations refused from #1, the middle and the last on",
                          run.problems.empty() ? "sound" : run.problems);
}
