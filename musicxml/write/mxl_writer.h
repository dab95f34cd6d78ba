// Writing a compressed MusicXML (.mxl) archive back: only the score's member changes.
#pragma once

#include <string>
#include <string_view>

#include "musicxml/status.h"

namespace qz::musicxml {

// The archive `archiveBytes` with member `member` holding `document` instead of its old content.
// Every other member keeps its compressed bytes, name, order and compression; the replaced
// member keeps its compression method (stored or deflated). Fails when the archive cannot be
// opened, lacks the member, or cannot be written.
Result<std::string> ReplaceArchiveMember(const std::string& archiveBytes,
                                         const std::string& member, std::string_view document);

}  // namespace qz::musicxml
