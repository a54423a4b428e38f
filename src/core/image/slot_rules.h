// Rules of the table of open images that do not depend on the bitmaps themselves:
// naming, the first free slot, compaction order, the image-select menu and the status line.
#pragma once
#include <array>
#include <cstdint>
#include <functional>

#include "common/text.h"
#include "edit/tool_settings.h"
#include "image/pixel_format.h"

namespace mirelo {

constexpr int kMaxImages = 256;
constexpr int kImageBarFirstId = 10000;
constexpr int kImageSelectFirstId = 40500;

// The part of a path after its last "\" and the part before it (without the "\").
struct PathParts {
    Text name;
    Text folder;
};
PathParts SplitPath(TextView path);

// The first free index from 0, or −1 when every slot of `size` is occupied.
int FirstFreeSlot(int size, const std::function<bool(int)>& isOccupied);

// The first "new%d" (N = 1 … 257) that equals no occupied slot's path.
Text NextNewImageName(int size, const std::function<bool(int)>& isOccupied,
                      const std::function<TextView(int)>& pathOf);

// Removes slot `closed` by moving every later occupied slot down by one and clearing the last.
// `move(from, to)` moves slot from into slot to; `clear(index)` frees a slot.
// Returns the index that was cleared.
int CompactAfterClose(int closed, int size, const std::function<bool(int)>& isOccupied,
                      const std::function<void(int, int)>& move, const std::function<void(int)>& clear);

// The current index after slot `closed` was removed and `remaining` images are left.
int CurrentAfterClose(int closed, int remaining);

// Image-select menu: slot i of count has item id 40500 + (count − 1 − i), and back.
int ImageSelectItemId(int slot, int count);
int SlotFromImageSelectItem(int id, int count);

// Resolution rounded to whole dots per inch.
int RoundDpi(double dpi);

// What the status line shows of the current image.
struct StatusLineInput {
    Text path;
    Text rawFormatName;
    PixelFormat pixelFormat = 0;
    int width = 0;
    int height = 0;
    int dpiX = 0;
    int dpiY = 0;
    bool hasAlpha = false;  // the bitmap's flags carry the has-alpha bit
};

struct StatusLine {
    Text text;
    int64_t memoryByteSize = -1;  // stride × height for an image made in memory, −1 for a file image
};

constexpr size_t kStatusLineLimit = 254;

StatusLine BuildStatusLine(const StatusLineInput& in);

// The bytes of an image made in memory: stride × height.
int64_t MemoryByteSize(int width, int height, PixelFormat format);

}  // namespace mirelo
