#include "musicxml/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "musicxml/mxl_writer.h"
#include "musicxml/text_encoding.h"

namespace qz::musicxml {
namespace {

std::string Folder(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool Fail(std::string* error, const std::string& path, const char* what, int code) {
    *error = path + ": " + what + ": " + std::strerror(code);
    return false;
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        bytes.remove_prefix(static_cast<size_t>(written));
    }
    return true;
}

mode_t ModeFor(const std::string& path) {
    struct stat existing;
    if (::stat(path.c_str(), &existing) == 0) return existing.st_mode & 07777;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

}  // namespace

bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string* error) {
    struct stat target;
    if (::stat(path.c_str(), &target) == 0 && S_ISDIR(target.st_mode))
        return Fail(error, path, "cannot write", EISDIR);
    std::string name = Folder(path) + "/.motifgraft-XXXXXX";
    std::vector<char> temp(name.begin(), name.end());
    temp.push_back('\0');
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) return Fail(error, path, "cannot create a temporary file beside it", errno);
    const std::string tempPath(temp.data());
    int code = 0;
    const char* what = nullptr;
    if (!WriteAll(fd, bytes)) {
        code = errno, what = "cannot write";
    } else if (::fchmod(fd, ModeFor(path)) != 0) {
        code = errno, what = "cannot set the permissions of";
    } else if (::fsync(fd) != 0) {
        code = errno, what = "cannot flush";
    }
    if (::close(fd) != 0 && what == nullptr) code = errno, what = "cannot close";
    if (what == nullptr && ::rename(tempPath.c_str(), path.c_str()) != 0)
        code = errno, what = "cannot replace";
    if (what != nullptr) {
        ::unlink(tempPath.c_str());
        return Fail(error, path, what, code);
    }
    return true;
}

bool ScoreBytes(const ScoreContainer& input, std::string_view utf8Text, std::string* bytes,
                std::string* error) {
    std::string document;
    if (!EncodeText(utf8Text, input.format, &document, error)) return false;
    if (!input.compressed) {
        *bytes = std::move(document);
        return true;
    }
    return ReplaceArchiveMember(input.archiveBytes, input.rootMember, document, bytes, error);
}

bool WriteScore(const ScoreContainer& input, std::string_view utf8Text, const std::string& path,
                std::string* error) {
    std::string bytes;
    return ScoreBytes(input, utf8Text, &bytes, error) &&
           WriteFileAtomically(path, bytes, error);
}

}  // namespace qz::musicxml
