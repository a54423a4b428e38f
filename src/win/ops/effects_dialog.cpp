// Dialog 113 "効果": the thirty effects with a slider and a live preview on a reduced copy,
// a stack of up to 256 applied effects to move back and forth in, and OK applying the stack to
// the image within the selection.
#include "ops/effects_dialog.h"

#include <algorithm>
#include <array>
#include <ctime>
#include <memory>
#include <optional>
#include <vector>

#include "app/editor.h"
#include "app/command_registry.h"
#include "app/dialog_host.h"
#include "common/wait_cursor.h"
#include "image/bitmap_access.h"
#include "image/format_change.h"
#include "image/image_set.h"
#include "ops/apply_effect.h"
#include "ops/effect_stack.h"
#include "ops/effects.h"
#include "res/resource.h"
#include "select/path_mask.h"
#include "select/selection.h"

namespace mirelo {

namespace {
constexpr int kStackSize = 256;

// The effects whose default value changes the image too (the binary effects) preview and apply
// at it.
bool PreviewsAtDefault(int effect) { return EffectTable()[effect].changesAtDefault; }

// The selection of an image as an effect uses it, at the image's size or scaled.
struct ScaledSelection {
    std::optional<EditPath> path;
    std::vector<uint8_t> mask;
    EffectSelection Get() const { return EffectSelection{mask.empty() ? nullptr : mask.data(), path ? &*path : nullptr}; }
};

ScaledSelection SelectionAt(const ImageSlot& s, int width, int height) {
    ScaledSelection out;
    if (!s.selectionPath || s.selectionPath->size() < 3 || s.width <= 0 || s.height <= 0) return out;
    out.path = *s.selectionPath;
    out.path->fillMode = SelectionFillMode(s);
    out.path->Transform(Affine::Scale(static_cast<double>(width) / s.width, static_cast<double>(height) / s.height));
    PathMask(*out.path, 0, 0, width, height, &out.mask);
    return out;
}

class EffectsDialogHost : public DialogHost {
public:
    explicit EffectsDialogHost(Editor& e) : DialogHost(e, IDD_EFFECTS) {}

    struct Entry {
        GpBitmapOwner bitmap;
        EffectStep step;  // effect 0 at its default until an effect is stacked here
    };
    std::array<Entry, kStackSize> stack;
    int position = 0, top = 0;
    // The noise effect's generator, seeded once per run of the dialog: stacked noise entries,
    // previewed or applied, draw on from each other.
    CrtRandom random{static_cast<uint32_t>(std::time(nullptr))};

    // What OK applies: what the preview shows (nothing without a preview).
    std::vector<EffectStep> StepsForOk() const {
        if (!stack[0].bitmap) return {};
        std::vector<EffectStep> entries;
        for (int i = 0; i <= position; ++i) entries.push_back(stack[static_cast<size_t>(i)].step);
        return StepsToApply(entries.data(), position, previewed_ ? &*previewed_ : nullptr);
    }

private:
    void OnInit() override {
        for (int i = 0; i < kEffectCount; ++i)
            SendMessageW(Item(IDC_EFFECT_LIST), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(W(EffectTable()[i].name)));
        SendMessageW(Item(IDC_EFFECT_LIST), LB_SETCURSEL, 0, 0);
        SetSlider(0);
        MakePreviewCopy();
        EnableMoves();
    }

    // The image fitted inside the preview area, keeping its aspect ratio, becomes entry 0.
    void MakePreviewCopy() {
        ImageSlot& s = *editor().Current();
        RECT area{};
        GetClientRect(Item(IDC_EFFECT_PREVIEW), &area);
        const PreviewPlacement place = FitPreview(s.width, s.height, area.right, area.bottom);
        const int w = place.width, h = place.height;
        originX_ = place.x;
        originY_ = place.y;
        // Entry 0 holds effect 0 at its default before anything can fail.
        stack[0] = Entry{};
        stack[0].step = EffectStep{effect::kBrightness, EffectTable()[effect::kBrightness].defaultValue};
        if (RedrawInFormat(editor(), s.bitmap, w, h, fmt::k32ARGB, Gdiplus::InterpolationModeNearestNeighbor, stack[0].bitmap) != Gdiplus::Ok)
            return;
        selection_ = SelectionAt(s, w, h);
        ShowEntry();
    }

