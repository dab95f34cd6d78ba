// CREATE under host failures: the n-th call of one host function fails, once or from then on,
// for n = 1, 2, ... until the run no longer reaches it. After every run nothing has leaked, no
// host array was overrun, and each destination measure is either as it was or fully rewritten;
// a failed articulation read loads nothing, so the measure is rewritten without those.
#include <algorithm>
#include <sstream>

#include "engine/engine_fixture.h"

namespace qz::testing {
namespace {

struct Score {
    hostsim::SimHost sim;
    hostsim::Document* doc = nullptr;
    Score() {
        doc = &sim.AddDocument();
        for (int i = 0; i < 3; ++i) doc->AddStaff(static_cast<int16_t>(11 + i));
        doc->SetMeasureCount(4);
        hostsim::WriteMeasure(*doc, 11, 1, 0, "C5/4@1 C5/4 r/4 C5/4@2");
        hostsim::WriteMeasure(*doc, 11, 2, 0, "C5/2 C5/2");
        for (int staff = 12; staff <= 13; ++staff)
            for (int m = 1; m <= 4; ++m) hostsim::WriteMeasure(*doc, staff, m, 0, m % 2 ? "D4+F4/2@2 E4/2" : "G4/1@3");
        sim.SetCurrentRegion(2, 1, 3, 4);
    }
};

const char* const kOriginal[] = {"D4+F4/2@2 E4/2", "G4/1@3"};
const char* const kRewritten[] = {"D4+F4/4@2@1 D4+F4/4 r/4 E4/4@2", "G4/2@3 G4/2"};

// Whether `music` is `rewritten` with some articulations ("@n") of its entries left out.
bool WithFewerArticulations(const std::string& music, const std::string& rewritten) {
    std::istringstream have(music), want(rewritten);
    std::string entry, expected;
    while (want >> expected) {
        if (!(have >> entry)) return false;
        std::vector<std::string> left;  // what `expected` has after its notes, "@n" by "@n"
        std::string::size_type at = expected.find('@');
        if (entry.substr(0, entry.find('@')) != expected.substr(0, at)) return false;
        for (; at != std::string::npos; at = expected.find('@', at + 1))
            left.push_back(expected.substr(at, expected.find('@', at + 1) - at));
        for (at = entry.find('@'); at != std::string::npos; at = entry.find('@', at + 1)) {
            auto it = std::find(left.begin(), left.end(), entry.substr(at, entry.find('@', at + 1) - at));
            if (it == left.end()) return false;
            left.erase(it);
        }
    }
    return !(have >> entry);
}

// The music as text, without articulations when only the notes are compared.
std::string Shown(const std::string& music, bool notesOnly) {
    if (!notesOnly) return music;
    std::string notes;
    bool skipping = false;
    for (char c : music) {
        if (c == '@') skipping = true;
        else if (c == ' ') skipping = false;
        if (!skipping) notes += c;
    }
    return notes;
}

class FaultInjectionTest : public EngineTest {};

TEST_F(FaultInjectionTest, EveryFailingHostCallLeavesASoundDocument) {
    // A failed resize makes the clone fail, so the measure is never half-written. A failed frame
    // load, reload or record write skips or undoes the repeat, articulations included. Only saves
    // that fail from then on can refuse the undoing too: such a measure keeps the rebuilt notes
    // without their articulations. A failed articulation read is a record not there: the measure
    // is rewritten without it.
    const struct {
        const char* function;
        bool notesOnly;
    } functions[] = {{"FX_InsertEXENTRY", false}, {"FX_DeleteEXENTRY", false},
                     {"FX_LoadTGF", false},       {"FX_SaveTGF", true},
                     {"FX_LoadEData", false},     {"FX_SaveEData", false}};
    int runs = 0;
    for (const auto& [function, notesOnly] : functions) {
        for (bool persistent : {false, true}) {
            for (int n = 1; n < 400; ++n) {
                Score score;
                host::HostBinding fresh(score.sim);
                score.sim.AddFault({function, n, persistent});
                FCMusicRegion source = Region(1, 1, 1, 2);
                FCMusicRegion destination = Region(2, 1, 3, 4);
                char buffer[512] = {};
                engine::CopyPatternToRegion(fresh, source, destination, 0x19000000, buffer);
                const bool reached = score.sim.CallCount(function) >= n;
                ++runs;

                const std::string where = std::string(function) + " #" + std::to_string(n) +
                                          (persistent ? " from then on" : " once");
                score.sim.CheckNoLeaks();
                for (const std::string& v : score.sim.Violations()) ADD_FAILURE() << where << ": " << v;
                for (int staff = 12; staff <= 13; ++staff)
                    for (int m = 1; m <= 4; ++m) {
                        const std::string music = Shown(hostsim::DescribeMeasure(*score.doc, staff, m, 0), notesOnly);
                        const int kind = (m - 1) % 2;
                        const bool unread = std::string(function) == "FX_LoadEData";
                        EXPECT_TRUE(unread ? WithFewerArticulations(music, kRewritten[kind])
                                           : music == Shown(kOriginal[kind], notesOnly) ||
                                                 music == Shown(kRewritten[kind], notesOnly))
                            << where << ", staff " << staff << " measure " << m << ": " << music;
                    }
                if (!reached) break;
            }
        }
    }
    EXPECT_GT(runs, 50);
}

TEST_F(FaultInjectionTest, WithoutFaultsTheSampleIsFullyRewritten) {
    Score score;
    host::HostBinding fresh(score.sim);
    char buffer[512] = {};
    EXPECT_TRUE(engine::CopyPatternToRegion(fresh, Region(1, 1, 1, 2), Region(2, 1, 3, 4), 0x19000000, buffer));
    for (int staff = 12; staff <= 13; ++staff)
        for (int m = 1; m <= 4; ++m)
            EXPECT_EQ(hostsim::DescribeMeasure(*score.doc, staff, m, 0), kRewritten[(m - 1) % 2]) << staff << "/" << m;
    score.sim.CheckNoLeaks();
    EXPECT_TRUE(score.sim.Violations().empty());
    hostsim::InstallInStandIn(sim);
}

}  // namespace
}  // namespace qz::testing
