#include "musicxml/read/loaded_score.h"

namespace qz::musicxml {
namespace {

// The text is parsed where it lies: in the container's bytes when they are UTF-8 already.
Status ModelFromContainer(LoadedScore* out) {
    Result<DecodedText> decoded = DecodeText(out->container.documentBytes);
    if (!decoded.ok()) return decoded.status();
    out->container.format = decoded->format;
    out->parsed.converted = std::move(decoded->utf8);
    const std::string_view text = decoded->converted
                                      ? std::string_view(out->parsed.converted)
                                      : decoded->TextOf(out->container.documentBytes);
    if (Status s = ParseScoreText(text, &out->parsed); !s.ok()) return s;
    return BuildScore(out->parsed, &out->model);
}

}  // namespace

void LoadedScore::ReleaseTree() {
    model = Score{};
    parsed.doc.reset();
}

Status LoadScore(const std::string& path, LoadedScore* out) {
    if (Status s = ReadScoreFile(path, &out->container); !s.ok()) return s;
    return ModelFromContainer(out);
}

Status LoadScoreBytes(const std::string& path, std::string bytes, LoadedScore* out) {
    if (Status s = ReadScoreBytes(path, std::move(bytes), &out->container); !s.ok()) return s;
    return ModelFromContainer(out);
}

}  // namespace qz::musicxml
