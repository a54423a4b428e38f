// The selection of an image as other subsystems use it: its fill mode, its byte mask, the mask
// combined with the image's alpha or written into a bitmap, and the path in GDI+ form.
#pragma once
#include <optional>
#include <vector>

#include "common/gdiplus.h"
#include "select/edit_path.h"
#include "edit/tool_settings.h"

namespace mirelo {

class Editor;
struct ImageSlot;


FillMode SelectionFillMode(const ImageSlot& slot);

// The path as a GDI+ path with its own fill mode; empty on failure.
GpPathOwner ToGpPath(const EditPath& path);
// A GDI+ matrix of an affine transform.
GpMatrixOwner ToGpMatrix(const Affine& a);
// The points and types of a GDI+ path.
EditPath FromGpPath(Gdiplus::GpPath* path);

// The mask of the area (left, top, width, height) of the image covered by the path under
// `mode`: 255 inside, 0 outside. Without a path: "pathがありません" and false.
bool SelectionMask(Editor& editor, const std::optional<EditPath>& path, FillMode mode, const IntRect& area,
                   std::vector<uint8_t>* mask);
// The pixel area a path covers, cut to the image; width or height 0 when it misses the image.
IntRect SelectionArea(const EditPath& path, int imageWidth, int imageHeight);

// ANDs each mask byte with the alpha of the pixel (left + x, top + y) of the bitmap. False
// (mask unchanged) when the bitmap's format has neither alpha nor a palette.
bool CombineMaskWithAlpha(Editor& editor, GpBitmapOwner& bitmap, std::vector<uint8_t>& mask, const IntRect& area);
// Writes a mask of the bitmap's size into it: outside pixels lose their colour, and a 32-bit
// pixel's alpha becomes its mask byte; other depths get transparent black outside.
bool WriteMaskIntoBitmap(Editor& editor, GpBitmapOwner& bitmap, const std::vector<uint8_t>& mask);

// Select all (one rectangle over the image) and deselect.
void SelectAll(ImageSlot& slot);
void Deselect(ImageSlot& slot);

}  // namespace mirelo
