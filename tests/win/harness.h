// Shared helpers of the Windows-side tests: an editor with its main window, recorded messages.
#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "app/editor.h"
#include "ui/frame.h"
#include "app/refresh.h"
#include "files/icon_open.h"
#include "files/open_image.h"
#include "image/image_set.h"
#include "image/new_image.h"
#include "common/gdiplus.h"

namespace mirelo::testing {

// Removes every pending message of this thread, including a quit message.
inline void DrainMessages() {
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
        if (m.message == WM_QUIT) continue;
        TranslateMessage(&m);
        DispatchMessageW(&m);
    }
}

// What the message loop does at its choke points, for state a test changed by a direct call: the
// current image's fields are read from its bitmap, the availability and the status line are read
// again, and whatever else was noted is shown.
inline void Refresh(Editor& e) {
    if (ImageSlot* s = e.Current(); s && s->occupied()) ReadSlotFields(e, *s);
    e.ProgramChanged(change::kOutside);
    e.Changed(change::kFile);
    ApplyChanges(e);
}

// The image-table operations as a command runs them, followed by what the message loop shows.
template <class Result>
inline Result AfterRefresh(Editor& e, Result result) {
    Refresh(e);
    return result;
}
inline bool NewImage(Editor& e, int w, int h, int dpiX, int dpiY, bool transparent) {
    return AfterRefresh(e, CreateNewImage(e, w, h, dpiX, dpiY, transparent));
}
inline int Add(Editor& e, GpBitmapOwner bitmap, TextView name) { return AfterRefresh(e, AddImage(e, std::move(bitmap), name)); }
inline void Select(Editor& e, int index) {
    SelectImage(e, index);
    Refresh(e);
}
inline void CloseCurrent(Editor& e) {
    CloseCurrentImage(e);
    Refresh(e);
}
inline bool Open(Editor& e, const Text& path) { return AfterRefresh(e, OpenImageFile(e, path)); }
inline bool OpenIcon(Editor& e, const Text& path) { return AfterRefresh(e, OpenIconFile(e, path)); }

// An editor whose message boxes are answered by the test and recorded.
class EditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        editor = std::make_unique<Editor>(GetModuleHandleW(nullptr));
        editor->messages.SetResponder([this](const MessageRequest& r) {
            shown.push_back(r);
            return answer;
        });
    }
    void TearDown() override {
        if (editor->frame.mainWindow) DestroyWindow(editor->frame.mainWindow);
        DrainMessages();
        editor.reset();
    }
    // Creates the main window (hidden unless asked) with its menu, bars and view.
    HWND OpenWindow(int show = SW_HIDE) {
        HWND w = CreateMainWindow(*editor, show);
        EXPECT_NE(w, nullptr);
        DrainMessages();  // the first showing's own work, as the message loop runs it
        return w;
    }
    // A command as the menu sends it.
    void Send(int id) { SendMessageW(editor->frame.mainWindow, WM_COMMAND, static_cast<WPARAM>(id), 0); }
    bool Shown(TextView text) const {
        for (const auto& m : shown)
            if (m.text == text) return true;
        return false;
    }

    std::unique_ptr<Editor> editor;
    std::vector<MessageRequest> shown;
    int answer = IDYES;
};

// ARGB of one pixel.
inline uint32_t PixelAt(Gdiplus::GpBitmap* bmp, int x, int y) {
    Gdiplus::ARGB c = 0;
    gp::GdipBitmapGetPixel(bmp, x, y, &c);
    return c;
}

inline std::string Narrow(const Text& t) { return ToUtf8(t); }

// Every pixel as ARGB, row by row.
inline std::vector<uint32_t> AllPixels(Gdiplus::GpBitmap* bmp, int width, int height) {
    std::vector<uint32_t> v;
    v.reserve(static_cast<size_t>(width) * static_cast<size_t>(height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) v.push_back(PixelAt(bmp, x, y));
    return v;
}

}  // namespace mirelo::testing

#include <cstring>
#include <string>

#include <objbase.h>

#include "image/bitmap_access.h"

