// A simulated score behind a freshly loaded plug-in's binding, for engine and layer tests.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/pattern_driver.h"
#include "framework/music_region.h"
#include "hostsim/sim_host.h"
#include "hostsim/stand_in_install.h"
#include "support/plugin_fixture.h"

namespace qz::testing {

// SimFixture with a score of plain 4/4 measures and the driver at hand.
class EngineTest : public SimFixture {
protected:
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

    FCMusicRegion Region(int startSlot, int startMeasure, int endSlot, int endMeasure) {
        FCMusicRegion region;
        region.SetFromRecord(binding, MakeRegionRecord(startSlot, startMeasure, endSlot, endMeasure).data());
        return region;
    }

    // Selects `destination` in the host, as the user has when choosing CREATE, and runs the driver.
    bool Create(const FCMusicRegion& source, const FCMusicRegion& destination,
                uint32_t hostVersion = 0x19000000) {
        sim.SetCurrentRegion(destination.GetStartSlot(), destination.GetStartMeasure(),
                             destination.GetEndSlot(), destination.GetEndMeasure());
        message[0] = '\0';
        return engine::CopyPatternToRegion(binding, source, destination, hostVersion, message);
    }

    std::string Music(int slot, int measure, int layer = 0) const {
        return hostsim::DescribeMeasure(*doc, Inst(slot), measure, layer);
    }

    // The raw stored record of entry i of a staff's measure and layer.
    unsigned char* Stored(int slot, int measure, int i, int layer = 0) {
        return doc->Entries(Inst(slot), measure, layer).at(static_cast<std::size_t>(i)).data();
    }

    char message[512] = {};
};

}  // namespace qz::testing
