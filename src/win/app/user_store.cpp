#include "app/user_store.h"

#include <algorithm>

#include "app/editor.h"

namespace mirelo {

namespace {
// The registry values under the key, as they are; unreadable ones are left out.
std::vector<SettingValue> ReadValues(const Text& key) {
    std::vector<SettingValue> values;
    HKEY k = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, W(key), 0, KEY_READ, &k) != ERROR_SUCCESS) return values;
    for (DWORD i = 0; i < 256; ++i) {
        wchar_t name[256];
        DWORD nameLength = 256, type = 0, size = 0;
        const LONG r = RegEnumValueW(k, i, name, &nameLength, nullptr, &type, nullptr, &size);
        if (r == ERROR_NO_MORE_ITEMS) break;
        if (r != ERROR_SUCCESS || size > 1 << 20) continue;
        SettingValue v{FromW(name), type, std::vector<uint8_t>(size)};
        nameLength = 256;
        if (RegEnumValueW(k, i, name, &nameLength, nullptr, &type, v.data.data(), &size) != ERROR_SUCCESS) continue;
        v.data.resize(std::min<size_t>(size, v.data.size()));
        values.push_back(std::move(v));
    }
    RegCloseKey(k);
    return values;
}

BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM data) {
    MONITORINFO info{sizeof info};
    if (GetMonitorInfoW(monitor, &info))
        reinterpret_cast<std::vector<ScreenRect>*>(data)->push_back(
            {info.rcWork.left, info.rcWork.top, info.rcWork.right, info.rcWork.bottom});
    return TRUE;
}
}  // namespace

WindowPlace LoadUserSettings(Editor& e) {
    if (e.settingsKey.empty()) return {};
    const UserSettings u = ReadUserSettings(ReadValues(e.settingsKey));
    Settings& s = e.settings;
    s.gridX = u.gridX;
    s.gridY = u.gridY;
    s.gridOffsetX = u.gridOffsetX;
    s.gridOffsetY = u.gridOffsetY;
    s.cursorCoords = u.cursorCoords;
    s.checkerboard = u.checkerboard;
    s.dither = u.dither;
    s.jpegQuality = u.jpegQuality;
    s.openFolder = u.openFolder;
    s.saveFolder = u.saveFolder;
    static_assert(kSwatchCount == std::tuple_size<decltype(u.customColours)>::value);
    if (u.coloursSet) std::copy(u.customColours.begin(), u.customColours.end(), e.colourSwatches.begin());
    e.recentFiles = u.recent;
    std::vector<ScreenRect> screens;
    EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&screens));
    return VisiblePlace(u.window, screens, WindowPlace{});
}

void SaveUserSettings(Editor& e) {
    if (e.settingsKey.empty()) return;
    UserSettings u;
    const Settings& s = e.settings;
    u.gridX = s.gridX;
    u.gridY = s.gridY;
    u.gridOffsetX = s.gridOffsetX;
    u.gridOffsetY = s.gridOffsetY;
    u.cursorCoords = s.cursorCoords;
    u.checkerboard = s.checkerboard;
    u.dither = s.dither;
    u.jpegQuality = s.jpegQuality;
    u.openFolder = s.openFolder;
    u.saveFolder = s.saveFolder;
    u.coloursSet = true;
    std::copy(e.colourSwatches.begin(), e.colourSwatches.end(), u.customColours.begin());
    u.recent = e.recentFiles;
    // Without a main window the stored place stays as it is.
    WINDOWPLACEMENT wp{sizeof wp};
    if (e.frame.mainWindow && GetWindowPlacement(e.frame.mainWindow, &wp)) {
        // The restored place (in workspace coordinates, as the placement is set again).
        const RECT& r = wp.rcNormalPosition;
        u.window = WindowPlace{true, r.left, r.top, r.right - r.left, r.bottom - r.top, wp.showCmd == SW_SHOWMAXIMIZED};
    }
    HKEY k = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, W(e.settingsKey), 0, nullptr, 0, KEY_WRITE, nullptr, &k, nullptr) != ERROR_SUCCESS) return;
    // Recent entries beyond the list's end are removed, so that a shorter list stays short.
    for (size_t i = u.recent.items().size(); i < RecentFiles::kCount; ++i)
        RegDeleteValueW(k, W(u"Recent" + ToText(static_cast<long long>(i))));
    for (const SettingValue& v : WriteUserSettings(u))
        RegSetValueExW(k, W(v.name), 0, v.kind, v.data.data(), static_cast<DWORD>(v.data.size()));
    RegCloseKey(k);
}

}  // namespace mirelo
