// Opening and saving files: every branch of the open operation, the save refusals, round trips
// through each encoder, the save dialog with its extra button, and the safe replacement of files.
#include "harness.h"

#include <commdlg.h>

#include <cstring>
#include <fstream>
#include <iterator>

#include "app/commands.h"
#include "files/file_names.h"
#include "files/open_image.h"
#include "image/properties.h"
#include "files/safe_write.h"
#include "files/save_image.h"
#include "image/new_image.h"
#include "res/resource.h"

namespace mirelo {
namespace {
using namespace mirelo::testing;

bool RunningUnderWine() { return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr; }

std::vector<uint8_t> FileBytes(const Text& path) {
    std::ifstream in(std::wstring(W(path)).c_str(), std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void PutFile(const Text& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(std::wstring(W(path)).c_str(), std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A colour every format of at least 15 bits keeps exactly: channels in steps of 8.
uint32_t Pattern(int x, int y) {
    uint32_t r = static_cast<uint32_t>(x * 40) & 0xF8, g = static_cast<uint32_t>(y * 56) & 0xF8,
             b = static_cast<uint32_t>((x + y) * 24) & 0xF8;
    return 0xFF000000u | r << 16 | g << 8 | b;
}

// Fills a bitmap of any format with a pattern it can hold: palette indices for indexed
// formats, the colour pattern for the others.
bool FillPattern(GpBitmapOwner& bmp, PixelFormat format, int width, int height) {
    Messages quiet;
    quiet.SetResponder([](const MessageRequest&) { return IDOK; });
    if (IsIndexed(format)) {
        // Opaque entries: BMP and TIFF files keep no palette alpha.
        INT size = 0;
        gp::GdipGetImagePaletteSize(bmp.get(), &size);
        std::vector<uint8_t> buffer(static_cast<size_t>(size));
        auto* palette = reinterpret_cast<Gdiplus::ColorPalette*>(buffer.data());
        if (size <= 0 || gp::GdipGetImagePalette(bmp.get(), palette, size) != Gdiplus::Ok) return false;
        for (UINT i = 0; i < palette->Count; ++i) palette->Entries[i] |= 0xFF000000u;
        palette->Flags &= ~1u;
        if (gp::GdipSetImagePalette(bmp.get(), palette) != Gdiplus::Ok) return false;
        BitmapLock lock(quiet, bmp, kLockWrite, format, BitmapRole::Destination);
        if (!lock.ok()) return false;
        const int bits = BitsPerPixel(format), count = 1 << bits;
        for (int y = 0; y < height; ++y) {
            uint8_t* row = lock.view().Row(y);
            for (int x = 0; x < width; ++x) {
                const int index = (x * 7 + y * 3) % count;
                if (bits == 8) row[x] = static_cast<uint8_t>(index);
                else if (bits == 4) row[x / 2] = static_cast<uint8_t>(x % 2 ? (row[x / 2] & 0xF0) | index : index << 4);
                else row[x / 8] = static_cast<uint8_t>((row[x / 8] & ~(0x80 >> (x % 8))) | (index << (7 - x % 8)));
            }
        }
        return lock.Unlock() == Gdiplus::Ok;
    }
    BitmapLock lock(quiet, bmp, kLockWrite, fmt::k32ARGB, BitmapRole::Destination);
    if (!lock.ok()) return false;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint32_t c = Pattern(x, y);
            if (HasAlpha(format) && x == 0) c = (c & 0x00FFFFFFu) | 0x80000000u;  // half-transparent column
            if (format == fmt::k16ARGB1555 && x == 0) c &= 0x00FFFFFFu;
            std::memcpy(lock.view().Row(y) + x * 4, &c, 4);
        }
    return lock.Unlock() == Gdiplus::Ok;
}

std::vector<uint32_t> Pixels(Gdiplus::GpBitmap* b) {
    int w = 0, h = 0;
    ImageSize(b, &w, &h);
    std::vector<uint32_t> out;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) out.push_back(PixelAt(b, x, y));
    return out;
}

int LargestChannelDifference(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
    if (a.size() != b.size()) return 1 << 20;
    int worst = 0;
    for (size_t i = 0; i < a.size(); ++i)
        for (int s = 0; s < 32; s += 8)
            worst = std::max(worst, std::abs(static_cast<int>((a[i] >> s) & 0xFF) - static_cast<int>((b[i] >> s) & 0xFF)));
    return worst;
}

double MeanChannelDifference(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
    if (a.size() != b.size() || a.empty()) return 1e9;
    double sum = 0;
    for (size_t i = 0; i < a.size(); ++i)
        for (int s = 0; s < 24; s += 8)
            sum += std::abs(static_cast<int>((a[i] >> s) & 0xFF) - static_cast<int>((b[i] >> s) & 0xFF));
    return sum / (3.0 * a.size());
}

class FilesTest : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        OpenWindow();
        dir = MakeTempDir(L"files");
    }
    ImageSlot& Slot() { return *editor->Current(); }
    // A new image of the given format holding the pattern.
    void MakeImage(PixelFormat format, int width = 9, int height = 7, bool smooth = false) {
        ASSERT_TRUE(testing::NewImage(*editor, width, height, 96, 96, false));
        GpBitmapOwner b;
        ASSERT_TRUE(CreateGpBitmap(b, width, height, format));
        ASSERT_TRUE(FillPattern(b, format, width, height));
        if (smooth)
            for (int y = 0; y < height; ++y)
                for (int x = 0; x < width; ++x)
                    gp::GdipBitmapSetPixel(b.get(), x, y, 0xFF000000u | static_cast<uint32_t>(x * 6) << 16 | static_cast<uint32_t>(y * 6) << 8 | 0x80);
        Slot().bitmap = std::move(b);
        Refresh(*editor);
        ASSERT_EQ(Slot().pixelFormat, format);
    }
    bool SaveAs(const Text& name, int type, SaveParameter p = {}) {
        editor->saveName = name;
        editor->saveFileType = type;
        return SaveCurrent(*editor, p);
    }
    int Occupied() const { return editor->images.Occupied(); }
    // Command 40002, choosing `names` in the test's folder; false when the dialog never showed.
    bool OpenThroughTheDialog(const Text& names) {
        bool seen = false;
        editor->dialogObserver = [&](HWND dlg, int id) {
            if (id != kOpenDialogId) return;
            seen = true;
            // The dialog may start in the folder used last: the user goes to the folder first, then
            // picks the files there.
            const int box = GetDlgItem(dlg, 0x47C) ? 0x47C : 0x480;
            SendMessageW(dlg, CDM_SETCONTROLTEXT, box, reinterpret_cast<LPARAM>(W(dir)));
            SendMessageW(dlg, WM_COMMAND, IDOK, 0);
            SendMessageW(dlg, CDM_SETCONTROLTEXT, box, reinterpret_cast<LPARAM>(W(names)));
            PostMessageW(dlg, WM_COMMAND, IDOK, 0);
        };
        Send(cmd::kOpen);
        editor->dialogObserver = nullptr;
        return seen;
    }
    Text dir;
};

// ---- Opening ----

TEST_F(FilesTest, OpeningAnOpenFileSelectsItsSlotWithoutReadingAgain) {
    Text a = dir + u"\\a.png", b = dir + u"\\b.png";
    ASSERT_TRUE(WritePicture(a, 5, 4, 0xFF112233));
    ASSERT_TRUE(WritePicture(b, 6, 4, 0xFF445566));
    OpenImageFiles(*editor, {a, b});
    ASSERT_EQ(Occupied(), 2);
    EXPECT_EQ(editor->images.current, 1);
    DeleteFileW(W(a));  // it must not be read again
    EXPECT_TRUE(testing::Open(*editor, a));
    EXPECT_EQ(Occupied(), 2);
    EXPECT_EQ(editor->images.current, 0);
    EXPECT_EQ(Slot().path, a);
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(SendMessageW(editor->frame.imageBar, TB_ISBUTTONCHECKED, cmd::kImageBarFirst + 0, 0), TRUE);
    EXPECT_EQ(SendMessageW(editor->frame.imageBar, TB_ISBUTTONCHECKED, cmd::kImageBarFirst + 1, 0), FALSE);
}

TEST_F(FilesTest, UndecodableFileIsReportedAndTheBatchGoesOn) {
    Text bad = dir + u"\\bad.png", good = dir + u"\\good.bmp";
    PutFile(bad, {'n', 'o', 't', ' ', 'a', ' ', 'p', 'n', 'g'});
    ASSERT_TRUE(WritePicture(good, 3, 3, 0xFFFF0000));
    OpenImageFiles(*editor, {bad, good});
    ASSERT_EQ(Occupied(), 1);
    EXPECT_EQ(Slot().path, good);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, u"読み込みに失敗しました\n" + bad);
    EXPECT_EQ(shown[0].type & MB_ICONMASK, static_cast<UINT>(MB_ICONWARNING));
    // An icon file the reader cannot use goes on to GDI+, and fails there the same way.
    shown.clear();
    Text ico = dir + u"\\broken.ico";
    PutFile(ico, {1, 0, 1, 0, 0, 0});
    EXPECT_FALSE(testing::Open(*editor, ico));
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, u"読み込みに失敗しました\n" + ico);
}

