// The MuseScore import test: every output the corpus run kept must open in a real notation
// program. Each output is converted to .mscz by MuseScore 3 (headless), judged against its
// input: an output fails when MuseScore crashes on it, hangs, writes nothing, calls it not a
// valid MusicXML file while it took the input, or prints a warning while importing it that the
// import of the unchanged input does not print (warnings compared with their line and column
// and the file names left out). Inputs MuseScore cannot take themselves are listed, not judged.
//
//   corpus_musescore --outputs DIR --work DIR
//
// DIR/manifest.tsv is the corpus run's list ("OUTPUT<TAB>INPUT"). MuseScore runs in batches (one
// process converts many files); a batch it does not finish is resumed after the file that
// stopped it. Exit 77 (skipped) when mscore3 is not installed.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "corpus_process.h"

namespace qz::corpus {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kBatch = 80;
constexpr int kBatchSeconds = 300;

enum class Import { Ok, Invalid, Crashed, NoOutput };

const char* Name(Import i) {
    switch (i) {
        case Import::Ok: return "imported";
        case Import::Invalid: return "rejected as not valid MusicXML";
        case Import::Crashed: return "crashed or hung MuseScore";
        case Import::NoOutput: return "gave no .mscz";
    }
    return "?";
}

std::string JsonString(const std::string& s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

std::string FindMscore() {
    for (const char* folder : {"/usr/bin", "/usr/local/bin", "/bin"}) {
        std::string path = std::string(folder) + "/mscore3";
        if (fs::exists(path)) return path;
    }
    return "";
}

// The warnings of one file's section of MuseScore's log, without the places that differ
// between an input and its rewritten output (places in the file, addresses in memory).
std::set<std::string> Warnings(const std::string& section, const std::string& in, const std::string& out) {
    static const std::regex place("line [0-9]+ col [0-9]+"), address("0x[0-9a-fA-F]+");
    std::set<std::string> warnings;
    std::size_t at = section.find('\n');  // past the "convert <...>..." line
    while (at != std::string::npos && at < section.size()) {
        std::size_t end = section.find('\n', at + 1);
        std::string line = section.substr(at + 1, end == std::string::npos ? std::string::npos : end - at - 1);
        at = end;
        if (line.empty() || line.rfind("\tto <", 0) == 0 || line.rfind("... success", 0) == 0) continue;
        for (const std::string& name : {in, out})
            for (std::size_t p = line.find(name); !name.empty() && p != std::string::npos; p = line.find(name, p))
                line.replace(p, name.size(), "FILE");
        warnings.insert(std::regex_replace(std::regex_replace(line, place, "line L col C"), address, "0x"));
    }
    return warnings;
}

class Importer {
public:
    Importer(std::string mscore, fs::path work) : mscore_(std::move(mscore)), work_(std::move(work)) {}

    // Imports every file; answers each one's verdict.
    std::map<std::string, Import> ImportAll(const std::vector<std::string>& files) {
        std::map<std::string, Import> verdicts;
        std::size_t next = 0;
        // Each round either finishes a batch or settles at least the file that stopped it.
        for (int round = 0; next < files.size() && round < static_cast<int>(files.size()) + 8; ++round) {
            std::vector<std::string> batch(files.begin() + static_cast<long>(next),
                                           files.begin() + static_cast<long>(std::min(files.size(), next + kBatch)));
            next += RunBatch(batch, &verdicts);
        }
        return verdicts;
    }

private:
    std::string Target(std::size_t i) const { return (work_ / ("x" + std::to_string(i) + ".mscz")).string(); }

    // Runs one batch; answers how many of its files were settled (all, unless MuseScore stopped).
    std::size_t RunBatch(const std::vector<std::string>& batch, std::map<std::string, Import>* verdicts) {
        std::string job = "[";
        for (std::size_t i = 0; i < batch.size(); ++i) {
            fs::remove(Target(i));
            job += (i ? ",\n" : "") + std::string("{\"in\": ") + JsonString(fs::absolute(batch[i]).string()) +
                   ", \"out\": " + JsonString(Target(i)) + "}";
        }
        std::string jobPath = (work_ / "job.json").string();
        WriteFile(jobPath, job + "]\n");
        ProcessResult r = RunProcess({mscore_, "-j", jobPath}, kBatchSeconds, {"QT_QPA_PLATFORM=offscreen"});
        std::string log = r.out + r.err;
        bool finished = r.started && !r.timedOut && r.signal == 0;
        std::size_t settled = 0;
        for (std::size_t i = 0; i < batch.size(); ++i) {
            std::string start = "convert <" + fs::absolute(batch[i]).string() + ">";
            std::size_t at = log.find(start);
            if (at == std::string::npos) break;  // never reached: the next batch takes it
            std::size_t end = log.find("convert <", at + start.size());
            std::string section = log.substr(at, end == std::string::npos ? std::string::npos : end - at);
            bool success = section.find("success") != std::string::npos;
            Import verdict = Import::Ok;
            if (!success && end == std::string::npos && !finished) verdict = Import::Crashed;
            else if (section.find("is not a valid MusicXML file") != std::string::npos) verdict = Import::Invalid;
            else if (!success || !fs::exists(Target(i)) || fs::file_size(Target(i)) == 0) verdict = Import::NoOutput;
            (*verdicts)[batch[i]] = verdict;
            warnings_[batch[i]] = Warnings(section, fs::absolute(batch[i]).string(), Target(i));
            ++settled;
        }
        if (settled == 0 && !batch.empty()) {
            (*verdicts)[batch[0]] = Import::Crashed;  // MuseScore did not even start on it
            settled = 1;
        }
        return finished ? std::max(settled, batch.size()) : settled;
    }

    std::string mscore_;
    fs::path work_;

public:
    std::map<std::string, std::set<std::string>> warnings_;  // per file imported
};

}  // namespace
}  // namespace qz::corpus

