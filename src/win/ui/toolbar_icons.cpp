// Tool-bar icons, drawn with GDI+ on a 16-unit design grid scaled to the requested size.
//
// Conventions of the grid: the pixel offset mode is "half", so unit square (x, y)-(x+1, y+1) is
// one pixel at 16 px. One-unit outlines run along half-unit coordinates (x.5) and fills end on
// whole units, which keeps edges sharp at 16 px and at every whole multiple of it. Each icon is
// drawn at four times its size and averaged down, so edges look the same on every rasteriser.
#include "ui/toolbar_icons.h"

#include "ui/disabled_look.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "common/gdiplus.h"
#include "common/icon_canvas.h"

namespace mirelo {
namespace {

using namespace icon;

// --- the icons, on the 16-unit grid ---

// A sheet of paper with its top-right corner folded over.
void Page(Canvas& c, float x0, float y0, float x1, float y1, float fold) {
    c.Polygon({{x0, y0}, {x1 - fold, y0}, {x1, y0 + fold}, {x1, y1}, {x0, y1}}, kWhite);
    c.Polygon({{x1 - fold, y0}, {x1 - fold, y0 + fold}, {x1, y0 + fold}}, kPaleGrey, kInk, Gdiplus::LineJoinBevel);
}

void DrawNew(Canvas& c) { Page(c, 2.5f, 1.5f, 13.5f, 14.5f, 4.0f); }

void DrawOpen(Canvas& c) {
    // back of the folder with its tab, a sheet inside, then the front flap swung open
    c.Polygon({{1.5f, 13.5f}, {1.5f, 2.5f}, {5.5f, 2.5f}, {7.5f, 4.5f}, {12.5f, 4.5f}, {12.5f, 13.5f}}, kDarkYellow);
    c.Rect(3.5f, 5.5f, 10.5f, 9.5f, kWhite);
    c.Polygon({{1.5f, 13.5f}, {4.5f, 7.5f}, {14.5f, 7.5f}, {12.5f, 13.5f}}, kYellow, kInk, Gdiplus::LineJoinBevel);
}

void DrawSave(Canvas& c) {
    c.Polygon({{1.5f, 1.5f}, {12.5f, 1.5f}, {14.5f, 3.5f}, {14.5f, 14.5f}, {1.5f, 14.5f}}, kBlue);
    c.Rect(4.5f, 1.5f, 11.5f, 5.5f, kPaleGrey);  // shutter
    c.FillRect(9.0f, 1.5f, 10.0f, 5.5f, kInk);
    c.Rect(3.5f, 8.5f, 12.5f, 14.5f, kWhite);  // label
    c.FillRect(5.0f, 10.0f, 11.0f, 11.0f, kGrey);
    c.FillRect(5.0f, 12.0f, 11.0f, 13.0f, kGrey);
}

// A red cross from (x0, y0) to (x1, y1) with a white rim so that it stands off what lies below.
void RedCross(Canvas& c, float x0, float y0, float x1, float y1) {
    c.Line(x0, y0, x1, y1, kWhite, 4.5f, Gdiplus::LineCapRound);
    c.Line(x1, y0, x0, y1, kWhite, 4.5f, Gdiplus::LineCapRound);
    c.Line(x0, y0, x1, y1, kRed, 2.25f, Gdiplus::LineCapRound);
    c.Line(x1, y0, x0, y1, kRed, 2.25f, Gdiplus::LineCapRound);
}

void DrawClose(Canvas& c) {
    Page(c, 1.5f, 1.5f, 11.5f, 13.5f, 3.5f);
    RedCross(c, 8.5f, 8.5f, 14.0f, 14.0f);
}

// Arrow that leaves to the right along the top, turns down and comes back along the bottom,
// its head pointing left at the top.
void DrawUndo(Canvas& c) {
    std::vector<P> shaft{{5.5f, 5.5f}};
    AppendArc(shaft, {9.5f, 9.0f}, 3.5f, -90.0f, 180.0f);
    shaft.push_back({5.0f, 12.5f});
    c.Outlined({Band(shaft, 2.0f), {{1.5f, 5.5f}, {6.0f, 1.75f}, {6.0f, 9.25f}}}, kBlue);
}

void DrawRedo(Canvas& c) {
    c.MirrorX();
    DrawUndo(c);
}

void DrawCut(Canvas& c) {
    // blades cross at the pivot; each ends in a ring on the opposite side
    c.Polygon({{3.5f, 1.0f}, {5.0f, 1.0f}, {11.0f, 10.0f}, {9.0f, 10.5f}}, kInk, 0);
    c.Polygon({{12.5f, 1.0f}, {11.0f, 1.0f}, {5.0f, 10.0f}, {7.0f, 10.5f}}, kInk, 0);
    c.Ellipse(4.5f, 12.0f, 2.25f, 2.25f, 0, kRed, 2.0f);
    c.Ellipse(11.5f, 12.0f, 2.25f, 2.25f, 0, kRed, 2.0f);
    c.Ellipse(8.0f, 7.0f, 0.6f, 0.6f, kWhite, 0);
}

void DrawCopy(Canvas& c) {
    c.Rect(1.5f, 1.5f, 9.5f, 10.5f, kWhite);
    c.Rect(6.5f, 5.5f, 14.5f, 14.5f, kWhite);
    for (float y : {8.0f, 10.0f, 12.0f}) c.FillRect(8.0f, y, 13.0f, y + 1.0f, kBlue);
}

void DrawPaste(Canvas& c) {
    c.Rect(1.5f, 2.5f, 12.5f, 14.5f, kDarkYellow);  // board
    c.Rect(4.5f, 1.5f, 9.5f, 4.5f, kGrey);          // clip
    c.Rect(6.5f, 6.5f, 14.5f, 14.5f, kWhite);       // page
    for (float y : {9.0f, 11.0f}) c.FillRect(8.0f, y, 13.0f, y + 1.0f, kBlue);
}

// Three quarters of a circle, clockwise from the right round to the top, with the head at the
// top pointing right.
void DrawRotateRight(Canvas& c) {
    std::vector<P> ring;
    AppendArc(ring, {8.0f, 9.0f}, 4.5f, 0.0f, 270.0f);
    c.Outlined({Band(ring, 2.0f), {{7.5f, 1.25f}, {12.0f, 4.5f}, {7.5f, 7.75f}}}, kGreen);
}

void DrawRotateLeft(Canvas& c) {
    c.MirrorX();
    DrawRotateRight(c);
}

void DrawFitWindow(Canvas& c) {
    c.Rect(1.5f, 1.5f, 14.5f, 14.5f, kWhite);
    // four arrows from the middle out into the corners
    const float heads[4][2] = {{3, 3}, {13, 3}, {3, 13}, {13, 13}};
    for (const auto& h : heads) {
        float sx = h[0] < 8 ? 1.0f : -1.0f, sy = h[1] < 8 ? 1.0f : -1.0f;
        c.Polygon({{h[0], h[1]}, {h[0] + 4 * sx, h[1]}, {h[0], h[1] + 4 * sy}}, kBlue, 0);
        c.Line(h[0] + 1.5f * sx, h[1] + 1.5f * sy, 8.0f - 1.75f * sx, 8.0f - 1.75f * sy, kBlue, 1.5f);
    }
}

void DrawActualSize(Canvas& c) {
    c.Rect(1.5f, 1.5f, 14.5f, 14.5f, kWhite);
    // "1:1" in block figures
    for (float x : {4.0f, 11.0f}) {
        c.FillRect(x, 4.0f, x + 2.0f, 12.0f, kInk);
        c.Polygon({{x, 4.0f}, {x, 6.0f}, {x - 1.0f, 6.0f}, {x - 1.0f, 5.0f}}, kInk, 0);
    }
    c.FillRect(7.0f, 5.0f, 9.0f, 7.0f, kInk);
    c.FillRect(7.0f, 9.0f, 9.0f, 11.0f, kInk);
}

void DrawPalette(Canvas& c) {
    // a rounded board with a notch for the brushes, and a thumb hole
    static const Gdiplus::GpPointF outline[] = {{1.5f, 8.0f},  {3.5f, 3.5f},   {8.5f, 2.0f},   {13.5f, 3.5f},
                                                {14.5f, 7.5f}, {12.5f, 9.5f},  {10.5f, 10.0f}, {10.0f, 12.5f},
                                                {7.5f, 14.0f}, {3.5f, 13.0f}};
    GpPathOwner board = c.NewPath(Gdiplus::FillModeAlternate);
    if (board) {
        c.Check(gp::GdipAddPathClosedCurve2(board.get(), outline, 10, 0.5f));
        c.Check(gp::GdipAddPathEllipse(board.get(), 4.0f, 9.0f, 3.0f, 3.0f));  // thumb hole
    }
    c.Fill(board, kWhite);
    c.Stroke(board, kInk, c.Outline());
    c.Ellipse(5.0f, 6.0f, 1.5f, 1.5f, kRed, 0);
    c.Ellipse(8.5f, 4.75f, 1.5f, 1.5f, kYellow, 0);
    c.Ellipse(12.0f, 6.0f, 1.5f, 1.5f, kGreen, 0);
    c.Ellipse(8.75f, 8.5f, 1.5f, 1.5f, kBlue, 0);
}

void DrawTransparentColour(Canvas& c) {
    c.Rect(1.5f, 1.5f, 14.5f, 14.5f, kWhite, 0);
    // four by four squares filling the inside of the outline
    const float w = c.Outline();
    const float lo = c.SnapCentre(1.5f) + w / 2, hi = c.SnapCentre(14.5f) - w / 2;
    float edge[5];
    for (int k = 0; k <= 4; ++k) edge[k] = c.SnapEdge(lo + (hi - lo) * static_cast<float>(k) / 4.0f);
    for (int row = 0; row < 4; ++row)
        for (int col = row % 2; col < 4; col += 2) c.FillRect(edge[col], edge[row], edge[col + 1], edge[row + 1], kCheckGrey);
    c.Rect(1.5f, 1.5f, 14.5f, 14.5f, 0);
}

// The vertex handle of a path: a small white square.
void Vertex(Canvas& c, float x, float y) { c.Rect(x - 1.5f, y - 1.5f, x + 1.5f, y + 1.5f, kWhite); }

void DrawPathDeletePoint(Canvas& c) {
    c.Line(2.5f, 12.5f, 6.5f, 3.5f, kBlue, 2.0f, Gdiplus::LineCapRound);
    c.Line(6.5f, 3.5f, 11.0f, 10.5f, kBlue, 2.0f, Gdiplus::LineCapRound);
    Vertex(c, 2.5f, 12.5f);
    Vertex(c, 6.5f, 3.5f);
    Vertex(c, 11.5f, 10.5f);
    RedCross(c, 9.5f, 8.5f, 14.0f, 13.0f);
}

// Two figures of a path: a filled triangle and an ellipse.
void TwoFigures(Canvas& c) {
    c.Polygon({{1.5f, 12.5f}, {5.0f, 4.5f}, {8.5f, 12.5f}}, kPaleBlue, kInk, Gdiplus::LineJoinRound);
    c.Ellipse(11.0f, 6.5f, 3.5f, 4.5f, kYellow);
}

void DrawPathDeleteLast(Canvas& c) {
    TwoFigures(c);
    RedCross(c, 10.0f, 10.0f, 14.0f, 14.0f);
}

void DrawPathDeleteAll(Canvas& c) {
    TwoFigures(c);
    RedCross(c, 3.0f, 3.0f, 13.0f, 13.0f);
}

// The drawings of the program's own images, by ToolIcon.
constexpr IconDrawing kDrawings[] = {
    DrawNew,
    DrawOpen,
    DrawSave,
    DrawClose,
    DrawUndo,
    DrawRedo,
    DrawCut,
    DrawCopy,
    DrawPaste,
    DrawRotateRight,
    DrawRotateLeft,
    DrawFitWindow,
    DrawActualSize,
    DrawPalette,
    DrawTransparentColour,
    DrawPathDeletePoint,
    DrawPathDeleteLast,
    DrawPathDeleteAll,
};
static_assert(sizeof kDrawings / sizeof kDrawings[0] == static_cast<size_t>(ToolIcon::Count), "one drawing per image");

bool DrawIcon(Canvas& c, IconDrawing drawing) {
    if (!drawing) return false;
    drawing(c);
    return c.ok();
}

// Renders one icon at kSupersample times its size and averages each block of samples into one
// pixel of the strip at column x0. Averaging premultiplied samples gives the same smooth edges
// whatever the rasteriser does at small sizes, and edges on whole grid units stay sharp.
constexpr int kSupersample = 4;

bool RenderIcon(IconDrawing icon, int size, BYTE* stripBits, int stripStride, int x0) {
    const int big = size * kSupersample;
    GpBitmapOwner bitmap;
    if (gp::GdipCreateBitmapFromScan0(big, big, 0, PixelFormat32bppPARGB, nullptr, bitmap.put()) != Gdiplus::Ok ||
        !bitmap)
        return false;
    {
        GpGraphicsOwner graphics;
        if (gp::GdipGetImageGraphicsContext(bitmap.get(), graphics.put()) != Gdiplus::Ok || !graphics) return false;
        Canvas c(graphics.get(), static_cast<float>(size) / 16.0f);
        c.Check(gp::GdipGraphicsClear(graphics.get(), 0));
        c.Check(gp::GdipSetSmoothingMode(graphics.get(), Gdiplus::SmoothingModeAntiAlias));
        c.Check(gp::GdipSetPixelOffsetMode(graphics.get(), Gdiplus::PixelOffsetModeHalf));
        c.Check(gp::GdipSetCompositingQuality(graphics.get(), Gdiplus::CompositingQualityHighQuality));
        const float scale = static_cast<float>(big) / 16.0f;
        c.Scale(scale, scale);
        if (!c.ok() || !DrawIcon(c, icon)) return false;
    }
    Gdiplus::GpRect rect(0, 0, big, big);
    Gdiplus::BitmapData data{};
    if (gp::GdipBitmapLockBits(bitmap.get(), &rect, Gdiplus::ImageLockModeRead, PixelFormat32bppPARGB, &data) !=
        Gdiplus::Ok)
        return false;
    constexpr int kSamples = kSupersample * kSupersample;
    std::vector<unsigned> sums(static_cast<size_t>(size) * 4);
    for (int y = 0; y < size; ++y) {
        std::fill(sums.begin(), sums.end(), 0u);
        for (int sy = 0; sy < kSupersample; ++sy) {
            const BYTE* src = static_cast<const BYTE*>(data.Scan0) +
                              static_cast<ptrdiff_t>(y * kSupersample + sy) * data.Stride;
            for (int x = 0; x < big; ++x)
                for (int ch = 0; ch < 4; ++ch) sums[static_cast<size_t>(x / kSupersample) * 4 + ch] += src[x * 4 + ch];
        }
        BYTE* dst = stripBits + static_cast<ptrdiff_t>(y) * stripStride + static_cast<ptrdiff_t>(x0) * 4;
        for (size_t i = 0; i < sums.size(); ++i) dst[i] = static_cast<BYTE>((sums[i] + kSamples / 2) / kSamples);
    }
    return gp::GdipBitmapUnlockBits(bitmap.get(), &data) == Gdiplus::Ok;
}

}  // namespace

IconDrawing DrawingOf(ToolIcon icon) {
    const auto i = static_cast<size_t>(icon);
    return i < static_cast<size_t>(ToolIcon::Count) ? kDrawings[i] : nullptr;
}

HBITMAP DrawToolbarIcons(const IconDrawing* icons, int count, int size) {
    if (!icons || count <= 0 || size <= 0 || size > 1024 || count > 4096) return nullptr;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = count * size;
    info.bmiHeader.biHeight = -size;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP strip = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!strip || !bits) {
        if (strip) DeleteObject(strip);
        return nullptr;
    }
    GdiFlush();
    const int stride = count * size * 4;
    std::memset(bits, 0, static_cast<size_t>(stride) * static_cast<size_t>(size));
    for (int i = 0; i < count; ++i) {
        if (!RenderIcon(icons[i], size, static_cast<BYTE*>(bits), stride, i * size)) {
            DeleteObject(strip);
            return nullptr;
        }
    }
    return strip;
}

HIMAGELIST CreateToolbarImageList(const IconDrawing* icons, int count, int size, bool disabled) {
    HBITMAP strip = DrawToolbarIcons(icons, count, size);
    if (!strip) return nullptr;
    DIBSECTION dib{};
    if (disabled && GetObjectW(strip, sizeof dib, &dib) == sizeof dib && dib.dsBm.bmBits) {
        FadeToGrey(PixelView{count * size, size, dib.dsBm.bmWidthBytes, fmt::k32PARGB, static_cast<uint8_t*>(dib.dsBm.bmBits)});
        GdiFlush();
    }
    HIMAGELIST list = ImageList_Create(size, size, ILC_COLOR32, count, 0);
    bool ok = list && ImageList_Add(list, strip, nullptr) == 0 && ImageList_GetImageCount(list) == count;
    DeleteObject(strip);
    if (!ok) {
        if (list) ImageList_Destroy(list);
        return nullptr;
    }
    return list;
}

}  // namespace mirelo
