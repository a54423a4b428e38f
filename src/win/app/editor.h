// The editor: every piece of program state in one object, so that tests can build their own.
#pragma once
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/change_record.h"
#include "app/user_settings.h"
#include "app/command_registry.h"
#include "app/tool.h"
#include "app/feature_state.h"
#include "app/dialog_host.h"
#include "common/messages.h"
#include "draw/pen_rules.h"
#include "edit/view_math.h"
#include "edit/view_navigation.h"
#include "image/image_set.h"
#include "print/print_layout.h"
#include "ui/option_bands.h"

namespace mirelo {

class Viewport;

// Settings that commands change and that last while the program runs.
struct Settings {
    int gridX = 0, gridY = 0;          // 0: no grid
    int gridOffsetX = 0, gridOffsetY = 0;
    bool objectFrames = true;          // paste-object frames shown
    bool dither = true;
    int paletteMethod = 40046;
    bool cursorCoords = false;
    bool checkerboard = true;  // transparent pixels over a checkerboard, else over the plain background
    int jpegQuality = 80;      // where the JPEG quality dialog starts
    Text openFolder, saveFolder;  // the folders last used to open and to save (empty: the system's choice)
};

// The New dialog's values, remembered while the program runs.
struct NewImageValues {
    int width = 640, height = 480;
    int dpiX = 96, dpiY = 96;
};

// The 画像サイズ dialog's choices, remembered while the program runs.
struct ResizeChoices {
    int unit = 0;              // 0 pixels, 1 percent
    int smoothingButton = 4;   // 0..4: buttons 1007..1011; at start high-quality bilinear
};

// A texture file chosen for a pattern list, kept as chosen and in the ANSI code page.
struct TextureFile {
    Text path;
    std::string ansiPath;
};

// The HTML Help library, loaded at run time.
struct HelpSession {
    HMODULE module = nullptr;
    void* function = nullptr;  // HtmlHelpW
    DWORD_PTR cookie = 0;
    Text file;   // the help file; empty: mirelo.chm beside the program (HelpFilePath)
    Text shown;  // what HTML Help was last asked to show ("file.chm" or "file.chm::/page.html")
};

// State of the canvas view shared by all images.
struct ViewState {
    int scrollX = 0, scrollY = 0;  // zoomed-image pixels scrolled out at the left and top
    int clientWidth = 0, clientHeight = 0;
    int cursorTool = -1;           // the tool whose cursor is set
    bool buttonDown = false;
    bool updatingZoom = false;     // the zoom controls are being set by the program
    std::array<HCURSOR, kToolCount> toolCursors{};   // each tool's own cursor by ToolId; nullptr: the arrow
    std::array<HCURSOR, kCursorIdCount> cursors{};   // the other cursors by CursorId
    HCURSOR Cursor(CursorId id) const { return cursors[static_cast<size_t>(id)]; }
    int marchPhase = 0;            // how far the selection outline's dash has moved
    GpBitmapOwner backBuffer;      // the last frame, drawn again only where it changed
    // The last whole frame's picture (image and paste objects, without the grid and outlines): a
    // paint for the outline's march alone starts from it instead of composing the image again.
    GpBitmapOwner pictureLayer;
    bool pictureStale = true;      // the picture changed since the layer was made
    bool marchPaint = false;       // the next paint is for the outline's march alone
    WheelAccumulator wheelZoom, wheelX, wheelY;  // wheel deltas not yet turned into steps
    bool panning = false;          // the picture is being dragged (middle button, or Space held)
    POINT panFrom{};               // where the pan drag started (client) and the scroll then
    int panScrollX = 0, panScrollY = 0;
    bool recoveryFailureShown = false;  // a failed recovery copy was told on the status line
};

// The palette loaded for the fixed palette method (empty until one is loaded).
struct FixedPalette {
    bool loaded = false;
    std::vector<uint32_t> entries;  // ARGB
    uint32_t flags = 0;
};

// The windows of the frame, made with the main window and gone with it.
struct FrameWindows {
    HWND mainWindow = nullptr;
    HWND statusBar = nullptr;
    HWND topRebar = nullptr;
    HWND mainToolBar = nullptr;
    HWND angleEdit = nullptr;
    HWND angleSpin = nullptr;
    HWND smoothCheck = nullptr;  // the rotation's smoothing, beside the angle box
    HWND leftPanel = nullptr;
    HWND toolBar = nullptr;      // tool buttons 1156..1161
    HWND viewToolBar = nullptr;  // 1124, 1125
    HWND rightPanel = nullptr;
    HWND colourPanel = nullptr;     // in the right panel: the colour panel of direct-colour images
    HWND palettePanel = nullptr;    // … and the palette panel of indexed images
    HWND paletteToolBar = nullptr;  // 1132..1138, on the palette panel
    HWND imageBarPager = nullptr;
    HWND imageBar = nullptr;
    HWND view = nullptr;
    HWND topBand = nullptr;      // band 0 of the top rebar: main tool bar, zoom panel, view buttons
    HWND zoomLabel = nullptr;
    HWND zoomSlider = nullptr;
    HWND zoomEdit = nullptr;
    HWND zoomSpin = nullptr;
    std::array<HWND, kOptionBandCount> optionBands{};  // panels of the option bands 1..27 ([0]: topBand)
    std::vector<HWND> optionLists;    // the option bar's lists, by index into OptionControls()
    std::vector<HWND> optionLabels;   // their labels
    HWND selectionPathBar = nullptr;  // the path buttons of band 1
    HWND shapePathBar = nullptr;      // the path buttons of band 12
    HWND objectAlphaPanel = nullptr;  // band 27: "透明", the selected picture object's transparency
    HWND objectAlphaLabel = nullptr, objectAlphaSlider = nullptr, objectAlphaEdit = nullptr, objectAlphaSpin = nullptr;
    bool updatingObjectAlpha = false;  // the program is setting the control
    int pendingTextureList = -1;      // a dropped list on "ﾃｸｽﾁｬ...": its file is chosen when it closes
    HWND messageWindow = nullptr;  // a top-level window titled "Message" seen at deactivation
    HMENU menu = nullptr;          // menu 101 of the main window
    HIMAGELIST imageBarList = nullptr;
    std::vector<uint64_t> imageBarImages;  // the images the bar shows, by their serials
    bool holdLayout = false;  // the option bands are changing: the frame is laid out when they are done
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
    // The tool that takes the view's mouse input for the current image.
    Tool& CurrentTool();
    // What tools see of the canvas view (edit/viewport.h).
    Viewport View();
    // The current image is shown at 100 %.
    void ShowActualSize() {
        if (ImageSlot* s = Current()) {
            s->zoom = 100;
            Changed(change::kViewPosition);
        }
    }

