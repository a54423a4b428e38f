#include <objbase.h>

#include <cstring>

#include "harness.h"
#include "image/bitmap_access.h"

namespace mirelo {
namespace {
using testing::EditorTest;
using testing::PixelAt;

using BitmapAccess = EditorTest;

TEST_F(BitmapAccess, OwnerKeepsLastNonZeroStatus) {
    GpBitmapOwner bmp;
    ASSERT_TRUE(CreateGpBitmap(bmp, 4, 4, fmt::k32ARGB));
    EXPECT_EQ(bmp.lastStatus(), Gdiplus::Ok);
    Gdiplus::ARGB c;
    EXPECT_NE(bmp.Check(gp::GdipBitmapGetPixel(bmp.get(), 10, 10, &c)), Gdiplus::Ok);
    GpStatus failed = bmp.lastStatus();
    EXPECT_NE(failed, Gdiplus::Ok);
    bmp.Check(gp::GdipBitmapGetPixel(bmp.get(), 1, 1, &c));  // a success does not clear it
    EXPECT_EQ(bmp.lastStatus(), failed);
    EXPECT_EQ(bmp.TakeStatus(), failed);
    EXPECT_EQ(bmp.lastStatus(), Gdiplus::Ok);

    GpBitmapOwner bad;
    EXPECT_FALSE(CreateGpBitmap(bad, 0, 5, fmt::k32ARGB));
    EXPECT_NE(bad.lastStatus(), Gdiplus::Ok);
    EXPECT_FALSE(bad);
}

TEST_F(BitmapAccess, FailedLockNamesItsRoleAndLeavesTheBitmap) {
    GpBitmapOwner bmp;
    ASSERT_TRUE(CreateGpBitmap(bmp, 3, 2, fmt::k32ARGB));
    gp::GdipBitmapSetPixel(bmp.get(), 1, 1, 0xFF112233);
    {
        BitmapLock first(editor->messages, bmp, kLockReadWrite, fmt::k32ARGB, BitmapRole::Image);
        ASSERT_TRUE(first.ok());
        PixelView v = first.view();
        EXPECT_EQ(v.width, 3);
        EXPECT_EQ(ReadStored(v, 1, 1), 0xFF112233u);
        BitmapLock second(editor->messages, bmp, kLockRead, fmt::k32ARGB, BitmapRole::Source);
        EXPECT_FALSE(second.ok());
        BitmapLock third(editor->messages, bmp, kLockWrite, fmt::k32ARGB, BitmapRole::Destination);
        EXPECT_FALSE(third.ok());
        ASSERT_EQ(shown.size(), 2u);
        EXPECT_EQ(shown[0].text, u"Bmp_Rをロックできません");
        EXPECT_EQ(shown[0].title, u"");
        EXPECT_EQ(shown[1].text, u"Bmp_Wをロックできません");
        EXPECT_EQ(first.Unlock(), Gdiplus::Ok);
    }
    EXPECT_EQ(shown.size(), 2u);  // the failed locks did not try to unlock
    EXPECT_EQ(PixelAt(bmp.get(), 1, 1), 0xFF112233u);
    EXPECT_EQ(PixelAt(bmp.get(), 0, 0), 0u);

    GpBitmapOwner none;
    BitmapLock missing(editor->messages, none, kLockRead, fmt::k32ARGB, BitmapRole::Copy);
    EXPECT_FALSE(missing.ok());
    EXPECT_EQ(shown.back().text, u"Bmp_Copyをロックできません");
}

TEST_F(BitmapAccess, WritesThroughALockReachTheBitmap) {
    GpBitmapOwner bmp;
    ASSERT_TRUE(CreateGpBitmap(bmp, 5, 3, fmt::k24RGB));
    {
        BitmapLock lock(editor->messages, bmp, kLockReadWrite, fmt::k24RGB, BitmapRole::Image);
        ASSERT_TRUE(lock.ok());
        WriteStored(lock.view(), 4, 2, PackPixel(0x30201000u, fmt::k24RGB));
    }
    EXPECT_EQ(PixelAt(bmp.get(), 4, 2), 0xFF102030u);
}

TEST_F(BitmapAccess, MemoryBitmapsAndDecodedFilesAreNamed) {
    GpBitmapOwner bmp;
    ASSERT_TRUE(CreateGpBitmap(bmp, 2, 2, fmt::k32ARGB));
    EXPECT_EQ(RawFormatName(editor->messages, bmp.get()), u"MemoryBMP");
    EXPECT_EQ(FileTypeCode(editor->messages, bmp.get()), -1);

    // Encode to PNG in memory and decode again: the decoded image is a PNG.
    CLSID png;
    ASSERT_GE(FindEncoder(editor->messages, u"png", &png), 0);
    IStream* stream = nullptr;
    ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &stream), S_OK);
    ASSERT_EQ(gp::GdipSaveImageToStream(bmp.get(), stream, &png, nullptr), Gdiplus::Ok);
    LARGE_INTEGER zero{};
    stream->Seek(zero, STREAM_SEEK_SET, nullptr);
    GpBitmapOwner decoded;
    ASSERT_EQ(gp::GdipCreateBitmapFromStream(stream, decoded.put()), Gdiplus::Ok);
    EXPECT_EQ(RawFormatName(editor->messages, decoded.get()), u"PNG");
    EXPECT_EQ(FileTypeCode(editor->messages, decoded.get()), 5);
    decoded.reset();
    stream->Release();
    EXPECT_TRUE(shown.empty());

