// The single path by which the program shows a message box or asks a question.
// Tests install a responder that records each request and gives the answer.
#pragma once
#include <functional>

#include "common/win.h"

namespace mirelo {

extern const char16_t kAppTitle[];        // "Mirelo"
extern const char16_t kClipboardTitle[];  // "Clipboard Error"

struct MessageRequest {
    HWND owner;
    Text text;
    Text title;
    UINT type;
};

class Messages {
public:
    using Responder = std::function<int(const MessageRequest&)>;

    // Shows a message box (or hands it to the responder) and returns the button chosen.
    int Show(HWND owner, TextView text, TextView title, UINT type);

    // Question or error of the program: owned by the main window, title "Mirelo".
    int App(TextView text, UINT type = MB_OK) { return Show(mainWindow, text, kAppTitle, type); }
    // Low-level bitmap failure: owned by the window with the focus, no title.
    int LowLevel(TextView text, UINT type = MB_OK) { return Show(GetFocus(), text, u"", type); }

    void SetResponder(Responder r) { responder_ = std::move(r); }

    HWND mainWindow = nullptr;

private:
    Responder responder_;
};

}  // namespace mirelo
