// Commands of the application shell: quit, help, the tool buttons, the cursor display.
#include "app/command_registry.h"
#include "app/editor.h"
#include "ui/frame.h"
#include "app/help.h"
#include "res/resource.h"
#include "ui/option_bar.h"

namespace mirelo {

namespace {
void ToggleCursorCoords(Editor& e) {
    e.settings.cursorCoords = !e.settings.cursorCoords;
    LayoutStatusParts(e);
    e.ProgramChanged(change::kSettings);
}

void SetTool(Editor& e, int tool) {
    if (ImageSlot* s = e.Current()) s->tool = tool;
    e.ProgramChanged(change::kTool);
}

void ShowAbout(Editor& e) {
    HICON icon = LoadIconW(e.instance, MAKEINTRESOURCEW(IDI_MIRELO));
    Text text = MessageText(u"Mirelo ver %s").Arg(kVersionText).Str();
    ShellAboutW(e.frame.mainWindow, W(kAppTitle), W(text), icon);
}
}  // namespace

void RegisterAppCommands(CommandRegistry& r) {
    r.On(cmd::kExit, [](Editor& e, int) { SendMessageW(e.frame.mainWindow, WM_CLOSE, 0, 0); });
    r.On(cmd::kAbout, [](Editor& e, int) { ShowAbout(e); });
    r.On(cmd::kHelp, [](Editor& e, int) { ShowHelp(e); });
    r.On(cmd::kCursorCoords, [](Editor& e, int) { ToggleCursorCoords(e); });
    r.On(cmd::kCheckerboard, [](Editor& e, int) {
        e.settings.checkerboard = !e.settings.checkerboard;
        e.ProgramChanged(change::kSettings);
    });

    // Each tool's button chooses it; so does its button on the palette panel.
    for (const ToolDescriptor* tool : Tools()) {
        const ToolId id = tool->id;
        r.On(tool->command, [id](Editor& e, int) { SetTool(e, id); }, rule::ImageOpen);
        if (tool->paletteCommand != 0) r.On(tool->paletteCommand, [id](Editor& e, int) { SetTool(e, id); });
    }

    // Delete removes the selected paste object, or erases the selection.
    r.On(
        cmd::kDelete,
        [](Editor& e, int) {
            const ImageSlot* s = e.Current();
            const bool selected = s && s->pasteObjects.Selected();
            SendMessageW(e.frame.mainWindow, WM_COMMAND, selected ? cmd::kObjDelete : cmd::kErase, 0);
        },
        rule::ImageOpen);
}

}  // namespace mirelo
