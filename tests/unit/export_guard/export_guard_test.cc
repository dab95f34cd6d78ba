// Nothing thrown inside the plug-in crosses an export: whatever the plug-in's state throws (an
// allocation failure, a standard exception, anything at all), each of the seven exported
// functions still returns to the host, with its neutral result.
//
// This program compiles src/shell/exports.cc against the throwing stand-in of
// export_guard/shell/plugin.h, so that the guard itself is what runs.
#include "shell/exports.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

#include "shell/plugin.h"

namespace {

using qz::shell::Plugin;

struct Exports {
    uint32_t version;
    int16_t init, enumerate, enumerate16, status, invoke;
};

// Calls all seven, counting the calls that reached the plug-in.
Exports CallAll() {
    uint32_t flags = 0;
    unsigned char item[800] = {};
    Exports results{};
    results.version = FinaleExtensionVersion(0x19000000);
    results.init = FinaleExtensionInit(nullptr, &flags);
    results.enumerate = FinaleExtensionEnumerate(nullptr, 1, item);
    results.enumerate16 = FinaleExtensionEnumerate_UTF16(nullptr, 1, item);
    results.status = FinaleExtensionGetMenuStatus(1);
    results.invoke = FinaleExtensionInvoke(nullptr, 1, nullptr);
    FinaleExtensionTerminate();
    return results;
}

TEST(ExportGuardTest, AnswersFromThePluginPassThrough) {
    Plugin::thrower = nullptr;
    Plugin::calls = 0;
    const Exports r = CallAll();
    EXPECT_EQ(Plugin::calls, 7);
    EXPECT_EQ(r.version, 0x55u);
    EXPECT_EQ(r.init, 0x55);
    EXPECT_EQ(r.enumerate, 0x55);
    EXPECT_EQ(r.enumerate16, 0x55);
    EXPECT_EQ(r.status, 0x55);
    EXPECT_EQ(r.invoke, 0x55);
}

TEST(ExportGuardTest, EveryExportTurnsAThrowIntoTheNeutralResult) {
    const struct {
        const char* what;
        std::function<void()> thrower;
    } cases[] = {
        {"bad_alloc", [] { throw std::bad_alloc(); }},
        {"runtime_error", [] { throw std::runtime_error("host refused"); }},
        {"an int", [] { throw 7; }},
    };
    for (const auto& c : cases) {
        Plugin::thrower = c.thrower;
        Plugin::calls = 0;
        Exports r{};
        EXPECT_NO_THROW(r = CallAll()) << c.what;
        EXPECT_EQ(Plugin::calls, 7) << c.what << ": every export reached the plug-in";
        EXPECT_EQ(r.version, 0u) << c.what;
        EXPECT_EQ(r.init, 0) << c.what;
        EXPECT_EQ(r.enumerate, 0) << c.what;
        EXPECT_EQ(r.enumerate16, 0) << c.what;
        EXPECT_EQ(r.status, 0) << c.what;
        EXPECT_EQ(r.invoke, 0) << c.what;
    }
    Plugin::thrower = nullptr;
}

}  // namespace
