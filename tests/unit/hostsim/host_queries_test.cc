#include <cstring>

#include "host/eregion.h"
#include "hostsim_fixture.h"

namespace hostsim::testing {
namespace {

namespace er = qz::host::eregion;

TEST_F(HostsimTest, SlotsAndInstrumentsMapBothWays) {
    struct Case {
        uint16_t slot;
        int16_t instrument;
    } cases[] = {{1, 11}, {2, 12}, {3, 0}, {0, 0}, {0xFFFF, 0}};
    for (const Case& c : cases) EXPECT_EQ(FX_SlotToInst(c.slot, 0, kV), c.instrument) << c.slot;
    EXPECT_EQ(FX_InstToSlot(12, 0, kV), 2);
    EXPECT_EQ(FX_InstToSlot(11, 0, kV), 1);
    EXPECT_EQ(FX_InstToSlot(13, 0, kV), 0);
    EXPECT_EQ(FX_InstToSlot(0, 0, kV), 0);
}

TEST_F(HostsimTest, SlotsAreThoseOfTheCurrentDocument) {
    Document& other = sim.AddDocument();
    other.AddStaff(40);
    EXPECT_EQ(FX_GetCurrentEnigmaDocument(kV), 1);
    sim.SetCurrentDocument(2);
    EXPECT_EQ(FX_GetCurrentEnigmaDocument(kV), 2);
    EXPECT_EQ(FX_SlotToInst(1, 0, kV), 40);
    EXPECT_EQ(FX_SlotToInst(2, 0, kV), 0);
    sim.SetCurrentDocument(9);  // unknown: ignored
    EXPECT_EQ(FX_GetCurrentEnigmaDocument(kV), 2);
}

TEST_F(HostsimTest, CurrentRegionIsCopiedAndScratchIsFilled) {
    sim.SetCurrentRegion(1, 2, 2, 5, 0, er::kEndOfMeasure, 3, 4);
    unsigned char scratch8[8] = {}, scratch24[24] = {}, region[20] = {};
    EXPECT_EQ(FX_GetCurERegions(scratch8, scratch24, region, kV), 1);
    EXPECT_EQ(qz::host::Load<int16_t>(region, er::kStartSlotScope), 3);
    EXPECT_EQ(qz::host::Load<int16_t>(region, er::kStartSlot), 1);
    EXPECT_EQ(qz::host::Load<int16_t>(region, er::kStartMeasure), 2);
    EXPECT_EQ(qz::host::Load<int32_t>(region, er::kStartPosition), 0);
    EXPECT_EQ(qz::host::Load<int16_t>(region, er::kEndSlotScope), 4);
    EXPECT_EQ(qz::host::Load<int16_t>(region, er::kEndSlot), 2);
    EXPECT_EQ(qz::host::Load<int16_t>(region, er::kEndMeasure), 5);
    EXPECT_EQ(qz::host::Load<int32_t>(region, er::kEndPosition), er::kEndOfMeasure);
    EXPECT_EQ(scratch8[7], 0xA5);
    EXPECT_EQ(scratch24[23], 0xA5);
}

TEST_F(HostsimTest, LayersShownAndLayerCount) {
    sim.SetLayerShown(2, false);
    const int16_t expected[] = {1, 1, 0, 1, 0, 0};
    for (uint16_t layer = 0; layer < 6; ++layer)
        EXPECT_EQ(FX_GetShowLayer(layer, kV), expected[layer]) << layer;
    EXPECT_EQ(FX_GetMaxLayers(kV), 4);
    sim.SetMaxLayers(2);
    EXPECT_EQ(FX_GetMaxLayers(kV), 2);
}

TEST_F(HostsimTest, EveryCallIsLoggedWithAllArguments) {
    sim.ClearCalls();
    unsigned char key[8] = {};
    uint32_t size = 0;
    FX_SlotToInst(2, 7, kV);
    FX_LoadEData(kDetailTag, key, nullptr, &size, kV);
    ASSERT_EQ(sim.Calls().size(), 2u);
    EXPECT_EQ(sim.Calls()[0].name, "FX_SlotToInst");
    EXPECT_EQ(sim.Calls()[0].args, (std::vector<int64_t>{2, 7, kV}));
    const Call& load = sim.Calls()[1];
    EXPECT_EQ(load.name, "FX_LoadEData");
    ASSERT_EQ(load.args.size(), 5u);
    EXPECT_EQ(load.args[0], kDetailTag);
    EXPECT_EQ(load.args[1], static_cast<int64_t>(reinterpret_cast<uintptr_t>(key)));
    EXPECT_EQ(load.args[2], 0);
    EXPECT_EQ(load.args[4], kV);
    EXPECT_EQ(sim.CallCount("FX_SlotToInst"), 1);
    EXPECT_EQ(sim.CallCount("FX_SaveTGF"), 0);
}

TEST_F(HostsimTest, EachFunctionIsLoggedAndCountedUnderItsOwnName) {
    sim.ClearCalls();
    unsigned char key[8] = {};
    const unsigned char record[12] = {1};
    unsigned char region[20];
    uint32_t size = 0;
    qz::host::TGF* frame = LoadFrame(1, 1);
    FX_SaveTGF(frame, kV);
    FX_InsertEXENTRY(frame, 0, 1, kV);
    FX_DeleteEXENTRY(frame, 0, 1, kV);
    FX_GetTGFDuration(frame, kV);
    FX_FreeTGF(frame, kV);
    FX_LoadEData(kDetailTag, key, nullptr, &size, kV);
    FX_SaveEData(kDetailTag, key, record, 12, kV);
    FX_CreateEData(kDetailTag, key, record, 12, kV);
    FX_DeleteEData(kDetailTag, key, kV);
    FX_NextEData(kDetailTag, key, nullptr, nullptr, kV);
    FX_SlotToInst(1, 0, kV);
    FX_InstToSlot(11, 0, kV);
    FX_GetCurERegions(nullptr, nullptr, region, kV);
    FX_GetShowLayer(0, kV);
    FX_GetCurrentEnigmaDocument(kV);
    FX_GetMaxLayers(kV);

    std::vector<std::string> logged;
    for (const Call& call : sim.Calls()) logged.push_back(call.name);
    const std::vector<std::string> called = {
        "FX_LoadTGF", "FX_SaveTGF", "FX_InsertEXENTRY", "FX_DeleteEXENTRY", "FX_GetTGFDuration",
        "FX_FreeTGF", "FX_LoadEData", "FX_SaveEData", "FX_CreateEData", "FX_DeleteEData",
        "FX_NextEData", "FX_SlotToInst", "FX_InstToSlot", "FX_GetCurERegions", "FX_GetShowLayer",
        "FX_GetCurrentEnigmaDocument", "FX_GetMaxLayers"};
    EXPECT_EQ(logged, called);
    for (const std::string& name : SimHost::FunctionNames()) EXPECT_EQ(sim.CallCount(name), 1) << name;
}

TEST(HostsimWithoutHost, FunctionsFailSafeWithNoCurrentHost) {
    SimHost idle;
    SimHost::MakeNoneCurrent();
    ASSERT_EQ(SimHost::Current(), nullptr);
    unsigned char key[8] = {};
    uint32_t size = 4;
    unsigned char region[20] = {};
    EXPECT_EQ(FX_LoadTGF(0, 1, 1, 0, 0, kV), nullptr);
    EXPECT_EQ(FX_SaveTGF(nullptr, kV), 0);
    EXPECT_EQ(FX_LoadEData(kDetailTag, key, key, &size, kV), 0);
    EXPECT_EQ(FX_NextEData(kDetailTag, key, nullptr, nullptr, kV), 0);
    EXPECT_EQ(FX_GetCurERegions(nullptr, nullptr, region, kV), 0);
    EXPECT_EQ(FX_GetMaxLayers(kV), 0);
    EXPECT_EQ(FX_GetCurrentEnigmaDocument(kV), 0);
    EXPECT_EQ(size, 4u);
}

TEST(HostsimWithoutHost, FirstHostBecomesCurrentAndADestroyedOneLeavesNone) {
    { SimHost gone; gone.MakeCurrent(); }
    ASSERT_EQ(SimHost::Current(), nullptr);
    SimHost first;
    EXPECT_EQ(SimHost::Current(), &first);
    {
        SimHost second;
        EXPECT_EQ(SimHost::Current(), &first) << "only the first takes over by itself";
    }
    EXPECT_EQ(SimHost::Current(), &first);
    EXPECT_EQ(FX_GetCurrentEnigmaDocument(kV), 0) << "no document yet";
    first.AddDocument();
    EXPECT_EQ(FX_GetCurrentEnigmaDocument(kV), 1);
}

}  // namespace
}  // namespace hostsim::testing
