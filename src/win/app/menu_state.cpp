#include "app/menu_state.h"

#include <algorithm>

#include "app/command_registry.h"
#include "app/commands.h"
#include "app/editor.h"
#include "draw/pen_rules.h"
#include "draw/shape_geometry.h"
#include "image/pixel_format.h"

namespace mirelo {

namespace {
UINT Flag(bool enabled) { return enabled ? MF_ENABLED : MF_GRAYED; }

// Sub-menus have no command id: they are found by their text in a top-level pop-up.
struct SubMenuRule {
    int position;
    const char16_t* text;
    CommandRule enabled;
};
const SubMenuRule kSubMenus[] = {
    {0, u"印刷(&P)", rule::ImageOpen},
    {0, u"ｲﾒｰｼﾞｽｷｬﾅ(&I)", [](const CommandState& s) { return s.scanner; }},
    {1, u"貼り付け", [](const CommandState& s) { return s.clipboardImage; }},
    {4, u"反転(&M)", [](const CommandState& s) { return !s.textSelected; }},
};

// The top-level menus by position: ﾌｧｲﾙ, 編集, 貼紙, ﾊﾟｽ, 変更, 色, 画像, 表示, ﾍﾙﾌﾟ.
const CommandRule kPopups[] = {
    [](const CommandState&) { return true; },
    [](const CommandState& s) { return s.open || s.clipboardImage; },
    [](const CommandState& s) { return s.open && s.objects > 0; },
    [](const CommandState& s) { return s.paths; },
    rule::ImageOpen,
    rule::ImageOpen,
    [](const CommandState& s) { return s.open && s.images >= 2; },
    rule::ImageOpen,
    [](const CommandState&) { return true; },
};
static_assert(std::size(kPopups) == std::tuple_size<decltype(Availability::popups)>::value);

void EnableSubMenus(HMENU menu, const CommandState& s) {
    wchar_t buf[64];
    for (const SubMenuRule& r : kSubMenus) {
        HMENU popup = GetSubMenu(menu, r.position);
        if (!popup) continue;
        for (int i = 0; i < GetMenuItemCount(popup); ++i) {
            if (!GetSubMenu(popup, i)) continue;
            GetMenuStringW(popup, static_cast<UINT>(i), buf, 64, MF_BYPOSITION);
            if (FromW(buf) == TextView(r.text)) EnableMenuItem(popup, static_cast<UINT>(i), MF_BYPOSITION | Flag(r.enabled(s)));
        }
    }
}

bool HasPathsForTool(const ImageSlot& slot) {
    return (slot.tool == kToolSelect && slot.selectionPath) || (slot.tool == kToolShape && (slot.drawPath || slot.otherPath));
}

void CheckItems(Editor& e) {
    HMENU menu = e.frame.menu;
    if (!menu) return;
    const ImageSlot* slot = e.images.Current();
    if (slot && slot->occupied())
        if (int id = FormatCommand(slot->pixelFormat))
            CheckMenuRadioItem(menu, cmd::k1Index, cmd::k64PARGB, static_cast<UINT>(id), MF_BYCOMMAND);
    CheckMenuRadioItem(menu, cmd::kGridNone, cmd::kGridCustom,
                       static_cast<UINT>(GridCommandForSpacing(e.settings.gridX, e.settings.gridY)), MF_BYCOMMAND);
    if (int count = e.images.Occupied(); count >= 1 && e.images.current >= 0)
        CheckMenuRadioItem(menu, cmd::kImageSelectFirst, static_cast<UINT>(cmd::kImageSelectFirst + count - 1),
                           static_cast<UINT>(cmd::kImageSelectFirst + count - 1 - e.images.current), MF_BYCOMMAND);
    CheckMenuRadioItem(menu, cmd::kPaletteMedianCut, cmd::kPaletteMono, static_cast<UINT>(e.settings.paletteMethod), MF_BYCOMMAND);
    auto check = [menu](int id, bool on) { CheckMenuItem(menu, static_cast<UINT>(id), MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED)); };
    check(cmd::kDither, e.settings.dither);
    check(cmd::kObjFrames, e.settings.objectFrames);
    check(cmd::kCursorCoords, e.settings.cursorCoords);
    check(cmd::kCheckerboard, e.settings.checkerboard);
    check(cmd::kArrowEdit, e.arrowWindow && IsWindowVisible(e.arrowWindow));
}
}  // namespace

