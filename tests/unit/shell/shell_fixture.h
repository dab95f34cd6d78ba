// A freshly loaded plug-in (its own Plugin state) in front of a simulated score of three staves
// (instruments 11, 12, 13 in slots 1, 2, 3) and eight 4/4 measures.
#pragma once

#include <algorithm>
#include <string>

#include "shell/command_table.h"
#include "shell/plugin.h"
#include "support/plugin_fixture.h"

namespace qz::testing {

class ShellTest : public SimFixture {
protected:
    void SetUp() override {
        SimFixture::SetUp();
        for (int16_t instrument = 11; instrument <= 13; ++instrument) doc->AddStaff(instrument);
        doc->SetMeasureCount(8);
    }

    // Makes `record` the host's current selection and returns it as the host passes it.
    const void* Select(const RegionRecord& record) {
        unsigned char raw[20];
        std::copy(record.begin(), record.end(), raw);
        sim.SetCurrentRegionRecord(raw);
        return record.data();
    }

    // The user selects `record` and picks a command.
    int16_t SetSource(const RegionRecord& record) {
        return plugin.Invoke(kHostWindow, shell::kSetSourceIndex, Select(record));
    }
    int16_t Create(const RegionRecord& record, int16_t index = shell::kCreateIndex) {
        return plugin.Invoke(kHostWindow, index, Select(record));
    }

    // Fills layer 1 of a staff's measure with four quarter notes.
    void FillMeasure(int instrument, int measure) {
        ASSERT_TRUE(hostsim::WriteMeasure(*doc, instrument, measure, 0, "C4/4 D4/4 E4/4 F4/4"));
    }

    // The text and caption of the last box, or "(no box)".
    static std::string LastBox() {
        if (Boxes().empty()) return "(no box)";
        return Narrow(Boxes().back().caption) + ": " + Narrow(Boxes().back().text);
    }

    shell::Plugin plugin{sim};
};

}  // namespace qz::testing
