// The floating objects that lie above one image (pasted images, and texts): each image keeps its
// own list in drawing order, the back one first; all images together hold at most 256.
#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "common/gdiplus.h"
#include "paste/object_transform.h"
#include "select/edit_path.h"
#include "edit/tool_settings.h"

namespace mirelo {

class Editor;
struct ImageSlot;

// All images together hold at most this many paste objects.
constexpr int kMaxPasteObjects = 256;

constexpr int kResetRotationIndex = 0, kResetScaleIndex = 99;

struct PasteObject {
    bool isText = false;
    EditPath outline;                  // object pixels: its rectangle, or the clipboard's selection outline
    EditPath hitPath;                  // the outline turned and scaled about the centre, at 100 %
    GpBitmapOwner bitmap;              // image objects: 32-bit ARGB
    std::vector<uint8_t> mask;         // width × height bytes from the clipboard, or empty
    int x = 0, y = 0;                  // image objects: top-left corner in image pixels
    int width = 0, height = 0;
    int transparency = 0;              // 0 opaque … 255 invisible
    int smoothingIndex = 0;
    int interpolation = 5;             // used when merging
    int rotationIndex = 0, widthIndex = kResetScaleIndex, heightIndex = kResetScaleIndex;
    int skewX = 0, skewY = 0;          // image objects: the skew handle in image pixels

    // Texts (made by the text tool).
    Text text;
    Text fontName;
    float fontSize = 0;
    std::array<int, 7> textOptions{};  // font, size, smoothing, layout, alignment, style, tab width
    std::array<int, 3> textExtra{};    // brush kind, gamma, texture wrap mode
    std::array<uint32_t, 2> colours{};
    std::array<uint8_t, 2> colourTransparency{};
    uint8_t activeColour = 0;
    float textBoxX = 0, textBoxY = 0, textWidth = 0, textHeight = 0;
    float textX = 0, textY = 0, frameWidth = 0, frameHeight = 0;
    bool inFrame = false;

    ObjectTurn Turn() const { return ObjectTurn{rotationIndex, ScaleOfIndex(widthIndex), ScaleOfIndex(heightIndex)}; }
    // Its turn or scales differ from the reset ones, or its handle has moved.
    bool Transformed() const {
        return rotationIndex != kResetRotationIndex || widthIndex != kResetScaleIndex || heightIndex != kResetScaleIndex ||
               (!isText && (skewX != x + width || skewY != y));
    }
};

struct PasteObjects {
    std::vector<PasteObject> items;  // back first
    int selected = -1;               // index into items, −1 for none

    int Count() const { return static_cast<int>(items.size()); }
    bool Empty() const { return items.empty(); }
    // The selected object, or nullptr.
    const PasteObject* Selected() const {
        return selected >= 0 && selected < Count() ? &items[static_cast<size_t>(selected)] : nullptr;
    }
    PasteObject* Selected() { return selected >= 0 && selected < Count() ? &items[static_cast<size_t>(selected)] : nullptr; }
    void Clear() {
        items.clear();
        selected = -1;
    }
};

// The view's placement of the image, for drawing objects on screen.
struct ObjectView {
    int zoom = 100;
    int originX = 0, originY = 0;  // the image's top-left corner on the view
};

// The matrix that places an image object on the view (zoom > 0) or in the image (merging).
Affine ImageObjectMatrix(const PasteObject& o, const ObjectView* view);
// Draws an image object: its pixels with the object's transparency, turned, scaled and skewed;
// false when it could not be drawn.
bool DrawImageObject(Gdiplus::GpGraphics* graphics, const PasteObject& o, const ObjectView* view);
// Rebuilds the hit path, and draws the frame when `width` > 0: a light pen, then a dark one
// dashed {3, 3}.
void DrawObjectFrame(Gdiplus::GpGraphics* graphics, PasteObject& o, const ObjectView& view, Gdiplus::ARGB light,
                     Gdiplus::ARGB dark, float width);
// The skew handle's 10 × 10 square on the view: its lower-left corner is the handle.
IntRect SkewHandleRect(const PasteObject& o, const ObjectView& view);

// What a mouse position hits: the top-most object whose handle or body is under it.
struct ObjectHit {
    int index = -1;
    bool handle = false;
};
ObjectHit HitTestPasteObjects(ImageSlot& slot, const ObjectView& view, int clientX, int clientY, int imageX, int imageY);

// The number of objects of all images, and whether another one fits.
int TotalPasteObjects(const Editor& editor);

// The image's transform options take the selected object's turn and scales (the reset values
// without one), and a text object's options; the option bar shows them at the refresh.
void TakeTransformOf(Editor& editor);
// The transparency control's value for the selected picture object.
void SetSelectedObjectTransparency(Editor& editor, int value);
// 40021: the selected object unturned, unscaled and unskewed.
void ResetTransform(Editor& editor);
// A change of a list of the transform band, applied to the selected object.
void ApplyTransformOption(Editor& editor, int option);

// Paste, cut, erase, delete and merge.
void PasteAsObject(Editor& editor);
void CutSelection(Editor& editor);
void EraseSelection(Editor& editor);
void DeletePasteObject(Editor& editor, ImageSlot& slot);
bool MergePasteObject(Editor& editor);
bool MergeAllPasteObjects(Editor& editor);
void BringToFront(Editor& editor);
void SendToBack(Editor& editor);
// Images that cannot carry objects (indexed, 16-bit A1R5G5B5) are converted first when the user
// agrees; false when the command should end.
bool ReadyForObjects(Editor& editor, bool merging);
// The quarter turns set the selected object's turn, the flips mirror its pixels (kinds as the
// image's: 1 left-right, 2 top-bottom, 3..5 quarter turns); `angle` turns it by any angle.
void TurnSelectedObject(Editor& editor, int kind);
void TurnSelectedObjectBy(Editor& editor, int angle, bool reverse);

}  // namespace mirelo
