// The registry of commands: one record {id, guards, run, enabled} per command of the program's
// vocabulary. Each subsystem registers the action and the availability rule of its own
// commands; the dispatcher runs the guards and the action, and the menu state applies the
// rules to the menus, tool bars and context menus.
#pragma once
#include <functional>
#include <vector>

#include "app/commands.h"

namespace mirelo {

class Editor;
struct CommandState;

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

    // Subsystems whose windows follow the state the menus and tool bars show (the side panels):
    // told after every refresh of that state.
    using StateObserver = std::function<void(Editor&)>;
    void OnStateApplied(StateObserver observer) { stateObservers_.push_back(std::move(observer)); }
    const std::vector<StateObserver>& StateObservers() const { return stateObservers_; }

private:
    Command* FindMutable(int id);
    std::vector<Command> commands_;
    std::vector<OptionObserver> optionObservers_;
    std::vector<StateObserver> stateObservers_;
};

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

}  // namespace mirelo
