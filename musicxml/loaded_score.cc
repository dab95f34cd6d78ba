#include "musicxml/loaded_score.h"

namespace qz::musicxml {
namespace {

std::string At(const std::string& path, TextPosition p, const std::string& message) {
    return path + ":" + std::to_string(p.line) + ":" + std::to_string(p.column) + ": " + message;
}

bool ModelFromContainer(LoadedScore* out, std::string* error) {
    const std::string& path = out->container.path;
    std::string text;
    if (!DecodeDocument(&out->container, &text, error)) {
        *error = path + ": " + *error;
        return false;
    }
    std::string message;
    TextPosition position;
    if (!ParseScoreText(std::move(text), &out->parsed, &message, &position)) {
        *error = At(path, position, message);
        return false;
    }
    ModelError modelError;
    if (!BuildScore(out->parsed.doc, &out->model, &modelError)) {
        *error = MessageAt(*out, modelError.where, modelError.message);
        return false;
    }
    return true;
}

}  // namespace

std::string MessageAt(const LoadedScore& score, pugi::xml_node node, const std::string& message) {
    if (!node) return score.container.path + ": " + message;
    return At(score.container.path, PositionOfNode(score.parsed.text, node), message);
}

bool LoadScore(const std::string& path, LoadedScore* out, std::string* error) {
    std::string message;
    if (!ReadScoreFile(path, &out->container, &message)) {
        *error = path + ": " + message;
        return false;
    }
    return ModelFromContainer(out, error);
}

bool LoadScoreBytes(const std::string& path, std::string bytes, LoadedScore* out,
                    std::string* error) {
    std::string message;
    if (!ReadScoreBytes(path, std::move(bytes), &out->container, &message)) {
        *error = path + ": " + message;
        return false;
    }
    return ModelFromContainer(out, error);
}

}  // namespace qz::musicxml
