#include "common/messages.h"

namespace mirelo {

const char16_t kAppTitle[] = u"Mirelo";
const char16_t kClipboardTitle[] = u"Clipboard Error";

int Messages::Show(HWND owner, TextView text, TextView title, UINT type) {
    MessageRequest req{owner, Text(text), Text(title), type};
    if (responder_) return responder_(req);
    return MessageBoxW(owner, W(req.text), W(req.title), type);
}

}  // namespace mirelo