    void SetSlider(int effect) {
        const EffectInfo& info = EffectTable()[effect];
        HWND slider = Item(IDC_EFFECT_SLIDER);
        SendMessageW(slider, TBM_SETRANGE, TRUE, MAKELPARAM(0, info.maxValue));
        SendMessageW(slider, TBM_SETTICFREQ, info.maxValue % 4 ? info.maxValue / 2 : info.maxValue / 4, 0);
        SendMessageW(slider, TBM_SETPOS, TRUE, info.defaultValue);
    }
    int Selected() const {
        const auto i = static_cast<int>(SendMessageW(Item(IDC_EFFECT_LIST), LB_GETCURSEL, 0, 0));
        return i >= 0 && i < kEffectCount ? i : 0;
    }
    int SliderValue() const { return static_cast<int>(SendMessageW(Item(IDC_EFFECT_SLIDER), TBM_GETPOS, 0, 0)); }

    // The preview shows the entry at the current position (binary effects: at their default).
    void ShowEntry() {
        if (PreviewsAtDefault(Selected())) {
            Preview();
            return;
        }
        preview_.reset();
        previewed_.reset();
        if (stack[position].bitmap) {
            int w = 0, h = 0;
            ImageSize(stack[position].bitmap.get(), &w, &h);
            CopyBitmapArea(editor().messages, stack[position].bitmap, 0, 0, w, h, preview_);
        }
        InvalidateRect(Item(IDC_EFFECT_PREVIEW), nullptr, FALSE);
    }

    // The selected effect at the slider's value, from the current entry.
    void Preview() {
        Entry& from = stack[position];
        previewed_.reset();
        if (!from.bitmap) return;
        int w = 0, h = 0;
        ImageSize(from.bitmap.get(), &w, &h);
        if (!preview_ && !CreateGpBitmap(preview_, w, h, fmt::k32ARGB)) return;
        GpGraphicsOwner g;
        if (gp::GdipGetImageGraphicsContext(preview_.get(), g.put()) == Gdiplus::Ok) {
            const COLORREF face = GetSysColor(COLOR_BTNFACE);
            gp::GdipGraphicsClear(g.get(), 0xFF000000u | GetRValue(face) << 16 | GetGValue(face) << 8 | GetBValue(face));
        }
        g.reset();
        const EffectStep step{Selected(), SliderValue()};
        if (ApplyEffect(editor(), true, from.bitmap, preview_, selection_.Get(), step.effect, step.value, &random)) {
            previewed_ = step;
            InvalidateRect(Item(IDC_EFFECT_PREVIEW), nullptr, FALSE);
        } else {
            // A failed effect is not shown, nor applied by OK: the preview returns to the entry.
            preview_.reset();
            int ew = 0, eh = 0;
            ImageSize(from.bitmap.get(), &ew, &eh);
            CopyBitmapArea(editor().messages, from.bitmap, 0, 0, ew, eh, preview_);
            InvalidateRect(Item(IDC_EFFECT_PREVIEW), nullptr, FALSE);
        }
    }

    void EnableMoves() {
        EnableWindow(Item(IDC_EFFECT_BACK), position > 0);
        EnableWindow(Item(IDC_EFFECT_FORWARD), position < top);
    }