    EXPECT_EQ(RawFormatName(editor->messages, nullptr), u"-");
    EXPECT_EQ(shown.back().text, u"ファイル形式を取得できません");
    EXPECT_EQ(shown.back().title, u"");
    EXPECT_EQ(FileTypeCode(editor->messages, nullptr), -1);
    EXPECT_EQ(shown.back().text, u"ファイル形式を取得できません");
    EXPECT_EQ(shown.back().title, u"Mirelo");
}

TEST_F(BitmapAccess, EncoderByExtension) {
    CLSID jpeg{}, bmp{};
    int j = FindEncoder(editor->messages, u"JPEG", &jpeg);
    ASSERT_GE(j, 0);
    EXPECT_TRUE(shown.empty());
    int b = FindEncoder(editor->messages, u"bmp", &bmp);
    ASSERT_GE(b, 0);
    EXPECT_NE(j, b);
    EXPECT_FALSE(IsEqualGUID(jpeg, bmp));
    CLSID other{};
    EXPECT_EQ(FindEncoder(editor->messages, u"webp", &other), b);
    EXPECT_TRUE(IsEqualGUID(other, bmp));
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, u"ビットマップ形式で保存します");
    EXPECT_TRUE(shown[0].type & MB_ICONWARNING);
}

std::vector<uint8_t> PaletteBytes(int count) {
    std::vector<uint8_t> buf(sizeof(Gdiplus::ColorPalette) + sizeof(Gdiplus::ARGB) * static_cast<size_t>(count));
    auto* p = reinterpret_cast<Gdiplus::ColorPalette*>(buf.data());
    p->Flags = 0;
    p->Count = static_cast<UINT>(count);
    for (int i = 0; i < count; ++i) p->Entries[i] = 0xFF000000u | static_cast<uint32_t>(i * 0x010101);
    return buf;
}

TEST_F(BitmapAccess, PaletteAlphaFlagFollowsTransparentEntries) {
    GpBitmapOwner bmp;
    ASSERT_TRUE(CreateGpBitmap(bmp, 4, 4, fmt::k8Index));
    auto bytes = PaletteBytes(256);
    auto* pal = reinterpret_cast<Gdiplus::ColorPalette*>(bytes.data());
    pal->Entries[7] = 0x00123456;
    ASSERT_EQ(gp::GdipSetImagePalette(bmp.get(), pal), Gdiplus::Ok);
    EXPECT_TRUE(UpdatePaletteAlphaFlag(bmp.get()));
    EXPECT_TRUE(PaletteHasAlphaFlag(bmp.get()));

    pal->Entries[7] = 0xFF123456;
    pal->Flags = Gdiplus::PaletteFlagsHasAlpha;
    ASSERT_EQ(gp::GdipSetImagePalette(bmp.get(), pal), Gdiplus::Ok);
    EXPECT_TRUE(UpdatePaletteAlphaFlag(bmp.get()));
    EXPECT_FALSE(PaletteHasAlphaFlag(bmp.get()));

    GpBitmapOwner direct;
    ASSERT_TRUE(CreateGpBitmap(direct, 2, 2, fmt::k32ARGB));
    EXPECT_TRUE(UpdatePaletteAlphaFlag(direct.get()));
    EXPECT_FALSE(PaletteHasAlphaFlag(direct.get()));
}

TEST_F(BitmapAccess, CopyPaletteFromIndexedSource) {
    GpBitmapOwner src, dst, direct;
    ASSERT_TRUE(CreateGpBitmap(src, 2, 2, fmt::k4Index));
    ASSERT_TRUE(CreateGpBitmap(dst, 2, 2, fmt::k4Index));
    ASSERT_TRUE(CreateGpBitmap(direct, 2, 2, fmt::k24RGB));
    auto bytes = PaletteBytes(16);
    auto* pal = reinterpret_cast<Gdiplus::ColorPalette*>(bytes.data());
    pal->Entries[3] = 0xFFABCDEF;
    ASSERT_EQ(gp::GdipSetImagePalette(src.get(), pal), Gdiplus::Ok);
    EXPECT_EQ(CopyPalette(dst.get(), src.get()), Gdiplus::Ok);
    auto out = PaletteBytes(16);
    ASSERT_EQ(gp::GdipGetImagePalette(dst.get(), reinterpret_cast<Gdiplus::ColorPalette*>(out.data()),
                                      static_cast<INT>(out.size())),
              Gdiplus::Ok);
    EXPECT_EQ(reinterpret_cast<Gdiplus::ColorPalette*>(out.data())->Entries[3], 0xFFABCDEFu);
    EXPECT_EQ(CopyPalette(dst.get(), direct.get()), Gdiplus::Ok);  // a direct-colour source does nothing
    EXPECT_EQ(CopyPalette(dst.get(), nullptr), Gdiplus::Ok);
}