namespace mirelo::testing {

// A fresh folder under the system's temporary folder, unique to this test.
inline Text MakeTempDir(const wchar_t* leaf) {
    wchar_t base[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, base);
    // A folder no earlier run left behind (process ids repeat under Wine), so that no file of
    // another run is found there.
    static int serial = 0;
    std::wstring parent;
    do {
        parent = std::wstring(base) + L"mirelo-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++serial);
    } while (GetFileAttributesW(parent.c_str()) != INVALID_FILE_ATTRIBUTES);
    std::wstring dir = parent + L"\\" + leaf;
    // Create every level.
    for (size_t i = 3; i <= dir.size(); ++i)
        if (i == dir.size() || dir[i] == L'\\') CreateDirectoryW(dir.substr(0, i).c_str(), nullptr);
    return FromW(dir);
}

// Writes a width × height picture of one colour in the format the extension names.
inline bool WritePicture(const Text& path, int width, int height, uint32_t argb) {
    Messages quiet;
    quiet.SetResponder([](const MessageRequest&) { return IDOK; });
    GpBitmapOwner bmp;
    if (!CreateGpBitmap(bmp, width, height, fmt::k32ARGB)) return false;
    {
        GpGraphicsOwner g;
        gp::GdipGetImageGraphicsContext(bmp.get(), g.put());
        gp::GdipGraphicsClear(g.get(), argb);
    }
    size_t dot = path.rfind(u'.');
    CLSID clsid;
    if (FindEncoder(quiet, path.substr(dot + 1), &clsid) < 0) return false;
    return gp::GdipSaveImageToFile(bmp.get(), W(path), &clsid, nullptr) == Gdiplus::Ok;
}

// Sends a real HDROP with the given paths, as the shell does when files are dropped.
inline void DropFiles(HWND target, const std::vector<Text>& paths) {
    size_t chars = 1;
    for (const auto& p : paths) chars += p.size() + 1;
    HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + chars * sizeof(wchar_t));
    auto* df = static_cast<DROPFILES*>(GlobalLock(mem));
    df->pFiles = sizeof(DROPFILES);
    df->fWide = TRUE;
    auto* out = reinterpret_cast<char16_t*>(reinterpret_cast<char*>(df) + sizeof(DROPFILES));
    for (const auto& p : paths) {
        std::copy(p.begin(), p.end(), out);
        out += p.size() + 1;
    }
    GlobalUnlock(mem);
    SendMessageW(target, WM_DROPFILES, reinterpret_cast<WPARAM>(mem), 0);
}

// Full path of a program built beside the test program.
inline Text BesideTests(const wchar_t* name) {
    wchar_t buf[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, buf, MAX_PATH);
    std::wstring path(buf);
    return FromW(path.substr(0, path.rfind(L'\\') + 1) + name);
}

// Runs a program and keeps this thread's messages flowing until it ends; returns its exit code
// (or −1 when it could not start or did not end in time).
inline int RunAndPump(const Text& exe, const Text& arguments, DWORD timeoutMs = 60000) {
    std::wstring line = L"\"" + std::wstring(W(exe)) + L"\"";
    if (!arguments.empty()) line += L" " + std::wstring(W(arguments));
    STARTUPINFOW si{sizeof si};
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(W(exe), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return -1;
    DWORD start = GetTickCount();
    DWORD code = static_cast<DWORD>(-1);
    for (;;) {
        DWORD r = MsgWaitForMultipleObjects(1, &pi.hProcess, FALSE, 200, QS_ALLINPUT);
        if (r == WAIT_OBJECT_0) {
            GetExitCodeProcess(pi.hProcess, &code);
            break;
        }
        MSG m;
        while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&m);
            DispatchMessageW(&m);
        }
        if (GetTickCount() - start > timeoutMs) {
            TerminateProcess(pi.hProcess, 1);
            break;
        }
    }
    DrainMessages();
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return static_cast<int>(code);
}

