// Icon and pointer files in the editor: opening them into slots, and writing them through the
// icon and pointer dialogs driven by their controls.
#include <objbase.h>

#include <colordlg.h>
#include <commdlg.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <sstream>

#include "harness.h"
#include "clipboard/dib.h"
#include "files/icon_file.h"
#include "files/icon_open.h"
#include "files/icon_save.h"
#include "image/bitmap_access.h"
#include "image/format_change.h"
#include "image/image_set.h"
#include "image/new_image.h"
#include "res/resource.h"

namespace mirelo {
namespace {
using namespace mirelo::testing;

std::vector<uint8_t> ReadBytes(const Text& path) {
    std::vector<uint8_t> out;
    HANDLE f = CreateFileW(W(path), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return out;
    LARGE_INTEGER size{};
    GetFileSizeEx(f, &size);
    out.resize(static_cast<size_t>(size.QuadPart));
    DWORD got = 0;
    if (!out.empty()) ReadFile(f, out.data(), static_cast<DWORD>(out.size()), &got, nullptr);
    CloseHandle(f);
    out.resize(got);
    return out;
}

bool WriteBytes(const Text& path, const std::vector<uint8_t>& bytes) {
    HANDLE f = CreateFileW(W(path), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    DWORD done = 0;
    bool ok = WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr) && done == bytes.size();
    return CloseHandle(f) && ok;
}

uint16_t U16(const std::vector<uint8_t>& b, size_t at) { return static_cast<uint16_t>(b.at(at) | (b.at(at + 1) << 8)); }
uint32_t U32(const std::vector<uint8_t>& b, size_t at) {
    return uint32_t{b.at(at)} | (uint32_t{b.at(at + 1)} << 8) | (uint32_t{b.at(at + 2)} << 16) | (uint32_t{b.at(at + 3)} << 24);
}

struct DirEntry {
    int width, height, colours, reserved, field4, field6;
    uint32_t size, offset;
};
DirEntry DirectoryEntry(const std::vector<uint8_t>& file, int i) {
    const size_t d = 6 + 16 * static_cast<size_t>(i);
    return DirEntry{file.at(d), file.at(d + 1), file.at(d + 2), file.at(d + 3), U16(file, d + 4), U16(file, d + 6),
                    U32(file, d + 8), U32(file, d + 12)};
}

// The pixels and mask of a bitmap entry as stored in a file.
struct StoredEntry {
    std::vector<uint8_t> data;
    int width = 0, height = 0, bits = 0, tableEntries = 0;
    size_t colourStart = 0, maskStart = 0;
    size_t stride = 0, maskStride = 0;

    explicit StoredEntry(std::vector<uint8_t> d) : data(std::move(d)) {
        width = static_cast<int>(U32(data, 4));
        height = static_cast<int>(U32(data, 8)) / 2;
        bits = U16(data, 14);
        tableEntries = bits <= 8 ? (U32(data, 32) ? static_cast<int>(U32(data, 32)) : 1 << bits) : 0;
        colourStart = 40 + 4 * static_cast<size_t>(tableEntries);
        stride = static_cast<size_t>(DwordStride(width, bits));
        maskStride = static_cast<size_t>(DwordStride(width, 1));
        maskStart = colourStart + stride * static_cast<size_t>(height);
    }
    size_t ExpectedSize() const { return maskStart + maskStride * static_cast<size_t>(height); }
    bool Masked(int x, int y) const {
        return (data.at(maskStart + static_cast<size_t>(height - 1 - y) * maskStride + static_cast<size_t>(x >> 3)) >> (7 - (x & 7))) & 1;
    }
    // 32-bit entries: the stored B, G, R, A as a little-endian word.
    uint32_t Pixel32(int x, int y) const { return U32(data, colourStart + static_cast<size_t>(height - 1 - y) * stride + 4 * static_cast<size_t>(x)); }
    int Index1(int x, int y) const {
        return (data.at(colourStart + static_cast<size_t>(height - 1 - y) * stride + static_cast<size_t>(x >> 3)) >> (7 - (x & 7))) & 1;
    }
    uint32_t TableColour(int i) const { return U32(data, 40 + 4 * static_cast<size_t>(i)) & 0xFFFFFFu; }
};

StoredEntry EntryOf(const std::vector<uint8_t>& file, int i) {
    DirEntry d = DirectoryEntry(file, i);
    return StoredEntry(std::vector<uint8_t>(file.begin() + d.offset, file.begin() + d.offset + d.size));
}

// A bitmap entry made with the core's writer: pixels in `format` from `pixel`, mask from `masked`.
IconWriteEntry BitmapEntry(int w, int h, PixelFormat format, const std::vector<uint32_t>& palette,
                           const std::function<uint32_t(int, int)>& pixel, const std::function<bool(int, int)>& masked) {
    OwnedPixels p;
    p.palette = palette;
    p.Allocate(w, h, format);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) WriteStored(p.view, x, y, pixel(x, y));
    DibImage dib;
    EXPECT_TRUE(BuildDib(p.view, &dib));
    const size_t maskStride = static_cast<size_t>(DwordStride(w, 1));
    std::vector<uint8_t> mask(maskStride * static_cast<size_t>(h), 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (masked(x, y)) mask[static_cast<size_t>(h - 1 - y) * maskStride + static_cast<size_t>(x >> 3)] |= static_cast<uint8_t>(0x80 >> (x & 7));
    IconWriteEntry e;
    e.data = BuildIconBitmapEntry(dib, mask);
    EXPECT_FALSE(e.data.empty());
    e.width = w;
    e.height = h;
    e.bitCount = BitsPerPixel(format);
    return e;
}

std::vector<uint8_t> IconFileBytes(const std::vector<IconWriteEntry>& entries, bool pointer) {
    std::vector<uint8_t> file;
    EXPECT_TRUE(BuildIconFile(entries, pointer, &file));
    return file;
}

// A complete PNG file of a 32-A8R8G8B8 picture, made by GDI+.
std::vector<uint8_t> PngBytes(int w, int h, const std::function<uint32_t(int, int)>& argb) {
    GpBitmapOwner bmp;
    EXPECT_TRUE(CreateGpBitmap(bmp, w, h, fmt::k32ARGB));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) gp::GdipBitmapSetPixel(bmp.get(), x, y, argb(x, y));
    Messages quiet;
    quiet.SetResponder([](const MessageRequest&) { return IDOK; });
    CLSID png;
    EXPECT_GE(FindEncoder(quiet, u"png", &png), 0);
    IStream* stream = nullptr;
    EXPECT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &stream), S_OK);
    EXPECT_EQ(gp::GdipSaveImageToStream(bmp.get(), stream, &png, nullptr), Gdiplus::Ok);
    STATSTG st{};
    stream->Stat(&st, STATFLAG_NONAME);
    HGLOBAL mem = nullptr;
    GetHGlobalFromStream(stream, &mem);
    const auto* p = static_cast<const uint8_t*>(GlobalLock(mem));
    std::vector<uint8_t> out(p, p + st.cbSize.QuadPart);
    GlobalUnlock(mem);
    stream->Release();
    return out;
}

// Clicks a button of a dialog the way the user does.
void Click(HWND dlg, int id) { SendMessageW(GetDlgItem(dlg, id), BM_CLICK, 0, 0); }

Text ItemText(HWND dlg, int id) {
    wchar_t buf[64] = {};
    GetDlgItemTextW(dlg, id, buf, 64);
    return FromW(buf);
}

std::vector<Text> ListLines(HWND dlg) {
    std::vector<Text> lines;
    HWND list = GetDlgItem(dlg, IDC_ICON_LIST);
    int n = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
        wchar_t buf[300] = {};
        SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buf));
        lines.push_back(FromW(buf));
    }
    return lines;
}

