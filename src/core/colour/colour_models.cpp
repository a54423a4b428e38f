#include "colour/colour_models.h"

#include <algorithm>
#include <cmath>

#include "image/pixel_format.h"

namespace mirelo {

namespace {
int Rounded(double v) { return static_cast<int>(std::trunc(v + 0.5)); }
int Clamp(int v, int lo, int hi) { return v < lo ? lo : (v > hi ? hi : v); }

// One channel of HLS to RGB: h is brought into 0..360 by adding or subtracting 360 once.
int HueChannel(double m1, double m2, double h) {
    if (h > 360) h -= 360;
    if (h < 0) h += 360;
    double value = m1;
    if (h < 60)
        value = m1 + (m2 - m1) * h / 60;
    else if (h < 180)
        value = m2;
    else if (h < 240)
        value = m1 + (m2 - m1) * (240 - h) / 60;
    return Rounded(255 * value);
}

int HexDigit(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    return 0;
}
}  // namespace

Hls RgbToHls(Rgb c) {
    const double r = c.red / 255.0, g = c.green / 255.0, b = c.blue / 255.0;
    const double M = std::max({r, g, b}), m = std::min({r, g, b});
    const double L = (M + m) / 2;
    double H = 0, S = 0;
    if (M != m) {
        S = L <= 0.5 ? (M - m) / (M + m) : (M - m) / (2 - M - m);
        const double rc = (M - r) / (M - m), gc = (M - g) / (M - m), bc = (M - b) / (M - m);
        if (r == M)
            H = bc - gc;
        else if (g == M)
            H = 2 + rc - bc;
        else
            H = 4 + gc - rc;
        H *= 60;
        if (H < 0) H += 360;
    }
    return Hls{Rounded(H), Rounded(100 * L), Rounded(100 * S)};
}

Rgb HlsToRgb(Hls c) {
    const double l = c.lightness / 100.0, s = c.saturation / 100.0;
    const double m2 = l <= 0.5 ? l * (1 + s) : l + s - l * s;
    const double m1 = 2 * l - m2;
    if (s == 0) {
        const int v = Rounded(255 * l);
        return Rgb{v, v, v};
    }
    const double h = c.hue;
    return Rgb{HueChannel(m1, m2, h + 120), HueChannel(m1, m2, h), HueChannel(m1, m2, h - 120)};
}

Text RgbHexText(Rgb c) {
    static const char16_t kDigits[] = u"0123456789abcdef";
    Text out;
    for (int v : {c.red, c.green, c.blue}) {
        const int b = Clamp(v, 0, 255);
        out.push_back(kDigits[b >> 4]);
        out.push_back(kDigits[b & 0xF]);
    }
    return out;
}

Rgb ReadRgbHexText(TextView text) {
    Text six(6, u'0');
    const size_t n = std::min<size_t>(6, text.size());
    for (size_t i = 0; i < n; ++i) six[6 - n + i] = text[text.size() - n + i];
    auto pair = [&](size_t at) { return HexDigit(six[at]) * 16 + HexDigit(six[at + 1]); };
    return Rgb{pair(0), pair(2), pair(4)};
}

Rgb SpectrumColour(int x, int y) {
    x = Clamp(x, 0, kSpectrumWidth - 1);
    y = Clamp(y, 0, kSpectrumHeight - 1);
    const int i = x % 51, up = 5 * i, down = 255 - 5 * i;
    Rgb hue;
    switch (x / 51) {
    case 0: hue = {255, up, 0}; break;     // red to yellow
    case 1: hue = {down, 255, 0}; break;   // yellow to green
    case 2: hue = {0, 255, up}; break;     // green to cyan
    case 3: hue = {0, down, 255}; break;   // cyan to blue
    case 4: hue = {up, 0, 255}; break;     // blue to magenta
    default: hue = {255, 0, down}; break;  // magenta to red
    }
    const int k = 256 - 2 * y;
    return Rgb{Clamp(hue.red + k, 0, 255), Clamp(hue.green + k, 0, 255), Clamp(hue.blue + k, 0, 255)};
}

Rgb SpectrumColourAt(int x, int y, int w, int h) {
    if (w <= 0 || h <= 0) return SpectrumColour(0, 0);
    x = Clamp(x, 0, w - 1);
    y = Clamp(y, 0, h - 1);
    // The source pixel whose area holds the centre of the control's pixel.
    const int sx = static_cast<int>((2LL * x + 1) * kSpectrumWidth / (2LL * w));
    const int sy = static_cast<int>((2LL * y + 1) * kSpectrumHeight / (2LL * h));
    return SpectrumColour(sx, sy);
}

ColourWorkSet ColourWorkSet::Open(uint32_t current, const std::array<uint32_t, kCustomColourCount>& custom, int initialSlot) {
    ColourWorkSet s;
    s.current = current & 0xFFFFFFu;
    for (size_t i = 0; i < custom.size(); ++i) s.custom[i] = custom[i] & 0xFFFFFFu;
    s.initialSlot = SlotOf(initialSlot);
    s.selected = s.initialSlot;
    return s;
}

uint32_t ColourWorkSet::SlotColour(int slot) const {
    slot = SlotOf(slot);
    return slot == kCurrentColourSlot ? current : custom[static_cast<size_t>(slot)];
}

void ColourWorkSet::SetSlot(int slot, uint32_t colour) {
    slot = SlotOf(slot);
    colour &= 0xFFFFFFu;
    if (slot == kCurrentColourSlot)
        current = colour;
    else
        custom[static_cast<size_t>(slot)] = colour;
}

void ColourWorkSet::StoreSelected(uint32_t colour) {
    SetSlot(selected, colour);
    if (selected != kCurrentColourSlot && initialSlot == kCurrentColourSlot) current = colour & 0xFFFFFFu;
}

PaletteWork PaletteWork::FromPalette(const std::vector<uint32_t>& argbEntries) {
    PaletteWork w;
    w.colours.fill(0xFFFFFFu);
    w.count = static_cast<int>(std::min<size_t>(argbEntries.size(), kPaletteSwatches));
    for (int i = 0; i < w.count; ++i) w.colours[static_cast<size_t>(i)] = Win32FromArgb(argbEntries[static_cast<size_t>(i)]);
    return w;
}

std::array<uint32_t, kPaletteSwatches> BasicColours() {
    std::array<uint32_t, kPaletteSwatches> out{};
    for (int row = 0; row < 16; ++row) {
        for (int col = 0; col < 15; ++col)
            out[static_cast<size_t>(row * 16 + col)] = Win32FromRgb(HlsToRgb(Hls{col * 24, 90 - 5 * row, 100}));
        const int grey = 255 - 17 * row;
        out[static_cast<size_t>(row * 16 + 15)] = Win32FromRgb(Rgb{grey, grey, grey});
    }
    return out;
}

PaletteClick ClickPaletteSwatch(ColourWorkSet& set, PaletteWork& work, int index, PaletteMode mode) {
    if (index < 0 || index >= kPaletteSwatches) return PaletteClick::Nothing;
    if (mode == PaletteMode::Take) {
        set.SetSlot(set.selected, work.colours[static_cast<size_t>(index)]);
        return PaletteClick::SlotChanged;
    }
    if (index >= work.count) return PaletteClick::Nothing;
    work.colours[static_cast<size_t>(index)] = set.SelectedColour();
    return PaletteClick::EntryChanged;
}

bool PaletteDiffers(const std::vector<uint32_t>& argbEntries, const PaletteWork& work) {
    const size_t n = std::min<size_t>(argbEntries.size(), kPaletteSwatches);
    for (size_t i = 0; i < n; ++i)
        if ((argbEntries[i] | 0xFF000000u) != ArgbFromWin32(work.colours[i])) return true;
    return false;
}

std::vector<uint32_t> PaletteFromWork(const std::vector<uint32_t>& argbEntries, const PaletteWork& work) {
    std::vector<uint32_t> out = argbEntries;
    const size_t n = std::min<size_t>(out.size(), kPaletteSwatches);
    for (size_t i = 0; i < n; ++i) out[i] = (argbEntries[i] & 0xFF000000u) | (ArgbFromWin32(work.colours[i]) & 0xFFFFFFu);
    return out;
}

void ReplacePaletteEntries(std::vector<uint32_t>& argbEntries, uint32_t keyArgb, uint32_t newColour, bool transparent) {
    const uint32_t replacement = ArgbFromWin32WithAlpha(newColour, transparent ? 0 : 255);
    for (uint32_t& e : argbEntries) e = e == keyArgb ? replacement : (e | 0xFF000000u);
}

SwatchRect GridSwatchRect(int index, int w, int h) {
    const int col = index % 16, row = index / 16;
    return SwatchRect{col * w / 16, row * h / 16, (col + 1) * w / 16, (row + 1) * h / 16};
}

int GridSwatchAt(int x, int y, int w, int h) {
    if (x < 0 || y < 0 || x >= w || y >= h) return -1;
    return (y * 16 / h) * 16 + x * 16 / w;
}

SwatchRect CustomSwatchRect(int index, int w, int h) {
    const int cw = w / 8, ch = h / 2, col = index % 8, row = index / 8;
    return SwatchRect{col * cw, row * ch, col * cw + cw - 1, row * ch + ch - 1};
}

int CustomSwatchAt(int x, int y, int w, int h) {
    const int cw = w / 8, ch = h / 2;
    if (x < 0 || y < 0 || cw < 1 || ch < 1) return -1;
    const int col = x / cw, row = y / ch;
    if (col >= 8 || row >= 2 || x - col * cw >= cw - 1 || y - row * ch >= ch - 1) return -1;
    return row * 8 + col;
}

PickedColour PickUp(uint32_t argb) {
    return PickedColour{Win32FromArgb(argb), static_cast<uint8_t>(255 - (argb >> 24))};
}

}  // namespace mirelo
