#include "ui/image_bar.h"

#include <algorithm>

#include "app/commands.h"
#include "app/editor.h"
#include "image/bitmap_access.h"
#include "image/image_set.h"

namespace mirelo {

namespace {
void AddButton(HWND bar, int index) {
    TBBUTTON b{};
    b.iBitmap = index;
    b.idCommand = cmd::kImageBarFirst + index;
    b.fsState = TBSTATE_ENABLED;
    b.fsStyle = BTNS_CHECKGROUP | BTNS_AUTOSIZE;
    SendMessageW(bar, TB_INSERTBUTTONW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&b));
}

// Scrolls the pager so that the current image's button shows.
void RevealButton(const FrameWindows& f, int index) {
    if (!f.imageBarPager || index < 0) return;
    const int height = HIWORD(SendMessageW(f.imageBar, TB_GETBUTTONSIZE, 0, 0));
    const int top = height * index;
    const int pos = static_cast<int>(SendMessageW(f.imageBarPager, PGM_GETPOS, 0, 0));
    RECT client{};
    GetClientRect(f.imageBarPager, &client);
    if (top < pos || top + height > pos + client.bottom) SendMessageW(f.imageBarPager, PGM_SETPOS, 0, top);
}
}  // namespace

void ShowImageBar(Editor& e, const RefreshPlan& plan) {
    FrameWindows& f = e.frame;
    if (!f.imageBar || !f.imageBarList) return;
    std::vector<uint64_t> wanted;
    for (const ImageSlot& s : e.images.slots)
        if (s.occupied()) wanted.push_back(s.serial);
    std::vector<uint64_t>& shown = f.imageBarImages;
    // Images that closed: their thumbnails go and the buttons after them show the next ones, as
    // the table was compacted; the last button goes.
    for (size_t i = shown.size(); i-- > 0;) {
        if (std::find(wanted.begin(), wanted.end(), shown[i]) != wanted.end()) continue;
        ImageList_Remove(f.imageBarList, static_cast<int>(i));
        shown.erase(shown.begin() + static_cast<std::ptrdiff_t>(i));
        SendMessageW(f.imageBar, TB_DELETEBUTTON, shown.size(), 0);
    }
    if (!std::equal(shown.begin(), shown.end(), wanted.begin(), wanted.begin() + static_cast<std::ptrdiff_t>(std::min(shown.size(), wanted.size())))) {
        // Not the order of the table: the bar is made anew.
        ImageList_RemoveAll(f.imageBarList);
        while (SendMessageW(f.imageBar, TB_BUTTONCOUNT, 0, 0) > 0) SendMessageW(f.imageBar, TB_DELETEBUTTON, 0, 0);
        shown.clear();
    }
    const size_t kept = shown.size();
    const bool countChanged = kept != wanted.size();
    for (size_t i = kept; i < wanted.size(); ++i) {
        AddThumbnail(e.messages, f.imageBarList, MakeThumbnail(e.messages, e.images.slots[i].bitmap.get()));
        AddButton(f.imageBar, static_cast<int>(i));
        shown.push_back(wanted[i]);
    }
    for (int slot : plan.thumbnails)
        if (slot >= 0 && static_cast<size_t>(slot) < kept)
            ReplaceThumbnail(e.messages, f.imageBarList, slot, MakeThumbnail(e.messages, e.images.slots[static_cast<size_t>(slot)].bitmap.get()),
                             f.imageBar);
    if (e.images.current >= 0) SendMessageW(f.imageBar, TB_CHECKBUTTON, cmd::kImageBarFirst + e.images.current, MAKELONG(TRUE, 0));
    if (countChanged && f.imageBarPager) SendMessageW(f.imageBarPager, PGM_RECALCSIZE, 0, 0);
    if (countChanged || plan.restoreScroll) RevealButton(f, e.images.current);
    if (countChanged) InvalidateRect(f.imageBar, nullptr, TRUE);
}

void ShowImageSelectMenu(Editor& e) {
    HMENU menu = e.frame.menu;
    if (!menu) return;
    // Every item but the first, which stays as the menu's place holder.
    for (int id = cmd::kImageSelectFirst + 1; id <= cmd::kImageSelectLast; ++id) DeleteMenu(menu, id, MF_BYCOMMAND);
    const int count = e.images.Occupied();
    if (count < 1) return;
    auto nameOf = [&](int i) { return SplitPath(e.images.slots[static_cast<size_t>(i)].path).name; };
    Text last = nameOf(count - 1);
    MENUITEMINFOW mi{};
    mi.cbSize = sizeof mi;
    mi.fMask = MIIM_FTYPE | MIIM_STRING;
    mi.fType = MFT_STRING | MFT_RADIOCHECK;
    mi.dwTypeData = const_cast<wchar_t*>(W(last));
    SetMenuItemInfoW(menu, cmd::kImageSelectFirst, FALSE, &mi);
    for (int i = 0; i < count - 1; ++i) {
        Text name = nameOf(i);
        MENUITEMINFOW item{};
        item.cbSize = sizeof item;
        item.fMask = MIIM_FTYPE | MIIM_STRING | MIIM_ID;
        item.fType = MFT_STRING | MFT_RADIOCHECK;
        item.wID = static_cast<UINT>(ImageSelectItemId(i, count));
        item.dwTypeData = const_cast<wchar_t*>(W(name));
        InsertMenuItemW(menu, cmd::kImageSelectFirst, FALSE, &item);
    }
}

void ShowStatusLine(Editor& e) {
    if (!e.frame.statusBar) return;
    const WPARAM part = e.settings.cursorCoords ? 1 : 0;
    const ImageSlot* slot = e.Current();
    if (!slot || !slot->occupied()) {
        SendMessageW(e.frame.statusBar, SB_SETTEXTW, part, reinterpret_cast<LPARAM>(L""));
        return;
    }
    UINT imageFlags = 0;
    gp::GdipGetImageFlags(slot->bitmap.get(), &imageFlags);
    StatusLineInput in;
    in.path = slot->path;
    in.rawFormatName = slot->rawFormatName;
    in.pixelFormat = slot->pixelFormat;
    in.width = slot->width;
    in.height = slot->height;
    in.dpiX = slot->dpiX;
    in.dpiY = slot->dpiY;
    in.hasAlpha = (imageFlags & Gdiplus::ImageFlagsHasAlpha) != 0;
    StatusLine line = BuildStatusLine(in);
    SendMessageW(e.frame.statusBar, SB_SETTEXTW, part, reinterpret_cast<LPARAM>(W(line.text)));
}

}  // namespace mirelo