int SelectedLine(HWND dlg) { return static_cast<int>(SendDlgItemMessageW(dlg, IDC_ICON_LIST, LB_GETCURSEL, 0, 0)); }

void SelectLine(HWND dlg, int line) {
    HWND list = GetDlgItem(dlg, IDC_ICON_LIST);
    SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(line), 0);
    SendMessageW(dlg, WM_COMMAND, MAKEWPARAM(IDC_ICON_LIST, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
}

// Presses the left button over image pixel (x, y) of a dialog's picture frame.
void PressOnPicture(HWND dlg, int frameId, int imageWidth, int imageHeight, int x, int y) {
    HWND frame = GetDlgItem(dlg, frameId);
    RECT r{};
    GetClientRect(frame, &r);
    const double scale = std::min(static_cast<double>(r.right) / imageWidth, static_cast<double>(r.bottom) / imageHeight);
    POINT p{static_cast<LONG>((x + 0.5) * scale), static_cast<LONG>((y + 0.5) * scale)};
    MapWindowPoints(frame, dlg, &p, 1);
    SendMessageW(dlg, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(p.x, p.y));
    SendMessageW(dlg, WM_LBUTTONUP, 0, MAKELPARAM(p.x, p.y));
}

class IconTest : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        OpenWindow();
        dir = MakeTempDir(L"icons");
        // The folder's name can repeat between runs: start empty.
        WIN32_FIND_DATAW found{};
        HANDLE search = FindFirstFileW(W(dir + u"\\*"), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
                Text file = dir + u"\\" + FromW(found.cFileName);
                SetFileAttributesW(W(file), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(W(file));
            } while (FindNextFileW(search, &found));
            FindClose(search);
        }
    }
    void TearDown() override {
        editor->dialogObserver = nullptr;
        EditorTest::TearDown();
    }
    Text PathOf(const char16_t* leaf) const { return dir + u"\\" + leaf; }
    ImageSlot& SlotAt(int i) { return editor->images.slots[static_cast<size_t>(i)]; }
    // A new 32-A8R8G8B8 image painted by `argb`; returns its slot.
    int AddImage(int w, int h, const std::function<uint32_t(int, int)>& argb) {
        EXPECT_TRUE(testing::NewImage(*editor, w, h, 96, 96, false));
        int slot = editor->images.current;
        GpBitmapOwner& bmp = SlotAt(slot).bitmap;
        BitmapLock lock(editor->messages, bmp, kLockWrite, fmt::k32ARGB, BitmapRole::Destination);
        EXPECT_TRUE(lock.ok());
        PixelView v = lock.view();
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                uint32_t c = argb(x, y);
                std::memcpy(v.At(x, y), &c, 4);
            }
        lock.Unlock();
        return slot;
    }
    int Occupied() const { return editor->images.Occupied(); }

    Text dir;
};

// ---- Opening -------------------------------------------------------------------------------

TEST_F(IconTest, IconWithTwoSizesOpensTwoSlotsWithTheirMasksApplied) {
    const std::vector<uint32_t> palette = {0xFF000000, 0xFFFF0000, 0xFF00FF00, 0xFF0000FF};
    std::vector<IconWriteEntry> entries;
    // 16 × 16, 8 bits: colour index by column band, the top left 3 × 3 masked.
    std::vector<uint32_t> palette8 = palette;
    palette8.resize(256, 0xFF808080);
    entries.push_back(BitmapEntry(
        16, 16, fmt::k8Index, palette8, [](int x, int) { return static_cast<uint32_t>(x / 4); },
        [](int x, int y) { return x < 3 && y < 3; }));
    // 32 × 32, 4 bits: index 2 (green) everywhere, the last row masked.
    std::vector<uint32_t> palette4 = palette;
    palette4.resize(16, 0xFFFFFFFF);
    entries.push_back(BitmapEntry(
        32, 32, fmt::k4Index, palette4, [](int, int) { return 2u; }, [](int, int y) { return y == 31; }));
    const Text path = PathOf(u"app.ico");
    ASSERT_TRUE(WriteBytes(path, IconFileBytes(entries, false)));

    ASSERT_TRUE(testing::OpenIcon(*editor, path));
    EXPECT_TRUE(shown.empty());
    ASSERT_EQ(Occupied(), 2);
    EXPECT_EQ(editor->images.current, 1);
    ImageSlot& small = SlotAt(0);
    ImageSlot& large = SlotAt(1);
    EXPECT_EQ(Narrow(small.path), "app.ico-8bpp-16x16");
    EXPECT_EQ(Narrow(large.path), "app.ico-4bpp-32x32");
    for (ImageSlot* s : {&small, &large}) {
        EXPECT_EQ(FormatOf(s->bitmap.get()), fmt::k32ARGB);
        EXPECT_EQ(s->pixelFormat, fmt::k32ARGB);
        EXPECT_EQ(s->fileType, 3);
        EXPECT_EQ(s->hotspotX, 0);
        EXPECT_EQ(s->hotspotY, 0);
    }
    EXPECT_EQ(small.width, 16);
    EXPECT_EQ(large.height, 32);
    EXPECT_EQ(PixelAt(small.bitmap.get(), 0, 0), 0x00000000u);
    EXPECT_EQ(PixelAt(small.bitmap.get(), 2, 2), 0x00000000u);
    EXPECT_EQ(PixelAt(small.bitmap.get(), 3, 2), 0xFF000000u);
    EXPECT_EQ(PixelAt(small.bitmap.get(), 5, 0), 0xFFFF0000u);
    EXPECT_EQ(PixelAt(small.bitmap.get(), 13, 15), 0xFF0000FFu);
    EXPECT_EQ(PixelAt(large.bitmap.get(), 10, 30), 0xFF00FF00u);
    EXPECT_EQ(PixelAt(large.bitmap.get(), 10, 31), 0x00000000u);
    EXPECT_EQ(Narrow(large.formatName), "32-A8R8G8B8");
}

TEST_F(IconTest, OpeningTheSameIconAgainOpensItAgain) {
    const Text path = PathOf(u"twice.ico");
    ASSERT_TRUE(WriteBytes(path, IconFileBytes({BitmapEntry(
                                                    4, 4, fmt::k32RGB, {}, [](int, int) { return 0xFF00FFu; },
                                                    [](int, int) { return false; })},
                                                false)));
    ASSERT_TRUE(testing::OpenIcon(*editor, path));
    ASSERT_TRUE(testing::OpenIcon(*editor, path));
    EXPECT_EQ(Occupied(), 2);
    EXPECT_EQ(SlotAt(0).path, SlotAt(1).path);
    EXPECT_EQ(Narrow(SlotAt(1).path), "twice.ico-32bpp-4x4");
    // A 32-bit entry whose fourth bytes are all 0 is opaque.
    EXPECT_EQ(PixelAt(SlotAt(1).bitmap.get(), 1, 1), 0xFFFF00FFu);
}

