// The registry of commands: one record {id, guards, run, enabled} per command of the program's
// vocabulary. Each subsystem registers the action and the availability rule of its own
// commands; the dispatcher runs the guards and the action, and the menu state applies the
// rules to the menus, tool bars and context menus.
#pragma once
#include <array>
#include <functional>
#include <utility>
#include <vector>

#include "app/change_record.h"
#include "app/commands.h"

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


using CommandAction = std::function<void(Editor&, int id)>;
// Whether a command can be chosen in the given state; commands without a rule are left as their
// menu item and button were made.
using CommandRule = bool (*)(const CommandState&);

struct Command {
    int id = 0;
    int last = 0;  // the last id of a range of commands (image bar, image-select menu), else id
    unsigned guards = 0;
    CommandAction run;           // empty until the owning subsystem registers it
    CommandRule enabled = nullptr;
};

class CommandRegistry {
public:
    // One record for every command of the vocabulary, with its guards and no action yet; then
    // every subsystem registers its own.
    CommandRegistry();

    // Registers the action (and the rule) of one command, or of a whole range of ids.
    void On(int id, CommandAction run, CommandRule enabled = nullptr);
    // Registers only the rule of a command whose action belongs to another command or comes later.
    void Rule(int id, CommandRule enabled);

    const Command* Find(int id) const;
    const std::vector<Command>& All() const { return commands_; }

    // Subsystems that follow a change of a tool option list (after it is stored in the image).
    using OptionObserver = std::function<void(Editor&, int option)>;
    void OnOptionChanged(OptionObserver observer) { optionObservers_.push_back(std::move(observer)); }
    const std::vector<OptionObserver>& OptionObservers() const { return optionObservers_; }

    // Subsystems that follow a change of the current image's drawing colours (the selected text
    // object takes them).
    using ColourObserver = std::function<void(Editor&)>;
    void OnColoursChanged(ColourObserver observer) { colourObservers_.push_back(std::move(observer)); }
    const std::vector<ColourObserver>& ColourObservers() const { return colourObservers_; }

    // Windows that follow the refresh as a whole (the arrow window closes when the tool is reset).
    using RefreshObserver = std::function<void(Editor&, const RefreshPlan&)>;
    void OnRefresh(RefreshObserver observer) { refreshObservers_.push_back(std::move(observer)); }
    const std::vector<RefreshObserver>& RefreshObservers() const { return refreshObservers_; }

    // Subsystems that fill their part of the command state (the clipboard, the scanner, the
    // paths); they run before the image's own fields are read.
    using StateReader = std::function<void(Editor&, CommandState&)>;
    void OnReadState(StateReader reader) { stateReaders_.push_back(std::move(reader)); }
    const std::vector<StateReader>& StateReaders() const { return stateReaders_; }

    // The check behind a guard flag that a subsystem owns (kGuardPendingPath, kGuardPasteObjects):
    // false keeps the command from running. A flag without a check lets it run.
    using GuardCheck = bool (*)(Editor&);
    void OnGuard(unsigned guard, GuardCheck check) { guardChecks_.emplace_back(guard, check); }
    bool PassesGuard(Editor& editor, unsigned guard) const {
        for (const auto& [flag, check] : guardChecks_)
            if (flag == guard && !check(editor)) return false;
        return true;
    }

    // The refresh's steps (app/refresh.h), each registered by the part of the frame it shows,
    // and what looks at the noted changes before the steps run (the recovery copies, the main
    // window shown again).
    using RefreshStepAction = std::function<void(Editor&, const RefreshPlan&)>;
    void OnRefreshStep(RefreshStep step, RefreshStepAction action) { steps_[static_cast<size_t>(step)] = std::move(action); }
    const RefreshStepAction& Step(RefreshStep step) const { return steps_[static_cast<size_t>(step)]; }
    using ChangesObserver = std::function<void(Editor&, const ChangeRecord&, const RefreshPlan&)>;
    void OnChanges(ChangesObserver observer) { changesObservers_.push_back(std::move(observer)); }
    const std::vector<ChangesObserver>& ChangesObservers() const { return changesObservers_; }

private:
    Command* FindMutable(int id);
    std::vector<Command> commands_;
    std::vector<OptionObserver> optionObservers_;
    std::vector<ColourObserver> colourObservers_;
    std::vector<RefreshObserver> refreshObservers_;
    std::vector<StateReader> stateReaders_;
    std::vector<std::pair<unsigned, GuardCheck>> guardChecks_;
    std::array<RefreshStepAction, kRefreshStepCount> steps_;
    std::vector<ChangesObserver> changesObservers_;
};

// The current image's drawing colours (or their transparency, or which one is active) were
// changed by the user: the colour observers follow, and the change is noted.
void DrawingColoursChanged(Editor& editor);

// Availability rules shared by several subsystems.
namespace rule {
bool Never(const CommandState&);  // the command's subsystem has not arrived yet
bool ImageOpen(const CommandState& s);
}  // namespace rule

// The registration function of each subsystem.
void RegisterAppCommands(CommandRegistry& registry);
void RegisterImageCommands(CommandRegistry& registry);
void RegisterFileCommands(CommandRegistry& registry);
void RegisterEditCommands(CommandRegistry& registry);
void RegisterClipboardCommands(CommandRegistry& registry);
void RegisterColourCommands(CommandRegistry& registry);
void RegisterSelectCommands(CommandRegistry& registry);
void RegisterPasteCommands(CommandRegistry& registry);
void RegisterOpsCommands(CommandRegistry& registry);
void RegisterDrawCommands(CommandRegistry& registry);
void RegisterPrintCommands(CommandRegistry& registry);
void RegisterScannerCommands(CommandRegistry& registry);
// The main window's part: the refresh steps that show the editor in the frame.
void RegisterFrame(CommandRegistry& registry);

}  // namespace mirelo
