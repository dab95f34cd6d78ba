// The host's main window: a real top-level window, never shown, that owns the plug-in's boxes.
#pragma once

#include <windows.h>

namespace emulator {

// Creates the window on the calling thread. Null when Windows refuses (the error is printed by
// the caller). The window lives until the process ends or DestroyWindow.
HWND CreateHostWindow();

}  // namespace emulator
