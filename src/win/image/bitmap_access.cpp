#include "image/bitmap_access.h"

#include <algorithm>

#include <cstddef>
#include <vector>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "common/pixel_memory.h"
#include "image/thumbnail.h"

namespace mirelo {

namespace {
// Published container-format identifiers differ only in their first field.
constexpr GUID kFormatTail = {0, 0x0728, 0x11d3, {0x9d, 0x7b, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};

struct RawFormatId {
    unsigned long data1;
    RawFormat format;
};
// The comparison order of the container formats.
const RawFormatId kRawFormats[] = {
    {0xb96b3cab, RawFormat::Bmp},  {0xb96b3cac, RawFormat::Emf},  {0xb96b3cb2, RawFormat::Exif},
    {0xb96b3cb0, RawFormat::Gif},  {0xb96b3cb5, RawFormat::Icon}, {0xb96b3cae, RawFormat::Jpeg},
    {0xb96b3caf, RawFormat::Png},  {0xb96b3cb1, RawFormat::Tiff}, {0xb96b3cad, RawFormat::Wmf},
    {0xb96b3caa, RawFormat::MemoryBmp},
};

bool SameTail(const GUID& g) {
    return g.Data2 == kFormatTail.Data2 && g.Data3 == kFormatTail.Data3 &&
           std::memcmp(g.Data4, kFormatTail.Data4, sizeof g.Data4) == 0;
}

std::vector<uint8_t> ReadPalette(Gdiplus::GpImage* image) {
    INT size = 0;
    if (gp::GdipGetImagePaletteSize(image, &size) != Gdiplus::Ok || size < static_cast<INT>(sizeof(Gdiplus::ColorPalette)))
        return {};
    std::vector<uint8_t> buf(static_cast<size_t>(size));
    if (gp::GdipGetImagePalette(image, reinterpret_cast<Gdiplus::ColorPalette*>(buf.data()), size) != Gdiplus::Ok)
        return {};
    return buf;
}
}  // namespace

Text LockFailedText(BitmapRole role) {
    switch (role) {
    case BitmapRole::Image:
    case BitmapRole::ImagePalette: return u"Bmpをロックできません";
    case BitmapRole::Source: return u"Bmp_Rをロックできません";
    case BitmapRole::Destination: return u"Bmp_Wをロックできません";
    case BitmapRole::DestinationBoth: return u"Bmp_Wをロック又はロック解除できません";
    case BitmapRole::Copy: return u"Bmp_Copyをロックできません";
    case BitmapRole::Clipboard: return u"Bmp Lock or Unlock Error";
    case BitmapRole::Clipboard2: return u"Bmp2 Lock or Unlock Error";
    }
    return u"";
}

Text UnlockFailedText(BitmapRole role) {
    switch (role) {
    case BitmapRole::Image: return u"Bmpをロック解除できません";
    case BitmapRole::ImagePalette: return u"Bmpをアンロックできません";
    case BitmapRole::Source: return u"Bmp_Rをロック解除できません";
    case BitmapRole::Destination: return u"Bmp_Wをロック解除できません";
    case BitmapRole::DestinationBoth: return u"Bmp_Wをロック又はロック解除できません";
    case BitmapRole::Copy: return u"Bmp_Copyをロック解除できません";
    case BitmapRole::Clipboard: return u"Bmp Lock or Unlock Error";
    case BitmapRole::Clipboard2: return u"Bmp2 Lock or Unlock Error";
    }
    return u"";
}

static void ReportLock(Messages& m, BitmapRole role, const Text& text) {
    if (role == BitmapRole::Clipboard || role == BitmapRole::Clipboard2)
        m.Show(GetFocus(), text, kClipboardTitle, MB_OK);
    else
        m.LowLevel(text);
}

BitmapLock::BitmapLock(Messages& messages, GpBitmapOwner& bitmap, UINT mode, PixelFormat format, BitmapRole role)
    : messages_(messages), bitmap_(bitmap), role_(role) {
    int w = 0, h = 0;
    if (!bitmap.get() || !ImageSize(bitmap.get(), &w, &h)) {
        status_ = Gdiplus::InvalidParameter;
    } else {
        Gdiplus::GpRect rect(0, 0, w, h);
        status_ = bitmap.Check(gp::GdipBitmapLockBits(bitmap.get(), &rect, mode, static_cast<Gdiplus::PixelFormat>(format), &data_));
    }
    locked_ = status_ == Gdiplus::Ok;
    if (!locked_) ReportLock(messages_, role_, LockFailedText(role_));
}

BitmapLock::~BitmapLock() { Unlock(); }

PixelView BitmapLock::view() const {
    PixelView v;
    if (!locked_) return v;
    v.width = static_cast<int>(data_.Width);
    v.height = static_cast<int>(data_.Height);
    v.stride = data_.Stride;
    v.format = data_.PixelFormat;
    v.scan0 = static_cast<uint8_t*>(data_.Scan0);
    return v;
}

GpStatus BitmapLock::Unlock() {
    if (!locked_) return status_;
    locked_ = false;
    status_ = bitmap_.Check(gp::GdipBitmapUnlockBits(bitmap_.get(), &data_));
    if (status_ != Gdiplus::Ok) ReportLock(messages_, role_, UnlockFailedText(role_));
    return status_;
}

bool CreateGpBitmap(GpBitmapOwner& out, int width, int height, PixelFormat format) {
    if (Gdiplus::GpBitmap* pooled = pixel_memory::Create(width, height, static_cast<Gdiplus::PixelFormat>(format))) {
        out.reset(pooled);
        return true;
    }
    Gdiplus::GpBitmap* bmp = nullptr;
    GpStatus s = gp::GdipCreateBitmapFromScan0(width, height, 0, static_cast<Gdiplus::PixelFormat>(format), nullptr, &bmp);
    out.Check(s);
    if (s != Gdiplus::Ok) {
        if (bmp) gp::GdipDisposeImage(bmp);
        return false;
    }
    out.reset(bmp);
    return true;
}

PixelFormat FormatOf(Gdiplus::GpImage* image) {
    Gdiplus::PixelFormat f = 0;
    if (!image || gp::GdipGetImagePixelFormat(image, &f) != Gdiplus::Ok) return 0;
    return f;
}

bool ImageSize(Gdiplus::GpImage* image, int* width, int* height) {
    UINT w = 0, h = 0;
    if (!image || gp::GdipGetImageWidth(image, &w) != Gdiplus::Ok || gp::GdipGetImageHeight(image, &h) != Gdiplus::Ok)
        return false;
    *width = static_cast<int>(w);
    *height = static_cast<int>(h);
    return true;
}

bool ReadRawFormat(Gdiplus::GpImage* image, RawFormat* out) {
    GUID g{};
    if (!image || gp::GdipGetImageRawFormat(image, &g) != Gdiplus::Ok) return false;
    *out = RawFormat::Undefined;
    if (SameTail(g))
        for (const auto& f : kRawFormats)
            if (g.Data1 == f.data1) {
                *out = f.format;
                break;
            }
    return true;
}

Text RawFormatName(Messages& messages, Gdiplus::GpImage* image) {
    RawFormat f;
    if (!ReadRawFormat(image, &f)) {
        messages.LowLevel(u"ファイル形式を取得できません");
        return u"-";
    }
    return Text(RawFormatText(f));
}

int FileTypeCode(Messages& messages, Gdiplus::GpImage* image) {
    RawFormat f;
    if (!ReadRawFormat(image, &f)) {
        messages.App(u"ファイル形式を取得できません");
        return -1;
    }
    return FileTypeCodeOf(f);
}

int FindEncoder(Messages& messages, TextView extension, CLSID* clsid) {
    EncoderChoice choice = EncoderMimeForExtension(extension);
    if (choice.warnUnknownExtension) messages.LowLevel(u"ビットマップ形式で保存します", MB_OK | MB_ICONWARNING);
    UINT count = 0, size = 0;
    if (gp::GdipGetImageEncodersSize(&count, &size) != Gdiplus::Ok || count == 0 || size == 0) return -1;
    std::vector<uint8_t> buf(size);
    auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buf.data());
    if (gp::GdipGetImageEncoders(count, size, codecs) != Gdiplus::Ok) return -1;
    for (UINT i = 0; i < count; ++i) {
        if (codecs[i].MimeType && FromW(codecs[i].MimeType) == choice.mime) {
            *clsid = codecs[i].Clsid;
            return static_cast<int>(i);
        }
    }
    return -1;
}

bool EncodePngBytes(Messages& messages, Gdiplus::GpImage* image, std::vector<uint8_t>* out) {
    CLSID png{};
    if (!image || !out || FindEncoder(messages, u"png", &png) < 0) return false;
    IStream* stream = nullptr;
    if (CreateStreamOnHGlobal(nullptr, TRUE, &stream) != S_OK || !stream) return false;
    bool ok = gp::GdipSaveImageToStream(image, stream, &png, nullptr) == Gdiplus::Ok;
    STATSTG stat{};
    HGLOBAL mem = nullptr;
    ok = ok && stream->Stat(&stat, STATFLAG_NONAME) == S_OK && stat.cbSize.QuadPart > 0 &&
         stat.cbSize.QuadPart < (1LL << 31) && GetHGlobalFromStream(stream, &mem) == S_OK && mem;
    if (ok) {
        const size_t size = static_cast<size_t>(stat.cbSize.QuadPart);
        const void* p = GlobalLock(mem);
        ok = p && GlobalSize(mem) >= size;
        if (ok) out->assign(static_cast<const uint8_t*>(p), static_cast<const uint8_t*>(p) + size);
        if (p) GlobalUnlock(mem);
    }
    stream->Release();
    return ok;
}

bool DecodeImageBytes(const uint8_t* bytes, size_t size, bool colourManagement, GpBitmapOwner& out) {
    if (!bytes || size == 0) return false;
    HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, size);
    if (!mem) return false;
    void* p = GlobalLock(mem);
    if (!p) {
        GlobalFree(mem);
        return false;
    }
    std::memcpy(p, bytes, size);
    GlobalUnlock(mem);
    IStream* stream = nullptr;
    if (CreateStreamOnHGlobal(mem, TRUE, &stream) != S_OK || !stream) {
        GlobalFree(mem);
        return false;
    }
    GpBitmapOwner decoded;
    const GpStatus s = colourManagement ? gp::GdipCreateBitmapFromStreamICM(stream, decoded.put())
                                        : gp::GdipCreateBitmapFromStream(stream, decoded.put());
    stream->Release();  // the bitmap keeps its own reference while it lives
    if (s != Gdiplus::Ok || !decoded) return false;
    out = std::move(decoded);
    return true;
}

