#include "app/commands.h"

#include <iterator>
#include <vector>

#include "app/tool_row.h"
#include "image/pixel_format.h"

namespace mirelo {

namespace {
constexpr unsigned G = kGuardPendingPath, I = kGuardImage, P = kGuardPasteObjects;

// The commands but the tools', whose rows come from the tool rows (app/tool_row.h).
const CommandInfo kCommands[] = {
    {cmd::kNew, G},
    {cmd::kOpen, G},
    {cmd::kClose, G | I},
    {cmd::kSave, G | I},
    {cmd::kSaveAs, G},
    {cmd::kScanSource, 0},
    {cmd::kScan, 0},
    {cmd::kPageSetup, 0},
    {cmd::kPrint, I},
    {cmd::kExit, G},
    {cmd::kUndo, 0},
    {cmd::kRedo, 0},
    {cmd::kErase, 0},
    {cmd::kCut, G | I},
    {cmd::kCopy, G | I},
    {cmd::kPaste, G},
    {cmd::kPasteNew, G},
    {cmd::kSelectAll, 0},
    {cmd::kSelectNone, 0},
    {cmd::kObjDelete, I},
    {cmd::kObjReset, 0},
    {cmd::kObjEditText, 0},
    {cmd::kObjForward, 0},
    {cmd::kObjBackward, 0},
    {cmd::kObjMerge, G},
    {cmd::kObjMergeAll, G},
    {cmd::kObjFrames, 0},
    {cmd::kPathClose, I},
    {cmd::kPathDraw, I},
    {cmd::kPathReset, 0},
    {cmd::kPathCopyOther, I},
    {cmd::kPathDeletePoint, I},
    {cmd::kPathDeleteLast, I},
    {cmd::kPathDeleteAll, I},
    {cmd::kResize, G},
    {cmd::kRotate90, 0},
    {cmd::kRotate180, 0},
    {cmd::kRotate270, 0},
    {cmd::kFlipH, 0},
    {cmd::kFlipV, 0},
    {cmd::kTransparency, 0},
    {cmd::kEffects, 0},
    {cmd::kColourSelect, I},
    {cmd::kLoadFixedPalette, 0},
    {cmd::kPaletteMedianCut, 0},
    {cmd::kPaletteUniform, 0},
    {cmd::kPaletteFixed, 0},
    {cmd::kPaletteMono, 0},
    {cmd::kDither, 0},
    {cmd::k1Index, G | P},
    {cmd::k4Index, G | P},
    {cmd::k8Index, G | P},
    {cmd::k16RGB555, G},
    {cmd::k16RGB565, G},
    {cmd::k16ARGB1555, G | P},
    {cmd::k24RGB, G},
    {cmd::k32RGB, G},
    {cmd::k32ARGB, G},
    {cmd::k32PARGB, G},
    {cmd::k48RGB, G},
    {cmd::k64ARGB, G},
    {cmd::k64PARGB, G},
    {cmd::kGridNone, 0},
    {IDM_GRID_1PX, 0},
    {IDM_GRID_5PX, 0},
    {IDM_GRID_8PX, 0},
    {IDM_GRID_10PX, 0},
    {IDM_GRID_16PX, 0},
    {IDM_GRID_32PX, 0},
    {IDM_GRID_50PX, 0},
    {IDM_GRID_64PX, 0},
    {IDM_GRID_96PX, 0},
    {IDM_GRID_100PX, 0},
    {IDM_GRID_128PX, 0},
    {IDM_GRID_192PX, 0},
    {IDM_GRID_256PX, 0},
    {cmd::kGridCustom, 0},
    {cmd::kArrowEdit, 0},
    {cmd::kResolution, 0},
    {cmd::kProperties, 0},
    {cmd::kCursorCoords, 0},
    {cmd::kCheckerboard, 0},
    {cmd::kHelp, 0},
    {cmd::kAbout, 0},
    {cmd::kDelete, I},
    {cmd::kFitWindow, I},
    {cmd::kActualSize, I},
    {cmd::kPalSelect, 0},
    {cmd::kPalFill, 0},
    {cmd::kPalEyedropper, 0},
    {cmd::kPalTransparent, I},
    {cmd::kPalDialog, I},
    {cmd::kRotateRight, 0},
    {cmd::kRotateLeft, 0},
};

const CommandInfo kImageBarCommand{cmd::kImageBarFirst, 0, cmd::kImageBarLast};
const CommandInfo kImageSelectCommand{cmd::kImageSelectFirst, 0, cmd::kImageSelectLast};
const CommandInfo kRecentFileCommand{cmd::kRecentFirst, G, cmd::kRecentLast};

const int kGridSpacings[] = {1, 5, 8, 10, 16, 32, 50, 64, 96, 100, 128, 192, 256};
static_assert(std::size(kGridSpacings) == cmd::kGridLast - cmd::kGridFirst + 1, "one spacing per grid command");

struct KeyCommand {
    char key;
    int command;
};
const KeyCommand kCtrlKeys[] = {
    {'A', cmd::kSelectAll}, {'B', cmd::kPasteNew}, {'C', cmd::kCopy}, {'G', cmd::kObjMergeAll},
    {'N', cmd::kNew},       {'O', cmd::kOpen},     {'S', cmd::kSave}, {'V', cmd::kPaste},
    {'X', cmd::kCut},       {'Y', cmd::kRedo},     {'Z', cmd::kUndo},
};

constexpr unsigned kVkEscape = 0x1B, kVkDelete = 0x2E;

const AcceleratorKey kAccelerators[] = {
    {'A', true, cmd::kSelectAll}, {'B', true, cmd::kPasteNew}, {'C', true, cmd::kCopy},
    {'G', true, cmd::kObjMergeAll}, {'N', true, cmd::kNew},   {'O', true, cmd::kOpen},
    {'S', true, cmd::kSave},      {'V', true, cmd::kPaste},    {kVkDelete, false, cmd::kDelete},
    {kVkEscape, false, cmd::kSelectNone}, {'X', true, cmd::kCut}, {'Y', true, cmd::kRedo},
    {'Z', true, cmd::kUndo},
};

// The command table: the commands above, then the tools' from their rows in the list's order.
const std::vector<CommandInfo>& Commands() {
    static const std::vector<CommandInfo> commands = [] {
        std::vector<CommandInfo> all(std::begin(kCommands), std::end(kCommands));
        for (const ToolEntry& t : ToolRows()) all.push_back(CommandInfo{t.command, t.row->guards});
        return all;
    }();
    return commands;
}
}  // namespace

const CommandInfo* CommandTable(size_t* count) {
    *count = Commands().size();
    return Commands().data();
}

const CommandInfo* FindCommand(int id) {
    if (id >= cmd::kImageBarFirst && id <= cmd::kImageBarLast) return &kImageBarCommand;
    if (id >= cmd::kImageSelectFirst && id <= cmd::kImageSelectLast) return &kImageSelectCommand;
    if (id >= cmd::kRecentFirst && id <= cmd::kRecentLast) return &kRecentFileCommand;
    for (const auto& c : Commands())
        if (c.id == id) return &c;
    return nullptr;
}

int GridSpacingForCommand(int id) {
    if (id < cmd::kGridFirst || id > cmd::kGridLast) return 0;
    return kGridSpacings[id - cmd::kGridFirst];
}

int GridCommandForSpacing(int x, int y) {
    if (x == 0 && y == 0) return cmd::kGridNone;
    if (x == y)
        for (size_t i = 0; i < std::size(kGridSpacings); ++i)
            if (kGridSpacings[i] == x) return cmd::kGridFirst + static_cast<int>(i);
    return cmd::kGridCustom;
}

int FormatCommand(uint32_t pixelFormat) {
    size_t n = 0;
    const PixelFormatInfo* table = PixelFormatTable(&n);
    for (size_t i = 0; i < n; ++i)
        if (table[i].format == pixelFormat) return table[i].colourFormatCommand;
    return 0;
}

int KeyToCommandId(unsigned vk, bool ctrlDown) {
    if (vk == kVkEscape) return cmd::kSelectNone;
    if (vk == kVkDelete) return cmd::kDelete;
    if (!ctrlDown) return 0;
    for (const auto& k : kCtrlKeys)
        if (static_cast<unsigned>(k.key) == vk) return k.command;
    return 0;
}

const AcceleratorKey* AcceleratorTable(size_t* count) {
    *count = std::size(kAccelerators);
    return kAccelerators;
}

}  // namespace mirelo

