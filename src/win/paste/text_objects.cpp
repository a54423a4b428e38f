#include "paste/text_objects.h"

#include <algorithm>
#include <vector>

#include "app/editor.h"
#include "app/command_registry.h"
#include "draw/pens.h"
#include "image/image_set.h"
#include "paste/text_dialog.h"
#include "select/selection.h"

namespace mirelo {

namespace {

bool Framed(const PasteObject& o) { return o.frameWidth >= 4 && o.frameHeight >= 8; }

// The font of the object; the generic sans-serif family when its own is not installed.
struct TextFont {
    GpFontFamilyOwner family;
    Gdiplus::GpFont* font = nullptr;
    ~TextFont() {
        if (font) gp::GdipDeleteFont(font);
    }
};
bool MakeFont(const PasteObject& o, TextFont* f) {
    const Text name = o.fontName;
    if (name.empty() || gp::GdipCreateFontFamilyFromName(W(name), nullptr, f->family.put()) != Gdiplus::Ok || !f->family) {
        Gdiplus::GpFontFamily* sans = nullptr;
        if (gp::GdipGetGenericFontFamilySansSerif(&sans) != Gdiplus::Ok || !sans) return false;
        f->family.reset(sans);
    }
    if (gp::GdipCreateFont(f->family.get(), o.fontSize, o.textOptions[5] & 15, Gdiplus::UnitPixel, &f->font) == Gdiplus::Ok) return true;
    Gdiplus::GpFontFamily* sans = nullptr;
    if (gp::GdipGetGenericFontFamilySansSerif(&sans) != Gdiplus::Ok || !sans) return false;
    f->family.reset(sans);
    return gp::GdipCreateFont(sans, o.fontSize, o.textOptions[5] & 15, Gdiplus::UnitPixel, &f->font) == Gdiplus::Ok;
}

// The string format of the layout mode, the alignment and the tab width.
GpStringFormatOwner BuildStringFormat(const PasteObject& o, Gdiplus::GpGraphics* g, Gdiplus::GpFont* font) {
    GpStringFormatOwner format;
    const int flags = LayoutFormatFlags(std::clamp(o.textOptions[3], 0, 15));
    if (gp::GdipCreateStringFormat(0, LANG_NEUTRAL, format.put()) != Gdiplus::Ok) return format;
    gp::GdipSetStringFormatFlags(format.get(), flags);
    gp::GdipSetStringFormatAlign(format.get(), static_cast<Gdiplus::StringAlignment>(std::clamp(o.textOptions[4], 0, 2)));
    float base = o.fontSize;
    if (flags == 0 || flags == 1) {
        Gdiplus::GpRectF box{}, none{};
        if (gp::GdipMeasureString(g, L"A", 1, font, &none, format.get(), &box, nullptr, nullptr) == Gdiplus::Ok) base = 0.607f * box.Width;
    }
    const float tab = static_cast<float>(o.textOptions[6]) * base;
    gp::GdipSetStringFormatTabStops(format.get(), 0, 1, &tab);
    gp::GdipSetStringFormatDigitSubstitution(format.get(), 0x11, Gdiplus::StringDigitSubstituteUser);
    gp::GdipSetStringFormatHotkeyPrefix(format.get(), Gdiplus::HotkeyPrefixNone);
    return format;
}

Gdiplus::ARGB ColourOf(const PasteObject& o, int which) {
    const auto i = static_cast<size_t>(which);
    return ArgbFromWin32WithAlpha(o.colours[i], static_cast<uint8_t>(255 - o.colourTransparency[i]));
}

// The brush of the text: solid, a gradient over the measured box, the tool's texture, or a hatch.
GpBrushOwner TextBrush(const Editor& e, const PasteObject& o) {
    const Gdiplus::ARGB primary = ColourOf(o, o.activeColour & 1), secondary = ColourOf(o, (o.activeColour & 1) ^ 1);
    const int kind = o.textExtra[0];
    GpBrushOwner brush;
    if (kind >= 1 && kind <= 4) {
        const Gdiplus::GpRectF box(o.textBoxX, o.textBoxY, std::max(1.0f, o.textWidth), std::max(1.0f, o.textHeight));
        Gdiplus::GpLineGradient* line = nullptr;
        if (gp::GdipCreateLineBrushFromRect(&box, primary, secondary, static_cast<Gdiplus::LinearGradientMode>(kind - 1),
                                            Gdiplus::WrapModeTile, &line) == Gdiplus::Ok) {
            brush.reset(line);
            gp::GdipSetLineGammaCorrection(line, o.textExtra[1] ? TRUE : FALSE);
            gp::GdipSetLineWrapMode(line, Gdiplus::WrapModeTileFlipX);
        }
    } else if (kind == 5) {
        brush = MakeTextureBrush(e, kTextureText, std::clamp(o.textExtra[2], 0, 4));
    } else if (kind >= 6) {
        Gdiplus::GpHatch* hatch = nullptr;
        if (gp::GdipCreateHatchBrush(static_cast<Gdiplus::GpHatchStyle>(std::min(kind - 6, 52)), secondary, primary, &hatch) == Gdiplus::Ok)
            brush.reset(hatch);
    }
    if (!brush) {
        Gdiplus::GpSolidFill* fill = nullptr;
        if (gp::GdipCreateSolidFill(primary, &fill) == Gdiplus::Ok) brush.reset(fill);
    }
    return brush;
}

// Some GDI+ versions lay vertical text out as horizontal lines. Where that is so, the columns
// are set here instead: each line a column of upright characters, the columns from right to
// left (縦1) or from left to right (縦2).
bool VerticalHonoured(Gdiplus::GpGraphics* g, Gdiplus::GpFont* font) {
    static int known = -1;
    if (known < 0) {
        GpStringFormatOwner vertical;
        gp::GdipCreateStringFormat(0x2, LANG_NEUTRAL, vertical.put());
        Gdiplus::GpRectF none{}, box{};
        known = vertical && gp::GdipMeasureString(g, L"日本語", 3, font, &none, vertical.get(), &box, nullptr, nullptr) == Gdiplus::Ok &&
                        box.Height > box.Width
                    ? 1
                    : 0;
    }
    return known == 1;
}

bool NeedsOwnColumns(const PasteObject& o, Gdiplus::GpGraphics* g, Gdiplus::GpFont* font) {
    return (LayoutFormatFlags(std::clamp(o.textOptions[3], 0, 15)) & 0x2) != 0 && !VerticalHonoured(g, font);
}

struct Columns {
    std::vector<Text> lines;
    float columnWidth = 0, rowHeight = 0;
    size_t rows = 0;
};
Columns SetColumns(const PasteObject& o, Gdiplus::GpGraphics* g, Gdiplus::GpFont* font) {
    Columns c;
    Text line;
    for (char16_t ch : o.text) {
        if (ch == u'\r') continue;
        if (ch == u'\n') {
            c.lines.push_back(line);
            line.clear();
        } else {
            line.push_back(ch);
        }
    }
    c.lines.push_back(line);
    GpStringFormatOwner plain;
    gp::GdipCreateStringFormat(0, LANG_NEUTRAL, plain.put());
    for (const Text& l : c.lines) {
        c.rows = std::max(c.rows, l.size());
        for (char16_t ch : l) {
            const wchar_t one[2] = {static_cast<wchar_t>(ch), 0};
            Gdiplus::GpRectF none{}, box{};
            if (gp::GdipMeasureString(g, one, 1, font, &none, plain.get(), &box, nullptr, nullptr) == Gdiplus::Ok) {
                c.columnWidth = std::max(c.columnWidth, box.Width);
                c.rowHeight = std::max(c.rowHeight, box.Height);
            }
        }
    }
    return c;
}

}  // namespace

Affine TextObjectMatrix(const PasteObject& o, const ObjectView* v) {
    if (!v) return ObjectMatrix(static_cast<float>(static_cast<int>(o.textX)), static_cast<float>(static_cast<int>(o.textY)),
                                static_cast<float>(static_cast<int>(o.textWidth) / 2), static_cast<float>(static_cast<int>(o.textHeight) / 2),
                                100, o.Turn());
    const int cx = static_cast<int>(v->zoom * o.textWidth / 100 / 2), cy = static_cast<int>(v->zoom * o.textHeight / 100 / 2);
    const int left = static_cast<int>(o.textX) * v->zoom / 100 + v->originX, top = static_cast<int>(o.textY) * v->zoom / 100 + v->originY;
    return ObjectMatrix(static_cast<float>(left), static_cast<float>(top), static_cast<float>(cx), static_cast<float>(cy), v->zoom, o.Turn());
}

void LayoutTextObject(Editor&, PasteObject& o) {
    if (o.text.empty()) return;
    // Measured on the screen, where the view shows it.
    HDC dc = GetDC(nullptr);
    GpGraphicsOwner g;
    gp::GdipCreateFromHDC(dc, g.put());
    TextFont f;
    if (g && MakeFont(o, &f)) {
        GpStringFormatOwner format = BuildStringFormat(o, g.get(), f.font);
        o.inFrame = Framed(o);
        const Gdiplus::GpRectF layout = o.inFrame ? Gdiplus::GpRectF(0, 0, o.frameWidth, o.frameHeight) : Gdiplus::GpRectF(0, 0, 0, 0);
        Gdiplus::GpRectF box{};
        const Text text = o.text;
        if (NeedsOwnColumns(o, g.get(), f.font)) {
            const Columns c = SetColumns(o, g.get(), f.font);
            o.textBoxX = o.textBoxY = 0;
            o.textWidth = c.columnWidth * static_cast<float>(c.lines.size());
            o.textHeight = c.rowHeight * static_cast<float>(c.rows);
        } else if (gp::GdipMeasureString(g.get(), W(text), -1, f.font, &layout, format.get(), &box, nullptr, nullptr) == Gdiplus::Ok) {
            o.textBoxX = box.X;
            o.textBoxY = box.Y;
            o.textWidth = box.Width;
            o.textHeight = box.Height;
        }
        o.outline = EditPath();
        o.outline.AddRectangle(o.textBoxX, o.textBoxY, o.textWidth, o.textHeight);
        o.hitPath = EditPath();
    }
    g.reset();
    ReleaseDC(nullptr, dc);
}

bool DrawTextObject(Editor& e, Gdiplus::GpGraphics* g, const PasteObject& o, const ObjectView* v) {
    if (o.text.empty() || !g) return false;
    TextFont f;
    if (!MakeFont(o, &f)) return false;
    GpBrushOwner brush = TextBrush(e, o);
    GpStringFormatOwner format = BuildStringFormat(o, g, f.font);
    if (!brush || !format) return false;
    gp::GdipSetTextRenderingHint(g, static_cast<Gdiplus::TextRenderingHint>(TextRenderingHint(o.textOptions[2])));
    GpMatrixOwner m = ToGpMatrix(TextObjectMatrix(o, v));
    Gdiplus::GraphicsState saved = 0;
    gp::GdipSaveGraphics(g, &saved);
    gp::GdipSetWorldTransform(g, m.get());
    const Gdiplus::GpRectF layout = Framed(o) ? Gdiplus::GpRectF(0, 0, o.frameWidth, o.frameHeight) : Gdiplus::GpRectF(0, 0, 0, 0);
    const Text text = o.text;
    bool drawn = true;
    if (NeedsOwnColumns(o, g, f.font)) {
        const Columns c = SetColumns(o, g, f.font);
        const bool rightToLeft = (LayoutFormatFlags(std::clamp(o.textOptions[3], 0, 15)) & 0x1) != 0;
        GpStringFormatOwner centred;
        gp::GdipCreateStringFormat(0, LANG_NEUTRAL, centred.put());
        gp::GdipSetStringFormatAlign(centred.get(), Gdiplus::StringAlignmentCenter);
        for (size_t i = 0; i < c.lines.size(); ++i) {
            const size_t column = rightToLeft ? c.lines.size() - 1 - i : i;
            for (size_t r = 0; r < c.lines[i].size(); ++r) {
                const wchar_t one[2] = {static_cast<wchar_t>(c.lines[i][r]), 0};
                const Gdiplus::GpRectF cell(c.columnWidth * static_cast<float>(column), c.rowHeight * static_cast<float>(r), c.columnWidth,
                                            c.rowHeight);
                if (gp::GdipDrawString(g, one, 1, f.font, &cell, centred.get(), brush.get()) != Gdiplus::Ok) drawn = false;
            }
        }
    } else {
        drawn = gp::GdipDrawString(g, W(text), -1, f.font, &layout, format.get(), brush.get()) == Gdiplus::Ok;
    }
    gp::GdipRestoreGraphics(g, saved);
    return drawn;
}

void TakeTextObjectOptions(ImageSlot& s, const PasteObject& o) {
    for (int i = 0; i < 7; ++i) s.toolSettings[static_cast<size_t>(kTextFontOption + i)] = o.textOptions[static_cast<size_t>(i)];
    for (int i = 0; i < 3; ++i) s.toolSettings[static_cast<size_t>(kTextPatternOption + i)] = o.textExtra[static_cast<size_t>(i)];
    // Its colours are the ones shown, and the ones a colour change edits.
    s.colours = o.colours;
    s.colourTransparency = o.colourTransparency;
    s.activeColour = o.activeColour;
}

void ApplyTextColours(Editor& e) {
    ImageSlot* s = e.Current();
    PasteObject* o = s ? s->pasteObjects.Selected() : nullptr;
    if (!o || !o->isText) return;
    o->colours = s->colours;
    o->colourTransparency = s->colourTransparency;
    o->activeColour = s->activeColour;
    e.Changed(change::kOverlay);
}

void ApplyTextOption(Editor& e, int option) {
    ImageSlot* s = e.Current();
    PasteObject* o = s ? s->pasteObjects.Selected() : nullptr;
    if (!o || !o->isText) return;
    if (option >= kTextFontOption && option <= kTextTabOption) {
        o->textOptions[static_cast<size_t>(option - kTextFontOption)] = s->toolSettings[static_cast<size_t>(option)];
        if (option == kTextFontOption) o->fontName = SelectedFontName(e);
        if (option == kTextSizeOption) o->fontSize = static_cast<float>(s->toolSettings[kTextSizeOption] + 8);
        if (option != kTextSmoothingOption) LayoutTextObject(e, *o);
    } else if (option >= kTextPatternOption && option <= kTextWrapOption) {
        o->textExtra[static_cast<size_t>(option - kTextPatternOption)] = s->toolSettings[static_cast<size_t>(option)];
    } else {
        return;
    }
    e.Changed(change::kOverlay);
}

bool CreateTextObject(Editor& e, int left, int top, int right, int bottom) {
    ImageSlot* s = e.Current();
    if (!s || !s->occupied() || IsIndexed(s->pixelFormat)) return false;
    const Text text = AskForText(e);
    if (text.empty() || TotalPasteObjects(e) >= kMaxPasteObjects) return false;
    PasteObject o;
    o.isText = true;
    o.activeColour = s->activeColour;
    o.colours = s->colours;
    o.colourTransparency = s->colourTransparency;
    for (int i = 0; i < 7; ++i) o.textOptions[static_cast<size_t>(i)] = s->toolSettings[static_cast<size_t>(kTextFontOption + i)];
    for (int i = 0; i < 3; ++i) o.textExtra[static_cast<size_t>(i)] = s->toolSettings[static_cast<size_t>(kTextPatternOption + i)];
    o.smoothingIndex = s->toolSettings[kTransformSmoothingOption];
    o.interpolation = InterpolationOfSmoothing(o.smoothingIndex);
    o.fontSize = static_cast<float>(o.textOptions[1] + 8);
    o.textX = static_cast<float>(std::min(left, right));
    o.textY = static_cast<float>(std::min(top, bottom));
    o.frameWidth = static_cast<float>(std::abs(right - left));
    o.frameHeight = static_cast<float>(std::abs(bottom - top));
    o.fontName = SelectedFontName(e);
    o.text = text;
    LayoutTextObject(e, o);
    s->pasteObjects.items.push_back(std::move(o));
    s->pasteObjects.selected = s->pasteObjects.Count() - 1;
    TakeTransformOf(e);
    e.Changed(change::kObjects);
    return true;
}

void EditTextObject(Editor& e) {
    ImageSlot* s = e.Current();
    PasteObject* o = s ? s->pasteObjects.Selected() : nullptr;
    if (!o || !o->isText) return;
    const Text text = AskForText(e, o->text);
    if (text.empty()) return;
    o = s->pasteObjects.Selected();
    if (!o) return;
    o->text = text;
    LayoutTextObject(e, *o);
    e.Changed(change::kObjects);
}

}  // namespace mirelo
