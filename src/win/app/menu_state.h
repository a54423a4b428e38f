// Availability of the commands: the state they depend on is read once per refresh, every
// registered rule is evaluated once into one value, and that value is applied to the menu bar,
// its pop-ups (which the context menus share), the paste-object menu and the tool bars.
#pragma once
#include <array>
#include <utility>
#include <vector>

#include "app/command_registry.h"
#include "common/win.h"

namespace mirelo {

class Editor;

struct Availability {
    CommandState state;
    std::vector<std::pair<int, bool>> commands;  // every command with a rule
    std::array<bool, 9> popups{};                // the top-level menus by position
    // Commands without a rule count as available.
    bool Enabled(int id) const;
};

CommandState ReadCommandState(Editor& editor);
Availability ComputeAvailability(Editor& editor);
// Applies the availability to the pop-up items, tool-bar buttons and image controls, and sets
// every check mark (format, grid, image, settings).
void ApplyAvailability(Editor& editor, const Availability& availability);

// The availability step of the refresh (app/refresh.h): reads the state once, applies it to the
// menu bar and everything above.
void ShowAvailability(Editor& editor);

}  // namespace mirelo