// Reads a device bitmap's pixels as 0x00RRGGBB, top row first.
std::vector<uint32_t> DeviceBitmapPixels(HBITMAP h, int w, int height) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    std::vector<uint32_t> px(static_cast<size_t>(w * height));
    HDC dc = GetDC(nullptr);
    GetDIBits(dc, h, 0, static_cast<UINT>(height), px.data(), &bi, DIB_RGB_COLORS);
    ReleaseDC(nullptr, dc);
    for (auto& p : px) p &= 0xFFFFFF;
    return px;
}

TEST_F(BitmapAccess, ThumbnailOfATallImageIsCentred) {
    GpBitmapOwner tall;
    ASSERT_TRUE(CreateGpBitmap(tall, 1, 1000, fmt::k32ARGB));
    {
        GpGraphicsOwner g;
        ASSERT_EQ(gp::GdipGetImageGraphicsContext(tall.get(), g.put()), Gdiplus::Ok);
        gp::GdipGraphicsClear(g.get(), 0xFFFF0000);
    }
    HBITMAP h = MakeThumbnail(editor->messages, tall.get());
    ASSERT_NE(h, nullptr);
    BITMAP info{};
    GetObjectW(h, sizeof info, &info);
    EXPECT_EQ(info.bmWidth, 32);
    EXPECT_EQ(info.bmHeight, 32);
    auto px = DeviceBitmapPixels(h, 32, 32);
    uint32_t face = GetSysColor(COLOR_BTNFACE);
    uint32_t faceRgb = ((face & 0xFF) << 16) | (face & 0xFF00) | ((face >> 16) & 0xFF);
    EXPECT_EQ(px[16 * 32 + 15], 0xFF0000u);  // the 1-pixel-wide image at x 15
    EXPECT_EQ(px[16 * 32 + 0], faceRgb);
    EXPECT_EQ(px[16 * 32 + 31], faceRgb);
    DeleteObject(h);
    EXPECT_TRUE(shown.empty());

    EXPECT_EQ(MakeThumbnail(editor->messages, nullptr), nullptr);
    EXPECT_EQ(shown.back().text, u"thumbを作成できません");
}

}  // namespace
}  // namespace mirelo

#include "common/codepage.h"
#include "image/properties.h"
#include "image/image_set.h"

namespace mirelo {
namespace {
using testing::PngWithText;

bool RunningUnderWine() { return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr; }

GpBitmapOwner Decode(const std::vector<uint8_t>& bytes) {
    IStream* stream = nullptr;
    HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    std::memcpy(GlobalLock(mem), bytes.data(), bytes.size());
    GlobalUnlock(mem);
    CreateStreamOnHGlobal(mem, TRUE, &stream);
    GpBitmapOwner out;
    gp::GdipCreateBitmapFromStream(stream, out.put());
    stream->Release();
    return out;
}

TEST(Properties, CodePage932Conversion) {
    std::string bytes = TextToCp932(u"山田ｱ");
    EXPECT_EQ(bytes, std::string("\x8E\x52\x93\x63\xB1"));
    EXPECT_EQ(Cp932ToText(bytes), u"山田ｱ");
    EXPECT_EQ(Cp932ToText(""), u"");
}

TEST(Properties, ReadFromADecodedFile) {
    Messages m;
    GpBitmapOwner decoded = Decode(PngWithText(m, "Author", "Yamada Taro"));
    ASSERT_TRUE(decoded);
    ImageSlot slot;
    slot.bitmap = std::move(decoded);
    slot.properties[3] = u"kept";
    ReadProperties(slot);
    EXPECT_EQ(slot.properties[1], u"Yamada Taro");
    EXPECT_EQ(slot.properties[0], u"");
    EXPECT_EQ(slot.properties[3], u"kept");  // no item: the field keeps its content
}

TEST(Properties, WrittenItemsHoldCodePage932Text) {
    GpBitmapOwner bmp;
    ASSERT_TRUE(CreateGpBitmap(bmp, 4, 4, fmt::k24RGB));
    ASSERT_EQ(WriteProperty(bmp.get(), 315, u"山田 太郎"), Gdiplus::Ok);
    UINT size = 0;
    if (RunningUnderWine() && gp::GdipGetPropertyItemSize(bmp.get(), 315, &size) == Gdiplus::PropertyNotFound)
        GTEST_SKIP() << "Wine's GDI+ accepts GdipSetPropertyItem but does not store the item";
    ImageSlot slot;
    slot.bitmap = std::move(bmp);
    ReadProperties(slot);
    EXPECT_EQ(slot.properties[1], u"山田 太郎");
}

}  // namespace
}  // namespace mirelo