TEST_F(FilesTest, OpenedImagesNoLongerDependOnTheirFiles) {
    Text a = dir + u"\\keep.png";
    ASSERT_TRUE(WritePicture(a, 4, 4, 0xFF336699));
    ASSERT_TRUE(testing::Open(*editor, a));
    EXPECT_EQ(Slot().rawFormatName, u"PNG");
    // The file can be replaced and removed while the image stays intact.
    EXPECT_TRUE(DeleteFileW(W(a)));
    EXPECT_EQ(PixelAt(Slot().bitmap.get(), 3, 3), 0xFF336699u);
    Refresh(*editor);
    EXPECT_EQ(Slot().rawFormatName, u"PNG");  // still named by the file it came from
}

// A 32-bit BMP file: header, info header, rows bottom-up.
std::vector<uint8_t> Bmp32(int w, int h, const std::vector<uint32_t>& topDownPixels) {
    std::vector<uint8_t> f(54 + static_cast<size_t>(w) * h * 4, 0);
    auto put = [&](size_t at, uint32_t v, int n) {
        for (int i = 0; i < n; ++i) f[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    f[0] = 'B';
    f[1] = 'M';
    put(2, static_cast<uint32_t>(f.size()), 4);
    put(10, 54, 4);
    put(14, 40, 4);
    put(18, static_cast<uint32_t>(w), 4);
    put(22, static_cast<uint32_t>(h), 4);
    put(26, 1, 2);
    put(28, 32, 2);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) put(54 + (static_cast<size_t>(h - 1 - y) * w + x) * 4, topDownPixels[static_cast<size_t>(y) * w + x], 4);
    return f;
}

TEST_F(FilesTest, ThirtyTwoBitBmpKeepsItsAlphaByte) {
    Text withAlpha = dir + u"\\alpha.bmp", without = dir + u"\\plain.bmp";
    PutFile(withAlpha, Bmp32(2, 2, {0x80FF0000, 0xFF00FF00, 0x000000FF, 0x40112233}));
    PutFile(without, Bmp32(2, 1, {0x00FF0000, 0x00123456}));
    ASSERT_TRUE(testing::Open(*editor, withAlpha));
    EXPECT_EQ(Slot().pixelFormat, fmt::k32ARGB);
    EXPECT_EQ(PixelAt(Slot().bitmap.get(), 0, 0) >> 24, 0x80u);
    EXPECT_EQ(PixelAt(Slot().bitmap.get(), 0, 1) >> 24, 0x00u);
    EXPECT_EQ(PixelAt(Slot().bitmap.get(), 1, 1), 0x40112233u);
    // A file whose fourth bytes are all 0 stored no alpha: its pixels stay visible.
    ASSERT_TRUE(testing::Open(*editor, without));
    EXPECT_EQ(PixelAt(Slot().bitmap.get(), 0, 0), 0xFFFF0000u);
    EXPECT_EQ(PixelAt(Slot().bitmap.get(), 1, 0), 0xFF123456u);
}

// An enhanced metafile of about 400 × 200 device pixels with a filled rectangle.
Text MakeMetafile(const Text& path) {
    HDC screen = GetDC(nullptr);
    const int mmX = GetDeviceCaps(screen, HORZSIZE), mmY = GetDeviceCaps(screen, VERTSIZE);
    const int pxX = GetDeviceCaps(screen, HORZRES), pxY = GetDeviceCaps(screen, VERTRES);
    RECT frame{0, 0, 400 * mmX * 100 / pxX, 200 * mmY * 100 / pxY};
    HDC dc = CreateEnhMetaFileW(screen, W(path), &frame, nullptr);
    ReleaseDC(nullptr, screen);
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    RECT all{0, 0, 400, 200};
    FillRect(dc, &all, red);
    DeleteObject(red);
    DeleteEnhMetaFile(CloseEnhMetaFile(dc));
    return path;
}

TEST_F(FilesTest, MetafileIsRenderedAtTheChosenSize) {
    Text emf = MakeMetafile(dir + u"\\drawing.emf");
    int proposedW = -1, proposedH = -1;
    bool sameRatio = false;
    editor->dialogObserver = [&](HWND dlg, int id) {
        if (id != IDD_METAFILE_SIZE) return;
        proposedW = static_cast<int>(GetDlgItemInt(dlg, IDC_META_WIDTH, nullptr, FALSE));
        proposedH = static_cast<int>(GetDlgItemInt(dlg, IDC_META_HEIGHT, nullptr, FALSE));
        sameRatio = IsDlgButtonChecked(dlg, IDC_META_SAME_RATIO) == BST_CHECKED;
        // Typing a width keeps the aspect: the height follows.
        SetFocus(GetDlgItem(dlg, IDC_META_WIDTH));
        SetDlgItemTextW(dlg, IDC_META_WIDTH, L"128");
        PostMessageW(dlg, WM_COMMAND, IDOK, 0);
    };
    answer = IDYES;
    ASSERT_TRUE(testing::Open(*editor, emf));
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown[0].text, u"サイズ変更しますか？");
    EXPECT_EQ(shown[0].type & 0xF, static_cast<UINT>(MB_YESNO));
    EXPECT_TRUE(shown[0].type & MB_TOPMOST);
    EXPECT_TRUE(sameRatio);
    EXPECT_EQ(proposedW, 256);
    EXPECT_NEAR(proposedH, 128, 2);
    EXPECT_EQ(Slot().width, 128);
    EXPECT_EQ(Slot().height, KeepAspect(proposedH, 128, proposedW));
    EXPECT_EQ(Slot().pixelFormat, fmt::k32ARGB);
    EXPECT_EQ(PixelAt(Slot().bitmap.get(), Slot().width / 2, Slot().height / 2) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(Slot().path, emf);
}

TEST_F(FilesTest, OpenDialogOpensSeveralFilesInOrder) {
    Text a = dir + u"\\one.png", b = dir + u"\\two.bmp";
    ASSERT_TRUE(WritePicture(a, 3, 3, 0xFF010203));
    ASSERT_TRUE(WritePicture(b, 4, 3, 0xFF040506));
    ASSERT_TRUE(OpenThroughTheDialog(u"\"one.png\" \"two.bmp\""));
    ASSERT_EQ(Occupied(), 2);
    EXPECT_EQ(editor->images.slots[0].path, a);
    EXPECT_EQ(editor->images.slots[1].path, b);
    EXPECT_EQ(editor->images.current, 1);
}

TEST_F(FilesTest, BatchWhoseLastFileFailsStillRefreshesTheMenus) {
    Text a = dir + u"\\good.png", bad = dir + u"\\bad.png";
    ASSERT_TRUE(WritePicture(a, 3, 3, 0xFF010203));
    PutFile(bad, {'n', 'o', 't', ' ', 'a', ' ', 'p', 'i', 'c'});
    ASSERT_TRUE(OpenThroughTheDialog(u"\"good.png\" \"bad.png\""));
    ASSERT_EQ(Occupied(), 1);
    EXPECT_TRUE(Shown(MessageText(u"読み込みに失敗しました\n%s").Arg(bad).Str()));
    // The image that did open shows at once: menus, tool bar and status line.
    EXPECT_FALSE(GetMenuState(editor->frame.menu, 4, MF_BYPOSITION) & MF_GRAYED);
    EXPECT_TRUE(SendMessageW(editor->frame.mainToolBar, TB_ISBUTTONENABLED, cmd::kSave, 0));
    EXPECT_FALSE(WindowText(editor->frame.statusBar).empty());
}

// ---- Saving ----

struct RoundTrip {
    int type;
    const char16_t* extension;
    PixelFormat format;
    int tolerance;
};

TEST_F(FilesTest, RoundTripsThroughEveryEncoder) {
    const RoundTrip cases[] = {
        {save_type::kBmp, u"bmp", fmt::k1Index, 0},     {save_type::kBmp, u"bmp", fmt::k4Index, 0},
        {save_type::kBmp, u"bmp", fmt::k8Index, 0},     {save_type::kBmp, u"bmp", fmt::k16RGB555, 0},
        {save_type::kBmp, u"bmp", fmt::k24RGB, 0},      {save_type::kBmp, u"bmp", fmt::k32RGB, 0},
        {save_type::kBmp, u"bmp", fmt::k32ARGB, 0},     {save_type::kGif, u"gif", fmt::k8Index, 0},
        {save_type::kJpeg, u"jpg", fmt::k24RGB, 8},    {save_type::kPng, u"png", fmt::k1Index, 0},
        {save_type::kPng, u"png", fmt::k4Index, 0},     {save_type::kPng, u"png", fmt::k8Index, 0},
        {save_type::kPng, u"png", fmt::k24RGB, 0},      {save_type::kPng, u"png", fmt::k32ARGB, 0},
        {save_type::kPng, u"png", fmt::k16RGB565, 0},   {save_type::kPng, u"png", fmt::k16RGB555, 0},
        {save_type::kTiff, u"tif", fmt::k1Index, 0},    {save_type::kTiff, u"tif", fmt::k8Index, 0},
        {save_type::kTiff, u"tif", fmt::k24RGB, 0},     {save_type::kTiff, u"tif", fmt::k32ARGB, 0},
    };
    int n = 0;
    for (const RoundTrip& c : cases) {
        // Wine's GIF encoder writes a header without image data.
        if (c.type == save_type::kGif && RunningUnderWine()) continue;
        SCOPED_TRACE(Narrow(Text(c.extension)) + " from " + Narrow(Text(PixelFormatNameOf(c.format))));
        MakeImage(c.format, 9, 7, c.type == save_type::kJpeg);
        std::vector<uint32_t> before = Pixels(Slot().bitmap.get());
        shown.clear();
        Text name = dir + u"\\trip" + ToText(n++) + u"." + c.extension;
        if (c.type == save_type::kPng || c.type == save_type::kTiff) {
            editor->saveName = name;
            editor->saveFileType = c.type;
            ASSERT_TRUE(SaveWithDepth(*editor));
        } else {
            ASSERT_TRUE(SaveAs(name, c.type));
        }
        EXPECT_EQ(Slot().path, name);
        EXPECT_EQ(Slot().fileType, c.type);
        std::vector<uint32_t> after = Pixels(Slot().bitmap.get());
        if (c.type == save_type::kBmp && c.format == fmt::k32ARGB && RunningUnderWine()) {
            // Wine's BMP encoder does not keep the alpha bytes; the colours must still be exact.
            for (auto* v : {&before, &after})
                for (uint32_t& p : *v) p |= 0xFF000000u;
        }
        if (c.type == save_type::kJpeg)
            EXPECT_LE(MeanChannelDifference(before, after), c.tolerance);  // a lossy encoder
        else
            EXPECT_LE(LargestChannelDifference(before, after), c.tolerance);
        EXPECT_FALSE(Slot().undo.HasUndoableStep());
        WIN32_FILE_ATTRIBUTE_DATA d{};
        ASSERT_TRUE(GetFileAttributesExW(W(name), GetFileExInfoStandard, &d));
        EXPECT_EQ(Slot().byteSize, static_cast<int64_t>(d.nFileSizeLow));
        // A changed format is reported, except for BMP from 32-A8R8G8B8.
        if (Slot().pixelFormat != c.format && !(c.type == save_type::kBmp && c.format == fmt::k32ARGB)) {
            ASSERT_EQ(shown.size(), 1u);
            EXPECT_EQ(shown[0].text, Text(PixelFormatNameOf(Slot().pixelFormat)) + u" に変更されました");
        } else {
            EXPECT_TRUE(shown.empty());
        }
        testing::CloseCurrent(*editor);
    }
}

TEST_F(FilesTest, ThirtyTwoBitArgbAsJpegComesBackAs24Bit) {
    MakeImage(fmt::k32ARGB);
    SaveParameter q;
    q.kind = SaveParameter::Kind::Quality;
    q.value = 100;
    ASSERT_TRUE(SaveAs(dir + u"\\photo.jpg", save_type::kJpeg, q));
    EXPECT_EQ(Slot().pixelFormat, fmt::k24RGB);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, u"24-R8G8B8 に変更されました");
    EXPECT_EQ(shown[0].title, u"Mirelo");
    // Quality 0 is accepted too.
    q.value = 0;
    shown.clear();
    EXPECT_TRUE(SaveAs(dir + u"\\photo0.jpg", save_type::kJpeg, q));
    EXPECT_TRUE(shown.empty());
}

