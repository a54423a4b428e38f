#include "image/image_set.h"

#include "files/open_image.h"

#include "app/commands.h"
#include "app/editor.h"
#include "app/menu_state.h"
#include "edit/view.h"
#include "files/properties.h"
#include "common/file.h"
#include "common/wait_cursor.h"
#include "draw/arrow_dialog.h"
#include "image/bitmap_access.h"
#include "ui/option_bar.h"

namespace mirelo {

int ImageSet::Occupied() const {
    int n = 0;
    for (const auto& s : slots) n += s.occupied() ? 1 : 0;
    return n;
}

int ImageSet::FirstFree() const {
    return FirstFreeSlot(kMaxImages, [this](int i) { return slots[static_cast<size_t>(i)].occupied(); });
}

int ImageSet::PasteObjectTotal() const {
    int n = 0;
    for (const auto& s : slots) n += s.pasteObjects.Count();
    return n;
}

Text ImageSet::NextNewName() const {
    return NextNewImageName(
        kMaxImages, [this](int i) { return slots[static_cast<size_t>(i)].occupied(); },
        [this](int i) { return TextView(slots[static_cast<size_t>(i)].path); });
}

namespace {
void UncheckBarButtons(HWND bar) {
    if (!bar) return;
    int n = static_cast<int>(SendMessageW(bar, TB_BUTTONCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
        TBBUTTON b{};
        if (!SendMessageW(bar, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&b))) continue;
        if (b.idCommand >= cmd::kImageBarFirst && b.idCommand <= cmd::kImageBarLast && (b.fsState & TBSTATE_CHECKED))
            SendMessageW(bar, TB_SETSTATE, b.idCommand, MAKELONG(TBSTATE_ENABLED, 0));
    }
}

void RecalcPager(Editor& e) {
    if (e.frame.imageBarPager) SendMessageW(e.frame.imageBarPager, PGM_RECALCSIZE, 0, 0);
}

// Bit 0 of the slot's flags follows whether its palette has a transparent entry.
void SetPaletteFlag(ImageSlot& slot) {
    slot.flags = PaletteHasTransparentEntry(slot.bitmap.get()) ? (slot.flags | 1u) : (slot.flags & ~1u);
}

void SetViewRedraw(Editor& e, bool on) {
    if (!e.frame.view) return;
    SendMessageW(e.frame.view, WM_SETREDRAW, on ? TRUE : FALSE, 0);
    if (on) InvalidateRect(e.frame.view, nullptr, TRUE);
}

// Registers the bitmap just placed in a slot: the slot's tools, colours, paths, history and
// paste objects start afresh, its fields are read from the bitmap, its thumbnail joins the image
// bar, and an image decoded from a file is detached from it.
void RegisterSlot(Editor& e, int index, TextView name) {
    ImageSlot& slot = e.images.slots[static_cast<size_t>(index)];
    WaitCursor wait;
    SetViewRedraw(e, false);
    if (e.frame.mainWindow && IsIconic(e.frame.mainWindow)) ShowWindow(e.frame.mainWindow, SW_RESTORE);

    slot.tool = kToolSelect;
    HideArrowWindow(e);
    slot.pasteObjects.Clear();
    slot.undo.Reset();
    slot.activeColour = 0;
    slot.colours.fill(0xFFFFFF);
    slot.colourTransparency.fill(0);
    slot.selectionAnchor.Clear();
    slot.figureAnchor.Clear();
    slot.gradientStart.Clear();
    slot.selectionPath.reset();
    slot.drawPath.reset();
    slot.otherPath.reset();
    slot.workPath.reset();

    ImageSize(slot.bitmap.get(), &slot.width, &slot.height);
    slot.path = Text(name);
    slot.pixelFormat = FormatOf(slot.bitmap.get());
    slot.fileType = FileTypeCode(e.messages, slot.bitmap.get());

    if (e.frame.imageBarList) AddThumbnail(e.messages, e.frame.imageBarList, MakeThumbnail(e.messages, slot.bitmap.get()));
    if (e.frame.imageBar) {
        UncheckBarButtons(e.frame.imageBar);
        TBBUTTON b{};
        b.iBitmap = index;
        b.idCommand = cmd::kImageBarFirst + index;
        b.fsState = TBSTATE_ENABLED | TBSTATE_CHECKED;
        b.fsStyle = BTNS_CHECKGROUP | BTNS_AUTOSIZE;
        SendMessageW(e.frame.imageBar, TB_INSERTBUTTONW, index, reinterpret_cast<LPARAM>(&b));
        RecalcPager(e);
    }

    slot.byteSize = slot.path.empty() ? 0 : FileSize(slot.path);
    SetViewRedraw(e, true);

    ReadProperties(slot);
    slot.rawFormatName = RawFormatName(e.messages, slot.bitmap.get());
    if (!IsMemoryImageName(slot.rawFormatName)) DetachFromFile(e, slot);
    SetPaletteFlag(slot);

    FitZoom(e, true);
}
}  // namespace

bool HasRoomFor(Editor& e, TextView name) {
    if (e.images.FirstFree() >= 0) return true;
    e.messages.App(MessageText(u"画像数が %d を超過したので、%s は開けません").Arg(kMaxImages).Arg(name).Str(), MB_OK | MB_ICONWARNING);
    return false;
}

int AddImage(Editor& e, GpBitmapOwner bitmap, TextView name, bool refresh) {
    if (!bitmap || !HasRoomFor(e, name)) return -1;
    const int index = e.images.FirstFree();
    e.images.slots[static_cast<size_t>(index)].bitmap = std::move(bitmap);
    e.images.current = index;
    RegisterSlot(e, index, name);
    if (refresh) RefreshAfterImagesChanged(e);
    return index;
}

void RefreshAfterImagesChanged(Editor& e) {
    if (e.Current()) RefreshStatusLine(e);
    ShowToolSettings(e);
    RebuildImageSelectMenu(e);
    RefreshMenuState(e);
}

void ImageChanged(Editor& e, int index, unsigned what) {
    if (index < 0 || index >= kMaxImages) return;
    ImageSlot& slot = e.images.slots[static_cast<size_t>(index)];
    if (!slot.occupied()) return;
    bool sizeChanged = false, toolReset = false;
    if (what & kChangedBitmap) {
        int w = 0, h = 0;
        ImageSize(slot.bitmap.get(), &w, &h);
        sizeChanged = w != slot.width || h != slot.height;
        slot.width = w;
        slot.height = h;
        const PixelFormat format = FormatOf(slot.bitmap.get());
        // The tools of direct colours do not work on indexed images, and the reverse.
        toolReset = IsIndexed(format) != IsIndexed(slot.pixelFormat);
        if (toolReset) {
            slot.tool = kToolSelect;
            HideArrowWindow(e);
        }
        slot.pixelFormat = format;
        slot.formatName = Text(PixelFormatNameOf(format));
        SetPaletteFlag(slot);
    }
    if (e.frame.imageBarList)
        ReplaceThumbnail(e.messages, e.frame.imageBarList, index, MakeThumbnail(e.messages, slot.bitmap.get()), e.frame.imageBar);
    if (index != e.images.current) return;
    RefreshStatusLine(e);
    if (sizeChanged) LayoutView(e);
    if (toolReset) ShowToolSettings(e);
    RefreshMenuState(e);
}

void SelectImage(Editor& e, int index) {
    if (index < 0 || index >= kMaxImages || !e.images.slots[static_cast<size_t>(index)].occupied()) return;
    if (ImageSlot* old = e.Current(); old && e.frame.view) {
        old->savedScrollX = e.viewState.scrollX;
        old->savedScrollY = e.viewState.scrollY;
    }
    e.images.current = index;
    SetViewRedraw(e, false);
    ShowImageZoom(e);
    LayoutView(e);
    ScrollViewTo(e, e.Current()->savedScrollX, e.Current()->savedScrollY);
    RefreshStatusLine(e);
    e.Current()->tool = kToolSelect;
    HideArrowWindow(e);
    ShowToolSettings(e);
    SetViewRedraw(e, true);
    RefreshMenuState(e);
}

void CloseCurrentImage(Editor& e) {
    int closed = e.images.current;
    if (closed < 0) return;
    if (e.frame.imageBarList) ImageList_Remove(e.frame.imageBarList, closed);
    int cleared = CompactAfterClose(
        closed, kMaxImages, [&](int i) { return e.images.slots[static_cast<size_t>(i)].occupied(); },
        [&](int from, int to) { e.images.slots[static_cast<size_t>(to)] = std::move(e.images.slots[static_cast<size_t>(from)]); },
        [&](int d) {
            if (e.frame.imageBar) SendMessageW(e.frame.imageBar, TB_DELETEBUTTON, d, 0);
            e.images.slots[static_cast<size_t>(d)].Clear();
        });
    int remaining = cleared;  // the cleared slot was the first free one after compaction
    e.images.current = CurrentAfterClose(closed, remaining);
    if (e.images.current >= 0 && e.frame.imageBar)
        SendMessageW(e.frame.imageBar, TB_CHECKBUTTON, cmd::kImageBarFirst + e.images.current, MAKELONG(TRUE, 0));

    ShowImageZoom(e);
    LayoutView(e);
    if (e.images.current >= 0) {
        RefreshStatusLine(e);
    } else if (e.frame.statusBar) {
        SendMessageW(e.frame.statusBar, SB_SETTEXTW, e.settings.cursorCoords ? 1 : 0, reinterpret_cast<LPARAM>(L""));
    }
    ShowToolSettings(e);
    RebuildImageSelectMenu(e);
    RefreshMenuState(e);
    RecalcPager(e);
    if (e.frame.view) InvalidateRect(e.frame.view, nullptr, TRUE);
    if (e.frame.imageBar) InvalidateRect(e.frame.imageBar, nullptr, TRUE);
}

void RefreshStatusLine(Editor& e) {
    ImageSlot* slot = e.Current();
    if (!slot || !slot->occupied()) return;
    slot->pixelFormat = FormatOf(slot->bitmap.get());
    slot->formatName = Text(PixelFormatNameOf(slot->pixelFormat));
    // An image read from a file keeps its file's format after its bitmap became a copy in memory.
    Text raw = RawFormatName(e.messages, slot->bitmap.get());
    if (!IsMemoryImageName(raw) || slot->rawFormatName.empty()) slot->rawFormatName = std::move(raw);
    Gdiplus::REAL dx = 0, dy = 0;
    gp::GdipGetImageHorizontalResolution(slot->bitmap.get(), &dx);
    gp::GdipGetImageVerticalResolution(slot->bitmap.get(), &dy);
    slot->dpiX = RoundDpi(dx);
    slot->dpiY = RoundDpi(dy);
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
    if (line.memoryByteSize >= 0) slot->byteSize = line.memoryByteSize;
    if (e.frame.statusBar)
        SendMessageW(e.frame.statusBar, SB_SETTEXTW, e.settings.cursorCoords ? 1 : 0, reinterpret_cast<LPARAM>(W(line.text)));
}

void RebuildImageSelectMenu(Editor& e) {
    e.images.count = e.images.Occupied();
    if (!e.frame.menu) return;
    // Every item but the first, which stays as the menu's place holder.
    for (int id = cmd::kImageSelectFirst + 1; id <= cmd::kImageSelectLast; ++id) DeleteMenu(e.frame.menu, id, MF_BYCOMMAND);
    int count = e.images.count;
    if (count < 1) return;
    auto nameOf = [&](int i) { return SplitPath(e.images.slots[static_cast<size_t>(i)].path).name; };
    Text last = nameOf(count - 1);
    MENUITEMINFOW mi{};
    mi.cbSize = sizeof mi;
    mi.fMask = MIIM_FTYPE | MIIM_STRING;
    mi.fType = MFT_STRING | MFT_RADIOCHECK;
    mi.dwTypeData = const_cast<wchar_t*>(W(last));
    SetMenuItemInfoW(e.frame.menu, cmd::kImageSelectFirst, FALSE, &mi);
    for (int i = 0; i < count - 1; ++i) {
        Text name = nameOf(i);
        MENUITEMINFOW item{};
        item.cbSize = sizeof item;
        item.fMask = MIIM_FTYPE | MIIM_STRING | MIIM_ID;
        item.fType = MFT_STRING | MFT_RADIOCHECK;
        item.wID = static_cast<UINT>(ImageSelectItemId(i, count));
        item.dwTypeData = const_cast<wchar_t*>(W(name));
        InsertMenuItemW(e.frame.menu, cmd::kImageSelectFirst, FALSE, &item);
    }
}

void SelectFromImageMenu(Editor& e, int id) {
    int count = e.images.Occupied();
    int slot = SlotFromImageSelectItem(id, count);
    if (slot < 0 || slot >= count) return;
    SelectImage(e, slot);
    if (e.frame.imageBar) {
        SendMessageW(e.frame.imageBar, TB_CHECKBUTTON, cmd::kImageBarFirst + slot, MAKELONG(TRUE, 0));
        if (e.frame.imageBarPager) {
            DWORD size = static_cast<DWORD>(SendMessageW(e.frame.imageBar, TB_GETBUTTONSIZE, 0, 0));
            SendMessageW(e.frame.imageBarPager, PGM_SETPOS, 0, HIWORD(size) * slot);
        }
    }
}
}  // namespace mirelo