    // What a feature changed, noted for the refresh at the next choke point (app/refresh.h):
    // of the current image, of one image, of the program.
    void Changed(unsigned what) { changes.Image(images.current, what); }
    void Changed(int slot, unsigned what) { changes.Image(slot, what); }
    void ProgramChanged(unsigned what) { changes.Program(what); }
    // The window that owns what the program puts on the clipboard.
    HWND ClipboardOwner() const { return frame.view ? frame.view : frame.mainWindow; }
    // The owner of the program's dialogs and message boxes: the main window.
    HWND OwnerWindow() const { return frame.mainWindow; }
    // Paints every invalid part of the main window now, instead of when the queue is empty (after
    // a dialog closed, the picture under it is shown at once).
    void RepaintNow() const {
        if (frame.mainWindow) RedrawWindow(frame.mainWindow, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    }

    HINSTANCE instance;
    Messages messages;
    ImageSet images;
    Settings settings;
    PageSettings page;  // margins and paper of the page setup, in hundredths of a millimetre
    NewImageValues newImage;
    ResizeChoices resize;
    FixedPalette fixedPalette;
    // The arrow cap of 始点 and 終点 "→" (edited in 矢印の編集), the 16 colour swatches that the
    // circular gradients take colours from, and the texture files of the pattern lists.
    ArrowSettings arrow;
    Swatches colourSwatches = [] {
        Swatches s;
        s.fill(kInitialSwatch);
        return s;
    }();
    std::array<TextureFile, kTextureSlotCount> textureFiles;
    Text saveName;      // the target of the next write
    int saveFileType = 1;  // position in the save dialog's type list, remembered between saves
    UndoBudget undoBudget;  // shared by the histories of all images
    CommandRegistry commands;
    ChangeRecord changes;  // noted since the last refresh
    bool refreshing = false;
    std::array<std::unique_ptr<Tool>, kToolCount> tools;  // by ToolId; [0] handles the paste objects

    std::vector<Text> startupFiles;  // opened at the first showing of the main window
    RecentFiles recentFiles;         // 最近使ったﾌｧｲﾙ, shared by all images
    bool recoveryOffered = false;    // the copies of an earlier run were offered at this start
    // The registry key (under HKEY_CURRENT_USER) that keeps the settings between runs; empty: they
    // are neither read nor written (the program sets it, tests that check it choose their own).
    Text settingsKey;
    HelpSession help;
    bool colourPanelVisible = false;
    bool palettePanelVisible = false;

    FrameWindows frame;
    std::unique_ptr<DialogHost> arrowDialog;  // 矢印の編集, modeless, made with the main window
    HWND arrowWindow = nullptr;                // … and its window
    std::vector<Text> fontNames;               // the font families the text tool offers, in list order
    ViewState viewState;
    // Milliseconds of the clock that the save reminder reads; tests replace it.
    std::function<uint64_t()> clock = [] { return static_cast<uint64_t>(GetTickCount64()); };
    SaveReminder reminder{static_cast<uint64_t>(GetTickCount64())};
    int dpi = 96;
    HWND activeDialog = nullptr;  // receives dialog keys from the message loop
    HMENU objectMenu = nullptr;    // menu 102
    bool menuDismissed = false;    // a context menu closed without a choice

    // Hooks for tests: a command that passed its guards, a dialog that finished initialising, the
    // reading back of a file just saved (empty: the file is decoded), and the writing of an
    // image's palette (empty: GDI+ sets it).
    std::function<void(int)> commandObserver;
    std::function<void(HWND dialog, int resourceId)> dialogObserver;
    std::function<bool(const Text& path, GpBitmapOwner& out)> readBackObserver;
    std::function<bool(Gdiplus::GpBitmap* bitmap, const std::vector<uint32_t>& entries, uint32_t flags)> paletteWriter;

    // The features' own state (the scanner connection, the recovery copies); it goes first.
    FeatureStates features;
};

}  // namespace mirelo
