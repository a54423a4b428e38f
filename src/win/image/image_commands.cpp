// Commands of the image table and the colour formats: new, close, image selection, format change.
#include "app/command_registry.h"
#include "app/editor.h"
#include "image/format_change.h"
#include "image/image_set.h"
#include "image/new_image.h"

namespace mirelo {

void RegisterImageCommands(CommandRegistry& r) {
    r.On(cmd::kNew, [](Editor& e, int) { NewImageDialog(e); });
    r.On(
        cmd::kClose,
        [](Editor& e, int) {
            if (e.Current()->HasUnsavedWork() && e.messages.App(u"この画像を閉じますか？", MB_YESNO) != IDYES) return;
            CloseCurrentImage(e);
        },
        rule::ImageOpen);
    r.On(cmd::kImageBarFirst, [](Editor& e, int id) { SelectImage(e, id - cmd::kImageBarFirst); });
    r.On(cmd::kImageSelectFirst, [](Editor& e, int id) {
        const int count = e.images.Occupied();
        const int slot = SlotFromImageSelectItem(id, count);
        if (slot >= 0 && slot < count) SelectImage(e, slot);
    });

    static_assert(cmd::k64PARGB - cmd::k16RGB555 == 9, "ten colour formats of 16 bits and more");
    for (int id = cmd::k16RGB555; id <= cmd::k64PARGB; ++id) r.On(id, [](Editor& e, int command) { ChangeFormatCommand(e, command); });
}

}  // namespace mirelo
