#include "colour/indexed_conversion.h"

#include <cstring>
#include <vector>

#include "app/commands.h"
#include "app/editor.h"
#include "app/menu_state.h"
#include "colour/quantize.h"
#include "edit/undo_history.h"
#include "image/bitmap_access.h"
#include "image/convert.h"
#include "image/image_set.h"
#include "res/resource.h"

namespace mirelo {

namespace {
std::vector<uint8_t> PaletteBytes(const std::vector<uint32_t>& entries, uint32_t flags) {
    std::vector<uint8_t> buf(sizeof(Gdiplus::ColorPalette) + sizeof(Gdiplus::ARGB) * (entries.empty() ? 0 : entries.size() - 1));
    auto* p = reinterpret_cast<Gdiplus::ColorPalette*>(buf.data());
    p->Flags = flags;
    p->Count = static_cast<UINT>(entries.size());
    if (!entries.empty()) std::memcpy(p->Entries, entries.data(), entries.size() * sizeof(uint32_t));
    return buf;
}

bool ReadPalette(Gdiplus::GpBitmap* bitmap, std::vector<uint32_t>* entries, uint32_t* flags) {
    INT size = 0;
    if (gp::GdipGetImagePaletteSize(bitmap, &size) != Gdiplus::Ok || size < static_cast<INT>(sizeof(Gdiplus::ColorPalette)))
        return false;
    std::vector<uint8_t> buf(static_cast<size_t>(size));
    auto* p = reinterpret_cast<Gdiplus::ColorPalette*>(buf.data());
    if (gp::GdipGetImagePalette(bitmap, p, size) != Gdiplus::Ok) return false;
    size_t room = (buf.size() - offsetof(Gdiplus::ColorPalette, Entries)) / sizeof(Gdiplus::ARGB);
    entries->assign(p->Entries, p->Entries + std::min<size_t>(p->Count, room));
    *flags = p->Flags;
    return true;
}

PixelFormat TargetOf(int mode) { return mode <= 4 ? fmt::k1Index : (mode <= 8 ? fmt::k4Index : fmt::k8Index); }
}  // namespace

int ToIndexed(Editor& e, int bitsBase) {
    ImageSlot* s = e.Current();
    if (!s || !s->occupied()) return 1;
    const int mode = IndexedConversionCode(bitsBase, e.settings.paletteMethod);
    const PixelFormat target = TargetOf(mode);
    const PixelFormat before = FormatOf(s->bitmap.get());
    HCURSOR previous = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    int status = 0;
    {
        GpBitmapOwner result;
        if (!CreateGpBitmap(result, s->width, s->height, target)) {
            e.messages.App(u"Bmpを作成できません");
            SetCursor(previous);
            return 1;
        }
        QuantizeRequest request;
        request.sourceFormat = before;
        request.mode = mode;
        request.dither = e.settings.dither;
        request.targetFormat = FormatOf(result.get());
        if (e.fixedPalette.loaded) {
            request.loadedFixedPalette = &e.fixedPalette.entries;
            request.loadedFixedFlags = e.fixedPalette.flags;
        }
        uint32_t defaultFlags = 0;
        if (!ReadPalette(result.get(), &request.targetDefaultPalette, &defaultFlags))
            request.targetDefaultPalette = DefaultPalette(1 << BitsPerPixel(target));
        // The working copy: the source read as 32-bit ARGB.
        std::vector<uint8_t> work;
        {
            BitmapLock lock(e.messages, s->bitmap, kLockRead, fmt::k32ARGB, BitmapRole::Source);
            if (!lock.ok()) {
                SetCursor(previous);
                return lock.status();
            }
            PixelView v = lock.view();
            work.resize(static_cast<size_t>(v.width) * v.height * 4);
            for (int y = 0; y < v.height; ++y)
                std::memcpy(work.data() + static_cast<size_t>(y) * v.width * 4, v.Row(y), static_cast<size_t>(v.width) * 4);
            if (lock.Unlock() != Gdiplus::Ok) {
                SetCursor(previous);
                return 1;
            }
        }
        request.pixels = PixelView{s->width, s->height, s->width * 4, fmt::k32ARGB, work.data()};
        QuantizeResult q = Quantize(request);
        if (q.discardLoadedFixed) e.fixedPalette = FixedPalette{};
        if (q.status != 0) {
            if (q.message) e.messages.LowLevel(q.message);
            status = q.status;
        } else {
            std::vector<uint8_t> pal = PaletteBytes(q.palette, q.paletteFlags);
            if (gp::GdipSetImagePalette(result.get(), reinterpret_cast<Gdiplus::ColorPalette*>(pal.data())) != Gdiplus::Ok) {
                e.messages.LowLevel(mode % 4 == 2 ? u"パレットを設定できません" : u"パレットを作成できません");
                status = 1;
            } else {
                BitmapLock lock(e.messages, result, kLockWrite, target, BitmapRole::DestinationBoth);
                if (!lock.ok()) {
                    status = lock.status();
                } else {
                    PackIndices(q.indices, lock.view());
                    status = lock.Unlock();
                }
            }
        }
        if (status == 0) {
            s->bitmap = std::move(result);
            ImageSize(s->bitmap.get(), &s->width, &s->height);
            if (s->dpiX >= 1 && s->dpiY >= 1)
                gp::GdipBitmapSetResolution(s->bitmap.get(), static_cast<Gdiplus::REAL>(s->dpiX), static_cast<Gdiplus::REAL>(s->dpiY));
            RefreshCurrentThumbnail(e);
        }
    }
    if (e.view) InvalidateRect(e.view, nullptr, FALSE);
    if (target != before) {
        if (!IsIndexed(before)) s->tool = kToolSelect;
        RefreshStatusLine(e);
        UpdatePaletteAlphaFlag(s->bitmap.get());
        s->flags = PaletteHasAlphaFlag(s->bitmap.get()) ? (s->flags | 1u) : (s->flags & ~1u);
        CheckFormatItem(e);
        RefreshMenuState(e);
    }
    SetCursor(previous);
    return status;
}

void IndexedCommand(Editor& e, int command) {
    static const int kBitsBase[] = {1, 5, 9};
    if (command < cmd::k1Index || command > cmd::k8Index || !e.Current()) return;
    RecordUndoStep(e);
    ToIndexed(e, kBitsBase[command - cmd::k1Index]);
}

namespace {
struct FixedDialogState {
    Editor* editor;
    std::vector<int> slots;  // the image slot of each line after "ﾃﾞﾌｫﾙﾄ"
    int chosen = 0;
};

INT_PTR CALLBACK FixedProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    auto* st = reinterpret_cast<FixedDialogState*>(GetWindowLongPtrW(dlg, DWLP_USER));
    if (st) st->editor->TrackDialog(dlg, msg, wp);
    switch (msg) {
    case WM_INITDIALOG: {
        st = reinterpret_cast<FixedDialogState*>(lp);
        SetWindowLongPtrW(dlg, DWLP_USER, lp);
        HWND list = GetDlgItem(dlg, IDC_FIXED_LIST);
        SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"ﾃﾞﾌｫﾙﾄ"));
        for (int i = 0; i < kMaxImages; ++i) {
            const ImageSlot& slot = st->editor->images.slots[static_cast<size_t>(i)];
            if (!slot.occupied() || !IsIndexed(slot.pixelFormat)) continue;
            st->slots.push_back(i);
            Text name = SplitPath(slot.path).name;
            SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(W(name)));
        }
        SendMessageW(list, CB_SETCURSEL, 0, 0);
        if (st->editor->dialogObserver) st->editor->dialogObserver(dlg, IDD_FIXED_PALETTE);
        return TRUE;
    }
    case WM_COMMAND:
        if (!st) return FALSE;
        if (LOWORD(wp) == IDC_FIXED_LIST && HIWORD(wp) == CBN_SELCHANGE) {
            st->chosen = static_cast<int>(SendDlgItemMessageW(dlg, IDC_FIXED_LIST, CB_GETCURSEL, 0, 0));
            return TRUE;
        }
        if (LOWORD(wp) == IDOK) {
            Editor& e = *st->editor;
            e.fixedPalette = FixedPalette{};
            if (st->chosen > 0 && st->chosen <= static_cast<int>(st->slots.size())) {
                ImageSlot& slot = e.images.slots[static_cast<size_t>(st->slots[static_cast<size_t>(st->chosen - 1)])];
                FixedPalette loaded;
                if (ReadPalette(slot.bitmap.get(), &loaded.entries, &loaded.flags)) {
                    loaded.loaded = true;
                    e.fixedPalette = loaded;
                } else {
                    e.messages.LowLevel(u"パレットを取得できません");
                }
            }
            EndDialog(dlg, IDOK);
            return TRUE;
        }
        if (LOWORD(wp) == IDCANCEL) {
            EndDialog(dlg, IDCANCEL);
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}
}  // namespace

void FixedPaletteDialog(Editor& e) {
    FixedDialogState st{&e, {}, 0};
    DialogBoxParamW(e.instance, MAKEINTRESOURCEW(IDD_FIXED_PALETTE), e.mainWindow, FixedProc, reinterpret_cast<LPARAM>(&st));
}

}  // namespace mirelo
