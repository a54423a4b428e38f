// The shape tool driven with the view's mouse messages at two zooms: each kind's pixels against
// the same figure drawn directly through GDI+ with the same pen and brush, hand-checked pixels,
// the refusals, and undo.
#include <vector>

#include "app/commands.h"
#include "draw/pen_tip.h"
#include "draw/pens.h"
#include "draw/shape_geometry.h"
#include "ui/canvas.h"
#include "harness.h"
#include "image/bitmap_access.h"
#include "image/format_change.h"
#include "image/new_image.h"
#include "select/paths.h"
#include "select/selection.h"

namespace mirelo {
namespace {

using testing::PixelAt;

constexpr uint32_t kWhite = 0xFFFFFFFF, kBlack = 0xFF000000, kRed = 0xFFFF0000;

class ShapeToolTest : public testing::EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        OpenWindow();
        ASSERT_TRUE(testing::NewImage(*editor, 40, 30, 96, 96, false));
        GpGraphicsOwner g;
        gp::GdipGetImageGraphicsContext(Slot().bitmap.get(), g.put());
        gp::GdipGraphicsClear(g.get(), kWhite);
        Slot().tool = kToolShape;
        Slot().colours = {0x000000, 0x0000FF};  // current black, other red
        Slot().toolSettings[kShapeSmoothOption] = 0;
    }
    ImageSlot& Slot() { return *editor->Current(); }
    // The middle of image pixel (x, y) on the view.
    LPARAM At(IntPoint p) {
        const int f = zoom_ / 100;
        return MAKELPARAM(Slot().originX - editor->viewState.scrollX + f * p.x + f / 2,
                          Slot().originY - editor->viewState.scrollY + f * p.y + f / 2);
    }
    void Zoom(int zoom) {
        zoom_ = zoom;
        SetZoom(*editor, zoom);
    }
    void Mouse(UINT msg, WPARAM keys, IntPoint p) { SendMessageW(editor->frame.view, msg, keys, At(p)); }
    void Drag(const std::vector<IntPoint>& points, WPARAM keys = 0) {
        Mouse(WM_LBUTTONDOWN, MK_LBUTTON | keys, points.front());
        for (const IntPoint& p : points) Mouse(WM_MOUSEMOVE, MK_LBUTTON | keys, p);
        Mouse(WM_LBUTTONUP, keys, points.back());
        ReleaseCapture();
    }
    void Clicks(const std::vector<IntPoint>& points) {
        for (const IntPoint& p : points) {
            Mouse(WM_LBUTTONDOWN, MK_LBUTTON, p);
            Mouse(WM_LBUTTONUP, 0, p);
        }
        Mouse(WM_LBUTTONDBLCLK, MK_LBUTTON, points.back());
        Mouse(WM_LBUTTONUP, 0, points.back());
        ReleaseCapture();
    }
    GpBitmapOwner Copy() {
        GpBitmapOwner copy;
        EXPECT_TRUE(CopyBitmapArea(editor->messages, Slot().bitmap, 0, 0, Slot().width, Slot().height, copy));
        return copy;
    }
    // A graphics on `target` as the tool draws into the image.
    static GpGraphicsOwner Canvas(GpBitmapOwner& target) {
        GpGraphicsOwner g;
        gp::GdipGetImageGraphicsContext(target.get(), g.put());
        gp::GdipSetClipRectI(g.get(), 0, 0, 40, 30, Gdiplus::CombineModeReplace);
        return g;
    }
    int zoom_ = 100;
};

GpPathOwner PathOf(const EditPath& p) { return ToGpPath(p); }

