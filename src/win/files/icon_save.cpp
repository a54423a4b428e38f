#include "files/icon_save.h"

#include "app/dialog_host.h"
#include "common/file.h"

#include <commdlg.h>
#include <objbase.h>

#include <algorithm>
#include <cstring>

#include "app/editor.h"
#include "app/command_registry.h"
#include "clipboard/clipboard.h"
#include "colour/indexed_conversion.h"
#include "files/file_names.h"
#include "files/safe_write.h"
#include "image/apply_op.h"
#include "image/bitmap_access.h"
#include "image/convert.h"
#include "image/format_change.h"
#include "image/image_set.h"
#include "common/bytes.h"
#include "res/resource.h"

namespace mirelo {

namespace {
constexpr int kPngSide = 256;  // images this wide or tall become PNG entries

ImageSlot* SlotAt(Editor& e, int index) {
    if (index < 0 || index >= kMaxImages) return nullptr;
    ImageSlot& s = e.images.slots[static_cast<size_t>(index)];
    return s.occupied() ? &s : nullptr;
}

bool NeedsPngEntry(const ImageSlot& s) { return s.width >= kPngSide || s.height >= kPngSide; }

// The text shown when a conversion to `target` fails (the colour-format menu's texts).
TextView ConversionFailureText(PixelFormat target) {
    size_t count = 0;
    const PixelFormatInfo* table = PixelFormatTable(&count);
    for (size_t i = 0; i < count; ++i) {
        FormatCommandInfo info{};
        if (table[i].format == target && FormatCommandTarget(table[i].colourFormatCommand, &info)) return info.failureText;
    }
    return u"Bmp_Copyを作成できません";
}


// ---- Entries -------------------------------------------------------------------------------

// Direct colours: a copy of `source` in the format a bitmap entry holds, with the mask built
// from its transparent pixels (and the inversion colour), transparent pixels cleared and
// inverting pixels white.
bool PrepareDirect(Editor& e, GpBitmapOwner& source, const uint32_t* inversion, GpBitmapOwner& work,
                   std::vector<uint8_t>* mask) {
    const PixelFormat from = FormatOf(source.get());
    const PixelFormat target =
        (HasAlpha(from) || IsIndexed(from)) ? fmt::k32ARGB : (BitsPerPixel(from) > 32 ? fmt::k32RGB : from);
    GpBitmapOwner copy;
    if (ConvertDirect(e, source, target, false, copy) != Gdiplus::Ok) {
        e.messages.App(ConversionFailureText(target));
        return false;
    }
    if (BitsPerPixel(target) == 32) {
        BitmapLock lock(e.messages, copy, kLockReadWrite, target, BitmapRole::Image);
        if (!lock.ok()) return false;
        *mask = BuildIconMask(lock.view(), inversion);
        ClearTransparentPixels(lock.view());
        if (lock.Unlock() != Gdiplus::Ok) return false;
    } else {
        // 16 and 24 bits have no transparent pixels; pixels of the inversion colour become white.
        OwnedPixels argb;
        {
            BitmapLock lock(e.messages, copy, kLockRead, fmt::k32ARGB, BitmapRole::Source);
            if (!lock.ok()) return false;
            PixelView v = lock.view();
            argb.Allocate(v.width, v.height, fmt::k32ARGB);
            CopyRows(v, argb.view);
            if (lock.Unlock() != Gdiplus::Ok) return false;
        }
        if (inversion) {
            for (int y = 0; y < argb.view.height; ++y)
                for (int x = 0; x < argb.view.width; ++x)
                    if (Get32(argb.view.At(x, y)) == *inversion &&
                        copy.Check(gp::GdipBitmapSetPixel(copy.get(), x, y, 0xFFFFFFFFu)) != Gdiplus::Ok) {
                        e.messages.App(ConversionFailureText(target));
                        return false;
                    }
        }
        *mask = BuildIconMask(argb.view, inversion);
    }
    if (mask->empty()) return false;
    work = std::move(copy);
    return true;
}

// Indexed colours: a copy in the same format; palette colours with alpha 0 are masked, pixels
// of the inversion colour take the palette's white. False with *needsDirect when the palette
// has no white for them.
bool PrepareIndexed(Editor& e, GpBitmapOwner& source, const uint32_t* inversion, GpBitmapOwner& work,
                    std::vector<uint8_t>* mask, bool* needsDirect) {
    *needsDirect = false;
    const PixelFormat format = FormatOf(source.get());
    std::vector<uint32_t> palette;
    if (!ReadPaletteEntries(source.get(), &palette)) palette.clear();
    if (palette.empty()) {
        e.messages.LowLevel(u"パレットを取得できません");
        return false;
    }
    int white = -1;
    bool inversionInPalette = false;
    for (size_t i = 0; i < palette.size(); ++i) {
        if (palette[i] == 0xFFFFFFFFu && white < 0) white = static_cast<int>(i);
        if (inversion && palette[i] == *inversion) inversionInPalette = true;
    }
    if (inversion && inversionInPalette && white < 0) {
        *needsDirect = true;
        return false;
    }
    int w = 0, h = 0;
    ImageSize(source.get(), &w, &h);
    GpBitmapOwner copy;
    if (copy.Check(gp::GdipCloneBitmapAreaI(0, 0, w, h, format, source.get(), copy.put())) != Gdiplus::Ok || !copy) {
        e.messages.LowLevel(u"Bmp_Copyを作成できません");
        return false;
    }
    const size_t stride = static_cast<size_t>(DwordStride(w, 1));
    mask->assign(stride * static_cast<size_t>(h), 0);
    {
        BitmapLock lock(e.messages, copy, kLockReadWrite, format, BitmapRole::Image);
        if (!lock.ok()) return false;
        PixelView v = lock.view();
        for (int y = 0; y < h; ++y) {
            uint8_t* row = mask->data() + static_cast<size_t>(h - 1 - y) * stride;
            for (int x = 0; x < w; ++x) {
                const uint32_t index = ReadStored(v, x, y);
                const uint32_t c = index < palette.size() ? palette[index] : 0xFF000000u;
                bool masked = (c >> 24) == 0;
                if (inversion && c == *inversion) {
                    WriteStored(v, x, y, static_cast<uint32_t>(white));
                    masked = true;
                }
                if (masked) row[x >> 3] = static_cast<uint8_t>(row[x >> 3] | (0x80 >> (x & 7)));
            }
        }
        if (lock.Unlock() != Gdiplus::Ok) return false;
    }
    UpdatePaletteAlphaFlag(copy.get());
    work = std::move(copy);
    return true;
}

// Converts `work` to 1-bit indexed with the indexed conversion of the menu's palette method.
bool ConvertToOneBit(Editor& e, GpBitmapOwner& work) {
    GpBitmapOwner result;
    if (ConvertBitmapToIndexed(e, work, IndexedConversionCode(1, e.settings.paletteMethod), result) != 0 ||
        FormatOf(result.get()) != fmt::k1Index)
        return false;
    work = std::move(result);
    return true;
}

}  // namespace

bool MakeBitmapEntry(Editor& e, IconListItem& item, IconWriteEntry* out) {
    ImageSlot* slot = SlotAt(e, item.slot);
    if (!slot || !out) return false;
    const uint32_t* inversion = item.inverted && item.hasInversionColour ? &item.inversionColour : nullptr;
    GpBitmapOwner work;
    std::vector<uint8_t> mask;
    bool prepared = false;
    if (IsIndexed(FormatOf(slot->bitmap.get()))) {
        bool needsDirect = false;
        prepared = PrepareIndexed(e, slot->bitmap, inversion, work, &mask, &needsDirect);
        if (!prepared && needsDirect) prepared = PrepareDirect(e, slot->bitmap, inversion, work, &mask);
    } else {
        prepared = PrepareDirect(e, slot->bitmap, inversion, work, &mask);
    }
    if (!prepared) return false;

    if (item.oneBit) {
        item.oneBit = false;
        if (!ConvertToOneBit(e, work)) return false;
    }

    DibImage dib;
    if (!BitmapToDib(e.messages, work, &dib)) return false;
    IconWriteEntry entry;
    if (!MakeIconBitmapWriteEntry(dib, mask, &entry)) return false;
    entry.hotspotX = slot->hotspotX;
    entry.hotspotY = slot->hotspotY;
    dib = DibImage{};

    // A 1-bit image is shown as the file will show it: its colours with the mask's transparency.
    if (FormatOf(work.get()) == fmt::k1Index) {
        GpBitmapOwner argb;
        bool shown = ConvertDirect(e, work, fmt::k32ARGB, false, argb) == Gdiplus::Ok;
        if (shown) {
            BitmapLock lock(e.messages, argb, kLockReadWrite, fmt::k32ARGB, BitmapRole::Image);
            shown = lock.ok() && ApplyIconMask(mask, static_cast<int>(DwordStride(entry.width, 1)), lock.view());
            shown = lock.ok() && lock.Unlock() == Gdiplus::Ok && shown;
        }
        if (shown)
            work = std::move(argb);
        else
            e.messages.App(ConversionFailureText(fmt::k32ARGB));  // the 1-bit image is kept
    }
    ReplaceBitmap(e, item.slot, work);
    *out = std::move(entry);
    return true;
}

bool MakePngEntry(Editor& e, int slotIndex, IconWriteEntry* out) {
    ImageSlot* slot = SlotAt(e, slotIndex);
    if (!slot || !out) return false;
    std::vector<uint8_t> data;
    if (!EncodePngBytes(e.messages, slot->bitmap.get(), &data)) return false;
    IconWriteEntry entry;
    entry.data = std::move(data);
    entry.width = slot->width;
    entry.height = slot->height;
    entry.bitCount = BitsPerPixel(FormatOf(slot->bitmap.get()));
    entry.hotspotX = slot->hotspotX;
    entry.hotspotY = slot->hotspotY;
    *out = std::move(entry);
    return true;
}

bool WriteIconFile(const std::vector<IconWriteEntry>& entries, const Text& path, bool pointer) {
    if (entries.empty() || path.empty()) return false;
    for (const IconWriteEntry& entry : entries)
        if (entry.data.empty()) return false;
    // A read-only file is not replaced.
    if (IsReadOnlyFile(path)) return false;
    std::vector<uint8_t> file;
    if (!BuildIconFile(entries, pointer, &file)) return false;
    return WriteBytesSafely(path, file);
}

// ---- Pictures in dialogs -------------------------------------------------------------------

namespace {
// The image drawn at the frame's top left corner, as large as the frame allows.
double PictureScale(HWND frame, int width, int height) {
    RECT r{};
    GetClientRect(frame, &r);
    if (width <= 0 || height <= 0 || r.right <= 0 || r.bottom <= 0) return 0;
    return std::min(static_cast<double>(r.right) / width, static_cast<double>(r.bottom) / height);
}

// The image pixel under a point of the dialog's client area; false outside the picture.
bool PixelUnder(HWND dlg, int frameId, const ImageSlot& slot, LPARAM lp, int* x, int* y) {
    HWND frame = GetDlgItem(dlg, frameId);
    const double scale = PictureScale(frame, slot.width, slot.height);
    if (scale <= 0) return false;
    POINT p{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
    MapWindowPoints(dlg, frame, &p, 1);
    if (p.x < 0 || p.y < 0) return false;
    const int px = static_cast<int>(p.x / scale);
    const int py = static_cast<int>(p.y / scale);
    if (px >= slot.width || py >= slot.height) return false;
    *x = px;
    *y = py;
    return true;
}

// Paints the frame: a chequer board where the image is transparent, the image scaled without
// smoothing, and, when asked, cross lines through the hot spot pixel.
void DrawPicture(const DRAWITEMSTRUCT& d, ImageSlot& slot, const POINT* hotspot) {
    HDC dc = d.hDC;
    const RECT& r = d.rcItem;
    FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
    const double scale = PictureScale(d.hwndItem, slot.width, slot.height);
    if (scale <= 0 || !slot.occupied()) return;
    const int w = static_cast<int>(slot.width * scale), h = static_cast<int>(slot.height * scale);
    HBRUSH light = CreateSolidBrush(RGB(255, 255, 255)), dark = CreateSolidBrush(RGB(204, 204, 204));
    constexpr int kCell = 6;
    for (int y = 0; y < h; y += kCell)
        for (int x = 0; x < w; x += kCell) {
            RECT c{x, y, std::min(x + kCell, w), std::min(y + kCell, h)};
            FillRect(dc, &c, ((x / kCell + y / kCell) & 1) ? dark : light);
        }
    DeleteObject(light);
    DeleteObject(dark);
    GpGraphicsOwner g;
    if (g.Check(gp::GdipCreateFromHDC(dc, g.put())) == Gdiplus::Ok && g) {
        g.Check(gp::GdipSetInterpolationMode(g.get(), Gdiplus::InterpolationModeNearestNeighbor));
        g.Check(gp::GdipSetPixelOffsetMode(g.get(), Gdiplus::PixelOffsetModeHalf));
        g.Check(gp::GdipDrawImageRectI(g.get(), slot.bitmap.get(), 0, 0, w, h));
    }
    g.reset();
    if (hotspot) {
        const int cx = static_cast<int>((hotspot->x + 0.5) * scale), cy = static_cast<int>((hotspot->y + 0.5) * scale);
        HPEN pen = CreatePen(PS_SOLID, 1, RGB(255, 0, 0));
        HGDIOBJ old = SelectObject(dc, pen);
        MoveToEx(dc, cx, 0, nullptr);
        LineTo(dc, cx, h);
        MoveToEx(dc, 0, cy, nullptr);
        LineTo(dc, w, cy);
        SelectObject(dc, old);
        DeleteObject(pen);
    }
}

int Clamp(int v, int low, int high) { return v < low ? low : (v > high ? high : v); }

// ---- Hot spot dialog (112) -------------------------------------------------------------------

int EditValue(HWND dlg, int id) {
    BOOL ok = FALSE;
    int v = static_cast<int>(GetDlgItemInt(dlg, id, &ok, TRUE));
    return ok ? v : 0;
}

POINT HotSpotShown(HWND dlg, const ImageSlot& slot) {
    return POINT{Clamp(EditValue(dlg, IDC_HOTSPOT_X), 0, std::max(slot.width - 1, 0)),
                 Clamp(EditValue(dlg, IDC_HOTSPOT_Y), 0, std::max(slot.height - 1, 0))};
}

// Dialog 112: the hot spot of one image, typed or clicked on its picture.
class HotSpotDialogHost : public DialogHost {
public:
    HotSpotDialogHost(Editor& e, int slot) : DialogHost(e, IDD_HOTSPOT), slot_(slot) {}

private:
    ImageSlot& Slot() const { return editor().images.slots[static_cast<size_t>(slot_)]; }
    void OnInit() override {
        HWND dlg = dialog();
        const ImageSlot& slot = Slot();
        const int spins[2] = {IDC_HOTSPOT_SPIN_X, IDC_HOTSPOT_SPIN_Y};
        const int edits[2] = {IDC_HOTSPOT_X, IDC_HOTSPOT_Y};
        const int highs[2] = {std::max(slot.width - 1, 0), std::max(slot.height - 1, 0)};
        const int starts[2] = {slot.hotspotX, slot.hotspotY};
        for (int i = 0; i < 2; ++i) {
            SendDlgItemMessageW(dlg, edits[i], EM_LIMITTEXT, 32, 0);
            SendDlgItemMessageW(dlg, spins[i], UDM_SETBUDDY, reinterpret_cast<WPARAM>(GetDlgItem(dlg, edits[i])), 0);
            SendDlgItemMessageW(dlg, spins[i], UDM_SETRANGE32, 0, highs[i]);
            const int start = Clamp(starts[i], 0, highs[i]);
            SendDlgItemMessageW(dlg, spins[i], UDM_SETPOS32, 0, start);
            SetDlgItemInt(dlg, edits[i], static_cast<UINT>(start), FALSE);
        }
    }
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, INT_PTR* result) override {
        HWND dlg = dialog();
        if (msg == WM_DRAWITEM) {
            auto* d = reinterpret_cast<DRAWITEMSTRUCT*>(lp);
            if (d->CtlID != IDC_HOTSPOT_PICTURE) return false;
            POINT hot = HotSpotShown(dlg, Slot());
            DrawPicture(*d, Slot(), &hot);
            *result = TRUE;
            return true;
        }
        if (msg != WM_LBUTTONDOWN && msg != WM_MOUSEMOVE) return false;
        if (msg == WM_MOUSEMOVE && !(wp & MK_LBUTTON)) return false;
        int x = 0, y = 0;
        if (!PixelUnder(dlg, IDC_HOTSPOT_PICTURE, Slot(), lp, &x, &y)) return false;
        SendDlgItemMessageW(dlg, IDC_HOTSPOT_SPIN_X, UDM_SETPOS32, 0, x);
        SendDlgItemMessageW(dlg, IDC_HOTSPOT_SPIN_Y, UDM_SETPOS32, 0, y);
        SetDlgItemInt(dlg, IDC_HOTSPOT_X, static_cast<UINT>(x), FALSE);
        SetDlgItemInt(dlg, IDC_HOTSPOT_Y, static_cast<UINT>(y), FALSE);
        *result = TRUE;
        return true;
    }
    bool OnCommand(int id, int code, HWND) override {
        if ((id != IDC_HOTSPOT_X && id != IDC_HOTSPOT_Y) || code != EN_CHANGE) return false;
        InvalidateRect(Item(IDC_HOTSPOT_PICTURE), nullptr, FALSE);
        return true;
    }
    void OnOk() override {
        ImageSlot& slot = Slot();
        POINT hot = HotSpotShown(dialog(), slot);
        slot.hotspotX = hot.x;
        slot.hotspotY = hot.y;
        End(IDOK);
    }

    int slot_;
};

// ---- Pointer options dialog (111) ------------------------------------------------------------

// The values of a pointer's list line, edited in dialog 111 and copied back on OK.
struct OptionsState {
    Editor* editor;
    IconListItem values;
};

UINT_PTR CALLBACK ColourChooserHook(HWND dlg, UINT msg, WPARAM, LPARAM lp) {
    if (msg == WM_INITDIALOG) {
        auto* cc = reinterpret_cast<CHOOSECOLORW*>(lp);
        auto* e = reinterpret_cast<Editor*>(cc->lCustData);
        if (e && e->dialogObserver) e->dialogObserver(dlg, kInversionColourChooserId);
        return TRUE;
    }
    return FALSE;
}

// The standard colour chooser, starting at the current inversion colour.
void ChooseInversionColour(HWND dlg, OptionsState& st) {
    static COLORREF custom[16] = {};  // the chooser's own custom colours, kept while the program runs
    CHOOSECOLORW cc{};
    cc.lStructSize = sizeof cc;
    cc.hwndOwner = dlg;
    cc.rgbResult = st.values.hasInversionColour ? Win32FromArgb(st.values.inversionColour) : RGB(0, 0, 0);
    cc.lpCustColors = custom;
    cc.Flags = CC_RGBINIT | CC_FULLOPEN | CC_ENABLEHOOK;
    cc.lCustData = reinterpret_cast<LPARAM>(st.editor);
    cc.lpfnHook = ColourChooserHook;
    if (!ChooseColorW(&cc)) return;
    st.values.inversionColour = ArgbFromWin32(cc.rgbResult);
    st.values.hasInversionColour = true;
    InvalidateRect(GetDlgItem(dlg, IDC_OPTIONS_COLOUR), nullptr, TRUE);
}

void DrawSwatch(const DRAWITEMSTRUCT& d, const IconListItem& values) {
    RECT r = d.rcItem;
    FillRect(d.hDC, &r, GetSysColorBrush(COLOR_BTNFACE));
    if (values.hasInversionColour) {
        HBRUSH b = CreateSolidBrush(Win32FromArgb(values.inversionColour));
        FillRect(d.hDC, &r, b);
        DeleteObject(b);
    }
    DrawEdge(d.hDC, &r, EDGE_SUNKEN, BF_RECT);
}

// Dialog 111: inversion and one-bit options of a pointer's image.
class OptionsDialogHost : public DialogHost {
public:
    OptionsDialogHost(Editor& e, const IconListItem& item) : DialogHost(e, IDD_POINTER_OPTIONS), st{&e, item} {}
    OptionsState st;

private:
    void OnInit() override {
        CheckDlgButton(dialog(), IDC_OPTIONS_INVERTED, st.values.inverted ? BST_CHECKED : BST_UNCHECKED);
        CheckDlgButton(dialog(), IDC_OPTIONS_ONE_BIT, st.values.oneBit ? BST_CHECKED : BST_UNCHECKED);
        EnableWindow(Item(IDC_OPTIONS_INVERT_COLOUR_BUTTON), st.values.inverted);
    }
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, INT_PTR* result) override {
        const ImageSlot& slot = editor().images.slots[static_cast<size_t>(st.values.slot)];
        if (msg == WM_DRAWITEM) {
            auto* d = reinterpret_cast<DRAWITEMSTRUCT*>(lp);
            if (d->CtlID == IDC_OPTIONS_PICTURE)
                DrawPicture(*d, editor().images.slots[static_cast<size_t>(st.values.slot)], nullptr);
            else if (d->CtlID == IDC_OPTIONS_COLOUR)
                DrawSwatch(*d, st.values);
            else
                return false;
            *result = TRUE;
            return true;
        }
        if (msg != WM_LBUTTONDOWN && msg != WM_MOUSEMOVE) return false;
        if (!st.values.inverted || (msg == WM_MOUSEMOVE && !(wp & MK_LBUTTON))) return false;
        int x = 0, y = 0;
        if (!PixelUnder(dialog(), IDC_OPTIONS_PICTURE, slot, lp, &x, &y)) return false;
        Gdiplus::ARGB c = 0;
        if (gp::GdipBitmapGetPixel(slot.bitmap.get(), x, y, &c) != Gdiplus::Ok) return false;
        st.values.inversionColour = c;
        st.values.hasInversionColour = true;
        InvalidateRect(Item(IDC_OPTIONS_COLOUR), nullptr, TRUE);
        *result = TRUE;
        return true;
    }
    bool OnCommand(int id, int, HWND) override {
        if (id == IDC_OPTIONS_INVERTED) {
            st.values.inverted = IsDlgButtonChecked(dialog(), IDC_OPTIONS_INVERTED) == BST_CHECKED;
            EnableWindow(Item(IDC_OPTIONS_INVERT_COLOUR_BUTTON), st.values.inverted);
            return true;
        }
        if (id == IDC_OPTIONS_INVERT_COLOUR_BUTTON) {
            if (st.values.inverted) ChooseInversionColour(dialog(), st);
            return true;
        }
        return false;
    }
    void OnOk() override {
        st.values.oneBit = IsDlgButtonChecked(dialog(), IDC_OPTIONS_ONE_BIT) == BST_CHECKED;
        End(IDOK);
    }
};

// ---- Icon and pointer dialogs (109, 110) -----------------------------------------------------

struct ListState {
    Editor* editor;
    bool pointer;
    std::vector<IconListItem> items;  // one per line of the list, in list order
};

int SelectedLine(HWND dlg) {
    LRESULT i = SendDlgItemMessageW(dlg, IDC_ICON_LIST, LB_GETCURSEL, 0, 0);
    return i == LB_ERR ? -1 : static_cast<int>(i);
}

void FillList(HWND dlg, const ListState& st, int select) {
    HWND list = GetDlgItem(dlg, IDC_ICON_LIST);
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    for (const IconListItem& item : st.items) {
        Text name = SplitPath(st.editor->images.slots[static_cast<size_t>(item.slot)].path).name;
        LRESULT line = SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(W(name)));
        if (line >= 0) SendMessageW(list, LB_SETITEMDATA, static_cast<WPARAM>(line), item.slot);
    }
    if (select >= 0 && select < static_cast<int>(st.items.size())) SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(select), 0);
}

