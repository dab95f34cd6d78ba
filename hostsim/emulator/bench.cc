// FINALE.EXE <fxt> bench [staves measures runs]: what CREATE costs in the real plug-in DLL.
//
// Each run builds a fresh document (a two-measure rhythm on staff 1, chords in layer 1 of the
// other staves), sets the source and times CREATE over all of them, while the simulated host
// clocks the time spent inside its FX_ functions. Printed per rewritten repeat: CREATE's time,
// the host's share, the plug-in's own (the difference), host calls, and CREATE over host time.
// The clock itself costs time on the plug-in's side of every call; a second line states that
// cost and the plug-in's share without it.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "hostsim/emulator/scenario.h"

namespace {

int Arg(const emulator::Session& session, std::size_t i, int fallback) {
    if (i >= session.args.size()) return fallback;
    const int value = std::atoi(session.args[i].c_str());
    return value > 0 ? value : fallback;
}

void BuildBenchScore(hostsim::SimHost& sim, int staves, int measures) {
    hostsim::Document& doc = sim.AddDocument();
    sim.SetCurrentDocument(doc.Id());
    doc.SetMeasureCount(measures);
    for (int s = 0; s <= staves; ++s) doc.AddStaff(static_cast<int16_t>(100 + s));
    hostsim::WriteMeasure(doc, 100, 1, 0, "C5/8@1 C5/8 r/4 C5/8 C5/8@2 C5/4");
    hostsim::WriteMeasure(doc, 100, 2, 0, "C5/4 C5/4 C5/4 r/4");
    for (int s = 1; s <= staves; ++s)
        for (int m = 1; m <= measures; ++m)
            hostsim::WriteMeasure(doc, 100 + s, m, 0, m % 2 ? "C4+E4+G4/2@3 F4+A4+C5/2" : "G3+B3+D4/1");
}

// What one reading of the host's clock costs. A clocked FX_ call reads it twice; about one
// reading's worth falls outside the interval it counts, on the plug-in's side.
double ClockReadNanoseconds() {
    constexpr int kReads = 100000;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kReads; ++i) std::chrono::steady_clock::now();
    const auto end = std::chrono::steady_clock::now();
    return std::chrono::duration<double, std::nano>(end - start).count() / kReads;
}

}  // namespace

QZ_SCENARIO(bench, FINALE, "engine bench") {
    const int staves = Arg(session, 0, 4);
    const int measures = Arg(session, 1, 16) / 2 * 2;
    const int runs = Arg(session, 2, 3);
    const long long repeats = 1LL * staves * (measures / 2);
    session.plugin.Version(0x19000000);
    long long createNs = 0, hostNs = 0, calls = 0;
    int completed = 0;
    hostsim::SetHostClock(true);
    for (int r = 0; r < runs; ++r) {
        BuildBenchScore(session.sim, staves, measures);
        session.sim.SetLogging(false);
        session.Invoke(0, emulator::WholeMeasures(1, 1, 1, 2));
        const long long callsBefore = session.sim.TotalCalls();
        hostsim::ResetHostClock();
        const auto start = std::chrono::steady_clock::now();
        completed += session.Invoke(1, emulator::WholeMeasures(2, staves + 1, 1, measures)) == 1;
        const auto end = std::chrono::steady_clock::now();
        createNs += std::chrono::duration_cast<std::chrono::nanoseconds>(end - start).count();
        hostNs += hostsim::HostNanoseconds();
        calls += session.sim.TotalCalls() - callsBefore;
    }
    hostsim::SetHostClock(false);
    session.checks.ExpectEqual("every CREATE completed", completed, runs);
    const double perRepeat = 1.0 / static_cast<double>(runs) / static_cast<double>(repeats);
    std::printf("  %d staves x %d measures, %lld repeats, %d runs\n", staves, measures, repeats, runs);
    std::printf("  per repeat: create %.2f us, host %.2f us, plug-in %.2f us, %.1f host calls, "
                "create/host %.2f\n",
                static_cast<double>(createNs) * perRepeat / 1000.0,
                static_cast<double>(hostNs) * perRepeat / 1000.0,
                static_cast<double>(createNs - hostNs) * perRepeat / 1000.0,
                static_cast<double>(calls) * perRepeat,
                hostNs > 0 ? static_cast<double>(createNs) / static_cast<double>(hostNs) : 0.0);
    const double clockNs = ClockReadNanoseconds();
    const double netNs = static_cast<double>(createNs) - clockNs * static_cast<double>(calls);
    std::printf("  the clock adds about %.0f ns per host call on the plug-in's side; without it: "
                "plug-in %.2f us, create/host %.2f\n",
                clockNs, (netNs - static_cast<double>(hostNs)) * perRepeat / 1000.0,
                hostNs > 0 ? netNs / static_cast<double>(hostNs) : 0.0);
}
