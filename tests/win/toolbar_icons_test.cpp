// Tool-bar icons drawn in code: strip geometry, transparency, ink, distinctness and image lists.
//
// MIRELO_ICON_PREVIEW=<folder> also writes the strips at each tested size, enlarged, as PNG files
// into that folder, for judging the drawings by eye.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "common/gdiplus.h"
#include "app/tool.h"
#include "ui/toolbar_icons.h"

namespace mirelo {
namespace {

constexpr int kSizes[] = {16, 20, 24, 32};

// The program's own images, then each tool's.
std::vector<IconDrawing> AllIcons() {
    std::vector<IconDrawing> icons;
    for (int i = 0; i < static_cast<int>(ToolIcon::Count); ++i) icons.push_back(DrawingOf(static_cast<ToolIcon>(i)));
    for (const ToolDescriptor* tool : Tools()) icons.push_back(tool->icon);
    return icons;
}

// Top-down BGRA pixels of a bitmap, read back through GetDIBits.
struct Pixels {
    int width = 0, height = 0;
    std::vector<uint32_t> argb;
    uint32_t at(int x, int y) const { return argb[static_cast<size_t>(y) * width + x]; }
};

Pixels Read(HBITMAP bitmap) {
    Pixels p;
    BITMAP bm{};
    if (GetObjectW(bitmap, sizeof bm, &bm) != sizeof bm) return p;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = bm.bmWidth;
    info.bmiHeader.biHeight = -bm.bmHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<uint32_t> px(static_cast<size_t>(bm.bmWidth) * bm.bmHeight);
    HDC dc = GetDC(nullptr);
    int lines = GetDIBits(dc, bitmap, 0, bm.bmHeight, px.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, dc);
    if (lines != bm.bmHeight) return p;
    p.width = bm.bmWidth;
    p.height = bm.bmHeight;
    p.argb = std::move(px);
    return p;
}

int Alpha(uint32_t px) { return static_cast<int>(px >> 24); }

// The pixels of cell i of a strip of size x size cells.
std::vector<uint32_t> Cell(const Pixels& strip, int i, int size) {
    std::vector<uint32_t> cell;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) cell.push_back(strip.at(i * size + x, y));
    return cell;
}

bool TransparentBlock(const std::vector<uint32_t>& cell, int size, int x0, int y0, int block) {
    for (int y = y0; y < y0 + block; ++y)
        for (int x = x0; x < x0 + block; ++x)
            if (Alpha(cell[static_cast<size_t>(y) * size + x]) != 0) return false;
    return true;
}

// --- preview ---

bool PngEncoder(CLSID* clsid) {
    UINT count = 0, bytes = 0;
    if (gp::GdipGetImageEncodersSize(&count, &bytes) != Gdiplus::Ok || bytes == 0) return false;
    std::vector<BYTE> buffer(bytes);
    auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
    if (gp::GdipGetImageEncoders(count, bytes, codecs) != Gdiplus::Ok) return false;
    for (UINT i = 0; i < count; ++i)
        if (codecs[i].MimeType && std::wstring(codecs[i].MimeType) == L"image/png") {
            *clsid = codecs[i].Clsid;
            return true;
        }
    return false;
}

// Writes the strip enlarged `zoom` times over a light tool-bar grey, with a gap between icons.
bool SavePreview(const Pixels& strip, int size, int zoom, const std::wstring& file) {
    const int count = strip.width / size, gap = 4;
    const int width = count * (size * zoom + gap) + gap, height = size * zoom + 2 * gap;
    GpBitmapOwner out;
    if (gp::GdipCreateBitmapFromScan0(width, height, 0, PixelFormat32bppARGB, nullptr, out.put()) != Gdiplus::Ok)
        return false;
    const uint32_t background = 0xF0F0F0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint32_t colour = 0xFF000000 | background;
            int cellX = x - gap, cellY = y - gap;
            int icon = cellX / (size * zoom + gap), inX = cellX % (size * zoom + gap);
            if (cellX >= 0 && cellY >= 0 && cellY < size * zoom && icon < count && inX < size * zoom) {
                uint32_t px = strip.at(icon * size + inX / zoom, cellY / zoom);
                int a = Alpha(px);
                colour = 0xFF000000;
                for (int shift = 0; shift <= 16; shift += 8) {
                    int src = static_cast<int>((px >> shift) & 0xFF);  // premultiplied
                    int bg = static_cast<int>((background >> shift) & 0xFF);
                    colour |= static_cast<uint32_t>(src + bg * (255 - a) / 255) << shift;
                }
            }
            gp::GdipBitmapSetPixel(out.get(), x, y, colour);
        }
    CLSID png;
    if (!PngEncoder(&png)) return false;
    return gp::GdipSaveImageToFile(out.get(), file.c_str(), &png, nullptr) == Gdiplus::Ok;
}

