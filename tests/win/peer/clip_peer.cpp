// mirelo_clip_peer.exe: plays "another program" for the clipboard tests. Its DIBs are written
// here by hand, independently of the editor's own code.
//
//   put KIND [topdown]   puts a DIB of the shared picture on the clipboard (KIND 1, 4, 8, 555,
//                        565, 24 or 32; 565 as bit fields, 555 without)
//   put-bad WHAT [alone] puts a broken DIB (truncated, huge, bitcount, colours, header,
//                        compression, width, masks) and, unless "alone", a good 3 × 2 device bitmap
//   read PREFIX FORMATS  reads the formats named by letters (d CF_DIB, b CF_BITMAP, p CF_PALETTE)
//                        into PREFIX.dib (the block), PREFIX.bgra (width, height, then top-down
//                        32-bit rows) and PREFIX.pal (the entries as red, green, blue, flags)
//   count                exit code: the number of formats on the clipboard
//
// Exit code 0 on success; 2 clipboard not opened, 3 data not placed, 4 bad arguments,
// 10/11/12 CF_DIB/CF_BITMAP/CF_PALETTE missing, 13 a file not written.
#ifndef UNICODE
#define UNICODE
#endif
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "clip_pattern.h"

namespace {

HWND g_window = nullptr;

bool Open() {
    for (int i = 0; i < 50; ++i) {
        if (OpenClipboard(g_window)) return true;
        Sleep(20);
    }
    return false;
}

void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    if (b.size() < at + 4) b.resize(at + 4);
    std::memcpy(b.data() + at, &v, 4);
}
void Put16(std::vector<uint8_t>& b, size_t at, uint16_t v) { std::memcpy(b.data() + at, &v, 2); }

std::vector<uint8_t> InfoHeader(int32_t w, int32_t h, int bits, uint32_t compression) {
    std::vector<uint8_t> b(40, 0);
    Put32(b, 0, 40);
    Put32(b, 4, static_cast<uint32_t>(w));
    Put32(b, 8, static_cast<uint32_t>(h));
    Put16(b, 12, 1);
    Put16(b, 14, static_cast<uint16_t>(bits));
    Put32(b, 16, compression);
    return b;
}

// The shared picture as a DIB of the given kind.
std::vector<uint8_t> PatternDib(int kind, bool topDown) {
    using namespace cliptest;
    const int bits = BitCount(kind);
    std::vector<uint8_t> b = InfoHeader(kWidth, topDown ? -kHeight : kHeight, bits, kind == 565 ? BI_BITFIELDS : BI_RGB);
    if (kind == 565) {
        Put32(b, b.size(), 0xF800);
        Put32(b, b.size(), 0x07E0);
        Put32(b, b.size(), 0x001F);
    }
    if (bits <= 8)
        for (int i = 0; i < (1 << bits); ++i) Put32(b, b.size(), PaletteRgb(i));  // blue, green, red, 0
    const size_t stride = ((static_cast<size_t>(kWidth) * bits + 31) / 32) * 4;
    const size_t start = b.size();
    b.resize(start + stride * kHeight, 0);
    for (int y = 0; y < kHeight; ++y) {
        uint8_t* row = b.data() + start + stride * static_cast<size_t>(topDown ? y : kHeight - 1 - y);
        for (int x = 0; x < kWidth; ++x) {
            uint32_t v = Stored(kind, x, y);
            if (bits < 8) {
                int bit = x * bits;
                row[bit / 8] = static_cast<uint8_t>(row[bit / 8] | (v << (8 - bits - bit % 8)));
            } else {
                for (int k = 0; k < bits / 8; ++k) row[x * (bits / 8) + k] = static_cast<uint8_t>(v >> (8 * k));
            }
        }
    }
    Put32(b, 20, static_cast<uint32_t>(stride * kHeight));
    return b;
}

// A DIB broken in one way; every one starts as a good 8 × 8 32-bit DIB.
bool BrokenDib(const std::string& what, std::vector<uint8_t>* out) {
    std::vector<uint8_t> b = InfoHeader(8, 8, 32, BI_RGB);
    b.resize(40 + 8 * 8 * 4, 0x77);
    if (what == "truncated") {
        b.resize(40 + 8 * 8 * 4 - 64);  // the last two rows are missing
    } else if (what == "huge") {
        Put32(b, 4, 0x7FFFFFFF);
        Put32(b, 8, 0x7FFFFFFF);
    } else if (what == "bitcount") {
        Put16(b, 14, 7);
    } else if (what == "colours") {
        Put16(b, 14, 8);
        Put32(b, 32, 100000);
    } else if (what == "header") {
        Put32(b, 0, 20);
    } else if (what == "compression") {
        Put32(b, 16, 77);
    } else if (what == "width") {
        Put32(b, 4, 0);
    } else if (what == "masks") {
        Put16(b, 14, 16);
        Put32(b, 16, BI_BITFIELDS);
        b.resize(44);  // the masks are cut off
    } else {
        return false;
    }
    *out = b;
    return true;
}

bool PutGlobal(UINT format, const std::vector<uint8_t>& bytes) {
    HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    if (!mem) return false;
    std::memcpy(GlobalLock(mem), bytes.data(), bytes.size());
    GlobalUnlock(mem);
    if (SetClipboardData(format, mem)) return true;
    GlobalFree(mem);
    return false;
}

