// The choices kept between runs, per user, and the recently used files. They are stored as
// named values (the registry's text, binary and 32-bit number values); everything read back is
// outside data: a missing, damaged or out-of-range value keeps its default.
#pragma once
#include <array>
#include <cstdint>
#include <vector>

#include "common/text.h"

namespace mirelo {

// One stored value: its name, kind and bytes as the registry holds them.
struct SettingValue {
    Text name;
    uint32_t kind = 0;
    std::vector<uint8_t> data;
};
constexpr uint32_t kSettingText = 1;    // UTF-16LE, ending with a NUL
constexpr uint32_t kSettingBinary = 3;
constexpr uint32_t kSettingNumber = 4;  // 32-bit little-endian

// The ten files last opened or saved, newest first; a path appears once (letter case aside).
class RecentFiles {
public:
    static constexpr size_t kCount = 10;
    void Add(TextView path);
    // Takes a path out; false when it was not there.
    bool Remove(TextView path);
    const std::vector<Text>& items() const { return items_; }

private:
    std::vector<Text> items_;
};
// The menu line of entry `index` (0-based): "&1 path" … "&9 path", "&0 path"; an ampersand in the
// path is doubled so that it shows.
Text RecentFileMenuText(size_t index, TextView path);

// The main window's place on the screen when it is not maximised.
struct WindowPlace {
    bool set = false;
    int x = 0, y = 0, width = 0, height = 0;
    bool maximised = false;
};

struct UserSettings {
    WindowPlace window;
    RecentFiles recent;
    int gridX = 0, gridY = 0, gridOffsetX = 0, gridOffsetY = 0;
    bool cursorCoords = false;
    bool checkerboard = true;
    bool dither = true;
    int jpegQuality = 80;
    Text openFolder, saveFolder;
    bool coloursSet = false;  // the custom colours were stored
    std::array<uint32_t, 16> customColours{};
};

UserSettings ReadUserSettings(const std::vector<SettingValue>& values);
std::vector<SettingValue> WriteUserSettings(const UserSettings& settings);

// The window place to use on screens whose work areas are `screens`: the stored place (its size
// cut down to the largest screen) when its title bar can be reached on one of them, else
// `fallback` (the monitors changed since it was stored).
struct ScreenRect {
    int left, top, right, bottom;
};
WindowPlace VisiblePlace(const WindowPlace& stored, const std::vector<ScreenRect>& screens, const WindowPlace& fallback);

}  // namespace mirelo
