// The registration table of the tools, generated from the tool list (core app/tool_list.h).
#include "app/tool.h"

namespace mirelo {

// The descriptor each tool file defines.
#define MIRELO_TOOL(Name, id, command) const ToolDescriptor& Name##ToolDescriptor();
#include "app/tool_list.h"
#undef MIRELO_TOOL

const std::vector<const ToolDescriptor*>& Tools() {
    static const std::vector<const ToolDescriptor*> tools = {
#define MIRELO_TOOL(Name, id, command) &Name##ToolDescriptor(),
#include "app/tool_list.h"
#undef MIRELO_TOOL
    };
    return tools;
}

const ToolDescriptor* FindTool(int id) {
    for (const ToolDescriptor* d : Tools())
        if (d->id == id) return d;
    return nullptr;
}

const ToolDescriptor* FindToolByCommand(int command) {
    if (command == 0) return nullptr;
    for (const ToolDescriptor* d : Tools())
        if (d->command == command || d->paletteCommand == command) return d;
    return nullptr;
}

}  // namespace mirelo
