#include "harness.h"
#include "app/commands.h"
#include "image/format_change.h"
#include "image/new_image.h"

namespace mirelo {
namespace {
using namespace mirelo::testing;

bool RunningUnderWine() { return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr; }

// Whether GDI+ keeps a pixel drawn into a bitmap of this format.
bool PixelsSurviveIn(PixelFormat format) {
    GpBitmapOwner b;
    if (!CreateGpBitmap(b, 1, 1, format)) return false;
    GpGraphicsOwner g;
    if (gp::GdipGetImageGraphicsContext(b.get(), g.put()) != Gdiplus::Ok) return false;
    gp::GdipGraphicsClear(g.get(), 0xFF336699);
    g.reset();
    return (PixelAt(b.get(), 0, 0) & 0xFFFFFF) != 0;
}

class FormatChangeTest : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        OpenWindow();
        ASSERT_TRUE(testing::NewImage(*editor, 4, 3, 96, 96, false));
        Slot().dpiX = 150;
        Slot().dpiY = 75;
        gp::GdipBitmapSetResolution(Slot().bitmap.get(), 150, 75);
        gp::GdipBitmapSetPixel(Slot().bitmap.get(), 1, 1, 0xFF336699);
        gp::GdipBitmapSetPixel(Slot().bitmap.get(), 2, 2, 0x80FF0000);
    }
    ImageSlot& Slot() { return *editor->Current(); }
    bool Checked(int id) { return (GetMenuState(editor->frame.menu, static_cast<UINT>(id), MF_BYCOMMAND) & MF_CHECKED) != 0; }
};

TEST_F(FormatChangeTest, EveryDirectFormatCommandConverts) {
    const std::pair<int, PixelFormat> commands[] = {
        {40055, fmt::k16RGB555}, {40056, fmt::k16RGB565}, {40057, fmt::k16ARGB1555}, {40058, fmt::k24RGB},
        {40059, fmt::k32RGB},    {40060, fmt::k32ARGB},   {40061, fmt::k32PARGB},    {40062, fmt::k48RGB},
        {40063, fmt::k64ARGB},   {40064, fmt::k64PARGB},
    };
    for (auto [id, format] : commands) {
        Send(cmd::k32ARGB);
        Send(id);
        SCOPED_TRACE(id);
        EXPECT_EQ(FormatOf(Slot().bitmap.get()), format);
        EXPECT_EQ(Slot().pixelFormat, format);
        EXPECT_TRUE(Checked(id));
        EXPECT_EQ(Slot().width, 4);
        Gdiplus::REAL dx = 0;
        gp::GdipGetImageHorizontalResolution(Slot().bitmap.get(), &dx);
        EXPECT_EQ(static_cast<int>(dx + 0.5f), 150);  // the resolution is kept
        if (!PixelsSurviveIn(format)) {
            // Wine's GDI+ cannot draw into or read 64-bit premultiplied bitmaps; Windows' can.
            ASSERT_TRUE(RunningUnderWine()) << "pixels lost in format " << format;
            continue;
        }
        uint32_t c = PixelAt(Slot().bitmap.get(), 1, 1);
        EXPECT_NEAR(static_cast<int>((c >> 16) & 0xFF), 0x33, 8);
        EXPECT_NEAR(static_cast<int>(c & 0xFF), 0x99, 8);
        EXPECT_TRUE(shown.empty());
    }
}

TEST_F(FormatChangeTest, ExactColoursAndAlphaRules) {
    Send(cmd::k24RGB);
    EXPECT_EQ(PixelAt(Slot().bitmap.get(), 1, 1), 0xFF336699u);
    Send(cmd::k32ARGB);  // from 24 bits: opaque everywhere
    EXPECT_EQ(PixelAt(Slot().bitmap.get(), 2, 2) >> 24, 0xFFu);
    EXPECT_EQ(PixelAt(Slot().bitmap.get(), 0, 0), 0xFFFFFFFFu);
    gp::GdipBitmapSetPixel(Slot().bitmap.get(), 3, 0, 0x40123456);
    Send(cmd::k16RGB565);
    uint32_t c = PixelAt(Slot().bitmap.get(), 1, 1);
    EXPECT_EQ(c >> 24, 0xFFu);
    // 5-6-5 keeps the top 5, 6 and 5 bits of each channel.
    EXPECT_EQ((c >> 16) & 0xF8, 0x33u & 0xF8);
    EXPECT_EQ((c >> 8) & 0xFC, 0x66u & 0xFC);
    EXPECT_EQ(c & 0xF8, 0x99u & 0xF8);
}

