#include "app/commands.h"

#include "image/pixel_format.h"

namespace mirelo {

namespace {
constexpr unsigned G = kGuardPendingPath, I = kGuardImage, P = kGuardPasteObjects;
constexpr int kFile = 0, kEdit = 1, kObj = 2, kPath = 3, kModify = 4, kColour = 5, kView = 7, kHelpMenu = 8;

const CommandInfo kCommands[] = {
    {cmd::kNew, G, u"新規作成(&N)\tCtrl+N", kFile},
    {cmd::kOpen, G, u"開く(&O)...\tCtrl+O", kFile},
    {cmd::kClose, G | I, u"閉じる(&C)", kFile},
    {cmd::kSave, G | I, u"上書き保存(&S)\tCtrl+S", kFile},
    {cmd::kSaveAs, G, u"名前を付けて保存(&A)...", kFile},
    {cmd::kScanSource, 0, u"装置の選択(&E)...", kFile},
    {cmd::kScan, 0, u"読み取り(&S)...", kFile},
    {cmd::kPageSetup, 0, u"用紙設定(&P)...", kFile},
    {cmd::kPrint, I, u"印刷(&R)...", kFile},
    {cmd::kExit, G, u"Mireloの終了(&X)\tAlt+F4", kFile},
    {cmd::kUndo, 0, u"元に戻す(&U)\tCtrl+Z", kEdit},
    {cmd::kRedo, 0, u"やり直し(&R)\tCtrl+Y", kEdit},
    {cmd::kErase, 0, u"消去(&D)\tDelete", kEdit},
    {cmd::kCut, G | I, u"切り取り(&T)\tCtrl+X", kEdit},
    {cmd::kCopy, G | I, u"コピー(&C)\tCtrl+C", kEdit},
    {cmd::kPaste, G, u"既存(&P)\tCtrl+V", kEdit},
    {cmd::kPasteNew, G, u"新規(&N)\tCtrl+B", kEdit},
    {cmd::kSelectAll, 0, u"全体を選択(&A)\tCtrl+A", kEdit},
    {cmd::kSelectNone, 0, u"選択解除(&F)\tEsc", kEdit},
    {cmd::kObjDelete, I, u"削除(&D)\tDelete", kObj},
    {cmd::kObjReset, 0, u"ﾘｾｯﾄ(&R)", kObj},
    {cmd::kObjEditText, 0, u"文字の編集(&E)", kObj},
    {cmd::kObjForward, 0, u"前面(&F)", kObj},
    {cmd::kObjBackward, 0, u"背面(&B)", kObj},
    {cmd::kObjMerge, G, u"マージ(&M)", kObj},
    {cmd::kObjMergeAll, G, u"全てマージ(&G)\tCtrl+G", kObj},
    {cmd::kObjFrames, 0, u"枠線の表示(&A)", kObj},
    {cmd::kPathClose, I, u"閉じる(&C)\tDouble click", kPath},
    {cmd::kPathDraw, I, u"描画(&D)\tDouble click", kPath},
    {cmd::kPathReset, 0, u"ﾘｾｯﾄ(&R)", kPath},
    {cmd::kPathCopyOther, I, u"他方のﾊﾟｽにｺﾋﾟｰ(&O)", kPath},
    {cmd::kPathDeletePoint, I, u"最後の点を削除(&P)", kPath},
    {cmd::kPathDeleteLast, I, u"最後のパスを削除(&E)", kPath},
    {cmd::kPathDeleteAll, I, u"ﾊﾟｽをすべて削除(&A)", kPath},
    {cmd::kResize, G, u"ｻｲｽﾞ変更(&S)...", kModify},
    {cmd::kRotate90, 0, u"90度(&N)", kModify},
    {cmd::kRotate180, 0, u"180度(&H)", kModify},
    {cmd::kRotate270, 0, u"270度(T)", kModify},
    {cmd::kFlipH, 0, u"左右(&H)", kModify},
    {cmd::kFlipV, 0, u"上下(&V)", kModify},
    {cmd::kTransparency, 0, u"透明度変更(&A)...", kModify},
    {cmd::kEffects, 0, u"ｴﾌｪｸﾄ(&E)...", kModify},
    {cmd::kColourSelect, I, u"色選択(&C)...", kView},
    {cmd::kLoadFixedPalette, 0, u"固定ﾊﾟﾚｯﾄ読み込み(&P)...", kColour},
    {cmd::kPaletteMedianCut, 0, u"ﾒﾃﾞｨｱﾝ ｶｯﾄ ﾊﾟﾚｯﾄ\t(4,8bit)", kColour},
    {cmd::kPaletteUniform, 0, u"等分割ﾊﾟﾚｯﾄ\t(4,8bit)", kColour},
    {cmd::kPaletteFixed, 0, u"固定ﾊﾟﾚｯﾄ\t(4,8bit)", kColour},
    {cmd::kPaletteMono, 0, u"ﾓﾉﾄｰﾝ ﾊﾟﾚｯﾄ\t(4,8bit)", kColour},
    {cmd::kDither, 0, u"ﾃﾞｨｻﾞ\t(1,4,8bit)", kColour},
    {cmd::k1Index, G | P, u"1bit Index\t(2色)", kColour},
    {cmd::k4Index, G | P, u"4bit Index\t(16色)", kColour},
    {cmd::k8Index, G | P, u"8bit Index\t(256色)", kColour},
    {cmd::k16RGB555, G, u"16bit R5G5B5", kColour},
    {cmd::k16RGB565, G, u"16bit R5G6B5", kColour},
    {cmd::k16ARGB1555, G | P, u"16bit A1R5G5B5", kColour},
    {cmd::k24RGB, G, u"24bit RGB\t(ﾌﾙｶﾗｰ)", kColour},
    {cmd::k32RGB, G, u"32bit RGB", kColour},
    {cmd::k32ARGB, G, u"32bit ARGB", kColour},
    {cmd::k32PARGB, G, u"32bit PARGB", kColour},
    {cmd::k48RGB, G, u"48bit RGB", kColour},
    {cmd::k64ARGB, G, u"64bit ARGB", kColour},
    {cmd::k64PARGB, G, u"64bit PARGB", kColour},
    {cmd::kGridNone, 0, u"なし", kView},
    {40066, 0, u"1 px", kView},
    {40067, 0, u"5 px", kView},
    {40068, 0, u"8 px", kView},
    {40069, 0, u"10 px", kView},
    {40070, 0, u"16 px", kView},
    {40071, 0, u"32 px", kView},
    {40072, 0, u"50 px", kView},
    {40073, 0, u"64 px", kView},
    {40074, 0, u"96 px", kView},
    {40075, 0, u"100 px", kView},
    {40076, 0, u"128 px", kView},
    {40077, 0, u"192 px", kView},
    {40078, 0, u"256 px", kView},
    {cmd::kGridCustom, 0, u"値指定とｵﾌｾｯﾄ値(&O)...", kView},
    {cmd::kArrowEdit, 0, u"矢印の編集(&A)...", kView},
    {cmd::kResolution, 0, u"解像度(&R)...", kModify},
    {cmd::kProperties, 0, u"ﾌﾟﾛﾊﾟﾃｨ(&P)...", kFile},
    {cmd::kCursorCoords, 0, u"ｶｰｿﾙ座標(&S)", kView},
    {cmd::kHelp, 0, u"目次(&H)", kHelpMenu},
    {cmd::kAbout, 0, u"ﾊﾞｰｼﾞｮﾝ情報(&A)", kHelpMenu},
    {cmd::kDelete, I, u"削除(&D)\tCtrl+Delete", kInObjectPopup},
    {cmd::kFitWindow, I, nullptr, kInToolBarOnly},
    {cmd::kActualSize, I, nullptr, kInToolBarOnly},
    {cmd::kPalSelect, 0, nullptr, kInToolBarOnly},
    {cmd::kPalFill, 0, nullptr, kInToolBarOnly},
    {cmd::kPalEyedropper, 0, nullptr, kInToolBarOnly},
    {cmd::kPalTransparent, I, nullptr, kInToolBarOnly},
    {cmd::kPalDialog, I, nullptr, kInToolBarOnly},
    {cmd::kToolSelect, G | I, nullptr, kInToolBarOnly},
    {cmd::kToolShape, I, nullptr, kInToolBarOnly},
    {cmd::kToolRetouch, G | I, nullptr, kInToolBarOnly},
    {cmd::kToolFill, G | I, nullptr, kInToolBarOnly},
    {cmd::kToolEyedropper, G | I, nullptr, kInToolBarOnly},
    {cmd::kToolText, G | I, nullptr, kInToolBarOnly},
    {cmd::kRotateRight, 0, nullptr, kInToolBarOnly},
    {cmd::kRotateLeft, 0, nullptr, kInToolBarOnly},
};

const CommandInfo kImageBarCommand{cmd::kImageBarFirst, 0, nullptr, kInToolBarOnly};
const CommandInfo kImageSelectCommand{cmd::kImageSelectFirst, 0, nullptr, 6};

const int kGridSpacings[] = {1, 5, 8, 10, 16, 32, 50, 64, 96, 100, 128, 192, 256};

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
}  // namespace

const CommandInfo* CommandTable(size_t* count) {
    *count = std::size(kCommands);
    return kCommands;
}

const CommandInfo* FindCommand(int id) {
    if (id >= cmd::kImageBarFirst && id <= cmd::kImageBarLast) return &kImageBarCommand;
    if (id >= cmd::kImageSelectFirst && id <= cmd::kImageSelectLast) return &kImageSelectCommand;
    for (const auto& c : kCommands)
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
const ToolBarButton kToolButtons[] = {
    {cmd::kToolSelect, u"選択"}, {cmd::kToolShape, u"図形描画"}, {cmd::kToolRetouch, u"特殊"},
    {cmd::kToolFill, u"塗潰し"}, {cmd::kToolEyedropper, u"スポイト"}, {cmd::kToolText, u"文字"},
};

template <size_t N>
const char16_t* FindTip(const ToolBarButton (&table)[N], int command) {
    for (const auto& b : table)
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
    *count = std::size(kToolButtons);
    return kToolButtons;
}

const char16_t* ToolTipText(int command) {
    if (const char16_t* t = FindTip(kMainToolBar, command)) return t;
    if (const char16_t* t = FindTip(kViewToolBar, command)) return t;
    return FindTip(kToolButtons, command);
}

}  // namespace mirelo
