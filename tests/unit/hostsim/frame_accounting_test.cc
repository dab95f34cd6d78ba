#include <cstring>

#include "hostsim_fixture.h"

namespace hostsim::testing {
namespace {

namespace tgf = qz::host::tgf;
namespace ex = qz::host::exentry;
using qz::host::TGF;

TEST_F(HostsimTest, LoadedFrameCarriesItsPlaceAndCopiesOfTheRecords) {
    hostsim::WriteMeasure(*doc, 12, 3, 1, "C4/2 D4/2");
    TGF* frame = FX_LoadTGF(7, 2, 3, 1, 1, kV);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(tgf::SlotScope(frame), 7);
    EXPECT_EQ(tgf::Slot(frame), 2);
    EXPECT_EQ(tgf::Measure(frame), 3);
    EXPECT_EQ(tgf::Layer(frame), 1);
    EXPECT_EQ(tgf::SkipSave(frame), 0);
    ASSERT_EQ(tgf::EntryCount(frame), 2);
    EXPECT_EQ(tgf::DetailCount(frame), 0);

    // The frame holds copies: a change in it does not reach the store before a save.
    ex::SetPosition(tgf::EntryAt(frame, 1), 999);
    EXPECT_EQ(hostsim::DescribeMeasure(*doc, 12, 3, 1), "C4/2 D4/2");
    EXPECT_EQ(sim.LiveFrames(), 1);
    FX_FreeTGF(frame, kV);
    EXPECT_EQ(sim.LiveFrames(), 0);
    sim.CheckNoLeaks();
    EXPECT_TRUE(sim.Violations().empty()) << Violations();
}

TEST_F(HostsimTest, EmptyPlaceGivesAFrameWithNoEntriesButValidArrays) {
    TGF* frame = LoadFrame(1, 1);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(tgf::EntryCount(frame), 0);
    EXPECT_NE(qz::host::LoadPointer(frame, tgf::kEntries), nullptr);
    EXPECT_NE(qz::host::LoadPointer(frame, tgf::kDetails), nullptr);
    FX_FreeTGF(frame, kV);
}

TEST_F(HostsimTest, LoadFailsWhereThereIsNoFrame) {
    sim.MakeFrameAbsent(1, 2, 0);
    struct Case {
        int slot, measure, layer;
    } cases[] = {{3, 1, 0}, {0, 1, 0}, {1, 0, 0}, {1, 5, 0}, {1, 1, 4}, {1, 2, 0}};
    for (const Case& c : cases)
        EXPECT_EQ(LoadFrame(c.slot, c.measure, c.layer), nullptr)
            << c.slot << "/" << c.measure << "/" << c.layer;
    TGF* neighbour = LoadFrame(1, 2, 1);
    EXPECT_NE(neighbour, nullptr);
    FX_FreeTGF(neighbour, kV);
    EXPECT_EQ(sim.LiveFrames(), 0);
}

TEST_F(HostsimTest, LeakIsReportedWithItsPlaceAndForgotten) {
    LoadFrame(2, 4, 3);
    EXPECT_TRUE(sim.Violations().empty()) << Violations();
    sim.CheckNoLeaks();
    ASSERT_EQ(sim.Violations().size(), 1u) << Violations();
    EXPECT_TRUE(HasViolation("leak: frame (slot 2, measure 4, layer 3)")) << Violations();
    EXPECT_EQ(sim.LiveFrames(), 0);
}

TEST_F(HostsimTest, DoubleAndForeignFreesAreViolations) {
    TGF* frame = LoadFrame(1, 1);
    EXPECT_EQ(FX_FreeTGF(frame, kV), 1);
    EXPECT_TRUE(sim.Violations().empty()) << Violations();
    EXPECT_EQ(FX_FreeTGF(frame, kV), 0);
    EXPECT_TRUE(HasViolation("double free")) << Violations();

    sim.ClearViolations();
    unsigned char notAFrame[64] = {};
    EXPECT_EQ(FX_FreeTGF(reinterpret_cast<TGF*>(notAFrame), kV), 0);
    EXPECT_TRUE(HasViolation("foreign frame")) << Violations();

    sim.ClearViolations();
    EXPECT_EQ(FX_FreeTGF(nullptr, kV), 0);  // like free(NULL): harmless
    EXPECT_TRUE(sim.Violations().empty()) << Violations();
}

TEST_F(HostsimTest, CallsWithADeadOrForeignFrameAreViolations) {
    TGF* frame = LoadFrame(1, 1);
    FX_FreeTGF(frame, kV);
    EXPECT_EQ(FX_SaveTGF(frame, kV), 0);
    EXPECT_EQ(FX_InsertEXENTRY(frame, 0, 1, kV), 0);
    EXPECT_EQ(FX_DeleteEXENTRY(frame, 0, 1, kV), 0);
    EXPECT_EQ(FX_GetTGFDuration(frame, kV), 0);
    EXPECT_EQ(sim.Violations().size(), 4u) << Violations();
    EXPECT_TRUE(HasViolation("FX_SaveTGF: frame")) << Violations();
    EXPECT_TRUE(HasViolation("used after it was freed")) << Violations();

    sim.ClearViolations();
    unsigned char notAFrame[64] = {};
    EXPECT_EQ(FX_SaveTGF(reinterpret_cast<TGF*>(notAFrame), kV), 0);
    EXPECT_EQ(FX_SaveTGF(nullptr, kV), 0);
    EXPECT_EQ(FX_GetTGFDuration(nullptr, kV), 0);  // null is a legal question
    EXPECT_EQ(sim.Violations().size(), 2u) << Violations();
    EXPECT_TRUE(HasViolation("foreign frame")) << Violations();
    EXPECT_TRUE(HasViolation("null frame")) << Violations();
}

// Writes one byte just before or after an array of a frame, as an off-by-one plug-in would.
void Scribble(TGF* frame, std::size_t pointerField, std::ptrdiff_t offset) {
    unsigned char* array = qz::host::LoadPointer(frame, pointerField);
    array[offset] = 0x00;
}

TEST_F(HostsimTest, GuardOverwriteIsNamedByPlaceArrayAndSide) {
    hostsim::WriteMeasure(*doc, 11, 2, 0, "C4/1+d");
    struct Case {
        std::size_t field;
        bool after;
        const char* expected;
    } cases[] = {
        {tgf::kEntries, true, "after the entries array"},
        {tgf::kEntries, false, "before the entries array"},
        {tgf::kDetails, true, "after the details array"},
        {tgf::kDetails, false, "before the details array"},
    };
    for (const Case& c : cases) {
        sim.ClearViolations();
        TGF* frame = LoadFrame(1, 2);
        ASSERT_NE(frame, nullptr);
        std::size_t size = c.field == tgf::kEntries ? ex::kSize : 40;
        Scribble(frame, c.field, c.after ? static_cast<std::ptrdiff_t>(size) : -1);
        FX_SaveTGF(frame, kV);
        EXPECT_TRUE(HasViolation(std::string("FX_SaveTGF: frame (slot 1, measure 2, layer 0): "
                                             "guard bytes ") + c.expected))
            << Violations();
        FX_FreeTGF(frame, kV);
    }
}

TEST_F(HostsimTest, GuardOverwriteOfALeakedFrameIsFoundByTheLeakCheck) {
    TGF* frame = LoadFrame(1, 1);
    Scribble(frame, tgf::kEntries, 0);  // no entries: byte 0 is already the back guard
    sim.CheckNoLeaks();
    EXPECT_TRUE(HasViolation("guard bytes after the entries array")) << Violations();
    EXPECT_TRUE(HasViolation("leak:")) << Violations();
}

TEST_F(HostsimTest, ChangedHeaderCountIsAViolation) {
    hostsim::WriteMeasure(*doc, 11, 1, 0, "C4/1");
    TGF* frame = LoadFrame(1, 1);
    qz::host::Store<int16_t>(frame, tgf::kEntryCount, 5);
    FX_SaveTGF(frame, kV);
    EXPECT_TRUE(HasViolation("header pointers or counts changed")) << Violations();
    // The host trusted its own count: one entry was saved, not five.
    EXPECT_EQ(doc->Entries(11, 1, 0).size(), 1u);
    FX_FreeTGF(frame, kV);
}

TEST_F(HostsimTest, DurationIsThatOfTheFramesMeasure) {
    doc->SetTimeSignature(2, {3, 4});
    doc->SetTimeSignature(3, {6, 8});
    TGF* m2 = LoadFrame(1, 2);
    TGF* m3 = LoadFrame(1, 3);
    TGF* m4 = LoadFrame(1, 4);
    EXPECT_EQ(FX_GetTGFDuration(m2, kV), 3 * kQuarter);
    EXPECT_EQ(FX_GetTGFDuration(m3, kV), 3 * kQuarter);
    EXPECT_EQ(FX_GetTGFDuration(m4, kV), 4 * kQuarter);
    for (TGF* f : {m2, m3, m4}) FX_FreeTGF(f, kV);
    EXPECT_TRUE(sim.Violations().empty()) << Violations();
}

}  // namespace
}  // namespace hostsim::testing
