#include "ops/alpha_dialog.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "app/editor.h"
#include "app/command_registry.h"
#include "app/dialog_host.h"
#include "common/wait_cursor.h"
#include "edit/undo_history.h"
#include "image/bitmap_access.h"
#include "image/format_change.h"
#include "ops/alpha_change.h"
#include "res/resource.h"

namespace mirelo {

namespace {

Gdiplus::ARGB Grey(uint8_t level) { return 0xFF000000u | level * 0x010101u; }

// Paints gradient `source` as a 24-bit grey mask of the image's size.
bool PaintGradient(Editor& e, int source, int width, int height, GpBitmapOwner& mask) {
    if (!CreateGpBitmap(mask, width, height, fmt::k24RGB)) {
        e.messages.LowLevel(u"Bmp_Copyを作成できません");
        return false;
    }
    const AlphaGradient g = AlphaGradientFor(source, width, height);
    GpGraphicsOwner graphics;
    graphics.Check(gp::GdipGetImageGraphicsContext(mask.get(), graphics.put()));
    if (!graphics) return false;
    GpBrushOwner brush;
    if (g.linear) {
        const Gdiplus::GpPoint p1{g.x1, g.y1}, p2{g.x2, g.y2};
        Gdiplus::GpLineGradient* line = nullptr;
        graphics.Check(gp::GdipCreateLineBrushI(&p1, &p2, Grey(g.c1), Grey(g.c2), Gdiplus::WrapModeTile, &line));
        brush.reset(line);
        if (brush) graphics.Check(gp::GdipFillRectangleI(graphics.get(), brush.get(), 0, 0, width, height));
        return graphics.lastStatus() == Gdiplus::Ok;
    }
    graphics.Check(gp::GdipGraphicsClear(graphics.get(), Grey(g.background)));
    GpPathOwner path;
    graphics.Check(gp::GdipCreatePath(Gdiplus::FillModeAlternate, path.put()));
    if (!path) return false;
    if (g.ellipse)
        gp::GdipAddPathEllipseI(path.get(), g.left, g.top, g.width, g.height);
    else
        gp::GdipAddPathRectangleI(path.get(), g.left, g.top, g.width, g.height);
    Gdiplus::GpPathGradient* shape = nullptr;
    graphics.Check(gp::GdipCreatePathGradientFromPath(path.get(), &shape));
    brush.reset(shape);
    if (!brush) return false;
    INT count = 0;
    gp::GdipGetPathGradientPointCount(shape, &count);
    graphics.Check(gp::GdipSetPathGradientCenterColor(shape, Grey(g.centre)));
    if (count > 0) {
        std::vector<Gdiplus::ARGB> surround(static_cast<size_t>(count), Grey(g.surround));
        graphics.Check(gp::GdipSetPathGradientSurroundColorsWithCount(shape, surround.data(), &count));
    }
    graphics.Check(gp::GdipFillPath(graphics.get(), brush.get(), path.get()));
    return graphics.lastStatus() == Gdiplus::Ok;
}

class TransparencyDialogHost : public DialogHost {
public:
    explicit TransparencyDialogHost(Editor& e) : DialogHost(e, IDD_TRANSPARENCY) {}
    AlphaChoice choice;

private:
    void OnInit() override {
        Editor& e = editor();
        const auto add = [this](int list, const char16_t* text) {
            SendDlgItemMessageW(dialog(), list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(W(text)));
        };
        for (const char16_t* name : kAlphaSourceNames) add(IDC_ALPHA_SOURCE, name);
        for (int i = 0; i < kMaxImages; ++i) {
            const ImageSlot& s = e.images.slots[static_cast<size_t>(i)];
            if (i == e.images.current || !s.occupied()) continue;
            const size_t slash = s.path.find_last_of(u'\\');
            const Text name = slash == Text::npos ? s.path : s.path.substr(slash + 1);
            add(IDC_ALPHA_SOURCE, name.c_str());
            others_.push_back(i);
        }
        for (const char16_t* name : kAlphaOperationNames) add(IDC_ALPHA_OPERATION, name);
        SendDlgItemMessageW(dialog(), IDC_ALPHA_SOURCE, CB_SETCURSEL, 0, 0);
        SendDlgItemMessageW(dialog(), IDC_ALPHA_OPERATION, CB_SETCURSEL, 0, 0);
        SendDlgItemMessageW(dialog(), IDC_ALPHA_VALUE, EM_LIMITTEXT, 3, 0);
        SendDlgItemMessageW(dialog(), IDC_ALPHA_SPIN, UDM_SETRANGE32, 0, 255);
        SendDlgItemMessageW(dialog(), IDC_ALPHA_SPIN, UDM_SETPOS32, 0, 0);
        ApplySource(0);
    }

    int Selected(int list) const { return static_cast<int>(SendDlgItemMessageW(dialog(), list, CB_GETCURSEL, 0, 0)); }
    int OtherSlot(int source) const {
        const int n = source - alpha_change::kFirstImage;
        return n >= 0 && n < static_cast<int>(others_.size()) ? others_[static_cast<size_t>(n)] : -1;
    }

