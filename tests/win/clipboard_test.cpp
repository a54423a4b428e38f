// End-to-end tests of the clipboard: another program (mirelo_clip_peer.exe) puts DIBs of every
// depth that the editor pastes as new images, and reads back what the editor copied; broken
// DIBs and broken selection records are refused.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

#include "harness.h"
#include "app/commands.h"
#include "clipboard/clipboard.h"
#include "clipboard/clipboard_commands.h"
#include "image/bitmap_access.h"
#include "image/image_set.h"
#include "image/new_image.h"
#include "peer/clip_pattern.h"

namespace mirelo {
namespace {
using testing::EditorTest;
using testing::PixelAt;

uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
    return uint32_t{b[at]} | (uint32_t{b[at + 1]} << 8) | (uint32_t{b[at + 2]} << 16) | (uint32_t{b[at + 3]} << 24);
}
uint16_t Le16(const std::vector<uint8_t>& b, size_t at) { return static_cast<uint16_t>(b[at] | (b[at + 1] << 8)); }

std::vector<uint8_t> ReadAll(const Text& path) {
    std::vector<uint8_t> out;
    FILE* f = _wfopen(W(path), L"rb");
    if (!f) return out;
    uint8_t buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.insert(out.end(), buf, buf + n);
    std::fclose(f);
    return out;
}

bool Near(uint32_t a, uint32_t b, int tolerance) {
    for (int s = 0; s < 24; s += 8) {
        int d = static_cast<int>((a >> s) & 0xFF) - static_cast<int>((b >> s) & 0xFF);
        if (d > tolerance || -d > tolerance) return false;
    }
    return true;
}

class ClipboardTest : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        OpenWindow();
        Empty();
    }
    int Peer(const Text& arguments) { return testing::RunAndPump(testing::BesideTests(L"mirelo_clip_peer.exe"), arguments); }
    void Empty() {
        ASSERT_TRUE(OpenClipboard(editor->frame.view));
        EmptyClipboard();
        CloseClipboard();
    }
    // Places a bitmap in the first free slot, as opening a file does.
    void Adopt(GpBitmapOwner bitmap, const char16_t* name) {
        ASSERT_GE(testing::Add(*editor, std::move(bitmap), name), 0);
    }
    // A bitmap of the shared picture in one of the editor's formats, written through a lock.
    GpBitmapOwner PatternBitmap(PixelFormat format, int kind) {
        GpBitmapOwner bmp;
        EXPECT_TRUE(CreateGpBitmap(bmp, cliptest::kWidth, cliptest::kHeight, format));
        if (IsIndexed(format)) {
            int n = 1 << BitsPerPixel(format);
            std::vector<uint8_t> buf(offsetof(Gdiplus::ColorPalette, Entries) + 4 * n);
            auto* pal = reinterpret_cast<Gdiplus::ColorPalette*>(buf.data());
            pal->Flags = 0;
            pal->Count = static_cast<UINT>(n);
            for (int i = 0; i < n; ++i) pal->Entries[i] = 0xFF000000u | cliptest::PaletteRgb(i);
            EXPECT_EQ(gp::GdipSetImagePalette(bmp.get(), pal), Gdiplus::Ok);
        }
        BitmapLock lock(editor->messages, bmp, kLockWrite, format, BitmapRole::Destination);
        EXPECT_TRUE(lock.ok());
        if (!lock.ok()) return bmp;
        for (int y = 0; y < cliptest::kHeight; ++y)
            for (int x = 0; x < cliptest::kWidth; ++x) WriteStored(lock.view(), x, y, cliptest::Stored(kind, x, y));
        lock.Unlock();
        return bmp;
    }
    // Every stored pixel value of the current image, read in its own format.
    void ExpectStoredPattern(int kind) {
        ImageSlot* s = editor->Current();
        ASSERT_NE(s, nullptr);
        BitmapLock lock(editor->messages, s->bitmap, kLockRead, s->pixelFormat, BitmapRole::Source);
        ASSERT_TRUE(lock.ok());
        int wrong = 0;
        for (int y = 0; y < cliptest::kHeight; ++y)
            for (int x = 0; x < cliptest::kWidth; ++x)
                if (ReadStored(lock.view(), x, y) != cliptest::Stored(kind, x, y) && wrong++ < 5)
                    ADD_FAILURE() << "kind " << kind << " at " << x << "," << y << ": " << std::hex
                                  << ReadStored(lock.view(), x, y) << " instead of " << cliptest::Stored(kind, x, y);
    }
    std::vector<uint32_t> PaletteOf(Gdiplus::GpBitmap* bmp) {
        INT size = 0;
        gp::GdipGetImagePaletteSize(bmp, &size);
        std::vector<uint8_t> buf(static_cast<size_t>(size > 0 ? size : 0) + sizeof(Gdiplus::ColorPalette));
        auto* pal = reinterpret_cast<Gdiplus::ColorPalette*>(buf.data());
        if (gp::GdipGetImagePalette(bmp, pal, size) != Gdiplus::Ok) return {};
        return std::vector<uint32_t>(pal->Entries, pal->Entries + pal->Count);
    }
    // Bytes of one of the program's own records on the clipboard; empty when absent.
    std::vector<uint8_t> Record(UINT format) {
        std::vector<uint8_t> out;
        if (!OpenClipboard(editor->frame.view)) return out;
        HANDLE h = GetClipboardData(format);
        if (auto* p = h ? static_cast<const uint8_t*>(GlobalLock(h)) : nullptr) {
            out.assign(p, p + GlobalSize(h));
            GlobalUnlock(h);
        }
        CloseClipboard();
        return out;
    }
    void PutRecords(const std::vector<std::pair<UINT, std::vector<uint8_t>>>& records, bool empty) {
        ASSERT_TRUE(OpenClipboard(editor->frame.view));
        if (empty) EmptyClipboard();
        for (const auto& r : records) {
            HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, r.second.size());
            std::memcpy(GlobalLock(mem), r.second.data(), r.second.size());
            GlobalUnlock(mem);
            EXPECT_NE(SetClipboardData(r.first, mem), nullptr) << r.first;
        }
        CloseClipboard();
    }
    Text Temp(const wchar_t* leaf) { return testing::MakeTempDir(leaf) + u"\\clip"; }
};

