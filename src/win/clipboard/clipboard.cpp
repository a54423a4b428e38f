#include "clipboard/clipboard.h"

#include <algorithm>
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

namespace {
// What the program last put on the clipboard, kept until another program takes the clipboard or
// the owner window goes: the forms are made from it when they are asked for (delayed rendering),
// so a copy of a large picture costs no encoding nobody uses. The bitmap is the program's own copy
// of what was copied, so later changes of the picture do not reach it.
struct Offer {
    HWND owner = nullptr;
    Messages* messages = nullptr;
    GpBitmapOwner bitmap;
    ClipboardMask mask;  // the selection's, when `hasMask`
    bool hasMask = false;
    std::vector<UINT> rendered;  // the forms already on the clipboard
};
Offer& TheOffer() {
    static Offer offer;
    return offer;
}

// The forms offered for a bitmap of the given format.
std::vector<UINT> OfferedForms(PixelFormat format, bool hasMask) {
    std::vector<UINT> forms{CF_DIB, CF_BITMAP};
    const int bits = BitsPerPixel(format);
    if (bits >= 1 && bits <= 8) forms.push_back(CF_PALETTE);
    if (HasAlpha(format)) {
        forms.push_back(PngClipboardFormat());
        forms.push_back(CF_DIBV5);
    }
    if (hasMask) forms.push_back(clip::kMask);
    return forms;
}

// Makes one form of the offer and puts it on the clipboard (which the caller holds open or is
// rendering for); false when it cannot be made.
bool RenderForm(Offer& o, UINT form) {
    if (!o.bitmap || !o.messages) return false;
    Messages& messages = *o.messages;
    if (form == CF_DIB || form == CF_BITMAP) {
        DibImage dib;
        if (!BitmapToDib(messages, o.bitmap, &dib)) return false;
        if (form == CF_DIB) return PutBytes(CF_DIB, dib.bytes);
        const auto* info = reinterpret_cast<const BITMAPINFO*>(dib.bytes.data());
        HDC dc = GetDC(nullptr);
        HBITMAP device = dc ? CreateDIBitmap(dc, &info->bmiHeader, CBM_INIT, dib.bytes.data() + dib.headerLength, info, DIB_RGB_COLORS)
                            : nullptr;
        if (dc) ReleaseDC(nullptr, dc);
        if (device && SetClipboardData(CF_BITMAP, device)) return true;
        if (device) DeleteObject(device);
        return false;
    }
    if (form == CF_PALETTE) {
        std::vector<uint32_t> entries;
        if (!ReadPaletteEntries(o.bitmap.get(), &entries)) return false;
        HPALETTE palette = MakeLogicalPalette(entries, BitsPerPixel(FormatOf(o.bitmap.get())));
        if (palette && SetClipboardData(CF_PALETTE, palette)) return true;
        if (palette) DeleteObject(palette);
        return false;
    }
    if (form == CF_DIBV5) {
        DibImage v5;
        BitmapLock lock(messages, o.bitmap, kLockRead, fmt::k32ARGB, BitmapRole::Clipboard);
        if (!lock.ok()) return false;
        const bool built = BuildDibV5(lock.view(), &v5);
        if (lock.Unlock() != Gdiplus::Ok || !built) return false;
        return PutBytes(CF_DIBV5, v5.bytes);
    }
    if (form == PngClipboardFormat()) {
        std::vector<uint8_t> png;
        return EncodePngBytes(messages, o.bitmap.get(), &png) && PutBytes(form, png);
    }
    if (form == clip::kMask && o.hasMask) {
        if (o.mask.full) return PutBytes(clip::kMask, std::vector<uint8_t>(o.mask.full, 255));
        MaskRecords records;
        WriteMaskRecords(o.mask.bytes.data(), o.mask.bytes.size(), &records);
        return PutBytes(clip::kMask, records.mask);
    }
    return false;
}
}  // namespace

bool CopyImageToClipboard(Messages& messages, HWND owner, GpBitmapOwner& bitmap, ClipboardMask* mask) {
    const PixelFormat format = FormatOf(bitmap.get());
    const int bits = BitsPerPixel(format);
    if (bits > 32) {
        if (OpenClipboardFor(owner)) {
            EmptyClipboard();
            CloseClipboard();
        }
        Warn(messages, owner, u"48bit色以上のビットマップは、クリップボードに置けません");
        return false;
    }
    if (!HasDibForm(format) || !OpenClipboardFor(owner)) return false;
    EmptyClipboard();  // an earlier offer of ours is let go here (WM_DESTROYCLIPBOARD)
    if (bits >= 1 && bits <= 8) {
        std::vector<uint32_t> entries;
        if (!ReadPaletteEntries(bitmap.get(), &entries)) Warn(messages, owner, u"パレットの取得に失敗しました");
    }
    Offer& o = TheOffer();
    o.owner = owner;
    o.messages = &messages;
    o.bitmap = std::move(bitmap);
    o.hasMask = mask && mask->present;
    o.mask = o.hasMask ? std::move(*mask) : ClipboardMask{};
    o.rendered.clear();
    for (UINT form : OfferedForms(format, o.hasMask)) SetClipboardData(form, nullptr);
    if (o.hasMask) {
        MaskRecords records;
        WriteMaskRecords(nullptr, o.mask.full ? o.mask.full : o.mask.bytes.size(), &records);  // the length record only
        PutBytes(clip::kMaskLength, records.length);
    }
    const bool placed = IsClipboardFormatAvailable(CF_DIB) != FALSE;
    CloseClipboard();
    return placed;
}

bool RenderClipboardForm(HWND owner, UINT form) {
    Offer& o = TheOffer();
    if (o.owner != owner || !RenderForm(o, form)) return false;
    o.rendered.push_back(form);
    return true;
}

void RenderAllClipboardForms(HWND owner) {
    Offer& o = TheOffer();
    if (o.owner != owner || !o.bitmap) return;
    if (OpenClipboard(owner)) {
        if (GetClipboardOwner() == owner)
            for (UINT form : OfferedForms(FormatOf(o.bitmap.get()), o.hasMask))
                if (std::find(o.rendered.begin(), o.rendered.end(), form) == o.rendered.end()) RenderForm(o, form);
        CloseClipboard();
    }
    ForgetClipboardOffer(owner);
}

void ForgetClipboardOffer(HWND owner) {
    Offer& o = TheOffer();
    if (o.owner != owner) return;
    o.bitmap.reset();
    o.mask = ClipboardMask{};
    o.hasMask = false;
    o.rendered.clear();
    o.owner = nullptr;
    o.messages = nullptr;
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
