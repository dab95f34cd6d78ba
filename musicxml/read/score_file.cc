#include "musicxml/read/score_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

#include <pugixml.hpp>

namespace qz::musicxml {
namespace {

constexpr char kContainerMember[] = "META-INF/container.xml";

bool IsZip(const std::string& bytes) {
    return bytes.size() >= 4 && bytes.compare(0, 4, "PK\x03\x04", 4) == 0;
}

struct ArchiveCloser {
    void operator()(zip_t* archive) const { zip_discard(archive); }
};
using Archive = std::unique_ptr<zip_t, ArchiveCloser>;

struct FileCloser {
    void operator()(zip_file_t* file) const { zip_fclose(file); }
};

// The uncompressed bytes of one member, bounded by kMaxDocumentBytes.
Result<std::string> ReadMember(zip_t* archive, const std::string& name) {
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat(archive, name.c_str(), 0, &stat) != 0)
        return Status::Error("the archive has no member '" + name + "'");
    if ((stat.valid & ZIP_STAT_SIZE) == 0 || stat.size > kMaxDocumentBytes)
        return Status::Error("the archive member '" + name + "' is too large or of unknown size");
    std::unique_ptr<zip_file_t, FileCloser> file(zip_fopen(archive, name.c_str(), 0));
    if (!file) return Status::Error("the archive member '" + name + "' cannot be opened");
    std::string out(static_cast<std::size_t>(stat.size), '\0');
    zip_int64_t got = zip_fread(file.get(), out.data(), stat.size);
    if (got < 0 || static_cast<zip_uint64_t>(got) != stat.size)
        return Status::Error("the archive member '" + name + "' is damaged");
    return out;
}

std::string SoleScoreMember(zip_t* archive) {
    std::string found;
    zip_int64_t count = zip_get_num_entries(archive, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        const char* raw = zip_get_name(archive, static_cast<zip_uint64_t>(i), 0);
        if (raw == nullptr) continue;
        std::string name = raw;
        if (name.rfind("META-INF/", 0) == 0) continue;
        bool score = (name.size() > 4 && name.compare(name.size() - 4, 4, ".xml") == 0) ||
                     (name.size() > 9 && name.compare(name.size() - 9, 9, ".musicxml") == 0);
        if (!score) continue;
        if (!found.empty()) return "";  // ambiguous
        found = name;
    }
    return found;
}

Status ReadArchive(ScoreContainer* out) {
    zip_error_t zerr;
    zip_error_init(&zerr);
    zip_source_t* source =
        zip_source_buffer_create(out->archiveBytes.data(), out->archiveBytes.size(), 0, &zerr);
    if (source == nullptr) {
        zip_error_fini(&zerr);
        return Status::Error("the archive cannot be read");
    }
    Archive archive(zip_open_from_source(source, ZIP_RDONLY, &zerr));
    if (!archive) {
        zip_source_free(source);
        const Status failure =
            Status::Error(std::string("not a readable .mxl archive: ") + zip_error_strerror(&zerr));
        zip_error_fini(&zerr);
        return failure;
    }
    zip_error_fini(&zerr);
    std::string root;
    if (const Result<std::string> container = ReadMember(archive.get(), kContainerMember);
        container.ok()) {
        pugi::xml_document doc;
        if (doc.load_buffer(container->data(), container->size())) {
            pugi::xml_node rootfile = doc.find_node([](pugi::xml_node n) {
                return std::string(n.name()) == "rootfile" && n.attribute("full-path");
            });
            root = rootfile.attribute("full-path").value();
        }
        if (root.empty()) return Status::Error("META-INF/container.xml names no root file");
    } else {
        root = SoleScoreMember(archive.get());
        if (root.empty())
            return Status::Error(
                "the archive has no META-INF/container.xml and no single score member");
    }
    out->rootMember = root;
    Result<std::string> document = ReadMember(archive.get(), root);
    if (!document.ok()) return document.status();
    out->documentBytes = std::move(*document);
    return Status();
}

// Up to `limit` bytes of `fd`, so that a device or a pipe that never ends cannot fill the
// memory. False (errno set) on a read error.
bool ReadAtMost(int fd, std::size_t limit, std::string* bytes) {
    char buffer[1 << 16];
    while (bytes->size() < limit) {
        const ssize_t got = ::read(fd, buffer, std::min(sizeof buffer, limit - bytes->size()));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return false;
        if (got == 0) break;
        bytes->append(buffer, static_cast<std::size_t>(got));
    }
    return true;
}

}  // namespace

Status ReadScoreBytes(const std::string& path, std::string bytes, ScoreContainer* out) {
    *out = ScoreContainer{};
    out->path = path;
    if (IsZip(bytes)) {
        out->compressed = true;
        out->archiveBytes = std::move(bytes);
        return ReadArchive(out);
    }
    if (bytes.size() > kMaxDocumentBytes) return Status::Error("the file is too large");
    out->documentBytes = std::move(bytes);
    return Status();
}

Status ReadScoreFile(const std::string& path, ScoreContainer* out) {
    struct stat info;
    if (::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
        return Status::Error("is a folder, not a score file");
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return Status::Error(std::string("cannot open the file: ") + std::strerror(errno));
    std::string bytes;
    // The size the file has now saves the string regrowing while it is read; the read itself
    // still stops at the limit whatever the file does meanwhile.
    struct stat opened;
    if (::fstat(fd, &opened) == 0 && opened.st_size > 0)
        bytes.reserve(std::min<std::size_t>(static_cast<std::size_t>(opened.st_size),
                                            kMaxDocumentBytes + 1));
    const bool read = ReadAtMost(fd, kMaxDocumentBytes + 1, &bytes);
    const int code = errno;
    ::close(fd);
    if (!read) return Status::Error(std::string("cannot read the file: ") + std::strerror(code));
    if (bytes.size() > kMaxDocumentBytes) return Status::Error("the file is too large");
    return ReadScoreBytes(path, std::move(bytes), out);
}

}  // namespace qz::musicxml
