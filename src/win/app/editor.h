// The editor: every piece of program state in one object, so that tests can build their own.
#pragma once
#include <array>
#include <functional>
#include <memory>
#include <vector>

#include "common/messages.h"
#include "edit/view_math.h"
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

// One record of the table of floating objects that lie above the images.
struct PasteObject {
    int owner = -1;        // image index, −1 for a free record
    bool isText = false;
    bool transformed = false;  // its transform differs from the initial one (reset possible)
};
constexpr int kMaxPasteObjects = 256;

// The HTML Help library, loaded at run time.
struct HelpSession {
    HMODULE module = nullptr;
    void* function = nullptr;  // HtmlHelpW
    DWORD_PTR cookie = 0;
};

// State of the canvas view shared by all images.
struct ViewState {
    int scrollX = 0, scrollY = 0;  // zoomed-image pixels scrolled out at the left and top
    int clientWidth = 0, clientHeight = 0;
    int cursorTool = -1;           // the tool whose cursor is set
    bool buttonDown = false;
    bool updatingZoom = false;     // the zoom controls are being set by the program
    HCURSOR cursors[8] = {};       // tools 2..6, skew handle, wand selection, hand
};

// The palette loaded for the fixed palette method (empty until one is loaded).
struct FixedPalette {
    bool loaded = false;
    std::vector<uint32_t> entries;  // ARGB
    uint32_t flags = 0;
};

class Editor {
public:
    explicit Editor(HINSTANCE instance);
    ~Editor();
    Editor(const Editor&) = delete;
    Editor& operator=(const Editor&) = delete;

    ImageSlot* Current() { return images.Current(); }
    // Keeps `activeDialog` up to date from a dialog's activation and destruction messages, so
    // that the message loop hands it its dialog keys.
    void TrackDialog(HWND dialog, UINT msg, WPARAM wp) {
        if (msg == WM_ACTIVATE) activeDialog = LOWORD(wp) == WA_INACTIVE ? nullptr : dialog;
        if (msg == WM_DESTROY && activeDialog == dialog) activeDialog = nullptr;
    }
    // The current image's selected paste object, or nullptr.
    const PasteObject* SelectedObject();
    int PasteObjectCountOf(int image) const;

    HINSTANCE instance;
    Messages messages;
    ImageSet images;
    Settings settings;
    NewImageValues newImage;
    FixedPalette fixedPalette;
    Text loadingName;  // the name recorded by InitSlot
    Text saveName;      // the target of the next write
    int saveFileType = 1;  // position in the save dialog's type list, remembered between saves
    UndoBudget undoBudget;  // shared by the histories of all images

    std::array<PasteObject, kMaxPasteObjects> pasteObjects;
    std::vector<Text> startupFiles;  // opened at the first showing of the main window
    HelpSession help;
    bool scannerLoaded = false;
    bool colourPanelVisible = false;
    bool palettePanelVisible = false;

    // Windows of the frame.
    HWND mainWindow = nullptr;
    HWND statusBar = nullptr;
    HWND topRebar = nullptr;
    HWND mainToolBar = nullptr;
    HWND angleEdit = nullptr;
    HWND angleSpin = nullptr;
    HWND leftPanel = nullptr;
    HWND toolBar = nullptr;      // tool buttons 1156..1161
    HWND viewToolBar = nullptr;  // 1124, 1125
    HWND rightPanel = nullptr;
    HWND imageBarPager = nullptr;
    HWND imageBar = nullptr;
    HWND view = nullptr;
    HWND topBand = nullptr;      // band 0 of the top rebar: main tool bar, zoom panel, view buttons
    HWND zoomLabel = nullptr;
    HWND zoomSlider = nullptr;
    HWND zoomEdit = nullptr;
    HWND zoomSpin = nullptr;
    ViewState viewState;
    // Milliseconds of the clock that the save reminder reads; tests replace it.
    std::function<uint64_t()> clock = [] { return static_cast<uint64_t>(GetTickCount64()); };
    SaveReminder reminder{static_cast<uint64_t>(GetTickCount64())};
    HWND arrowWindow = nullptr;
    HWND messageWindow = nullptr;  // a top-level window titled "Message" seen at deactivation
    int dpi = 96;
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
