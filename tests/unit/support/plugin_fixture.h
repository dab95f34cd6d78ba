// SimFixture: a simulated host behind a freshly loaded plug-in's binding.
//
// SetUp creates document 1 in `sim`, installs `sim` in the platform stand-in (which resets the
// stand-in), so that the real host's lookup finds it, and registers kHostWindow as a live window.
// `binding` reaches `sim` directly. TearDown checks that the simulator saw no
// leaked frame or other violation, and resets the stand-in. Tests derive from it and add their
// own staves, measures and state.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "host/binding.h"
#include "memhost/region_record.h"
#include "hostsim/sim_host.h"
#include "platform/native_stand_in.h"

namespace qz::testing {

// A raw 20-byte ERegion record, as the host passes it.
using hostsim::RegionRecord;
using hostsim::MakeRegionRecord;

// ASCII view of a UTF-16 text, for messages on failure ('?' for units above 0x7F).
std::string Narrow(const std::u16string& text);

class SimFixture : public ::testing::Test {
protected:
    // The window handle tests pass as the host's window; IsWindow knows it.
    static inline void* const kHostWindow = reinterpret_cast<void*>(0x5150);

    void SetUp() override;
    void TearDown() override;

    // Installs `sim` in the stand-in again, after functions were marked absent (SetAbsent) or the
    // module name changed, with the window registered again.
    void Reinstall(const std::string& moduleName = "FINALE.EXE");

    // Message boxes recorded by the stand-in so far.
    static const std::vector<platform::stand_in::MessageBoxRecord>& Boxes();
    // The names of the host calls logged since the last ClearCalls, in order.
    std::vector<std::string> CallNames() const;

    hostsim::SimHost sim;
    host::HostBinding binding{sim};
    hostsim::Document* doc = nullptr;
};

}  // namespace qz::testing
