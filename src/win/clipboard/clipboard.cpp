#include "clipboard/clipboard.h"

#include <cstring>

#include "clipboard/png_block.h"
#include "image/bitmap_access.h"

namespace mirelo {

namespace {
static_assert(sizeof(Gdiplus::GpPointF) == 2 * sizeof(float), "points are pairs of floats");

// Another program may hold the clipboard for a moment; a few short tries ride that out.
bool OpenClipboardFor(HWND owner) {
    for (int attempt = 0; attempt < 20; ++attempt) {
        if (OpenClipboard(owner)) return true;
        Sleep(10);
    }
    return false;
}

void Warn(Messages& messages, HWND owner, TextView text) {
    messages.Show(owner, text, kClipboardTitle, MB_OK | MB_ICONWARNING);
}

// Puts a copy of the bytes on the open clipboard as movable global memory.
bool PutBytes(UINT format, const std::vector<uint8_t>& bytes) {
    HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, bytes.empty() ? 1 : bytes.size());
    if (!mem) return false;
    void* p = GlobalLock(mem);
    if (!p) {
        GlobalFree(mem);
        return false;
    }
    if (!bytes.empty()) std::memcpy(p, bytes.data(), bytes.size());
    GlobalUnlock(mem);
    if (!SetClipboardData(format, mem)) {
        GlobalFree(mem);
        return false;
    }
    return true;
}

// A memory block of the open clipboard, locked while the object lives.
class LockedBlock {
public:
    explicit LockedBlock(UINT format) {
        handle_ = IsClipboardFormatAvailable(format) ? GetClipboardData(format) : nullptr;
        if (handle_) data_ = static_cast<const uint8_t*>(GlobalLock(handle_));
        if (data_) size_ = GlobalSize(handle_);
    }
    ~LockedBlock() {
        if (data_) GlobalUnlock(handle_);
    }
    LockedBlock(const LockedBlock&) = delete;
    LockedBlock& operator=(const LockedBlock&) = delete;

    const uint8_t* data() const { return data_; }
    size_t size() const { return size_; }
    ByteSpan span() const { return data_ ? ByteSpan{data_, size_} : ByteSpan{}; }

private:
    HANDLE handle_ = nullptr;
    const uint8_t* data_ = nullptr;
    size_t size_ = 0;
};

// Logical palette of 2^bits entries; entries beyond the image's palette are black.
HPALETTE MakeLogicalPalette(const std::vector<uint32_t>& entries, int bits) {
    const size_t n = size_t{1} << bits;
    std::vector<uint8_t> buf(offsetof(LOGPALETTE, palPalEntry) + sizeof(PALETTEENTRY) * n, 0);
    auto* lp = reinterpret_cast<LOGPALETTE*>(buf.data());
    lp->palVersion = 0x300;
    lp->palNumEntries = static_cast<WORD>(n);
    for (size_t i = 0; i < n && i < entries.size(); ++i) {
        lp->palPalEntry[i].peRed = static_cast<BYTE>(entries[i] >> 16);
        lp->palPalEntry[i].peGreen = static_cast<BYTE>(entries[i] >> 8);
        lp->palPalEntry[i].peBlue = static_cast<BYTE>(entries[i]);
        lp->palPalEntry[i].peFlags = 0;
    }
    return CreatePalette(lp);
}
// A decoded bitmap copied into a 32-A8R8G8B8 bitmap of its own, free of the decoder's stream.
bool CopyAsArgb(Messages& messages, GpBitmapOwner& decoded, GpBitmapOwner& out) {
    int width = 0, height = 0;
    if (!ImageSize(decoded.get(), &width, &height) || width <= 0 || height <= 0) return false;
    GpBitmapOwner own;
    if (!CreateGpBitmap(own, width, height, fmt::k32ARGB)) return false;
    BitmapLock from(messages, decoded, kLockRead, fmt::k32ARGB, BitmapRole::Clipboard);
    if (!from.ok()) return false;
    {
        BitmapLock to(messages, own, kLockWrite, fmt::k32ARGB, BitmapRole::Clipboard2);
        if (!to.ok()) return false;
        CopyRows(from.view(), to.view());
        if (to.Unlock() != Gdiplus::Ok) return false;
    }
    if (from.Unlock() != Gdiplus::Ok) return false;
    out = std::move(own);
    return true;
}

// The "PNG" block of the open clipboard, checked and decoded; false, without a message, when
// there is none or it cannot be used.
bool ReadPngBlock(Messages& messages, GpBitmapOwner& out) {
    LockedBlock block(PngClipboardFormat());
    PngHeader header;
    if (!block.data() || !ReadPngHeader(block.data(), block.size(), &header)) return false;
    GpBitmapOwner decoded;
    if (!DecodeImageBytes(block.data(), block.size(), false, decoded)) return false;
    int width = 0, height = 0;
    if (!ImageSize(decoded.get(), &width, &height) || static_cast<uint32_t>(width) != header.width ||
        static_cast<uint32_t>(height) != header.height)
        return false;
    return CopyAsArgb(messages, decoded, out);
}

// A CF_DIBV5 block that declares an alpha channel (32-bit bit fields with the alpha mask
// 0xFF000000); false when there is none.
bool ReadTransparentDib(Messages& messages, GpBitmapOwner& out) {
    LockedBlock block(CF_DIBV5);
    DibLayout layout;
    if (!block.data() || !ReadDib(block.data(), block.size(), &layout) || layout.alphaMask != 0xFF000000u) return false;
    return DibToBitmap(messages, block.data(), block.size(), out, true);
}

// Adds the forms that keep transparency: "PNG" and CF_DIBV5 with alpha.
void PutTransparentForms(Messages& messages, GpBitmapOwner& bitmap) {
    std::vector<uint8_t> png;
    if (EncodePngBytes(messages, bitmap.get(), &png)) PutBytes(PngClipboardFormat(), png);
    DibImage v5;
    {
        BitmapLock lock(messages, bitmap, kLockRead, fmt::k32ARGB, BitmapRole::Clipboard);
        if (!lock.ok()) return;
        const bool built = BuildDibV5(lock.view(), &v5);
        if (lock.Unlock() != Gdiplus::Ok || !built) return;
    }
    PutBytes(CF_DIBV5, v5.bytes);
}
}  // namespace