// Every open image in slot order; a line that was there keeps its image's options.
void ResetItems(ListState& st) {
    std::vector<IconListItem> items;
    for (int i = 0; i < kMaxImages; ++i) {
        if (!st.editor->images.slots[static_cast<size_t>(i)].occupied()) continue;
        IconListItem item;
        item.slot = i;
        for (const IconListItem& old : st.items)
            if (old.slot == i) item = old;
        items.push_back(item);
    }
    st.items = std::move(items);
}

// The pointer dialog's fields for the selected line.
void ShowValues(HWND dlg, ListState& st) {
    const int line = SelectedLine(dlg);
    const IconListItem* item = line >= 0 && line < static_cast<int>(st.items.size()) ? &st.items[static_cast<size_t>(line)] : nullptr;
    const ImageSlot* slot = item ? SlotAt(*st.editor, item->slot) : nullptr;
    if (!slot) {
        for (int id : {IDC_POINTER_HOTSPOT_X, IDC_POINTER_HOTSPOT_Y, IDC_POINTER_ONE_BIT, IDC_POINTER_INVERTED})
            SetDlgItemTextW(dlg, id, L"");
        EnableWindow(GetDlgItem(dlg, IDC_POINTER_OPTIONS), FALSE);
        return;
    }
    SetDlgItemInt(dlg, IDC_POINTER_HOTSPOT_X, static_cast<UINT>(slot->hotspotX), FALSE);
    SetDlgItemInt(dlg, IDC_POINTER_HOTSPOT_Y, static_cast<UINT>(slot->hotspotY), FALSE);
    SetDlgItemTextW(dlg, IDC_POINTER_ONE_BIT, item->oneBit ? L"1 bpp" : L"");
    SetDlgItemTextW(dlg, IDC_POINTER_INVERTED, item->inverted ? L"色反転" : L"");
    EnableWindow(GetDlgItem(dlg, IDC_POINTER_OPTIONS), slot->width < kPngSide && slot->height < kPngSide);
}