TEST_F(IconTest, PointerFileKeepsItsHotSpots) {
    auto a = BitmapEntry(
        16, 16, fmt::k32ARGB, {}, [](int x, int) { return x < 8 ? 0x80102030u : 0xFF405060u; }, [](int, int) { return false; });
    a.hotspotX = 5;
    a.hotspotY = 7;
    auto b = BitmapEntry(
        8, 8, fmt::k1Index, {0xFF000000, 0xFFFFFFFF}, [](int x, int y) { return static_cast<uint32_t>((x + y) & 1); },
        [](int x, int) { return x == 0; });
    b.hotspotX = 7;
    b.hotspotY = 0;
    const Text path = PathOf(u"arrow.cur");
    ASSERT_TRUE(WriteBytes(path, IconFileBytes({a, b}, true)));
    ASSERT_TRUE(testing::OpenIcon(*editor, path));
    ASSERT_EQ(Occupied(), 2);
    EXPECT_EQ(SlotAt(0).hotspotX, 5);
    EXPECT_EQ(SlotAt(0).hotspotY, 7);
    EXPECT_EQ(SlotAt(1).hotspotX, 7);
    EXPECT_EQ(SlotAt(1).hotspotY, 0);
    EXPECT_EQ(Narrow(SlotAt(0).path), "arrow.cur-32bpp-16x16");
    EXPECT_EQ(Narrow(SlotAt(1).path), "arrow.cur-1bpp-8x8");
    // The 32-bit entry's alpha stays; the 1-bit entry's masked column is transparent.
    EXPECT_EQ(PixelAt(SlotAt(0).bitmap.get(), 2, 2), 0x80102030u);
    EXPECT_EQ(PixelAt(SlotAt(0).bitmap.get(), 12, 2), 0xFF405060u);
    EXPECT_EQ(PixelAt(SlotAt(1).bitmap.get(), 0, 3), 0x00000000u);
    EXPECT_EQ(PixelAt(SlotAt(1).bitmap.get(), 1, 2), 0xFFFFFFFFu);
    EXPECT_EQ(PixelAt(SlotAt(1).bitmap.get(), 2, 2), 0xFF000000u);
}

TEST_F(IconTest, DirectoryClaimingFortyEntriesReadsThirtyTwo) {
    std::vector<IconWriteEntry> entries;
    for (int i = 0; i < 40; ++i)
        entries.push_back(BitmapEntry(
            2, 2, fmt::k1Index, {0xFF000000, 0xFFFFFFFF}, [](int, int) { return 1u; }, [](int, int) { return false; }));
    const Text path = PathOf(u"many.ico");
    ASSERT_TRUE(WriteBytes(path, IconFileBytes(entries, false)));
    ASSERT_TRUE(testing::OpenIcon(*editor, path));
    EXPECT_EQ(Occupied(), 32);
    EXPECT_TRUE(shown.empty());  // all the entries the directory is read for were loaded
    EXPECT_EQ(Narrow(SlotAt(31).path), "many.ico-1bpp-2x2");
}

TEST_F(IconTest, DamagedEntriesAreCountedInAWarning) {
    std::vector<IconWriteEntry> entries;
    for (int i = 0; i < 3; ++i)
        entries.push_back(BitmapEntry(
            4, 4, fmt::k24RGB, {}, [i](int, int) { return 0x000010u * static_cast<uint32_t>(i + 1); },
            [](int, int) { return false; }));
    std::vector<uint8_t> file = IconFileBytes(entries, false);
    // The second entry's header claims 12 bytes: unusable.
    const uint32_t second = U32(file, 6 + 16 + 12);
    file[second] = 12;
    const Text path = PathOf(u"damaged.ico");
    ASSERT_TRUE(WriteBytes(path, file));
    ASSERT_TRUE(testing::OpenIcon(*editor, path));
    EXPECT_EQ(Occupied(), 2);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, u"1 個の画像の読み込みに失敗しました\n" + path);
    EXPECT_EQ(shown[0].title, u"Mirelo");
    EXPECT_TRUE(shown[0].type & MB_ICONWARNING);
    EXPECT_EQ(PixelAt(SlotAt(1).bitmap.get(), 0, 0), 0xFF000030u);  // the third entry, in the next slot
}

TEST_F(IconTest, PngEntryIsDecodedIntoThirtyTwoBitArgb) {
    auto argb = [](int x, int y) { return (x + y) % 3 == 0 ? 0x40C08020u : 0xFF102030u + static_cast<uint32_t>(x); };
    IconWriteEntry png;
    png.data = PngBytes(20, 12, argb);
    png.width = 20;
    png.height = 12;
    png.bitCount = 32;
    auto small = BitmapEntry(
        3, 3, fmt::k24RGB, {}, [](int, int) { return 0x123456u; }, [](int x, int y) { return x == y; });
    const Text path = PathOf(u"mixed.ico");
    ASSERT_TRUE(WriteBytes(path, IconFileBytes({small, png}, false)));
    ASSERT_TRUE(testing::OpenIcon(*editor, path));
    ASSERT_EQ(Occupied(), 2);
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(Narrow(SlotAt(0).path), "mixed.ico-24bpp-3x3");
    EXPECT_EQ(Narrow(SlotAt(1).path), "mixed.ico-32bpp-20x12");
    EXPECT_EQ(FormatOf(SlotAt(1).bitmap.get()), fmt::k32ARGB);
    EXPECT_EQ(PixelAt(SlotAt(1).bitmap.get(), 3, 0), 0x40C08020u);
    EXPECT_EQ(PixelAt(SlotAt(1).bitmap.get(), 4, 0), 0xFF102034u);
    EXPECT_EQ(PixelAt(SlotAt(0).bitmap.get(), 1, 1), 0x00000000u);
    EXPECT_EQ(PixelAt(SlotAt(0).bitmap.get(), 1, 0), 0xFF123456u);
}

TEST_F(IconTest, FilesWithoutUsableEntriesAreLeftToTheCaller) {
    EXPECT_FALSE(testing::OpenIcon(*editor, PathOf(u"missing.ico")));
    std::vector<uint8_t> notIcon = {1, 0, 1, 0, 1, 0};
    notIcon.resize(64, 0);
    ASSERT_TRUE(WriteBytes(PathOf(u"reserved.ico"), notIcon));
    EXPECT_FALSE(testing::OpenIcon(*editor, PathOf(u"reserved.ico")));
    // A directory whose only entry lies outside the file: nothing loaded, no message here.
    std::vector<uint8_t> outside = {0, 0, 1, 0, 1, 0, 16, 16, 0, 0, 1, 0, 32, 0, 0x10, 0, 0, 0, 0xFF, 0xFF, 0, 0};
    ASSERT_TRUE(WriteBytes(PathOf(u"outside.ico"), outside));
    EXPECT_FALSE(testing::OpenIcon(*editor, PathOf(u"outside.ico")));
    EXPECT_EQ(Occupied(), 0);
    EXPECT_TRUE(shown.empty());
}