UINT PngClipboardFormat() {
    static const UINT format = RegisterClipboardFormatW(L"PNG");
    return format;
}

bool ClipboardHasImage() {
    return IsClipboardFormatAvailable(CF_DIB) || IsClipboardFormatAvailable(CF_BITMAP) ||
           IsClipboardFormatAvailable(PngClipboardFormat()) || IsClipboardFormatAvailable(CF_DIBV5);
}

bool BitmapToDib(Messages& messages, GpBitmapOwner& bitmap, DibImage* out) {
    const PixelFormat format = FormatOf(bitmap.get());
    if (!out || !HasDibForm(format)) return false;
    std::vector<uint32_t> palette;
    if (IsIndexed(format)) ReadPaletteEntries(bitmap.get(), &palette);  // unreadable: the table stays 0
    BitmapLock lock(messages, bitmap, kLockRead, format, BitmapRole::Clipboard);
    if (!lock.ok()) return false;
    PixelView view = lock.view();
    view.palette = palette.data();
    view.paletteCount = static_cast<int>(palette.size());
    const bool built = BuildDib(view, out);
    if (lock.Unlock() != Gdiplus::Ok) return false;
    return built;
}

bool DibToBitmap(Messages& messages, const uint8_t* block, size_t size, GpBitmapOwner& out, bool alphaFromMask) {
    DibLayout layout;
    if (!ReadDib(block, size, &layout)) return false;
    if (alphaFromMask && layout.format == fmt::k32RGB && !layout.throughMasks && layout.alphaMask == 0xFF000000u)
        layout.format = fmt::k32ARGB;  // the same bytes, the fourth one read as alpha
    GpBitmapOwner bitmap;
    if (!CreateGpBitmap(bitmap, layout.width, layout.height, layout.format)) return false;
    if (IsIndexed(layout.format) && !WritePaletteEntries(bitmap.get(), layout.palette, 0)) return false;
    {
        BitmapLock lock(messages, bitmap, kLockWrite, layout.format, BitmapRole::Clipboard2);
        if (!lock.ok()) return false;
        const bool copied = CopyDibRows(block, layout, lock.view());
        if (lock.Unlock() != Gdiplus::Ok || !copied) return false;
    }
    out = std::move(bitmap);
    return true;
}

bool CopyImageToClipboard(Messages& messages, HWND owner, GpBitmapOwner& bitmap) {
    if (!OpenClipboardFor(owner)) return false;
    EmptyClipboard();
    const PixelFormat format = FormatOf(bitmap.get());
    const int bits = BitsPerPixel(format);
    if (bits > 32) {
        Warn(messages, owner, u"48bit色以上のビットマップは、クリップボードに置けません");
        CloseClipboard();
        return false;
    }
    bool placed = false;
    DibImage dib;
    if (BitmapToDib(messages, bitmap, &dib)) {
        const auto* info = reinterpret_cast<const BITMAPINFO*>(dib.bytes.data());
        HDC dc = GetDC(owner);
        HBITMAP device = dc ? CreateDIBitmap(dc, &info->bmiHeader, CBM_INIT, dib.bytes.data() + dib.headerLength, info,
                                             DIB_RGB_COLORS)
                            : nullptr;
        if (dc) ReleaseDC(owner, dc);
        if (device && !SetClipboardData(CF_BITMAP, device)) {
            DeleteObject(device);
            Warn(messages, owner, u"HBITMAPのCOPYに失敗しました");
        }
        placed = PutBytes(CF_DIB, dib.bytes);
    }
    if (bits >= 1 && bits <= 8) {
        std::vector<uint32_t> entries;
        if (!ReadPaletteEntries(bitmap.get(), &entries)) {
            Warn(messages, owner, u"パレットの取得に失敗しました");
        } else {
            HPALETTE palette = MakeLogicalPalette(entries, bits);
            if (!palette || !SetClipboardData(CF_PALETTE, palette)) {
                if (palette) DeleteObject(palette);
                Warn(messages, owner, u"パレットのCOPYに失敗しました");
            }
        }
    }
    if (placed && HasAlpha(format)) PutTransparentForms(messages, bitmap);
    CloseClipboard();
    return placed;
}

