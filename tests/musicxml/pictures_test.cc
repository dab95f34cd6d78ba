// Pictures of a rewrite: the engraver is found, run without a shell, its pages collected, the
// score trimmed to the destination measures; a missing or failing engraver is a clear message.
// A stand-in engraver (a shell script named by QZ_MSCORE) copies the excerpt it was given to
// its picture files, so the excerpt itself can be read back; the real MuseScore is used when
// installed.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "musicxml/cli/pictures.h"

namespace qz::musicxml {
namespace {

namespace fs = std::filesystem;

const fs::path kSample = fs::path(__FILE__).parent_path().parent_path().parent_path() / "samples" / "comping.musicxml";

std::string Slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

class PicturesTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() / ("qz-pictures-" + std::to_string(::getpid()) + "-" +
                                               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    void TearDown() override {
        unsetenv("QZ_MSCORE");
        fs::remove_all(folder_);
    }
    // A stand-in for mscore3: `-T 10 -r 150 -o OUT IN` copies IN to OUT's pages 1 and 2.
    void StandIn(const std::string& body) {
        fs::path script = folder_ / "engraver.sh";
        std::ofstream(script) << "#!/bin/sh\n" << body << "\n";
        chmod(script.c_str(), 0755);
        setenv("QZ_MSCORE", script.c_str(), 1);
    }
    fs::path folder_;
};

TEST_F(PicturesTest, MissingEngraverSaysHowToInstallIt) {
    setenv("QZ_MSCORE", (folder_ / "no-such-program").c_str(), 1);
    EXPECT_EQ(FindEngraver(), "");
    std::string message;
    EXPECT_FALSE(WritePictures(kSample, kSample, (folder_ / "pics").string(), 1, 2, &message));
    EXPECT_NE(message.find("apt-get install musescore3"), std::string::npos) << message;
    EXPECT_FALSE(fs::exists(folder_ / "pics" / "before.png"));
}

TEST_F(PicturesTest, ExcerptHoldsTheMeasuresWithTheirAttributes) {
    StandIn("out=\"$6\"; cp \"$7\" \"${out%.png}-1.png\"; cp \"$7\" \"${out%.png}-2.png\"");
    std::string message = "stale";
    fs::path pics = folder_ / "new folder";
    ASSERT_TRUE(WritePictures(kSample, kSample, pics.string(), 3, 4, &message)) << message;
    EXPECT_EQ(message, "");
    std::string excerpt = Slurp(pics / "before.png");
    EXPECT_TRUE(fs::exists(pics / "after.png"));
    EXPECT_TRUE(fs::exists(pics / "before-2.png"));  // a second page keeps its number
    // Measures 3 and 4 of both parts, nothing else; the clefs, key and time of measure 1 restated.
    EXPECT_EQ(excerpt.find("<measure number=\"1\""), std::string::npos);
    EXPECT_EQ(excerpt.find("<measure number=\"5\""), std::string::npos);
    EXPECT_NE(excerpt.find("<measure number=\"3\""), std::string::npos);
    EXPECT_NE(excerpt.find("<measure number=\"4\""), std::string::npos);
    std::size_t piano = excerpt.find("<part id=\"P2\"");
    ASSERT_NE(piano, std::string::npos);
    std::size_t divisions = excerpt.find("<divisions>4</divisions>", piano);
    std::size_t bassClef = excerpt.find("<clef number=\"2\">", piano);
    EXPECT_LT(divisions, excerpt.find("<note>", piano));
    EXPECT_LT(bassClef, excerpt.find("<note>", piano));
    EXPECT_NE(excerpt.find("<staves>2</staves>", piano), std::string::npos);
}

TEST_F(PicturesTest, RangeOutsideTheScoreGivesTheWholeScore) {
    StandIn("out=\"$6\"; cp \"$7\" \"${out%.png}-1.png\"");
    std::string message;
    ASSERT_TRUE(WritePictures(kSample, kSample, folder_.string(), 9, 12, &message));
    EXPECT_NE(message.find("whole score"), std::string::npos) << message;
    EXPECT_TRUE(Slurp(folder_ / "before.png") == Slurp(kSample));
}

TEST_F(PicturesTest, FailingEngraverIsReportedWithItsLastWords) {
    StandIn("echo 'starting' >&2; echo 'cannot open display' >&2; exit 3");
    std::string message;
    EXPECT_FALSE(WritePictures(kSample, kSample, folder_.string(), 1, 1, &message));
    EXPECT_NE(message.find("exited with status 3: cannot open display"), std::string::npos) << message;

    StandIn("exit 0");  // claims success, writes nothing
    EXPECT_FALSE(WritePictures(kSample, kSample, folder_.string(), 1, 1, &message));
    EXPECT_NE(message.find("wrote no picture"), std::string::npos) << message;
}

TEST_F(PicturesTest, FileNamesReachTheEngraverUnchanged) {
    // A name a shell would expand or split must arrive as one argument.
    fs::path odd = folder_ / "a score; $(touch pwned) 'x'.musicxml";
    fs::copy_file(kSample, odd);
    StandIn("out=\"$6\"; cp \"$7\" \"${out%.png}-1.png\"");
    std::string message;
    ASSERT_TRUE(WritePictures(odd.string(), odd.string(), folder_.string(), 99, 99, &message)) << message;
    EXPECT_FALSE(fs::exists("pwned"));
    EXPECT_FALSE(fs::exists(folder_ / "pwned"));
    EXPECT_TRUE(Slurp(folder_ / "after.png") == Slurp(kSample));
}

TEST_F(PicturesTest, MuseScoreEngravesTheSample) {
    if (FindEngraver().empty()) GTEST_SKIP() << "mscore3 is not installed";
    std::string message;
    ASSERT_TRUE(WritePictures(kSample, kSample, folder_.string(), 2, 3, &message)) << message;
    for (const char* name : {"before.png", "after.png"})
        EXPECT_EQ(Slurp(folder_ / name).substr(0, 8), "\x89PNG\r\n\x1a\n") << name;
}

}  // namespace
}  // namespace qz::musicxml
