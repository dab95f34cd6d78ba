// CREATE against a hostile host and a failing allocator, run after run, each run checked byte
// for byte against the document before it and against a fault-free run.
//
// Fault sweep: every one of the seventeen host functions fails at its k-th call, for every k
// that a fault-free CREATE reaches, once and from then on; so do frame loads that hand out
// malformed frames (counts without arrays, negative counts, another place, the same pointer
// again) and inserts that come up short. Allocation countdown: the N-th allocation of the
// plug-in during CREATE fails, for every N a fault-free CREATE reaches, once and from then on.
//
// After each run: no leaked, double-freed or foreign frame and no write outside a host array;
// the source staff and everything outside the destination unchanged; every destination repeat
// whole, all its measures (entry records and attached records) as before or as the fault-free
// run left them. A failed articulation read is no fault the plug-in can see (the host answers a
// missing record the same way): nothing loads, and the repeat is rewritten without those
// articulations. Each sweep prints its number of runs and problems.
#include <cstdio>
#include <map>
#include <set>

#include "allocation_hook.h"
#include "engine/engine_fixture.h"
#include "host/exentry.h"
#include "host/frame_ops.h"
#include "memhost/region_record.h"
#include "hostsim/stand_in_install.h"
#include "platform/native_stand_in.h"
#include "shell/command_table.h"
#include "shell/plugin.h"
#include "support/score_snapshot.h"

