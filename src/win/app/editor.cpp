#include "app/editor.h"

#include "res/resource.h"

namespace mirelo {

Editor::Editor(HINSTANCE inst) : instance(inst) {
    objectMenu = LoadMenuW(instance, MAKEINTRESOURCEW(IDR_OBJECTMENU));
    tools[kPasteObjectHandling] = MakePasteObjectHandling();
    for (const ToolDescriptor* tool : Tools()) tools[static_cast<size_t>(tool->id)] = tool->make();
}

Tool& Editor::CurrentTool() {
    const ImageSlot* s = images.Current();
    const int tool = s && IsToolId(s->tool) ? s->tool : kToolSelect;
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
