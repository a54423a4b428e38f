#include "app/editor.h"

#include "res/resource.h"

namespace mirelo {

Editor::Editor(HINSTANCE inst) : instance(inst) {
    objectMenu = LoadMenuW(instance, MAKEINTRESOURCEW(IDR_OBJECTMENU));
}

Editor::~Editor() {
    for (auto& s : images.slots) s.Clear();
    if (objectMenu) DestroyMenu(objectMenu);
    if (imageBarList) ImageList_Destroy(imageBarList);
}

}  // namespace mirelo
