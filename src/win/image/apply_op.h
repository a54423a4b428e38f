// Running the core's pixel operations on GDI+ bitmaps: the one way an operation locks its
// bitmaps, runs, and (for the current image) records its undo step and reports ImageChanged.
#pragma once
#include <functional>

#include "common/gdiplus.h"
#include "image/pixel_op.h"
#include "image/pixel_view.h"

namespace mirelo {

class Editor;

// A core operation with its parameters bound: Op(in, out, params).
using PixelOp = std::function<OpStatus(const PixelView& in, const PixelView& out)>;

// Codes of RunPixelOp beyond the operation's own.
namespace pixel_op {
constexpr int kCannotCreate = -1;  // the output bitmap could not be made (nothing reported yet)
constexpr int kLockFailed = -2;    // a lock or unlock failed (reported by the lock)
}  // namespace pixel_op

// Makes `result`, a new bitmap of `target` format and the source's size, locks the source for
// reading as `readAs` (indexed views carry their palettes) and the result for writing, and runs
// the operation. An operation's failure text is shown as a low-level message.
OpStatus RunPixelOp(Editor& editor, GpBitmapOwner& source, PixelFormat readAs, PixelFormat target, const PixelOp& op,
                    GpBitmapOwner& result);
// The same with a result of another size (width × height), for operations that change it.
OpStatus RunPixelOp(Editor& editor, GpBitmapOwner& source, PixelFormat readAs, PixelFormat target, int width, int height,
                    const PixelOp& op, GpBitmapOwner& result);

// Puts `result` in place of the bitmap of image `slot`, keeping the image's resolution, and
// reports ImageChanged.
void ReplaceBitmap(Editor& editor, int slot, GpBitmapOwner& result);

// The whole step on the current image: records the undo step (when asked), lets `produce` make
// the new bitmap (false: it failed and has said why), and puts it in place; after a failure the
// image stays as it was and the menus show the recorded step. True when the image changed.
bool ChangeCurrentImage(Editor& editor, const std::function<bool(GpBitmapOwner& result)>& produce, bool recordUndo = true);

}  // namespace mirelo
