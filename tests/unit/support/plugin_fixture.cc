#include "support/plugin_fixture.h"

#include "host/bytes.h"
#include "host/eregion.h"
#include "hostsim/stand_in_install.h"

namespace qz::testing {

namespace er = host::eregion;

RegionRecord MakeRegionRecord(int startSlot, int startMeasure, int endSlot, int endMeasure,
                              int32_t startPosition, int32_t endPosition, int16_t startSlotScope,
                              int16_t endSlotScope) {
    RegionRecord record{};
    host::Store<int16_t>(record.data(), er::kStartSlotScope, startSlotScope);
    host::Store<int16_t>(record.data(), er::kStartSlot, static_cast<int16_t>(startSlot));
    host::Store<int16_t>(record.data(), er::kStartMeasure, static_cast<int16_t>(startMeasure));
    host::Store<int32_t>(record.data(), er::kStartPosition, startPosition);
    host::Store<int16_t>(record.data(), er::kEndSlotScope, endSlotScope);
    host::Store<int16_t>(record.data(), er::kEndSlot, static_cast<int16_t>(endSlot));
    host::Store<int16_t>(record.data(), er::kEndMeasure, static_cast<int16_t>(endMeasure));
    host::Store<int32_t>(record.data(), er::kEndPosition, endPosition);
    return record;
}

std::string Narrow(const std::u16string& text) {
    std::string narrow;
    for (char16_t unit : text) narrow += unit < 0x80 ? static_cast<char>(unit) : '?';
    return narrow;
}

void SimFixture::SetUp() {
    doc = &sim.AddDocument();
    hostsim::InstallInStandIn(sim);
    platform::stand_in::AddWindow(kHostWindow);
    host::UseHost(&binding);
}

void SimFixture::Reinstall(const std::string& moduleName) {
    hostsim::InstallInStandIn(sim, moduleName);
    platform::stand_in::AddWindow(kHostWindow);
    binding = host::HostBinding{};
    host::UseHost(&binding);
}

void SimFixture::TearDown() {
    host::UseHost(nullptr);
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
