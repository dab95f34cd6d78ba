#include "reader_support.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace qz::musicxml::testing {

std::string Partwise(const std::string& body) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<score-partwise version=\"4.0\">\n" +
           body + "</score-partwise>\n";
}

std::string OnePart(const std::string& measures) {
    return Partwise("<part-list><score-part id=\"P1\"><part-name>Solo</part-name></score-part>"
                    "</part-list>\n<part id=\"P1\">\n" + measures + "</part>\n");
}

std::unique_ptr<LoadedScore> Load(const std::string& text, std::string* error) {
    auto score = std::make_unique<LoadedScore>();
    std::string ignored;
    if (!LoadScoreBytes("t.musicxml", text, score.get(), error ? error : &ignored)) return nullptr;
    return score;
}

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "motifgraft-XXXXXX").string();
    char* made = ::mkdtemp(pattern.data());
    path_ = made ? made : pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

void TempDir::Write(const std::string& name, const std::string& bytes) const {
    std::ofstream out(File(name), std::ios::binary);
    out << bytes;
}

std::string TempDir::Read(const std::string& name) const {
    std::ifstream in(File(name), std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

bool TempDir::Exists(const std::string& name) const { return std::filesystem::exists(File(name)); }

}  // namespace qz::musicxml::testing
