#include "corpus_zip.h"

#include <zip.h>

#include <pugixml.hpp>

namespace qz::corpus {

bool IsZip(const std::string& bytes) { return bytes.rfind("PK\x03\x04", 0) == 0; }

bool ReadArchive(const std::string& path, Archive* archive) {
    int error = 0;
    zip_t* zip = zip_open(path.c_str(), ZIP_RDONLY, &error);
    if (zip == nullptr) return false;
    *archive = Archive();
    bool ok = true;
    zip_int64_t count = zip_get_num_entries(zip, 0);
    for (zip_int64_t i = 0; ok && i < count; ++i) {
        zip_stat_t stat;
        zip_file_t* file = nullptr;
        ok = zip_stat_index(zip, static_cast<zip_uint64_t>(i), 0, &stat) == 0 &&
             (file = zip_fopen_index(zip, static_cast<zip_uint64_t>(i), 0)) != nullptr;
        if (!ok) break;
        std::string bytes(static_cast<std::size_t>(stat.size), '\0');
        ok = stat.size == 0 || zip_fread(file, bytes.data(), stat.size) == static_cast<zip_int64_t>(stat.size);
        zip_fclose(file);
        archive->members[stat.name] = std::move(bytes);
    }
    zip_discard(zip);
    auto container = archive->members.find("META-INF/container.xml");
    if (!ok || container == archive->members.end()) return false;
    pugi::xml_document doc;
    if (!doc.load_buffer(container->second.data(), container->second.size())) return false;
    archive->root = doc.select_node("//rootfile").node().attribute("full-path").value();
    return archive->members.count(archive->root) == 1;
}

}  // namespace qz::corpus
