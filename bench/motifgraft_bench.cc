// What `motifgraft apply` costs as the score grows: wall time and peak memory of the whole
// command (read, SET SOURCE, CREATE over every staff, write) on generated scores.
//
//   build/native/bench/motifgraft_bench --benchmark_counters_tabular=true
//   QZ_MOTIFGRAFT=path/to/motifgraft build/native/bench/motifgraft_bench ...   # another build
//
// Each row is a score of M measures on S staves (S/2 two-staff parts); the source is the rhythm
// of staff 1, measure 1, laid over `all` staves, measures 1..M, and every repeat fits. The tool
// runs as a child process so that its peak resident memory is its own (getrusage of the child).
// The columns per megabyte and per rewritten measure stay flat when the cost grows linearly
// with the file; Google Benchmark's fit over the file size is printed as the _BigO row.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>
#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace {

namespace fs = std::filesystem;

std::string Chord(const char* steps[], int count, int duration, const char* type, int staff,
                  const char* voice, const char* articulation) {
    std::string out;
    for (int i = 0; i < count; ++i) {
        out += "<note>";
        if (i > 0) out += "<chord/>";
        out += std::string("<pitch><step>") + steps[i][0] + "</step><octave>" + steps[i][1] +
               "</octave></pitch><duration>" + std::to_string(duration) + "</duration><voice>" +
               voice + "</voice><type>" + type + "</type><staff>" + std::to_string(staff) + "</staff>";
        if (i == 0 && articulation != nullptr)
            out += std::string("<notations><articulations><") + articulation + "/></articulations></notations>";
        out += "</note>\n";
    }
    return out;
}

std::string Rest(int duration, const char* type, const char* voice) {
    return "<note><rest/><duration>" + std::to_string(duration) + "</duration><voice>" + voice +
           "</voice><type>" + type + "</type><staff>1</staff></note>\n";
}

// One measure of one part: chords on both staves (half, quarter, quarter), or on part 1's first
// measure the comping rhythm that becomes the source.
std::string Measure(int part, int number) {
    static const char* upper[] = {"E4", "G4", "C5"};
    static const char* lower[] = {"C3", "G3"};
    std::string out = "<measure number=\"" + std::to_string(number) + "\">\n";
    if (number == 1)
        out += "<attributes><divisions>4</divisions><time><beats>4</beats><beat-type>4</beat-type>"
               "</time><staves>2</staves><clef number=\"1\"><sign>G</sign><line>2</line></clef>"
               "<clef number=\"2\"><sign>F</sign><line>4</line></clef></attributes>\n";
    if (part == 1 && number == 1) {
        static const char* b4[] = {"B4"};
        out += Chord(b4, 1, 4, "quarter", 1, "1", "accent") + Rest(2, "eighth", "1") +
               Chord(b4, 1, 2, "eighth", 1, "1", "staccato") + Rest(2, "eighth", "1") +
               Chord(b4, 1, 2, "eighth", 1, "1", nullptr) + Chord(b4, 1, 4, "quarter", 1, "1", nullptr);
    } else {
        out += Chord(upper, 3, 8, "half", 1, "1", "tenuto") + Chord(upper, 3, 4, "quarter", 1, "1", nullptr) +
               Chord(upper, 3, 4, "quarter", 1, "1", "accent");
    }
    out += "<backup><duration>16</duration></backup>\n";
    out += Chord(lower, 2, 8, "half", 2, "5", nullptr) + Chord(lower, 2, 8, "half", 2, "5", nullptr);
    return out + "</measure>\n";
}

std::string GenerateScore(int measures, int parts) {
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<score-partwise version=\"4.0\">\n<part-list>\n";
    for (int p = 1; p <= parts; ++p)
        out += "<score-part id=\"P" + std::to_string(p) + "\"><part-name>Piano " + std::to_string(p) +
               "</part-name></score-part>\n";
    out += "</part-list>\n";
    for (int p = 1; p <= parts; ++p) {
        out += "<part id=\"P" + std::to_string(p) + "\">\n";
        for (int m = 1; m <= measures; ++m) out += Measure(p, m);
        out += "</part>\n";
    }
    return out + "</score-partwise>\n";
}

struct Run {
    bool ok = false;
    double seconds = 0;
    long peakKiB = 0;
};

