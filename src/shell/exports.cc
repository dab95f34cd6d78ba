// The exported functions: forwarding to the one Plugin instance, guarded so that nothing
// thrown ever crosses back into the host.
#include "shell/exports.h"

#include <exception>

#include "host/late_bound_host.h"
#include "shell/plugin.h"

namespace {

// The C++ runtime keeps each thread's exception state in memory that it allocates the first time
// the thread throws, and ends the process when that allocation fails. Memory running out is when
// the plug-in first throws (std::bad_alloc), so the state must exist before then: asking the
// runtime how many exceptions are in flight makes it set the state up. This is done at load, on
// the loading thread, and at the start of every export, for a host that calls from another one.
// The runtime declares the question free of side effects, so its answer is stored where the
// compiler must write it; otherwise the call would be left out.
volatile int g_exceptionsInFlight = 0;
void PrepareExceptionState() noexcept { g_exceptionsInFlight = std::uncaught_exceptions(); }

[[maybe_unused]] const bool g_exceptionStateAtLoad = (PrepareExceptionState(), true);

// The plug-in's module-level state, constructed at load and destroyed at unload: the real host's
// functions, found by name when first used, and the plug-in bound to them.
qz::host::LateBoundHost g_host;
qz::shell::Plugin g_plugin{g_host};

int16_t Low16(uint32_t value) { return static_cast<int16_t>(value & 0xFFFF); }

}  // namespace

extern "C" {

uint32_t FinaleExtensionVersion(uint32_t version) {
    PrepareExceptionState();
    try {
        return g_plugin.Version(version);
    } catch (...) {
        return 0;
    }
}

int16_t FinaleExtensionInit(void* context, uint32_t* flags) {
    PrepareExceptionState();
    try {
        return g_plugin.Init(context, flags);
    } catch (...) {
        return 0;
    }
}

int16_t FinaleExtensionEnumerate(void* context, uint32_t index, void* item) {
    PrepareExceptionState();
    try {
        return g_plugin.Enumerate(context, Low16(index), item);
    } catch (...) {
        return 0;
    }
}

int16_t FinaleExtensionEnumerate_UTF16(void* context, uint32_t index, void* item) {
    PrepareExceptionState();
    try {
        return g_plugin.EnumerateUtf16(context, Low16(index), item);
    } catch (...) {
        return 0;
    }
}

int16_t FinaleExtensionGetMenuStatus(uint32_t index) {
    PrepareExceptionState();
    try {
        return g_plugin.GetMenuStatus(Low16(index));
    } catch (...) {
        return 0;
    }
}

int16_t FinaleExtensionInvoke(void* window, uint32_t index, const void* region) {
    PrepareExceptionState();
    try {
        return g_plugin.Invoke(window, Low16(index), region);
    } catch (...) {
        return 0;
    }
}

void FinaleExtensionTerminate() {
    PrepareExceptionState();
    try {
        g_plugin.Terminate();
    } catch (...) {
    }
}

}
