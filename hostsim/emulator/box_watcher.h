// Observes and dismisses the message boxes that the plug-in shows.
//
// A WH_CBT hook on the emulator's thread sees every window being activated. For a dialog of
// class "#32770" (the class of a message box) it records what the user would see, then posts
// IDOK to it so that MessageBoxW returns and the plug-in carries on. The box is never displayed
// for real: under Wine's null graphics driver nothing is drawn at all.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace emulator {

// The icon of a box, recognised by comparing the handle in its icon control with the system
// icons (LoadIconW(nullptr, IDI_...)), which Windows and Wine share between all users.
enum class BoxIcon { kNone, kError, kWarning, kInformation, kQuestion, kOther };
const char* BoxIconName(BoxIcon icon);

struct BoxRecord {
    std::u16string caption;            // GetWindowTextW of the box
    std::u16string text;               // GetDlgItemTextW of the text control (id 0xFFFF)
    std::vector<int> buttons;          // ids of the push buttons present (IDOK, IDCANCEL, ...)
    BoxIcon icon = BoxIcon::kNone;
    HWND owner = nullptr;              // GetWindow(box, GW_OWNER)
    bool modalToOwner = false;         // the owner was disabled while the box was up
};

class BoxWatcher {
public:
    // Installs the hook on the calling thread. One watcher per thread.
    BoxWatcher();
    ~BoxWatcher();
    BoxWatcher(const BoxWatcher&) = delete;
    BoxWatcher& operator=(const BoxWatcher&) = delete;

    bool Installed() const { return hook_ != nullptr; }
    const std::vector<BoxRecord>& Boxes() const { return boxes_; }
    void Clear() { boxes_.clear(); }

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam);
    void Record(HWND box);

    HHOOK hook_ = nullptr;
    std::vector<BoxRecord> boxes_;
};

// "IDOK", "IDCANCEL", ... for a button id.
const char* ButtonName(int id);

}  // namespace emulator
