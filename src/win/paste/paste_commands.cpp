// Commands of the paste objects: paste onto the image, cut and erase, delete, reset, order,
// merge, frames and the text of a text object; and the transform and text bars acting on the
// selected object.
#include "app/command_registry.h"
#include "app/editor.h"
#include "edit/undo_history.h"
#include "paste/paste_objects.h"
#include "paste/text_objects.h"

namespace mirelo {

void RegisterPasteCommands(CommandRegistry& r) {
    // A command that works on the picture alone is refused while the image has paste objects.
    r.OnGuard(kGuardPasteObjects, [](Editor& e) {
        if (!e.Current() || e.Current()->pasteObjects.Empty()) return true;
        e.messages.App(u"貼紙を削除、またはマージして下さい");
        return false;
    });
    r.On(cmd::kPaste, [](Editor& e, int) { PasteAsObject(e); }, [](const CommandState& s) { return s.clipboardImage; });
    r.On(cmd::kCut, [](Editor& e, int) { CutSelection(e); }, [](const CommandState& s) { return s.open && !s.indexed && !s.textSelected; });
    r.On(
        cmd::kErase,
        [](Editor& e, int) {
            if (!e.Current()) return;
            RecordUndoStep(e);
            EraseSelection(e);
        },
        [](const CommandState& s) { return s.open && !s.indexed; });
    r.On(
        cmd::kObjDelete,
        [](Editor& e, int) {
            ImageSlot* s = e.Current();
            if (!s || !s->pasteObjects.Selected()) return;
            if (e.messages.App(u"この貼紙を削除しますか？", MB_YESNO) == IDYES) DeletePasteObject(e, *s);
        },
        [](const CommandState& s) { return s.objectSelected; });
    r.On(cmd::kObjReset, [](Editor& e, int) { ResetTransform(e); },
         [](const CommandState& s) { return s.objectSelected && s.objectTransformed; });
    r.On(cmd::kObjEditText, [](Editor& e, int) { EditTextObject(e); }, [](const CommandState& s) { return s.textSelected; });
    r.On(cmd::kObjForward, [](Editor& e, int) { BringToFront(e); },
         [](const CommandState& s) { return s.objectSelected && s.objects >= 2; });
    r.On(cmd::kObjBackward, [](Editor& e, int) { SendToBack(e); },
         [](const CommandState& s) { return s.objectSelected && s.objects >= 2; });
    r.On(cmd::kObjMerge, [](Editor& e, int) { MergePasteObject(e); }, [](const CommandState& s) { return s.objectSelected; });
    r.On(cmd::kObjMergeAll, [](Editor& e, int) { MergeAllPasteObjects(e); }, rule::ImageOpen);
    r.On(
        cmd::kObjFrames,
        [](Editor& e, int) {
            e.settings.objectFrames = !e.settings.objectFrames;
            e.ProgramChanged(change::kSettings);
        },
        [](const CommandState& s) { return s.objectSelected; });
    r.OnColoursChanged([](Editor& e) { ApplyTextColours(e); });
    r.OnOptionChanged([](Editor& e, int option) {
        ApplyTransformOption(e, option);
        ApplyTextOption(e, option);
    });
}

}  // namespace mirelo
