#include "hostsim/fx_api.h"
#include "hostsim/stand_in_install.h"
#include "platform/native_stand_in.h"

namespace hostsim {

void InstallInStandIn(SimHost& host, const std::string& moduleName) {
    namespace stand_in = qz::platform::stand_in;
    stand_in::Reset();
    host.MakeCurrent();
    if (moduleName.empty()) return;
    qz::platform::ModuleHandle module = stand_in::AddModule(moduleName);
    for (const std::string& name : SimHost::FunctionNames())
        if (!host.IsAbsent(name)) stand_in::AddProcedure(module, name, FxFunctionAddress(name));
}

}  // namespace hostsim
