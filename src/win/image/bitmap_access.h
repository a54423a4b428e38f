// GDI+ bitmap access: locking, container formats, encoders, palettes and thumbnails.
#pragma once
#include <vector>

#include "common/win.h"

#include "common/gdiplus.h"
#include "common/messages.h"
#include "image/file_format.h"
#include "image/pixel_view.h"

namespace mirelo {

// The role a locked bitmap plays in an operation; it names the bitmap in failure messages.
enum class BitmapRole {
    Image,            // the image changed in place
    ImagePalette,     // the image, in palette operations
    Source,           // a bitmap that is only read
    Destination,      // a bitmap that is only written
    DestinationBoth,  // a destination whose lock and unlock are checked together
    Copy,             // a working copy
    Clipboard,        // clipboard transfers
    Clipboard2,
};

enum LockMode : UINT { kLockRead = 1, kLockWrite = 2, kLockReadWrite = 3 };

Text LockFailedText(BitmapRole role);
Text UnlockFailedText(BitmapRole role);

// A whole-image lock. A failed lock is reported at once; the bitmap stays as it was.
class BitmapLock {
public:
    BitmapLock(Messages& messages, GpBitmapOwner& bitmap, UINT mode, PixelFormat format, BitmapRole role);
    ~BitmapLock();
    BitmapLock(const BitmapLock&) = delete;
    BitmapLock& operator=(const BitmapLock&) = delete;

    bool ok() const { return locked_; }
    GpStatus status() const { return status_; }
    PixelView view() const;
    // Unlocks now; a failure is reported and returned.
    GpStatus Unlock();

private:
    Messages& messages_;
    GpBitmapOwner& bitmap_;
    BitmapRole role_;
    Gdiplus::BitmapData data_{};
    bool locked_ = false;
    GpStatus status_ = Gdiplus::Ok;
};

// Creates a bitmap in memory; returns false (status in the owner) on failure.
bool CreateGpBitmap(GpBitmapOwner& out, int width, int height, PixelFormat format);

// Raw format of an image: false when it cannot be read.
bool ReadRawFormat(Gdiplus::GpImage* image, RawFormat* out);
// "BMP" … "MemoryBMP" or "-"; an unreadable format is reported (focus window, no title).
Text RawFormatName(Messages& messages, Gdiplus::GpImage* image);
// 1..6 or −1; an unreadable format is reported (main window, title "Mirelo").
int FileTypeCode(Messages& messages, Gdiplus::GpImage* image);

// Encoder for a file extension; warns and uses BMP for an unknown one. Returns the encoder's
// index among the installed encoders, or −1 (identifier left unset).
int FindEncoder(Messages& messages, TextView extension, CLSID* clsid);

// The image encoded as PNG in memory. False when it cannot be encoded (a missing encoder is
// reported by FindEncoder).
bool EncodePngBytes(Messages& messages, Gdiplus::GpImage* image, std::vector<uint8_t>* out);
// Image file bytes decoded by GDI+ from a memory stream of their own copy, with colour management
// when asked. The bitmap keeps the stream while it lives.
bool DecodeImageBytes(const uint8_t* bytes, size_t size, bool colourManagement, GpBitmapOwner& out);

// A new bitmap holding the rectangle (left, top, width, height) of the source in its own pixel
// format, pixel values and palette unchanged. False after a reported lock failure, or when the
// bitmap cannot be made.
bool CopyBitmapArea(Messages& messages, GpBitmapOwner& source, int left, int top, int width, int height, GpBitmapOwner& out);
// The rectangle of the source at (left, top) with the destination's size copied into the
// destination, both in the source's pixel format (the palette is left as it is). False after a
// reported lock failure.
bool CopyAreaInto(Messages& messages, GpBitmapOwner& source, int left, int top, GpBitmapOwner& destination);
// Copies the palette of an indexed source to the destination; status of the last call.
GpStatus CopyPalette(Gdiplus::GpBitmap* destination, Gdiplus::GpBitmap* source);
// The ARGB palette of an indexed bitmap, and its flags word when asked; false when it cannot be read.
bool ReadPaletteEntries(Gdiplus::GpBitmap* bitmap, std::vector<uint32_t>* out, uint32_t* flags = nullptr);
// Sets the palette of an indexed bitmap from ARGB entries and a flags word; false when GDI+ refuses.
bool WritePaletteEntries(Gdiplus::GpBitmap* bitmap, const std::vector<uint32_t>& entries, uint32_t flags);
bool PaletteHasAlphaFlag(Gdiplus::GpBitmap* bitmap);
// Whether an indexed bitmap's palette has an entry of alpha 0, whatever its flags word says.
bool PaletteHasTransparentEntry(Gdiplus::GpBitmap* bitmap);
bool UpdatePaletteAlphaFlag(Gdiplus::GpBitmap* bitmap);

PixelFormat FormatOf(Gdiplus::GpImage* image);
bool ImageSize(Gdiplus::GpImage* image, int* width, int* height);

// 32 × 32 thumbnail on the button-face colour, as a device bitmap; nullptr after a reported failure.
HBITMAP MakeThumbnail(Messages& messages, Gdiplus::GpImage* image);
// Appends the thumbnail (a blank cell when it is missing) to the image list; deletes the handle.
void AddThumbnail(Messages& messages, HIMAGELIST list, HBITMAP thumbnail);
// Replaces entry `index` and repaints the bar; deletes the handle.
void ReplaceThumbnail(Messages& messages, HIMAGELIST list, int index, HBITMAP thumbnail, HWND bar);

}  // namespace mirelo
