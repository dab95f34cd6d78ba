// Writing a compressed MusicXML (.mxl) archive back: only the score's member changes.
#pragma once

#include <string>
#include <string_view>

namespace qz::musicxml {

// The archive `archiveBytes` with member `member` holding `document` instead of its old content.
// Every other member keeps its compressed bytes, name, order and compression; the replaced
// member keeps its compression method (stored or deflated). False, with a message, when the
// archive cannot be opened, lacks the member, or cannot be written.
bool ReplaceArchiveMember(const std::string& archiveBytes, const std::string& member,
                          std::string_view document, std::string* out, std::string* error);

}  // namespace qz::musicxml
