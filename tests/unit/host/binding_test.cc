// The late binding of the host's FX_ functions: which module answers, when names are looked up,
// each function's fallback, and how arguments and results are narrowed and widened.
#include "host/binding.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "fake_host.h"
#include "host/exentry.h"
#include "host/late_bound_host.h"
#include "host/note_record.h"
#include "host/tgf.h"
#include "hostsim/sim_host.h"
#include "hostsim/stand_in_install.h"
#include "platform/native_stand_in.h"

namespace qz::host {
namespace {

namespace stand_in = platform::stand_in;

constexpr uint32_t kArticulationTag = 0x6564494D;  // passed through untranslated

// A frame in test memory: one entry without notes, so a fix-up visibly changes it.
struct TestFrame {
    unsigned char header[tgf::kHeaderSize] = {};
    unsigned char entries[exentry::kSize] = {};
    TestFrame() {
        StorePointer(header, tgf::kEntries, entries);
        Store<int16_t>(header, tgf::kEntryCount, 1);
    }
    TGF* Get() { return reinterpret_cast<TGF*>(header); }
    bool FixedUp() const {
        return exentry::RawNoteCount(entries) == 1 &&
               (exentry::Flags(entries) & exentry::ENTRY_NO_NOTES_MARK) != 0 &&
               note_record::NoteFlags(exentry::NoteAt(entries, 0)) == note_record::kPlaceholder;
    }
};

// One wrapper, called with ordinary arguments; `call` returns what a caller observes.
struct Wrapper {
    std::string name;
    int64_t fallback;
    int64_t answered;  // what it returns when the fake host answers with its defaults
    std::function<int64_t(HostBinding&)> call;
};

// The plug-in's binding over the real host's functions, as fresh as at load.
struct FreshBinding {
    LateBoundHost real;
    HostBinding binding{real};
};

class BindingTest : public ::testing::Test {
protected:
    void SetUp() override {
        stand_in::Reset();
        fake::Reset();
        fake::Answer().frame = frameAnswer_.Get();
    }
    void TearDown() override {
        stand_in::Reset();
    }

    // Every wrapper in the binding's order, with its fallback from the host-function table.
    std::vector<Wrapper> Wrappers() {
        const auto address = [](const void* p) { return static_cast<int64_t>(reinterpret_cast<uintptr_t>(p)); };
        return {
            {"FX_LoadTGF", 0, address(frameAnswer_.Get()),
             [=, this](HostBinding& b) {
                 loaded_ = b.LoadTGF(0, 1, 1, 0, 1);
                 return address(loaded_);
             }},
            {"FX_SaveTGF", 0, 7, [this](HostBinding& b) { return b.SaveTGF(Target()); }},
            {"FX_InsertEXENTRY", 0, 7,
             [this](HostBinding& b) { return b.InsertEXENTRY(Target(), 1); }},
            {"FX_DeleteEXENTRY", 0, 7,
             [this](HostBinding& b) { return b.DeleteEXENTRY(Target(), 1); }},
            {"FX_LoadEData", 0, 7,
             [this](HostBinding& b) {
                 uint32_t size = sizeof buffer_;
                 return b.LoadEData(kArticulationTag, key_, buffer_, &size, kCallVersion);
             }},
            {"FX_SaveEData", 0, 7,
             [this](HostBinding& b) {
                 return b.SaveEData(kArticulationTag, key_, buffer_, 12, kCallVersion);
             }},
            {"FX_CreateEData", 0, 7,
             [this](HostBinding& b) {
                 return b.CreateEData(kArticulationTag, key_, buffer_, 12, kCallVersion);
             }},
            {"FX_DeleteEData", 0, 7,
             [this](HostBinding& b) { return b.DeleteEData(kArticulationTag, key_, kCallVersion); }},
            {"FX_NextEData", 0, 7,
             [this](HostBinding& b) { return b.NextEData(kArticulationTag, key_, kCallVersion); }},
            {"FX_SlotToInst", 0, 7, [](HostBinding& b) { return b.SlotToInst(1, 0); }},
            {"FX_InstToSlot", 0, 7, [](HostBinding& b) { return b.InstToSlot(1); }},
            {"FX_GetCurERegions", 0xEE, 0x5A,
             [](HostBinding& b) {
                 unsigned char region[20];
                 std::memset(region, 0xEE, sizeof region);
                 b.GetCurERegions(region);
                 // All 20 bytes are either untouched or the host's.
                 for (unsigned char byte : region)
                     if (byte != region[0]) return int64_t{-1};
                 return int64_t{region[0]};
             }},
            {"FX_GetTGFDuration", 0, 70000,
             [this](HostBinding& b) { return b.GetTGFDuration(Target()); }},
            {"FX_GetShowLayer", 0, 7, [](HostBinding& b) { return b.GetShowLayer(0); }},
            {"FX_GetCurrentEnigmaDocument", 0, 7,
             [](HostBinding& b) { return b.GetCurrentEnigmaDocument(); }},
            {"FX_GetMaxLayers", 4, 7, [](HostBinding& b) { return b.GetMaxLayers(); }},
            // Last, so that the frame the list loaded is given back after its other uses.
            {"FX_FreeTGF", 0, 0,
             [this](HostBinding& b) {
                 b.FreeTGF(Target());
                 loaded_ = nullptr;
                 return int64_t{0};
             }},
        };
    }

