// Fuzz target: the MusicXML reader over hostile bytes, as a plain document or a .mxl archive.
//
// The input is the whole file: a zip signature makes it an archive (damaged central directory,
// members that lie about their size, a container.xml naming nothing), anything else a document
// in any encoding (odd UTF-16, malformed XML, absurd <divisions>, <duration>, <staff> and
// <voice> values, deep nesting). Reading must never crash or run away: it answers a model or an
// error that names the file, and a model must be printable by `show`.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "musicxml/read/loaded_score.h"
#include "musicxml/cli/show_command.h"

namespace {

constexpr const char* kName = "fuzz.musicxml";

[[noreturn]] void Broken(const char* what, const std::string& detail) {
    std::fprintf(stderr, "%s: %s\n", what, detail.c_str());
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    qz::musicxml::LoadedScore score;
    const qz::musicxml::Status loaded =
        qz::musicxml::LoadScoreBytes(kName, std::move(bytes), &score);
    if (!loaded.ok()) {
        const std::string error = loaded.Where(kName);
        // A refusal must say which file it concerns and what is wrong with it.
        if (error.rfind(std::string(kName) + ":", 0) != 0 || error.size() <= std::string(kName).size() + 2)
            Broken("refusal without a clear message", error);
        return 0;
    }
    std::string json = qz::musicxml::ShowJson(score.model);
    std::string text = qz::musicxml::ShowText(score.model);
    if (json.empty() || json.front() != '{' || text.empty()) Broken("show printed nothing", json);
    return 0;
}
