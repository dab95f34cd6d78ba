// A simulated host with one document for the simulator's own tests, called through the FX_
// functions as the plug-in calls them.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "host/exentry.h"
#include "host/host_abi.h"
#include "host/tgf.h"
#include "hostsim/fx_api.h"
#include "hostsim/sim_host.h"

namespace hostsim::testing {

inline constexpr uint32_t kV = qz::host::kCallVersion;

class HostsimTest : public ::testing::Test {
protected:
    void SetUp() override {
        sim.MakeCurrent();
        doc = &sim.AddDocument();
        doc->AddStaff(11);
        doc->AddStaff(12);
        doc->SetMeasureCount(4);
    }

    std::string Violations() const {
        std::string all;
        for (const std::string& v : sim.Violations()) all += v + "\n";
        return all;
    }

    bool HasViolation(const std::string& part) const {
        return Violations().find(part) != std::string::npos;
    }

    static qz::host::TGF* LoadFrame(int slot, int measure, int layer = 0) {
        return FX_LoadTGF(0, static_cast<uint16_t>(slot), static_cast<uint16_t>(measure),
                          static_cast<uint16_t>(layer), 0, kV);
    }

    SimHost sim;
    Document* doc = nullptr;
};

}  // namespace hostsim::testing
