#include "ops/resize_image.h"

#include <cwchar>

#include "app/editor.h"
#include "app/command_registry.h"
#include "app/dialog_host.h"
#include "edit/undo_history.h"
#include "image/apply_op.h"
#include "image/bitmap_access.h"
#include "image/format_change.h"
#include "res/resource.h"

namespace mirelo {

namespace {

constexpr int kMaxSide = 4096;
constexpr int kMaxPercent = 5000;
constexpr int kPreviewSide = 32;

const Gdiplus::InterpolationMode kModes[] = {
    Gdiplus::InterpolationModeNearestNeighbor, Gdiplus::InterpolationModeBicubic, Gdiplus::InterpolationModeBilinear,
    Gdiplus::InterpolationModeHighQualityBicubic, Gdiplus::InterpolationModeHighQualityBilinear,
};
constexpr int kButtonCount = 5;

// Each smoothing button shows its own mode at work: a small picture of a ring scaled up with it.
HBITMAP SmoothingPicture(Editor& e, Gdiplus::InterpolationMode mode) {
    constexpr int kSmall = 8;
    GpBitmapOwner small, big;
    if (!CreateGpBitmap(small, kSmall, kSmall, fmt::k32ARGB)) return nullptr;
    const uint32_t face = GetSysColor(COLOR_BTNFACE);
    const Gdiplus::ARGB background = 0xFF000000u | ((face & 0xFF) << 16) | (face & 0xFF00) | ((face >> 16) & 0xFF);
    for (int y = 0; y < kSmall; ++y)
        for (int x = 0; x < kSmall; ++x) {
            const int dx = 2 * x - 7, dy = 2 * y - 7, d = dx * dx + dy * dy;
            gp::GdipBitmapSetPixel(small.get(), x, y, d >= 16 && d <= 40 ? 0xFF1F4FBFu : background);
        }
    if (RedrawInFormat(e, small, kPreviewSide, kPreviewSide, fmt::k32ARGB, mode, big) != Gdiplus::Ok) return nullptr;
    HBITMAP picture = nullptr;
    gp::GdipCreateHBITMAPFromBitmap(big.get(), &picture, background);
    return picture;
}

class ResizeDialogHost : public DialogHost {
public:
    explicit ResizeDialogHost(Editor& e) : DialogHost(e, IDD_RESIZE) {}
    ~ResizeDialogHost() override {
        for (HBITMAP b : pictures_)
            if (b) DeleteObject(b);
    }
    int width = 0, height = 0;  // the size chosen with OK

private:
    void OnInit() override {
        Editor& e = editor();
        const ImageSlot& s = *e.Current();
        for (const wchar_t* unit : {L"px", L"%"})
            SendDlgItemMessageW(dialog(), IDC_RESIZE_UNIT, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(unit));
        SendDlgItemMessageW(dialog(), IDC_RESIZE_UNIT, CB_SETCURSEL, static_cast<WPARAM>(e.resize.unit), 0);
        for (int id : {IDC_RESIZE_WIDTH, IDC_RESIZE_HEIGHT}) SendDlgItemMessageW(dialog(), id, EM_LIMITTEXT, 5, 0);
        currentWidth_ = s.width;
        currentHeight_ = s.height;
        ResetFields();
        CheckDlgButton(dialog(), IDC_RESIZE_SAME_RATIO, BST_CHECKED);
        for (int i = 0; i < kButtonCount; ++i) {
            pictures_[i] = SmoothingPicture(e, kModes[i]);
            SendDlgItemMessageW(dialog(), IDC_RESIZE_SMOOTH_FIRST + i, BM_SETIMAGE, IMAGE_BITMAP,
                                reinterpret_cast<LPARAM>(pictures_[i]));
        }
        CheckRadioButton(dialog(), IDC_RESIZE_SMOOTH_FIRST, IDC_RESIZE_SMOOTH_FIRST + kButtonCount - 1,
                         IDC_RESIZE_SMOOTH_FIRST + e.resize.smoothingButton);
    }

    // The fields and spin ranges of the unit: the image's size in pixels, or 100 %.
    void ResetFields() {
        const bool percent = editor().resize.unit == 1;
        const int max = percent ? kMaxPercent : kMaxSide;
        for (int spin : {IDC_RESIZE_SPIN_WIDTH, IDC_RESIZE_SPIN_HEIGHT})
            SendDlgItemMessageW(dialog(), spin, UDM_SETRANGE32, 1, max);
        SetDlgItemInt(dialog(), IDC_RESIZE_WIDTH, static_cast<UINT>(percent ? 100 : currentWidth_), FALSE);
        SetDlgItemInt(dialog(), IDC_RESIZE_HEIGHT, static_cast<UINT>(percent ? 100 : currentHeight_), FALSE);
    }

