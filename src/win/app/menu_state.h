// Availability of the commands: the state they depend on is read once per refresh, every
// registered rule is evaluated once into one value, and that value is applied to the menu bar,
// its pop-ups (which the context menus share), the paste-object menu and the tool bars.
#pragma once
#include <array>
#include <utility>
#include <vector>

#include "common/win.h"

namespace mirelo {

class Editor;

// Which commands of the menu ﾊﾟｽ apply to the current image and tool.
struct PathAvailability {
    bool close = false, draw = false, reset = false, copy = false, deletePoint = false, deleteFigure = false;
};

// What the availability rules look at.
struct CommandState {
    bool open = false;            // a current image
    bool indexed = false;         // … in an indexed format
    bool canUndo = false, canRedo = false;
    bool clipboardImage = false;  // a bitmap on the clipboard
    int images = 0;
    int objects = 0;              // paste objects of the current image
    bool objectSelected = false, textSelected = false, objectTransformed = false;
    bool selection = false;       // the current image has a selection
    bool paths = false;           // the current tool has paths to edit
    PathAvailability pathCommands;
    bool arrowOption = false;     // the shape tool draws a line that may end in an arrow
    bool colourPanels = false;    // a colour or palette panel is shown
    bool scanner = false;         // the scanner's source manager is loaded
};

struct Availability {
    CommandState state;
    std::vector<std::pair<int, bool>> commands;  // every command with a rule
    std::array<bool, 9> popups{};                // the top-level menus by position
    // Commands without a rule count as available.
    bool Enabled(int id) const;
};

CommandState ReadCommandState(Editor& editor);
Availability ComputeAvailability(Editor& editor);
// Applies the availability to the pop-up items, tool-bar buttons and image controls, sets
// every check mark (format, grid, image, settings), and tells the state observers (the side
// panels follow the current image, its format and its tool).
void ApplyAvailability(Editor& editor, const Availability& availability);

// The whole refresh: reads the state once, applies it to the menu bar and everything above.
void RefreshMenuState(Editor& editor);

}  // namespace mirelo
