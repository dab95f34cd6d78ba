#include "hostsim/emulator/box_watcher.h"

#include <iterator>

namespace emulator {

namespace {

BoxWatcher* g_watcher = nullptr;

struct ButtonId {
    int id;
    const char* name;
};

// Every button a message box can have.
constexpr ButtonId kButtons[] = {
    {IDOK, "IDOK"},         {IDCANCEL, "IDCANCEL"},     {IDABORT, "IDABORT"},
    {IDRETRY, "IDRETRY"},   {IDIGNORE, "IDIGNORE"},     {IDYES, "IDYES"},
    {IDNO, "IDNO"},         {IDHELP, "IDHELP"},         {IDTRYAGAIN, "IDTRYAGAIN"},
    {IDCONTINUE, "IDCONTINUE"}};

std::u16string WindowText(HWND window) {
    wchar_t buffer[2048];
    int length = GetWindowTextW(window, buffer, static_cast<int>(std::size(buffer)));
    return std::u16string(reinterpret_cast<const char16_t*>(buffer),
                          static_cast<std::size_t>(length > 0 ? length : 0));
}

std::u16string ItemText(HWND dialog, int id) {
    wchar_t buffer[2048];
    UINT length = GetDlgItemTextW(dialog, id, buffer, static_cast<int>(std::size(buffer)));
    return std::u16string(reinterpret_cast<const char16_t*>(buffer), length);
}

bool IsClass(HWND window, const wchar_t* name) {
    wchar_t buffer[64];
    if (GetClassNameW(window, buffer, static_cast<int>(std::size(buffer))) == 0) return false;
    return lstrcmpiW(buffer, name) == 0;
}

BoxIcon Classify(HICON icon) {
    if (icon == nullptr) return BoxIcon::kNone;
    if (icon == LoadIconW(nullptr, IDI_ERROR)) return BoxIcon::kError;
    if (icon == LoadIconW(nullptr, IDI_WARNING)) return BoxIcon::kWarning;
    if (icon == LoadIconW(nullptr, IDI_INFORMATION)) return BoxIcon::kInformation;
    if (icon == LoadIconW(nullptr, IDI_QUESTION)) return BoxIcon::kQuestion;
    return BoxIcon::kOther;
}

// The box's icon sits in a static control of type SS_ICON; its id differs between Windows
// versions and Wine (20 there, 1088 here), so every child is looked at.
BOOL CALLBACK FindIcon(HWND child, LPARAM found) {
    if (!IsClass(child, L"Static")) return TRUE;
    LONG_PTR style = GetWindowLongPtrW(child, GWL_STYLE);
    if ((style & SS_TYPEMASK) != SS_ICON) return TRUE;
    auto icon = reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0));
    *reinterpret_cast<BoxIcon*>(found) = Classify(icon);
    return FALSE;
}

}  // namespace

const char* BoxIconName(BoxIcon icon) {
    switch (icon) {
        case BoxIcon::kNone: return "none";
        case BoxIcon::kError: return "error";
        case BoxIcon::kWarning: return "warning";
        case BoxIcon::kInformation: return "information";
        case BoxIcon::kQuestion: return "question";
        case BoxIcon::kOther: return "other";
    }
    return "?";
}

const char* ButtonName(int id) {
    for (const ButtonId& button : kButtons)
        if (button.id == id) return button.name;
    return "?";
}

BoxWatcher::BoxWatcher() {
    g_watcher = this;
    hook_ = SetWindowsHookExW(WH_CBT, &BoxWatcher::Hook, nullptr, GetCurrentThreadId());
}

BoxWatcher::~BoxWatcher() {
    if (hook_ != nullptr) UnhookWindowsHookEx(hook_);
    g_watcher = nullptr;
}

LRESULT CALLBACK BoxWatcher::Hook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE && g_watcher != nullptr) {
        auto window = reinterpret_cast<HWND>(wParam);
        if (IsClass(window, L"#32770")) g_watcher->Record(window);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void BoxWatcher::Record(HWND box) {
    BoxRecord record;
    record.caption = WindowText(box);
    record.text = ItemText(box, 0xFFFF);
    for (const ButtonId& button : kButtons) {
        HWND control = GetDlgItem(box, button.id);
        if (control != nullptr && IsClass(control, L"Button")) record.buttons.push_back(button.id);
    }
    EnumChildWindows(box, FindIcon, reinterpret_cast<LPARAM>(&record.icon));
    record.owner = GetWindow(box, GW_OWNER);
    record.modalToOwner = record.owner != nullptr && !IsWindowEnabled(record.owner);
    boxes_.push_back(record);
    // Posted, not sent: the box's own message loop picks it up once activation is done.
    PostMessageW(box, WM_COMMAND, IDOK, 0);
}

}  // namespace emulator
