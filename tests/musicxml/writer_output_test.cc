// Writing the result: through a temporary file and a rename, as plain text or as an archive in
// which only the score's member changes.
#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zip.h>

#include <gtest/gtest.h>

#include "reader_support.h"

#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "musicxml/write/mxl_writer.h"
#include "musicxml/write/output_file.h"
#include "musicxml/write/output_target.h"
#include "musicxml/read/score_file.h"

namespace qz::musicxml {
namespace {

using testing::ValueOf;

struct Member {
    std::string name;
    std::string data;
    bool stored = false;
    // As read back:
    zip_uint64_t compressedSize = 0;
    zip_uint32_t crc = 0;
    uint16_t method = 0;
};

// Builds an archive in memory from `members`, in order.
std::string BuildArchive(const std::vector<Member>& members) {
    zip_error_t zerr;
    zip_error_init(&zerr);
    zip_source_t* buffer = zip_source_buffer_create(nullptr, 0, 0, &zerr);
    zip_source_keep(buffer);
    zip_t* archive = zip_open_from_source(buffer, ZIP_TRUNCATE, &zerr);
    for (const Member& m : members) {
        zip_source_t* data = zip_source_buffer(archive, m.data.data(), m.data.size(), 0);
        const zip_int64_t index = zip_file_add(archive, m.name.c_str(), data, 0);
        zip_set_file_compression(archive, static_cast<zip_uint64_t>(index),
                                 m.stored ? ZIP_CM_STORE : ZIP_CM_DEFLATE, 0);
    }
    EXPECT_EQ(zip_close(archive), 0);
    zip_source_open(buffer);
    zip_stat_t stat;
    zip_source_stat(buffer, &stat);
    std::string bytes(stat.size, '\0');
    zip_source_read(buffer, bytes.data(), stat.size);
    zip_source_close(buffer);
    zip_source_free(buffer);
    zip_error_fini(&zerr);
    return bytes;
}

// Every member of an archive, in order, with its content and how it is stored.
std::vector<Member> ReadArchive(const std::string& bytes) {
    zip_error_t zerr;
    zip_error_init(&zerr);
    zip_source_t* buffer = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &zerr);
    zip_t* archive = zip_open_from_source(buffer, ZIP_RDONLY, &zerr);
    std::vector<Member> members;
    for (zip_int64_t i = 0; archive != nullptr && i < zip_get_num_entries(archive, 0); ++i) {
        zip_stat_t stat;
        zip_stat_index(archive, static_cast<zip_uint64_t>(i), 0, &stat);
        Member m{stat.name, std::string(stat.size, '\0'), stat.comp_method == ZIP_CM_STORE,
                 stat.comp_size, stat.crc, stat.comp_method};
        zip_file_t* file = zip_fopen_index(archive, static_cast<zip_uint64_t>(i), 0);
        zip_fread(file, m.data.data(), stat.size);
        zip_fclose(file);
        members.push_back(m);
    }
    if (archive != nullptr) zip_discard(archive);
    zip_error_fini(&zerr);
    return members;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// A fresh folder per test, and what it holds.
class OutputFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = ::testing::TempDir() + "writer_output_XXXXXX";
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        folder_ = pattern;
    }
    void TearDown() override {
        for (const std::string& name : Listing()) ::unlink((folder_ + "/" + name).c_str());
        ::rmdir(folder_.c_str());
    }
    std::vector<std::string> Listing() const {
        std::vector<std::string> names;
        DIR* dir = ::opendir(folder_.c_str());
        while (dirent* e = dir != nullptr ? ::readdir(dir) : nullptr)
            if (std::string(e->d_name) != "." && std::string(e->d_name) != "..")
                names.push_back(e->d_name);
        if (dir != nullptr) ::closedir(dir);
        return names;
    }
    std::string folder_;
};

TEST_F(OutputFileTest, WritesThroughARenameAndKeepsAnExistingFilesPermissions) {
    const std::string path = folder_ + "/out.musicxml";
    ASSERT_EQ(WriteFileAtomically(path, "first").message(), "");
    EXPECT_EQ(ReadFile(path), "first");
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    ASSERT_EQ(WriteFileAtomically(path, std::string("sec\0nd", 6)).message(), "");
    EXPECT_EQ(ReadFile(path), std::string("sec\0nd", 6));
    struct stat after;
    ASSERT_EQ(::stat(path.c_str(), &after), 0);
    EXPECT_EQ(after.st_mode & 07777, 0640u);
    EXPECT_EQ(Listing(), std::vector<std::string>{"out.musicxml"});  // no temporary left
}

TEST_F(OutputFileTest, OnlyRegularFilesAndNewNamesAreWritten) {
    ASSERT_EQ(::mkfifo((folder_ + "/fifo").c_str(), 0600), 0);
    const struct {
        std::string path;
        std::string error;
    } refused[] = {
        {"/dev/null", "/dev/null: a device, not a regular file; nothing written"},
        {folder_, folder_ + ": a folder, not a regular file; nothing written"},
        {folder_ + "/fifo", folder_ + "/fifo: a pipe, not a regular file; nothing written"},
    };
    for (const auto& c : refused) EXPECT_EQ(ResolveOutput(c.path).status().message(), c.error);
    ASSERT_EQ(::unlink((folder_ + "/fifo").c_str()), 0);
}

