// Memory for the pixels of large bitmaps, kept for reuse when a bitmap goes. Fresh memory costs a
// page fault on each of its pages when first touched (under Wine on a virtual machine about 6 ms
// per megabyte: far more than any work on the pixels); memory used before costs none. So a
// command that makes a new picture of the same size as one just let go (an undo step dropped, a
// redo branch cut off) writes into warm memory.
#pragma once
#include <cstddef>

#include "common/gdiplus.h"

namespace mirelo::pixel_memory {

// Bitmaps with at least this many bytes of pixels in a direct-colour format of 16 or more bits
// per pixel are made over pooled memory. Tests lower it to run every such bitmap through the pool.
extern size_t threshold;

// A cleared width × height bitmap in `format` over pooled memory; nullptr when the bitmap is not
// one the pool makes (the caller then makes it as usual) or the memory cannot be had.
Gdiplus::GpBitmap* Create(int width, int height, Gdiplus::PixelFormat format);

// A bitmap of this size and format is likely soon (an image of it was opened): its memory is
// made ready on the worker.
void Expect(int width, int height, Gdiplus::PixelFormat format);

// After a bitmap was disposed: the memory under it, when it came from the pool, is kept for reuse
// (up to a few blocks and a sixteenth of the memory, at most 768 MB) or given back to the system.
// A worker zeroes kept blocks and touches the pages of the blocks expected next, on the other core.
void Disposed(const void* bitmap);

// After the program started another process: under Wine that forks this one, which leaves every
// page copy-on-write, and the first write to each costs a fault again (about 280 ms for the
// blocks of one 24-megapixel picture). The worker writes the kept blocks again, so that the next
// command does not pay it.
void TouchAgain();

// Blocks kept for reuse and their bytes (for tests and the bench).
size_t KeptBlocks();
size_t KeptBytes();

}  // namespace mirelo::pixel_memory
