// The tool interface: the canvas view hands each mouse event of the image to the current
// image's tool (after the paste objects had their chance), and asks it for the overlay it draws
// above the image and its cursor. The option bands a tool shows are the option bar's rules
// (core ui/option_bands.h), each tool's in its tool row.
#pragma once
#include <memory>
#include <vector>

#include "common/gdiplus.h"
#include "common/tool_icons.h"
#include "edit/tool_settings.h"
#include "edit/view_math.h"

namespace mirelo {

class Editor;
struct ImageSlot;

// Index 0 of the editor's tools is the paste-object handling; the others are the ToolId values
// (kToolCount slots in all, core edit/tool_settings.h).
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
    // The cursor over the image while it differs from the tool's own (its descriptor's); nullptr
    // for the tool's own. For the paste-object handling, nullptr leaves it to the current tool.
    virtual HCURSOR Cursor(const Editor&) const { return nullptr; }
};

// The paste-object handling, index 0 of the editor's tools.
std::unique_ptr<Tool> MakePasteObjectHandling();

// A tool as the program knows it: its id, the buttons that choose it and their image, its cursor
// and how it is made (`<Name>ToolDescriptor()` in its tool file). The option bands it shows are
// the band rule of its row in the core (`<Name>ToolRow()`, core app/tool_row.h).
struct ToolDescriptor {
    ToolId id;
    int command;         // its tool-bar button and menu item
    int paletteCommand;  // its button on the palette panel; 0 when it has none
    IconDrawing icon;    // the image of its buttons
    int cursor;          // the cursor resource it shows over the image; 0 for the arrow
    std::unique_ptr<Tool> (*make)();
};

// Every tool, in the order of the tool list (core app/tool_list.h), from which edit/tools.cpp
// generates the registration table.
const std::vector<const ToolDescriptor*>& Tools();
// The tool of an id, or the one a tool-bar or palette-panel command chooses; nullptr when none.
const ToolDescriptor* FindTool(int id);
const ToolDescriptor* FindToolByCommand(int command);

// The cursors the view loads besides the tools' own ones.
enum class CursorId { Skew, Wand, Hand };
constexpr int kCursorIdCount = 3;

}  // namespace mirelo