// Makes every entry and writes the file; nothing is written when an entry could not be made.
void WriteListedImages(ListState& st) {
    Editor& e = *st.editor;
    // An entry's image with paste objects: they are merged first (Yes), left out of the file
    // (No), or nothing is written (Cancel), as when saving in the other formats.
    std::vector<int> asked;
    for (const IconListItem& item : st.items) {
        ImageSlot* slot = SlotAt(e, item.slot);
        if (!slot || slot->pasteObjects.Empty() || std::find(asked.begin(), asked.end(), item.slot) != asked.end()) continue;
        asked.push_back(item.slot);
        const int answer = e.messages.App(u"貼紙をマージしますか？", MB_YESNOCANCEL);
        if (answer == IDCANCEL) return;
        if (answer != IDYES) continue;
        // The merge works on the current image.
        const int current = e.images.current;
        e.images.current = item.slot;
        MergeAllPasteObjects(e);
        e.images.current = current;
    }
    std::vector<IconWriteEntry> entries;
    for (IconListItem& item : st.items) {
        ImageSlot* slot = SlotAt(e, item.slot);
        if (!slot) return;
        IconWriteEntry entry;
        bool made = false;
        if (NeedsPngEntry(*slot)) {
            made = MakePngEntry(e, item.slot, &entry);
        } else {
            if (!st.pointer) item = IconListItem{item.slot};
            made = MakeBitmapEntry(e, item, &entry);
        }
        if (!made) return;
        entries.push_back(std::move(entry));
    }
    WriteIconFile(entries, e.saveName, st.pointer);
}