struct PasteCase {
    int kind;
    PixelFormat format;
};

TEST_F(ClipboardTest, DibsOfEveryDepthFromAnotherProgramPasteAsNewImages) {
    const PasteCase cases[] = {{1, fmt::k1Index},      {4, fmt::k4Index},    {8, fmt::k8Index}, {555, fmt::k16RGB555},
                               {565, fmt::k16RGB565}, {24, fmt::k24RGB}, {32, fmt::k32RGB}};
    int images = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kind);
        ASSERT_EQ(Peer(u"put " + ToText(c.kind)), 0);
        Send(cmd::kPasteNew);
        ASSERT_EQ(editor->images.Occupied(), ++images);
        ImageSlot* s = editor->Current();
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(editor->images.current, images - 1);
        EXPECT_EQ(s->path, u"clipboard");
        EXPECT_EQ(s->pixelFormat, c.format);
        EXPECT_EQ(s->width, cliptest::kWidth);  // a 1-bit row of 10 pixels keeps all 10
        EXPECT_EQ(s->height, cliptest::kHeight);
        EXPECT_EQ(s->rawFormatName, u"MemoryBMP");
        EXPECT_EQ(s->fileType, -1);
        EXPECT_FALSE(s->selectionPath);  // another program sends no selection
        ExpectStoredPattern(c.kind);
        if (IsIndexed(c.format)) {
            std::vector<uint32_t> pal = PaletteOf(s->bitmap.get());
            ASSERT_EQ(pal.size(), size_t{1} << cliptest::BitCount(c.kind));
            for (size_t i = 0; i < pal.size(); ++i) EXPECT_EQ(pal[i], 0xFF000000u | cliptest::PaletteRgb(static_cast<int>(i))) << i;
        }
        // What the image shows: the picture's colours (renderers fill the low bits of a widened
        // 5- or 6-bit channel in different ways).
        for (int y = 0; y < cliptest::kHeight; ++y)
            for (int x = 0; x < cliptest::kWidth; ++x)
                ASSERT_TRUE(Near(PixelAt(s->bitmap.get(), x, y), cliptest::Rgb(c.kind, x, y), cliptest::BitCount(c.kind) == 16 ? 7 : 0))
                    << x << "," << y << " " << std::hex << PixelAt(s->bitmap.get(), x, y);
    }
    EXPECT_TRUE(shown.empty());
    // The image-select menu lists every pasted image under its name.
    HMENU select = GetSubMenu(editor->frame.menu, 6);
    ASSERT_EQ(GetMenuItemCount(select), images);
    wchar_t text[64] = {};
    GetMenuStringW(select, 0, text, 64, MF_BYPOSITION);
    EXPECT_STREQ(text, L"clipboard");
}

