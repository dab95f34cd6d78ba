// The in-memory host's own guard against a plug-in that misuses frames: it answers 0 for a
// pointer it did not hand out, and works on the frame it keeps, whatever the header now says.
#include <gtest/gtest.h>

#include <cstring>

#include "host/bytes.h"
#include "host/exentry.h"
#include "host/tgf.h"
#include "memhost/mem_host.h"

namespace qz::memhost {
namespace {

namespace tgf = qz::host::tgf;
constexpr uint32_t kV = 0x19000000;

class MemHostTest : public ::testing::Test {
protected:
    void SetUp() override {
        Document& doc = host.AddDocument();
        doc.AddStaff(11);
        doc.SetMeasureCount(1);
        doc.AddEntry(11, 1, 0, {.position = 0, .duration = 2048, .pitches = {60}});
        doc.AddEntry(11, 1, 0, {.position = 2048, .duration = 2048, .pitches = {64}});
        stored = *doc.FindEntries(11, 1, 0);
    }

    MemHost host;
    std::vector<Record> stored;
};

TEST_F(MemHostTest, FramesItDidNotHandOutAnswerZero) {
    unsigned char foreign[48];
    std::memset(foreign, 0x5A, sizeof foreign);
    auto* fake = reinterpret_cast<qz::host::TGF*>(foreign);
    for (qz::host::TGF* frame : {fake, static_cast<qz::host::TGF*>(nullptr)}) {
        EXPECT_EQ(host.SaveTGF(frame, kV), 0);
        EXPECT_EQ(host.InsertEXENTRY(frame, 0, 1, kV), 0);
        EXPECT_EQ(host.DeleteEXENTRY(frame, 0, 1, kV), 0);
        EXPECT_EQ(host.GetTGFDuration(frame, kV), 0);
        EXPECT_EQ(host.FreeTGF(frame, kV), 0);
    }
    for (unsigned char byte : foreign) ASSERT_EQ(byte, 0x5A);
    EXPECT_EQ(*host.CurrentDocument().FindEntries(11, 1, 0), stored);
}

TEST_F(MemHostTest, AHeaderChangedByThePlugInDoesNotSteerTheHost) {
    qz::host::TGF* frame = host.LoadTGF(0, 1, 1, 0, 0, kV);
    ASSERT_NE(frame, nullptr);
    unsigned char elsewhere[qz::host::exentry::kSize * 4] = {};
    qz::host::StorePointer(frame, tgf::kEntries, elsewhere);
    qz::host::Store<int16_t>(frame, tgf::kEntryCount, 500);
    EXPECT_EQ(host.SaveTGF(frame, kV), 1);
    EXPECT_EQ(*host.CurrentDocument().FindEntries(11, 1, 0), stored);
    EXPECT_EQ(host.FreeTGF(frame, kV), 1);
    EXPECT_EQ(host.LiveFrames(), 0);
}

}  // namespace
}  // namespace qz::memhost