TEST_F(IconTest, FileStillOpenForWritingByAnotherProgramCanBeRead) {
    const Text path = PathOf(u"busy.ico");
    ASSERT_TRUE(WriteBytes(path, IconFileBytes({BitmapEntry(
                                                    2, 2, fmt::k24RGB, {}, [](int, int) { return 0xABCDEFu; },
                                                    [](int, int) { return false; })},
                                                false)));
    HANDLE other = CreateFileW(W(path), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(testing::OpenIcon(*editor, path));
    CloseHandle(other);
    EXPECT_EQ(PixelAt(SlotAt(0).bitmap.get(), 1, 1), 0xFFABCDEFu);
}

// ---- Saving --------------------------------------------------------------------------------

TEST_F(IconTest, IconDialogWritesTheListedImagesInListOrder) {
    // new1: 16 × 16 with a transparent (but coloured) 2 × 2 corner; new2: 32 × 32; new3: 8 × 8.
    int a = AddImage(16, 16, [](int x, int y) { return x < 2 && y < 2 ? 0x00FF0000u : 0xFF2040A0u; });
    int b = AddImage(32, 32, [](int x, int) { return x < 16 ? 0xFF00FF00u : 0x80000080u; });
    AddImage(8, 8, [](int, int) { return 0xFFFFFFFFu; });
    editor->saveName = PathOf(u"out.ico");
    answer = IDYES;
    bool seen = false;
    editor->dialogObserver = [&](HWND dlg, int id) {
        ASSERT_EQ(id, IDD_ICON);
        seen = true;
        wchar_t caption[64] = {};
        GetWindowTextW(dlg, caption, 64);
        EXPECT_STREQ(caption, L"アイコンの設定");
        EXPECT_EQ(ListLines(dlg), (std::vector<Text>{u"new1", u"new2", u"new3"}));
        SelectLine(dlg, 2);
        Click(dlg, IDC_ICON_REMOVE);
        EXPECT_EQ(ListLines(dlg), (std::vector<Text>{u"new1", u"new2"}));
        SelectLine(dlg, 1);
        Click(dlg, IDC_ICON_UP);
        EXPECT_EQ(ListLines(dlg), (std::vector<Text>{u"new2", u"new1"}));
        EXPECT_EQ(SelectedLine(dlg), 0);
        Click(dlg, IDC_ICON_UP);  // already at the top
        EXPECT_EQ(ListLines(dlg), (std::vector<Text>{u"new2", u"new1"}));
        PostMessageW(dlg, WM_COMMAND, IDOK, 0);
    };
    IconOrPointerQuestion(*editor, [] { FAIL() << "the save dialog is not reopened"; });
    ASSERT_TRUE(seen);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, u"ｱｲｺﾝ形式で保存するときは[はい]を\nｶｰｿﾙ形式で保存するときは[いいえ]を押してください");
    EXPECT_EQ(shown[0].type & 0xF, static_cast<UINT>(MB_YESNOCANCEL));

    std::vector<uint8_t> file = ReadBytes(editor->saveName);
    ASSERT_GE(file.size(), 38u);
    EXPECT_EQ(U16(file, 0), 0);
    EXPECT_EQ(U16(file, 2), 1);
    ASSERT_EQ(U16(file, 4), 2);
    DirEntry d0 = DirectoryEntry(file, 0), d1 = DirectoryEntry(file, 1);
    EXPECT_EQ(d0.width, 32);
    EXPECT_EQ(d0.height, 32);
    EXPECT_EQ(d1.width, 16);
    EXPECT_EQ(d0.colours, 0);
    EXPECT_EQ(d0.field4, 0);
    EXPECT_EQ(d0.field6, 0);
    EXPECT_EQ(d1.field4, 0);
    EXPECT_EQ(d1.field6, 0);
    EXPECT_EQ(d0.offset, 38u);
    EXPECT_EQ(d1.offset, 38u + d0.size);
    EXPECT_EQ(file.size(), 38u + d0.size + d1.size);

    StoredEntry big = EntryOf(file, 0), small = EntryOf(file, 1);
    EXPECT_EQ(U32(big.data, 0), 40u);
    EXPECT_EQ(U32(big.data, 8), 64u);  // height doubled
    EXPECT_EQ(U32(big.data, 20), 0u);  // image size 0
    EXPECT_EQ(big.bits, 32);
    EXPECT_EQ(big.ExpectedSize(), big.data.size());
    EXPECT_EQ(big.Pixel32(3, 3), 0xFF00FF00u);
    EXPECT_EQ(big.Pixel32(20, 3), 0x80000080u);
    EXPECT_FALSE(big.Masked(20, 3));
    EXPECT_EQ(small.bits, 32);
    EXPECT_EQ(small.ExpectedSize(), small.data.size());
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const bool corner = x < 2 && y < 2;
            EXPECT_EQ(small.Masked(x, y), corner) << x << "," << y;
            EXPECT_EQ(small.Pixel32(x, y), corner ? 0u : 0xFF2040A0u) << x << "," << y;
        }
    // The image itself now holds fully transparent black there.
    EXPECT_EQ(PixelAt(SlotAt(a).bitmap.get(), 1, 1), 0x00000000u);
    EXPECT_EQ(PixelAt(SlotAt(a).bitmap.get(), 2, 1), 0xFF2040A0u);
    EXPECT_EQ(FormatOf(SlotAt(b).bitmap.get()), fmt::k32ARGB);
}

TEST_F(IconTest, LargeImagesBecomePngEntries) {
    AddImage(256, 256, [](int x, int y) { return 0xFF000000u | static_cast<uint32_t>(x << 8 | y); });
    AddImage(16, 16, [](int, int) { return 0xFF0000FFu; });
    editor->saveName = PathOf(u"big.ico");
    editor->dialogObserver = [&](HWND dlg, int) { PostMessageW(dlg, WM_COMMAND, IDOK, 0); };
    IconDialog(*editor);
    std::vector<uint8_t> file = ReadBytes(editor->saveName);
    ASSERT_GE(file.size(), 38u);
    ASSERT_EQ(U16(file, 4), 2);
    DirEntry d0 = DirectoryEntry(file, 0);
    EXPECT_EQ(d0.width, 0);
    EXPECT_EQ(d0.height, 0);
    EXPECT_EQ(d0.offset, 38u);
    EXPECT_EQ(DirectoryEntry(file, 1).offset, 38u + d0.size);
    ASSERT_GE(d0.size, 8u);
    EXPECT_EQ(std::memcmp(file.data() + d0.offset, "\x89PNG\r\n\x1a\n", 8), 0);
    // The PNG holds the image.
    IconFileContents back = ReadIconFile(file.data(), file.size());
    ASSERT_EQ(back.entries.size(), 2u);
    EXPECT_TRUE(back.entries[0].png);
    EXPECT_EQ(back.entries[0].width, 256);
    EXPECT_EQ(back.entries[0].height, 256);
    ASSERT_TRUE(testing::OpenIcon(*editor, editor->saveName));
    EXPECT_EQ(Narrow(SlotAt(2).path), "big.ico-32bpp-256x256");
    EXPECT_EQ(PixelAt(SlotAt(2).bitmap.get(), 200, 17), 0xFF00C811u);
}

