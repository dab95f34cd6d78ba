// Writing JSON text: strings escaped for any UTF-8 input.
#pragma once

#include <string>

namespace qz::musicxml {

// `text` as a JSON string literal, quotes included; control characters as \u escapes.
std::string JsonString(const std::string& text);

}  // namespace qz::musicxml
