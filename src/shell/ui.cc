#include "shell/ui.h"

namespace qz {

void FCUI::ShowError(const char* message, const char* title) const {
    FCString messageText;
    FCString titleText;
    messageText.SetCString(message);
    titleText.SetCString(title);
    ShowError(messageText, &titleText);
}

void FCUI::ShowError(const FCString& message, const FCString* title) const {
    FCString caption;
    caption.SetString(title);
    // An empty caption (no title, or one that could not be copied) becomes "Error".
    const char16_t* captionText = caption.GetLength() != 0 ? caption.GetText() : u"Error";
    const char16_t* text = message.GetText() != nullptr ? message.GetText() : u"";
    const platform::WindowHandle owner =
        platform::IsWindow(ownerWindow_) ? ownerWindow_ : platform::WindowHandle{nullptr};
    platform::ShowMessageBox(owner, text, captionText, kErrorBoxStyle);
}

}  // namespace qz