TEST_F(IconTest, PointerDialogWritesHotSpotsAndOptions) {
    // new1: 16 × 16 picture; new2: 16 × 16 with a green 4 × 4 block to invert, a transparent
    // pixel, black on the left and white on the right.
    int a = AddImage(16, 16, [](int x, int y) { return 0xFF000000u | static_cast<uint32_t>(x * 16 << 16 | y * 16); });
    int b = AddImage(16, 16, [](int x, int y) {
        if (x < 4 && y < 4) return 0xFF00FF00u;
        if (x == 15 && y == 15) return 0x00123456u;
        return x < 8 ? 0xFF000000u : 0xFFFFFFFFu;
    });
    editor->saveName = PathOf(u"arrow.ico");
    answer = IDNO;
    int hotspotDialogs = 0, optionDialogs = 0;
    bool seen = false;
    editor->dialogObserver = [&](HWND dlg, int id) {
        if (id == IDD_HOTSPOT) {
            ++hotspotDialogs;
            wchar_t caption[64] = {};
            GetWindowTextW(dlg, caption, 64);
            EXPECT_STREQ(caption, L"ﾎﾟｲﾝﾀのﾎｯﾄｽﾎﾟｯﾄ");
            EXPECT_EQ(ItemText(dlg, IDC_HOTSPOT_X), u"0");
            PressOnPicture(dlg, IDC_HOTSPOT_PICTURE, 16, 16, 3, 5);
            EXPECT_EQ(ItemText(dlg, IDC_HOTSPOT_X), u"3");
            EXPECT_EQ(ItemText(dlg, IDC_HOTSPOT_Y), u"5");
            EXPECT_EQ(SendDlgItemMessageW(dlg, IDC_HOTSPOT_SPIN_Y, UDM_GETPOS32, 0, 0), 5);
            PostMessageW(dlg, WM_COMMAND, IDOK, 0);
            return;
        }
        if (id == IDD_POINTER_OPTIONS) {
            ++optionDialogs;
            EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dlg, IDC_OPTIONS_INVERT_COLOUR_BUTTON)));
            PressOnPicture(dlg, IDC_OPTIONS_PICTURE, 16, 16, 1, 1);  // not taken while inversion is off
            Click(dlg, IDC_OPTIONS_INVERTED);
            EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dlg, IDC_OPTIONS_INVERT_COLOUR_BUTTON)));
            PressOnPicture(dlg, IDC_OPTIONS_PICTURE, 16, 16, 2, 1);  // the green block
            Click(dlg, IDC_OPTIONS_ONE_BIT);
            PostMessageW(dlg, WM_COMMAND, IDOK, 0);
            return;
        }
        ASSERT_EQ(id, IDD_POINTER);
        seen = true;
        wchar_t caption[64] = {};
        GetWindowTextW(dlg, caption, 64);
        EXPECT_STREQ(caption, L"ポインタの設定");
        EXPECT_EQ(ListLines(dlg), (std::vector<Text>{u"new1", u"new2"}));
        EXPECT_EQ(SelectedLine(dlg), 0);
        EXPECT_EQ(ItemText(dlg, IDC_POINTER_HOTSPOT_X), u"0");
        EXPECT_EQ(ItemText(dlg, IDC_POINTER_ONE_BIT), u"");
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dlg, IDC_POINTER_OPTIONS)));
        Click(dlg, IDC_POINTER_HOTSPOT_SET);
        EXPECT_EQ(ItemText(dlg, IDC_POINTER_HOTSPOT_X), u"3");
        EXPECT_EQ(ItemText(dlg, IDC_POINTER_HOTSPOT_Y), u"5");
        Click(dlg, IDC_POINTER_APPLY_ALL);
        SelectLine(dlg, 1);
        EXPECT_EQ(ItemText(dlg, IDC_POINTER_HOTSPOT_X), u"3");
        EXPECT_EQ(ItemText(dlg, IDC_POINTER_HOTSPOT_Y), u"5");
        Click(dlg, IDC_POINTER_OPTIONS);
        EXPECT_EQ(ItemText(dlg, IDC_POINTER_ONE_BIT), u"1 bpp");
        EXPECT_EQ(ItemText(dlg, IDC_POINTER_INVERTED), u"色反転");
        // The options go with their image when it moves.
        Click(dlg, IDC_ICON_UP);
        EXPECT_EQ(ListLines(dlg), (std::vector<Text>{u"new2", u"new1"}));
        EXPECT_EQ(SelectedLine(dlg), 0);
        EXPECT_EQ(ItemText(dlg, IDC_POINTER_ONE_BIT), u"1 bpp");
        SelectLine(dlg, 1);
        EXPECT_EQ(ItemText(dlg, IDC_POINTER_ONE_BIT), u"");
        EXPECT_EQ(ItemText(dlg, IDC_POINTER_INVERTED), u"");
        PostMessageW(dlg, WM_COMMAND, IDOK, 0);
    };
    IconOrPointerQuestion(*editor, [] { FAIL() << "the save dialog is not reopened"; });
    ASSERT_TRUE(seen);
    EXPECT_EQ(hotspotDialogs, 1);
    EXPECT_EQ(optionDialogs, 1);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1].text, u"拡張子を .cur に変更します");
    EXPECT_EQ(editor->saveName, PathOf(u"arrow.cur"));
    EXPECT_EQ(GetFileAttributesW(W(PathOf(u"arrow.ico"))), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(SlotAt(a).hotspotX, 3);
    EXPECT_EQ(SlotAt(b).hotspotY, 5);

    std::vector<uint8_t> file = ReadBytes(editor->saveName);
    ASSERT_GE(file.size(), 38u);
    EXPECT_EQ(U16(file, 2), 2);
    ASSERT_EQ(U16(file, 4), 2);
    DirEntry d0 = DirectoryEntry(file, 0), d1 = DirectoryEntry(file, 1);
    EXPECT_EQ(d0.field4, 3);
    EXPECT_EQ(d0.field6, 5);
    EXPECT_EQ(d1.field4, 3);
    EXPECT_EQ(d1.field6, 5);
    EXPECT_EQ(d0.colours, 2);  // new2, written as 1 bit per pixel
    EXPECT_EQ(d1.colours, 0);
    EXPECT_EQ(d1.offset, 38u + d0.size);

    StoredEntry one = EntryOf(file, 0);
    ASSERT_EQ(one.bits, 1);
    EXPECT_EQ(one.ExpectedSize(), one.data.size());
    int white = one.TableColour(0) == 0xFFFFFFu ? 0 : 1;
    ASSERT_EQ(one.TableColour(white), 0xFFFFFFu);
    EXPECT_EQ(one.TableColour(1 - white), 0x000000u);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const bool inverted = x < 4 && y < 4, transparent = x == 15 && y == 15;
            EXPECT_EQ(one.Masked(x, y), inverted || transparent) << x << "," << y;
            const bool expectWhite = inverted || (!transparent && x >= 8);
            EXPECT_EQ(one.Index1(x, y), expectWhite ? white : 1 - white) << x << "," << y;
        }
    // The image shows what the entry holds: 32-A8R8G8B8 with the mask applied.
    ImageSlot& shownImage = SlotAt(b);
    EXPECT_EQ(FormatOf(shownImage.bitmap.get()), fmt::k32ARGB);
    EXPECT_EQ(PixelAt(shownImage.bitmap.get(), 1, 1), 0x00000000u);
    EXPECT_EQ(PixelAt(shownImage.bitmap.get(), 6, 6), 0xFF000000u);
    EXPECT_EQ(PixelAt(shownImage.bitmap.get(), 10, 6), 0xFFFFFFFFu);
    StoredEntry colour = EntryOf(file, 1);
    EXPECT_EQ(colour.bits, 32);
    EXPECT_EQ(colour.Pixel32(2, 3), 0xFF200030u);
}

TEST_F(IconTest, ColourChooserSetsTheInversionColour) {
    int a = AddImage(8, 8, [](int x, int) { return x < 4 ? 0xFF00FF00u : 0xFF0000FFu; });
    IconListItem item;
    item.slot = a;
    bool chooser = false;
    editor->dialogObserver = [&](HWND dlg, int id) {
        if (id == kInversionColourChooserId) {
            chooser = true;
            // Typed into the chooser's red, green and blue fields.
            SetDlgItemTextW(dlg, COLOR_RED, L"0");
            SetDlgItemTextW(dlg, COLOR_GREEN, L"255");
            SetDlgItemTextW(dlg, COLOR_BLUE, L"0");
            PostMessageW(dlg, WM_COMMAND, IDOK, 0);
            return;
        }
        ASSERT_EQ(id, IDD_POINTER_OPTIONS);
        wchar_t caption[64] = {};
        GetWindowTextW(dlg, caption, 64);
        EXPECT_STREQ(caption, L"ポインタの設定2");
        Click(dlg, IDC_OPTIONS_INVERT_COLOUR_BUTTON);  // disabled: nothing opens
        EXPECT_FALSE(chooser);
        Click(dlg, IDC_OPTIONS_INVERTED);
        Click(dlg, IDC_OPTIONS_INVERT_COLOUR_BUTTON);
        EXPECT_TRUE(chooser);
        PostMessageW(dlg, WM_COMMAND, IDOK, 0);
    };
    ASSERT_TRUE(PointerOptionsDialog(*editor, editor->frame.mainWindow, item));
    EXPECT_TRUE(chooser);
    EXPECT_TRUE(item.inverted);
    EXPECT_FALSE(item.oneBit);
    ASSERT_TRUE(item.hasInversionColour);
    EXPECT_EQ(item.inversionColour, 0xFF00FF00u);

    IconWriteEntry entry;
    ASSERT_TRUE(MakeBitmapEntry(*editor, item, &entry));
    StoredEntry stored(entry.data);
    ASSERT_EQ(stored.bits, 32);
    EXPECT_TRUE(stored.Masked(1, 1));
    EXPECT_EQ(stored.Pixel32(1, 1), 0xFFFFFFFFu);
    EXPECT_FALSE(stored.Masked(5, 1));
    EXPECT_EQ(stored.Pixel32(5, 1), 0xFF0000FFu);
    EXPECT_EQ(PixelAt(SlotAt(a).bitmap.get(), 1, 1), 0xFFFFFFFFu);
}

