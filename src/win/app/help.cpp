#include "app/help.h"

#include "common/file.h"

#include <htmlhelp.h>

#include "app/editor.h"
#include "res/resource.h"

namespace mirelo {

namespace {
using HtmlHelpFn = HWND(WINAPI*)(HWND, LPCWSTR, UINT, DWORD_PTR);

HtmlHelpFn Fn(Editor& e) { return reinterpret_cast<HtmlHelpFn>(e.help.function); }

// Each dialog's page in the help file.
struct DialogPage {
    int resourceId;
    const char16_t* page;
};
constexpr DialogPage kDialogPages[] = {
    {IDD_COLOUR, u"dlg_colour.html"},
    {IDD_ICON, u"dlg_icon.html"},
    {IDD_POINTER, u"dlg_icon.html"},
    {IDD_POINTER_OPTIONS, u"dlg_icon.html"},
    {IDD_HOTSPOT, u"dlg_icon.html"},
    {IDD_EFFECTS, u"dlg_effects.html"},
    {IDD_JPEG_QUALITY, u"dlg_save_options.html"},
    {IDD_JPEG_TRANSFORM, u"dlg_save_options.html"},
    {IDD_NEWIMAGE, u"dlg_new.html"},
    {IDD_PALETTE, u"dlg_palette.html"},
    {IDD_FIXED_PALETTE, u"dlg_fixed_palette.html"},
    {IDD_RESIZE, u"dlg_resize.html"},
    {IDD_TEXT_EDIT, u"dlg_text.html"},
    {IDD_METAFILE_SIZE, u"dlg_save_options.html"},
    {IDD_ARROW, u"dlg_arrow.html"},
    {IDD_GRID, u"dlg_grid.html"},
    {IDD_TRANSPARENCY, u"dlg_transparency.html"},
    {IDD_RESOLUTION, u"dlg_resolution.html"},
    {IDD_PROPERTIES, u"dlg_properties.html"},
    {IDD_PROPERTY_SETTINGS, u"dlg_properties.html"},
    {IDD_SAVE_TEMPLATE, u"dlg_properties.html"},
};

// Opens `file` (with "::/page" when given) in HTML Help; `command` is HH_DISPLAY_TOC or
// HH_DISPLAY_TOPIC. Every failure is told with the same messages.
void Show(Editor& e, UINT command, TextView page) {
    Text file = e.help.file.empty() ? HelpFilePath() : e.help.file;
    if (!FileExists(file)) {
        e.messages.App(MessageText(u"ヘルプファイルが見つかりません\n%s").Arg(file).Str(), MB_OK | MB_ICONWARNING);
        return;
    }
    InitHelp(e);
    if (!e.help.function) {
        e.messages.App(u"HTML ヘルプを利用できないため、ヘルプを表示できません", MB_OK | MB_ICONWARNING);
        return;
    }
    Text target = file;
    if (!page.empty()) target += Text(u"::/") + Text(page);
    e.help.shown = target;
    if (!Fn(e)(e.frame.mainWindow, W(target), command, 0))
        e.messages.App(MessageText(u"ヘルプを表示できません\n%s").Arg(file).Str(), MB_OK | MB_ICONWARNING);
}
}  // namespace

Text HelpFilePath() {
    wchar_t buf[MAX_PATH * 4] = {};
    DWORD n = GetModuleFileNameW(nullptr, buf, static_cast<DWORD>(std::size(buf)));
    Text path = FromW(std::wstring(buf, n));
    size_t cut = path.rfind(u'\\');
    if (cut != Text::npos) path.resize(cut);
    return path + u"\\mirelo.chm";
}

void InitHelp(Editor& e) {
    if (e.help.module) return;
    e.help.module = LoadLibraryW(L"hhctrl.ocx");
    if (!e.help.module) return;
    e.help.function = reinterpret_cast<void*>(GetProcAddress(e.help.module, "HtmlHelpW"));
    if (e.help.function) Fn(e)(nullptr, nullptr, HH_INITIALIZE, reinterpret_cast<DWORD_PTR>(&e.help.cookie));
}

void ShowHelp(Editor& e) { Show(e, HH_DISPLAY_TOC, {}); }

TextView DialogHelpPage(int dialogResourceId) {
    for (const auto& d : kDialogPages)
        if (d.resourceId == dialogResourceId) return d.page;
    return {};
}

void ShowDialogHelp(Editor& e, int dialogResourceId) {
    TextView page = DialogHelpPage(dialogResourceId);
    Show(e, page.empty() ? HH_DISPLAY_TOC : HH_DISPLAY_TOPIC, page);
}

bool HelpPreTranslate(Editor& e, MSG* msg) {
    return e.help.function && Fn(e)(nullptr, nullptr, HH_PRETRANSLATEMESSAGE, reinterpret_cast<DWORD_PTR>(msg));
}

void EndHelp(Editor& e) {
    if (e.help.function) {
        Fn(e)(nullptr, nullptr, HH_CLOSE_ALL, 0);
        Fn(e)(nullptr, nullptr, HH_UNINITIALIZE, e.help.cookie);
    }
    if (e.help.module) FreeLibrary(e.help.module);
    Text file = e.help.file;
    e.help = HelpSession{};
    e.help.file = file;
}

}  // namespace mirelo
