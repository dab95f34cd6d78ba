// Score files: plain documents and .mxl archives (the root document named by
// META-INF/container.xml), and the damaged ones.
#include <gtest/gtest.h>
#include <zip.h>

#include <map>
#include <string>

#include "musicxml/read/loaded_score.h"
#include "reader_support.h"

namespace qz::musicxml {
namespace {

using testing::OnePart;
using testing::TempDir;
using testing::WriteArchive;

const std::string kScore = OnePart(
    "<measure number=\"1\"><note><pitch><step>C</step><octave>4</octave></pitch>"
    "<duration>4</duration></note></measure>");

std::string Container(const std::string& root) {
    return "<?xml version=\"1.0\"?><container><rootfiles><rootfile full-path=\"" + root +
           "\" media-type=\"application/vnd.recordare.musicxml+xml\"/></rootfiles></container>";
}

TEST(ReaderFile, ArchivesAreReadThroughTheirContainer) {
    TempDir dir;
    ASSERT_TRUE(WriteArchive(dir.File("a.mxl"), {{"META-INF/container.xml", Container("music/s.musicxml")},
                                     {"music/s.musicxml", kScore},
                                     {"other.xml", "<not-a-score/>"}}));
    LoadedScore loaded;
    ASSERT_TRUE(LoadScore(dir.File("a.mxl"), &loaded).ok());
    EXPECT_TRUE(loaded.container.compressed);
    EXPECT_EQ(loaded.container.rootMember, "music/s.musicxml");
    EXPECT_EQ(loaded.container.documentBytes, kScore);
    EXPECT_EQ(loaded.model.measureCount, 1);

    // Without a container the only score member is taken.
    ASSERT_TRUE(WriteArchive(dir.File("b.mxl"), {{"s.xml", kScore}}));
    LoadedScore sole;
    ASSERT_TRUE(LoadScore(dir.File("b.mxl"), &sole).ok());
    EXPECT_EQ(sole.container.rootMember, "s.xml");
}

TEST(ReaderFile, DamagedArchivesAreRefusedWithAClearMessage) {
    TempDir dir;
    ASSERT_TRUE(WriteArchive(dir.File("missing.mxl"), {{"META-INF/container.xml", Container("gone.xml")}}));
    ASSERT_TRUE(WriteArchive(dir.File("two.mxl"), {{"a.xml", kScore}, {"b.xml", kScore}}));
    ASSERT_TRUE(WriteArchive(dir.File("broken.mxl"), {{"META-INF/container.xml", Container("s.xml")},
                                          {"s.xml", "<score-partwise><part>"}}));
    dir.Write("fake.mxl", std::string("PK\x03\x04", 4) + "garbage that is no archive");
    const std::map<std::string, std::string> expected = {
        {"missing.mxl", "the archive has no member 'gone.xml'"},
        {"two.mxl", "no META-INF/container.xml and no single score member"},
        {"broken.mxl", "malformed XML"},
        {"fake.mxl", "not a readable .mxl archive"},
    };
    for (const auto& [name, message] : expected) {
        LoadedScore loaded;
        const std::string error = LoadScore(dir.File(name), &loaded).Where(dir.File(name));
        EXPECT_NE(error.find(message), std::string::npos) << name << ": " << error;
        EXPECT_EQ(error.rfind(dir.File(name), 0), 0u) << error;
    }
}

}  // namespace
}  // namespace qz::musicxml