// Each drag kind, pressed at (10, 8) and released at (30, 20): the box is (10, 8)–(29, 19), or
// the ellipse (10, 8, 19, 11). With solid colours and with horizontal gradients in pen and fill,
// which span the rule's reference rectangle: the box grown by half the line width on each side,
// the line width added to its size (here (10, 8, 20, 12)), as the preview has it.
TEST_F(ShapeToolTest, DragKindsDrawLikeGdiplusAtTwoZooms) {
    for (int pattern : {0, 1}) {
        Slot().toolSettings[kPenPatternOption] = pattern;
        Slot().toolSettings[kShapeFillBase] = pattern;
        struct Case {
            int kind;
            IntPoint outline, inside;  // a pixel of the outline; one inside, red when filled
        };
        const Case cases[] = {
            {kShapeEllipse, {19, 8}, {19, 13}},   {kShapeArc, {19, 19}, {19, 13}},  {kShapeRectangle, {10, 13}, {19, 13}},
            {kShapeFilledEllipse, {19, 8}, {19, 13}}, {kShapeFilledArc, {19, 19}, {15, 16}}, {kShapeFilledRectangle, {10, 13}, {19, 13}},
        };
        for (int zoom : {100, 200}) {
            Zoom(zoom);
            for (const Case& c : cases) {
                SCOPED_TRACE(::testing::Message() << "pattern " << pattern << " zoom " << zoom << " kind " << c.kind);
                Slot().toolSettings[kShapeKindOption] = c.kind;
                GpBitmapOwner expected = Copy();
                Drag({{10, 8}, {20, 14}, {30, 20}});
                ASSERT_TRUE(Slot().undo.HasUndoableStep());
                // The same figure through GDI+ directly.
                const bool ellipse = c.kind == kShapeEllipse || c.kind == kShapeFilledEllipse;
                DragBox box;
                box.ellipse = ellipse;
                if (ellipse)
                    box.a = 10, box.b = 8, box.c = 19, box.d = 11;
                else
                    box.a = 10, box.b = 8, box.c = 29, box.d = 19;
                {
                    GpGraphicsOwner g = Canvas(expected);
                    EditPath shape;
                    if (ellipse)
                        shape.AddEllipse(10, 8, 19, 11);
                    else if (c.kind == kShapeArc || c.kind == kShapeFilledArc)
                        shape.AddPie(10, 8, 19, 11, 90, 90);
                    else
                        shape.AddRectangle(10, 8, 19, 11);
                    const IntRect reference{10, 8, 20, 12};
                    GpPathOwner path = PathOf(shape);
                    if (c.kind >= kShapeFilledEllipse) {
                        BrushRecordPtr brush = MakeFillBrushOrFallback(*editor, Slot(), BrushUser::ShapeTool, reference, {10, 8}, path.get());
                        ASSERT_TRUE(brush && brush->get());
                        const Gdiplus::GpPoint p[4] = {{10, 8}, {10, 19}, {29, 19}, {29, 8}};
                        if (ellipse)
                            gp::GdipFillEllipseI(g.get(), brush->get(), 10, 8, 19, 11);
                        else if (c.kind == kShapeFilledArc)
                            gp::GdipFillPieI(g.get(), brush->get(), 10, 8, 19, 11, 90, 90);
                        else
                            gp::GdipFillPolygonI(g.get(), brush->get(), p, 4, Gdiplus::FillModeAlternate);
                    }
                    GpPenOwner pen = MakeMainPen(*editor, Slot(), reference);
                    ASSERT_TRUE(pen);
                    const Gdiplus::GpPoint p[4] = {{10, 8}, {10, 19}, {29, 19}, {29, 8}};
                    if (ellipse)
                        gp::GdipDrawEllipseI(g.get(), pen.get(), 10, 8, 19, 11);
                    else if (c.kind == kShapeArc || c.kind == kShapeFilledArc)
                        gp::GdipDrawArcI(g.get(), pen.get(), 10, 8, 19, 11, 90, 90);
                    else
                        gp::GdipDrawPolygonI(g.get(), pen.get(), p, 4);
                }
                EXPECT_EQ(testing::DifferentPixels(Slot().bitmap.get(), expected.get(), 0), 0.0);
                if (pattern == 0) {
                    EXPECT_EQ(PixelAt(Slot().bitmap.get(), c.outline.x, c.outline.y), kBlack);
                    EXPECT_EQ(PixelAt(Slot().bitmap.get(), c.inside.x, c.inside.y), c.kind >= kShapeFilledEllipse ? kRed : kWhite);
                }
                EXPECT_EQ(PixelAt(Slot().bitmap.get(), 35, 25), kWhite);  // outside the figure
                Send(cmd::kUndo);
                EXPECT_EQ(PixelAt(Slot().bitmap.get(), c.outline.x, c.outline.y), kWhite);
            }
        }
    }
    EXPECT_TRUE(shown.empty());
}