TEST_F(ClipboardTest, BottomUpAndTopDownDibsPasteTheSameImage) {
    for (int kind : {1, 24, 565}) {
        SCOPED_TRACE(kind);
        ASSERT_EQ(Peer(u"put " + ToText(kind)), 0);
        Send(cmd::kPasteNew);
        ASSERT_EQ(Peer(u"put " + ToText(kind) + u" topdown"), 0);
        Send(cmd::kPasteNew);
        int n = editor->images.Occupied();
        ASSERT_GE(n, 2);
        ImageSlot& up = editor->images.slots[static_cast<size_t>(n - 2)];
        ImageSlot& down = editor->images.slots[static_cast<size_t>(n - 1)];
        EXPECT_EQ(up.pixelFormat, down.pixelFormat);
        EXPECT_EQ(testing::DifferentPixels(up.bitmap.get(), down.bitmap.get(), 0), 0.0);
        ExpectStoredPattern(kind);  // the current one is the top-down image
    }
    EXPECT_TRUE(shown.empty());
}

TEST_F(ClipboardTest, CtrlVWithoutAnImagePastesANewImageAndWithOneAddsNone) {
    ASSERT_EQ(Peer(u"put 24"), 0);
    Send(cmd::kPaste);
    ASSERT_EQ(editor->images.Occupied(), 1);
    EXPECT_EQ(editor->Current()->path, u"clipboard");
    ExpectStoredPattern(24);
    Send(cmd::kPaste);  // with a current image the paste goes into it, not into a new image
    EXPECT_EQ(editor->images.Occupied(), 1);
    EXPECT_TRUE(shown.empty());
}

TEST_F(ClipboardTest, PastingAnEmptyClipboardSaysSo) {
    // The command is not available without a picture on the clipboard; the paste itself, when
    // reached, says why it pastes nothing.
    Send(cmd::kPasteNew);
    EXPECT_TRUE(shown.empty());
    PasteAsNewImage(*editor);
    EXPECT_EQ(editor->images.Occupied(), 0);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, u"クリップボードは空です。");
    EXPECT_EQ(shown[0].title, u"Clipboard Error");
    EXPECT_EQ(shown[0].type, static_cast<UINT>(MB_OK | MB_ICONWARNING));
}

TEST_F(ClipboardTest, The257thImageFromTheClipboardIsRefused) {
    ASSERT_EQ(Peer(u"put 8"), 0);
    for (int i = 0; i < kMaxImages; ++i) ASSERT_TRUE(testing::NewImage(*editor, 1, 1, 0, 0, false)) << i;
    Send(cmd::kPasteNew);
    EXPECT_EQ(editor->images.Occupied(), kMaxImages);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, u"画像数が 256 を超過したので、clipboard は開けません");
    EXPECT_EQ(shown[0].title, u"Mirelo");
    EXPECT_TRUE(shown[0].type & MB_ICONWARNING);
}

TEST_F(ClipboardTest, CopiedFourBitImageReachesAnotherProgramWithItsPalette) {
    Adopt(PatternBitmap(fmt::k4Index, 4), u"four.bmp");
    Send(cmd::kCopy);
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(GetClipboardOwner(), editor->frame.view);
    Text prefix = Temp(L"copy4");
    ASSERT_EQ(Peer(u"read \"" + prefix + u"\" dbp"), 0);

    std::vector<uint8_t> dib = ReadAll(prefix + u".dib");
    const size_t stride = 8;  // 10 pixels of 4 bits, padded to four bytes
    ASSERT_GE(dib.size(), 40 + 16 * 4 + stride * cliptest::kHeight);
    EXPECT_EQ(Le32(dib, 0), 40u);
    EXPECT_EQ(Le32(dib, 4), static_cast<uint32_t>(cliptest::kWidth));
    EXPECT_EQ(Le32(dib, 8), static_cast<uint32_t>(cliptest::kHeight));  // bottom-up
    EXPECT_EQ(Le16(dib, 12), 1);
    EXPECT_EQ(Le16(dib, 14), 4);
    EXPECT_EQ(Le32(dib, 16), 0u);
    EXPECT_EQ(Le32(dib, 20), stride * cliptest::kHeight);
    EXPECT_EQ(Le32(dib, 32), 0u);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(Le32(dib, 40 + 4 * static_cast<size_t>(i)), cliptest::PaletteRgb(i)) << i;
    const size_t bits = 40 + 16 * 4;
    for (int y = 0; y < cliptest::kHeight; ++y)
        for (int x = 0; x < cliptest::kWidth; ++x) {
            uint8_t byte = dib[bits + stride * static_cast<size_t>(cliptest::kHeight - 1 - y) + static_cast<size_t>(x / 2)];
            uint32_t index = x % 2 ? byte & 0xF : byte >> 4;
            ASSERT_EQ(index, cliptest::Stored(4, x, y)) << x << "," << y;
        }

    std::vector<uint8_t> device = ReadAll(prefix + u".bgra");
    ASSERT_EQ(device.size(), 8 + 4u * cliptest::kWidth * cliptest::kHeight);
    EXPECT_EQ(Le32(device, 0), static_cast<uint32_t>(cliptest::kWidth));
    EXPECT_EQ(Le32(device, 4), static_cast<uint32_t>(cliptest::kHeight));
    for (int y = 0; y < cliptest::kHeight; ++y)
        for (int x = 0; x < cliptest::kWidth; ++x)
            ASSERT_EQ(Le32(device, 8 + 4 * static_cast<size_t>(y * cliptest::kWidth + x)) & 0xFFFFFF, cliptest::Rgb(4, x, y))
                << x << "," << y;

    std::vector<uint8_t> pal = ReadAll(prefix + u".pal");
    ASSERT_EQ(pal.size(), 16u * 4);  // 16 entries of red, green, blue, flags
    for (int i = 0; i < 16; ++i) {
        uint32_t rgb = cliptest::PaletteRgb(i);
        EXPECT_EQ(pal[4 * i], (rgb >> 16) & 0xFF) << i;
        EXPECT_EQ(pal[4 * i + 1], (rgb >> 8) & 0xFF) << i;
        EXPECT_EQ(pal[4 * i + 2], rgb & 0xFF) << i;
        EXPECT_EQ(pal[4 * i + 3], 0) << i;
    }
}