TEST_F(IconTest, OneBitEntryOfAnotherImageLeavesTheCurrentImageAlone) {
    int a = AddImage(8, 8, [](int x, int y) { return (x + y) % 2 ? 0xFFFFFFFFu : 0xFF000000u; });
    int b = AddImage(4, 4, [](int, int) { return 0xFFFF0000u; });
    ASSERT_EQ(editor->images.current, b);
    IconListItem item;
    item.slot = a;
    item.oneBit = true;
    IconWriteEntry entry;
    ASSERT_TRUE(MakeBitmapEntry(*editor, item, &entry));
    EXPECT_EQ(entry.bitCount, 1);
    EXPECT_EQ(entry.width, 8);
    EXPECT_FALSE(item.oneBit);
    EXPECT_EQ(editor->images.current, b);
    EXPECT_EQ(SlotAt(b).pixelFormat, fmt::k32ARGB);
    EXPECT_EQ(PixelAt(SlotAt(b).bitmap.get(), 1, 1), 0xFFFF0000u);
    wchar_t status[512] = {};
    SendMessageW(editor->frame.statusBar, SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(status));
    EXPECT_NE(FromW(status).find(u"new2"), Text::npos) << Narrow(FromW(status));
    // The other image shows what its 1-bit entry holds.
    EXPECT_EQ(SlotAt(a).pixelFormat, fmt::k32ARGB);
    EXPECT_EQ(PixelAt(SlotAt(a).bitmap.get(), 1, 0), 0xFFFFFFFFu);
    EXPECT_EQ(PixelAt(SlotAt(a).bitmap.get(), 1, 1), 0xFF000000u);
    StoredEntry stored(entry.data);
    EXPECT_EQ(stored.ExpectedSize(), stored.data.size());
    EXPECT_FALSE(stored.Masked(0, 0));
    EXPECT_TRUE(shown.empty());
}

TEST_F(IconTest, CancelledOptionsAndHotSpotChangeNothing) {
    int a = AddImage(8, 8, [](int, int) { return 0xFF112233u; });
    SlotAt(a).hotspotX = 2;
    IconListItem item;
    item.slot = a;
    editor->dialogObserver = [&](HWND dlg, int id) {
        if (id == IDD_HOTSPOT) {
            EXPECT_EQ(ItemText(dlg, IDC_HOTSPOT_X), u"2");
            SetDlgItemTextW(dlg, IDC_HOTSPOT_X, L"6");
        } else {
            Click(dlg, IDC_OPTIONS_INVERTED);
            Click(dlg, IDC_OPTIONS_ONE_BIT);
        }
        PostMessageW(dlg, WM_COMMAND, IDCANCEL, 0);
    };
    EXPECT_FALSE(HotSpotDialog(*editor, editor->frame.mainWindow, a));
    EXPECT_EQ(SlotAt(a).hotspotX, 2);
    EXPECT_FALSE(PointerOptionsDialog(*editor, editor->frame.mainWindow, item));
    EXPECT_FALSE(item.inverted);
    EXPECT_FALSE(item.oneBit);
    // Typed values are kept inside the image on OK.
    editor->dialogObserver = [&](HWND dlg, int) {
        SetDlgItemTextW(dlg, IDC_HOTSPOT_X, L"6");
        SetDlgItemTextW(dlg, IDC_HOTSPOT_Y, L"99");
        PostMessageW(dlg, WM_COMMAND, IDOK, 0);
    };
    EXPECT_TRUE(HotSpotDialog(*editor, editor->frame.mainWindow, a));
    EXPECT_EQ(SlotAt(a).hotspotX, 6);
    EXPECT_EQ(SlotAt(a).hotspotY, 7);
}

TEST_F(IconTest, PointerNameRulesAndTheOverwriteQuestion) {
    AddImage(4, 4, [](int, int) { return 0xFF000000u; });
    const Text existing = PathOf(u"old.cur");
    ASSERT_TRUE(WriteBytes(existing, {1, 2, 3}));
    int reopened = 0, dialogs = 0;
    editor->dialogObserver = [&](HWND dlg, int) {
        ++dialogs;
        PostMessageW(dlg, WM_COMMAND, IDCANCEL, 0);
    };
    // No to the overwrite question: the save dialog comes back, nothing is written.
    std::vector<int> answers = {IDNO, IDOK, IDNO};
    editor->messages.SetResponder([&](const MessageRequest& r) {
        shown.push_back(r);
        int a = answers.empty() ? IDCANCEL : answers.front();
        if (!answers.empty()) answers.erase(answers.begin());
        return a;
    });
    editor->saveName = PathOf(u"old.ico");
    IconOrPointerQuestion(*editor, [&] { ++reopened; });
    EXPECT_EQ(reopened, 1);
    EXPECT_EQ(dialogs, 0);
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[2].text, u"指定されたファイルは存在します。\n上書きしますか");
    EXPECT_EQ(shown[2].type & 0xF, static_cast<UINT>(MB_YESNO));
    EXPECT_EQ(ReadBytes(existing), (std::vector<uint8_t>{1, 2, 3}));

    // A name without an extension gets ".cur"; a ".CUR" name stays as it is.
    shown.clear();
    answers = {IDNO};
    editor->saveName = PathOf(u"plain");
    IconOrPointerQuestion(*editor, [&] { ++reopened; });
    EXPECT_EQ(editor->saveName, PathOf(u"plain.cur"));
    EXPECT_EQ(shown.size(), 1u);
    EXPECT_EQ(dialogs, 1);
    answers = {IDNO};
    editor->saveName = PathOf(u"UPPER.CUR");
    IconOrPointerQuestion(*editor, [&] { ++reopened; });
    EXPECT_EQ(editor->saveName, PathOf(u"UPPER.CUR"));
    EXPECT_EQ(dialogs, 2);
    // Cancel: nothing at all.
    answers = {IDCANCEL};
    IconOrPointerQuestion(*editor, [&] { ++reopened; });
    EXPECT_EQ(dialogs, 2);
    EXPECT_EQ(reopened, 1);
}