    // With the lock on, a field typed into sets the other one (only the focused field, so that
    // the write does not come back).
    void OnSizeTyped(int id) {
        if (IsDlgButtonChecked(dialog(), IDC_RESIZE_SAME_RATIO) != BST_CHECKED || GetFocus() != Item(id)) return;
        const int other = id == IDC_RESIZE_WIDTH ? IDC_RESIZE_HEIGHT : IDC_RESIZE_WIDTH;
        const Text text = WindowText(Item(id));
        if (editor().resize.unit == 1) {
            SetDlgItemTextW(dialog(), other, W(text));
            return;
        }
        const double entered = ParsePlainInt(text);
        const double thisSide = id == IDC_RESIZE_WIDTH ? currentWidth_ : currentHeight_;
        const double otherSide = id == IDC_RESIZE_WIDTH ? currentHeight_ : currentWidth_;
        SetDlgItemInt(dialog(), other, static_cast<UINT>(static_cast<long long>(otherSide * entered / thisSide)), FALSE);
    }

    bool OnCommand(int id, int code, HWND) override {
        if ((id == IDC_RESIZE_WIDTH || id == IDC_RESIZE_HEIGHT) && code == EN_CHANGE) {
            OnSizeTyped(id);
            return true;
        }
        if (id == IDC_RESIZE_UNIT && code == CBN_SELCHANGE) {
            const int unit = static_cast<int>(SendDlgItemMessageW(dialog(), IDC_RESIZE_UNIT, CB_GETCURSEL, 0, 0));
            editor().resize.unit = unit == 1 ? 1 : 0;
            ResetFields();
            return true;
        }
        if (id >= IDC_RESIZE_SMOOTH_FIRST && id < IDC_RESIZE_SMOOTH_FIRST + kButtonCount && code == BN_CLICKED) {
            editor().resize.smoothingButton = id - IDC_RESIZE_SMOOTH_FIRST;
            return true;
        }
        return false;
    }

    void OnOk() override {
        const int w = ParsePlainInt(WindowText(Item(IDC_RESIZE_WIDTH)));
        const int h = ParsePlainInt(WindowText(Item(IDC_RESIZE_HEIGHT)));
        if (editor().resize.unit == 1) {
            width = static_cast<int>(static_cast<long long>(w) * currentWidth_ / 100);
            height = static_cast<int>(static_cast<long long>(h) * currentHeight_ / 100);
        } else {
            width = w;
            height = h;
        }
        End(IDOK);
    }

    int currentWidth_ = 0, currentHeight_ = 0;
    HBITMAP pictures_[kButtonCount] = {};
};

}  // namespace

Gdiplus::InterpolationMode SmoothingMode(int button) {
    return kModes[button >= 0 && button < kButtonCount ? button : kButtonCount - 1];
}

void ResizeDialog(Editor& e) {
    ImageSlot* s = e.Current();
    if (!s || !s->occupied()) return;
    // The paths would no longer fit the image.
    s->selectionPath.reset();
    s->drawPath.reset();
    s->otherPath.reset();
    s->workPath.reset();
    s->selectionAnchor.Clear();
    s->figureAnchor.Clear();
    e.Changed(change::kSelection);
    ResizeDialogHost host(e);
    if (host.Run() != IDOK) return;
    e.activeDialog = nullptr;
    ResizeCurrentImage(e, host.width, host.height, SmoothingMode(e.resize.smoothingButton));
}

bool ResizeCurrentImage(Editor& e, int width, int height, Gdiplus::InterpolationMode mode) {
    ImageSlot* s = e.Current();
    if (!s || !s->occupied()) return false;
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) {
        e.messages.App(u"幅、または高さが0以下、または4096ピクセルを超えているため、サイズ変更できません");
        return false;
    }
    const auto toArgb = [&e] { return ChangeFormat(e, fmt::k32ARGB, u"32bppARGBを作成できません", false, true) == Gdiplus::Ok; };
    if (IsIndexed(s->pixelFormat)) {
        // The conversion records its own step; an indexed image declined stays as it is.
        if (e.messages.App(u"インデックスカラーはサイズ変更できません\n\n32-A8R8G8B8 に変更しますか？", MB_YESNO) == IDYES) toArgb();
    } else {
        RecordUndoStep(e);
    }
    GpBitmapOwner result;
    if (RedrawInFormat(e, s->bitmap, width, height, s->pixelFormat, mode, result) != Gdiplus::Ok) {
        char16_t name[64] = {};
        PixelFormatName(s->pixelFormat, name, 64);
        Text question = Text(name) + u"はサイズ変更できません\n\n32-A8R8G8B8 に変更しますか？";
        if (e.messages.App(question, MB_YESNO) != IDYES || !toArgb()) return false;
        if (RedrawInFormat(e, s->bitmap, width, height, s->pixelFormat, mode, result) != Gdiplus::Ok) return false;
    }
    ReplaceBitmap(e, e.images.current, result);
    return true;
}

}  // namespace mirelo
