// Where an output path really leads, decided before anything is written.
//
// Only a regular file or a name that does not exist yet is ever written. A symbolic link is
// followed to the file it names, so the new bytes replace that file and the link stays a link;
// a device, a folder, a pipe or a socket is refused (renaming over /dev/null as root would
// replace the device with a score). Two paths are the same file when they lead to the same
// inode, or to the same name in the same folder (for files not made yet), whatever their
// spelling.
#pragma once

#include <sys/types.h>

#include <string>

#include "musicxml/status.h"

namespace qz::musicxml {

struct OutputTarget {
    std::string path;  // as the user gave it
    std::string file;  // the file replaced or created, symbolic links followed
    bool exists = false;
    dev_t device = 0;  // of `file`, when it exists
    ino_t inode = 0;
    std::string folder;      // the folder `file` is (to be) in
    dev_t folderDevice = 0;
    ino_t folderInode = 0;
    std::string name;  // of `file` within that folder
};

// Where `path` leads. Fails, with a message naming `path`, when it is not a regular file (nor
// leads to one), its folder is missing or not a folder, the folder cannot be written in, or the
// links loop.
Result<OutputTarget> ResolveOutput(const std::string& path);

bool SameFile(const OutputTarget& a, const OutputTarget& b);

// Whether `target` is the existing file at `path` (links followed; false when `path` is gone).
bool IsExistingFile(const OutputTarget& target, const std::string& path);

}  // namespace qz::musicxml
