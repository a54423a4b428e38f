#include "paste/paste_objects.h"

#include <algorithm>
#include <cmath>

#include "app/editor.h"
#include "app/command_registry.h"
#include "clipboard/clipboard.h"
#include "clipboard/clipboard_commands.h"
#include "common/wait_cursor.h"
#include "edit/undo_history.h"
#include "image/detached_copy.h"
#include "image/bitmap_access.h"
#include "image/apply_op.h"
#include "image/format_change.h"
#include "image/image_set.h"
#include "paste/text_dialog.h"
#include "paste/text_objects.h"
#include "select/selection.h"
#include "edit/viewport.h"

namespace mirelo {

namespace {

void Repaint(Editor& e) { e.Changed(change::kOverlay); }

// After the objects of the current image changed: the option lists take the selected object's
// transform, and menus, bars and the view follow.
void ObjectsChanged(Editor& e) {
    TakeTransformOf(e);
    e.Changed(change::kObjects);
}

void ResetObject(PasteObject& o) {
    o.rotationIndex = kResetRotationIndex;
    o.widthIndex = o.heightIndex = kResetScaleIndex;
    o.skewX = o.x + o.width;
    o.skewY = o.y;
}

}  // namespace

Affine ImageObjectMatrix(const PasteObject& o, const ObjectView* v) {
    if (!v) return ObjectMatrix(static_cast<float>(o.x), static_cast<float>(o.y), static_cast<float>(o.width / 2),
                                static_cast<float>(o.height / 2), 100, o.Turn());
    const int vw = o.width * v->zoom / 100, vh = o.height * v->zoom / 100;
    // The object's place on the zoomed canvas, then the scroll.
    const int viewX = o.x * v->zoom / 100 + v->originX, viewY = o.y * v->zoom / 100 + v->originY;
    return ObjectMatrix(static_cast<float>(viewX), static_cast<float>(viewY), static_cast<float>(vw / 2), static_cast<float>(vh / 2),
                        v->zoom, o.Turn());
}

bool DrawImageObject(Gdiplus::GpGraphics* g, const PasteObject& o, const ObjectView* v) {
    if (!g || !o.bitmap) return false;
    Gdiplus::GpImageAttributes* attributes = nullptr;
    gp::GdipCreateImageAttributes(&attributes);
    Gdiplus::ColorMatrix cm{};
    for (int i = 0; i < 5; ++i) cm.m[i][i] = 1.0f;
    cm.m[3][3] = static_cast<float>(255 - (o.transparency & 0xFF)) / 255.0f;
    if (attributes)
        gp::GdipSetImageAttributesColorMatrix(attributes, Gdiplus::ColorAdjustTypeDefault, TRUE, &cm, nullptr,
                                             Gdiplus::ColorMatrixFlagsDefault);
    GpMatrixOwner m = ToGpMatrix(ImageObjectMatrix(o, v));
    Gdiplus::GraphicsState saved = 0;
    gp::GdipSaveGraphics(g, &saved);
    gp::GdipSetWorldTransform(g, m.get());
    const SkewCorners c = SkewedCorners(o.x, o.y, o.width, o.height, o.skewX, o.skewY);
    const Gdiplus::GpPointF points[3] = {{c.upperLeft.x, c.upperLeft.y}, {c.upperRight.x, c.upperRight.y}, {c.lowerLeft.x, c.lowerLeft.y}};
    const GpStatus drawn = gp::GdipDrawImagePointsRect(g, o.bitmap.get(), points, 3, 0, 0, static_cast<float>(o.width),
                                                       static_cast<float>(o.height), Gdiplus::UnitPixel, attributes, nullptr, nullptr);
    gp::GdipRestoreGraphics(g, saved);
    if (attributes) gp::GdipDisposeImageAttributes(attributes);
    return drawn == Gdiplus::Ok;
}

void DrawObjectFrame(Gdiplus::GpGraphics* g, PasteObject& o, const ObjectView& v, Gdiplus::ARGB light, Gdiplus::ARGB dark, float width) {
    if (o.outline.empty()) return;
    const Affine screen = o.isText ? TextObjectMatrix(o, &v) : ImageObjectMatrix(o, &v);
    if (width > 0 && g) {
        EditPath frame = o.outline;
        frame.Transform(screen);
        GpPathOwner path = ToGpPath(frame);
        GpPenOwner solid, dashed;
        gp::GdipCreatePen1(light, width, Gdiplus::UnitPixel, solid.put());
        gp::GdipCreatePen1(dark, width, Gdiplus::UnitPixel, dashed.put());
        const float dashes[2] = {3.0f, 3.0f};
        if (dashed) gp::GdipSetPenDashArray(dashed.get(), dashes, 2);
        if (path) {
            if (solid) gp::GdipDrawPath(g, solid.get(), path.get());
            if (dashed) gp::GdipDrawPath(g, dashed.get(), path.get());
        }
    }
    // The hit path: the outline turned and scaled about the centre, at 100 %.
    const float cx = o.isText ? static_cast<float>(static_cast<int>(o.textWidth) / 2) : static_cast<float>(o.width / 2);
    const float cy = o.isText ? static_cast<float>(static_cast<int>(o.textHeight) / 2) : static_cast<float>(o.height / 2);
    o.hitPath = o.outline;
    o.hitPath.Transform(ObjectMatrix(0, 0, cx, cy, 100, o.Turn()));
}

IntRect SkewHandleRect(const PasteObject& o, const ObjectView& v) {
    const int hx = o.skewX * v.zoom / 100 + v.originX, hy = o.skewY * v.zoom / 100 + v.originY;
    return IntRect{hx, hy - 10, 10, 10};
}

ObjectHit HitTestPasteObjects(ImageSlot& s, const ObjectView& v, int clientX, int clientY, int imageX, int imageY) {
    for (int i = s.pasteObjects.Count() - 1; i >= 0; --i) {
        PasteObject& o = s.pasteObjects.items[static_cast<size_t>(i)];
        if (!o.isText) {
            const IntRect h = SkewHandleRect(o, v);
            if (clientX >= h.x && clientX < h.x + 10 && clientY >= h.y && clientY < h.y + 10) return ObjectHit{i, true};
        }
        if (o.hitPath.empty()) DrawObjectFrame(nullptr, o, v, 0, 0, 0);
        const int ox = o.isText ? static_cast<int>(o.textX) : o.x, oy = o.isText ? static_cast<int>(o.textY) : o.y;
        if (o.hitPath.Contains(static_cast<float>(imageX - ox), static_cast<float>(imageY - oy))) return ObjectHit{i, false};
    }
    return ObjectHit{};
}

int TotalPasteObjects(const Editor& e) {
    int n = 0;
    for (const ImageSlot& s : e.images.slots) n += s.pasteObjects.Count();
    return n;
}

void TakeTransformOf(Editor& e) {
    ImageSlot* s = e.Current();
    if (!s || !s->occupied()) return;
    if (const PasteObject* o = s->pasteObjects.Selected()) {
        s->toolSettings[kTransformRotationOption] = o->rotationIndex;
        s->toolSettings[kTransformWidthOption] = o->widthIndex;
        s->toolSettings[kTransformHeightOption] = o->heightIndex;
        if (o->isText) {
            TakeTextObjectOptions(*s, *o);
            e.Changed(change::kColours);
        }
    } else if (s->tool != kToolShape) {
        s->toolSettings[kTransformRotationOption] = kResetRotationIndex;
        s->toolSettings[kTransformWidthOption] = s->toolSettings[kTransformHeightOption] = kResetScaleIndex;
    }
    e.Changed(change::kToolOptions);
}

void SetSelectedObjectTransparency(Editor& e, int value) {
    ImageSlot* s = e.Current();
    PasteObject* o = s ? s->pasteObjects.Selected() : nullptr;
    if (!o || o->isText) return;
    o->transparency = std::clamp(value, 0, 255);
    Repaint(e);
}

void ResetTransform(Editor& e) {
    ImageSlot* s = e.Current();
    PasteObject* o = s ? s->pasteObjects.Selected() : nullptr;
    if (!o) return;
    ResetObject(*o);
    TakeTransformOf(e);
    e.Changed(change::kObjects);
}

void ApplyTransformOption(Editor& e, int option) {
    ImageSlot* s = e.Current();
    PasteObject* o = s ? s->pasteObjects.Selected() : nullptr;
    if (!o || s->tool == kToolShape) return;
    const auto& t = s->toolSettings;
    switch (option) {
    case kTransformSmoothingOption:
        o->smoothingIndex = t[kTransformSmoothingOption];
        o->interpolation = InterpolationOfSmoothing(o->smoothingIndex);
        break;
    case kTransformRotationOption: o->rotationIndex = t[kTransformRotationOption]; break;
    case kTransformWidthOption:
    case kTransformHeightOption:
        // "同" keeps the two lists equal; a change shows hidden frames again.
        if (t[kTransformAspectOption] == 0) {
            const int other = option == kTransformWidthOption ? kTransformHeightOption : kTransformWidthOption;
            s->toolSettings[other] = t[option];
            e.Changed(change::kToolOptions);
        }
        o->widthIndex = t[kTransformWidthOption];
        o->heightIndex = t[kTransformHeightOption];
        e.settings.objectFrames = true;
        break;
    default: return;
    }
    e.Changed(change::kObjects);
}

bool ReadyForObjects(Editor& e, bool merging) {
    ImageSlot* s = e.Current();
    if (!s || !s->occupied()) return false;
    if (!IsIndexed(s->pixelFormat) && s->pixelFormat != fmt::k16ARGB1555) return true;
    const char16_t* question = merging ? u"画像をマージするにはフォーマットを変更する必要があります。\r\n変更しますか？"
                                       : u"画像を貼り付けるためにはフォーマットを変更する必要があります。\r\n変更しますか？";
    if (e.messages.App(question, MB_YESNO) != IDYES) return false;
    // A failed conversion has said so; the command goes on with the image as it is.
    ChangeFormat(e, fmt::k32ARGB, u"32bppARGBを作成できません", false, true);
    return true;
}

void PasteAsObject(Editor& e) {
    ImageSlot* s = e.Current();
    if (!s || !s->occupied()) {
        PasteAsNewImage(e);
        return;
    }
    if (!ReadyForObjects(e, false)) return;
    HWND owner = e.ClipboardOwner();
    GpBitmapOwner clip;
    if (!ReadClipboardImage(e.messages, owner, clip)) return;
    if (TotalPasteObjects(e) >= kMaxPasteObjects) {
        e.messages.App(u"これ以上は、貼り付けられません", MB_OK | MB_ICONWARNING);
        return;
    }
    PasteObject o;
    int w = 0, h = 0;
    ImageSize(clip.get(), &w, &h);
    if (gp::GdipCloneBitmapAreaI(0, 0, w, h, static_cast<Gdiplus::PixelFormat>(fmt::k32ARGB), clip.get(), o.bitmap.put()) != Gdiplus::Ok ||
        !o.bitmap) {
        e.messages.App(u"32bppARGBを作成できません");
        return;
    }
    clip.reset();
    // At the top-left corner of the visible part of the image.
    const ViewLayout l = e.View().Layout();
    const int zoom = std::max(1, l.zoom);
    o.x = static_cast<int>(e.viewState.scrollX * 100.0 / zoom + 0.5);
    o.y = static_cast<int>(e.viewState.scrollY * 100.0 / zoom + 0.5);
    o.width = w;
    o.height = h;
    ClipboardSelection selection;
    ReadSelectionShape(owner, w, h, &selection);
    if (selection.hasMask) {
        o.mask = selection.mask;
        WriteMaskIntoBitmap(e, o.bitmap, o.mask);
        if (selection.hasOutline && selection.outline) o.outline = std::move(*selection.outline);
    }
    if (o.outline.empty()) o.outline.AddRectangle(0, 0, static_cast<float>(w), static_cast<float>(h));
    ResetObject(o);
    s->pasteObjects.items.push_back(std::move(o));
    s->pasteObjects.selected = s->pasteObjects.Count() - 1;
    ObjectsChanged(e);
}


void CutSelection(Editor& e) {
    ImageSlot* s = e.Current();
    if (!s || !s->occupied()) return;
    if (s->pixelFormat == fmt::k16ARGB1555) {
        e.messages.App(u"16-A1R5G5B5 は、「切り取り」ができません");
        return;
    }
    WaitCursor wait;
    IntRect area;
    if (!FindCopyArea(*s, &area)) return;
    RecordUndoStep(e);
    if (PutAreaOnClipboard(e, *s, area)) EraseSelection(e);
    e.ProgramChanged(change::kOutside);
}

void EraseSelection(Editor& e) {
    ImageSlot* s = e.Current();
    if (!s || !s->occupied()) return;
    if (!s->selectionPath) s->selectionPath = WholePicturePath(s->width, s->height);
    {
        GpGraphicsOwner g;
        if (gp::GdipGetImageGraphicsContext(s->bitmap.get(), g.put()) == Gdiplus::Ok && g) {
            EditPath filled = *s->selectionPath;
            filled.fillMode = SelectionFillMode(*s);
            GpPathOwner path = ToGpPath(filled);
            GpBrushOwner white;
            Gdiplus::GpSolidFill* fill = nullptr;
            if (gp::GdipCreateSolidFill(0xFFFFFFFF, &fill) == Gdiplus::Ok) white.reset(fill);
            GpPenOwner pen;
            gp::GdipCreatePen1(0xFFFFFFFF, 1.0f, Gdiplus::UnitPixel, pen.put());
            if (path && white) gp::GdipFillPath(g.get(), white.get(), path.get());
            if (path && pen) gp::GdipDrawPath(g.get(), pen.get(), path.get());
        }
    }
    Repaint(e);
    if (RawFormatName(e.messages, s->bitmap.get()) != u"MemoryBMP") DetachFromFile(e, *s);
    ImageChanged(e, e.images.current, kChangedPixels);
}

void DeletePasteObject(Editor& e, ImageSlot& s) {
    if (!s.pasteObjects.Selected()) return;
    s.pasteObjects.items.erase(s.pasteObjects.items.begin() + s.pasteObjects.selected);
    // The top-most object that is left becomes the selected one.
    s.pasteObjects.selected = s.pasteObjects.Count() - 1;
    if (e.Current() == &s) ObjectsChanged(e);
}

namespace {
// Draws object `o` into `target` with its interpolation; false when it could not be drawn.
bool MergeInto(Editor& e, Gdiplus::GpBitmap* target, const PasteObject& o) {
    GpGraphicsOwner g;
    if (gp::GdipGetImageGraphicsContext(target, g.put()) != Gdiplus::Ok || !g) return false;
    gp::GdipSetInterpolationMode(g.get(), static_cast<Gdiplus::InterpolationMode>(o.interpolation));
    return o.isText ? DrawTextObject(e, g.get(), o, nullptr) : DrawImageObject(g.get(), o, nullptr);
}

// Merges the objects at `indices` (back to front) of the current image. They are drawn into a
// copy of the image first: an object that cannot be drawn stays an object and is reported, and
// only when some object was drawn does the image take the copy, after one undo step.
bool MergeObjects(Editor& e, ImageSlot& s, const std::vector<int>& indices) {
    if (indices.empty()) return false;
    GpBitmapOwner work;
    Gdiplus::GpImage* clone = nullptr;
    if (gp::GdipCloneImage(s.bitmap.get(), &clone) == Gdiplus::Ok && clone) work.reset(static_cast<Gdiplus::GpBitmap*>(clone));
    std::vector<int> merged;
    if (work)
        for (int i : indices)
            if (MergeInto(e, work.get(), s.pasteObjects.items[static_cast<size_t>(i)])) merged.push_back(i);
    if (merged.size() != indices.size()) e.messages.App(u"貼紙をマージできません", MB_OK | MB_ICONWARNING);
    if (merged.empty()) return false;
    RecordUndoStep(e);
    ReplaceBitmap(e, e.images.current, work);
    for (auto it = merged.rbegin(); it != merged.rend(); ++it) s.pasteObjects.items.erase(s.pasteObjects.items.begin() + *it);
    // The top-most object that is left becomes the selected one.
    s.pasteObjects.selected = s.pasteObjects.Count() - 1;
    ObjectsChanged(e);
    return true;
}
}  // namespace

bool MergePasteObject(Editor& e) {
    ImageSlot* s = e.Current();
    if (!s || !s->occupied() || !s->bitmap) return false;
    if (!ReadyForObjects(e, true)) return false;
    s = e.Current();
    if (!s->pasteObjects.Selected()) return false;
    return MergeObjects(e, *s, {s->pasteObjects.selected});
}

bool MergeAllPasteObjects(Editor& e) {
    ImageSlot* s = e.Current();
    if (!s || !s->occupied() || !s->bitmap) return false;
    if (!ReadyForObjects(e, true)) return false;
    s = e.Current();
    std::vector<int> all(static_cast<size_t>(s->pasteObjects.Count()));
    for (int i = 0; i < s->pasteObjects.Count(); ++i) all[static_cast<size_t>(i)] = i;
    return MergeObjects(e, *s, all);
}

namespace {
// The selected object in front of all others, or behind them.
void MoveSelectedObject(Editor& e, bool toFront) {
    ImageSlot* s = e.Current();
    if (!s || !s->pasteObjects.Selected()) {
        e.messages.App(u"画像が選択されていません");
        return;
    }
    auto& items = s->pasteObjects.items;
    PasteObject moved = std::move(items[static_cast<size_t>(s->pasteObjects.selected)]);
    items.erase(items.begin() + s->pasteObjects.selected);
    items.insert(toFront ? items.end() : items.begin(), std::move(moved));
    s->pasteObjects.selected = toFront ? s->pasteObjects.Count() - 1 : 0;
    ObjectsChanged(e);
}
}  // namespace

void BringToFront(Editor& e) { MoveSelectedObject(e, true); }
void SendToBack(Editor& e) { MoveSelectedObject(e, false); }

void TurnSelectedObject(Editor& e, int kind) {
    ImageSlot* s = e.Current();
    PasteObject* o = s ? s->pasteObjects.Selected() : nullptr;
    if (!o) return;
    switch (kind) {
    case 3: o->rotationIndex = 90; break;
    case 4: o->rotationIndex = 180; break;
    case 5: o->rotationIndex = 270; break;
    default:
        // A text object only takes an angle; an image object's own pixels are mirrored, and its
        // outline, mask and the area that picks it with them.
        if (!o->isText && o->bitmap) {
            gp::GdipImageRotateFlip(o->bitmap.get(), kind == 1 ? Gdiplus::RotateNoneFlipX : Gdiplus::RotateNoneFlipY);
            o->outline.Transform(ObjectMirror(kind, o->width, o->height));
            o->hitPath = EditPath{};  // rebuilt from the outline
            if (o->mask.size() == static_cast<size_t>(o->width) * static_cast<size_t>(o->height)) {
                const size_t w = static_cast<size_t>(o->width), h = static_cast<size_t>(o->height);
                for (size_t y = 0; y < (kind == 1 ? h : h / 2); ++y)
                    for (size_t x = 0; x < (kind == 1 ? w / 2 : w); ++x)
                        std::swap(o->mask[y * w + x], kind == 1 ? o->mask[y * w + (w - 1 - x)] : o->mask[(h - 1 - y) * w + x]);
            }
        }
        break;
    }
    TakeTransformOf(e);
    e.Changed(change::kObjects);
}

void TurnSelectedObjectBy(Editor& e, int angle, bool reverse) {
    ImageSlot* s = e.Current();
    PasteObject* o = s ? s->pasteObjects.Selected() : nullptr;
    if (!o) return;
    int a = angle % 360;
    if (reverse) a = -a;
    o->rotationIndex = (a + 360) % 360;
    TakeTransformOf(e);
    e.Changed(change::kObjects);
}

}  // namespace mirelo
