#include "reader_support.h"

#include <zip.h>

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
    if (const Status loaded = LoadScoreBytes("t.musicxml", text, score.get()); !loaded.ok()) {
        if (error != nullptr) *error = loaded.Where("t.musicxml");
        return nullptr;
    }
    return score;
}

bool WriteArchive(const std::string& path, const std::map<std::string, std::string>& members) {
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (archive == nullptr) return false;
    for (const auto& [name, bytes] : members) {
        zip_source_t* source = zip_source_buffer(archive, bytes.data(), bytes.size(), 0);
        if (source == nullptr || zip_file_add(archive, name.c_str(), source, ZIP_FL_OVERWRITE) < 0) {
            zip_source_free(source);
            zip_discard(archive);
            return false;
        }
    }
    return zip_close(archive) == 0;
}

std::map<std::string, std::string> ReadArchive(const std::string& path) {
    std::map<std::string, std::string> members;
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_RDONLY, &error);
    if (archive == nullptr) return members;
    for (zip_int64_t i = 0; i < zip_get_num_entries(archive, 0); ++i) {
        zip_stat_t stat;
        if (zip_stat_index(archive, static_cast<zip_uint64_t>(i), 0, &stat) != 0) continue;
        std::string bytes(static_cast<std::size_t>(stat.size), '\0');
        zip_file_t* file = zip_fopen_index(archive, static_cast<zip_uint64_t>(i), 0);
        if (file == nullptr) continue;
        zip_fread(file, bytes.data(), stat.size);
        zip_fclose(file);
        members[stat.name] = bytes;
    }
    zip_discard(archive);
    return members;
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
