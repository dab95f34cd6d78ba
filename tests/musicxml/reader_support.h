// Helpers for the tool's tests: scores from inline text, files in a fresh temporary folder,
// the value of a Result.
#pragma once

#include <map>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "musicxml/read/loaded_score.h"

namespace qz::musicxml::testing {

// The value of `result`; a failure fails the test with its message and gives an empty value.
template <typename T>
T ValueOf(Result<T> result) {
    EXPECT_TRUE(result.ok()) << result.status().message();
    return result.ok() ? std::move(*result) : T{};
}

// A score-partwise document around `body` (part-list and parts).
std::string Partwise(const std::string& body);

// One part "P1" of one staff with the given measures (each "<measure>...</measure>").
std::string OnePart(const std::string& measures);

// The model of `text`, or null with `error` set.
std::unique_ptr<LoadedScore> Load(const std::string& text, std::string* error = nullptr);

// Writes a zip archive of `members` (name -> bytes), deflated; false when libzip fails.
bool WriteArchive(const std::string& path, const std::map<std::string, std::string>& members);
// The members of a zip archive (name -> uncompressed bytes); empty when it cannot be read.
std::map<std::string, std::string> ReadArchive(const std::string& path);

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