TEST_F(FormatChangeTest, SixtyFourBitsTo555GoesThrough32BitDecoding) {
    Send(cmd::k64ARGB);
    ASSERT_EQ(Slot().pixelFormat, fmt::k64ARGB);
    Send(cmd::k16RGB555);
    ASSERT_EQ(Slot().pixelFormat, fmt::k16RGB555);
    uint32_t c = PixelAt(Slot().bitmap.get(), 1, 1);
    EXPECT_EQ((c >> 16) & 0xF8, 0x30u);
    EXPECT_EQ((c >> 8) & 0xF8, 0x60u);
    EXPECT_EQ(c & 0xF8, 0x98u);
    EXPECT_EQ(PixelAt(Slot().bitmap.get(), 0, 0) & 0xF8F8F8, 0xF8F8F8u);
}

TEST_F(FormatChangeTest, UndoBringsBackTheFormerFormatExactly) {
    GpBitmapOwner before;
    gp::GdipCloneBitmapAreaI(0, 0, 4, 3, fmt::k32ARGB, Slot().bitmap.get(), before.put());
    Send(cmd::k16RGB555);
    Send(cmd::k24RGB);
    Send(cmd::kUndo);
    EXPECT_EQ(Slot().pixelFormat, fmt::k16RGB555);
    Send(cmd::kUndo);
    EXPECT_EQ(Slot().pixelFormat, fmt::k32ARGB);
    EXPECT_TRUE(Checked(cmd::k32ARGB));
    EXPECT_EQ(DifferentPixels(Slot().bitmap.get(), before.get(), 0), 0.0);
    Send(cmd::kRedo);
    EXPECT_EQ(Slot().pixelFormat, fmt::k16RGB555);
}

TEST_F(FormatChangeTest, SameFormatStillRecordsAStep) {
    EXPECT_FALSE(Slot().undo.HasUndoableStep());
    Send(cmd::k32ARGB);
    EXPECT_TRUE(Slot().undo.HasUndoableStep());
    EXPECT_EQ(Slot().pixelFormat, fmt::k32ARGB);
    EXPECT_EQ(PixelAt(Slot().bitmap.get(), 2, 2), 0x80FF0000u);
}

TEST_F(FormatChangeTest, DirectConversionRefusesIndexedAndWideTargets) {
    GpBitmapOwner out;
    EXPECT_NE(ConvertDirect(*editor, Slot().bitmap, fmt::k8Index, false, out), Gdiplus::Ok);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, u"インデックスカラーは対応していません");
    EXPECT_EQ(shown[0].title, u"");
    EXPECT_NE(ConvertDirect(*editor, Slot().bitmap, fmt::k48RGB, false, out), Gdiplus::Ok);
    EXPECT_EQ(shown.back().text, u"48bit色以上は対応していません");
    EXPECT_FALSE(out);
    // A failed change shows its own text and leaves the image.
    shown.clear();
    EXPECT_NE(ChangeFormat(*editor, fmt::k8Index, u"テスト失敗", false, false), Gdiplus::Ok);
    EXPECT_EQ(Slot().pixelFormat, fmt::k32ARGB);
}

TEST_F(FormatChangeTest, IndexedSourceDecodesThroughItsPalette) {
    GpBitmapOwner indexed;
    ASSERT_TRUE(CreateGpBitmap(indexed, 4, 3, fmt::k4Index));
    std::vector<uint8_t> buf(sizeof(Gdiplus::ColorPalette) + 15 * sizeof(Gdiplus::ARGB));
    auto* pal = reinterpret_cast<Gdiplus::ColorPalette*>(buf.data());
    pal->Flags = 0;
    pal->Count = 16;
    for (int i = 0; i < 16; ++i) pal->Entries[i] = 0xFF000000u | static_cast<uint32_t>(i * 0x0F1E2D);
    ASSERT_EQ(gp::GdipSetImagePalette(indexed.get(), pal), Gdiplus::Ok);
    {
        BitmapLock lock(editor->messages, indexed, kLockWrite, fmt::k4Index, BitmapRole::Destination);
        ASSERT_TRUE(lock.ok());
        PixelView v = lock.view();
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 4; ++x) WriteStored(v, x, y, static_cast<uint32_t>(y * 4 + x));
    }
    Slot().bitmap = std::move(indexed);
    Slot().pixelFormat = fmt::k4Index;
    Slot().tool = kToolShape;
    Send(cmd::k16RGB565);
    ASSERT_EQ(Slot().pixelFormat, fmt::k16RGB565);
    EXPECT_EQ(Slot().tool, kToolSelect);  // leaving an indexed format resets the tool
    for (int i = 0; i < 12; ++i) {
        uint32_t expected = static_cast<uint32_t>(i * 0x0F1E2D);
        uint32_t c = PixelAt(Slot().bitmap.get(), i % 4, i / 4);
        EXPECT_EQ((c >> 16) & 0xF8, (expected >> 16) & 0xF8) << i;
        EXPECT_EQ((c >> 8) & 0xFC, (expected >> 8) & 0xFC) << i;
        EXPECT_EQ(c & 0xF8, expected & 0xF8) << i;
    }
}

}  // namespace
}  // namespace mirelo
