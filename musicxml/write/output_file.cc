#include "musicxml/write/output_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "musicxml/write/mxl_writer.h"
#include "musicxml/text_encoding.h"

namespace qz::musicxml {
namespace {

Status Failure(const std::string& path, const char* what, int code) {
    return Status::Error(path + ": " + what + ": " + std::strerror(code));
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

Status StagedWrite::Stage(const std::string& path, std::string_view bytes) {
    Result<OutputTarget> target = ResolveOutput(path);
    if (!target.ok()) return target.status();
    target_ = std::move(*target);
    int code = 0;
    if (!temporary_.Create(target_.folder, &code))
        return Failure(path, "cannot create a temporary file beside it", code);
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
    if (what == nullptr) return Status();
    temporary_.Discard();
    return Failure(path, what, code);
}

Status StagedWrite::Commit() {
    if (!temporary_.RenameOver(target_.file)) return Failure(target_.path, "cannot replace", errno);
    return Status();
}

Status WriteFileAtomically(const std::string& path, std::string_view bytes) {
    StagedWrite write;
    if (Status s = write.Stage(path, bytes); !s.ok()) return s;
    return write.Commit();
}

Result<std::string> ScoreBytes(const ScoreContainer& input, std::string_view utf8Text) {
    Result<std::string> document = EncodeText(utf8Text, input.format);
    if (!document.ok() || !input.compressed) return document;
    return ReplaceArchiveMember(input.archiveBytes, input.rootMember, *document);
}

}  // namespace qz::musicxml
