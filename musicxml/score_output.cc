#include "musicxml/score_output.h"

#include <cstdio>
#include <fstream>

#include <unistd.h>

namespace qz::musicxml {
namespace {

bool WriteAtomically(const std::string& path, const std::string& bytes, std::string* error) {
    const std::string temp = path + ".tmp-" + std::to_string(::getpid());
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out) {
            std::remove(temp.c_str());
            *error = "cannot write the file";
            return false;
        }
    }
    if (std::rename(temp.c_str(), path.c_str()) != 0) {
        std::remove(temp.c_str());
        *error = "cannot replace the file";
        return false;
    }
    return true;
}

}  // namespace

bool WriteScoreOutput(const ScoreContainer& input, const std::string& utf8Text,
                      const std::string& path, std::string* error) {
    std::string bytes;
    if (!EncodeText(utf8Text, input.format, &bytes, error)) return false;
    if (input.compressed) {
        *error = "writing .mxl archives is not available yet";
        return false;
    }
    return WriteAtomically(path, bytes, error);
}

}  // namespace qz::musicxml
