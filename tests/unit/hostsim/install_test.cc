#include "host/binding.h"
#include "host/late_bound_host.h"
#include "hostsim/stand_in_install.h"
#include "hostsim_fixture.h"
#include "platform/native_stand_in.h"
#include "platform/platform.h"

namespace hostsim::testing {
namespace {

namespace platform = qz::platform;

TEST_F(HostsimTest, InstallerRegistersEveryFunctionThatIsNotAbsent) {
    sim.SetAbsent("FX_GetMaxLayers");
    sim.SetAbsent("FX_SaveTGF");
    InstallInStandIn(sim);
    platform::ModuleHandle module = platform::FindLoadedModule("FINALE.EXE");
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(platform::FindLoadedModule("FINDEMO.EXE"), nullptr);
    int found = 0;
    for (const std::string& name : SimHost::FunctionNames()) {
        platform::ProcAddress address = platform::FindProcedure(module, name.c_str());
        bool absent = name == "FX_GetMaxLayers" || name == "FX_SaveTGF";
        EXPECT_EQ(address == nullptr, absent) << name;
        EXPECT_EQ(address, absent ? nullptr : FxFunctionAddress(name)) << name;
        found += address != nullptr;
    }
    EXPECT_EQ(found, 15);
    EXPECT_EQ(SimHost::FunctionNames().size(), 17u);
}

TEST_F(HostsimTest, InstallerResetsTheStandInAndTakesTheModuleName) {
    platform::stand_in::AddModule("OTHER.EXE");
    InstallInStandIn(sim, "FINDEMO.EXE");
    EXPECT_EQ(platform::FindLoadedModule("OTHER.EXE"), nullptr);
    EXPECT_EQ(platform::FindLoadedModule("FINALE.EXE"), nullptr);
    EXPECT_NE(platform::FindProcedure(platform::FindLoadedModule("FINDEMO.EXE"), "FX_LoadTGF"),
              nullptr);
    InstallInStandIn(sim, "");
    EXPECT_EQ(platform::FindLoadedModule("FINDEMO.EXE"), nullptr);
}

TEST_F(HostsimTest, PluginBindingReachesTheInstalledHost) {
    SimHost other;  // not current: installing makes it so
    other.AddDocument().AddStaff(77);
    InstallInStandIn(other);
    EXPECT_EQ(SimHost::Current(), &other);
    qz::host::LateBoundHost real;
    qz::host::HostBinding binding(real);
    EXPECT_EQ(binding.SlotToInst(1, 0), 77);
    EXPECT_EQ(other.CallCount("FX_SlotToInst"), 1);
    EXPECT_EQ(sim.CallCount("FX_SlotToInst"), 0);
    sim.MakeCurrent();
}

}  // namespace
}  // namespace hostsim::testing
