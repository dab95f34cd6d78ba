// A score file as it arrived: a plain MusicXML document or a compressed .mxl archive, with what
// writing it back needs (the archive's bytes and the member that holds the score).
//
// Nothing here interprets the score: the bytes of the root document are handed on as they were
// stored, to be decoded (text_encoding.h) and parsed (score_parse.h).
#pragma once

#include <cstdint>
#include <string>

#include "musicxml/status.h"
#include "musicxml/text_encoding.h"


namespace qz::musicxml {

struct ScoreContainer {
    std::string path;           // the file that was read
    bool compressed = false;    // a .mxl archive (a zip), whatever its name
    std::string archiveBytes;   // the whole archive as read (compressed only)
    std::string rootMember;     // the archive member holding the score (compressed only)
    std::string documentBytes;  // the score's bytes as stored (the member's, uncompressed)
    TextFormat format;          // how documentBytes spell the text (set when it is decoded)
};

// Reads `path`. A file starting with the zip signature is an archive: its score is the first
// <rootfile> of META-INF/container.xml, or, without that file, the only member ending in .xml or
// .musicxml outside META-INF. Fails when `path` is a folder, the file cannot be read or is
// larger than kMaxDocumentBytes, the archive is damaged or names a member it lacks, or a member
// is larger than the reader accepts.
Status ReadScoreFile(const std::string& path, ScoreContainer* out);

// The same from bytes already in memory (`path` is only kept for messages and writing back).
Status ReadScoreBytes(const std::string& path, std::string bytes, ScoreContainer* out);

// Documents larger than this (uncompressed) are refused: 512 MiB.
inline constexpr uint64_t kMaxDocumentBytes = 512ull << 20;

}  // namespace qz::musicxml
