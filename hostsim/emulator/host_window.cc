#include "hostsim/emulator/host_window.h"

namespace emulator {

HWND CreateHostWindow() {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = L"QzHostFrame";
    RegisterClassW(&windowClass);
    // WS_OVERLAPPEDWINDOW without WS_VISIBLE: a top-level frame like the host's, but hidden,
    // so that nothing appears on a desktop and no display is needed.
    return CreateWindowExW(0, windowClass.lpszClassName, L"Host document window",
                           WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 640, 480, nullptr,
                           nullptr, instance, nullptr);
}

}  // namespace emulator
