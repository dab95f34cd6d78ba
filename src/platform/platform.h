// The only doorway from the plug-in to the operating system.
//
// Everything above this folder is portable C++: it never includes <windows.h> and never names a
// compiler extension. The DLL links platform_win32.cc; native builds and unit tests link
// platform_native.cc, an in-process stand-in whose tables a test fills (native_stand_in.h).
//
// Threading: every function is called on the host's user-interface thread, one call at a time.
#pragma once

#include <cstdint>

namespace qz::platform {

// Opaque handle of a module that is already loaded into the process. Never owned: the plug-in
// neither loads nor releases modules.
using ModuleHandle = void*;

// Address of an exported procedure, to be cast to its real signature by the caller.
using ProcAddress = void (*)();

// Opaque window handle (HWND on Windows). Never owned.
using WindowHandle = void*;

// Returns the handle of the loaded module with this exact file name ("FINALE.EXE"), or null when
// no such module is loaded. Does not load anything. `name` is owned by the caller.
ModuleHandle FindLoadedModule(const char* name);

// Returns the address of the procedure `name` exported by `module`, or null when the module is
// null or does not export it. `name` is owned by the caller.
ProcAddress FindProcedure(ModuleHandle module, const char* name);

// True when `window` names an existing window.
bool IsWindow(WindowHandle window);

// Shows a modal message box owned by `owner` and returns when the user has closed it.
// `text` and `caption` are zero-terminated UTF-16 strings owned by the caller; `style` is the
// Windows MB_ style word. The answer of the box is not reported: no caller needs it.
void ShowMessageBox(WindowHandle owner, const char16_t* text, const char16_t* caption,
                    uint32_t style);

}  // namespace qz::platform