bool OnListCommand(HWND dlg, ListState& st, int id) {
    const int line = SelectedLine(dlg);
    const int count = static_cast<int>(st.items.size());
    switch (id) {
    case IDC_ICON_RESET:
        ResetItems(st);
        FillList(dlg, st, st.pointer ? 0 : -1);
        return true;
    case IDC_ICON_REMOVE:
        if (line < 0 || line >= count) return true;
        st.items.erase(st.items.begin() + line);
        FillList(dlg, st, std::min(line, count - 2));
        return true;
    case IDC_ICON_UP:
        if (line <= 0 || line >= count) return true;
        std::swap(st.items[static_cast<size_t>(line)], st.items[static_cast<size_t>(line - 1)]);
        FillList(dlg, st, line - 1);
        return true;
    case IDC_ICON_DOWN:
        if (line < 0 || line + 1 >= count) return true;
        std::swap(st.items[static_cast<size_t>(line)], st.items[static_cast<size_t>(line + 1)]);
        FillList(dlg, st, line + 1);
        return true;
    }
    if (!st.pointer) return false;
    IconListItem* item = line >= 0 && line < count ? &st.items[static_cast<size_t>(line)] : nullptr;
    switch (id) {
    case IDC_POINTER_HOTSPOT_SET:
        if (item && SlotAt(*st.editor, item->slot)) HotSpotDialog(*st.editor, dlg, item->slot);
        return true;
    case IDC_POINTER_APPLY_ALL:
        if (const ImageSlot* from = item ? SlotAt(*st.editor, item->slot) : nullptr) {
            const int x = from->hotspotX, y = from->hotspotY;
            for (const IconListItem& other : st.items)
                if (ImageSlot* to = SlotAt(*st.editor, other.slot)) {
                    to->hotspotX = x;
                    to->hotspotY = y;
                }
        }
        return true;
    case IDC_POINTER_OPTIONS:
        if (const ImageSlot* slot = item ? SlotAt(*st.editor, item->slot) : nullptr;
            slot && slot->width < kPngSide && slot->height < kPngSide)
            PointerOptionsDialog(*st.editor, dlg, *item);
        return true;
    }
    return false;
}

