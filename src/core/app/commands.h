// The command vocabulary: ids, menu texts, guards, and the key mirror of the accelerators.
#pragma once
#include <cstddef>
#include <cstdint>

#include "common/text.h"

namespace mirelo {

namespace cmd {
enum : int {
    kNew = 40001, kOpen = 40002, kClose = 40003, kSave = 40004, kSaveAs = 40005,
    kScanSource = 40006, kScan = 40007, kPageSetup = 40008, kPrint = 40009, kExit = 40010,
    kUndo = 40011, kRedo = 40012, kErase = 40013, kCut = 40014, kCopy = 40015,
    kPaste = 40016, kPasteNew = 40017, kSelectAll = 40018, kSelectNone = 40019,
    kObjDelete = 40020, kObjReset = 40021, kObjEditText = 40022, kObjForward = 40023,
    kObjBackward = 40024, kObjMerge = 40025, kObjMergeAll = 40026, kObjFrames = 40027,
    kPathClose = 40028, kPathDraw = 40029, kPathReset = 40030, kPathCopyOther = 40031,
    kPathDeletePoint = 40032, kPathDeleteLast = 40033, kPathDeleteAll = 40034,
    kResize = 40035, kRotate90 = 40036, kRotate180 = 40037, kRotate270 = 40038,
    kFlipH = 40039, kFlipV = 40040, kTransparency = 40042, kEffects = 40043,
    kColourSelect = 40044, kLoadFixedPalette = 40045,
    kPaletteMedianCut = 40046, kPaletteUniform = 40047, kPaletteFixed = 40048, kPaletteMono = 40049,
    kDither = 40050, k1Index = 40051, k4Index = 40052, k8Index = 40053,
    k16RGB555 = 40055, k16RGB565 = 40056, k16ARGB1555 = 40057, k24RGB = 40058, k32RGB = 40059,
    k32ARGB = 40060, k32PARGB = 40061, k48RGB = 40062, k64ARGB = 40063, k64PARGB = 40064,
    kGridNone = 40065, kGridFirst = 40066, kGridLast = 40078, kGridCustom = 40079,
    kArrowEdit = 40080, kResolution = 40081, kProperties = 40082, kCursorCoords = 40083,
    kHelp = 40084, kAbout = 40085, kDelete = 40086,
    kFitWindow = 1124, kActualSize = 1125,
    kPalSelect = 1132, kPalFill = 1133, kPalEyedropper = 1134, kPalTransparent = 1137, kPalDialog = 1138,
    kToolSelect = 1156, kToolShape = 1157, kToolRetouch = 1158, kToolFill = 1159,
    kToolEyedropper = 1160, kToolText = 1161,
    kRotateRight = 1188, kRotateLeft = 1189,
    kImageBarFirst = 10000, kImageBarLast = 10255,
    kImageSelectFirst = 40500, kImageSelectLast = 40755,
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
// The tool buttons (selection … text).
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
