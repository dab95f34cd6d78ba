// What a scenario is given, and the registry that maps scenario names to functions.
//
// A scenario runs in a fresh emulator process: the plug-in has just been loaded (nothing called
// yet), the simulated host holds no document, the hidden host window exists and the box watcher
// is installed. The scenario builds the documents it needs, drives the exports through
// `plugin`, and records its checks in `checks`. The emulator then adds the checks every run
// shares (no frame leaked, no simulator violation) and exits with 0 when all passed.
//
// Scenarios are registered with QZ_SCENARIO(name, PROGRAM, "labels"): PROGRAM is the file name
// (without .EXE) under which the scenario must run, because the plug-in's behaviour depends on
// the name of the host program; labels are space-separated ctest labels ("" for none; "engine"
// for a scenario that needs the pattern engine). tests/e2e/scenarios.cmake reads these lines to
// make one ctest test per scenario, so keep each QZ_SCENARIO on one line.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "hostsim/emulator/box_watcher.h"
#include "hostsim/emulator/checks.h"
#include "hostsim/emulator/plugin_module.h"
#include "hostsim/emulator/region_record.h"
#include "hostsim/sim_host.h"

namespace emulator {

struct Session {
    Checks& checks;
    hostsim::SimHost& sim;
    PluginModule& plugin;
    BoxWatcher& boxes;
    HWND hostWindow;
    std::wstring pluginPath;         // as given on the command line
    std::string program;             // file name of the running program ("FINALE.EXE")
    std::vector<std::string> args;   // what followed the scenario name

    // Makes `selection` the host's current region (what FX_GetCurERegions reports) and invokes
    // command `index` with a copy of the same 20-byte record. Clears the box list first, so that
    // Boxes() afterwards holds what this call showed. Checks that the record was left unchanged.
    int16_t Invoke(uint16_t index, const Selection& selection);
    // Invokes with a null region record.
    int16_t InvokeWithoutRegion(uint16_t index);
};

using ScenarioFunction = void (*)(Session&);

struct Scenario {
    const char* name;
    const char* program;  // "FINALE.EXE"
    const char* labels;
    ScenarioFunction run;
};

// Every registered scenario, in registration order.
std::vector<Scenario>& Scenarios();
const Scenario* FindScenario(const std::string& name);

struct Registration {
    Registration(const char* name, const char* program, const char* labels,
                 ScenarioFunction run) {
        Scenarios().push_back({name, program, labels, run});
    }
};

}  // namespace emulator

#define QZ_SCENARIO(name, program, labels)                                                  \
    static void Scenario_##name(::emulator::Session& session);                              \
    static const ::emulator::Registration registration_##name{#name, #program ".EXE", labels, \
                                                              &Scenario_##name};             \
    static void Scenario_##name([[maybe_unused]] ::emulator::Session& session)
