#include "image/image_set.h"

#include "files/open_image.h"

#include "app/commands.h"
#include "app/editor.h"
#include "app/menu_state.h"
#include "edit/view.h"
#include "files/properties.h"
#include "image/bitmap_access.h"

namespace mirelo {

void ImageSlot::Clear() {
    bitmap.reset();
    bitmap.TakeStatus();
    pixelFormat = 0;
    formatName.clear();
    rawFormatName.clear();
    path.clear();
    width = height = originX = originY = zoomedWidth = zoomedHeight = savedScrollX = savedScrollY = 0;
    dpiX = dpiY = 0;
    byteSize = 0;
    fileType = 0;
    zoom = 0;
    tool = 0;
    flags = 0;
    activeColour = 0;
    colours.fill(0);
    colourTransparency.fill(0);
    toolSettings.fill(0);
    for (auto& p : properties) p.clear();
    pathMarks.fill(-1);
    selectionPath.reset();
    drawPath.reset();
    otherPath.reset();
    workPath.reset();
    undo.Reset();
    pasteObjectCount = 0;
    hotspotX = hotspotY = 0;
}

void ImageSlot::TakeFrom(ImageSlot& o) {
    bitmap = std::move(o.bitmap);
    pixelFormat = o.pixelFormat;
    formatName = std::move(o.formatName);
    rawFormatName = std::move(o.rawFormatName);
    path = std::move(o.path);
    width = o.width;
    height = o.height;
    originX = o.originX;
    originY = o.originY;
    zoomedWidth = o.zoomedWidth;
    zoomedHeight = o.zoomedHeight;
    savedScrollX = o.savedScrollX;
    savedScrollY = o.savedScrollY;
    dpiX = o.dpiX;
    dpiY = o.dpiY;
    byteSize = o.byteSize;
    fileType = o.fileType;
    zoom = o.zoom;
    tool = o.tool;
    flags = o.flags;
    activeColour = o.activeColour;
    colours = o.colours;
    colourTransparency = o.colourTransparency;
    toolSettings = o.toolSettings;
    properties = std::move(o.properties);
    pathMarks = o.pathMarks;
    selectionPath = std::move(o.selectionPath);
    drawPath = std::move(o.drawPath);
    otherPath = std::move(o.otherPath);
    workPath = std::move(o.workPath);
    for (size_t i = 0; i < undo.snapshots.size(); ++i) undo.snapshots[i] = std::move(o.undo.snapshots[i]);
    undo.formats = o.undo.formats;
    undo.entries = o.undo.entries;
    undo.position = o.undo.position;
    undo.canUndo = o.undo.canUndo;
    undo.canRedo = o.undo.canRedo;
    undo.wrapped = o.undo.wrapped;
    pasteObjectCount = o.pasteObjectCount;
    hotspotX = o.hotspotX;
    hotspotY = o.hotspotY;
    o.Clear();
}

int ImageSet::Occupied() const {
    int n = 0;
    for (const auto& s : slots) n += s.occupied() ? 1 : 0;
    return n;
}

int ImageSet::FirstFree() const {
    return FirstFreeSlot(kMaxImages, [this](int i) { return slots[static_cast<size_t>(i)].occupied(); });
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
    if (e.imageBarPager) SendMessageW(e.imageBarPager, PGM_RECALCSIZE, 0, 0);
}

int64_t FileSizeOf(const Text& path) {
    HANDLE f = CreateFileW(W(path), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return 0;
    LARGE_INTEGER size{};
    int64_t result = GetFileSizeEx(f, &size) ? size.QuadPart : 0;
    CloseHandle(f);
    return result;
}

void SetViewRedraw(Editor& e, bool on) {
    if (!e.view) return;
    SendMessageW(e.view, WM_SETREDRAW, on ? TRUE : FALSE, 0);
    if (on) InvalidateRect(e.view, nullptr, TRUE);
}
}  // namespace

void InitSlot(Editor& e, bool refreshMenus) {
    ImageSlot* slot = e.Current();
    if (!slot || !slot->occupied()) return;
    HCURSOR previous = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    SetViewRedraw(e, false);
    if (e.mainWindow && IsIconic(e.mainWindow)) ShowWindow(e.mainWindow, SW_RESTORE);

    slot->tool = kToolSelect;
    slot->pasteObjectCount = 0;
    slot->undo.Reset();
    slot->activeColour = 0;
    slot->colours.fill(0xFFFFFF);
    slot->colourTransparency.fill(0);
    slot->pathMarks.fill(-1);
    slot->selectionPath.reset();
    slot->drawPath.reset();
    slot->otherPath.reset();
    slot->workPath.reset();

    ImageSize(slot->bitmap.get(), &slot->width, &slot->height);
    slot->path = e.loadingName;
    slot->pixelFormat = FormatOf(slot->bitmap.get());
    slot->fileType = FileTypeCode(e.messages, slot->bitmap.get());

    if (e.imageBarList) AddThumbnail(e.messages, e.imageBarList, MakeThumbnail(e.messages, slot->bitmap.get()));
    if (e.imageBar) {
        UncheckBarButtons(e.imageBar);
        TBBUTTON b{};
        b.iBitmap = e.images.current;
        b.idCommand = cmd::kImageBarFirst + e.images.current;
        b.fsState = TBSTATE_ENABLED | TBSTATE_CHECKED;
        b.fsStyle = BTNS_CHECKGROUP | BTNS_AUTOSIZE;
        SendMessageW(e.imageBar, TB_INSERTBUTTONW, e.images.current, reinterpret_cast<LPARAM>(&b));
        RecalcPager(e);
    }

    slot->byteSize = slot->path.empty() ? 0 : FileSizeOf(slot->path);
    SetViewRedraw(e, true);

    ReadProperties(*slot);
    slot->rawFormatName = RawFormatName(e.messages, slot->bitmap.get());
    if (!IsMemoryImageName(slot->rawFormatName)) DetachFromFile(e, *slot);
    slot->flags = PaletteHasAlphaFlag(slot->bitmap.get()) ? (slot->flags | 1u) : (slot->flags & ~1u);

    FitZoom(e, true);
    if (refreshMenus) {
        CheckFormatItem(e);
        RefreshMenuState(e);
        RefreshStatusLine(e);
    }
    SetCursor(previous);
}

void SelectImage(Editor& e, int index) {
    if (index < 0 || index >= kMaxImages || !e.images.slots[static_cast<size_t>(index)].occupied()) return;
    if (ImageSlot* old = e.Current(); old && e.view) {
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
    SetViewRedraw(e, true);
    CheckFormatItem(e);
    CheckImageItem(e);
    RefreshMenuState(e);
}

void CloseCurrentImage(Editor& e) {
    int closed = e.images.current;
    if (closed < 0) return;
    if (e.imageBarList) ImageList_Remove(e.imageBarList, closed);
    int cleared = CompactAfterClose(
        closed, kMaxImages, [&](int i) { return e.images.slots[static_cast<size_t>(i)].occupied(); },
        [&](int from, int to) {
            e.images.slots[static_cast<size_t>(to)].TakeFrom(e.images.slots[static_cast<size_t>(from)]);
            e.images.selectedPasteObject[static_cast<size_t>(to)] = e.images.selectedPasteObject[static_cast<size_t>(from)];
        },
        [&](int d) {
            if (e.imageBar) SendMessageW(e.imageBar, TB_DELETEBUTTON, d, 0);
            e.images.slots[static_cast<size_t>(d)].Clear();
            e.images.selectedPasteObject[static_cast<size_t>(d)] = -1;
        });
    int remaining = cleared;  // the cleared slot was the first free one after compaction
    e.images.current = CurrentAfterClose(closed, remaining);
    if (e.images.current >= 0 && e.imageBar)
        SendMessageW(e.imageBar, TB_CHECKBUTTON, cmd::kImageBarFirst + e.images.current, MAKELONG(TRUE, 0));

    ShowImageZoom(e);
    LayoutView(e);
    if (e.images.current >= 0) {
        RefreshStatusLine(e);
    } else if (e.statusBar) {
        SendMessageW(e.statusBar, SB_SETTEXTW, e.settings.cursorCoords ? 1 : 0, reinterpret_cast<LPARAM>(L""));
    }
    CheckFormatItem(e);
    RefreshMenuState(e);
    RebuildImageSelectMenu(e);
    RecalcPager(e);
    if (e.view) InvalidateRect(e.view, nullptr, TRUE);
    if (e.imageBar) InvalidateRect(e.imageBar, nullptr, TRUE);
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
    if (e.statusBar)
        SendMessageW(e.statusBar, SB_SETTEXTW, e.settings.cursorCoords ? 1 : 0, reinterpret_cast<LPARAM>(W(line.text)));
}

void RebuildImageSelectMenu(Editor& e) {
    e.images.count = e.images.Occupied();
    if (!e.menu) return;
    for (int id = cmd::kImageSelectFirst + 1; id <= cmd::kImageSelectLast - 1; ++id) DeleteMenu(e.menu, id, MF_BYCOMMAND);
    int count = e.images.count;
    if (count < 1) return;
    auto nameOf = [&](int i) { return SplitPath(e.images.slots[static_cast<size_t>(i)].path).name; };
    Text last = nameOf(count - 1);
    MENUITEMINFOW mi{};
    mi.cbSize = sizeof mi;
    mi.fMask = MIIM_FTYPE | MIIM_STRING;
    mi.fType = MFT_STRING | MFT_RADIOCHECK;
    mi.dwTypeData = const_cast<wchar_t*>(W(last));
    SetMenuItemInfoW(e.menu, cmd::kImageSelectFirst, FALSE, &mi);
    for (int i = 0; i < count - 1; ++i) {
        Text name = nameOf(i);
        MENUITEMINFOW item{};
        item.cbSize = sizeof item;
        item.fMask = MIIM_FTYPE | MIIM_STRING | MIIM_ID;
        item.fType = MFT_STRING | MFT_RADIOCHECK;
        item.wID = static_cast<UINT>(ImageSelectItemId(i, count));
        item.dwTypeData = const_cast<wchar_t*>(W(name));
        InsertMenuItemW(e.menu, cmd::kImageSelectFirst, FALSE, &item);
    }
    CheckImageItem(e);
}

void SelectFromImageMenu(Editor& e, int id) {
    int count = e.images.Occupied();
    int slot = SlotFromImageSelectItem(id, count);
    if (slot < 0 || slot >= count) return;
    SelectImage(e, slot);
    if (e.imageBar) {
        SendMessageW(e.imageBar, TB_CHECKBUTTON, cmd::kImageBarFirst + slot, MAKELONG(TRUE, 0));
        if (e.imageBarPager) {
            DWORD size = static_cast<DWORD>(SendMessageW(e.imageBar, TB_GETBUTTONSIZE, 0, 0));
            SendMessageW(e.imageBarPager, PGM_SETPOS, 0, HIWORD(size) * slot);
        }
    }
}

void RefreshCurrentThumbnail(Editor& e) {
    ImageSlot* slot = e.Current();
    if (!slot || !e.imageBarList) return;
    ReplaceThumbnail(e.messages, e.imageBarList, e.images.current, MakeThumbnail(e.messages, slot->bitmap.get()), e.imageBar);
}

}  // namespace mirelo
