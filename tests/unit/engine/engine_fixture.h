// A simulated score behind a freshly loaded plug-in's binding, for engine and layer tests.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "engine/pattern_driver.h"
#include "framework/music_region.h"
#include "host/binding.h"
#include "host/eregion.h"
#include "hostsim/sim_host.h"
#include "hostsim/stand_in_install.h"

namespace qz::testing {

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        doc = &sim.AddDocument();
        hostsim::InstallInStandIn(sim);
        host::UseHost(&binding);
    }

    void TearDown() override {
        host::UseHost(nullptr);
        sim.CheckNoLeaks();
        std::string problems;
        for (const std::string& v : sim.Violations()) problems += v + "\n";
        EXPECT_TRUE(problems.empty()) << problems;
    }

    // Staves with instrument numbers 11, 12, ... in slots 1, 2, ...; `measures` 4/4 measures.
    void MakeScore(int staves, int measures) {
        for (int i = 0; i < staves; ++i) doc->AddStaff(static_cast<int16_t>(11 + i));
        doc->SetMeasureCount(measures);
    }
    static int Inst(int slot) { return 10 + slot; }

    static hostsim::EntrySpec Entry(int32_t position, int32_t duration, std::vector<int> pitches,
                                    std::vector<int> articulations = {}) {
        hostsim::EntrySpec entry;
        entry.position = position;
        entry.duration = duration;
        entry.pitches = std::move(pitches);
        entry.articulations = std::move(articulations);
        return entry;
    }

    static FCMusicRegion Region(int startSlot, int startMeasure, int endSlot, int endMeasure) {
        unsigned char record[host::eregion::kSize] = {};
        host::Store<int16_t>(record, host::eregion::kStartSlot, static_cast<int16_t>(startSlot));
        host::Store<int16_t>(record, host::eregion::kStartMeasure, static_cast<int16_t>(startMeasure));
        host::Store<int16_t>(record, host::eregion::kEndSlot, static_cast<int16_t>(endSlot));
        host::Store<int16_t>(record, host::eregion::kEndMeasure, static_cast<int16_t>(endMeasure));
        host::Store<int32_t>(record, host::eregion::kEndPosition, host::eregion::kEndOfMeasure);
        FCMusicRegion region;
        region.SetFromRecord(record);
        return region;
    }

    // Selects `destination` in the host, as the user has when choosing CREATE, and runs the driver.
    bool Create(const FCMusicRegion& source, const FCMusicRegion& destination,
                uint32_t hostVersion = 0x19000000) {
        sim.SetCurrentRegion(destination.GetStartSlot(), destination.GetStartMeasure(),
                             destination.GetEndSlot(), destination.GetEndMeasure());
        message[0] = '\0';
        return engine::CopyPatternToRegion(source, destination, hostVersion, message);
    }

    std::string Music(int slot, int measure, int layer = 0) const {
        return doc->Describe(Inst(slot), measure, layer);
    }

    // The raw stored record of entry i of a staff's measure and layer.
    unsigned char* Stored(int slot, int measure, int i, int layer = 0) {
        return doc->Entries(Inst(slot), measure, layer).at(static_cast<std::size_t>(i)).data();
    }

    hostsim::SimHost sim;
    host::HostBinding binding;
    hostsim::Document* doc = nullptr;
    char message[512] = {};
};

}  // namespace qz::testing
