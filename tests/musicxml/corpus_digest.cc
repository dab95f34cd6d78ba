#include "corpus_digest.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <sstream>

namespace qz::corpus {
namespace {

constexpr int kDifferencesShown = 5;

std::string Hex(uint64_t hash) {
    char text[17];
    std::snprintf(text, sizeof text, "%016" PRIx64, hash);
    return text;
}

// The hash of a file, "-" when there is none.
std::string FileHash(const std::string& path) {
    std::string bytes;
    return ReadFile(path, &bytes) ? Hex(Fnv1a(bytes)) : "-";
}

// The value following `option` in `args`, empty when it is not given.
std::string OptionValue(const std::vector<std::string>& args, const std::string& option) {
    auto it = std::find(args.begin(), args.end(), option);
    return it != args.end() && it + 1 != args.end() ? *(it + 1) : "";
}

std::string Status(const ProcessResult& r) {
    if (r.timedOut) return "timeout";
    if (r.signal != 0) return "signal " + std::to_string(r.signal);
    return "exit " + std::to_string(r.exitCode);
}

std::vector<std::string> Lines(const std::string& path, bool* read) {
    std::string text;
    *read = ReadFile(path, &text);
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

}  // namespace

uint64_t Fnv1a(const std::string& text) {
    uint64_t hash = 0xCBF29CE484222325ull;
    for (unsigned char c : text) hash = (hash ^ c) * 0x100000001B3ull;
    return hash;
}

std::string Digest::Placed(std::string text) const {
    for (const auto& [path, name] : places_)
        for (std::size_t at = text.find(path); at != std::string::npos; at = text.find(path, at + name.size()))
            text.replace(at, path.size(), name);
    return text;
}

void Digest::Add(const std::vector<std::string>& args, const ProcessResult& result) {
    std::string id;
    for (const std::string& a : args) id += (id.empty() ? "" : " ") + a;
    std::string score = OptionValue(args, "-o"), report = OptionValue(args, "--json");
    lines_.push_back(Placed(id) + "\t" + Status(result) +
                     " score " + (score.empty() ? "-" : FileHash(score)) +
                     " report " + (report.empty() ? "-" : FileHash(report)) +
                     " stdout " + Hex(Fnv1a(Placed(result.out))) + " stderr " + Hex(Fnv1a(Placed(result.err))));
}

bool Digest::Write(const std::string& path) const {
    std::string text;
    for (const std::string& line : lines_) text += line + "\n";
    return WriteFile(path, text);
}

bool Digest::Matches(const std::string& path) const {
    bool read = false;
    std::vector<std::string> kept = Lines(path, &read);
    if (!read) {
        std::printf("DIGEST %s cannot be read\n", path.c_str());
        return false;
    }
    int differences = 0;
    for (std::size_t i = 0; i < std::max(kept.size(), lines_.size()); ++i) {
        const std::string was = i < kept.size() ? kept[i] : "(none)";
        const std::string now = i < lines_.size() ? lines_[i] : "(none)";
        if (was == now || ++differences > kDifferencesShown) continue;
        std::printf("DIGEST line %zu differs\n  kept: %s\n  now:  %s\n", i + 1, was.c_str(), now.c_str());
    }
    std::printf("digest: %zu runs, %d differ from %s\n", lines_.size(), differences, path.c_str());
    return differences == 0;
}

}  // namespace qz::corpus