TEST_F(FilesTest, RefusalsLeaveImageHistoryAndFilesAlone) {
    for (PixelFormat f : {fmt::k16RGB565, fmt::k16ARGB1555, fmt::k48RGB}) {
        MakeImage(f);
        shown.clear();
        Text name = dir + u"\\wide.bmp";
        EXPECT_FALSE(SaveAs(name, save_type::kBmp));
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].text, u"16-R5G6B5,16-A1R5G5B5,48-R16G16B16 はビットマップに保存できません");
        EXPECT_EQ(shown[0].title, name);
        EXPECT_EQ(GetFileAttributesW(W(name)), INVALID_FILE_ATTRIBUTES);
        testing::CloseCurrent(*editor);
    }
    // A 16-R5G6B5 image as PNG is written with colour depth 32.
    MakeImage(fmt::k16RGB565);
    editor->saveName = dir + u"\\wide.png";
    editor->saveFileType = save_type::kPng;
    shown.clear();
    ASSERT_TRUE(SaveWithDepth(*editor));
    EXPECT_EQ(BitsPerPixel(Slot().pixelFormat), 32);

    // Unknown type.
    shown.clear();
    EXPECT_FALSE(SaveAs(dir + u"\\x.bin", 0));
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, u"ファイル形式が対応していません");

    // Read-only target.
    Text locked = dir + u"\\locked.png";
    ASSERT_TRUE(WritePicture(locked, 2, 2, 0xFF00FF00));
    std::vector<uint8_t> old = FileBytes(locked);
    SetFileAttributesW(W(locked), FILE_ATTRIBUTE_READONLY);
    RecordUndoStep(*editor);
    shown.clear();
    EXPECT_FALSE(SaveAs(locked, save_type::kPng));
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, u"読取専用で保存できません");
    EXPECT_EQ(shown[0].title, locked);
    EXPECT_EQ(FileBytes(locked), old);
    EXPECT_TRUE(Slot().undo.HasUndoableStep());
    SetFileAttributesW(W(locked), FILE_ATTRIBUTE_NORMAL);

    // Another open image's file; the image's own file is fine.
    Text other = dir + u"\\other.png";
    ASSERT_TRUE(WritePicture(other, 2, 2, 0xFF0000FF));
    ASSERT_TRUE(testing::Open(*editor, other));
    const int otherSlot = editor->images.current;
    testing::Select(*editor, 0);
    shown.clear();
    EXPECT_FALSE(SaveAs(other, save_type::kPng));
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, u"開いているので保存できません");
    EXPECT_EQ(shown[0].title, u"Mirelo");
    testing::Select(*editor, otherSlot);
    shown.clear();
    EXPECT_TRUE(SaveAs(other, save_type::kPng));
    EXPECT_TRUE(shown.empty());
}