// The click kinds: four clicks, the last one a double click, drawn as the kind's figure.
TEST_F(ShapeToolTest, ClickKindsDrawTheirFigureOnTheDoubleClick) {
    const std::vector<IntPoint> clicks = {{5, 5}, {30, 6}, {26, 25}, {8, 20}};
    std::vector<PointF> points;
    for (const IntPoint& p : clicks) points.push_back({static_cast<float>(p.x), static_cast<float>(p.y)});
    for (int zoom : {200, 100}) {
        Zoom(zoom);
        for (int kind : {kShapeLine, kShapeCurve, kShapePolygon, kShapeClosedCurve, kShapeFilledPolygon, kShapeFilledClosedCurve}) {
            SCOPED_TRACE(::testing::Message() << "zoom " << zoom << " kind " << kind);
            Slot().toolSettings[kShapeKindOption] = kind;
            GpBitmapOwner expected = Copy();
            Clicks(clicks);
            EXPECT_FALSE(Slot().drawPath.has_value());
            EditPath figure;
            if (kind == kShapeLine)
                figure.AddLines(points.data(), points.size());
            else if (kind == kShapeCurve)
                figure.AddCurve(points.data(), points.size());
            else if (kind == kShapePolygon || kind == kShapeFilledPolygon)
                figure.AddPolygon(points.data(), points.size());
            else
                figure.AddClosedCurve(points.data(), points.size());
            {
                GpGraphicsOwner g = Canvas(expected);
                GpPathOwner path = PathOf(figure);
                Slot().drawPath = figure;  // the reference rectangle is read from the figure
                const IntRect reference = ReferenceRect(Slot());
                if (kind == kShapeFilledPolygon || kind == kShapeFilledClosedCurve) {
                    BrushRecordPtr brush = MakeFillBrushOrFallback(*editor, Slot(), BrushUser::ShapeTool, reference, {5, 5}, path.get());
                    gp::GdipFillPath(g.get(), brush->get(), path.get());
                }
                GpPenOwner pen = MakeMainPen(*editor, Slot(), reference);
                gp::GdipDrawPath(g.get(), pen.get(), path.get());
                Slot().drawPath.reset();
            }
            EXPECT_EQ(testing::DifferentPixels(Slot().bitmap.get(), expected.get(), 0), 0.0);
            EXPECT_EQ(PixelAt(Slot().bitmap.get(), 5, 5), kBlack);  // the first point
            EXPECT_EQ(PixelAt(Slot().bitmap.get(), 8, 20), kBlack);  // the last point
            const bool filled = kind == kShapeFilledPolygon || kind == kShapeFilledClosedCurve;
            EXPECT_EQ(PixelAt(Slot().bitmap.get(), 18, 14), filled ? kRed : kWhite);
            EXPECT_EQ(PixelAt(Slot().bitmap.get(), 38, 28), kWhite);
            Send(cmd::kUndo);
            EXPECT_EQ(PixelAt(Slot().bitmap.get(), 5, 5), kWhite);
        }
    }
}

