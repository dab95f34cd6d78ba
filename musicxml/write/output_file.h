// Writing the result: always through a temporary file in the target's folder, renamed over the
// target only when every byte is on disk, so that a failure leaves no partial file and the
// target (the input itself, when the user names it) either keeps its old bytes or has the new.
// The target is checked first (output_target.h): only a regular file or a new name is written,
// and a symbolic link is written through, so it stays a link to the new bytes.
#pragma once

#include <string>
#include <string_view>

#include "musicxml/write/output_target.h"
#include "musicxml/read/score_file.h"
#include "musicxml/write/temporary_file.h"

namespace qz::musicxml {

// One output written in two steps, so that several outputs are all on disk before the first
// one replaces anything: Stage writes and flushes the temporary file, Commit renames it over
// the target. An output never committed leaves nothing behind.
class StagedWrite {
public:
    // Fails, with a message naming `path`, when the target is refused or the folder cannot be
    // written, the disk fills; then nothing at `path` changed and the temporary file is gone.
    // An existing file keeps its permission bits; a new one gets the ordinary ones (0666 less
    // the umask).
    Status Stage(const std::string& path, std::string_view bytes);
    Status Commit();

private:
    OutputTarget target_;
    TemporaryFile temporary_;
};

// Stage and Commit at once.
Status WriteFileAtomically(const std::string& path, std::string_view bytes);

// The bytes of the rewritten score: `utf8Text` encoded back as the input was (encoding and
// byte-order mark), placed into a copy of the input archive when the input was an .mxl.
Result<std::string> ScoreBytes(const ScoreContainer& input, std::string_view utf8Text);

}  // namespace qz::musicxml
