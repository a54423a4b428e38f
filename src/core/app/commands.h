// The command vocabulary: ids, menu texts, guards, and the key mirror of the accelerators.
#pragma once
#include <cstddef>
#include <cstdint>

#include "app/command_ids.h"
#include "common/text.h"

namespace mirelo {

namespace cmd {
enum : int {
    kNew = IDM_NEW, kOpen = IDM_OPEN, kClose = IDM_CLOSE, kSave = IDM_SAVE, kSaveAs = IDM_SAVE_AS,
    kScanSource = IDM_SCAN_SOURCE, kScan = IDM_SCAN, kPageSetup = IDM_PAGE_SETUP, kPrint = IDM_PRINT, kExit = IDM_EXIT,
    kUndo = IDM_UNDO, kRedo = IDM_REDO, kErase = IDM_ERASE, kCut = IDM_CUT, kCopy = IDM_COPY,
    kPaste = IDM_PASTE, kPasteNew = IDM_PASTE_NEW, kSelectAll = IDM_SELECT_ALL, kSelectNone = IDM_SELECT_NONE,
    kObjDelete = IDM_OBJ_DELETE, kObjReset = IDM_OBJ_RESET, kObjEditText = IDM_OBJ_EDIT_TEXT, kObjForward = IDM_OBJ_FORWARD,
    kObjBackward = IDM_OBJ_BACKWARD, kObjMerge = IDM_OBJ_MERGE, kObjMergeAll = IDM_OBJ_MERGE_ALL, kObjFrames = IDM_OBJ_FRAMES,
    kPathClose = IDM_PATH_CLOSE, kPathDraw = IDM_PATH_DRAW, kPathReset = IDM_PATH_RESET, kPathCopyOther = IDM_PATH_COPY_OTHER,
    kPathDeletePoint = IDM_PATH_DELETE_POINT, kPathDeleteLast = IDM_PATH_DELETE_LAST, kPathDeleteAll = IDM_PATH_DELETE_ALL,
    kResize = IDM_RESIZE, kRotate90 = IDM_ROTATE_90, kRotate180 = IDM_ROTATE_180, kRotate270 = IDM_ROTATE_270,
    kFlipH = IDM_FLIP_H, kFlipV = IDM_FLIP_V, kTransparency = IDM_TRANSPARENCY, kEffects = IDM_EFFECTS,
    kColourSelect = IDM_COLOUR_SELECT, kLoadFixedPalette = IDM_LOAD_FIXED_PALETTE,
    kPaletteMedianCut = IDM_PALETTE_MEDIAN_CUT, kPaletteUniform = IDM_PALETTE_UNIFORM, kPaletteFixed = IDM_PALETTE_FIXED,
    kPaletteMono = IDM_PALETTE_MONO,
    kDither = IDM_DITHER, k1Index = IDM_FORMAT_1_INDEX, k4Index = IDM_FORMAT_4_INDEX, k8Index = IDM_FORMAT_8_INDEX,
    k16RGB555 = IDM_FORMAT_16_RGB555, k16RGB565 = IDM_FORMAT_16_RGB565, k16ARGB1555 = IDM_FORMAT_16_ARGB1555,
    k24RGB = IDM_FORMAT_24_RGB, k32RGB = IDM_FORMAT_32_RGB,
    k32ARGB = IDM_FORMAT_32_ARGB, k32PARGB = IDM_FORMAT_32_PARGB, k48RGB = IDM_FORMAT_48_RGB, k64ARGB = IDM_FORMAT_64_ARGB,
    k64PARGB = IDM_FORMAT_64_PARGB,
    kGridNone = IDM_GRID_NONE, kGridFirst = IDM_GRID_FIRST, kGridLast = IDM_GRID_LAST, kGridCustom = IDM_GRID_CUSTOM,
    kArrowEdit = IDM_ARROW_EDIT, kResolution = IDM_RESOLUTION, kProperties = IDM_PROPERTIES, kCursorCoords = IDM_CURSOR_COORDS,
    kCheckerboard = IDM_CHECKERBOARD,
    kHelp = IDM_HELP, kAbout = IDM_ABOUT, kDelete = IDM_DELETE,
    kFitWindow = IDM_FIT_WINDOW, kActualSize = IDM_ACTUAL_SIZE,
    kPalSelect = IDM_PAL_SELECT, kPalFill = IDM_PAL_FILL, kPalEyedropper = IDM_PAL_EYEDROPPER,
    kPalTransparent = IDM_PAL_TRANSPARENT, kPalDialog = IDM_PAL_DIALOG,
    // kTool<Name>: the tools' buttons and menu items (app/tool_list.h).
#define MIRELO_TOOL(Name, id, command) kTool##Name = command,
#include "app/tool_list.h"
#undef MIRELO_TOOL
    kRotateRight = IDM_ROTATE_RIGHT, kRotateLeft = IDM_ROTATE_LEFT,
    kImageBarFirst = IDM_IMAGE_BAR_FIRST, kImageBarLast = IDM_IMAGE_BAR_LAST,
    kImageSelectFirst = IDM_IMAGE_SELECT_FIRST, kImageSelectLast = IDM_IMAGE_SELECT_LAST,
    kRecentFirst = IDM_RECENT_FIRST, kRecentLast = IDM_RECENT_LAST,
};
}  // namespace cmd

// Guards checked by the dispatcher before a command's own action.
enum CommandGuard : unsigned {
    kGuardNone = 0,
    kGuardPendingPath = 1,  // ask about an unfinished drawing path first; stop on Cancel
    kGuardImage = 2,        // do nothing without a current image
    kGuardPasteObjects = 4, // refuse while the current image has paste objects
};

struct CommandInfo {
    int id;
    unsigned guards;
    int last = 0;  // the last id of a range of commands; 0 for a single command

