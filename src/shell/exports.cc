// The exported functions: forwarding to the one Plugin instance, guarded so that nothing
// thrown ever crosses back into the host.
#include "shell/exports.h"

#include "shell/plugin.h"

namespace {

// The plug-in's module-level state, constructed at load and destroyed at unload.
qz::shell::Plugin g_plugin;

int16_t Low16(uint32_t value) { return static_cast<int16_t>(value & 0xFFFF); }

}  // namespace

extern "C" {

uint32_t FinaleExtensionVersion(uint32_t version) {
    try {
        return g_plugin.Version(version);
    } catch (...) {
        return 0;
    }
}

int16_t FinaleExtensionInit(void* context, uint32_t* flags) {
    try {
        return g_plugin.Init(context, flags);
    } catch (...) {
        return 0;
    }
}

int16_t FinaleExtensionEnumerate(void* context, uint32_t index, void* item) {
    try {
        return g_plugin.Enumerate(context, Low16(index), item);
    } catch (...) {
        return 0;
    }
}

int16_t FinaleExtensionEnumerate_UTF16(void* context, uint32_t index, void* item) {
    try {
        return g_plugin.EnumerateUtf16(context, Low16(index), item);
    } catch (...) {
        return 0;
    }
}

int16_t FinaleExtensionGetMenuStatus(uint32_t index) {
    try {
        return g_plugin.GetMenuStatus(Low16(index));
    } catch (...) {
        return 0;
    }
}

int16_t FinaleExtensionInvoke(void* window, uint32_t index, const void* region) {
    try {
        return g_plugin.Invoke(window, Low16(index), region);
    } catch (...) {
        return 0;
    }
}

void FinaleExtensionTerminate() {
    try {
        g_plugin.Terminate();
    } catch (...) {
    }
}

}