TEST_F(FilesTest, TheEncoderFollowsTheTypeNotTheTypedExtension) {
    MakeImage(fmt::k24RGB);
    Text name = dir + u"\\looks.bmp";
    ASSERT_TRUE(SaveAs(name, save_type::kPng));
    std::vector<uint8_t> bytes = FileBytes(name);
    ASSERT_GE(bytes.size(), 8u);
    EXPECT_EQ(std::string(bytes.begin() + 1, bytes.begin() + 4), "PNG");
    EXPECT_EQ(Slot().fileType, save_type::kPng);
}

TEST_F(FilesTest, AFailedWriteKeepsThePreviousFileAndTheImage) {
    // The replacement mechanism: a write that fails part way leaves the old file as it was and no
    // stray file behind.
    Text target = dir + u"\\safe.bin";
    PutFile(target, {1, 2, 3, 4});
    EXPECT_FALSE(WriteFileSafely(target, [](const Text& newFile) {
        HANDLE f = CreateFileW(W(newFile), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        WriteFile(f, "partial", 7, &written, nullptr);
        CloseHandle(f);
        return false;
    }));
    EXPECT_EQ(FileBytes(target), (std::vector<uint8_t>{1, 2, 3, 4}));
    WIN32_FIND_DATAW found{};
    HANDLE h = FindFirstFileW(W(dir + u"\\*.tmp"), &found);
    EXPECT_EQ(h, INVALID_HANDLE_VALUE);
    if (h != INVALID_HANDLE_VALUE) FindClose(h);
    EXPECT_TRUE(WriteBytesSafely(target, {9, 9}));
    EXPECT_EQ(FileBytes(target), (std::vector<uint8_t>{9, 9}));

    // A save into a folder that cannot take the file: message, image and history unchanged.
    MakeImage(fmt::k24RGB);
    RecordUndoStep(*editor);
    std::vector<uint32_t> before = Pixels(Slot().bitmap.get());
    const Text path = Slot().path;
    shown.clear();
    EXPECT_FALSE(SaveAs(dir + u"\\missing-folder\\x.png", save_type::kPng));
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, u"別名で保存してください");
    EXPECT_EQ(shown[0].type & MB_ICONMASK, static_cast<UINT>(MB_ICONWARNING));
    EXPECT_EQ(Pixels(Slot().bitmap.get()), before);
    EXPECT_EQ(Slot().path, path);
    EXPECT_TRUE(Slot().undo.HasUndoableStep());
}

