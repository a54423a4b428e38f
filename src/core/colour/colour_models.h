// The colour dialogs' rules without windows: RGB and hue/lightness/saturation as the colour
// selection dialog shows them, its hexadecimal text, the spectrum picture, the working colours
// (current colour and 16 custom colours) with their selected slot, the palette dialog's swatch
// clicks and OK comparison, and the palette entry replacement of indexed images.
#pragma once
#include <array>
#include <cstdint>
#include <vector>

#include "common/text.h"

namespace mirelo {

struct Rgb {
    int red = 0, green = 0, blue = 0;
    bool operator==(const Rgb& o) const { return red == o.red && green == o.green && blue == o.blue; }
};
// Hue 0..360, lightness and saturation 0..100: the values the dialog's fields show.
struct Hls {
    int hue = 0, lightness = 0, saturation = 0;
    bool operator==(const Hls& o) const { return hue == o.hue && lightness == o.lightness && saturation == o.saturation; }
};

constexpr uint32_t Win32FromRgb(Rgb c) {
    return static_cast<uint32_t>(c.red & 0xFF) | (static_cast<uint32_t>(c.green & 0xFF) << 8) |
           (static_cast<uint32_t>(c.blue & 0xFF) << 16);
}
constexpr Rgb RgbFromWin32(uint32_t c) {
    return Rgb{static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF), static_cast<int>((c >> 16) & 0xFF)};
}

// Hue, lightness and saturation of a colour, each rounded as displayed.
Hls RgbToHls(Rgb colour);
// The colour of displayed hue, lightness and saturation.
Rgb HlsToRgb(Hls colour);

// "%02x%02x%02x" of red, green and blue.
Text RgbHexText(Rgb colour);
// "適用": the last six characters as three two-digit hexadecimal numbers (red, green, blue).
// Only '0'..'9' and 'a'..'f' are digits; any other character counts as 0 in its place. A text of
// fewer than six characters reads as if padded with '0' in front.
Rgb ReadRgbHexText(TextView text);

// The spectrum: six runs of 51 columns of fully saturated hues (red, yellow, green, cyan, blue,
// magenta and back), each row adding 256 − 2y to every channel: white at the top, the pure hues
// in row 128, black at the bottom.
constexpr int kSpectrumWidth = 306, kSpectrumHeight = 257;
Rgb SpectrumColour(int x, int y);
// The colour at (x, y) of a w × h control showing the spectrum scaled with nearest-neighbour
// sampling; points outside the control read from its nearest edge.
Rgb SpectrumColourAt(int x, int y, int w, int h);

// The working colours while a colour dialog is open (Win32 colours 0x00BBGGRR).
constexpr int kCustomColourCount = 16;
constexpr int kCurrentColourSlot = 16;
// A slot number as the dialogs take it: 0..15 a custom colour, anything else the current colour.
constexpr int SlotOf(int slot) { return slot >= 0 && slot < kCustomColourCount ? slot : kCurrentColourSlot; }

struct ColourWorkSet {
    uint32_t current = 0;
    std::array<uint32_t, kCustomColourCount> custom{};
    int selected = kCurrentColourSlot;
    int initialSlot = kCurrentColourSlot;  // the slot the dialog was opened with

    // The working set of a dialog opened on `current` with the program's custom colours, the
    // slot `initialSlot` selected. Only the low 24 bits of each colour are kept.
    static ColourWorkSet Open(uint32_t current, const std::array<uint32_t, kCustomColourCount>& custom, int initialSlot);

    uint32_t SlotColour(int slot) const;
    uint32_t SelectedColour() const { return SlotColour(selected); }
    void Select(int slot) { selected = SlotOf(slot); }
    // The colour dialog's store: the selected slot takes the colour; a custom slot's colour is
    // also the current colour when the dialog was opened on the current colour (initial slot
    // above 15).
    void StoreSelected(uint32_t colour);
    // One slot takes the colour, nothing else.
    void SetSlot(int slot, uint32_t colour);
};

// The palette dialog's working copy: 256 colours (Win32), the first `count` from the image's
// palette with alpha dropped, the rest white and not replaceable.
constexpr int kPaletteSwatches = 256;
struct PaletteWork {
    std::array<uint32_t, kPaletteSwatches> colours{};
    int count = 0;

    static PaletteWork FromPalette(const std::vector<uint32_t>& argbEntries);
};

enum class PaletteMode { Take, Replace };  // "取得", "置換"
enum class PaletteClick { Nothing, SlotChanged, EntryChanged };
// A click on palette swatch `index`: 取得 gives its colour to the selected slot; 置換 gives the
// selected slot's colour to the entry when it is below the palette count, else does nothing.
PaletteClick ClickPaletteSwatch(ColourWorkSet& set, PaletteWork& work, int index, PaletteMode mode);

// What the colour selection dialog's grid offers when the image has no palette, row by row: 15
// fully saturated hues 24° apart (red first) at lightness 90 % in the top row down to 15 % in the
// bottom one, the last column greys from white to black.
std::array<uint32_t, kPaletteSwatches> BasicColours();

// OK of the palette dialog: whether any entry, as opaque ARGB, differs from the working copy.
bool PaletteDiffers(const std::vector<uint32_t>& argbEntries, const PaletteWork& work);
// The palette that OK sets: each entry takes the working copy's colour and keeps its own alpha.
std::vector<uint32_t> PaletteFromWork(const std::vector<uint32_t>& argbEntries, const PaletteWork& work);

// The palette entry replacement of an indexed image: every entry equal to `keyArgb` (all four
// bytes) takes the RGB of `newColour` (Win32) with alpha 0 when `transparent` is set and 255
// otherwise; every other entry becomes opaque.
void ReplacePaletteEntries(std::vector<uint32_t>& argbEntries, uint32_t keyArgb, uint32_t newColour, bool transparent);

// Where the colour controls draw their swatches, in client pixels (right and bottom excluded).
struct SwatchRect {
    int left = 0, top = 0, right = 0, bottom = 0;
};
// The palette grid: 16 × 16 swatches, each 1/16 of the control's width and height, index =
// row × 16 + column.
SwatchRect GridSwatchRect(int index, int w, int h);
int GridSwatchAt(int x, int y, int w, int h);  // −1 outside
// The custom colours: two rows of eight, each 1/8 of the width minus 1 and 1/2 of the height
// minus 1, with a 1-pixel gap; slots 0..7 in the top row.
SwatchRect CustomSwatchRect(int index, int w, int h);
int CustomSwatchAt(int x, int y, int w, int h);  // −1 outside and in the gaps

// A pixel picked up from an image: its colour (Win32) and transparency 255 − alpha.
struct PickedColour {
    uint32_t colour = 0;
    uint8_t transparency = 0;
};
PickedColour PickUp(uint32_t argb);

}  // namespace mirelo
