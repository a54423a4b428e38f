// The colour dialogs' rules: RGB and HLS as displayed, the hexadecimal text, the spectrum, the
// working colours, the palette dialog's clicks and OK, the palette entry replacement and the
// swatch geometry of the colour controls.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "colour/colour_models.h"

namespace mirelo {
namespace {

std::string Str(Rgb c) { return std::to_string(c.red) + "," + std::to_string(c.green) + "," + std::to_string(c.blue); }
std::string Str(Hls c) {
    return std::to_string(c.hue) + "," + std::to_string(c.lightness) + "," + std::to_string(c.saturation);
}

TEST(ColourModels, RgbToHlsAsDisplayed) {
    struct Case {
        Rgb rgb;
        const char* hex;
        Hls hls;
    };
    const Case cases[] = {
        {{255, 0, 0}, "ff0000", {0, 50, 100}},
        {{128, 128, 128}, "808080", {0, 50, 0}},
        {{0, 255, 128}, "00ff80", {150, 50, 100}},
        {{0, 0, 128}, "000080", {240, 25, 100}},
        {{255, 255, 128}, "ffff80", {60, 75, 100}},
        {{255, 0, 255}, "ff00ff", {300, 50, 100}},
        {{10, 20, 30}, "0a141e", {210, 8, 50}},
        {{0, 0, 0}, "000000", {0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Str(c.rgb));
        EXPECT_EQ(ToUtf8(RgbHexText(c.rgb)), c.hex);
        EXPECT_EQ(Str(RgbToHls(c.rgb)), Str(c.hls));
    }
}

// Displayed hue, lightness and saturation back to RGB; where the rounding allows, the way back
// gives the same fields.
TEST(ColourModels, HlsToRgbAndBack) {
    struct Case {
        Hls hls;
        Rgb rgb;
    };
    const Case cases[] = {
        {{0, 50, 100}, {255, 0, 0}},       {{120, 50, 100}, {0, 255, 0}},   {{240, 25, 100}, {0, 0, 128}},
        {{60, 75, 100}, {255, 255, 128}},  {{0, 100, 0}, {255, 255, 255}},  {{200, 0, 40}, {0, 0, 0}},
        {{300, 50, 100}, {255, 0, 255}},   {{360, 50, 100}, {255, 0, 0}},   {{90, 40, 50}, {102, 153, 51}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Str(c.hls));
        EXPECT_EQ(Str(HlsToRgb(c.hls)), Str(c.rgb));
    }
    for (Hls h : {Hls{0, 50, 100}, Hls{240, 25, 100}, Hls{60, 75, 100}, Hls{90, 40, 50}}) EXPECT_EQ(Str(RgbToHls(HlsToRgb(h))), Str(h));
}

TEST(ColourModels, HexTextReadsItsLastSixCharacters) {
    struct Case {
        const char16_t* text;
        Rgb rgb;
    };
    const Case cases[] = {
        {u"#00ff80", {0, 255, 128}},
        {u"ff0000", {255, 0, 0}},
        {u"00FF00", {0, 0, 0}},          // upper case is no digit
        {u"xxabcdef", {171, 205, 239}},  // only the last six count
        {u"f-ff 0", {240, 255, 0}},      // any other character is a 0 in its place
        {u"ff", {0, 0, 255}},
        {u"", {0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(ToUtf8(c.text));
        EXPECT_EQ(Str(ReadRgbHexText(c.text)), Str(c.rgb));
    }
}

TEST(ColourModels, SpectrumRowsAndColumns) {
    struct Case {
        int x, y;
        Rgb rgb;
    };
    const Case cases[] = {
        {0, 0, {255, 255, 255}},   {305, 0, {255, 255, 255}}, {0, 256, {0, 0, 0}},      {305, 256, {0, 0, 0}},
        {0, 128, {255, 0, 0}},     {50, 128, {255, 250, 0}},  {51, 128, {255, 255, 0}}, {101, 128, {5, 255, 0}},
        {102, 128, {0, 255, 0}},   {153, 128, {0, 255, 255}}, {204, 128, {0, 0, 255}},  {255, 128, {255, 0, 255}},
        {305, 128, {255, 0, 5}},   {0, 127, {255, 2, 2}},     {0, 129, {253, 0, 0}},    {153, 192, {0, 127, 127}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.x) + "," + std::to_string(c.y));
        EXPECT_EQ(Str(SpectrumColour(c.x, c.y)), Str(c.rgb));
    }
    // Scaled into a control: its corners show the picture's corners, its middle row the hues, and
    // points outside read the nearest edge.
    EXPECT_EQ(Str(SpectrumColourAt(0, 64, 153, 129)), Str(SpectrumColour(1, 128)));
    EXPECT_EQ(Str(SpectrumColourAt(152, 128, 153, 129)), Str(SpectrumColour(305, 256)));
    EXPECT_EQ(Str(SpectrumColourAt(612, 0, 612, 514)), Str(SpectrumColour(305, 0)));
    EXPECT_EQ(Str(SpectrumColourAt(-40, 900, 153, 129)), Str(SpectrumColour(1, 256)));
    EXPECT_EQ(Str(SpectrumColourAt(100, 100, 306, 257)), Str(SpectrumColour(100, 100)));
}

TEST(ColourModels, WorkingSetSlots) {
    std::array<uint32_t, 16> table;
    table.fill(0xFF7F7F7Fu);
    for (int slot : {-1, 16, 17, 300}) EXPECT_EQ(SlotOf(slot), kCurrentColourSlot) << slot;

    // Opened on the current colour: a custom slot's colour becomes the current colour too.
    ColourWorkSet s = ColourWorkSet::Open(0x01123456u, table, 99);
    EXPECT_EQ(s.current, 0x123456u);
    EXPECT_EQ(s.custom[4], 0x7F7F7Fu);
    EXPECT_EQ(s.selected, kCurrentColourSlot);
    s.Select(3);
    s.StoreSelected(0x0000FFu);
    EXPECT_EQ(s.custom[3], 0x0000FFu);
    EXPECT_EQ(s.current, 0x0000FFu);
    s.Select(42);
    s.StoreSelected(0x00FF00u);
    EXPECT_EQ(s.current, 0x00FF00u);
    EXPECT_EQ(s.custom[3], 0x0000FFu);

    // Opened on a custom slot: only the selected slot changes.
    ColourWorkSet t = ColourWorkSet::Open(0x123456u, table, 2);
    EXPECT_EQ(t.selected, 2);
    t.Select(5);
    t.StoreSelected(0x0000FFu);
    EXPECT_EQ(t.custom[5], 0x0000FFu);
    EXPECT_EQ(t.custom[2], 0x7F7F7Fu);
    EXPECT_EQ(t.current, 0x123456u);
}

TEST(ColourModels, PaletteDialogClicksAndOk) {
    const std::vector<uint32_t> palette = {0xFF000000u, 0x00FF0000u, 0xFF00FF00u, 0xFF0000FFu};
    PaletteWork work = PaletteWork::FromPalette(palette);
    EXPECT_EQ(work.count, 4);
    EXPECT_EQ(work.colours[1], 0x0000FFu);   // red, alpha dropped
    EXPECT_EQ(work.colours[4], 0xFFFFFFu);   // beyond the count: white
    EXPECT_FALSE(PaletteDiffers(palette, work));  // alpha alone is no difference

    std::array<uint32_t, 16> table{};
    ColourWorkSet set = ColourWorkSet::Open(0x123456u, table, 16);
    // 置換 beyond the count changes nothing.
    const PaletteWork before = work;
    EXPECT_EQ(ClickPaletteSwatch(set, work, 200, PaletteMode::Replace), PaletteClick::Nothing);
    EXPECT_EQ(ClickPaletteSwatch(set, work, 4, PaletteMode::Replace), PaletteClick::Nothing);
    EXPECT_EQ(work.colours, before.colours);
    EXPECT_EQ(ClickPaletteSwatch(set, work, 256, PaletteMode::Take), PaletteClick::Nothing);
    // 取得 gives the entry to the selected slot only.
    set.Select(7);
    EXPECT_EQ(ClickPaletteSwatch(set, work, 2, PaletteMode::Take), PaletteClick::SlotChanged);
    EXPECT_EQ(set.custom[7], 0x00FF00u);
    EXPECT_EQ(set.current, 0x123456u);
    // 置換 gives the selected slot's colour to the entry.
    set.Select(16);
    EXPECT_EQ(ClickPaletteSwatch(set, work, 3, PaletteMode::Replace), PaletteClick::EntryChanged);
    EXPECT_EQ(work.colours[3], 0x123456u);
    EXPECT_TRUE(PaletteDiffers(palette, work));
    const std::vector<uint32_t> expected = {0xFF000000u, 0x00FF0000u, 0xFF00FF00u, 0xFF563412u};
    EXPECT_EQ(PaletteFromWork(palette, work), expected);
}

TEST(ColourModels, PaletteEntryReplacement) {
    const uint32_t key = 0xFF102030u;
    for (bool transparent : {true, false}) {
        SCOPED_TRACE(transparent);
        std::vector<uint32_t> p = {0xFF000000u, key, 0x80FFFFFFu, key, 0x00102030u};
        ReplacePaletteEntries(p, key, 0x302010u, transparent);
        const uint32_t made = transparent ? 0x00102030u : 0xFF102030u;
        const std::vector<uint32_t> expected = {0xFF000000u, made, 0xFFFFFFFFu, made, 0xFF102030u};
        EXPECT_EQ(p, expected);
    }
    const PickedColour picked = PickUp(0x40112233u);
    EXPECT_EQ(picked.colour, 0x332211u);
    EXPECT_EQ(picked.transparency, 0xBF);
}

TEST(ColourModels, SwatchGeometry) {
    struct Case {
        bool grid;
        int x, y, w, h, index;
    };
    const Case cases[] = {
        {true, 0, 0, 160, 160, 0},      {true, 159, 159, 160, 160, 255}, {true, 15, 10, 160, 160, 17},
        {true, 160, 0, 160, 160, -1},   {false, 0, 0, 160, 40, 0},       {false, 19, 0, 160, 40, -1},
        {false, 20, 20, 160, 40, 9},    {false, 158, 38, 160, 40, 15},   {false, 5, 19, 160, 40, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.x) + "," + std::to_string(c.y));
        EXPECT_EQ(c.grid ? GridSwatchAt(c.x, c.y, c.w, c.h) : CustomSwatchAt(c.x, c.y, c.w, c.h), c.index);
        if (c.index < 0) continue;
        const SwatchRect r = c.grid ? GridSwatchRect(c.index, c.w, c.h) : CustomSwatchRect(c.index, c.w, c.h);
        EXPECT_TRUE(c.x >= r.left && c.x < r.right && c.y >= r.top && c.y < r.bottom);
    }
}

}  // namespace
}  // namespace mirelo
