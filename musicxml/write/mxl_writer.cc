#include "musicxml/write/mxl_writer.h"

#include <memory>

#include <zip.h>

namespace qz::musicxml {
namespace {

struct ArchiveDiscard {
    void operator()(zip_t* archive) const { zip_discard(archive); }
};
struct SourceFree {
    void operator()(zip_source_t* source) const { zip_source_free(source); }
};

Status Failure(const std::string& what, const char* detail) {
    return Status::Error(what + (detail != nullptr ? std::string(": ") + detail : std::string()));
}

// Everything a buffer source holds after libzip wrote the archive into it.
Result<std::string> ReadSource(zip_source_t* source) {
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_source_open(source) != 0)
        return Failure("cannot read the written archive",
                    zip_error_strerror(zip_source_error(source)));
    if (zip_source_stat(source, &stat) != 0 || (stat.valid & ZIP_STAT_SIZE) == 0) {
        zip_source_close(source);
        return Failure("cannot size the written archive", nullptr);
    }
    std::string bytes(stat.size, '\0');
    const zip_int64_t got = zip_source_read(source, bytes.data(), stat.size);
    zip_source_close(source);
    if (got < 0 || static_cast<zip_uint64_t>(got) != stat.size)
        return Failure("cannot read the written archive", nullptr);
    return bytes;
}

}  // namespace

Result<std::string> ReplaceArchiveMember(const std::string& archiveBytes,
                                         const std::string& member, std::string_view document) {
    zip_error_t zerr;
    zip_error_init(&zerr);
    std::unique_ptr<zip_source_t, SourceFree> buffer(
        zip_source_buffer_create(archiveBytes.data(), archiveBytes.size(), 0, &zerr));
    std::unique_ptr<zip_t, ArchiveDiscard> archive(
        buffer ? zip_open_from_source(buffer.get(), 0, &zerr) : nullptr);
    if (!archive) {
        const std::string message = zip_error_strerror(&zerr);
        zip_error_fini(&zerr);
        return Failure("cannot open the archive", message.c_str());
    }
    zip_error_fini(&zerr);
    // The open archive now holds the buffer source, which receives the new archive when it is
    // closed: keep a reference of our own to read it afterwards.
    zip_source_keep(buffer.get());
    const zip_int64_t index = zip_name_locate(archive.get(), member.c_str(), 0);
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (index < 0 ||
        zip_stat_index(archive.get(), static_cast<zip_uint64_t>(index), 0, &stat) != 0)
        return Failure("the archive has no member " + member, nullptr);
    const auto at = static_cast<zip_uint64_t>(index);
    const zip_int32_t method =
        (stat.valid & ZIP_STAT_COMP_METHOD) != 0 && stat.comp_method == ZIP_CM_STORE
            ? ZIP_CM_STORE
            : ZIP_CM_DEFLATE;
    zip_source_t* content = zip_source_buffer(archive.get(), document.data(), document.size(), 0);
    if (content == nullptr)
        return Failure("cannot hold the new score", zip_strerror(archive.get()));
    if (zip_file_replace(archive.get(), at, content, 0) != 0) {
        zip_source_free(content);
        return Failure("cannot replace " + member, zip_strerror(archive.get()));
    }
    if (zip_set_file_compression(archive.get(), at, method, 0) != 0)
        return Failure("cannot compress " + member, zip_strerror(archive.get()));
    if (zip_close(archive.get()) != 0)
        return Failure("cannot write the archive", zip_strerror(archive.get()));
    archive.release();  // closed: zip_close freed it
    return ReadSource(buffer.get());
}

}  // namespace qz::musicxml
