// The tool interface: the canvas view hands each mouse event of the image to the current
// image's tool (after the paste objects had their chance), and asks it for the overlay it draws
// above the image and its cursor. The option bands a tool shows are the option bar's rules
// (ui/option_bands.h).
#pragma once
#include <memory>

#include "common/gdiplus.h"
#include "edit/view_math.h"

namespace mirelo {

class Editor;
struct ImageSlot;

// Index 0 of the editor's tools is the paste-object handling; 1..6 are the ToolId values.
constexpr int kToolCount = 7;
constexpr int kPasteObjectHandling = 0;

// One mouse event over the view.
struct ToolEvent {
    IntPoint image;       // the image pixel under the mouse
    int clientX = 0, clientY = 0;
    WPARAM keys = 0;      // MK_ flags of the message
};

// Where the overlay is drawn: a graphics on the view's back buffer, and the image's layout in it.
struct OverlayTarget {
    Gdiplus::GpGraphics* graphics = nullptr;
    ViewLayout layout;
    int scrollX = 0, scrollY = 0;
    // The part of the buffer drawn again (client pixels); the graphics is clipped to it.
    int dirtyLeft = 0, dirtyTop = 0, dirtyRight = 0, dirtyBottom = 0;
};

class Tool {
public:
    virtual ~Tool() = default;
    // Each returns true when it took the event (the paste-object handling then keeps it from the
    // current tool).
    virtual bool Press(Editor&, ImageSlot&, const ToolEvent&) { return false; }
    virtual bool Move(Editor&, ImageSlot&, const ToolEvent&) { return false; }
    virtual bool Release(Editor&, ImageSlot&, const ToolEvent&) { return false; }
    virtual bool DoubleClick(Editor&, ImageSlot&, const ToolEvent&) { return false; }
    // Draws what the tool shows above the image (frames, outlines, previews).
    virtual void DrawOverlay(Editor&, ImageSlot&, const OverlayTarget&) {}
    // The cursor over the image: one of the editor's loaded cursors, or the arrow (nullptr).
    virtual HCURSOR Cursor(const Editor&) const { return nullptr; }
};

// The tools, one per file in their subsystems.
std::unique_ptr<Tool> MakePasteObjectHandling();
std::unique_ptr<Tool> MakeSelectionTool();
std::unique_ptr<Tool> MakeShapeTool();
std::unique_ptr<Tool> MakeRetouchTool();
std::unique_ptr<Tool> MakeFillTool();
std::unique_ptr<Tool> MakeEyedropperTool();
std::unique_ptr<Tool> MakeTextTool();

}  // namespace mirelo
