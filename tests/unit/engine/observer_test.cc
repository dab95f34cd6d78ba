// What the driver tells an observer: the decision for every repeat with the rule that made it,
// where each rebuilt entry came from, and the veto.
#include <functional>
#include <string>
#include <vector>

#include "engine/engine_fixture.h"

namespace qz::testing {
namespace {

using engine::RepeatOutcome;

struct Recorded {
    engine::RepeatDecision decision;
    std::vector<engine::RebuiltEntry> entries;
};

class Recorder : public engine::CreateObserver {
public:
    bool MayRewrite(const engine::RepeatPlace& place) override {
        asked.push_back(place.firstMeasure);
        return place.firstMeasure != vetoMeasure;
    }
    void OnRepeat(const engine::RepeatDecision& decision,
                  const std::vector<engine::RebuiltEntry>& entries) override {
        seen.push_back({decision, entries});
    }
    int vetoMeasure = 0;
    std::vector<int> asked;
    std::vector<Recorded> seen;
};

class ObserverTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        MakeScore(2, 5);
        sim.SetMaxLayers(1);
        doc->SetTimeSignature(4, {3, 4});
        hostsim::WriteMeasure(*doc, Inst(1), 1, 0, "C5/4@1 C5/4 r/4 C5/4@2");
        hostsim::WriteMeasure(*doc, Inst(2), 2, 0, "D4+F4/2@3 E4/2");    // rewritten
        hostsim::WriteMeasure(*doc, Inst(2), 3, 0, "D4/4 D4/8 D4/8 D4/2");  // an attack at 1.5 quarters
        hostsim::WriteMeasure(*doc, Inst(2), 4, 0, "D4/2.");              // a 3/4 measure under a 4/4 source
        // measure 5 stays empty
    }
    bool Run(Recorder& recorder) {
        sim.SetCurrentRegion(2, 2, 2, 5);
        char buffer[512] = {};
        return engine::CopyPatternToRegion(binding, Region(1, 1, 1, 1), Region(2, 2, 2, 5),
                                           0x19000000, buffer, &recorder);
    }
};

TEST_F(ObserverTest, EachRepeatIsToldWithTheRuleThatDecidedIt) {
    Recorder recorder;
    ASSERT_TRUE(Run(recorder));
    EXPECT_EQ(recorder.asked, (std::vector<int>{2, 3, 4, 5}));
    ASSERT_EQ(recorder.seen.size(), 4u);
    const struct {
        RepeatOutcome outcome;
        int measure, sourceMeasure;
        int32_t position;
    } expected[] = {
        {RepeatOutcome::kRewritten, 0, 0, 0},
        {RepeatOutcome::kUnmatchedAttack, 3, 0, 1536},
        {RepeatOutcome::kMeasureTooShort, 4, 1, 0},
        {RepeatOutcome::kEmpty, 0, 0, 0},
    };
    for (std::size_t i = 0; i < 4; ++i) {
        const engine::RepeatDecision& d = recorder.seen[i].decision;
        EXPECT_EQ(d.place.slot, 2);
        EXPECT_EQ(d.place.firstMeasure, static_cast<int>(i) + 2);
        EXPECT_EQ(d.outcome, expected[i].outcome) << "repeat " << i;
        EXPECT_EQ(d.measure, expected[i].measure) << "repeat " << i;
        EXPECT_EQ(d.sourceMeasure, expected[i].sourceMeasure) << "repeat " << i;
        EXPECT_EQ(d.position, expected[i].position) << "repeat " << i;
        EXPECT_EQ(recorder.seen[i].entries.empty(), i != 0);
    }
}

TEST_F(ObserverTest, ARebuiltEntryNamesItsSourceItsDonorAndWhereEachArticulationCameFrom) {
    Recorder recorder;
    Run(recorder);
    ASSERT_EQ(Music(2, 2), "D4+F4/4@3@1 D4+F4/4 r/4 E4/4@2");
    const std::vector<engine::RebuiltEntry>& entries = recorder.seen.at(0).entries;
    ASSERT_EQ(entries.size(), 4u);
    const struct {
        int sourceIndex, donorIndex;  // in measure 1 of the source, measure 2 of the destination
        bool rest;
        std::vector<std::pair<bool, int>> articulations;  // (from the source, index)
    } expected[] = {
        {0, 0, false, {{false, 0}, {true, 0}}},
        {1, 0, false, {}},
        {2, 1, true, {}},  // the source's rest stays a rest
        {3, 1, false, {{true, 0}}},
    };
    for (std::size_t i = 0; i < 4; ++i) {
        const engine::RebuiltEntry& e = entries[i];
        EXPECT_EQ(e.at.measure, 2);
        EXPECT_EQ(e.at.index, static_cast<int>(i));
        EXPECT_EQ(e.source.measure, 1);
        EXPECT_EQ(e.source.index, expected[i].sourceIndex) << "entry " << i;
        EXPECT_EQ(e.donor.index, expected[i].donorIndex) << "entry " << i;
        EXPECT_EQ(e.donor.measure, 2);
        EXPECT_EQ(e.rest, expected[i].rest) << "entry " << i;
        std::vector<std::pair<bool, int>> origins;
        for (const engine::ArticulationOrigin& a : e.articulations) origins.emplace_back(a.fromSource, a.index);
        EXPECT_EQ(origins, expected[i].articulations) << "entry " << i;
    }
}

TEST_F(ObserverTest, AVetoedRepeatIsNeitherReadNorWritten) {
    Recorder recorder;
    recorder.vetoMeasure = 2;
    sim.ClearCalls();
    Run(recorder);
    EXPECT_EQ(Music(2, 2), "D4+F4/2@3 E4/2");
    EXPECT_EQ(recorder.seen.at(0).decision.outcome, RepeatOutcome::kVetoed);
    for (const hostsim::Call& call : sim.Calls())
        if (call.name == "FX_LoadTGF") {
            EXPECT_NE(call.args.at(2), 2) << "measure 2 was read";
        }
}

TEST_F(ObserverTest, RefusedWritesHiddenLayersAndMissingFramesAreToldApart) {
    const struct {
        const char* what;
        std::function<void(hostsim::SimHost&)> arm;
        RepeatOutcome outcome;
    } cases[] = {
        {"a refused save", [](hostsim::SimHost& s) { s.AddFault({"FX_SaveTGF", 1}); }, RepeatOutcome::kRestored},
        {"a hidden layer", [](hostsim::SimHost& s) { s.SetLayerShown(0, false); }, RepeatOutcome::kHidden},
        {"an absent frame", [](hostsim::SimHost& s) { s.MakeFrameAbsent(2, 2, 0); }, RepeatOutcome::kNoFrame},
    };
    for (const auto& c : cases) {  // the absent frame last: it stays absent
        hostsim::WriteMeasure(*doc, Inst(2), 2, 0, "D4+F4/2@3 E4/2");
        c.arm(sim);
        Recorder recorder;
        Run(recorder);
        ASSERT_FALSE(recorder.seen.empty()) << c.what;
        EXPECT_EQ(recorder.seen[0].decision.outcome, c.outcome) << c.what;
        EXPECT_TRUE(recorder.seen[0].entries.empty()) << c.what;
        EXPECT_EQ(Music(2, 2), "D4+F4/2@3 E4/2") << c.what;
        sim.ClearFaults();
        sim.SetLayerShown(0, true);
    }
}

}  // namespace
}  // namespace qz::testing