    int LastId() const { return last ? last : id; }
};

const CommandInfo* CommandTable(size_t* count);
// The table row of an id, including the image-bar and image-select ranges; nullptr without one.
const CommandInfo* FindCommand(int id);

// Grid spacing of the fixed grid commands 40066..40078; 0 for other ids.
int GridSpacingForCommand(int id);
// The fixed grid command of equal spacings, 40065 for none, 40079 otherwise.
int GridCommandForSpacing(int x, int y);

// The colour-format menu command of a pixel format, 0 when it has none.
int FormatCommand(uint32_t pixelFormat);

// Key mirror of the accelerators for keys reaching the main window: virtual key and Ctrl state.
int KeyToCommandId(unsigned virtualKey, bool ctrlDown);

struct AcceleratorKey {
    unsigned virtualKey;
    bool ctrl;
    int command;
};
const AcceleratorKey* AcceleratorTable(size_t* count);

constexpr const char16_t* kVersionText = u"1.54";

}  // namespace mirelo

namespace mirelo {

// Where save in place (40004) goes for the current image.
enum class SaveRoute { SaveAsDialog, IconOrPointer, PngOrTiff, Direct };
SaveRoute ChooseSaveRoute(bool fileExists, int fileType);

}  // namespace mirelo

namespace mirelo {

// Tool-bar buttons in their order; 0 marks a separator.
struct ToolBarButton {
    int command;
    const char16_t* tip;
};
// The main tool bar (file, undo/redo, clipboard, rotation) with its separators.
const ToolBarButton* MainToolBarButtons(size_t* count);
// The view tool bar (fit to window, actual size).
const ToolBarButton* ViewToolBarButtons(size_t* count);
// The tool buttons, from the tool rows in the tool list's order (app/tool_row.h).
const ToolBarButton* ToolButtons(size_t* count);
// The path buttons of the selection and shape option bands (delete the last point, the last
// figure, all paths).
const ToolBarButton* PathToolBarButtons(size_t* count);
// The palette panel's tool bar: selection, fill, eyedropper, then the transparent colour (a check
// button) and the palette dialog.
const ToolBarButton* PaletteToolBarButtons(size_t* count);
// Tool tip of a tool-bar command: the main tool bar's table, then the view tool bar's, the
// tools', the path buttons' and the palette tool bar's.
const char16_t* ToolTipText(int command);

}  // namespace mirelo