// With MIRELO_ICON_PREVIEW set, writes iconsN.png (enlarged) and iconsN_1x.png into that folder.
void WritePreviewWhenAsked(const Pixels& strip, int size) {
    const char* folder = std::getenv("MIRELO_ICON_PREVIEW");
    if (!folder || !*folder) return;
    const std::wstring base = std::wstring(folder, folder + std::strlen(folder)) + L"\\icons" + std::to_wstring(size);
    EXPECT_TRUE(SavePreview(strip, size, size <= 16 ? 4 : 2, base + L".png"));
    EXPECT_TRUE(SavePreview(strip, size, 1, base + L"_1x.png"));
}

// --- tests ---

TEST(ToolbarIcons, StripHasOneCellPerIcon) {
    const std::vector<IconDrawing> icons = AllIcons();
    for (int size : kSizes) {
        HBITMAP strip = DrawToolbarIcons(icons.data(), static_cast<int>(icons.size()), size);
        ASSERT_NE(strip, nullptr) << size;
        BITMAP bm{};
        ASSERT_EQ(GetObjectW(strip, sizeof bm, &bm), static_cast<int>(sizeof bm));
        EXPECT_EQ(bm.bmWidth, static_cast<int>(icons.size()) * size);
        EXPECT_EQ(bm.bmHeight, size);
        EXPECT_EQ(bm.bmBitsPixel, 32);
        EXPECT_NE(bm.bmBits, nullptr);  // a DIB section
        DeleteObject(strip);
    }
}

TEST(ToolbarIcons, EveryIconHasATransparentCornerAndEnoughInk) {
    const std::vector<IconDrawing> icons = AllIcons();
    for (int size : kSizes) {
        HBITMAP bitmap = DrawToolbarIcons(icons.data(), static_cast<int>(icons.size()), size);
        ASSERT_NE(bitmap, nullptr);
        Pixels strip = Read(bitmap);
        DeleteObject(bitmap);
        ASSERT_EQ(strip.width, static_cast<int>(icons.size()) * size);
        WritePreviewWhenAsked(strip, size);
        const int block = size / 16 > 0 ? size / 16 : 1;
        for (size_t i = 0; i < icons.size(); ++i) {
            std::vector<uint32_t> cell = Cell(strip, static_cast<int>(i), size);
            bool corner = TransparentBlock(cell, size, 0, 0, block) ||
                          TransparentBlock(cell, size, size - block, 0, block) ||
                          TransparentBlock(cell, size, 0, size - block, block) ||
                          TransparentBlock(cell, size, size - block, size - block, block);
            EXPECT_TRUE(corner) << "icon " << i << " at " << size;
            size_t opaque = 0;
            for (uint32_t px : cell) opaque += Alpha(px) == 255;
            EXPECT_GE(opaque * 10, cell.size()) << "icon " << i << " at " << size;
            EXPECT_LT(opaque, cell.size()) << "icon " << i << " at " << size;
        }
    }
}