namespace mirelo {

SaveRoute ChooseSaveRoute(bool fileExists, int fileType) {
    if (!fileExists) return SaveRoute::SaveAsDialog;
    switch (fileType) {
    case 3: return SaveRoute::IconOrPointer;
    case 5:
    case 6: return SaveRoute::PngOrTiff;
    case 1:
    case 2:
    case 4: return SaveRoute::Direct;
    default: return SaveRoute::SaveAsDialog;
    }
}

}  // namespace mirelo

namespace mirelo {

namespace {
const ToolBarButton kMainToolBar[] = {
    {cmd::kNew, u"新規作成"}, {cmd::kOpen, u"開く"},     {cmd::kSave, u"上書き保存"}, {cmd::kClose, u"閉じる"},
    {0, nullptr},              {cmd::kUndo, u"元に戻す"}, {cmd::kRedo, u"やり直し"},   {0, nullptr},
    {cmd::kCut, u"切り取り"},  {cmd::kCopy, u"コピー"},   {cmd::kPaste, u"貼り付け"}, {0, nullptr},
    {cmd::kRotateRight, u"右回転"}, {cmd::kRotateLeft, u"左回転"}, {0, nullptr},
};
const ToolBarButton kViewToolBar[] = {
    {cmd::kFitWindow, u"ウィンドウサイズ"},
    {cmd::kActualSize, u"等倍サイズ"},
};
// The tool buttons, from the tool rows.
const std::vector<ToolBarButton>& ToolButtonList() {
    static const std::vector<ToolBarButton> buttons = [] {
        std::vector<ToolBarButton> all;
        for (const ToolEntry& t : ToolRows()) all.push_back(ToolBarButton{t.command, t.row->tip});
        return all;
    }();
    return buttons;
}

const ToolBarButton kPathButtons[] = {
    {cmd::kPathDeletePoint, u"パスの最後の点を削除"},
    {cmd::kPathDeleteLast, u"最後のパスを削除"},
    {cmd::kPathDeleteAll, u"パスをすべて削除"},
};

const ToolBarButton kPaletteToolBar[] = {
    {cmd::kPalSelect, u"選択"},       {cmd::kPalFill, u"塗潰し"}, {cmd::kPalEyedropper, u"スポイト"}, {0, nullptr},
    {cmd::kPalTransparent, u"透過色"}, {cmd::kPalDialog, u"パレット"},
};

template <typename Table>
const char16_t* FindTip(const Table& table, int command) {
    for (const ToolBarButton& b : table)
        if (b.command == command && b.command != 0) return b.tip;
    return nullptr;
}
}  // namespace

const ToolBarButton* MainToolBarButtons(size_t* count) {
    *count = std::size(kMainToolBar);
    return kMainToolBar;
}

const ToolBarButton* ViewToolBarButtons(size_t* count) {
    *count = std::size(kViewToolBar);
    return kViewToolBar;
}

const ToolBarButton* ToolButtons(size_t* count) {
    *count = ToolButtonList().size();
    return ToolButtonList().data();
}

const ToolBarButton* PathToolBarButtons(size_t* count) {
    *count = std::size(kPathButtons);
    return kPathButtons;
}

const ToolBarButton* PaletteToolBarButtons(size_t* count) {
    *count = std::size(kPaletteToolBar);
    return kPaletteToolBar;
}

const char16_t* ToolTipText(int command) {
    if (const char16_t* t = FindTip(kMainToolBar, command)) return t;
    if (const char16_t* t = FindTip(kViewToolBar, command)) return t;
    if (const char16_t* t = FindTip(ToolButtonList(), command)) return t;
    if (const char16_t* t = FindTip(kPathButtons, command)) return t;
    return FindTip(kPaletteToolBar, command);
}

}  // namespace mirelo