TEST_F(IconTest, IndexedImageKeepsItsDepthAndMasksTransparentPaletteColours) {
    EXPECT_TRUE(testing::NewImage(*editor, 8, 4, 96, 96, false));
    ImageSlot& slot = *editor->Current();
    GpBitmapOwner indexed;
    ASSERT_TRUE(CreateGpBitmap(indexed, 8, 4, fmt::k8Index));
    std::vector<uint8_t> palBuf(sizeof(Gdiplus::ColorPalette) + 3 * sizeof(Gdiplus::ARGB));
    auto* pal = reinterpret_cast<Gdiplus::ColorPalette*>(palBuf.data());
    pal->Flags = Gdiplus::PaletteFlagsHasAlpha;
    pal->Count = 4;
    const uint32_t colours[4] = {0xFF000000, 0x00FF00FF, 0xFFFFFFFF, 0xFF0000FF};
    std::memcpy(pal->Entries, colours, sizeof colours);
    ASSERT_EQ(gp::GdipSetImagePalette(indexed.get(), pal), Gdiplus::Ok);
    {
        BitmapLock lock(editor->messages, indexed, kLockWrite, fmt::k8Index, BitmapRole::Destination);
        ASSERT_TRUE(lock.ok());
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 8; ++x) WriteStored(lock.view(), x, y, x == 0 ? 1u : (x < 4 ? 3u : 0u));
        lock.Unlock();
    }
    slot.bitmap = std::move(indexed);
    slot.pixelFormat = fmt::k8Index;
    IconListItem item;
    item.slot = editor->images.current;
    item.inverted = true;
    item.hasInversionColour = true;
    item.inversionColour = 0xFF0000FFu;  // blue turns into the palette's white, inverting
    IconWriteEntry entry;
    ASSERT_TRUE(MakeBitmapEntry(*editor, item, &entry));
    EXPECT_EQ(entry.bitCount, 8);
    StoredEntry stored(entry.data);
    ASSERT_EQ(stored.bits, 8);
    EXPECT_EQ(stored.ExpectedSize(), stored.data.size());
    for (int x = 0; x < 8; ++x) {
        EXPECT_EQ(stored.Masked(x, 2), x < 4) << x;
        const uint8_t index = stored.data.at(stored.colourStart + stored.stride * 1 + static_cast<size_t>(x));
        EXPECT_EQ(index, x == 0 ? 1 : (x < 4 ? 2 : 0)) << x;
    }
    EXPECT_EQ(FormatOf(slot.bitmap.get()), fmt::k8Index);
    EXPECT_EQ(PixelAt(slot.bitmap.get(), 2, 2), 0xFFFFFFFFu);
    EXPECT_TRUE(shown.empty());
}

TEST_F(IconTest, EntriesWithPasteObjectsAskToMergeThemFirst) {
    // new1 (not current) carries a red 4 × 4 picture object at (2, 2); new2 has none.
    struct Case {
        const char* name;
        bool pointer;
        int answer;
    };
    const Case cases[] = {
        {"icon, merged", false, IDYES},
        {"icon, left out", false, IDNO},
        {"pointer, merged", true, IDYES},
        {"icon, cancelled", false, IDCANCEL},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        while (editor->images.Occupied() > 0) testing::CloseCurrent(*editor);
        const int a = AddImage(16, 16, [](int, int) { return 0xFF0000FFu; });
        AddImage(8, 8, [](int, int) { return 0xFFFFFFFFu; });
        PasteObject o;
        ASSERT_TRUE(CreateGpBitmap(o.bitmap, 4, 4, fmt::k32ARGB));
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 4; ++x) gp::GdipBitmapSetPixel(o.bitmap.get(), x, y, 0xFFFF0000);
        o.x = o.y = 2;
        o.width = o.height = 4;
        o.skewX = 6;
        o.skewY = 2;
        o.outline.AddRectangle(0, 0, 4, 4);
        SlotAt(a).pasteObjects.items.push_back(std::move(o));
        testing::Refresh(*editor);
        editor->saveName = PathOf(c.pointer ? u"objects.cur" : u"objects.ico");
        DeleteFileW(W(editor->saveName));
        editor->dialogObserver = [&](HWND dlg, int) { PostMessageW(dlg, WM_COMMAND, IDOK, 0); };
        shown.clear();
        answer = c.answer;
        if (c.pointer)
            PointerDialog(*editor);
        else
            IconDialog(*editor);
        ASSERT_EQ(shown.size(), 1u);  // once, for the one image with objects
        EXPECT_EQ(shown[0].text, u"貼紙をマージしますか？");
        EXPECT_EQ(shown[0].type & 0xF, static_cast<UINT>(MB_YESNOCANCEL));
        EXPECT_EQ(editor->images.current, 1);
        EXPECT_EQ(SlotAt(a).pasteObjects.Count(), c.answer == IDYES ? 0 : 1);
        const std::vector<uint8_t> file = ReadBytes(editor->saveName);
        if (c.answer == IDCANCEL) {
            EXPECT_TRUE(file.empty());
            continue;
        }
        ASSERT_GE(file.size(), 38u);
        ASSERT_EQ(U16(file, 4), 2);
        const StoredEntry first = EntryOf(file, 0);
        ASSERT_EQ(first.width, 16);
        EXPECT_EQ(first.Pixel32(3, 3), c.answer == IDYES ? 0xFFFF0000u : 0xFF0000FFu);
        EXPECT_EQ(first.Pixel32(10, 10), 0xFF0000FFu);
        EXPECT_EQ(SlotAt(a).undo.HasUndoableStep(), c.answer == IDYES);
    }
}

