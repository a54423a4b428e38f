#include "app/tool_row.h"

#include "app/commands.h"

namespace mirelo {

// The row each tool file defines.
#define MIRELO_TOOL(Name, id, command) const ToolRow& Name##ToolRow();
#include "app/tool_list.h"
#undef MIRELO_TOOL

const std::vector<ToolEntry>& ToolRows() {
    static const std::vector<ToolEntry> rows = {
#define MIRELO_TOOL(Name, id, command) {kTool##Name, cmd::kTool##Name, &Name##ToolRow()},
#include "app/tool_list.h"
#undef MIRELO_TOOL
    };
    return rows;
}

const ToolEntry* FindToolRow(int tool) {
    for (const ToolEntry& e : ToolRows())
        if (e.id == tool) return &e;
    return nullptr;
}

}  // namespace mirelo