bool CopySelectionShape(HWND owner, const EditPath& path) {
    if (path.size() <= 2) return false;
    const SelectionShape shape = ShapeOfPath(path);
    ShapeRecords records;
    if (!WriteShapeRecords(shape, &records) || !OpenClipboardFor(owner)) return false;
    bool ok = PutBytes(clip::kPathCount, records.count);
    ok = PutBytes(clip::kPathTypes, records.types) && ok;
    ok = PutBytes(clip::kPathPoints, records.points) && ok;
    ok = PutBytes(clip::kFillMode, records.fillMode) && ok;
    CloseClipboard();
    return ok;
}

bool CopySelectionMask(HWND owner, const uint8_t* bytes, size_t length) {
    MaskRecords records;
    WriteMaskRecords(bytes, length, &records);
    if (!OpenClipboardFor(owner)) return false;
    bool ok = PutBytes(clip::kMaskLength, records.length);
    ok = PutBytes(clip::kMask, records.mask) && ok;
    CloseClipboard();
    return ok;
}

bool ReadClipboardImage(Messages& messages, HWND owner, GpBitmapOwner& out) {
    // Forms with transparency first: "PNG", then a CF_DIBV5 that declares alpha.
    const bool transparentForms = IsClipboardFormatAvailable(PngClipboardFormat()) || IsClipboardFormatAvailable(CF_DIBV5);
    UINT order[] = {CF_DIB, CF_BITMAP};
    const int first = GetPriorityClipboardFormat(order, 2);
    if (first <= 0 && !transparentForms) {
        Warn(messages, owner, u"クリップボードは空です。");
        return false;
    }
    if (!OpenClipboardFor(owner)) {
        Warn(messages, owner, u"クリップボードを開けません");
        return false;
    }
    GpBitmapOwner bitmap;
    if (transparentForms && !ReadPngBlock(messages, bitmap)) {
        bitmap.reset();
        if (!ReadTransparentDib(messages, bitmap)) bitmap.reset();
    }
    bool tryDeviceBitmap = !bitmap && first == CF_BITMAP;
    if (!bitmap && first == CF_DIB) {
        LockedBlock dib(CF_DIB);
        if (!dib.data()) {
            Warn(messages, owner, u"クリップボードをロックできません");
        } else if (!DibToBitmap(messages, dib.data(), dib.size(), bitmap)) {
            tryDeviceBitmap = true;
        }
    }
    if (!bitmap && first <= 0) Warn(messages, owner, u"ClpBrd.Bmpを作成できません2");
    if (tryDeviceBitmap) {
        auto device = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
        if (!device) {
            Warn(messages, owner, u"hBmpの読み込みに失敗しました");
        } else {
            auto palette = IsClipboardFormatAvailable(CF_PALETTE) ? static_cast<HPALETTE>(GetClipboardData(CF_PALETTE)) : nullptr;
            if (gp::GdipCreateBitmapFromHBITMAP(device, palette, bitmap.put()) != Gdiplus::Ok || !bitmap) {
                bitmap.reset();
                Warn(messages, owner, u"ClpBrd.Bmpを作成できません2");
            }
        }
    }
    if (!CloseClipboard()) Warn(messages, owner, u"クリップボードを閉じられません");
    if (!bitmap) return false;
    out = std::move(bitmap);
    return true;
}

bool ReadSelectionShape(HWND owner, int width, int height, ClipboardSelection* out) {
    if (!out) return false;
    out->hasMask = out->hasOutline = false;
    out->mask.clear();
    out->outline.reset();
    if (!IsClipboardFormatAvailable(clip::kPathCount) && !IsClipboardFormatAvailable(clip::kMaskLength)) return false;
    if (!OpenClipboardFor(owner)) return false;
    {
        LockedBlock count(clip::kPathCount), types(clip::kPathTypes), points(clip::kPathPoints), mode(clip::kFillMode);
        SelectionShape shape;
        if (ReadShapeRecords(count.span(), types.span(), points.span(), mode.span(), &shape)) {
            out->outline = PathOfShape(shape);
            out->hasOutline = true;
        }
        LockedBlock length(clip::kMaskLength), mask(clip::kMask);
        out->hasMask = ReadMaskRecords(length.span(), mask.span(), width, height, &out->mask);
        if (!out->hasMask) out->mask.clear();
    }
    CloseClipboard();
    return out->hasOutline && out->hasMask;
}

}  // namespace mirelo