TEST(ToolbarIcons, PixelsArePremultiplied) {
    const std::vector<IconDrawing> icons = AllIcons();
    HBITMAP bitmap = DrawToolbarIcons(icons.data(), static_cast<int>(icons.size()), 24);
    ASSERT_NE(bitmap, nullptr);
    Pixels strip = Read(bitmap);
    DeleteObject(bitmap);
    ASSERT_FALSE(strip.argb.empty());
    size_t partial = 0;
    for (uint32_t px : strip.argb) {
        int a = Alpha(px);
        ASSERT_LE(static_cast<int>((px >> 16) & 0xFF), a);
        ASSERT_LE(static_cast<int>((px >> 8) & 0xFF), a);
        ASSERT_LE(static_cast<int>(px & 0xFF), a);
        partial += a > 0 && a < 255;
    }
    EXPECT_GT(partial, 0u);  // the translucent marquee and soft dab at least
}

TEST(ToolbarIcons, NoTwoIconsAreAlike) {
    const std::vector<IconDrawing> icons = AllIcons();
    for (int size : kSizes) {
        HBITMAP bitmap = DrawToolbarIcons(icons.data(), static_cast<int>(icons.size()), size);
        ASSERT_NE(bitmap, nullptr);
        Pixels strip = Read(bitmap);
        DeleteObject(bitmap);
        ASSERT_EQ(strip.width, static_cast<int>(icons.size()) * size);
        for (size_t i = 0; i < icons.size(); ++i)
            for (size_t j = i + 1; j < icons.size(); ++j)
                EXPECT_NE(Cell(strip, static_cast<int>(i), size), Cell(strip, static_cast<int>(j), size))
                    << "icons " << i << " and " << j << " at " << size;
    }
}

TEST(ToolbarIcons, EachIconIsTheSameInAnyOrder) {
    const std::vector<IconDrawing> icons = AllIcons();
    const size_t text = static_cast<size_t>(std::find(icons.begin(), icons.end(), FindTool(kToolText)->icon) - icons.begin());
    ASSERT_LT(text, icons.size());
    const std::vector<size_t> picked{text, static_cast<size_t>(ToolIcon::Save), text, static_cast<size_t>(ToolIcon::Undo)};
    std::vector<IconDrawing> drawings;
    for (size_t k : picked) drawings.push_back(icons[k]);
    HBITMAP all = DrawToolbarIcons(icons.data(), static_cast<int>(icons.size()), 20);
    HBITMAP some = DrawToolbarIcons(drawings.data(), static_cast<int>(drawings.size()), 20);
    ASSERT_NE(all, nullptr);
    ASSERT_NE(some, nullptr);
    Pixels a = Read(all), s = Read(some);
    DeleteObject(all);
    DeleteObject(some);
    ASSERT_EQ(s.width, 4 * 20);
    for (size_t k = 0; k < picked.size(); ++k)
        EXPECT_EQ(Cell(s, static_cast<int>(k), 20), Cell(a, static_cast<int>(picked[k]), 20)) << k;
}

TEST(ToolbarIcons, RejectsEmptyAndBadRequests) {
    const IconDrawing one[] = {DrawingOf(ToolIcon::New)};
    EXPECT_EQ(DrawToolbarIcons(one, 0, 16), nullptr);
    EXPECT_EQ(DrawToolbarIcons(one, 1, 0), nullptr);
    EXPECT_EQ(DrawToolbarIcons(nullptr, 1, 16), nullptr);
    const IconDrawing bad[] = {DrawingOf(ToolIcon::Count)};
    EXPECT_EQ(DrawToolbarIcons(bad, 1, 16), nullptr);
    EXPECT_EQ(CreateToolbarImageList(one, 0, 16), nullptr);
}

TEST(ToolbarIcons, ImageListHoldsEveryIconAtItsSize) {
    const std::vector<IconDrawing> icons = AllIcons();
    for (int size : kSizes) {
        HIMAGELIST list = CreateToolbarImageList(icons.data(), static_cast<int>(icons.size()), size);
        ASSERT_NE(list, nullptr) << size;
        EXPECT_EQ(ImageList_GetImageCount(list), static_cast<int>(icons.size()));
        int cx = 0, cy = 0;
        EXPECT_TRUE(ImageList_GetIconSize(list, &cx, &cy));
        EXPECT_EQ(cx, size);
        EXPECT_EQ(cy, size);
        ImageList_Destroy(list);
    }
}

}  // namespace
}  // namespace mirelo