TEST_F(ClipboardTest, CopiedR5G6B5ImageIsABitFieldDib) {
    Adopt(PatternBitmap(fmt::k16RGB565, 565), u"565.bmp");
    Send(cmd::kCopy);
    Text prefix = Temp(L"copy565");
    ASSERT_EQ(Peer(u"read \"" + prefix + u"\" db"), 0);
    std::vector<uint8_t> dib = ReadAll(prefix + u".dib");
    const size_t stride = 20;
    ASSERT_GE(dib.size(), 52 + stride * cliptest::kHeight);
    EXPECT_EQ(Le16(dib, 14), 16);
    EXPECT_EQ(Le32(dib, 16), 3u);
    EXPECT_EQ(Le32(dib, 40), 0xF800u);
    EXPECT_EQ(Le32(dib, 44), 0x07E0u);
    EXPECT_EQ(Le32(dib, 48), 0x001Fu);
    for (int y = 0; y < cliptest::kHeight; ++y)
        for (int x = 0; x < cliptest::kWidth; ++x)
            ASSERT_EQ(Le16(dib, 52 + stride * static_cast<size_t>(cliptest::kHeight - 1 - y) + 2 * static_cast<size_t>(x)),
                      cliptest::Stored(565, x, y));
    std::vector<uint8_t> device = ReadAll(prefix + u".bgra");
    ASSERT_EQ(device.size(), 8 + 4u * cliptest::kWidth * cliptest::kHeight);
    for (int y = 0; y < cliptest::kHeight; ++y)
        for (int x = 0; x < cliptest::kWidth; ++x)
            ASSERT_TRUE(Near(Le32(device, 8 + 4 * static_cast<size_t>(y * cliptest::kWidth + x)), cliptest::Rgb(565, x, y), 8))
                << x << "," << y;
    // No palette for a direct-colour image.
    EXPECT_EQ(Peer(u"read \"" + prefix + u"\" p"), 12);
}

TEST_F(ClipboardTest, CopiedArgbImageKeepsItsAlphaInTheFourthByte) {
    Adopt(PatternBitmap(fmt::k32ARGB, 32), u"argb.png");
    Send(cmd::kCopy);
    Text prefix = Temp(L"copy32");
    ASSERT_EQ(Peer(u"read \"" + prefix + u"\" db"), 0);
    std::vector<uint8_t> dib = ReadAll(prefix + u".dib");
    const size_t stride = 40;
    ASSERT_GE(dib.size(), 40 + stride * cliptest::kHeight);
    EXPECT_EQ(Le16(dib, 14), 32);
    EXPECT_EQ(Le32(dib, 16), 0u);
    for (int y = 0; y < cliptest::kHeight; ++y)
        for (int x = 0; x < cliptest::kWidth; ++x)
            ASSERT_EQ(Le32(dib, 40 + stride * static_cast<size_t>(cliptest::kHeight - 1 - y) + 4 * static_cast<size_t>(x)),
                      cliptest::Stored(32, x, y));
    std::vector<uint8_t> device = ReadAll(prefix + u".bgra");
    ASSERT_EQ(device.size(), 8 + 4u * cliptest::kWidth * cliptest::kHeight);
    EXPECT_EQ(Le32(device, 8 + 4 * 12) & 0xFFFFFF, cliptest::Rgb(32, 2, 1));
}

