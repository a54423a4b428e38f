#include "app/editor.h"

#include "res/resource.h"

namespace mirelo {

Editor::Editor(HINSTANCE inst) : instance(inst) {
    objectMenu = LoadMenuW(instance, MAKEINTRESOURCEW(IDR_OBJECTMENU));
    tools[kPasteObjectHandling] = MakePasteObjectHandling();
    tools[kToolSelect] = MakeSelectionTool();
    tools[kToolShape] = MakeShapeTool();
    tools[kToolRetouch] = MakeRetouchTool();
    tools[kToolFill] = MakeFillTool();
    tools[kToolEyedropper] = MakeEyedropperTool();
    tools[kToolText] = MakeTextTool();
    static_assert(kToolText + 1 == kToolCount, "one tool per ToolId after the paste-object handling");
}

Tool& Editor::CurrentTool() {
    const ImageSlot* s = images.Current();
    const int tool = s && s->tool >= kToolSelect && s->tool <= kToolText ? s->tool : kToolSelect;
    return *tools[static_cast<size_t>(tool)];
}

Editor::~Editor() {
    // The arrow window goes before its host (it normally went with the main window).
    if (arrowWindow && IsWindow(arrowWindow)) DestroyWindow(arrowWindow);
    for (auto& s : images.slots) s.Clear();
    if (objectMenu) DestroyMenu(objectMenu);
    if (frame.imageBarList) ImageList_Destroy(frame.imageBarList);
}

}  // namespace mirelo
