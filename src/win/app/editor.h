// The editor: every piece of program state in one object, so that tests can build their own.
#pragma once
#include <functional>
#include <memory>

#include "common/messages.h"
#include "image/image_set.h"

namespace mirelo {

// Settings that commands change and that last while the program runs.
struct Settings {
    int gridX = 0, gridY = 0;          // 0: no grid
    int gridOffsetX = 0, gridOffsetY = 0;
    bool objectFrames = true;          // paste-object frames shown
    bool dither = true;
    int paletteMethod = 40046;
    bool cursorCoords = false;
};

// The New dialog's values, remembered while the program runs.
struct NewImageValues {
    int width = 640, height = 480;
    int dpiX = 96, dpiY = 96;
};

class Editor {
public:
    explicit Editor(HINSTANCE instance);
    ~Editor();
    Editor(const Editor&) = delete;
    Editor& operator=(const Editor&) = delete;

    ImageSlot* Current() { return images.Current(); }

    HINSTANCE instance;
    Messages messages;
    ImageSet images;
    Settings settings;
    NewImageValues newImage;
    Text loadingName;  // the name recorded by InitSlot

    // Windows of the frame.
    HWND mainWindow = nullptr;
    HWND statusBar = nullptr;
    HWND imageBarPager = nullptr;
    HWND imageBar = nullptr;
    HWND view = nullptr;
    HWND activeDialog = nullptr;  // receives dialog keys from the message loop
    HMENU menu = nullptr;          // menu 101 of the main window
    HMENU objectMenu = nullptr;    // menu 102
    HIMAGELIST imageBarList = nullptr;
    bool menuDismissed = false;    // a context menu closed without a choice

    // Hooks for tests: a command that passed its guards, and a dialog that finished initialising.
    std::function<void(int)> commandObserver;
    std::function<void(HWND dialog, int resourceId)> dialogObserver;
};

}  // namespace mirelo