// Dialogs 109 (icons) and 110 (pointers): the images that go into the file, in order.
class ListDialogHost : public DialogHost {
public:
    ListDialogHost(Editor& e, bool pointer) : DialogHost(e, pointer ? IDD_POINTER : IDD_ICON), st_{&e, pointer, {}} {}

private:
    void OnInit() override {
        ResetItems(st_);
        FillList(dialog(), st_, st_.pointer ? 0 : -1);
        if (st_.pointer) ShowValues(dialog(), st_);
    }
    bool OnCommand(int id, int, HWND) override {
        // A selection change of the list only refreshes the fields.
        const bool handled = id == IDC_ICON_LIST || OnListCommand(dialog(), st_, id);
        if (st_.pointer) ShowValues(dialog(), st_);
        return handled;
    }
    void OnOk() override {
        WriteListedImages(st_);
        End(IDOK);
    }

    ListState st_;
};

}  // namespace

bool HotSpotDialog(Editor& e, HWND owner, int slot) {
    if (!SlotAt(e, slot)) return false;
    return HotSpotDialogHost(e, slot).Run(owner) == IDOK;
}

bool PointerOptionsDialog(Editor& e, HWND owner, IconListItem& item) {
    if (!SlotAt(e, item.slot)) return false;
    OptionsDialogHost host(e, item);
    if (host.Run(owner) != IDOK) return false;
    item = host.st.values;
    return true;
}

