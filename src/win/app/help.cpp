#include "app/help.h"

#include "common/file.h"

#include <htmlhelp.h>

#include "app/editor.h"

namespace mirelo {

namespace {
using HtmlHelpFn = HWND(WINAPI*)(HWND, LPCWSTR, UINT, DWORD_PTR);

HtmlHelpFn Fn(Editor& e) { return reinterpret_cast<HtmlHelpFn>(e.help.function); }
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

void ShowHelp(Editor& e) {
    Text file = HelpFilePath();
    if (!FileExists(file)) {
        e.messages.App(MessageText(u"ヘルプファイルが見つかりません\n%s").Arg(file).Str(), MB_OK | MB_ICONWARNING);
        return;
    }
    InitHelp(e);
    if (!e.help.function) {
        e.messages.App(u"HTML ヘルプを利用できないため、ヘルプを表示できません", MB_OK | MB_ICONWARNING);
        return;
    }
    if (!Fn(e)(e.frame.mainWindow, W(file), HH_DISPLAY_TOC, 0))
        e.messages.App(MessageText(u"ヘルプを表示できません\n%s").Arg(file).Str(), MB_OK | MB_ICONWARNING);
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
    e.help = HelpSession{};
}

}  // namespace mirelo