bool Availability::Enabled(int id) const {
    for (const auto& [command, enabled] : commands)
        if (command == id) return enabled;
    return true;
}

CommandState ReadCommandState(Editor& e) {
    CommandState s;
    const ImageSlot* slot = e.images.Current();
    s.open = slot && slot->occupied();
    s.images = e.images.Occupied();
    for (const auto& reader : e.commands.StateReaders()) reader(e, s);
    if (!s.open) return s;
    s.indexed = IsIndexed(slot->pixelFormat);
    s.canUndo = slot->undo.canUndo;
    s.canRedo = slot->undo.canRedo;
    s.objects = slot->pasteObjects.Count();
    if (const PasteObject* o = slot->pasteObjects.Selected()) {
        s.objectSelected = true;
        s.textSelected = o->isText;
        s.objectTransformed = o->Transformed();
    }
    s.selection = static_cast<bool>(slot->selectionPath);
    s.paths = HasPathsForTool(*slot);
    if (slot->tool == kToolShape) {
        const int shape = slot->toolSettings[kShapeKindOption];
        const bool lineShape = shape == kShapeLine || shape == kShapeCurve || shape == kShapeArc;
        s.arrowOption = lineShape && (IsArrowCap(slot->toolSettings[kStartCapOption]) || IsArrowCap(slot->toolSettings[kEndCapOption]));
    }
    s.colourPanels = e.colourPanelVisible || e.palettePanelVisible;
    return s;
}

Availability ComputeAvailability(Editor& e) {
    Availability a;
    a.state = ReadCommandState(e);
    for (const Command& c : e.commands.All())
        if (c.enabled) a.commands.emplace_back(c.id, c.enabled(a.state));
    for (size_t i = 0; i < a.popups.size(); ++i) a.popups[i] = kPopups[i](a.state);
    return a;
}

void ApplyAvailability(Editor& e, const Availability& a) {
    const FrameWindows& f = e.frame;
    for (HMENU menu : {f.menu, e.objectMenu}) {
        if (!menu) continue;
        for (const auto& [id, enabled] : a.commands) EnableMenuItem(menu, static_cast<UINT>(id), MF_BYCOMMAND | Flag(enabled));
    }
    if (f.menu) EnableSubMenus(f.menu, a.state);
    for (HWND bar : {f.mainToolBar, f.toolBar, f.viewToolBar, f.selectionPathBar, f.shapePathBar}) {
        if (!bar) continue;
        for (const auto& [id, enabled] : a.commands)
            if (SendMessageW(bar, TB_COMMANDTOINDEX, static_cast<WPARAM>(id), 0) >= 0)
                SendMessageW(bar, TB_ENABLEBUTTON, static_cast<WPARAM>(id), MAKELONG(enabled ? TRUE : FALSE, 0));
    }
    for (HWND w : {f.angleEdit, f.angleSpin, f.smoothCheck}) SetEnabled(w, a.state.open);
    if (const ImageSlot* s = e.images.Current(); s && a.state.open && f.toolBar) {
        if (const ToolDescriptor* tool = FindTool(s->tool))
            SendMessageW(f.toolBar, TB_CHECKBUTTON, static_cast<WPARAM>(tool->command), MAKELONG(TRUE, 0));
    }
    CheckItems(e);
}

void ShowAvailability(Editor& e) {
    // Nothing to edit: the path being edited is dropped.
    if (ImageSlot* s = e.Current(); s && s->occupied() && !HasPathsForTool(*s)) s->workPath.reset();
    const Availability a = ComputeAvailability(e);
    if (HMENU menu = e.frame.menu) {
        bool changed = false;  // the menu bar is drawn again only when one of its menus changed
        for (size_t i = 0; i < a.popups.size(); ++i) {
            const UINT before = EnableMenuItem(menu, static_cast<UINT>(i), MF_BYPOSITION | Flag(a.popups[i]));
            changed = changed || before == static_cast<UINT>(-1) || ((before & MF_GRAYED) != 0) == a.popups[i];
        }
        if (changed && e.frame.mainWindow && GetMenu(e.frame.mainWindow) == menu) {
            if (e.frame.view) SendMessageW(e.frame.view, WM_SETREDRAW, FALSE, 0);
            DrawMenuBar(e.frame.mainWindow);
            if (e.frame.view) SendMessageW(e.frame.view, WM_SETREDRAW, TRUE, 0);
        }
    }
    ApplyAvailability(e, a);
}

}  // namespace mirelo