TEST_F(ClipboardTest, CopiedArgbImageAlsoGoesAsPngAndDibV5WithItsAlpha) {
    Adopt(PatternBitmap(fmt::k32ARGB, 32), u"argb.png");
    Send(cmd::kCopy);
    Text prefix = Temp(L"copypng");
    ASSERT_EQ(Peer(u"read \"" + prefix + u"\" nv"), 0);
    // Decoded by the system's own imaging component, not by the editor's decoder.
    std::vector<uint8_t> png = ReadAll(prefix + u".pngbgra");
    ASSERT_EQ(png.size(), 8 + 4u * cliptest::kWidth * cliptest::kHeight);
    EXPECT_EQ(Le32(png, 0), static_cast<uint32_t>(cliptest::kWidth));
    EXPECT_EQ(Le32(png, 4), static_cast<uint32_t>(cliptest::kHeight));
    std::vector<uint8_t> v5 = ReadAll(prefix + u".v5");
    ASSERT_EQ(v5.size(), 124 + 4u * cliptest::kWidth * cliptest::kHeight);
    EXPECT_EQ(Le32(v5, 0), 124u);
    EXPECT_EQ(Le32(v5, 16), static_cast<uint32_t>(BI_BITFIELDS));
    EXPECT_EQ(Le32(v5, 52), 0xFF000000u);
    for (int y = 0; y < cliptest::kHeight; ++y)
        for (int x = 0; x < cliptest::kWidth; ++x) {
            const uint32_t want = cliptest::Stored(32, x, y);
            ASSERT_EQ(Le32(png, 8 + 4 * static_cast<size_t>(y * cliptest::kWidth + x)), want) << x << "," << y;
            ASSERT_EQ(Le32(v5, 124 + 4 * static_cast<size_t>((cliptest::kHeight - 1 - y) * cliptest::kWidth + x)), want);
        }

    // Without alpha there is nothing to keep: only the plain forms.
    Adopt(PatternBitmap(fmt::k24RGB, 24), u"rgb.bmp");
    Send(cmd::kCopy);
    EXPECT_EQ(Peer(u"read \"" + prefix + u"\" n"), 14);
    EXPECT_EQ(Peer(u"read \"" + prefix + u"\" d"), 0);
}

TEST_F(ClipboardTest, TransparentFormsFromAnotherProgramPasteWithTheirAlpha) {
    // "PNG" is preferred to the CF_DIB beside it (a different picture), and a CF_DIBV5 that
    // declares alpha keeps it.
    for (const char16_t* put : {u"put-png dib", u"put-png", u"put-v5"}) {
        SCOPED_TRACE(testing::Narrow(put));
        ASSERT_EQ(Peer(put), 0);
        Send(cmd::kPasteNew);
        ASSERT_NE(editor->Current(), nullptr);
        EXPECT_EQ(editor->Current()->pixelFormat, fmt::k32ARGB);
        ExpectStoredPattern(32);
    }
    EXPECT_TRUE(shown.empty());
}

TEST_F(ClipboardTest, BrokenPngIsPassedOverForTheDibOrRefusedWithAMessage) {
    for (const char16_t* what : {u"crc", u"huge", u"data", u"truncated"}) {
        SCOPED_TRACE(testing::Narrow(what));
        ASSERT_EQ(Peer(Text(u"put-png-bad ") + what), 0);
        const int before = editor->images.Occupied();
        Send(cmd::kPasteNew);
        ASSERT_EQ(editor->images.Occupied(), before + 1);
        EXPECT_EQ(editor->Current()->pixelFormat, fmt::k24RGB);
        ExpectStoredPattern(24);
        EXPECT_TRUE(shown.empty());

        ASSERT_EQ(Peer(Text(u"put-png-bad ") + what + u" alone"), 0);
        Send(cmd::kPasteNew);
        EXPECT_EQ(editor->images.Occupied(), before + 1);
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].text, u"ClpBrd.Bmpを作成できません2");
        shown.clear();
    }
}

TEST_F(ClipboardTest, FortyEightBitImageIsNotPutOnTheClipboard) {
    ASSERT_EQ(Peer(u"put 8"), 0);  // something on the clipboard before
    GpBitmapOwner deep;
    ASSERT_TRUE(CreateGpBitmap(deep, 4, 4, fmt::k48RGB));
    Adopt(std::move(deep), u"deep.tif");
    ASSERT_EQ(editor->Current()->pixelFormat, fmt::k48RGB);
    Send(cmd::kCopy);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, u"48bit色以上のビットマップは、クリップボードに置けません");
    EXPECT_EQ(shown[0].title, u"Clipboard Error");
    EXPECT_EQ(shown[0].type, static_cast<UINT>(MB_OK | MB_ICONWARNING));
    EXPECT_EQ(shown[0].owner, editor->frame.view);
    EXPECT_EQ(Peer(u"count"), 0);  // emptied, and nothing written
}

