// The table of open images and the operations on its slots.
#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <optional>

#include "app/change_record.h"
#include "common/gdiplus.h"
#include "draw/retouch.h"
#include "edit/undo_history.h"
#include "paste/paste_objects.h"
#include "image/slot_rules.h"
#include "select/edit_path.h"

namespace mirelo {

enum PropertyIndex : int { kPropTitle = 0, kPropAuthor = 1, kPropRights = 2, kPropComment = 3 };

struct ImageSlot {
    GpBitmapOwner bitmap;  // empty: the slot is free
    PixelFormat pixelFormat = 0;
    Text formatName;
    Text rawFormatName;
    Text path;
    int width = 0, height = 0;
    int originX = 0, originY = 0;
    int zoomedWidth = 0, zoomedHeight = 0;
    int savedScrollX = 0, savedScrollY = 0;
    int dpiX = 0, dpiY = 0;
    int64_t byteSize = 0;
    int fileType = 0;
    int zoom = 0;
    int tool = 0;
    uint32_t flags = 0;  // bit 0: the palette has a transparent entry
    uint8_t activeColour = 0;
    std::array<uint32_t, 2> colours{};  // Win32 form 0x00BBGGRR
    std::array<uint8_t, 2> colourTransparency{};
    ToolSettings toolSettings = DefaultToolSettings();
    std::array<Text, 4> properties;
    // The user paths: the selection, the shape tool's figure in progress, the figures it
    // collected, and those with the path transform applied. An absent path is never empty.
    Anchor selectionAnchor;  // last clicked vertex of a selection polygon in progress
    Anchor figureAnchor;     // last point of the drawPath
    Anchor gradientStart;    // the fill tool's two-click gradient: its first click, unset before it
    std::optional<EditPath> selectionPath, drawPath, otherPath, workPath;
    std::shared_ptr<struct SelectionOutlineCache> selectionOutline;  // what the view drew last
    UndoHistory undo;
    PasteObjects pasteObjects;
    RetouchState retouch;  // the retouch brush's stroke: its last point and its mask
    int hotspotX = 0, hotspotY = 0;
    uint64_t serial = 0;  // unique to the image while it is open: the image bar knows it by this
    bool recovered = false;  // brought back from a recovery copy and not saved since

    ImageSlot() = default;
    ImageSlot(ImageSlot&&) = default;
    ImageSlot& operator=(ImageSlot&&) = default;

    bool occupied() const { return bitmap.get() != nullptr; }
    // Work that closing the image would lose: an undoable step, objects not merged yet, or a
    // picture brought back from a recovery copy.
    bool HasUnsavedWork() const { return recovered || undo.HasUndoableStep() || !pasteObjects.Empty(); }
    // Frees the slot: releases every object and returns every field to its initial value.
    void Clear() { *this = ImageSlot(); }
};

struct ImageSet {
    std::array<ImageSlot, kMaxImages> slots;
    int current = -1;
    int count = 0;
    uint64_t nextSerial = 1;

    ImageSlot* Current() { return current >= 0 ? &slots[static_cast<size_t>(current)] : nullptr; }
    const ImageSlot* Current() const { return current >= 0 ? &slots[static_cast<size_t>(current)] : nullptr; }
    int Occupied() const;
    int FirstFree() const;
    Text NextNewName() const;
    // Paste objects of all images together (at most kMaxPasteObjects).
    int PasteObjectTotal() const;
};

class Editor;

// What changed in an image, for ImageChanged (the change record's own flags).
enum ImageChange : unsigned {
    kChangedPixels = change::kPixels,  // pixels drawn into the same bitmap
    kChangedBitmap = change::kBitmap,  // a new bitmap: its size, format, resolution and palette are read again
};

// The one way an image comes in: places the bitmap in the first free slot, makes it current and
// registers it under `name` (a path, "new"N, "clipboard"). Returns the slot, or −1 with the
// refusal message when all slots are taken (the bitmap is then released).
int AddImage(Editor& editor, GpBitmapOwner bitmap, TextView name);
// Shows "画像数が %d を超過したので、%s は開けません" and returns false when no slot is free.
bool HasRoomFor(Editor& editor, TextView name);
// The one way an image's change is recorded: the slot follows its bitmap (size, format,
// resolution, palette flag; a change between indexed and direct colours resets its tool), and the
// change is noted for the refresh.
void ImageChanged(Editor& editor, int slot, unsigned what);
// Reads the slot's format, container format, resolution and memory size from its bitmap.
void ReadSlotFields(Editor& editor, ImageSlot& slot);

void SelectImage(Editor& editor, int index);
// Removes the current image and compacts the table (the close question is asked by the command).
void CloseCurrentImage(Editor& editor);

}  // namespace mirelo
