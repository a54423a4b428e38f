// What the core knows of a tool besides its id: the guards of the command that chooses it, the
// tooltip of its tool-bar button and its band rule of the option bar. Each tool file defines
// its row, `const ToolRow& <Name>ToolRow()`; the table of the rows is generated from the tool
// list (app/tool_list.h), and the command table, the tool bar and the option bar's rules take
// the tools from it.
#pragma once
#include <vector>

#include "edit/tool_settings.h"

namespace mirelo {

class BandRules;

struct ToolRow {
    unsigned guards = 0;                  // CommandGuard flags of its command
    const char16_t* tip = nullptr;        // the tooltip of its tool-bar button
    void (*bands)(BandRules&) = nullptr;  // the bands its options show; none for a tool without options
    bool objectTransform = false;         // a selected paste object shows its transform band
    std::vector<int> reads;               // the options its band rule reads
};

// A tool of the list with its row.
struct ToolEntry {
    ToolId id;
    int command;  // cmd::kTool<Name>
    const ToolRow* row;
};

// Every tool, in the list's order (that of the ids).
const std::vector<ToolEntry>& ToolRows();
// The entry of a tool id; nullptr for none.
const ToolEntry* FindToolRow(int tool);

}  // namespace mirelo