bool CopyBitmapArea(Messages& messages, GpBitmapOwner& source, int left, int top, int width, int height, GpBitmapOwner& out) {
    const PixelFormat format = FormatOf(source.get());
    GpBitmapOwner copy;
    if (!CreateGpBitmap(copy, width, height, format)) return false;
    if (IsIndexed(format)) CopyPalette(copy.get(), source.get());
    if (!CopyAreaInto(messages, source, left, top, copy)) return false;
    out = std::move(copy);
    return true;
}

bool CopyAreaInto(Messages& messages, GpBitmapOwner& source, int left, int top, GpBitmapOwner& destination) {
    const PixelFormat format = FormatOf(source.get());
    BitmapLock from(messages, source, kLockRead, format, BitmapRole::Source);
    if (!from.ok()) return false;
    BitmapLock to(messages, destination, kLockWrite, format, BitmapRole::Destination);
    if (!to.ok()) return false;
    CopyArea(from.view(), left, top, to.view());
    return to.Unlock() == Gdiplus::Ok && from.Unlock() == Gdiplus::Ok;
}

GpStatus CopyPalette(Gdiplus::GpBitmap* destination, Gdiplus::GpBitmap* source) {
    if (!destination || !source || !IsIndexed(FormatOf(source))) return Gdiplus::Ok;
    INT size = 0;
    GpStatus s = gp::GdipGetImagePaletteSize(source, &size);
    if (s != Gdiplus::Ok) return s;
    if (size < static_cast<INT>(sizeof(Gdiplus::ColorPalette))) return Gdiplus::InvalidParameter;
    std::vector<uint8_t> buf(static_cast<size_t>(size));
    auto* pal = reinterpret_cast<Gdiplus::ColorPalette*>(buf.data());
    s = gp::GdipGetImagePalette(source, pal, size);
    if (s != Gdiplus::Ok) return s;
    return gp::GdipSetImagePalette(destination, pal);
}

