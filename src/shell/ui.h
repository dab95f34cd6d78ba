// FCUI: the plug-in's user-interface services; here, the modal error box.
//
// FinaleExtensionInvoke builds one FCUI per call around the window the host passed, and the
// command flow shows each refusal through ShowError. Threading: the host's UI thread, inside the
// Invoke call; the box blocks until the user closes it.
#pragma once

#include "framework/base.h"
#include "framework/string.h"
#include "platform/platform.h"

namespace qz {

class FCUI : public __FCBase {
public:
    // `ownerWindow` is the host's window; not owned, never changed.
    explicit FCUI(platform::WindowHandle ownerWindow) : ownerWindow_(ownerWindow) {}
    const char* ClassName() const override { return "FCUI"; }

    // Shows `message` (zero-terminated 8-bit, owned by the caller; null shows an empty text)
    // under `title` (zero-terminated 8-bit, may be null) in an error box with one OK button.
    // A null or empty title gives the caption "Error".
    void ShowError(const char* message, const char* title) const;

    // The same with UTF-16 strings; `title` may be null (absent). Line feeds in the message are
    // left to the box. The box is owned by ownerWindow; a handle that names no window (a window
    // already destroyed) gives a box without owner instead, so that the message is still seen.
    void ShowError(const FCString& message, const FCString* title) const;

    platform::WindowHandle GetOwnerWindow() const { return ownerWindow_; }

private:
    platform::WindowHandle ownerWindow_;
};

// The style of every error box: MB_OK (0) with MB_ICONERROR (0x10).
inline constexpr uint32_t kErrorBoxStyle = 0x00000010;

}  // namespace qz
