#include "musicxml/write/output_target.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace qz::musicxml {
namespace {

// Linux gives up after 40 links too.
constexpr int kMostLinks = 40;

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

const char* KindOf(mode_t mode) {
    if (S_ISDIR(mode)) return "a folder";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
    if (S_ISFIFO(mode)) return "a pipe";
    if (S_ISSOCK(mode)) return "a socket";
    return "a special file";
}

Status Refuse(const OutputTarget& target, const std::string& why) {
    std::string message = target.path;
    if (target.file != target.path) message += " (a link to " + target.file + ")";
    return Status::Error(message + ": " + why + "; nothing written");
}

bool ReadLink(const std::string& link, std::string* target) {
    std::vector<char> buffer(256);
    for (;;) {
        const ssize_t length = ::readlink(link.c_str(), buffer.data(), buffer.size());
        if (length < 0) return false;
        if (static_cast<std::size_t>(length) < buffer.size()) {
            target->assign(buffer.data(), static_cast<std::size_t>(length));
            return true;
        }
        buffer.resize(buffer.size() * 2);
    }
}

// The folder `target.file` is (to be) in: it must exist, be a folder, and take new files.
Status CheckFolder(OutputTarget* target) {
    const std::string folder = FolderOf(target->file);
    target->folder = folder;
    struct stat info;
    if (::stat(folder.c_str(), &info) != 0)
        return Refuse(*target, "the folder " + folder + (errno == ENOENT ? " does not exist"
                                   : std::string(" cannot be used: ") + std::strerror(errno)));
    if (!S_ISDIR(info.st_mode))
        return Refuse(*target, folder + " is not a folder");
    if (::access(folder.c_str(), W_OK | X_OK) != 0)
        return Refuse(*target, "the folder " + folder + " cannot be written in: " +
                                   std::strerror(errno));
    target->folderDevice = info.st_dev;
    target->folderInode = info.st_ino;
    target->name = NameOf(target->file);
    return Status();
}

}  // namespace

Result<OutputTarget> ResolveOutput(const std::string& path) {
    OutputTarget out;
    out.path = out.file = path;
    auto checked = [&out](Status folder) -> Result<OutputTarget> {
        if (!folder.ok()) return folder;
        return out;
    };
    for (int links = 0;; ++links) {
        struct stat info;
        if (::lstat(out.file.c_str(), &info) != 0) {
            if (errno != ENOENT) return Refuse(out, std::strerror(errno));
            if (NameOf(out.file).empty()) return Refuse(out, "a folder, not a regular file");
            return checked(CheckFolder(&out));
        }
        if (S_ISREG(info.st_mode)) {
            out.exists = true;
            out.device = info.st_dev;
            out.inode = info.st_ino;
            return checked(CheckFolder(&out));
        }
        if (!S_ISLNK(info.st_mode))
            return Refuse(out, std::string(KindOf(info.st_mode)) + ", not a regular file");
        std::string next;
        if (links == kMostLinks || !ReadLink(out.file, &next))
            return Refuse(out, std::strerror(links == kMostLinks ? ELOOP : errno));
        out.file = !next.empty() && next.front() == '/' ? next : FolderOf(out.file) + "/" + next;
    }
}

bool SameFile(const OutputTarget& a, const OutputTarget& b) {
    if (a.exists && b.exists) return a.device == b.device && a.inode == b.inode;
    return a.folderDevice == b.folderDevice && a.folderInode == b.folderInode && a.name == b.name;
}

bool IsExistingFile(const OutputTarget& target, const std::string& path) {
    struct stat info;
    return target.exists && ::stat(path.c_str(), &info) == 0 && info.st_dev == target.device &&
           info.st_ino == target.inode;
}

}  // namespace qz::musicxml
