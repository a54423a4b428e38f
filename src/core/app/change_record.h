// What changed since the windows last showed the document, and the refresh that follows from it.
// Features only change state and note what they changed; the refresh runs once, in one order, at
// the message loop's choke points (after a command, a mouse or key message of the view, a closed
// dialog, a timer, a clipboard notification).
#pragma once
#include <array>
#include <cstdint>
#include <vector>

#include "image/slot_rules.h"

namespace mirelo {

// What changed in one image.
namespace change {
enum Image : unsigned {
    kPixels = 1u << 0,        // pixels drawn into the same bitmap
    kBitmap = 1u << 1,        // a new bitmap: format, size, resolution and palette are read again
    kSelection = 1u << 2,     // the selection or the user paths
    kObjects = 1u << 3,       // the paste objects or which one is selected
    kToolOptions = 1u << 4,   // the image's tool or its option values
    kColours = 1u << 5,       // the drawing colours or the palette
    kViewPosition = 1u << 6,  // zoom or scroll position
    kFit = 1u << 7,           // the image is to be fitted into the view (a new image)
    kOverlay = 1u << 8,       // only what the tools draw above the image
    kFile = 1u << 9,          // its name, file or properties (the status line)
    kHistory = 1u << 10,      // its undo history (what 元に戻す and やり直し offer)
    kFitWindow = 1u << 11,    // the image is to be fitted into the view, enlarged if small (ウィンドウサイズ)
    kMarch = 1u << 12,        // the selection outline's dashes moved on; the picture under it is as it was
};
// What changed in the program as a whole.
enum Program : unsigned {
    kImageList = 1u << 0,     // images came or went
    kCurrentImage = 1u << 1,  // another image is current
    kTool = 1u << 2,          // the current image's tool
    kLayout = 1u << 3,        // the frame's bars changed their size
    kSettings = 1u << 4,      // a program-wide choice (grid, frames, dithering, palette method …)
    kOutside = 1u << 5,       // the world outside changed (clipboard, activation): availability
    kToolReset = 1u << 6,     // the current image's tool went back to the selection tool
    kShowWindow = 1u << 7,    // an image came in: a minimised main window is shown again
    kDialogClosed = 1u << 8,  // a dialog closed: what lay under it is painted at once
};
}  // namespace change

// The steps of a refresh, in the order they run.
enum class RefreshStep : int {
    Availability,   // menus, tool bars, context menus, check marks, image-select menu
    OptionBar,      // the tool's option bands and their values
    ColourPanels,   // the colour or palette panel
    Thumbnails,     // the image bar
    StatusLine,
    ViewLayout,     // zoom, origin, scroll bars
    ViewInvalidate, // the view painted again
};
constexpr int kRefreshStepCount = 7;

// The changes noted since the last refresh.
class ChangeRecord {
public:
    void Image(int slot, unsigned what) {
        if (slot < 0 || slot >= kMaxImages || what == 0) return;
        images_[static_cast<size_t>(slot)] |= what;
        any_ = true;
    }
    void Program(unsigned what) {
        program_ |= what;
        any_ = any_ || what != 0;
    }
    bool Empty() const { return !any_; }
    unsigned ProgramChanges() const { return program_; }
    unsigned ImageChanges(int slot) const {
        return slot >= 0 && slot < kMaxImages ? images_[static_cast<size_t>(slot)] : 0u;
    }
    // Hands over what was noted and starts afresh.
    ChangeRecord Take() {
        ChangeRecord taken = *this;
        *this = ChangeRecord();
        return taken;
    }

private:
    std::array<unsigned, kMaxImages> images_{};
    unsigned program_ = 0;
    bool any_ = false;
};

// Which steps a set of changes calls for, and for which images.
struct RefreshPlan {
    std::array<bool, kRefreshStepCount> steps{};
    std::vector<int> thumbnails;  // slots whose thumbnail is made again
    std::vector<int> fitted;      // new images, each fitted into the view (never enlarged)
    bool rebuildImageBar = false; // images came or went: the bar and the image-select menu anew
    bool fitWindow = false;       // the current image is fitted into the view, enlarged if small
    bool restoreScroll = false;   // the current image's own scroll position is shown again
    bool toolReset = false;       // windows that belong to a tool (the arrow window) close
    bool showWindow = false;      // a minimised main window is restored first
    bool paintNow = false;        // the windows are painted before the refresh returns
    bool marchOnly = false;       // nothing but the outline's march: the view keeps its picture

    bool Runs(RefreshStep s) const { return steps[static_cast<size_t>(s)]; }
    // The steps in the order they run.
    std::vector<RefreshStep> Order() const;
};

// The refresh for what was noted; `current` is the current image (−1 none).
RefreshPlan PlanRefresh(const ChangeRecord& record, int current);

}  // namespace mirelo
