// The native stand-in of the platform seam answers "not found" to missing names and to handles
// it never gave out, as the system does, so the binding's fallbacks can be tested natively.
#include <gtest/gtest.h>

#include "platform/native_stand_in.h"
#include "platform/platform.h"

namespace qz::platform {
namespace {

void Target() {}

TEST(PlatformStandInTest, MissingNamesAndUnknownHandlesFindNothing) {
    stand_in::Reset();
    const ModuleHandle module = stand_in::AddModule("HOST.EXE");
    stand_in::AddProcedure(module, "FX_Here", reinterpret_cast<ProcAddress>(&Target));

    EXPECT_EQ(FindLoadedModule("HOST.EXE"), module);
    EXPECT_EQ(FindLoadedModule(nullptr), nullptr);
    EXPECT_EQ(FindLoadedModule("OTHER.EXE"), nullptr);

    EXPECT_EQ(FindProcedure(module, "FX_Here"), reinterpret_cast<ProcAddress>(&Target));
    EXPECT_EQ(FindProcedure(module, nullptr), nullptr);
    EXPECT_EQ(FindProcedure(nullptr, "FX_Here"), nullptr);
    EXPECT_EQ(FindProcedure(module, "FX_Elsewhere"), nullptr);
    const auto foreign = reinterpret_cast<ModuleHandle>(reinterpret_cast<uintptr_t>(module) + 1);
    EXPECT_EQ(FindProcedure(foreign, "FX_Here"), nullptr) << "a handle it never gave out";
    EXPECT_EQ(stand_in::ModuleLookups(), 3);
    EXPECT_EQ(stand_in::ProcedureLookups(), 5);
    stand_in::Reset();
}

}  // namespace
}  // namespace qz::platform