TEST_F(ClipboardTest, CopyCarriesMaskAndOutlineThatThePasteApplies) {
    // A 32-bit ARGB image with a transparent column and a half-transparent one.
    GpBitmapOwner bmp;
    ASSERT_TRUE(CreateGpBitmap(bmp, 6, 4, fmt::k32ARGB));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x) {
            uint32_t alpha = x == 1 ? 0x00 : x == 4 ? 0x80 : 0xFF;
            uint32_t rgb = alpha ? static_cast<uint32_t>(0x102030 + x * 0x10 + y * 0x1000) : 0;
            gp::GdipBitmapSetPixel(bmp.get(), x, y, (alpha << 24) | rgb);
        }
    Adopt(std::move(bmp), u"alpha.png");
    ImageSlot* source = editor->Current();
    Send(cmd::kCopy);
    EXPECT_TRUE(shown.empty());
    // Without a selection the whole image was copied and became the selection.
    ASSERT_TRUE(source->selectionPath);
    EXPECT_EQ(source->selectionPath->size(), 4u);

    std::vector<uint8_t> count = Record(clip::kPathCount), types = Record(clip::kPathTypes),
                         xy = Record(clip::kPathPoints), mode = Record(clip::kFillMode),
                         length = Record(clip::kMaskLength), mask = Record(clip::kMask);
    ASSERT_EQ(count.size(), 4u);
    EXPECT_EQ(Le32(count, 0), 4u);
    EXPECT_EQ(types, (std::vector<uint8_t>{0, 1, 1, 0x81}));
    ASSERT_EQ(xy.size(), 32u);
    const float expected[8] = {0, 0, 5, 0, 5, 3, 0, 3};  // the rectangle (0, 0) of width 5 and height 3
    for (int i = 0; i < 8; ++i) {
        float v;
        std::memcpy(&v, xy.data() + 4 * i, 4);
        EXPECT_EQ(v, expected[i]) << i;
    }
    ASSERT_EQ(mode.size(), 4u);
    EXPECT_EQ(Le32(mode, 0), static_cast<uint32_t>(Gdiplus::FillModeWinding));  // a new image's overlap option
    ASSERT_EQ(length.size(), 4u);
    EXPECT_EQ(Le32(length, 0), 24u);
    ASSERT_EQ(mask.size(), 24u);
    for (int i = 0; i < 24; ++i) EXPECT_EQ(mask[i], i % 6 == 1 ? 0x00 : i % 6 == 4 ? 0x80 : 0xFF) << i;

    Send(cmd::kPasteNew);
    ASSERT_EQ(editor->images.Occupied(), 2);
    ImageSlot* pasted = editor->Current();
    EXPECT_EQ(pasted->path, u"clipboard");
    EXPECT_EQ(pasted->pixelFormat, fmt::k32ARGB);  // the mask asked for an alpha channel
    EXPECT_EQ(testing::DifferentPixels(pasted->bitmap.get(), editor->images.slots[0].bitmap.get(), 0), 0.0);
    ASSERT_TRUE(pasted->selectionPath);
    EXPECT_EQ(pasted->selectionPath->size(), 4u);
    const IntRect bounds = pasted->selectionPath->BoundsI();
    EXPECT_EQ(bounds.width, 5);
    EXPECT_EQ(bounds.height, 3);
    EXPECT_TRUE(shown.empty());
}

TEST_F(ClipboardTest, MaskWithOutsidePixelsMakesTheImageTransparentThere) {
    // Another instance of the editor might send a selection smaller than the image.
    ASSERT_EQ(Peer(u"put 24"), 0);
    std::vector<uint8_t> mask(cliptest::kWidth * cliptest::kHeight, 0);
    for (int y = 2; y < 5; ++y)
        for (int x = 3; x < 7; ++x) mask[static_cast<size_t>(y * cliptest::kWidth + x)] = 0xFF;
    MaskRecords m;
    WriteMaskRecords(mask.data(), mask.size(), &m);
    PutRecords({{clip::kMaskLength, m.length}, {clip::kMask, m.mask}}, false);
    Send(cmd::kPasteNew);
    ImageSlot* s = editor->Current();
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->pixelFormat, fmt::k32ARGB);
    EXPECT_EQ(PixelAt(s->bitmap.get(), 0, 0), 0x00000000u);
    EXPECT_EQ(PixelAt(s->bitmap.get(), 9, 6), 0x00000000u);
    EXPECT_EQ(PixelAt(s->bitmap.get(), 3, 2), 0xFF000000u | cliptest::Rgb(24, 3, 2));
    EXPECT_EQ(PixelAt(s->bitmap.get(), 6, 4), 0xFF000000u | cliptest::Rgb(24, 6, 4));
    EXPECT_FALSE(s->selectionPath);  // no outline came
    EXPECT_TRUE(shown.empty());
}