    // The controls each source offers.
    void ApplySource(int source) {
        const int other = OtherSlot(source);
        const bool otherHasAlpha =
            other >= 0 && HasAlpha(editor().images.slots[static_cast<size_t>(other)].pixelFormat);
        const AlphaSourceControls c = AlphaSourceControlsFor(source, otherHasAlpha);
        EnableWindow(Item(IDC_ALPHA_VALUE), c.valueEnabled);
        EnableWindow(Item(IDC_ALPHA_SPIN), c.valueEnabled);
        if (!c.valueEnabled) SendDlgItemMessageW(dialog(), IDC_ALPHA_SPIN, UDM_SETPOS32, 0, 0);
        EnableWindow(Item(IDC_ALPHA_OPERATION), c.operationEnabled);
        if (!c.operationEnabled) SendDlgItemMessageW(dialog(), IDC_ALPHA_OPERATION, CB_SETCURSEL, 0, 0);
        if (!c.useAlphaEnabled) CheckDlgButton(dialog(), IDC_ALPHA_USE_ALPHA, BST_UNCHECKED);
        EnableWindow(Item(IDC_ALPHA_USE_ALPHA), c.useAlphaEnabled);
    }

    bool OnCommand(int id, int code, HWND) override {
        if (id == IDC_ALPHA_SOURCE && code == CBN_SELCHANGE) {
            ApplySource(Selected(IDC_ALPHA_SOURCE));
            return true;
        }
        return false;
    }

    void OnOk() override {
        choice.source = std::max(0, Selected(IDC_ALPHA_SOURCE));
        choice.operation = std::max(0, Selected(IDC_ALPHA_OPERATION));
        choice.value = std::clamp(ParsePlainInt(WindowText(Item(IDC_ALPHA_VALUE))), 0, 255);
        choice.otherSlot = OtherSlot(choice.source);
        choice.useAlpha = IsDlgButtonChecked(dialog(), IDC_ALPHA_USE_ALPHA) == BST_CHECKED;
        End(IDOK);
    }

    std::vector<int> others_;  // slots of the image entries, in list order
};

}  // namespace

void TransparencyDialog(Editor& e) {
    if (!e.Current() || !e.Current()->occupied()) return;
    TransparencyDialogHost host(e);
    if (host.Run() != IDOK) return;
    e.activeDialog = nullptr;
    ChangeCurrentAlpha(e, host.choice);
}

bool ChangeCurrentAlpha(Editor& e, const AlphaChoice& c) {
    ImageSlot* s = e.Current();
    if (!s || !s->occupied()) return false;
    using Source = AlphaChangeParams::Source;
    AlphaChangeParams params;
    params.operation = c.operation;
    params.value = c.value;
    if (c.source == alpha_change::kUniform) {
        params.source = Source::Uniform;
    } else if (c.source == alpha_change::kInvert) {
        params.source = Source::Invert;
    } else if (c.source == alpha_change::kAlphaAsLuminance) {
        params.source = Source::AlphaAsLuminance;
    } else if (c.source >= alpha_change::kFirstGradient && c.source <= alpha_change::kLastGradient) {
        params.source = Source::Mask;
    } else {
        if (c.otherSlot < 0 || c.otherSlot >= kMaxImages || c.otherSlot == e.images.current ||
            !e.images.slots[static_cast<size_t>(c.otherSlot)].occupied())
            return false;
        params.source = Source::Image;
        params.useAlpha = c.useAlpha;
    }
    if (s->pixelFormat != fmt::k32ARGB &&
        ChangeFormat(e, fmt::k32ARGB, u"32bppARGBを作成できません", false, true) != Gdiplus::Ok)
        return false;
    RecordUndoStep(e);
    WaitCursor wait;
    // The levels: a painted gradient, or the other image read as 32-bit ARGB.
    GpBitmapOwner mask;
    std::optional<BitmapLock> levels;
    PixelView levelView;
    if (params.source == Source::Mask) {
        if (!PaintGradient(e, c.source, s->width, s->height, mask)) {
            e.Changed(change::kHistory);
            return false;
        }
        levels.emplace(e.messages, mask, kLockRead, fmt::k24RGB, BitmapRole::Source);
    } else if (params.source == Source::Image) {
        levels.emplace(e.messages, e.images.slots[static_cast<size_t>(c.otherSlot)].bitmap, kLockRead, fmt::k32ARGB,
                       BitmapRole::Source);
    }
    if (levels) {
        if (!levels->ok()) {
            e.Changed(change::kHistory);
            return false;
        }
        levelView = levels->view();
        params.levels = &levelView;
    }
    OpStatus status;
    {
        BitmapLock image(e.messages, s->bitmap, kLockReadWrite, fmt::k32ARGB, BitmapRole::Destination);
        if (!image.ok()) {
            e.Changed(change::kHistory);
            return false;
        }
        const PixelView view = image.view();
        status = ChangeAlpha(view, view, params);
        image.Unlock();
    }
    if (levels) levels->Unlock();
    if (!status.ok() && status.message) e.messages.LowLevel(status.message);
    ImageChanged(e, e.images.current, kChangedPixels);
    return status.ok();
}

}  // namespace mirelo