TEST_F(IconTest, FailedWritesLeaveThePreviousFileAsItWas) {
    AddImage(16, 16, [](int, int) { return 0xFF808080u; });
    const std::vector<uint8_t> previous = {'o', 'l', 'd', 0, 1, 2, 3};
    // A read-only target.
    editor->saveName = PathOf(u"readonly.ico");
    ASSERT_TRUE(WriteBytes(editor->saveName, previous));
    ASSERT_TRUE(SetFileAttributesW(W(editor->saveName), FILE_ATTRIBUTE_READONLY));
    editor->dialogObserver = [&](HWND dlg, int) { PostMessageW(dlg, WM_COMMAND, IDOK, 0); };
    IconDialog(*editor);
    EXPECT_EQ(ReadBytes(editor->saveName), previous);
    SetFileAttributesW(W(editor->saveName), FILE_ATTRIBUTE_NORMAL);
    // A target another program holds open without letting it be replaced.
    editor->saveName = PathOf(u"held.ico");
    ASSERT_TRUE(WriteBytes(editor->saveName, previous));
    HANDLE held = CreateFileW(W(editor->saveName), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    IconDialog(*editor);
    CloseHandle(held);
    EXPECT_EQ(ReadBytes(editor->saveName), previous);
    // A folder that does not exist: nothing is made.
    editor->saveName = PathOf(u"no-such-folder\\x.ico");
    IconDialog(*editor);
    EXPECT_EQ(GetFileAttributesW(W(editor->saveName)), INVALID_FILE_ATTRIBUTES);
    // No half-written file of ours is left in the folder. (Wine's ReplaceFileW may leave an
    // empty "rf*.tmp" of its own when the file it should replace is held open.)
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW(W(PathOf(u"mrl*.tmp")), &found);
    EXPECT_EQ(search, INVALID_HANDLE_VALUE) << Narrow(FromW(found.cFileName));
    if (search != INVALID_HANDLE_VALUE) FindClose(search);
    EXPECT_NE(GetFileAttributesW(W(PathOf(u"readonly.ico"))), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(shown.empty());
    // After all that, a writable target is written.
    editor->saveName = PathOf(u"fine.ico");
    IconDialog(*editor);
    EXPECT_GT(ReadBytes(editor->saveName).size(), 38u);
}

TEST_F(IconTest, NothingIsWrittenWithoutEntryData) {
    const Text path = PathOf(u"empty.ico");
    EXPECT_FALSE(WriteIconFile({}, path, false));
    IconWriteEntry empty;
    empty.width = empty.height = 16;
    EXPECT_FALSE(WriteIconFile({empty}, path, false));
    EXPECT_EQ(GetFileAttributesW(W(path)), INVALID_FILE_ATTRIBUTES);
    // An empty list in the dialog writes nothing either.
    AddImage(4, 4, [](int, int) { return 0xFF000000u; });
    editor->saveName = path;
    editor->dialogObserver = [&](HWND dlg, int) {
        SelectLine(dlg, 0);
        Click(dlg, IDC_ICON_REMOVE);
        EXPECT_TRUE(ListLines(dlg).empty());
        PostMessageW(dlg, WM_COMMAND, IDOK, 0);
    };
    IconDialog(*editor);
    EXPECT_EQ(GetFileAttributesW(W(path)), INVALID_FILE_ATTRIBUTES);
    // Reset brings every image back.
    editor->dialogObserver = [&](HWND dlg, int) {
        SelectLine(dlg, 0);
        Click(dlg, IDC_ICON_REMOVE);
        Click(dlg, IDC_ICON_RESET);
        EXPECT_EQ(ListLines(dlg), (std::vector<Text>{u"new1"}));
        PostMessageW(dlg, WM_COMMAND, IDCANCEL, 0);
    };
    IconDialog(*editor);
    EXPECT_EQ(GetFileAttributesW(W(path)), INVALID_FILE_ATTRIBUTES);
}

// ---- Files of other programs ---------------------------------------------------------------
// Run by icon_peer_test.sh, which makes files with icotool (icoutils) and ImageMagick in a folder
// named by MIRELO_ICON_PEER_DIR, describes what they hold in expect-open.txt, and afterwards
// checks the files written here with the same programs.

class IconPeer : public IconTest {
protected:
    void SetUp() override {
        IconTest::SetUp();
        wchar_t buf[MAX_PATH] = {};
        if (!GetEnvironmentVariableW(L"MIRELO_ICON_PEER_DIR", buf, MAX_PATH))
            GTEST_SKIP() << "MIRELO_ICON_PEER_DIR is not set (icon_peer_test.sh sets it)";
        peerDir = FromW(buf);
    }
    Text Peer(const std::string& leaf) const { return peerDir + u"\\" + AsciiToText(leaf); }
    // A picture file decoded by GDI+ and copied into a new 32-A8R8G8B8 image named by its path.
    int LoadPicture(const Text& path) {
        GpBitmapOwner decoded;
        EXPECT_EQ(gp::GdipCreateBitmapFromFile(W(path), decoded.put()), Gdiplus::Ok) << Narrow(path);
        GpBitmapOwner argb;
        EXPECT_EQ(ConvertDirect(*editor, decoded, fmt::k32ARGB, false, argb), Gdiplus::Ok);
        return mirelo::testing::Add(*editor, std::move(argb), path);
    }
    Text peerDir;
};

std::vector<std::string> Words(const std::string& line) {
    std::vector<std::string> words;
    std::istringstream in(line);
    for (std::string w; in >> w;) words.push_back(w);
    return words;
}

// Every line of expect-open.txt: file, slot name, hot spot X and Y, reference picture, and the
// alpha up to which the file's maker masked a pixel (-1: compared as it is, alpha included).
TEST_F(IconPeer, OpensFilesMadeByThePeers) {
    std::vector<uint8_t> text = ReadBytes(Peer("expect-open.txt"));
    ASSERT_FALSE(text.empty());
    std::istringstream lines(std::string(text.begin(), text.end()));
    std::vector<std::vector<std::string>> expected;
    for (std::string line; std::getline(lines, line);)
        if (auto w = Words(line); w.size() == 6) expected.push_back(w);
    ASSERT_GE(expected.size(), 8u);
    size_t i = 0;
    while (i < expected.size()) {
        const std::string file = expected[i][0];
        size_t n = 0;
        while (i + n < expected.size() && expected[i + n][0] == file) ++n;
        const int base = Occupied();
        ASSERT_TRUE(testing::OpenIcon(*editor, Peer(file))) << file;
        ASSERT_EQ(Occupied() - base, static_cast<int>(n)) << file;
        for (size_t k = 0; k < n; ++k) {
            const auto& w = expected[i + k];
            ImageSlot& slot = SlotAt(base + static_cast<int>(k));
            SCOPED_TRACE(w[1]);
            EXPECT_EQ(Narrow(slot.path), w[1]);
            EXPECT_EQ(slot.hotspotX, std::atoi(w[2].c_str()));
            EXPECT_EQ(slot.hotspotY, std::atoi(w[3].c_str()));
            EXPECT_EQ(FormatOf(slot.bitmap.get()), fmt::k32ARGB);
            GpBitmapOwner reference;
            ASSERT_EQ(gp::GdipCreateBitmapFromFile(W(Peer(w[4])), reference.put()), Gdiplus::Ok);
            int rw = 0, rh = 0;
            ImageSize(reference.get(), &rw, &rh);
            ASSERT_EQ(slot.width, rw);
            ASSERT_EQ(slot.height, rh);
            const int threshold = std::atoi(w[5].c_str());
            int wrong = 0;
            for (int y = 0; y < rh; ++y)
                for (int x = 0; x < rw; ++x) {
                    uint32_t want = PixelAt(reference.get(), x, y);
                    if (threshold >= 0 && static_cast<int>(want >> 24) <= threshold) want = 0;
                    const uint32_t got = PixelAt(slot.bitmap.get(), x, y);
                    if (got != want && ++wrong <= 3)
                        ADD_FAILURE() << "pixel " << x << "," << y << ": " << std::hex << got << " instead of " << want;
                }
            EXPECT_EQ(wrong, 0);
        }
        i += n;
    }
    EXPECT_TRUE(shown.empty());
}

// Writes mine.ico (a16, a32 and the 256 x 256 big.png) and mine.cur (a16 with hot spot 3,5 and
// the black and white bw8 with hot spot 7,0 as a 1-bit entry) for the script to check.
TEST_F(IconPeer, WritesFilesForThePeers) {
    for (const char* name : {"a16.png", "a32.png", "bw8.png", "big.png"}) LoadPicture(Peer(name));
    editor->saveName = Peer("mine.ico");
    answer = IDYES;
    editor->dialogObserver = [&](HWND dlg, int id) {
        ASSERT_EQ(id, IDD_ICON);
        ASSERT_EQ(ListLines(dlg), (std::vector<Text>{u"a16.png", u"a32.png", u"bw8.png", u"big.png"}));
        SelectLine(dlg, 2);
        Click(dlg, IDC_ICON_REMOVE);
        PostMessageW(dlg, WM_COMMAND, IDOK, 0);
    };
    IconOrPointerQuestion(*editor, [] {});
    ASSERT_GT(ReadBytes(editor->saveName).size(), 38u);

    editor->saveName = Peer("mine.cur");
    answer = IDNO;
    const POINT hotspots[2] = {{3, 5}, {7, 0}};
    int line = 0;
    editor->dialogObserver = [&](HWND dlg, int id) {
        if (id == IDD_HOTSPOT) {
            SetDlgItemInt(dlg, IDC_HOTSPOT_X, static_cast<UINT>(hotspots[line].x), FALSE);
            SetDlgItemInt(dlg, IDC_HOTSPOT_Y, static_cast<UINT>(hotspots[line].y), FALSE);
            PostMessageW(dlg, WM_COMMAND, IDOK, 0);
            return;
        }
        if (id == IDD_POINTER_OPTIONS) {
            Click(dlg, IDC_OPTIONS_ONE_BIT);
            PostMessageW(dlg, WM_COMMAND, IDOK, 0);
            return;
        }
        ASSERT_EQ(id, IDD_POINTER);
        SelectLine(dlg, 3);
        Click(dlg, IDC_ICON_REMOVE);
        SelectLine(dlg, 1);
        Click(dlg, IDC_ICON_REMOVE);
        ASSERT_EQ(ListLines(dlg), (std::vector<Text>{u"a16.png", u"bw8.png"}));
        for (line = 0; line < 2; ++line) {
            SelectLine(dlg, line);
            Click(dlg, IDC_POINTER_HOTSPOT_SET);
        }
        SelectLine(dlg, 1);
        Click(dlg, IDC_POINTER_OPTIONS);
        EXPECT_EQ(ItemText(dlg, IDC_POINTER_ONE_BIT), u"1 bpp");
        PostMessageW(dlg, WM_COMMAND, IDOK, 0);
    };
    IconOrPointerQuestion(*editor, [] {});
    ASSERT_GT(ReadBytes(editor->saveName).size(), 38u);
    EXPECT_EQ(shown.size(), 2u);  // the two questions; nothing went wrong
}

}  // namespace
}  // namespace mirelo