HBITMAP FallbackBitmap() {
    using namespace cliptest;
    HDC screen = GetDC(nullptr);
    HBITMAP bmp = CreateCompatibleBitmap(screen, kFallbackWidth, kFallbackHeight);
    HDC dc = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(dc, bmp);
    HBRUSH brush = CreateSolidBrush(RGB((kFallbackRgb >> 16) & 0xFF, (kFallbackRgb >> 8) & 0xFF, kFallbackRgb & 0xFF));
    RECT r{0, 0, kFallbackWidth, kFallbackHeight};
    FillRect(dc, &r, brush);
    DeleteObject(brush);
    SelectObject(dc, old);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return bmp;
}

bool WriteFileBytes(const std::wstring& path, const void* data, size_t size) {
    FILE* f = _wfopen(path.c_str(), L"wb");
    if (!f) return false;
    bool ok = std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && ok;
}

int Put(int kind, bool topDown) {
    if (kind != 1 && kind != 4 && kind != 8 && kind != 555 && kind != 565 && kind != 24 && kind != 32) return 4;
    if (!Open()) return 2;
    EmptyClipboard();
    bool ok = PutGlobal(CF_DIB, PatternDib(kind, topDown));
    CloseClipboard();
    return ok ? 0 : 3;
}

int PutBad(const std::string& what, bool alone) {
    std::vector<uint8_t> dib;
    if (!BrokenDib(what, &dib)) return 4;
    if (!Open()) return 2;
    EmptyClipboard();
    bool ok = PutGlobal(CF_DIB, dib);
    if (!alone) {
        HBITMAP bmp = FallbackBitmap();
        if (!SetClipboardData(CF_BITMAP, bmp)) {
            DeleteObject(bmp);
            ok = false;
        }
    }
    CloseClipboard();
    return ok ? 0 : 3;
}

int Read(const std::wstring& prefix, const std::wstring& formats) {
    if (!Open()) return 2;
    int result = 0;
    for (wchar_t f : formats) {
        if (result) break;
        if (f == L'd') {
            HGLOBAL h = IsClipboardFormatAvailable(CF_DIB) ? GetClipboardData(CF_DIB) : nullptr;
            const void* p = h ? GlobalLock(h) : nullptr;
            if (!p) {
                result = 10;
                break;
            }
            if (!WriteFileBytes(prefix + L".dib", p, GlobalSize(h))) result = 13;
            GlobalUnlock(h);
        } else if (f == L'b') {
            auto bmp = static_cast<HBITMAP>(IsClipboardFormatAvailable(CF_BITMAP) ? GetClipboardData(CF_BITMAP) : nullptr);
            BITMAP info{};
            if (!bmp || !GetObjectW(bmp, sizeof info, &info)) {
                result = 11;
                break;
            }
            std::vector<uint8_t> out(8 + 4 * static_cast<size_t>(info.bmWidth) * info.bmHeight);
            int32_t size[2] = {info.bmWidth, info.bmHeight};
            std::memcpy(out.data(), size, 8);
            BITMAPINFOHEADER h{sizeof h, info.bmWidth, -info.bmHeight, 1, 32, BI_RGB};
            HDC screen = GetDC(nullptr);
            int rows = GetDIBits(screen, bmp, 0, static_cast<UINT>(info.bmHeight), out.data() + 8,
                                 reinterpret_cast<BITMAPINFO*>(&h), DIB_RGB_COLORS);
            ReleaseDC(nullptr, screen);
            if (rows != info.bmHeight) {
                result = 11;
                break;
            }
            if (!WriteFileBytes(prefix + L".bgra", out.data(), out.size())) result = 13;
        } else if (f == L'p') {
            auto pal = static_cast<HPALETTE>(IsClipboardFormatAvailable(CF_PALETTE) ? GetClipboardData(CF_PALETTE) : nullptr);
            UINT n = pal ? GetPaletteEntries(pal, 0, 0, nullptr) : 0;
            if (!n) {
                result = 12;
                break;
            }
            std::vector<PALETTEENTRY> entries(n);
            GetPaletteEntries(pal, 0, n, entries.data());
            if (!WriteFileBytes(prefix + L".pal", entries.data(), entries.size() * sizeof(PALETTEENTRY))) result = 13;
        } else {
            result = 4;
        }
    }
    CloseClipboard();
    return result;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    g_window = CreateWindowW(L"STATIC", L"mirelo clipboard peer", 0, 0, 0, 0, 0, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    int code = 4;
    std::wstring command = argc > 1 ? argv[1] : L"";
    if (command == L"put" && argc >= 3) {
        code = Put(_wtoi(argv[2]), argc >= 4 && std::wstring(argv[3]) == L"topdown");
    } else if (command == L"put-bad" && argc >= 3) {
        std::wstring w(argv[2]);
        code = PutBad(std::string(w.begin(), w.end()), argc >= 4 && std::wstring(argv[3]) == L"alone");
    } else if (command == L"read" && argc >= 4) {
        code = Read(argv[2], argv[3]);
    } else if (command == L"count") {
        code = CountClipboardFormats();
    }
    if (g_window) DestroyWindow(g_window);
    return code;
}
