// Exchange of images with other programs through the clipboard's bitmap formats (CF_DIB,
// CF_BITMAP, CF_PALETTE, and for transparency the registered "PNG" and CF_DIBV5), of a selection's mask and outline through the program's own records
// 778..783, and the program's own conversion between GDI+ bitmaps and DIBs.
#pragma once
#include <optional>
#include <vector>

#include "clipboard/dib.h"
#include "clipboard/selection_records.h"
#include "common/gdiplus.h"
#include "common/messages.h"

namespace mirelo {

// Builds the DIB of a bitmap of 1 to 32 bits per pixel, locked read-only in its own format.
// False for a deeper format, or after a reported lock failure.
bool BitmapToDib(Messages& messages, GpBitmapOwner& bitmap, DibImage* out);

// Makes a bitmap of the DIB's size and pixel format from a DIB block of `size` bytes, copying
// the rows itself so that palette indices and the fourth byte of 32-bit pixels stay exact. With
// `alphaFromMask` a 32-bit DIB whose header declares the alpha mask 0xFF000000 becomes a
// 32-A8R8G8B8 bitmap. False for a block that fails the checks, or after a reported lock failure.
bool DibToBitmap(Messages& messages, const uint8_t* block, size_t size, GpBitmapOwner& out, bool alphaFromMask = false);

// The registered clipboard format "PNG".
UINT PngClipboardFormat();
// Whether the clipboard holds an image in any form the editor reads.
bool ClipboardHasImage();

// Empties the clipboard and offers the bitmap on it as CF_DIB and CF_BITMAP, for 8 bits per pixel
// or fewer CF_PALETTE too, for a format with alpha also "PNG" and CF_DIBV5 with its alpha, and
// with a selection `mask` (width × height bytes) the mask records 782 and 783. The clipboard takes
// the bitmap over (`bitmap` is left empty); each form is made from it when a program asks for it,
// and all of them before `owner` goes (WM_RENDERFORMAT, WM_RENDERALLFORMATS). Deeper bitmaps are
// refused with a message. True when CF_DIB is offered.
struct ClipboardMask {
    bool present = false;
    std::vector<uint8_t> bytes;  // width × height bytes, 0 outside the selection
    size_t full = 0;             // instead of `bytes`: this many bytes, all 255
};
bool CopyImageToClipboard(Messages& messages, HWND owner, GpBitmapOwner& bitmap, ClipboardMask* mask = nullptr);
// The owner window's part of the offer: WM_RENDERFORMAT puts one form on the clipboard,
// WM_RENDERALLFORMATS all that are missing, WM_DESTROYCLIPBOARD (and the owner's end) lets the
// offer go.
bool RenderClipboardForm(HWND owner, UINT form);
void RenderAllClipboardForms(HWND owner);
void ForgetClipboardOffer(HWND owner);

// Adds the outline records 778..781 of a path with more than 2 points (its points, point types
// and fill mode); false when nothing was written.
bool CopySelectionShape(HWND owner, const EditPath& path);

// The first form that gives a bitmap: "PNG" (as 32-A8R8G8B8), a CF_DIBV5 that declares alpha,
// then CF_DIB and CF_BITMAP (with CF_PALETTE). A broken transparent form is passed over for the
// others; false after a message.
bool ReadClipboardImage(Messages& messages, HWND owner, GpBitmapOwner& out);

// The selection that came with a clipboard image of width × height pixels.
struct ClipboardSelection {
    bool hasMask = false;
    std::vector<uint8_t> mask;  // width × height bytes, 0 outside the selection
    bool hasOutline = false;
    std::optional<EditPath> outline;  // the stored points, types and fill mode
};
// Reads the records 778..783; true when both the outline and the mask were present and sound.
// Records that fail their checks are not used.
bool ReadSelectionShape(HWND owner, int width, int height, ClipboardSelection* out);

}  // namespace mirelo