    // Calls every wrapper once on a fresh binding and checks that exactly the functions in
    // `missing` gave their fallbacks and never reached the fake host.
    void ExpectOnlyMissingFallBack(const std::vector<std::string>& missing,
                                   const std::string& context) {
        FreshBinding freshHost;
        HostBinding& fresh = freshHost.binding;
        for (Wrapper& w : Wrappers()) {
            const bool isMissing =
                std::find(missing.begin(), missing.end(), w.name) != missing.end();
            fake::Calls().clear();
            const int64_t got = w.call(fresh);
            EXPECT_EQ(got, isMissing ? w.fallback : w.answered) << context << ": " << w.name;
            EXPECT_EQ(fake::CallCount(w.name), isMissing ? 0 : 1) << context << ": " << w.name;
        }
    }

    // The frame the frame wrappers work on: the one the list's LoadTGF returned, if any.
    TGF* Target() { return loaded_ != nullptr ? loaded_ : frame_.Get(); }

    LateBoundHost real_;
    HostBinding binding_{real_};
    TGF* loaded_ = nullptr;
    TestFrame frame_;
    TestFrame frameAnswer_;
    unsigned char key_[8] = {};
    unsigned char buffer_[32] = {};
};

TEST_F(BindingTest, WhichFunctionsFallBackDependsOnTheModulesLoaded) {
    const std::vector<std::string> all = fake::FunctionNames();
    struct Case {
        std::string what;
        std::function<void()> load;
        std::vector<std::string> missing;
    };
    std::vector<Case> cases = {
        {"no host module", [] {}, all},
        {"a module without functions", [] { stand_in::AddModule("FINALE.EXE"); }, all},
        {"FINDEMO.EXE only", [] { fake::RegisterAll(stand_in::AddModule("FINDEMO.EXE")); }, {}},
        // The binding stays with FINALE.EXE, even when it exports nothing.
        {"both, FINALE.EXE empty",
         [] {
             stand_in::AddModule("FINALE.EXE");
             fake::RegisterAll(stand_in::AddModule("FINDEMO.EXE"));
         },
         all},
        {"both, FINALE.EXE full",
         [] {
             fake::RegisterAll(stand_in::AddModule("FINALE.EXE"));
             stand_in::AddModule("FINDEMO.EXE");
         },
         {}},
    };
    for (const std::string& name : all)
        cases.push_back({"without " + name, [name] { fake::RegisterAll(stand_in::AddModule("FINALE.EXE"), name); },
                         {name}});
    for (const Case& c : cases) {
        stand_in::Reset();
        c.load();
        ExpectOnlyMissingFallBack(c.missing, c.what);
        if (c.what == "no host module") {
            EXPECT_EQ(stand_in::ProcedureLookups(), 0) << "no module, so no procedure lookups";
        }
    }
}

TEST_F(BindingTest, TheFrameIsFixedUpWhetherOrNotTheHostHasTheFunction) {
    for (bool exported : {false, true}) {
        stand_in::Reset();
        platform::ModuleHandle module = stand_in::AddModule("FINALE.EXE");
        if (exported) fake::RegisterAll(module);
        for (const char* name : {"SaveTGF", "InsertEXENTRY", "DeleteEXENTRY"}) {
            FreshBinding freshHost;
            HostBinding& fresh = freshHost.binding;
            TestFrame frame;
            fake::Calls().clear();
            int result = -1;
            if (std::string(name) == "SaveTGF") result = fresh.SaveTGF(frame.Get());
            if (std::string(name) == "InsertEXENTRY") result = fresh.InsertEXENTRY(frame.Get(), 2);
            if (std::string(name) == "DeleteEXENTRY") result = fresh.DeleteEXENTRY(frame.Get(), 1);
            EXPECT_EQ(result, exported ? 7 : 0) << name;
            EXPECT_EQ(fake::CallCount(std::string("FX_") + name), exported ? 1 : 0) << name;
            EXPECT_TRUE(frame.FixedUp()) << name << " did not fix the frame up";
        }
    }
}

// A document with one staff (slot 1) and one measure of three entries.
void BuildOneMeasure(hostsim::SimHost& sim) {
    hostsim::Document& doc = sim.AddDocument();
    doc.AddStaff(1);
    doc.SetMeasureCount(1);
    hostsim::WriteMeasure(doc, 1, 1, 0, "C4/4 r/4 E4/2");
}

TEST_F(BindingTest, WithBothModulesEveryCallReachesTheFullProgramWithTheInterfaceVersion) {
    hostsim::SimHost sim;
    BuildOneMeasure(sim);
    hostsim::InstallInStandIn(sim, "FINALE.EXE");
    fake::RegisterAll(stand_in::AddModule("FINDEMO.EXE"));
    sim.ClearCalls();
    for (Wrapper& w : Wrappers()) w.call(binding_);
    EXPECT_TRUE(fake::Calls().empty()) << fake::Calls().size() << " calls reached FINDEMO.EXE";
    for (const std::string& name : fake::FunctionNames())
        EXPECT_EQ(sim.CallCount(name), 1) << name;
    ASSERT_EQ(sim.Calls().size(), 17u);
    for (const hostsim::Call& call : sim.Calls()) {
        ASSERT_FALSE(call.args.empty()) << call.name;
        EXPECT_EQ(call.args.back(), int64_t{kCallVersion}) << call.name;
    }
    sim.CheckNoLeaks();
    EXPECT_TRUE(sim.Violations().empty()) << sim.Violations().front();
}

TEST_F(BindingTest, AFoundModuleIsLookedUpOnce) {
    struct Case {
        std::string modules;  // which modules are loaded
        int lookups;          // FINALE.EXE first, then FINDEMO.EXE when it is absent
    };
    for (const Case& c : {Case{"FINALE.EXE", 1}, Case{"FINDEMO.EXE", 2}}) {
        stand_in::Reset();
        if (!c.modules.empty()) fake::RegisterAll(stand_in::AddModule(c.modules));
        FreshBinding freshHost;
        HostBinding& fresh = freshHost.binding;
        for (int round = 0; round < 3; ++round)
            for (Wrapper& w : Wrappers()) w.call(fresh);
        EXPECT_EQ(stand_in::ModuleLookups(), c.lookups) << "modules: '" << c.modules << "'";
        EXPECT_EQ(stand_in::ProcedureLookups(), 17) << "modules: '" << c.modules << "'";
    }
}

TEST_F(BindingTest, AModuleMissingAtFirstUseIsFoundLaterAndThenKept) {
    FreshBinding freshHost;
    HostBinding& fresh = freshHost.binding;
    EXPECT_EQ(fresh.GetMaxLayers(), 4);
    EXPECT_EQ(fresh.SlotToInst(1, 0), 0);
    EXPECT_EQ(stand_in::ModuleLookups(), 4) << "both names, at each of the two calls";
    EXPECT_EQ(stand_in::ProcedureLookups(), 0);
    fake::RegisterAll(stand_in::AddModule("FINALE.EXE"));  // the host module appears
    for (Wrapper& w : Wrappers()) EXPECT_EQ(w.call(fresh), w.answered) << w.name;
    EXPECT_EQ(stand_in::ModuleLookups(), 5);
    EXPECT_EQ(stand_in::ProcedureLookups(), 17);
}

TEST_F(BindingTest, AFunctionMissingAtFirstUseStaysMissing) {
    for (Wrapper& w : Wrappers()) {
        stand_in::Reset();
        platform::ModuleHandle module = stand_in::AddModule("FINALE.EXE");
        fake::RegisterAll(module, w.name);
        FreshBinding freshHost;
        HostBinding& fresh = freshHost.binding;
        EXPECT_EQ(w.call(fresh), w.fallback) << w.name;
        EXPECT_EQ(stand_in::ProcedureLookups(), 1) << w.name;
        stand_in::AddProcedure(module, w.name, fake::FunctionNamed(w.name));  // exported late
        fake::Calls().clear();
        EXPECT_EQ(w.call(fresh), w.fallback) << w.name << " after it appeared";
        EXPECT_EQ(stand_in::ProcedureLookups(), 1) << w.name << " was looked up again";
        EXPECT_EQ(fake::CallCount(w.name), 0) << w.name;
    }
}

TEST_F(BindingTest, NumbersReachTheHostAsTheirLow16BitsAndPointersUnchanged) {
    fake::RegisterAll(stand_in::AddModule("FINALE.EXE"));
    uint32_t size = 30;
    binding_.LoadTGF(0x10002, 0x2FFFF, 0x30005, 0x40003, 0x50001);
    binding_.InsertEXENTRY(frame_.Get(), 0x10003);
    binding_.DeleteEXENTRY(frame_.Get(), 0x7FFF0004);
    binding_.SlotToInst(0x1ABCD, 0x20001);
    binding_.SlotToInst(-1, -2);
    binding_.InstToSlot(0x70009);
    binding_.GetShowLayer(0x10002);
    binding_.LoadEData(0x45035450, key_, buffer_, &size, kCallVersion);
    binding_.SaveEData(0x45035450, key_, buffer_, 30, kCallVersion);
    binding_.CreateEData(kArticulationTag, key_, buffer_, 12, kCallVersion);
    binding_.DeleteEData(kArticulationTag, key_, kCallVersion);
    binding_.NextEData(kArticulationTag, key_, kCallVersion);
    const auto a = [](const void* p) { return static_cast<uint64_t>(reinterpret_cast<uintptr_t>(p)); };
    const uint64_t frame = a(frame_.Get());
    const std::vector<fake::Call> expected = {
        {"FX_LoadTGF", {2, 0xFFFF, 5, 3, 1, kCallVersion}},
        {"FX_InsertEXENTRY", {frame, 0, 3, kCallVersion}},
        {"FX_DeleteEXENTRY", {frame, 0, 4, kCallVersion}},
        {"FX_SlotToInst", {0xABCD, 1, kCallVersion}},
        {"FX_SlotToInst", {0xFFFF, 0xFFFE, kCallVersion}},
        {"FX_InstToSlot", {9, 0, kCallVersion}},
        {"FX_GetShowLayer", {2, kCallVersion}},
        {"FX_LoadEData", {0x45035450, a(key_), a(buffer_), a(&size), kCallVersion}},
        {"FX_SaveEData", {0x45035450, a(key_), a(buffer_), 30, kCallVersion}},
        {"FX_CreateEData", {kArticulationTag, a(key_), a(buffer_), 12, kCallVersion}},
        {"FX_DeleteEData", {kArticulationTag, a(key_), kCallVersion}},
        {"FX_NextEData", {kArticulationTag, a(key_), 0, 0, kCallVersion}},
    };
    ASSERT_EQ(fake::Calls().size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(fake::Calls()[i].name, expected[i].name) << "call " << i;
        EXPECT_EQ(fake::Calls()[i].args, expected[i].args) << expected[i].name;
    }
}

TEST_F(BindingTest, GetCurERegionsGivesTheHostTwoScratchAreasAndTheRegion) {
    fake::RegisterAll(stand_in::AddModule("FINALE.EXE"));
    unsigned char region[20] = {};
    binding_.GetCurERegions(region);
    ASSERT_EQ(fake::Calls().size(), 1u);
    const fake::Call& call = fake::Calls()[0];
    ASSERT_EQ(call.args.size(), 4u);
    EXPECT_NE(call.args[0], 0u);
    EXPECT_NE(call.args[1], 0u);
    EXPECT_EQ(call.args[2], reinterpret_cast<uintptr_t>(region));
    EXPECT_EQ(call.args[3], kCallVersion);
    EXPECT_EQ(region[19], 0x5A);
}

TEST_F(BindingTest, ResultsAreWidenedAsEachFunctionsTableSays) {
    fake::RegisterAll(stand_in::AddModule("FINALE.EXE"));
    fake::Answer().result16 = -5;
    fake::Answer().duration = -100000;
    uint32_t size = 30;
    struct Case {
        const char* name;
        int64_t got;
        int64_t expected;
    };
    const Case cases[] = {
        // Extended-data loads and saves read the host's 16 bits as unsigned...
        {"LoadEData", binding_.LoadEData(0x45035450, key_, buffer_, &size, kCallVersion), 65531},
        {"SaveEData", binding_.SaveEData(0x45035450, key_, buffer_, 30, kCallVersion), 65531},
        // ...every other 16-bit result as signed.
        {"CreateEData", binding_.CreateEData(kArticulationTag, key_, buffer_, 12, kCallVersion), -5},
        {"DeleteEData", binding_.DeleteEData(kArticulationTag, key_, kCallVersion), -5},
        {"NextEData", binding_.NextEData(kArticulationTag, key_, kCallVersion), -5},
        {"SaveTGF", binding_.SaveTGF(frame_.Get()), -5},
        {"InsertEXENTRY", binding_.InsertEXENTRY(frame_.Get(), 1), -5},
        {"DeleteEXENTRY", binding_.DeleteEXENTRY(frame_.Get(), 1), -5},
        {"SlotToInst", binding_.SlotToInst(1, 0), -5},
        {"InstToSlot", binding_.InstToSlot(1), -5},
        {"GetShowLayer", binding_.GetShowLayer(1), -5},
        {"GetCurrentEnigmaDocument", binding_.GetCurrentEnigmaDocument(), -5},
        {"GetMaxLayers", binding_.GetMaxLayers(), -5},
        // A duration is a full 32-bit value.
        {"GetTGFDuration", binding_.GetTGFDuration(frame_.Get()), -100000},
    };
    for (const Case& c : cases) EXPECT_EQ(c.got, c.expected) << c.name;
}

}  // namespace
}  // namespace qz::host