TEST_F(ClipboardTest, BrokenDibsAreRefusedAndTheDeviceBitmapIsUsed) {
    for (const char16_t* what : {u"truncated", u"huge", u"bitcount", u"colours", u"header", u"compression", u"width", u"masks"}) {
        SCOPED_TRACE(testing::Narrow(what));
        ASSERT_EQ(Peer(Text(u"put-bad ") + what), 0);
        int before = editor->images.Occupied();
        Send(cmd::kPasteNew);
        ASSERT_EQ(editor->images.Occupied(), before + 1);
        ImageSlot* s = editor->Current();
        // The broken DIB was not used: the image is the program's 3 × 2 device bitmap.
        EXPECT_EQ(s->width, cliptest::kFallbackWidth);
        EXPECT_EQ(s->height, cliptest::kFallbackHeight);
        EXPECT_EQ(PixelAt(s->bitmap.get(), 2, 1) & 0xFFFFFF, cliptest::kFallbackRgb);
    }
    EXPECT_TRUE(shown.empty());
}

// Without a device bitmap of its own, the system makes one from the DIB when asked; from these
// DIBs it cannot either.
TEST_F(ClipboardTest, BrokenDibAloneIsRefusedWithAMessage) {
    for (const char16_t* what : {u"bitcount", u"header", u"compression"}) {
        SCOPED_TRACE(testing::Narrow(what));
        shown.clear();
        ASSERT_EQ(Peer(Text(u"put-bad ") + what + u" alone"), 0);
        Send(cmd::kPasteNew);
        EXPECT_EQ(editor->images.Occupied(), 0);
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].text, u"hBmpの読み込みに失敗しました");
        EXPECT_EQ(shown[0].title, u"Clipboard Error");
    }
}