bool PaletteHasAlphaFlag(Gdiplus::GpBitmap* bitmap) {
    if (!bitmap || !IsIndexed(FormatOf(bitmap))) return false;
    std::vector<uint8_t> buf = ReadPalette(bitmap);
    if (buf.empty()) return false;
    return reinterpret_cast<Gdiplus::ColorPalette*>(buf.data())->Flags == Gdiplus::PaletteFlagsHasAlpha;
}

bool PaletteHasTransparentEntry(Gdiplus::GpBitmap* bitmap) {
    std::vector<uint32_t> entries;
    if (!bitmap || !IsIndexed(FormatOf(bitmap)) || !ReadPaletteEntries(bitmap, &entries)) return false;
    return std::any_of(entries.begin(), entries.end(), [](uint32_t argb) { return (argb >> 24) == 0; });
}

bool UpdatePaletteAlphaFlag(Gdiplus::GpBitmap* bitmap) {
    if (!bitmap) return false;
    if (!IsIndexed(FormatOf(bitmap))) return true;
    std::vector<uint8_t> buf = ReadPalette(bitmap);
    if (buf.empty()) return false;
    auto* pal = reinterpret_cast<Gdiplus::ColorPalette*>(buf.data());
    size_t room = (buf.size() - offsetof(Gdiplus::ColorPalette, Entries)) / sizeof(Gdiplus::ARGB);
    UINT n = pal->Count < room ? pal->Count : static_cast<UINT>(room);
    bool transparent = false;
    for (UINT i = 0; i < n; ++i)
        if (pal->Entries[i] < 0x1000000u) transparent = true;
    pal->Flags = transparent ? (pal->Flags | Gdiplus::PaletteFlagsHasAlpha) : 0;
    return gp::GdipSetImagePalette(bitmap, pal) == Gdiplus::Ok;
}

