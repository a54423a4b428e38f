#include "app/editor.h"

#include "res/resource.h"

namespace mirelo {

Editor::Editor(HINSTANCE inst) : instance(inst) {
    objectMenu = LoadMenuW(instance, MAKEINTRESOURCEW(IDR_OBJECTMENU));
}

const PasteObject* Editor::SelectedObject() {
    if (images.current < 0) return nullptr;
    int sel = images.selectedPasteObject[static_cast<size_t>(images.current)];
    if (sel < 0 || sel >= kMaxPasteObjects || pasteObjects[static_cast<size_t>(sel)].owner != images.current) return nullptr;
    return &pasteObjects[static_cast<size_t>(sel)];
}

int Editor::PasteObjectCountOf(int image) const {
    int n = 0;
    for (const auto& o : pasteObjects) n += o.owner == image ? 1 : 0;
    return n;
}

Editor::~Editor() {
    for (auto& s : images.slots) s.Clear();
    if (objectMenu) DestroyMenu(objectMenu);
    if (imageBarList) ImageList_Destroy(imageBarList);
}

}  // namespace mirelo
