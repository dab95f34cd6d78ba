#include "support/plugin_fixture.h"

#include "hostsim/stand_in_install.h"

namespace qz::testing {

std::string Narrow(const std::u16string& text) {
    std::string narrow;
    for (char16_t unit : text) narrow += unit < 0x80 ? static_cast<char>(unit) : '?';
    return narrow;
}

void SimFixture::SetUp() {
    doc = &sim.AddDocument();
    hostsim::InstallInStandIn(sim);
    platform::stand_in::AddWindow(kHostWindow);
}

void SimFixture::Reinstall(const std::string& moduleName) {
    hostsim::InstallInStandIn(sim, moduleName);
    platform::stand_in::AddWindow(kHostWindow);
}

void SimFixture::TearDown() {
    sim.CheckNoLeaks();
    std::string problems;
    for (const std::string& violation : sim.Violations()) problems += violation + "\n";
    EXPECT_TRUE(problems.empty()) << problems;
    platform::stand_in::Reset();
}

const std::vector<platform::stand_in::MessageBoxRecord>& SimFixture::Boxes() {
    return platform::stand_in::MessageBoxes();
}

std::vector<std::string> SimFixture::CallNames() const {
    std::vector<std::string> names;
    for (const hostsim::Call& call : sim.Calls()) names.push_back(call.name);
    return names;
}

}  // namespace qz::testing