    void Apply() {
        const int effect = Selected(), value = SliderValue();
        if (value == EffectTable()[effect].defaultValue && !PreviewsAtDefault(effect)) return;
        if (stack[position].step.effect == effect && stack[position].step.value == value) return;
        if (!preview_) return;
        if (position + 1 >= kStackSize)
            editor().messages.App(u"効果は、これ以上、重ねられません");
        else
            ++position;
        Entry& entry = stack[static_cast<size_t>(position)];
        entry.step = EffectStep{effect, value};
        int w = 0, h = 0;
        ImageSize(preview_.get(), &w, &h);
        CopyBitmapArea(editor().messages, preview_, 0, 0, w, h, entry.bitmap);
        // The preview now shows the entry itself.
        previewed_.reset();
        top = position;
        EnableMoves();
    }

    void Move(int step) {
        const int next = position + step;
        if (next < 0 || next > top) return;
        position = next;
        SendMessageW(Item(IDC_EFFECT_SLIDER), TBM_SETPOS, TRUE, EffectTable()[Selected()].defaultValue);
        ShowEntry();
        EnableMoves();
    }

    bool OnCommand(int id, int code, HWND) override {
        switch (id) {
        case IDC_EFFECT_LIST:
            if (code != LBN_SELCHANGE) return false;
            SetSlider(Selected());
            ShowEntry();
            return true;
        case IDC_EFFECT_APPLY: Apply(); return true;
        case IDC_EFFECT_BACK: Move(-1); return true;
        case IDC_EFFECT_FORWARD: Move(1); return true;
        case IDC_EFFECT_RESET:
            SendMessageW(Item(IDC_EFFECT_SLIDER), TBM_SETPOS, TRUE, EffectTable()[Selected()].defaultValue);
            ShowEntry();
            return true;
        }
        return false;
    }

    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, INT_PTR* result) override {
        if (msg == WM_HSCROLL && reinterpret_cast<HWND>(lp) == Item(IDC_EFFECT_SLIDER)) {
            if (LOWORD(wp) != TB_THUMBTRACK) Preview();
            *result = 0;
            return true;
        }
        if (msg == WM_DRAWITEM && wp == IDC_EFFECT_PREVIEW) {
            const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
            FillRect(item->hDC, &item->rcItem, GetSysColorBrush(COLOR_BTNFACE));
            GpGraphicsOwner g;
            if (preview_ && gp::GdipCreateFromHDC(item->hDC, g.put()) == Gdiplus::Ok) {
                int w = 0, h = 0;
                ImageSize(preview_.get(), &w, &h);
                gp::GdipDrawImageRectI(g.get(), preview_.get(), originX_, originY_, w, h);
            }
            *result = TRUE;
            return true;
        }
        return false;
    }

    ScaledSelection selection_;
    GpBitmapOwner preview_;
    // The setting the preview shows on top of the entry at the position; none when it shows the
    // entry itself.
    std::optional<EffectStep> previewed_;
    int originX_ = 0, originY_ = 0;
};

// OK: what the preview shows is applied to the image within the selection: the stack up to the
// entry at the position (entries undone with "戻す" are left out) and the slider setting being
// previewed. The image first becomes 32-bit ARGB with an undo step; with nothing to apply it stays
// as it was, format and history included.
void ApplyStack(Editor& e, EffectsDialogHost& host) {
    const std::vector<EffectStep> steps = host.StepsForOk();
    if (steps.empty()) return;
    if (ChangeFormat(e, fmt::k32ARGB, u"32bppARGBを作成できません", false, true) != Gdiplus::Ok) return;
    ImageSlot* s = e.Current();
    if (!s || s->pixelFormat != fmt::k32ARGB) return;
    WaitCursor wait;
    const ScaledSelection selection = SelectionAt(*s, s->width, s->height);
    for (const EffectStep& step : steps)
        if (!ApplyEffect(e, false, s->bitmap, s->bitmap, selection.Get(), step.effect, step.value, &host.random)) break;
    ImageChanged(e, e.images.current, kChangedPixels);
}
}  // namespace

void EffectsDialog(Editor& e) {
    if (!e.Current()) return;
    auto host = std::make_unique<EffectsDialogHost>(e);
    if (host->Run() == IDOK) ApplyStack(e, *host);
}

}  // namespace mirelo
