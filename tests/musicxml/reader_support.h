// Helpers for the reader's tests: scores from inline text, files in a fresh temporary folder.
#pragma once

#include <memory>
#include <string>

#include "musicxml/loaded_score.h"

namespace qz::musicxml::testing {

// A score-partwise document around `body` (part-list and parts).
std::string Partwise(const std::string& body);

// One part "P1" of one staff with the given measures (each "<measure>...</measure>").
std::string OnePart(const std::string& measures);

// The model of `text`, or null with `error` set.
std::unique_ptr<LoadedScore> Load(const std::string& text, std::string* error = nullptr);

// A new empty folder under the system's temporary folder, removed by the destructor.
class TempDir {
public:
    TempDir();
    ~TempDir();
    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }
    void Write(const std::string& name, const std::string& bytes) const;
    std::string Read(const std::string& name) const;  // "" when missing
    bool Exists(const std::string& name) const;

private:
    std::string path_;
};

}  // namespace qz::musicxml::testing