void IconDialog(Editor& e) { ListDialogHost(e, false).Run(); }

void PointerDialog(Editor& e) { ListDialogHost(e, true).Run(); }

void IconOrPointerQuestion(Editor& e, const std::function<void()>& reopenSaveDialog) {
    const int answer = e.messages.App(u"ｱｲｺﾝ形式で保存するときは[はい]を\nｶｰｿﾙ形式で保存するときは[いいえ]を押してください",
                                      MB_YESNOCANCEL | MB_ICONQUESTION);
    if (answer == IDYES) {
        IconDialog(e);
        return;
    }
    if (answer != IDNO) return;
    Text& name = e.saveName;
    if (!HasExtension(name, u"cur")) {
        if (HasAnyExtension(name)) {
            e.messages.App(u"拡張子を .cur に変更します", MB_OK | MB_ICONINFORMATION);
            name = ReplaceExtension(name, u"cur");
        } else {
            name = WithDefaultExtension(name, u"cur");
        }
        if (FileExists(name) &&
            e.messages.App(u"指定されたファイルは存在します。\n上書きしますか", MB_YESNO | MB_ICONQUESTION) != IDYES) {
            if (reopenSaveDialog) reopenSaveDialog();
            return;
        }
    }
    PointerDialog(e);
}

}  // namespace mirelo