TEST_F(FilesTest, AFailedReadBackIsReportedAndKeepsTheHistory) {
    // The file is written, but what is read back is not a picture (a file that changed or broke
    // in between).
    MakeImage(fmt::k24RGB);
    RecordUndoStep(*editor);
    const Text path = Slot().path, target = dir + u"\\unreadable.png";
    std::vector<uint32_t> before = Pixels(Slot().bitmap.get());
    editor->readBackObserver = [](const Text&, GpBitmapOwner&) { return false; };
    shown.clear();
    EXPECT_FALSE(SaveAs(target, save_type::kPng));
    EXPECT_TRUE(Shown(MessageText(u"読み込みに失敗しました\n%s").Arg(target).Str()));
    EXPECT_TRUE(Slot().undo.HasUndoableStep());
    EXPECT_EQ(Slot().path, path);
    EXPECT_EQ(Pixels(Slot().bitmap.get()), before);
}

TEST_F(FilesTest, SaveInPlaceFollowsTheFileType) {
    Text a = dir + u"\\inplace.png";
    ASSERT_TRUE(WritePicture(a, 5, 5, 0xFF202020));
    ASSERT_TRUE(testing::Open(*editor, a));
    gp::GdipBitmapSetPixel(Slot().bitmap.get(), 1, 1, 0xFFFF8000);
    RecordUndoStep(*editor);
    uint64_t now = 5000000;
    editor->clock = [&] { return now; };
    Send(cmd::kSave);
    EXPECT_TRUE(shown.empty());
    EXPECT_FALSE(Slot().undo.HasUndoableStep());
    EXPECT_EQ(PixelAt(Slot().bitmap.get(), 1, 1), 0xFFFF8000u);
    std::vector<uint8_t> bytes = FileBytes(a);
    ASSERT_GE(bytes.size(), 4u);
    EXPECT_EQ(std::string(bytes.begin() + 1, bytes.begin() + 4), "PNG");
    // A new image has no file: the save dialog comes up instead.
    ASSERT_TRUE(testing::NewImage(*editor, 3, 3, 96, 96, false));
    bool dialog = false;
    editor->dialogObserver = [&](HWND dlg, int id) {
        if (id == IDD_SAVE_TEMPLATE) {
            dialog = true;
            PostMessageW(dlg, WM_COMMAND, IDCANCEL, 0);
        }
    };
    Send(cmd::kSave);
    EXPECT_TRUE(dialog);
}

