#include "hostsim/emulator/scenario.h"

#include <cstring>

#include "hostsim/emulator/printable.h"

namespace emulator {

std::vector<Scenario>& Scenarios() {
    static std::vector<Scenario> all;
    return all;
}

const Scenario* FindScenario(const std::string& name) {
    for (const Scenario& scenario : Scenarios())
        if (name == scenario.name) return &scenario;
    return nullptr;
}

int16_t Session::Invoke(uint16_t index, const Selection& selection) {
    RegionRecord record = MakeRegionRecord(selection);
    sim.SetCurrentRegionRecord(record.bytes);
    RegionRecord passed = record;
    boxes.Clear();
    checks.Note("invoke command " + std::to_string(index) + " on " + Describe(selection));
    int16_t result = plugin.Invoke(hostWindow, index, passed.bytes);
    bool unchanged = std::memcmp(passed.bytes, record.bytes, sizeof record.bytes) == 0;
    checks.Expect(unchanged, "the region record is left as the host passed it",
                  HexBytes(passed.bytes, sizeof passed.bytes, 20));
    return result;
}

int16_t Session::InvokeWithoutRegion(uint16_t index) {
    boxes.Clear();
    checks.Note("invoke command " + std::to_string(index) + " with no region record");
    return plugin.Invoke(hostWindow, index, nullptr);
}

}  // namespace emulator
