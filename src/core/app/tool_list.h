/* The one list of the tools, in ToolId order. Each tool has here its command id (read by the
   resource script through app/command_ids.h, so this part holds macros only and includes
   nothing) and its line MIRELO_TOOL(Name, id, command), from which the code generates the
   ToolId values (kTool<Name>), the command enumerators (cmd::kTool<Name>), the core's table of
   tool rows (<Name>ToolRow(), app/tool_row.h) and the window layer's registration table
   (<Name>ToolDescriptor()). The ids run from 1 without gaps. To expand the lines, define
   MIRELO_TOOL, include this header and undefine it again. */
#ifndef MIRELO_TOOL_LIST_H
#define MIRELO_TOOL_LIST_H

#define IDM_TOOL_SELECT 1156
#define IDM_TOOL_SHAPE 1157
#define IDM_TOOL_RETOUCH 1158
#define IDM_TOOL_FILL 1159
#define IDM_TOOL_EYEDROPPER 1160
#define IDM_TOOL_TEXT 1161

#endif

#ifdef MIRELO_TOOL
MIRELO_TOOL(Select, 1, IDM_TOOL_SELECT)
MIRELO_TOOL(Shape, 2, IDM_TOOL_SHAPE)
MIRELO_TOOL(Retouch, 3, IDM_TOOL_RETOUCH)
MIRELO_TOOL(Fill, 4, IDM_TOOL_FILL)
MIRELO_TOOL(Eyedropper, 5, IDM_TOOL_EYEDROPPER)
MIRELO_TOOL(Text, 6, IDM_TOOL_TEXT)
#endif