// Saves what a window shows as a PNG file (for looking at it, and for picture comparisons).
inline bool CaptureWindow(HWND hwnd, const Text& path) {
    RECT r;
    GetWindowRect(hwnd, &r);
    int w = r.right - r.left, h = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateCompatibleBitmap(screen, w, h);
    HGDIOBJ old = SelectObject(mem, bmp);
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    BOOL ok = PrintWindow(hwnd, mem, 0);
    if (!ok) ok = BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    SelectObject(mem, old);
    GpBitmapOwner picture;
    gp::GdipCreateBitmapFromHBITMAP(bmp, nullptr, picture.put());
    Messages quiet;
    quiet.SetResponder([](const MessageRequest&) { return IDOK; });
    CLSID png;
    bool saved = ok && picture && FindEncoder(quiet, u"png", &png) >= 0 &&
                 gp::GdipSaveImageToFile(picture.get(), W(path), &png, nullptr) == Gdiplus::Ok;
    DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return saved;
}

// Share of pixels whose channels differ by more than `tolerance` between two pictures of one size
// (1.0 when the sizes differ). Exact comparisons use tolerance 0.
inline double DifferentPixels(Gdiplus::GpBitmap* a, Gdiplus::GpBitmap* b, int tolerance) {
    int wa = 0, ha = 0, wb = 0, hb = 0;
    ImageSize(a, &wa, &ha);
    ImageSize(b, &wb, &hb);
    if (wa != wb || ha != hb || wa == 0 || ha == 0) return 1.0;
    long differing = 0;
    for (int y = 0; y < ha; ++y)
        for (int x = 0; x < wa; ++x) {
            uint32_t p = PixelAt(a, x, y), q = PixelAt(b, x, y);
            for (int s = 0; s < 32; s += 8) {
                int d = static_cast<int>((p >> s) & 0xFF) - static_cast<int>((q >> s) & 0xFF);
                if (d > tolerance || -d > tolerance) {
                    ++differing;
                    break;
                }
            }
        }
    return static_cast<double>(differing) / (static_cast<double>(wa) * ha);
}

inline uint32_t Crc32(const uint8_t* p, size_t n) {
    uint32_t c = 0xFFFFFFFFu;
    for (size_t i = 0; i < n; ++i) {
        c ^= p[i];
        for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
    }
    return ~c;
}

inline void PutBe32(std::vector<uint8_t>& v, size_t at, uint32_t x) {
    for (int i = 0; i < 4; ++i) v[at + static_cast<size_t>(i)] = static_cast<uint8_t>(x >> (24 - 8 * i));
}

// A small PNG with a tEXt chunk inserted after its header chunk.
inline std::vector<uint8_t> PngWithText(Messages& m, const std::string& keyword, const std::string& text) {
    GpBitmapOwner bmp;
    CreateGpBitmap(bmp, 3, 3, fmt::k24RGB);
    CLSID png;
    FindEncoder(m, u"png", &png);
    IStream* stream = nullptr;
    CreateStreamOnHGlobal(nullptr, TRUE, &stream);
    gp::GdipSaveImageToStream(bmp.get(), stream, &png, nullptr);
    STATSTG st{};
    stream->Stat(&st, STATFLAG_NONAME);
    std::vector<uint8_t> file(static_cast<size_t>(st.cbSize.QuadPart));
    LARGE_INTEGER zero{};
    stream->Seek(zero, STREAM_SEEK_SET, nullptr);
    ULONG got = 0;
    stream->Read(file.data(), static_cast<ULONG>(file.size()), &got);
    stream->Release();
    std::string data = keyword + '\0' + text;
    std::vector<uint8_t> chunk(12 + data.size());
    PutBe32(chunk, 0, static_cast<uint32_t>(data.size()));
    std::memcpy(chunk.data() + 4, "tEXt", 4);
    std::memcpy(chunk.data() + 8, data.data(), data.size());
    PutBe32(chunk, 8 + data.size(), Crc32(chunk.data() + 4, 4 + data.size()));
    file.insert(file.begin() + 33, chunk.begin(), chunk.end());  // signature 8 + IHDR 25
    return file;
}

}  // namespace mirelo::testing
