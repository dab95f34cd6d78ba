// The host emulator: FINALE.EXE <path-to-fxt> <scenario> [args], or FINALE.EXE --list.
//
// It plays the host program for one scenario: a hidden top-level window, the simulated host's
// documents behind the FX_ functions this program exports, the plug-in loaded with LoadLibraryW
// and driven through its seven exports, message boxes watched and dismissed. Every check prints
// a line; the exit code is 0 when all passed, 1 when one failed, 2 on bad usage.
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "hostsim/emulator/box_watcher.h"
#include "hostsim/emulator/checks.h"
#include "hostsim/emulator/host_window.h"
#include "hostsim/emulator/plugin_module.h"
#include "hostsim/emulator/printable.h"
#include "hostsim/emulator/scenario.h"
#include "hostsim/sim_host.h"

namespace {

// A box that nobody dismisses, or a plug-in stuck in a loop, must not hang a test run forever.
constexpr DWORD kWatchdogMilliseconds = 60000;

DWORD WINAPI Watchdog(void*) {
    Sleep(kWatchdogMilliseconds);
    std::fputs("  FAIL  the scenario finished within 60 s: it did not (stopped)\n", stdout);
    std::fflush(stdout);
    ExitProcess(3);
}

std::string Narrow(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text) out += c < 0x80 ? static_cast<char>(c) : '?';
    return out;
}

std::string ProgramName() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring full = path;
    std::size_t slash = full.find_last_of(L"\\/");
    std::string name = Narrow(slash == std::wstring::npos ? full : full.substr(slash + 1));
    for (char& c : name)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return name;
}

std::vector<std::wstring> Arguments() {
    int count = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::wstring> args;
    for (int i = 0; i < count; ++i) args.emplace_back(argv[i]);
    LocalFree(argv);
    return args;
}

int Usage() {
    std::fputs(
        "usage: FINALE.EXE <path-to-plugin.fxt> <scenario> [args]\n"
        "       FINALE.EXE --list      (the scenarios, their program and labels)\n",
        stderr);
    return 2;
}

int List() {
    for (const emulator::Scenario& s : emulator::Scenarios())
        std::printf("%-34s %-13s %s\n", s.name, s.program, s.labels);
    return 0;
}

// Checks that every run shares, after the scenario: what the simulator saw of the plug-in.
void FinalChecks(emulator::Checks& checks, hostsim::SimHost& sim) {
    sim.CheckNoLeaks();
    std::string seen;
    for (const std::string& v : sim.Violations()) seen += (seen.empty() ? "" : "; ") + v;
    checks.Expect(sim.Violations().empty(),
                  "no frame leaked, freed twice or written out of bounds",
                  seen.empty() ? "none" : seen);
}

int Run(const emulator::Scenario& scenario, const std::wstring& pluginPath,
        std::vector<std::string> args) {
    emulator::Checks checks;
    const std::string program = ProgramName();
    std::printf("scenario %s (program %s%s%s)\n", scenario.name, program.c_str(),
                *scenario.labels ? ", labels: " : "", scenario.labels);
    if (program != scenario.program) {
        checks.Fail("the scenario runs under its own program name",
                    "it is " + program + ", the scenario needs " + scenario.program);
        return checks.ExitCode();
    }

    hostsim::SimHost sim;
    sim.MakeCurrent();
    HWND window = emulator::CreateHostWindow();
    emulator::BoxWatcher boxes;
    emulator::PluginModule plugin;
    if (window == nullptr || !boxes.Installed()) {
        checks.Fail("the host window and the box hook are set up",
                    "error " + std::to_string(GetLastError()));
        return checks.ExitCode();
    }
    if (!plugin.Load(pluginPath)) {
        checks.Fail("LoadLibraryW loads the plug-in " + emulator::Quoted(Narrow(pluginPath)),
                    "error " + std::to_string(plugin.LoadError()));
        return checks.ExitCode();
    }
    std::string missing;
    for (const std::string& name : plugin.Missing()) missing += " " + name;
    if (!checks.Expect(plugin.Missing().empty(), "GetProcAddress finds all seven exports",
                       missing.empty() ? "all found" : "missing:" + missing))
        return checks.ExitCode();

    emulator::Session session{checks, sim,    plugin,  boxes, window,
                              pluginPath, program, std::move(args)};
    scenario.run(session);
    plugin.Terminate();
    FinalChecks(checks, sim);
    std::printf("%s: %d checks, %d failed\n", scenario.name, checks.Count(), checks.Failed());
    std::fflush(stdout);
    return checks.ExitCode();
}

}  // namespace

int main() {
    _setmode(_fileno(stdout), _O_BINARY);  // line feeds as they are, also in logs
    std::vector<std::wstring> args = Arguments();
    if (args.size() == 2 && args[1] == L"--list") return List();
    if (args.size() < 3) return Usage();
    const emulator::Scenario* scenario = emulator::FindScenario(Narrow(args[2]));
    if (scenario == nullptr) {
        std::fprintf(stderr, "no scenario named %s; --list shows them\n", Narrow(args[2]).c_str());
        return 2;
    }
    CloseHandle(CreateThread(nullptr, 0, Watchdog, nullptr, 0, nullptr));
    std::vector<std::string> rest;
    for (std::size_t i = 3; i < args.size(); ++i) rest.push_back(Narrow(args[i]));
    return Run(*scenario, args[1], std::move(rest));
}
