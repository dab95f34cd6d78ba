// What CREATE costs per repeat as the destination grows: time, host calls and heap allocations.
//
//   build/native/bench/qz_bench --benchmark_counters_tabular=true
//
// Each run lays a two-measure rhythm over S staves x M measures with L populated layers, on a
// freshly built simulated score. The counters are per repeat (one stretch of two measures of one
// layer of one staff that gets rewritten), so a flat column means linear growth:
//   allocs        the plug-in's heap allocations (the simulated host's own are not counted)
//   host_calls    FX_ calls
//   create_us     CREATE's wall time
//   host_us       the part of it spent inside the FX_ functions (the simulator's clock)
//   plugin_us     create_us - host_us: the plug-in's own work
//   create/host   create_us / host_us, the plug-in's overhead over the host calls it must make
// BM_HostClock measures what the host's clock adds to one FX_ call.
#include <benchmark/benchmark.h>

#include <chrono>

#include "allocation_hook.h"
#include "engine/pattern_driver.h"
#include "framework/music_region.h"
#include "host/binding.h"
#include "hostsim/fx_api.h"
#include "memhost/region_record.h"
#include "host/late_bound_host.h"
#include "hostsim/sim_host.h"
#include "hostsim/stand_in_install.h"


namespace {

qz::FCMusicRegion Region(qz::host::HostBinding& binding, int startSlot, int startMeasure,
                         int endSlot, int endMeasure) {
    qz::FCMusicRegion region;
    region.SetFromRecord(binding, hostsim::MakeRegionRecord(startSlot, startMeasure, endSlot, endMeasure).data());
    return region;
}

// Staff 1 holds the source in measures 1-2; staves 2.. hold chords in the first L layers.
void BuildScore(hostsim::Document& doc, int staves, int measures, int layers) {
    for (int s = 0; s <= staves; ++s) doc.AddStaff(static_cast<int16_t>(100 + s));
    doc.SetMeasureCount(measures);
    hostsim::WriteMeasure(doc, 100, 1, 0, "C5/8@1 C5/8 r/4 C5/8 C5/8@2 C5/4");
    hostsim::WriteMeasure(doc, 100, 2, 0, "C5/4 C5/4 C5/4 r/4");
    for (int s = 1; s <= staves; ++s)
        for (int m = 1; m <= measures; ++m)
            for (int l = 0; l < layers; ++l) hostsim::WriteMeasure(doc, 100 + s, m, l, m % 2 ? "C4+E4+G4/2@3 F4+A4+C5/2" : "G3+B3+D4/1");
}

void BM_Create(benchmark::State& state) {
    const int staves = static_cast<int>(state.range(0));
    const int measures = static_cast<int>(state.range(1));
    const int layers = static_cast<int>(state.range(2));
    const long long repeats = 1LL * staves * layers * (measures / 2);
    long long calls = 0, allocations = 0, createNs = 0, hostNs = 0;
    hostsim::SetHostClock(true);
    for (auto _ : state) {
        state.PauseTiming();
        hostsim::SimHost sim;
        sim.SetLogging(false);
        BuildScore(sim.AddDocument(), staves, measures, layers);
        hostsim::InstallInStandIn(sim);
        // The plug-in's own path to its host: functions looked up by name, which the host clock
        // times.
        qz::host::LateBoundHost real;
        qz::host::HostBinding binding(real);
        sim.SetCurrentRegion(2, 1, staves + 1, measures);
        const qz::FCMusicRegion source = Region(binding, 1, 1, 1, 2);
        const qz::FCMusicRegion destination = Region(binding, 2, 1, staves + 1, measures);
        char message[512] = {};
        const long long callsBefore = sim.TotalCalls();
        const long long allocationsBefore = allocation_hook::Count();
        hostsim::ResetHostClock();
        state.ResumeTiming();

        const auto start = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(qz::engine::CopyPatternToRegion(binding, source, destination, 0x19000000, message));
        const auto end = std::chrono::steady_clock::now();

        state.PauseTiming();
        createNs += std::chrono::duration_cast<std::chrono::nanoseconds>(end - start).count();
        hostNs += hostsim::HostNanoseconds();
        calls += sim.TotalCalls() - callsBefore;
        allocations += allocation_hook::Count() - allocationsBefore;
        state.ResumeTiming();
    }
    hostsim::SetHostClock(false);
    const double perRepeat = 1.0 / static_cast<double>(state.iterations()) / static_cast<double>(repeats);
    state.counters["repeats"] = static_cast<double>(repeats);
    state.counters["host_calls"] = static_cast<double>(calls) * perRepeat;
    state.counters["allocs"] = static_cast<double>(allocations) * perRepeat;
    state.counters["create_us"] = static_cast<double>(createNs) * perRepeat / 1000.0;
    state.counters["host_us"] = static_cast<double>(hostNs) * perRepeat / 1000.0;
    state.counters["plugin_us"] = static_cast<double>(createNs - hostNs) * perRepeat / 1000.0;
    state.counters["create/host"] = hostNs > 0 ? static_cast<double>(createNs) / static_cast<double>(hostNs) : 0.0;
}

// One cheap FX_ call with the host's clock off (0) and on (1): the clock's cost per call.
void BM_HostClock(benchmark::State& state) {
    hostsim::SimHost sim;
    sim.SetLogging(false);
    sim.MakeCurrent();
    hostsim::SetHostClock(state.range(0) != 0);
    for (auto _ : state) benchmark::DoNotOptimize(FX_GetMaxLayers(0x19000000));
    hostsim::SetHostClock(false);
}
BENCHMARK(BM_HostClock)->Arg(0)->Arg(1);

void Sizes(benchmark::internal::Benchmark* b) {
    for (int staves : {1, 8, 32})
        for (int measures : {16, 128, 1024})
            for (int layers : {1, 4}) b->Args({staves, measures, layers});
}

BENCHMARK(BM_Create)->Apply(Sizes)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