namespace qz::testing {
namespace {

constexpr int kMeasures = 4;
constexpr int kSourceLength = 2;
const std::vector<int> kInstruments = {11, 12, 13};
const std::vector<int> kDestination = {12, 13};

// Brings every stored record into the shape the host requires of a saved frame (FixUpFrame), as
// a score the host has saved before holds them: a repeat that is undone is saved back through
// the same fix-up and must then read exactly as before.
void StoreAsTheHostKeepsIt(hostsim::Document& score) {
    for (int instrument : kInstruments)
        for (int m = 1; m <= kMeasures; ++m)
            for (int layer = 0; layer < 4; ++layer) {
                if (score.FindEntries(instrument, m, layer) == nullptr) continue;
                std::vector<hostsim::Record>& records = score.Entries(instrument, m, layer);
                std::vector<unsigned char> entries(records.size() * host::exentry::kSize);
                for (std::size_t i = 0; i < records.size(); ++i)
                    std::copy(records[i].begin(), records[i].end(), entries.begin() + i * host::exentry::kSize);
                unsigned char header[host::tgf::kHeaderSize] = {};
                host::StorePointer(header, host::tgf::kEntries, entries.data());
                host::Store<int16_t>(header, host::tgf::kEntryCount, static_cast<int16_t>(records.size()));
                host::FixUpFrame(reinterpret_cast<host::TGF*>(header));
                for (std::size_t i = 0; i < records.size(); ++i)
                    std::copy_n(entries.begin() + i * host::exentry::kSize, host::exentry::kSize, records[i].begin());
            }
}

// Articulations, details and rests: the source on staff 1 (measures 1-2); chords on staves 2
// and 3 in two layers, two repeats per layer; on staff 2 a second repeat whose rhythm the
// source does not fit and a second layer whose second repeat is empty.
void BuildScore(hostsim::Document& score) {
    for (int instrument : kInstruments) score.AddStaff(static_cast<int16_t>(instrument));
    score.SetMeasureCount(kMeasures);
    hostsim::WriteMeasure(score, 11, 1, 0, "C5/4@1+d C5/4 r/4 C5/4@2");
    hostsim::WriteMeasure(score, 11, 2, 0, "C5/2+d2 C5/2@3");
    hostsim::WriteMeasure(score, 12, 1, 0, "D4+F4/2@2 E4/2");
    hostsim::WriteMeasure(score, 12, 2, 0, "G4/1@3");
    hostsim::WriteMeasure(score, 12, 3, 0, "A4/4 B4/8 B4/8 r/2");
    hostsim::WriteMeasure(score, 12, 4, 0, "E4/1");
    hostsim::WriteMeasure(score, 12, 1, 1, "E3/1");
    hostsim::WriteMeasure(score, 12, 2, 1, "r/2 F3/2");
    hostsim::WriteMeasure(score, 13, 1, 0, "C4/4 C4/4 r/4 C4/4@4");
    hostsim::WriteMeasure(score, 13, 2, 0, "D4/2@5 D4/2");
    hostsim::WriteMeasure(score, 13, 3, 0, "F4/1");
    hostsim::WriteMeasure(score, 13, 4, 0, "G4/2 A4/2+d");
    StoreAsTheHostKeepsIt(score);
}

struct CreateRun {
    ScoreSnapshot after;
    std::vector<std::string> violations;
    int16_t result = 0;
    std::size_t boxes = 0;
    std::map<std::string, int> calls;  // host calls made by CREATE, per function
    long long allocations = 0;         // the plug-in's allocations during CREATE
    std::map<Place, std::string> notes;  // each place's entries as text, without attached data
};

// The entries of a place as text (durations, pitches, rests), without articulations and
// details: what a measure holds as music, whatever the host's bookkeeping bytes.
std::map<Place, std::string> NotesOf(const hostsim::Document& score) {
    std::map<Place, std::string> notes;
    for (int instrument : kInstruments)
        for (int m = 1; m <= kMeasures; ++m)
            for (int layer = 0; layer < 4; ++layer) {
                // Each entry's text up to its first articulation ("@n") or detail mark ("+d",
                // "+dN"); pitches joined by "+" never start with 'd'.
                std::string cleaned;
                bool skipping = false;
                const std::string text = hostsim::DescribeMeasure(score, instrument, m, layer);
                for (std::size_t i = 0; i < text.size(); ++i) {
                    if (text[i] == ' ') skipping = false;
                    else if (text[i] == '@' || (text[i] == '+' && i + 1 < text.size() && text[i + 1] == 'd'))
                        skipping = true;
                    if (!skipping) cleaned += text[i];
                }
                notes[{instrument, m, layer}] = cleaned;
            }
    return notes;
}

// An attached record's tag, from its "tag/index: bytes" text.
bool IsArticulation(const std::string& attached) {
    return attached.rfind(std::to_string(hostsim::kArticulationTag) + "/", 0) == 0;
}

// `now` is the fault-free `rewritten` measure with some articulations not carried over: the same
// records but for the articulation mark, which stays on exactly the entries that kept some; the
// same details; articulation records (their bytes, whatever index they took) drawn from the
// fault-free ones.
bool RewrittenWithFewerArticulations(const MeasureSnapshot& now, const MeasureSnapshot& rewritten) {
    if (now.size() != rewritten.size()) return false;
    const uint32_t mark = host::exentry::ENTRY_HAS_ARTICULATIONS;
    for (std::size_t i = 0; i < now.size(); ++i) {
        std::vector<unsigned char> record = now[i].record, expected = rewritten[i].record;
        host::exentry::SetFlags(record.data(), host::exentry::Flags(record.data()) & ~mark);
        host::exentry::SetFlags(expected.data(), host::exentry::Flags(expected.data()) & ~mark);
        if (record != expected) return false;
        std::vector<std::string> details, expectedDetails;
        std::multiset<std::string> available;
        for (const std::string& a : rewritten[i].attached)
            if (IsArticulation(a)) available.insert(a.substr(a.find(':')));
            else expectedDetails.push_back(a);
        int articulations = 0;
        for (const std::string& a : now[i].attached) {
            if (!IsArticulation(a)) {
                details.push_back(a);
                continue;
            }
            auto it = available.find(a.substr(a.find(':')));
            if (it == available.end()) return false;
            available.erase(it);
            ++articulations;
        }
        const bool marked = (host::exentry::Flags(now[i].record.data()) & mark) != 0;
        if (details != expectedDetails || marked != (articulations > 0)) return false;
    }
    return true;
}

using Wrapper = std::function<void(const std::function<void()>&)>;

class FaultSweepTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        hostsim::Document original(1);
        BuildScore(original);
        before_ = TakeSnapshot(original, kInstruments, kMeasures);
        beforeNotes_ = NotesOf(original);
        reference_ = RunCreate([](hostsim::SimHost&) {});
        expected_ = reference_.after;
    }


    // One run on a fresh score: SET SOURCE, then `arm`, then CREATE (inside `around`, when
    // given), both as the host calls them, on a freshly loaded plug-in.
    CreateRun RunCreate(const std::function<void(hostsim::SimHost&)>& arm, const Wrapper& around = nullptr) {
        hostsim::SimHost host;
        host.SetLogging(false);
        hostsim::Document& score = host.AddDocument();
        BuildScore(score);
        shell::Plugin plugin(host);

        const RegionRecord source = MakeRegionRecord(1, 1, 1, kSourceLength);
        const RegionRecord destination = MakeRegionRecord(2, 1, 3, kMeasures);
        host.SetCurrentRegion(1, 1, 1, kSourceLength);
        plugin.Invoke(kHostWindow, shell::kSetSourceIndex, source.data());
        host.SetCurrentRegion(2, 1, 3, kMeasures);
        std::map<std::string, int> callsBefore;
        for (const std::string& name : hostsim::SimHost::FunctionNames())
            callsBefore[name] = host.CallCount(name);
        const std::size_t boxesBefore = Boxes().size();

        CreateRun run;
        arm(host);
        const auto create = [&] {
            const long long allocations = allocation_hook::Count();
            // As the export answers: a throw that leaves the plug-in is a 0.
            try {
                run.result = plugin.Invoke(kHostWindow, shell::kCreateIndex, destination.data());
            } catch (...) {
                run.result = 0;
            }
            run.allocations = allocation_hook::Count() - allocations;
        };
        if (around) around(create); else create();

        host.ClearFaults();
        for (const std::string& name : hostsim::SimHost::FunctionNames())
            run.calls[name] = host.CallCount(name) - callsBefore[name];
        run.boxes = Boxes().size() - boxesBefore;
        host.CheckNoLeaks();
        run.violations = host.Violations();
        run.after = TakeSnapshot(score, kInstruments, kMeasures);
        run.notes = NotesOf(score);
        return run;
    }

