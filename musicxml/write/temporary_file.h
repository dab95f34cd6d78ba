// A temporary file beside the file it will replace. It is removed when the object goes without
// having been renamed, and also when the process is stopped by SIGINT, SIGTERM or SIGHUP while
// it exists: a score interrupted mid-write leaves no hidden file of tens of megabytes behind.
//
// The signal handlers are installed on first use, only for signals whose disposition is still
// the default (a shell that made a background job ignore SIGINT keeps it ignored). They unlink
// every registered temporary file, restore the default disposition and raise the signal again,
// so the process ends as it would have without them.
#pragma once

#include <string>
#include <string_view>

namespace qz::musicxml {

class TemporaryFile {
public:
    TemporaryFile() = default;
    ~TemporaryFile();
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    // Creates an empty, private file named `folder`/.motifgraft-XXXXXX`suffix`, open for
    // writing. False with the reason (errno) when it cannot be made.
    bool Create(const std::string& folder, int* errorCode, const std::string& suffix = "");
    int Descriptor() const { return fd_; }
    const std::string& Path() const { return path_; }
    // Appends `bytes`; false with errno when they cannot all be written.
    bool Write(std::string_view bytes);
    // Closes the descriptor; false with errno when the last bytes could not be stored.
    bool Close();
    // Renames the (closed) file over `target`; afterwards nothing is left to remove.
    bool RenameOver(const std::string& target);
    // Closes and removes the file now.
    void Discard();

private:

    int fd_ = -1;
    int slot_ = -1;  // its place in the table the signal handler reads
    std::string path_;
};

}  // namespace qz::musicxml
