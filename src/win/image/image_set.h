// The table of open images and the operations on its slots.
#pragma once
#include <array>
#include <cstdint>
#include <memory>

#include "common/gdiplus.h"
#include "edit/undo_history.h"
#include "image/slot_rules.h"

namespace mirelo {

constexpr int kToolSettingCount = 61;
enum ToolId : int { kToolSelect = 1, kToolShape = 2, kToolRetouch = 3, kToolFill = 4, kToolEyedropper = 5, kToolText = 6 };
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
    uint32_t flags = 0;  // bit 0: the palette's transparency is on
    uint8_t activeColour = 0;
    std::array<uint32_t, 2> colours{};  // Win32 form 0x00BBGGRR
    std::array<uint8_t, 2> colourTransparency{};
    std::array<int32_t, kToolSettingCount> toolSettings{};
    std::array<Text, 4> properties;
    std::array<int, 4> pathMarks{-1, -1, -1, -1};
    GpPathOwner selectionPath, drawPath, otherPath, workPath;
    UndoHistory undo;
    int pasteObjectCount = 0;
    int hotspotX = 0, hotspotY = 0;

    bool occupied() const { return bitmap.get() != nullptr; }
    // Frees the slot: releases every object and zeroes every field.
    void Clear();
    // Takes over everything of another slot, leaving it free.
    void TakeFrom(ImageSlot& other);
};

struct ImageSet {
    std::array<ImageSlot, kMaxImages> slots;
    std::array<int, kMaxImages> selectedPasteObject;
    int current = -1;
    int count = 0;

    ImageSet() { selectedPasteObject.fill(-1); }
    ImageSlot* Current() { return current >= 0 ? &slots[static_cast<size_t>(current)] : nullptr; }
    int Occupied() const;
    int FirstFree() const;
    Text NextNewName() const;
};

class Editor;

// Registers the bitmap placed in the current slot under the name being loaded.
void InitSlot(Editor& editor, bool refreshMenus);
void SelectImage(Editor& editor, int index);
// Removes the current image and compacts the table (the close question is asked by the command).
void CloseCurrentImage(Editor& editor);
void RefreshStatusLine(Editor& editor);
void RebuildImageSelectMenu(Editor& editor);
// Command 40500 + k of the image-select menu.
void SelectFromImageMenu(Editor& editor, int id);
// Replaces the current image's thumbnail after its pixels changed.
void RefreshCurrentThumbnail(Editor& editor);

}  // namespace mirelo
