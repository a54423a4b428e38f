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
//   put-png [dib]        puts the shared 32-bit picture as "PNG" (written here: RGBA, stored
//                        deflate blocks) and, with "dib", the 24-bit picture as CF_DIB beside it
//   put-png-bad WHAT [alone]  puts a broken "PNG" (crc, huge, data, truncated) and, unless
//                        "alone", the 24-bit picture as CF_DIB
//   put-v5               puts the shared 32-bit picture as CF_DIBV5 with an alpha mask
//   read ... n v         also: n the "PNG" block into PREFIX.png and, decoded by the system's
//                        imaging component, PREFIX.pngbgra (width, height, top-down straight
//                        B, G, R, A rows); v the CF_DIBV5 block into PREFIX.v5
//   count                exit code: the number of formats on the clipboard
//
// Exit code 0 on success; 2 clipboard not opened, 3 data not placed, 4 bad arguments,
// 10/11/12 CF_DIB/CF_BITMAP/CF_PALETTE missing, 13 a file not written, 14/15 "PNG"/CF_DIBV5
// missing, 16 the "PNG" block not decoded.
#ifndef UNICODE
#define UNICODE
#endif
#include <windows.h>
#include <wincodec.h>

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

UINT PngFormat() { return RegisterClipboardFormatW(L"PNG"); }

void AppendBig32(std::vector<uint8_t>& b, uint32_t v) {
    for (int i = 3; i >= 0; --i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

uint32_t Crc32(const uint8_t* p, size_t n) {
    uint32_t c = 0xFFFFFFFFu;
    for (size_t i = 0; i < n; ++i) {
        c ^= p[i];
        for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1)));
    }
    return ~c;
}

void AppendChunk(std::vector<uint8_t>& png, const char* type, const std::vector<uint8_t>& data) {
    AppendBig32(png, static_cast<uint32_t>(data.size()));
    std::vector<uint8_t> body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    png.insert(png.end(), body.begin(), body.end());
    AppendBig32(png, Crc32(body.data(), body.size()));
}

// A zlib stream of stored (uncompressed) deflate blocks.
std::vector<uint8_t> StoredZlib(const std::vector<uint8_t>& raw) {
    std::vector<uint8_t> z = {0x78, 0x01};
    size_t at = 0;
    do {
        const size_t n = raw.size() - at < 65535 ? raw.size() - at : 65535;
        z.push_back(at + n == raw.size() ? 1 : 0);
        z.push_back(static_cast<uint8_t>(n));
        z.push_back(static_cast<uint8_t>(n >> 8));
        z.push_back(static_cast<uint8_t>(~n));
        z.push_back(static_cast<uint8_t>(~n >> 8));
        z.insert(z.end(), raw.begin() + static_cast<ptrdiff_t>(at), raw.begin() + static_cast<ptrdiff_t>(at + n));
        at += n;
    } while (at < raw.size());
    uint32_t a = 1, b = 0;
    for (uint8_t v : raw) {
        a = (a + v) % 65521;
        b = (b + a) % 65521;
    }
    AppendBig32(z, (b << 16) | a);
    return z;
}

// The shared 32-bit picture as an RGBA PNG of 8 bits per channel.
std::vector<uint8_t> PatternPng(uint32_t width = cliptest::kWidth, uint32_t height = cliptest::kHeight) {
    using namespace cliptest;
    std::vector<uint8_t> png = {137, 80, 78, 71, 13, 10, 26, 10};
    std::vector<uint8_t> ihdr;
    AppendBig32(ihdr, width);
    AppendBig32(ihdr, height);
    ihdr.insert(ihdr.end(), {8, 6, 0, 0, 0});
    AppendChunk(png, "IHDR", ihdr);
    std::vector<uint8_t> raw;
    for (int y = 0; y < kHeight; ++y) {
        raw.push_back(0);  // no filter
        for (int x = 0; x < kWidth; ++x) {
            const uint32_t v = Stored(32, x, y);
            raw.insert(raw.end(), {static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v),
                                   static_cast<uint8_t>(v >> 24)});
        }
    }
    AppendChunk(png, "IDAT", StoredZlib(raw));
    AppendChunk(png, "IEND", {});
    return png;
}

bool BrokenPng(const std::string& what, std::vector<uint8_t>* out) {
    std::vector<uint8_t> png = PatternPng();
    if (what == "crc") {
        png[29] ^= 0x55;  // the header chunk's CRC
    } else if (what == "huge") {
        png = PatternPng(100000, 100000);  // a sound header over far too little data
    } else if (what == "data") {
        std::vector<uint8_t> again(png.begin(), png.begin() + 33);
        std::vector<uint8_t> garbage(200);
        for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<uint8_t>(i * 151 + 17);
        AppendChunk(again, "IDAT", garbage);
        AppendChunk(again, "IEND", {});
        png = again;
    } else if (what == "truncated") {
        png.resize(33 + 40);  // the header, then the data chunk cut short
    } else {
        return false;
    }
    *out = png;
    return true;
}

