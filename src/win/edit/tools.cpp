// The registration table of the tools: one line per tool, in ToolId order.
#include "app/tool.h"

namespace mirelo {

// The descriptor each tool file defines.
const ToolDescriptor& SelectionToolDescriptor();
const ToolDescriptor& ShapeToolDescriptor();
const ToolDescriptor& RetouchToolDescriptor();
const ToolDescriptor& FillToolDescriptor();
const ToolDescriptor& EyedropperToolDescriptor();
const ToolDescriptor& TextToolDescriptor();

const std::vector<const ToolDescriptor*>& Tools() {
    static const std::vector<const ToolDescriptor*> tools = {
        &SelectionToolDescriptor(), &ShapeToolDescriptor(),      &RetouchToolDescriptor(),
        &FillToolDescriptor(),      &EyedropperToolDescriptor(), &TextToolDescriptor(),
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