TEST_F(FilesTest, SaveDialogRenamesByTypeAndContinuesWithTheQualityDialog) {
    MakeImage(fmt::k24RGB);
    const Text typed = dir + u"\\fromdialog.bmp";
    Text afterTypeChange;
    bool propertiesSeen = false;
    unsigned enabledEdits = 0;
    int qualityLabel = -1;
    editor->dialogObserver = [&](HWND dlg, int id) {
        if (id == IDD_SAVE_TEMPLATE) {
            const int box = GetDlgItem(dlg, 0x47C) ? 0x47C : 0x480;
            SendMessageW(dlg, CDM_SETCONTROLTEXT, box, reinterpret_cast<LPARAM>(W(typed)));
            // Choose JPEG (position 4) in the type list as the user would.
            HWND types = GetDlgItem(dlg, 0x470);
            SendMessageW(types, CB_SETCURSEL, 3, 0);
            SendMessageW(dlg, WM_COMMAND, MAKEWPARAM(0x470, CBN_SELCHANGE), reinterpret_cast<LPARAM>(types));
            SendMessageW(dlg, WM_COMMAND, MAKEWPARAM(0x470, CBN_SELENDOK), reinterpret_cast<LPARAM>(types));
            afterTypeChange = WindowText(GetDlgItem(dlg, box));
            // The extra button opens the property settings for the type now chosen.
            HWND button = nullptr;
            EnumChildWindows(
                dlg,
                [](HWND w, LPARAM out) {
                    if (GetDlgCtrlID(w) != IDC_SAVE_PROPERTIES || WindowText(w) != u"プロパティの設定...") return TRUE;
                    *reinterpret_cast<HWND*>(out) = w;
                    return FALSE;
                },
                reinterpret_cast<LPARAM>(&button));
            EXPECT_NE(button, nullptr);
            if (button) SendMessageW(GetParent(button), WM_COMMAND, MAKEWPARAM(IDC_SAVE_PROPERTIES, BN_CLICKED), reinterpret_cast<LPARAM>(button));
            PostMessageW(dlg, WM_COMMAND, IDOK, 0);
        } else if (id == IDD_PROPERTY_SETTINGS) {
            propertiesSeen = true;
            const int edits[4] = {IDC_PROP_TITLE, IDC_PROP_AUTHOR, IDC_PROP_RIGHTS, IDC_PROP_COMMENT};
            for (int i = 0; i < 4; ++i)
                if (IsWindowEnabled(GetDlgItem(dlg, edits[i]))) enabledEdits |= 1u << i;
            PostMessageW(dlg, WM_COMMAND, IDCANCEL, 0);
        } else if (id == IDD_JPEG_QUALITY) {
            HWND slider = GetDlgItem(dlg, IDC_JPEG_QUALITY_SLIDER);
            EXPECT_EQ(SendMessageW(slider, TBM_GETPOS, 0, 0), 80);
            SendMessageW(slider, TBM_SETPOS, TRUE, 100);
            SendMessageW(dlg, WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, 100), reinterpret_cast<LPARAM>(slider));
            qualityLabel = static_cast<int>(GetDlgItemInt(dlg, IDC_JPEG_QUALITY_LABEL, nullptr, FALSE));
            PostMessageW(dlg, WM_COMMAND, IDOK, 0);
        }
    };
    Send(cmd::kSaveAs);
    EXPECT_EQ(afterTypeChange, dir + u"\\fromdialog.jpg");
    EXPECT_TRUE(propertiesSeen);
    EXPECT_EQ(enabledEdits, 0b0111u);  // JPEG carries title, author and rights notice
    EXPECT_EQ(qualityLabel, 100);
    EXPECT_EQ(editor->saveFileType, save_type::kJpeg);
    EXPECT_EQ(Slot().path, dir + u"\\fromdialog.jpg");
    std::vector<uint8_t> bytes = FileBytes(Slot().path);
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes[0], 0xFF);
    EXPECT_EQ(bytes[1], 0xD8);
}