    // The checks of one run; returns the number of problems, each also reported.
    // `partialAllowed`: the undoing writes may have been refused, so a repeat may be mixed
    // measure by measure, each measure holding the complete old or new entries (compared as
    // music: a measure the host took only the first of its two saves of keeps the bytes that
    // the second save's fix-up would have renumbered). `articulationsUnread`: articulation reads
    // failed, so a rewritten measure may lack some articulations.
    int Check(const std::string& where, const CreateRun& run, bool partialAllowed,
              bool articulationsUnread = false) {
        int problems = 0;
        for (const std::string& v : run.violations) {
            ADD_FAILURE() << where << ": " << v;
            ++problems;
        }
        for (const auto& [place, measure] : run.after) {
            const auto& [instrument, m, layer] = place;
            const bool inDestination =
                std::find(kDestination.begin(), kDestination.end(), instrument) != kDestination.end();
            if (!inDestination && measure != before_.at(place)) {
                ADD_FAILURE() << where << ": staff " << instrument << " measure " << m << " layer "
                              << layer << " outside the destination changed: " << Describe(measure);
                ++problems;
            }
        }
        for (int instrument : kDestination)
            for (int layer = 0; layer < 4; ++layer)
                for (int first = 1; first <= kMeasures; first += kSourceLength)
                    problems += CheckRepeat(where, run, instrument, layer, first, partialAllowed,
                                            articulationsUnread);
        return problems;
    }

    int CheckRepeat(const std::string& where, const CreateRun& run, int instrument, int layer, int first,
                    bool partialAllowed, bool articulationsUnread) {
        bool allOld = true, allNew = true, eachWhole = true, allNewWithFewer = articulationsUnread;
        for (int m = first; m < first + kSourceLength; ++m) {
            const Place place{instrument, m, layer};
            const MeasureSnapshot& now = run.after.at(place);
            allOld = allOld && now == before_.at(place);
            allNew = allNew && now == expected_.at(place);
            allNewWithFewer = allNewWithFewer && RewrittenWithFewerArticulations(now, expected_.at(place));
            const std::string& notes = run.notes.at(place);
            eachWhole = eachWhole && (notes == beforeNotes_.at(place) ||
                                      notes == reference_.notes.at(place));
        }
        // Articulations that cannot be read leave nothing to skip the repeat for.
        if (articulationsUnread ? allNewWithFewer : allOld || allNew || (partialAllowed && eachWhole))
            return 0;
        std::string detail;
        for (int m = first; m < first + kSourceLength; ++m) {
            const Place place{instrument, m, layer};
            detail += "\n  measure " + std::to_string(m) + " " +
                      FirstDifference(run.after.at(place), before_.at(place)) + " now " +
                      Describe(run.after.at(place)) +
                      "\n    before " + Describe(before_.at(place)) + "\n    fault-free " +
                      Describe(expected_.at(place));
        }
        ADD_FAILURE() << where << ": staff " << instrument << " layer " << layer << " repeat at "
                      << first << " is not whole:" << detail;
        return 1;
    }

    // Where `now` first differs from `then`, for failure messages.
    static std::string FirstDifference(const MeasureSnapshot& now, const MeasureSnapshot& then) {
        if (now.size() != then.size()) return "(other entry count than before)";
        for (std::size_t i = 0; i < now.size(); ++i) {
            if (now[i].attached != then[i].attached)
                return "(entry " + std::to_string(i) + ": attached records differ from before)";
            for (std::size_t b = 0; b < now[i].record.size(); ++b)
                if (now[i].record[b] != then[i].record[b])
                    return "(entry " + std::to_string(i) + " byte " + std::to_string(b) + ": " +
                           std::to_string(now[i].record[b]) + " before " +
                           std::to_string(then[i].record[b]) + ")";
        }
        return "(as before)";
    }