int main(int argc, char** argv) {
    using namespace qz::corpus;
    std::string outputs, work;
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string flag = argv[i];
        if (flag == "--outputs") outputs = argv[i + 1];
        if (flag == "--work") work = argv[i + 1];
    }
    if (outputs.empty() || work.empty()) {
        std::fprintf(stderr, "usage: corpus_musescore --outputs DIR --work DIR\n");
        return 2;
    }
    std::string mscore = FindMscore();
    if (mscore.empty()) {
        std::printf("musescore: mscore3 is not installed (sudo apt-get install musescore3); skipped\n");
        return 77;
    }
    std::ifstream manifest(fs::path(outputs) / "manifest.tsv");
    std::vector<std::string> files, inputs;
    std::map<std::string, std::string> inputOf;
    std::set<std::string> seenInputs;
    for (std::string line; std::getline(manifest, line);) {
        std::size_t tab = line.find('\t');
        if (tab == std::string::npos) continue;
        files.push_back(line.substr(0, tab));
        inputOf[files.back()] = line.substr(tab + 1);
        if (seenInputs.insert(line.substr(tab + 1)).second) inputs.push_back(line.substr(tab + 1));
    }
    fs::create_directories(work);
    Importer importer(mscore, work);
    std::map<std::string, Import> baseline = importer.ImportAll(inputs);
    std::map<std::string, Import> verdicts = importer.ImportAll(files);
    int imported = 0, failed = 0, unjudged = 0, warned = 0;
    for (const std::string& file : files) {
        Import input = baseline.count(inputOf[file]) ? baseline[inputOf[file]] : Import::Crashed;
        Import output = verdicts.count(file) ? verdicts[file] : Import::Crashed;
        if (input != Import::Ok) {
            ++unjudged;
            continue;
        }
        if (output == Import::Ok) {
            ++imported;
            std::string added;
            for (const std::string& warning : importer.warnings_[file])
                if (!importer.warnings_[inputOf[file]].count(warning)) added += "\n    " + warning;
            if (added.empty()) continue;
            ++warned;
            std::printf("FAIL %s: MuseScore warns where its input %s gave no such warning:%s\n", file.c_str(),
                        inputOf[file].c_str(), added.c_str());
            continue;
        }
        ++failed;
        std::printf("FAIL %s %s (its input %s imports)\n", file.c_str(), Name(output), inputOf[file].c_str());
    }
    for (const auto& [input, verdict] : baseline)
        if (verdict != Import::Ok) std::printf("not judged: MuseScore's own import of %s %s\n", input.c_str(), Name(verdict));
    std::printf("musescore: %zu outputs, %d imported, %d failed, %d with warnings their input has not, "
                "%d not judged (input not importable)\n",
                files.size(), imported, failed, warned, unjudged);
    return failed == 0 && warned == 0 && files.size() > 0 ? 0 : 1;
}