TEST_F(FilesTest, JpegFromAJpegFileOffersTheTransformations) {
    MakeImage(fmt::k24RGB, 8, 6);
    ASSERT_TRUE(SaveAs(dir + u"\\t.jpg", save_type::kJpeg));
    ASSERT_EQ(Slot().rawFormatName, u"JPEG");
    int cancelled = 0;
    bool transformSeen = false;
    editor->dialogObserver = [&](HWND dlg, int id) {
        if (id == IDD_SAVE_TEMPLATE) {
            // The first time the transform dialog is cancelled, which brings the save dialog back.
            // A new name each time keeps the system's overwrite question away.
            Text name = dir + u"\\t" + ToText(cancelled + 1) + u".jpg";
            const int box = GetDlgItem(dlg, 0x47C) ? 0x47C : 0x480;
            SendMessageW(dlg, CDM_SETCONTROLTEXT, box, reinterpret_cast<LPARAM>(W(name)));
            PostMessageW(dlg, WM_COMMAND, IDOK, 0);
        } else if (id == IDD_JPEG_TRANSFORM) {
            transformSeen = true;
            EXPECT_EQ(IsDlgButtonChecked(dlg, IDC_JPEG_NONE), BST_CHECKED);
            if (cancelled++ == 0) {
                PostMessageW(dlg, WM_COMMAND, IDCANCEL, 0);
                return;
            }
            CheckRadioButton(dlg, IDC_JPEG_NONE, IDC_JPEG_ROTATE_270, IDC_JPEG_ROTATE_90);
            PostMessageW(dlg, WM_COMMAND, IDOK, 0);
        }
    };
    Send(cmd::kSaveAs);
    EXPECT_TRUE(transformSeen);
    EXPECT_EQ(cancelled, 2);
    EXPECT_EQ(Slot().zoom, 100);
    if (!RunningUnderWine()) {
        // Windows' encoder turns the picture: 8 × 6 becomes 6 × 8.
        EXPECT_EQ(Slot().width, 6);
        EXPECT_EQ(Slot().height, 8);
    }
}

