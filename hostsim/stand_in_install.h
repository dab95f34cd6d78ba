// Native only: makes a SimHost the host module that the plug-in's binding finds.
#pragma once

#include <string>

#include "hostsim/sim_host.h"

namespace hostsim {

// Resets the platform stand-in, makes `host` current and registers a module `moduleName`
// ("FINALE.EXE" or "FINDEMO.EXE") exporting every FX_ function that `host` does not mark
// absent. An empty module name registers no module at all.
void InstallInStandIn(SimHost& host, const std::string& moduleName = "FINALE.EXE");

}  // namespace hostsim