// The shared 32-bit picture as a DIB with a 124-byte header declaring alpha.
std::vector<uint8_t> PatternDibV5() {
    using namespace cliptest;
    std::vector<uint8_t> b(124, 0);
    Put32(b, 0, 124);
    Put32(b, 4, kWidth);
    Put32(b, 8, kHeight);
    Put16(b, 12, 1);
    Put16(b, 14, 32);
    Put32(b, 16, BI_BITFIELDS);
    Put32(b, 40, 0x00FF0000);
    Put32(b, 44, 0x0000FF00);
    Put32(b, 48, 0x000000FF);
    Put32(b, 52, 0xFF000000);
    Put32(b, 56, 0x73524742);  // sRGB
    for (int y = kHeight - 1; y >= 0; --y)
        for (int x = 0; x < kWidth; ++x) Put32(b, b.size(), Stored(32, x, y));
    return b;
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

int PutPng(bool withDib, const std::string& broken, bool alone) {
    std::vector<uint8_t> png = PatternPng();
    if (!broken.empty() && !BrokenPng(broken, &png)) return 4;
    if (!Open()) return 2;
    EmptyClipboard();
    bool ok = true;
    if (withDib || (!broken.empty() && !alone)) ok = PutGlobal(CF_DIB, PatternDib(24, false));
    ok = PutGlobal(PngFormat(), png) && ok;
    CloseClipboard();
    return ok ? 0 : 3;
}

int PutV5() {
    if (!Open()) return 2;
    EmptyClipboard();
    bool ok = PutGlobal(CF_DIBV5, PatternDibV5());
    CloseClipboard();
    return ok ? 0 : 3;
}

// Decodes PNG bytes with the system's imaging component into straight 32-bit BGRA.
bool DecodePng(const uint8_t* data, size_t size, std::vector<uint8_t>* out) {
    static const GUID kFactory = {0xcacaf262, 0x9370, 0x4615, {0xa1, 0x3b, 0x9f, 0x55, 0x39, 0xda, 0x4c, 0x0a}};
    static const GUID kFactoryInterface = {0xec5ec8a9, 0xc395, 0x4314, {0x9c, 0x77, 0x54, 0xd7, 0xa9, 0x35, 0xff, 0x70}};
    static const GUID kBgra = {0x6fddc324, 0x4e03, 0x4bfe, {0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9, 0x0f}};
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IWICImagingFactory* factory = nullptr;
    IWICStream* stream = nullptr;
    IWICBitmapDecoder* decoder = nullptr;
    IWICBitmapFrameDecode* frame = nullptr;
    IWICFormatConverter* converter = nullptr;
    UINT w = 0, h = 0;
    bool ok = SUCCEEDED(CoCreateInstance(kFactory, nullptr, CLSCTX_INPROC_SERVER, kFactoryInterface, reinterpret_cast<void**>(&factory))) &&
              SUCCEEDED(factory->CreateStream(&stream)) &&
              SUCCEEDED(stream->InitializeFromMemory(const_cast<BYTE*>(data), static_cast<DWORD>(size))) &&
              SUCCEEDED(factory->CreateDecoderFromStream(stream, nullptr, WICDecodeMetadataCacheOnDemand, &decoder)) &&
              SUCCEEDED(decoder->GetFrame(0, &frame)) && SUCCEEDED(factory->CreateFormatConverter(&converter)) &&
              SUCCEEDED(converter->Initialize(frame, kBgra, WICBitmapDitherTypeNone, nullptr, 0.0, WICBitmapPaletteTypeCustom)) &&
              SUCCEEDED(converter->GetSize(&w, &h)) && w > 0 && h > 0 && w <= 4096 && h <= 4096;
    if (ok) {
        out->assign(8 + size_t{4} * w * h, 0);
        const int32_t dims[2] = {static_cast<int32_t>(w), static_cast<int32_t>(h)};
        std::memcpy(out->data(), dims, 8);
        ok = SUCCEEDED(converter->CopyPixels(nullptr, 4 * w, static_cast<UINT>(out->size() - 8), out->data() + 8));
    }
    if (converter) converter->Release();
    if (frame) frame->Release();
    if (decoder) decoder->Release();
    if (stream) stream->Release();
    if (factory) factory->Release();
    return ok;
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
        } else if (f == L'n' || f == L'v') {
            const UINT format = f == L'n' ? PngFormat() : CF_DIBV5;
            HGLOBAL h = IsClipboardFormatAvailable(format) ? GetClipboardData(format) : nullptr;
            const auto* p = h ? static_cast<const uint8_t*>(GlobalLock(h)) : nullptr;
            if (!p) {
                result = f == L'n' ? 14 : 15;
                break;
            }
            const size_t size = GlobalSize(h);
            if (!WriteFileBytes(prefix + (f == L'n' ? L".png" : L".v5"), p, size)) result = 13;
            std::vector<uint8_t> decoded;
            if (!result && f == L'n') {
                if (!DecodePng(p, size, &decoded))
                    result = 16;
                else if (!WriteFileBytes(prefix + L".pngbgra", decoded.data(), decoded.size()))
                    result = 13;
            }
            GlobalUnlock(h);
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
    } else if (command == L"put-png") {
        code = PutPng(argc >= 3 && std::wstring(argv[2]) == L"dib", "", false);
    } else if (command == L"put-png-bad" && argc >= 3) {
        std::wstring w(argv[2]);
        code = PutPng(false, std::string(w.begin(), w.end()), argc >= 4 && std::wstring(argv[3]) == L"alone");
    } else if (command == L"put-v5") {
        code = PutV5();
    } else if (command == L"read" && argc >= 4) {
        code = Read(argv[2], argv[3]);
    } else if (command == L"count") {
        code = CountClipboardFormats();
    }
    if (g_window) DestroyWindow(g_window);
    return code;
}
