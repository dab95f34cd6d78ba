// Compressed MusicXML (.mxl) for the corpus tests: the archive's members and its root score,
// read with libzip independently of the tool.
#pragma once

#include <map>
#include <string>

namespace qz::corpus {

struct Archive {
    std::map<std::string, std::string> members;  // name -> bytes
    std::string root;                            // the root score's member name
};

bool IsZip(const std::string& bytes);

// Reads every member of the archive at `path` and finds the root score through
// META-INF/container.xml. False when the file is not such an archive.
bool ReadArchive(const std::string& path, Archive* archive);

}  // namespace qz::corpus