namespace {
// The picture reduced to the thumbnail's size by the core, as a 32-bit ARGB bitmap over `argb`.
bool ReducedPicture(Gdiplus::GpImage* image, int w, int h, const ThumbPlacement& t, std::vector<uint32_t>* argb, GpBitmapOwner& out) {
    auto* bitmap = static_cast<Gdiplus::GpBitmap*>(image);
    const PixelFormat own = FormatOf(bitmap), readAs = BitsPerPixel(own) > 32 ? fmt::k32ARGB : own;
    std::vector<uint32_t> palette;
    if (IsIndexed(own) && !ReadPaletteEntries(bitmap, &palette)) return false;
    const Gdiplus::GpRect all{0, 0, w, h};
    Gdiplus::BitmapData data{};
    if (gp::GdipBitmapLockBits(bitmap, &all, Gdiplus::ImageLockModeRead, static_cast<Gdiplus::PixelFormat>(readAs), &data) != Gdiplus::Ok)
        return false;
    const PixelView view{w, h, data.Stride, readAs, static_cast<uint8_t*>(data.Scan0), palette.data(), static_cast<int>(palette.size())};
    const bool reduced = ReduceForThumbnail(view, t.width, t.height, argb);
    gp::GdipBitmapUnlockBits(bitmap, &data);
    if (!reduced) return false;
    Gdiplus::GpBitmap* made = nullptr;
    if (gp::GdipCreateBitmapFromScan0(t.width, t.height, t.width * 4, PixelFormat32bppARGB, reinterpret_cast<BYTE*>(argb->data()), &made) != Gdiplus::Ok)
        return false;
    out.reset(made);
    return true;
}
}  // namespace

