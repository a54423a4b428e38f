#include "select/path_guard.h"

#include "app/editor.h"
#include "select/paths.h"

namespace mirelo {

bool ConfirmToolOptionChange(Editor& e, int option, int newValue) {
    ImageSlot* s = e.Current();
    if (!s || s->toolSettings[static_cast<size_t>(option)] == newValue) return true;
    if (option == kShapeKindOption) return ResolvePendingPath(e) != IDCANCEL;
    if (option == kPathPartOption && s->drawPath) {
        if (e.messages.App(u"編集中のパスを閉じますか？", MB_YESNO) != IDYES) return false;
        FinishDrawPath(e, *s);
    }
    return true;
}

}  // namespace mirelo
