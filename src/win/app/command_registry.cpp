#include "app/command_registry.h"

#include "app/editor.h"


namespace mirelo {

CommandRegistry::CommandRegistry() {
    size_t n = 0;
    const CommandInfo* table = CommandTable(&n);
    commands_.reserve(n + 3);
    for (size_t i = 0; i < n; ++i) commands_.push_back(Command{table[i].id, table[i].id, table[i].guards, {}, nullptr});
    for (const CommandInfo* range : {FindCommand(cmd::kImageBarFirst), FindCommand(cmd::kImageSelectFirst), FindCommand(cmd::kRecentFirst)})
        commands_.push_back(Command{range->id, range->LastId(), range->guards, {}, nullptr});

    RegisterAppCommands(*this);
    RegisterImageCommands(*this);
    RegisterFileCommands(*this);
    RegisterEditCommands(*this);
    RegisterClipboardCommands(*this);
    RegisterColourCommands(*this);
    RegisterSelectCommands(*this);
    RegisterPasteCommands(*this);
    RegisterOpsCommands(*this);
    RegisterDrawCommands(*this);
    RegisterPrintCommands(*this);
    RegisterScannerCommands(*this);
    RegisterFrame(*this);
}

Command* CommandRegistry::FindMutable(int id) {
    for (Command& c : commands_)
        if (id >= c.id && id <= c.last) return &c;
    return nullptr;
}

const Command* CommandRegistry::Find(int id) const { return const_cast<CommandRegistry*>(this)->FindMutable(id); }

void CommandRegistry::On(int id, CommandAction run, CommandRule enabled) {
    if (Command* c = FindMutable(id)) {
        c->run = std::move(run);
        if (enabled) c->enabled = enabled;
    }
}

void CommandRegistry::Rule(int id, CommandRule enabled) {
    if (Command* c = FindMutable(id)) c->enabled = enabled;
}

void DrawingColoursChanged(Editor& e) {
    for (const auto& observer : e.commands.ColourObservers()) observer(e);
    e.Changed(change::kColours);
}

namespace rule {
bool Never(const CommandState&) { return false; }
bool ImageOpen(const CommandState& s) { return s.open; }
}  // namespace rule

}  // namespace mirelo