TEST_F(ClipboardTest, BrokenSelectionRecordsAreNotUsed) {
    ShapeRecords shape;
    SelectionShape rect;
    rect.xy = {1, 1, 8, 1, 8, 5, 1, 5};
    rect.types = {0, 1, 1, 0x81};
    ASSERT_TRUE(WriteShapeRecords(rect, &shape));
    std::vector<uint8_t> mask(cliptest::kWidth * cliptest::kHeight, 0);
    MaskRecords m;
    WriteMaskRecords(mask.data(), mask.size(), &m);

    struct Case {
        const char* what;
        std::vector<std::pair<UINT, std::vector<uint8_t>>> records;
        bool outline, masked;
    };
    std::vector<uint8_t> five = {5, 0, 0, 0}, badType = {0, 1, 2, 0x81}, badMode = {2, 0, 0, 0};
    std::vector<uint8_t> longer = {static_cast<uint8_t>(m.mask.size() + 1), 0, 0, 0};
    std::vector<uint8_t> shortPoints(shape.points.begin(), shape.points.end() - 1);
    const Case cases[] = {
        {"more points than types", {{clip::kPathCount, five}, {clip::kPathTypes, shape.types}, {clip::kPathPoints, shape.points}, {clip::kFillMode, shape.fillMode}}, false, false},
        {"points short", {{clip::kPathCount, shape.count}, {clip::kPathTypes, shape.types}, {clip::kPathPoints, shortPoints}, {clip::kFillMode, shape.fillMode}}, false, false},
        {"bad point type", {{clip::kPathCount, shape.count}, {clip::kPathTypes, badType}, {clip::kPathPoints, shape.points}, {clip::kFillMode, shape.fillMode}}, false, false},
        {"bad fill mode", {{clip::kPathCount, shape.count}, {clip::kPathTypes, shape.types}, {clip::kPathPoints, shape.points}, {clip::kFillMode, badMode}}, false, false},
        {"fill mode missing", {{clip::kPathCount, shape.count}, {clip::kPathTypes, shape.types}, {clip::kPathPoints, shape.points}}, false, false},
        {"mask longer than its block", {{clip::kMaskLength, longer}, {clip::kMask, m.mask}}, false, false},
        {"mask of another size", {{clip::kMaskLength, five}, {clip::kMask, m.mask}}, false, false},
        {"good outline, bad mask", {{clip::kPathCount, shape.count}, {clip::kPathTypes, shape.types}, {clip::kPathPoints, shape.points}, {clip::kFillMode, shape.fillMode}, {clip::kMaskLength, longer}, {clip::kMask, m.mask}}, true, false},
        {"bad outline, good mask", {{clip::kPathCount, five}, {clip::kPathTypes, shape.types}, {clip::kPathPoints, shape.points}, {clip::kFillMode, shape.fillMode}, {clip::kMaskLength, m.length}, {clip::kMask, m.mask}}, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(Peer(u"put 24"), 0);
        PutRecords(c.records, false);
        int before = editor->images.Occupied();
        Send(cmd::kPasteNew);
        ASSERT_EQ(editor->images.Occupied(), before + 1);
        ImageSlot* s = editor->Current();
        EXPECT_EQ(static_cast<bool>(s->selectionPath), c.outline);
        if (c.masked) {
            EXPECT_EQ(s->pixelFormat, fmt::k32ARGB);
            EXPECT_EQ(PixelAt(s->bitmap.get(), 4, 3), 0x00000000u);
        } else {
            EXPECT_EQ(s->pixelFormat, fmt::k24RGB);
            ExpectStoredPattern(24);
        }
    }
    EXPECT_TRUE(shown.empty());
}

TEST_F(ClipboardTest, ImageOnePixelWideCanBeCopiedAgain) {
    GpBitmapOwner thin;
    ASSERT_TRUE(CreateGpBitmap(thin, 1, 5, fmt::k24RGB));
    gp::GdipBitmapSetPixel(thin.get(), 0, 4, 0xFF123456);
    Adopt(std::move(thin), u"thin.bmp");
    for (int round = 0; round < 2; ++round) {
        Empty();
        Send(cmd::kCopy);
        EXPECT_TRUE(IsClipboardFormatAvailable(CF_DIB)) << round;
    }
    Send(cmd::kPasteNew);
    ImageSlot* s = editor->Current();
    ASSERT_EQ(editor->images.Occupied(), 2);
    EXPECT_EQ(s->width, 1);
    EXPECT_EQ(s->height, 5);
    EXPECT_EQ(PixelAt(s->bitmap.get(), 0, 4), 0xFF123456u);
    EXPECT_TRUE(shown.empty());
}

TEST_F(ClipboardTest, EditorToEditorRoundTripOfEveryDepth) {
    const PasteCase cases[] = {{1, fmt::k1Index},      {4, fmt::k4Index},    {8, fmt::k8Index}, {555, fmt::k16RGB555},
                               {565, fmt::k16RGB565}, {24, fmt::k24RGB}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kind);
        Adopt(PatternBitmap(c.format, c.kind), u"source");
        Send(cmd::kCopy);
        Send(cmd::kPasteNew);
        ImageSlot* s = editor->Current();
        EXPECT_EQ(s->path, u"clipboard");
        EXPECT_EQ(s->pixelFormat, c.format);  // a full mask leaves the format alone
        ExpectStoredPattern(c.kind);
        EXPECT_TRUE(s->selectionPath);
    }
    EXPECT_TRUE(shown.empty());
}

TEST_F(ClipboardTest, ScreenshotWithoutAlphaStaysOpaqueInEveryAlphaFormat) {
    // A 32-bit DIB whose fourth bytes are all 0, as screenshots come, shows opaque; converting
    // the pasted image to a format with alpha keeps it so.
    std::vector<uint8_t> pixels(3 * 2 * 4, 0);
    for (size_t i = 0; i < 6; ++i) {
        pixels[i * 4] = i % 2 ? 0xFF : 0x00;  // blue, kept exactly by 5 bits too
        pixels[i * 4 + 2] = 0xFF;             // red
    }
    DibImage dib;
    ASSERT_TRUE(BuildDib(PixelView{3, 2, 12, fmt::k32RGB, pixels.data()}, &dib));
    PutRecords({{CF_DIB, dib.bytes}}, true);
    for (int command : {cmd::k32ARGB, cmd::k32PARGB, cmd::k16ARGB1555}) {
        SCOPED_TRACE(command);
        Send(cmd::kPasteNew);
        ASSERT_EQ(editor->Current()->pixelFormat, fmt::k32RGB);
        Send(command);
        for (int i = 0; i < 6; ++i)
            EXPECT_EQ(PixelAt(editor->Current()->bitmap.get(), i % 3, i / 3), 0xFFFF0000u | pixels[static_cast<size_t>(i) * 4]) << i;
    }
    EXPECT_TRUE(shown.empty());
}

}  // namespace
}  // namespace mirelo