TEST_F(FilesTest, AFailedJpegOrTiffSaveKeepsTheComment) {
    // JPEG and TIFF files are written without the comment; when the write fails, the image keeps
    // it for a later save.
    const Text png = dir + u"\\commented.png";
    PutFile(png, PngWithText(editor->messages, "Comment", "memo"));
    ASSERT_TRUE(testing::Open(*editor, png));
    Text comment;
    if (!ReadProperty(Slot().bitmap.get(), 37510, &comment) && RunningUnderWine())
        GTEST_SKIP() << "Wine's GDI+ does not store items given to GdipSetPropertyItem and does not implement "
                        "GdipRemovePropertyItem: the image gets no comment, and a save cannot take one away";
    ASSERT_EQ(comment, u"memo");
    for (int type : {save_type::kJpeg, save_type::kTiff}) {
        SCOPED_TRACE(type);
        shown.clear();
        EXPECT_FALSE(SaveAs(dir + u"\\missing-folder\\x." + SaveType(type)->extension, type));
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].text, u"別名で保存してください");
        comment.clear();
        EXPECT_TRUE(ReadProperty(Slot().bitmap.get(), 37510, &comment));
        EXPECT_EQ(comment, u"memo");
        EXPECT_EQ(Slot().properties[kPropComment], u"memo");
    }
}

}  // namespace
}  // namespace mirelo
