#include "files/icon_open.h"

#include <objbase.h>

#include <cstring>
#include <vector>

#include "app/editor.h"
#include "app/command_registry.h"
#include "files/icon_file.h"
#include "files/open_image.h"
#include "image/bitmap_access.h"
#include "image/format_change.h"
#include "image/image_set.h"

namespace mirelo {

namespace {
constexpr char16_t kToArgbFailed[] = u"32bppARGBに変換できません";

// A PNG entry decoded with colour management from a memory stream, then copied into a
// 32-A8R8G8B8 bitmap of the program's own. `*fileBits` receives the depth GDI+ decoded it in.
bool LoadPngEntry(Editor& e, const IconFileEntry& entry, GpBitmapOwner& out, int* fileBits) {
    GpBitmapOwner decoded;
    if (!DecodeImageBytes(entry.pngData.data(), entry.pngData.size(), true, decoded)) return false;
    int w = 0, h = 0;
    if (!ImageSize(decoded.get(), &w, &h) || w <= 0 || h <= 0) return false;
    *fileBits = BitsPerPixel(FormatOf(decoded.get()));
    GpBitmapOwner converted;
    if (ConvertDirect(e, decoded, fmt::k32ARGB, false, converted) != Gdiplus::Ok) {
        e.messages.App(kToArgbFailed);
        return false;
    }
    out = std::move(converted);
    return true;
}

// A bitmap entry decoded by the reader (mask applied) into a 32-A8R8G8B8 bitmap.
bool LoadBitmapEntry(Editor& e, const IconFileEntry& entry, GpBitmapOwner& out, int* fileBits) {
    OwnedPixels argb;
    PixelFormat entryFormat = 0;
    if (!DecodeIconBitmapEntry(entry, &argb, &entryFormat)) return false;
    GpBitmapOwner bitmap;
    if (!CreateGpBitmap(bitmap, argb.view.width, argb.view.height, fmt::k32ARGB)) {
        e.messages.App(kToArgbFailed);
        return false;
    }
    {
        BitmapLock lock(e.messages, bitmap, kLockWrite, fmt::k32ARGB, BitmapRole::Destination);
        if (!lock.ok()) return false;
        CopyRows(argb.view, lock.view());
        if (lock.Unlock() != Gdiplus::Ok) return false;
    }
    *fileBits = BitsPerPixel(entryFormat);
    out = std::move(bitmap);
    return true;
}

}  // namespace

bool OpenIconFile(Editor& e, const Text& path) {
    std::vector<uint8_t> bytes;
    if (!ReadFileBytes(path, &bytes)) return false;
    IconFileContents contents = ReadIconFile(bytes.data(), bytes.size());
    bytes.clear();
    bytes.shrink_to_fit();
    if (contents.directoryCount == 0) return false;

    const Text title = SplitPath(path).name;
    int loaded = 0;
    for (IconFileEntry& entry : contents.entries) {
        if (!entry.usable || e.images.FirstFree() < 0) continue;
        GpBitmapOwner bitmap;
        int fileBits = 0;
        const bool ok = entry.png ? LoadPngEntry(e, entry, bitmap, &fileBits) : LoadBitmapEntry(e, entry, bitmap, &fileBits);
        entry.pngData = {};
        entry.dib = {};
        entry.maskBits = {};
        if (!ok) continue;
        // Registered under the file's path, so that the slot's size in bytes is the file's.
        const int slotIndex = AddImage(e, std::move(bitmap), path);
        if (slotIndex < 0) continue;
        ImageSlot& slot = e.images.slots[static_cast<size_t>(slotIndex)];
        slot.hotspotX = entry.hotspotX;
        slot.hotspotY = entry.hotspotY;
        slot.fileType = 3;
        slot.path = MessageText(u"%s-%dbpp-%dx%d").Arg(title).Arg(fileBits).Arg(slot.width).Arg(slot.height).Str();
        ++loaded;
    }
    if (loaded == 0) return false;
    if (loaded < contents.directoryCount)
        e.messages.App(MessageText(u"%d 個の画像の読み込みに失敗しました\n%s").Arg(contents.directoryCount - loaded).Arg(path).Str(),
                       MB_OK | MB_ICONWARNING);
    return true;
}

}  // namespace mirelo