    ScoreSnapshot before_;
    std::map<Place, std::string> beforeNotes_;
    ScoreSnapshot expected_;
    CreateRun reference_;
};

void Summary(const char* sweep, int runs, int problems) {
    std::printf("[ SUMMARY  ] %s: %d runs, %d problems\n", sweep, runs, problems);
    ::testing::Test::RecordProperty(std::string(sweep) + " runs", runs);
    ::testing::Test::RecordProperty(std::string(sweep) + " problems", problems);
}

TEST_F(FaultSweepTest, TheFaultFreeRunRewritesTheCompatibleRepeatsWithTheirAttachedData) {
    EXPECT_EQ(reference_.result, 1);
    EXPECT_TRUE(reference_.violations.empty());
    EXPECT_EQ(Check("fault-free", reference_, false), 0);
    // Rewritten: both repeats of staff 3, the first of both layers of staff 2.
    for (const Place& place : {Place{12, 1, 0}, Place{12, 2, 1}, Place{13, 1, 0}, Place{13, 4, 0}})
        EXPECT_NE(expected_.at(place), before_.at(place)) << std::get<0>(place) << "/" << std::get<1>(place);
    // Left alone: the repeat the rhythm does not fit, and the empty one.
    for (const Place& place : {Place{12, 3, 0}, Place{12, 4, 0}, Place{12, 3, 1}})
        EXPECT_EQ(expected_.at(place), before_.at(place)) << std::get<0>(place) << "/" << std::get<1>(place);
    // Rewritten entries carry articulations and details.
    std::size_t attached = 0;
    for (const EntrySnapshot& entry : expected_.at({13, 1, 0})) attached += entry.attached.size();
    EXPECT_GE(attached, 3u);
}

TEST_F(FaultSweepTest, EveryHostFunctionFailingAtEveryCallLeavesEveryRepeatWhole) {
    struct Kind {
        std::string function;
        hostsim::FrameDefect defect;
    };
    std::vector<Kind> kinds;
    for (const std::string& name : hostsim::SimHost::FunctionNames())
        kinds.push_back({name, hostsim::FrameDefect::kNone});
    for (hostsim::FrameDefect defect :
         {hostsim::FrameDefect::kNullEntries, hostsim::FrameDefect::kNullDetails,
          hostsim::FrameDefect::kNegativeCounts, hostsim::FrameDefect::kOtherMeasure,
          hostsim::FrameDefect::kOtherLayer, hostsim::FrameDefect::kOtherSlot,
          hostsim::FrameDefect::kSamePointer})
        kinds.push_back({"FX_LoadTGF", defect});

    int runs = 0, problems = 0;
    for (const Kind& kind : kinds) {
        const int reached = reference_.calls.at(kind.function);
        for (bool persistent : {false, true})
            for (int k = 1; k <= reached; ++k) {
                hostsim::Fault fault{kind.function, k, persistent};
                fault.defect = kind.defect;
                const CreateRun run = RunCreate([&](hostsim::SimHost& host) { host.AddFault(fault); });
                ++runs;
                const std::string where = kind.function + " (defect " +
                                          std::to_string(static_cast<int>(kind.defect)) + ") #" +
                                          std::to_string(k) + (persistent ? " from then on" : " once");
                // The undoing saves can only be refused by a save fault that stays.
                const bool partial = persistent && kind.function == "FX_SaveTGF";
                problems += Check(where, run, partial, kind.function == "FX_LoadEData");
            }
    }
    Summary("fault sweep", runs, problems);
    EXPECT_GT(runs, 500);
}

TEST_F(FaultSweepTest, EveryFailingAllocationLeavesTheMusicAsItWasOrWhole) {
    const long long reached = reference_.allocations;
    ASSERT_GT(reached, 10);
    int runs = 0, problems = 0;
    for (bool persistent : {false, true})
        for (long long n = 1; n <= reached; ++n) {
            long long failed = 0;
            const CreateRun run = RunCreate([](hostsim::SimHost&) {}, [&](const std::function<void()>& create) {
                allocation_hook::ScopedFailure failure(n, persistent);
                create();
                failed = failure.Failed();
            });
            ++runs;
            const std::string where = "allocation #" + std::to_string(n) +
                                      (persistent ? " from then on" : " once");
            problems += Check(where, run, false);
            // Running out of memory ends the command quietly: no box, and never a wrong message.
            if (run.boxes != 0) {
                ADD_FAILURE() << where << ": a message box was shown";
                ++problems;
            }
            EXPECT_GE(failed, 1) << where;
        }
    Summary("allocation countdown", runs, problems);
    std::printf("[ SUMMARY  ] allocations in a fault-free CREATE: %lld\n", reached);
}

}  // namespace
}  // namespace qz::testing