// Freehand stamping puts the tip on every step of the line between the mouse positions; drawn as
// a path (機能 あり) the stroke is the curve through the points further apart than the line width.
TEST_F(ShapeToolTest, FreehandStampsAndPaths) {
    Slot().toolSettings[kShapeKindOption] = kShapeFreehand;
    Slot().toolSettings[kLineWidthOption] = 3;
    Slot().toolSettings[kPenTipOption] = 1;  // ●: a circle from width 3
    for (int zoom : {100, 200}) {
        Zoom(zoom);
        GpBitmapOwner expected = Copy();
        Drag({{5, 5}, {15, 10}, {25, 15}});
        EXPECT_EQ(PixelAt(Slot().bitmap.get(), 5, 5), kBlack);
        EXPECT_EQ(PixelAt(Slot().bitmap.get(), 25, 15), kBlack);
        EXPECT_EQ(PixelAt(Slot().bitmap.get(), 5, 25), kWhite);
        {
            PenTip tip;
            tip.Update(Slot());
            ASSERT_EQ(tip.side(), 3);
            GpGraphicsOwner g = Canvas(expected);
            for (auto [from, to] : {std::pair{IntPoint{5, 5}, IntPoint{5, 5}}, std::pair{IntPoint{5, 5}, IntPoint{15, 10}},
                                    std::pair{IntPoint{15, 10}, IntPoint{25, 15}}})
                for (const IntPoint& p : StampLinePoints(from, to)) tip.Stamp(g.get(), p.x, p.y);
        }
        EXPECT_EQ(testing::DifferentPixels(Slot().bitmap.get(), expected.get(), 0), 0.0) << zoom;
        Send(cmd::kUndo);
        EXPECT_EQ(PixelAt(Slot().bitmap.get(), 5, 5), kWhite);
    }
    Slot().toolSettings[kFunctionOption] = 1;
    GpBitmapOwner expected = Copy();
    Drag({{5, 5}, {6, 6}, {15, 10}, {25, 15}});
    EXPECT_FALSE(Slot().drawPath.has_value());
    {
        EditPath stroke;
        stroke.StartFigure();
        const PointF a[2] = {{5, 5}, {15, 10}}, b[2] = {{15, 10}, {25, 15}};
        stroke.AddCurve(a, 2);  // (6, 6) is not further than the width from (5, 5)
        stroke.AddCurve(b, 2);
        GpGraphicsOwner g = Canvas(expected);
        GpPathOwner path = PathOf(stroke);
        GpPenOwner pen = MakeMainPen(*editor, Slot());
        gp::GdipDrawPath(g.get(), pen.get(), path.get());
    }
    EXPECT_EQ(testing::DifferentPixels(Slot().bitmap.get(), expected.get(), 0), 0.0);
    EXPECT_EQ(PixelAt(Slot().bitmap.get(), 15, 10), kBlack);
    Send(cmd::kUndo);
    EXPECT_EQ(PixelAt(Slot().bitmap.get(), 15, 10), kWhite);
    EXPECT_FALSE(Slot().undo.HasUndoableStep());  // one step per stroke
}

TEST_F(ShapeToolTest, EmptyBoxesIndexedAndSixteenBitImages) {
    // A click-and-release of 円形 draws nothing and records nothing.
    Slot().toolSettings[kShapeKindOption] = kShapeEllipse;
    Mouse(WM_LBUTTONDOWN, MK_LBUTTON, {10, 10});
    Mouse(WM_LBUTTONUP, 0, {10, 10});
    ReleaseCapture();
    EXPECT_FALSE(Slot().undo.HasUndoableStep());
    // A square with Shift: pressed at (10, 10), released at (30, 20), a 10 × 10 square.
    Slot().toolSettings[kShapeKindOption] = kShapeRectangle;
    Drag({{10, 10}, {30, 20}}, MK_SHIFT);
    EXPECT_EQ(PixelAt(Slot().bitmap.get(), 19, 15), kBlack);
    EXPECT_EQ(PixelAt(Slot().bitmap.get(), 15, 19), kBlack);
    EXPECT_EQ(PixelAt(Slot().bitmap.get(), 25, 15), kWhite);
    // 16-A1R5G5B5: the message at each press; the image is not drawn into.
    ASSERT_EQ(ChangeFormat(*editor, fmt::k16ARGB1555, u"", false, false), Gdiplus::Ok);
    Slot().tool = kToolShape;
    GpBitmapOwner before = Copy();
    Drag({{2, 2}, {30, 25}});
    Drag({{2, 2}, {30, 25}});
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].text, u"16-A1R5G5B5は、「ペンツール」が使えません");
    EXPECT_EQ(shown[0].title, u"Mirelo");
    EXPECT_EQ(testing::DifferentPixels(Slot().bitmap.get(), before.get(), 0), 0.0);
    // An indexed image: nothing at all.
    shown.clear();
    ASSERT_EQ(ChangeFormat(*editor, fmt::k32ARGB, u"", false, false), Gdiplus::Ok);
    Send(cmd::k8Index);
    ASSERT_TRUE(IsIndexed(Slot().pixelFormat));
    Slot().tool = kToolShape;
    before = Copy();
    Drag({{2, 2}, {30, 25}});
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(testing::DifferentPixels(Slot().bitmap.get(), before.get(), 0), 0.0);
}