// Runs the tool once and measures the child alone.
Run RunTool(const std::vector<std::string>& args) {
    std::vector<std::string> storage = args;
    std::vector<char*> argv;
    for (std::string& a : storage) argv.push_back(a.data());
    argv.push_back(nullptr);
    auto start = std::chrono::steady_clock::now();
    pid_t child = fork();
    if (child == 0) {
        freopen("/dev/null", "w", stdout);
        execv(argv[0], argv.data());
        _exit(127);
    }
    Run run;
    int status = 0;
    struct rusage usage{};
    if (child > 0 && wait4(child, &status, 0, &usage) == child) {
        run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
        run.peakKiB = usage.ru_maxrss;
    }
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return run;
}

// The program measured: QZ_MOTIFGRAFT when set (a baseline build, say), else this tree's.
std::string ToolPath() {
    const char* chosen = std::getenv("QZ_MOTIFGRAFT");
    return chosen != nullptr && *chosen != '\0' ? chosen : QZ_MOTIFGRAFT_EXE;
}

std::uintmax_t FileSize(const fs::path& path) {
    std::error_code error;
    std::uintmax_t size = fs::file_size(path, error);
    return error ? 0 : size;
}

void BM_ApplyAllStaves(benchmark::State& state) {
    int measures = static_cast<int>(state.range(0));
    int staves = static_cast<int>(state.range(1));
    fs::path folder = fs::temp_directory_path() / ("motifgraft-bench-" + std::to_string(getpid()));
    fs::create_directories(folder);
    fs::path input = folder / ("score-" + std::to_string(measures) + "x" + std::to_string(staves) + ".musicxml");
    fs::path output = folder / "out.musicxml";
    fs::path report = folder / "report.json";
    std::string text = GenerateScore(measures, staves / 2);
    std::ofstream(input, std::ios::binary) << text;
    std::vector<std::string> args{ToolPath(), "apply", input.string(), "--source", "1:1-1",
                                  "--dest", "all:1-" + std::to_string(measures), "-o", output.string(),
                                  "--json", report.string()};
    long peak = 0;
    double total = 0;
    int64_t runs = 0;
    for (auto _ : state) {
        Run run = RunTool(args);
        if (!run.ok) {
            state.SkipWithError("motifgraft apply failed");
            break;
        }
        state.SetIterationTime(run.seconds);
        total += run.seconds;
        ++runs;
        peak = std::max(peak, run.peakKiB);
    }
    // The run must have done the work it is timed for: every repeat but the source rewritten.
    std::ifstream in(report);
    std::string json((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    int64_t rewritten = 0;
    for (std::size_t at = json.find("\"rewritten\""); at != std::string::npos; at = json.find("\"rewritten\"", at + 1))
        ++rewritten;
    // S staves x one layer x M one-measure repeats; the source's own repeat stays as it is.
    if (rewritten != static_cast<int64_t>(staves) * measures - 1) state.SkipWithError("not every repeat was rewritten");
    state.counters["rewritten_repeats"] = static_cast<double>(rewritten);
    double inMB = static_cast<double>(text.size()) / 1e6;
    double outMB = static_cast<double>(FileSize(output)) / 1e6;
    double peakMB = static_cast<double>(peak) * 1024.0 / 1e6;  // ru_maxrss is in KiB; MB as the file sizes
    state.SetComplexityN(static_cast<int64_t>(text.size()));
    state.counters["in_MB"] = inMB;
    state.counters["out_MB"] = outMB;
    state.counters["peak_RSS_MB"] = peakMB;
    state.counters["RSS_per_in_out_MB"] = peakMB / (inMB + outMB);
    double perRun = runs > 0 ? total / static_cast<double>(runs) : 0;
    state.counters["ms_per_in_MB"] = 1e3 * perRun / inMB;
    state.counters["us_per_staff_measure"] = 1e6 * perRun / (static_cast<double>(staves) * measures);
    fs::remove_all(folder);
}
BENCHMARK(BM_ApplyAllStaves)
    ->ArgNames({"measures", "staves"})
    ->Args({63, 20})->Args({125, 20})->Args({250, 20})->Args({500, 20})->Args({1000, 20})
    ->Args({2000, 40})
    ->UseManualTime()->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);

}  // namespace

BENCHMARK_MAIN();
