// Win32 implementation of the platform seam, linked into the DLL only.
#include "platform/platform.h"

#include <windows.h>

static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 text is handed to Windows as is");

namespace qz::platform {

ModuleHandle FindLoadedModule(const char* name) {
    return reinterpret_cast<ModuleHandle>(GetModuleHandleA(name));
}

ProcAddress FindProcedure(ModuleHandle module, const char* name) {
    if (module == nullptr) return nullptr;
    return reinterpret_cast<ProcAddress>(GetProcAddress(static_cast<HMODULE>(module), name));
}

bool IsWindow(WindowHandle window) {
    return ::IsWindow(static_cast<HWND>(window)) != FALSE;
}

void ShowMessageBox(WindowHandle owner, const char16_t* text, const char16_t* caption,
                    uint32_t style) {
    MessageBoxW(static_cast<HWND>(owner), reinterpret_cast<const wchar_t*>(text),
                reinterpret_cast<const wchar_t*>(caption), style);
}

}  // namespace qz::platform
