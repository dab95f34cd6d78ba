#include "musicxml/output_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "musicxml/mxl_writer.h"
#include "musicxml/text_encoding.h"

namespace qz::musicxml {
namespace {

bool Fail(std::string* error, const std::string& path, const char* what, int code) {
    *error = path + ": " + what + ": " + std::strerror(code);
    return false;
}

mode_t ModeFor(const OutputTarget& target) {
    struct stat existing;
    if (target.exists && ::stat(target.file.c_str(), &existing) == 0)
        return existing.st_mode & 07777;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

}  // namespace

bool StagedWrite::Stage(const std::string& path, std::string_view bytes, std::string* error) {
    if (!ResolveOutput(path, &target_, error)) return false;
    int code = 0;
    if (!temporary_.Create(target_.folder, &code))
        return Fail(error, path, "cannot create a temporary file beside it", code);
    const int fd = temporary_.Descriptor();
    const char* what = nullptr;
    if (!temporary_.Write(bytes)) {
        code = errno, what = "cannot write";
    } else if (::fchmod(fd, ModeFor(target_)) != 0) {
        code = errno, what = "cannot set the permissions of";
    } else if (::fsync(fd) != 0) {
        code = errno, what = "cannot flush";
    } else if (!temporary_.Close()) {
        code = errno, what = "cannot close";
    }
    if (what == nullptr) return true;
    temporary_.Discard();
    return Fail(error, path, what, code);
}

bool StagedWrite::Commit(std::string* error) {
    if (!temporary_.RenameOver(target_.file))
        return Fail(error, target_.path, "cannot replace", errno);
    return true;
}

bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string* error) {
    StagedWrite write;
    return write.Stage(path, bytes, error) && write.Commit(error);
}

Result<std::string> ScoreBytes(const ScoreContainer& input, std::string_view utf8Text) {
    Result<std::string> document = EncodeText(utf8Text, input.format);
    if (!document.ok() || !input.compressed) return document;
    return ReplaceArchiveMember(input.archiveBytes, input.rootMember, *document);
}

}  // namespace qz::musicxml