// A child stages a file and waits; the signal must take the temporary file with it.
TEST_F(OutputFileTest, AnInterruptedWriteLeavesNoTemporaryFile) {
    for (int signal : {SIGINT, SIGTERM}) {
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(ready[0]);
            ::alarm(10);  // never outlive a failed test
            StagedWrite write;
            if (!write.Stage(folder_ + "/big.musicxml", std::string(8 << 20, 'x')).ok()) ::_exit(1);
            if (::write(ready[1], "r", 1) != 1) ::_exit(1);
            for (;;) ::pause();
        }
        ::close(ready[1]);
        char byte = 0;
        ASSERT_EQ(::read(ready[0], &byte, 1), 1);
        ::close(ready[0]);
        ASSERT_EQ(Listing().size(), 1u);
        EXPECT_EQ(Listing()[0].rfind(".motifgraft-", 0), 0u);
        ASSERT_EQ(::kill(child, signal), 0);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
        EXPECT_TRUE(Listing().empty());
    }
}

TEST_F(OutputFileTest, AFailedWriteLeavesNothingBehind) {
    EXPECT_EQ(WriteFileAtomically(folder_ + "/missing/out.xml", "x").message(),
              folder_ + "/missing/out.xml: the folder " + folder_ +
                  "/missing does not exist; nothing written");
    EXPECT_TRUE(Listing().empty());
}

TEST_F(OutputFileTest, AnArchiveChangesOnlyItsScoreMember) {
    const std::string png("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16);
    const std::string score(2000, 'a');  // compresses well: deflated sizes differ from stored
    const std::vector<Member> members = {
        {"mimetype", "application/vnd.recordare.musicxml", true},
        {"META-INF/container.xml", "<container><rootfiles><rootfile full-path=\"s.musicxml\"/>"
                                   "</rootfiles></container>"},
        {"s.musicxml", score},
        {"cover.png", png, true},
    };
    const std::string archive = BuildArchive(members);
    const std::vector<Member> before = ReadArchive(archive);
    ASSERT_EQ(before.size(), 4u);

    const std::string out = ValueOf(ReplaceArchiveMember(archive, "s.musicxml", "<new/>"));
    const std::vector<Member> after = ReadArchive(out);
    ASSERT_EQ(after.size(), 4u);
    for (size_t i = 0; i < after.size(); ++i) {
        EXPECT_EQ(after[i].name, before[i].name);
        EXPECT_EQ(after[i].method, before[i].method) << after[i].name;
        if (after[i].name == "s.musicxml") {
            EXPECT_EQ(after[i].data, "<new/>");
            continue;
        }
        EXPECT_EQ(after[i].data, before[i].data) << after[i].name;
        EXPECT_EQ(after[i].compressedSize, before[i].compressedSize) << after[i].name;
        EXPECT_EQ(after[i].crc, before[i].crc) << after[i].name;
    }
    // The first member's bytes, which programs read without unzipping, stay at the start.
    EXPECT_EQ(out.substr(30, 8), "mimetype");

    EXPECT_EQ(ReplaceArchiveMember(archive, "other.xml", "<new/>").status().message(),
              "the archive has no member other.xml");
    const std::string error =
        ReplaceArchiveMember("not a zip", "s.musicxml", "<new/>").status().message();
    EXPECT_EQ(error.rfind("cannot open the archive", 0), 0u) << error;
}

TEST_F(OutputFileTest, TheScoreIsWrittenInTheInputsEncodingAndContainer) {
    ScoreContainer plain;
    plain.format = {Charset::kUtf16BE, true};
    EXPECT_EQ(ValueOf(ScoreBytes(plain, "<a>\xC3\xA9</a>")), std::string("\xFE\xFF\0<\0a\0>\0\xE9\0<\0/\0a\0>", 18));

    ScoreContainer packed;
    packed.compressed = true;
    packed.rootMember = "s.xml";
    packed.format = {Charset::kUtf8, true};
    packed.archiveBytes = BuildArchive({{"s.xml", "<old/>"}, {"t.txt", "kept"}});
    const std::string path = folder_ + "/out.mxl";
    ASSERT_EQ(WriteFileAtomically(path, ValueOf(ScoreBytes(packed, "<new/>"))).message(), "");
    const std::vector<Member> written = ReadArchive(ReadFile(path));
    ASSERT_EQ(written.size(), 2u);
    EXPECT_EQ(written[0].data, "\xEF\xBB\xBF<new/>");
    EXPECT_EQ(written[1].data, "kept");

    // Text the input's encoding cannot carry is refused.
    ScoreContainer latin;
    latin.format = {Charset::kLatin1, false};
    EXPECT_FALSE(ScoreBytes(latin, "\xE2\x99\xAF").ok());
}

}  // namespace
}  // namespace qz::musicxml
