#include "musicxml/read/loaded_score.h"

namespace qz::musicxml {
namespace {

Status ModelFromContainer(LoadedScore* out) {
    Result<std::string> text = DecodeDocument(&out->container);
    if (!text.ok()) return text.status();
    if (Status s = ParseScoreText(std::move(*text), &out->parsed); !s.ok()) return s;
    return BuildScore(out->parsed, &out->model);
}

}  // namespace

Status LoadScore(const std::string& path, LoadedScore* out) {
    if (Status s = ReadScoreFile(path, &out->container); !s.ok()) return s;
    return ModelFromContainer(out);
}

Status LoadScoreBytes(const std::string& path, std::string bytes, LoadedScore* out) {
    if (Status s = ReadScoreBytes(path, std::move(bytes), &out->container); !s.ok()) return s;
    return ModelFromContainer(out);
}

}  // namespace qz::musicxml