HBITMAP MakeThumbnail(Messages& messages, Gdiplus::GpImage* image) {
    int w = 0, h = 0;
    ImageSize(image, &w, &h);
    ThumbPlacement t = PlaceThumbnail(w, h);
    std::vector<uint32_t> argb;  // the pixels of `thumb`, kept while it is drawn
    GpBitmapOwner thumb;
    if (!image || w < 1 || h < 1 || !ReducedPicture(image, w, h, t, &argb, thumb)) {
        messages.LowLevel(u"thumbを作成できません");
        return nullptr;
    }
    GpBitmapOwner cell;
    HBITMAP handle = nullptr;
    if (CreateGpBitmap(cell, kThumbSize, kThumbSize, fmt::k24RGB)) {
        GpGraphicsOwner g;
        cell.Check(gp::GdipGetImageGraphicsContext(cell.get(), g.put()));
        if (g) {
            COLORREF face = GetSysColor(COLOR_BTNFACE);
            g.Check(gp::GdipGraphicsClear(g.get(), ArgbFromWin32(face)));
            g.Check(gp::GdipDrawImageRectI(g.get(), thumb.get(), t.x, t.y, t.width, t.height));
            cell.Check(g.lastStatus());
        }
        g.reset();
        if (cell.lastStatus() == Gdiplus::Ok)
            cell.Check(gp::GdipCreateHBITMAPFromBitmap(cell.get(), &handle, 0));
    }
    if (cell.lastStatus() != Gdiplus::Ok || !handle) {
        if (handle) DeleteObject(handle);
        messages.LowLevel(u"hBmpを取得できません");
        return nullptr;
    }
    return handle;
}

void AddThumbnail(Messages& messages, HIMAGELIST list, HBITMAP thumbnail) {
    HBITMAP cell = thumbnail ? thumbnail : ::CreateBitmap(kThumbSize, kThumbSize, 1, 1, nullptr);
    if (ImageList_Add(list, cell, nullptr) < 0) messages.LowLevel(u"イメージリストを作成できません");
    if (cell) DeleteObject(cell);
}

void ReplaceThumbnail(Messages& messages, HIMAGELIST list, int index, HBITMAP thumbnail, HWND bar) {
    if (!thumbnail || !ImageList_Replace(list, index, thumbnail, nullptr))
        messages.LowLevel(u"イメージリストを変更できません");
    if (thumbnail) DeleteObject(thumbnail);
    if (bar) InvalidateRect(bar, nullptr, TRUE);
}

bool ReadPaletteEntries(Gdiplus::GpBitmap* bitmap, std::vector<uint32_t>* out, uint32_t* flags) {
    INT size = 0;
    if (!bitmap || gp::GdipGetImagePaletteSize(bitmap, &size) != Gdiplus::Ok ||
        size < static_cast<INT>(sizeof(Gdiplus::ColorPalette)))
        return false;
    std::vector<uint8_t> buf(static_cast<size_t>(size));
    auto* pal = reinterpret_cast<Gdiplus::ColorPalette*>(buf.data());
    if (gp::GdipGetImagePalette(bitmap, pal, size) != Gdiplus::Ok) return false;
    size_t room = (buf.size() - offsetof(Gdiplus::ColorPalette, Entries)) / sizeof(Gdiplus::ARGB);
    size_t n = pal->Count < room ? pal->Count : room;
    out->assign(pal->Entries, pal->Entries + n);
    if (flags) *flags = pal->Flags;
    return true;
}


bool WritePaletteEntries(Gdiplus::GpBitmap* bitmap, const std::vector<uint32_t>& entries, uint32_t flags) {
    if (!bitmap) return false;
    std::vector<uint8_t> buf(offsetof(Gdiplus::ColorPalette, Entries) + std::max<size_t>(entries.size(), 1) * sizeof(Gdiplus::ARGB));
    auto* pal = reinterpret_cast<Gdiplus::ColorPalette*>(buf.data());
    pal->Flags = flags;
    pal->Count = static_cast<UINT>(entries.size());
    std::copy(entries.begin(), entries.end(), pal->Entries);
    return gp::GdipSetImagePalette(bitmap, pal) == Gdiplus::Ok;
}

}  // namespace mirelo