// A freehand stroke drawn as a path (機能 あり, and the ﾊﾟｽ part 自由描画) takes a point only
// further than the line width from the last one; the preview runs a line from that point to the
// cursor, so the stroke does not trail the pointer.
TEST_F(ShapeToolTest, FreehandPreviewReachesTheCursor) {
    const struct {
        int kind, function, part;
    } cases[] = {{kShapeFreehand, 1, 0}, {kShapeKindPath, 0, kPartFreehand}};
    Slot().toolSettings[kLineWidthOption] = 8;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kind);
        Slot().toolSettings[kShapeKindOption] = c.kind;
        Slot().toolSettings[kFunctionOption] = c.function;
        Slot().toolSettings[kPathPartOption] = c.part;
        Mouse(WM_MOUSEMOVE, 0, {5, 15});
        Mouse(WM_LBUTTONDOWN, MK_LBUTTON, {5, 15});
        Mouse(WM_MOUSEMOVE, MK_LBUTTON, {12, 15});  // 7 from the last point: no point taken
        ASSERT_TRUE(Slot().drawPath.has_value());
        EXPECT_TRUE(Slot().drawPath->empty());
        GpBitmapOwner buffer;
        ASSERT_TRUE(RenderView(*editor, buffer));
        const int x0 = Slot().originX - editor->viewState.scrollX, y0 = Slot().originY - editor->viewState.scrollY;
        EXPECT_EQ(PixelAt(buffer.get(), x0 + 9, y0 + 15) & 0xFFFFFFu, 0u) << "the line reaches towards the cursor";
        EXPECT_EQ(PixelAt(buffer.get(), x0 + 9, y0 + 25) & 0xFFFFFFu, 0xFFFFFFu);
        Mouse(WM_LBUTTONUP, 0, {12, 15});
        ReleaseCapture();
        Slot().otherPath.reset();
    }
}

// The drag parts of ﾊﾟｽ add a figure only for a box with width and height: a drag one pixel wide
// or high (a box of zero width or height once it ends on the pixel under the cursor) adds nothing.
TEST_F(ShapeToolTest, CollectedDragFiguresNeedWidthAndHeight) {
    Slot().toolSettings[kShapeKindOption] = kShapeKindPath;
    const struct {
        IntPoint to;
        bool adds;
    } drags[] = {{{11, 20}, false}, {{25, 11}, false}, {{25, 20}, true}};
    for (int part : {kPartEllipse, kPartArc, kPartPie, kPartRectangle}) {
        for (const auto& d : drags) {
            SCOPED_TRACE(::testing::Message() << "part " << part << " to " << d.to.x << "," << d.to.y);
            Slot().toolSettings[kPathPartOption] = part;
            Slot().otherPath.reset();
            Drag({{10, 10}, d.to});
            EXPECT_EQ(Slot().otherPath.has_value(), d.adds);
        }
    }
    Slot().otherPath.reset();
    EXPECT_TRUE(shown.empty());
}

// A collected path on a 16-bit A1R5G5B5 image (it was collected before an undo went back to
// that format): drawing it, from the menu or at the guard's Yes, is refused before anything
// changes; no undo step, the path kept.
TEST_F(ShapeToolTest, CollectedPathOnSixteenBitImagesIsRefusedAndKept) {
    const int commands[] = {cmd::kPathDraw, cmd::kToolSelect};  // 描画; a guarded command answered Yes
    for (int command : commands) {
        SCOPED_TRACE(command);
        shown.clear();
        ASSERT_EQ(ChangeFormat(*editor, fmt::k16ARGB1555, u"", false, false), Gdiplus::Ok);
        Slot().undo.Reset();
        Slot().tool = kToolShape;
        Slot().toolSettings[kShapeKindOption] = kShapePath;
        Slot().otherPath.emplace();
        Slot().otherPath->AddRectangle(5, 5, 20, 10);
        GpBitmapOwner before = Copy();
        answer = IDYES;
        Send(command);
        ASSERT_EQ(shown.size(), command == cmd::kPathDraw ? 1u : 2u);
        EXPECT_EQ(shown.back().text, u"16-A1R5G5B5は、「ペンツール」が使えません");
        EXPECT_FALSE(Slot().undo.HasUndoableStep());
        EXPECT_TRUE(Slot().otherPath.has_value());
        EXPECT_EQ(testing::DifferentPixels(Slot().bitmap.get(), before.get(), 0), 0.0);
        Slot().otherPath.reset();
        ASSERT_EQ(ChangeFormat(*editor, fmt::k32ARGB, u"", false, false), Gdiplus::Ok);
    }
}

}  // namespace
}  // namespace mirelo
