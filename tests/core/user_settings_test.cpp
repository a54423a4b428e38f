#include "app/user_settings.h"

#include <gtest/gtest.h>

namespace mirelo {
namespace {

SettingValue Number(TextView name, int32_t n) {
    const auto u = static_cast<uint32_t>(n);
    return {Text(name), kSettingNumber, {static_cast<uint8_t>(u), static_cast<uint8_t>(u >> 8), static_cast<uint8_t>(u >> 16), static_cast<uint8_t>(u >> 24)}};
}

TEST(UserSettings, WhatIsWrittenReadsBack) {
    UserSettings s;
    s.window = WindowPlace{true, -8, 20, 1024, 700, true};
    for (const char16_t* p : {u"C:\\a.png", u"D:\\写真\\庭.jpg", u"C:\\b & c.bmp"}) s.recent.Add(p);
    s.gridX = 16;
    s.gridY = 32;
    s.gridOffsetX = 3;
    s.gridOffsetY = 5;
    s.cursorCoords = true;
    s.checkerboard = false;
    s.dither = false;
    s.jpegQuality = 95;
    s.openFolder = u"C:\\画像";
    s.saveFolder = u"E:\\out";
    s.coloursSet = true;
    for (size_t i = 0; i < 16; ++i) s.customColours[i] = static_cast<uint32_t>(0x010203u * i);
    const UserSettings r = ReadUserSettings(WriteUserSettings(s));
    EXPECT_TRUE(r.window.set);
    EXPECT_EQ(r.window.x, -8);
    EXPECT_EQ(r.window.height, 700);
    EXPECT_TRUE(r.window.maximised);
    EXPECT_EQ(r.recent.items(), s.recent.items());
    EXPECT_EQ(r.gridX, 16);
    EXPECT_EQ(r.gridOffsetY, 5);
    EXPECT_TRUE(r.cursorCoords);
    EXPECT_FALSE(r.checkerboard);
    EXPECT_FALSE(r.dither);
    EXPECT_EQ(r.jpegQuality, 95);
    EXPECT_EQ(r.openFolder, s.openFolder);
    EXPECT_EQ(r.saveFolder, s.saveFolder);
    EXPECT_TRUE(r.coloursSet);
    EXPECT_EQ(r.customColours, s.customColours);
}

TEST(UserSettings, DamagedValuesKeepTheirDefaults) {
    const UserSettings defaults;
    const std::vector<SettingValue> junk = {
        Number(u"JpegQuality", 101),
        Number(u"GridX", -1),
        Number(u"Dither", 2),
        {u"Checkerboard", kSettingText, {'1', 0, 0, 0}},   // the wrong kind
        {u"GridY", kSettingNumber, {1, 0}},                // too short
        {u"Recent0", kSettingText, {'a', 0, 0x0A, 0}},     // a control character
        {u"Recent1", kSettingText, {'a', 0, 'b'}},         // an odd length
        {u"OpenFolder", kSettingText, {0, 0}},             // empty
        {u"CustomColours", kSettingBinary, std::vector<uint8_t>(63, 1)},
        Number(u"WindowX", 10), Number(u"WindowY", 10), Number(u"WindowWidth", 100), Number(u"WindowHeight", 600),
    };
    const UserSettings r = ReadUserSettings(junk);
    EXPECT_EQ(r.jpegQuality, defaults.jpegQuality);
    EXPECT_EQ(r.gridX, 0);
    EXPECT_EQ(r.gridY, 0);
    EXPECT_TRUE(r.dither);
    EXPECT_TRUE(r.checkerboard);
    EXPECT_TRUE(r.recent.items().empty());
    EXPECT_TRUE(r.openFolder.empty());
    EXPECT_FALSE(r.coloursSet);
    EXPECT_FALSE(r.window.set);  // narrower than the smallest window
    // A text without its NUL still reads; names are matched whatever their case.
    const UserSettings t = ReadUserSettings({{u"recent0", kSettingText, {'x', 0}}, Number(u"JPEGQUALITY", 10)});
    ASSERT_EQ(t.recent.items().size(), 1u);
    EXPECT_EQ(t.recent.items()[0], u"x");
    EXPECT_EQ(t.jpegQuality, 10);
}

TEST(UserSettings, RecentFilesKeepTheNewestTenOnce) {
    RecentFiles r;
    for (int i = 0; i < 12; ++i) r.Add(u"C:\\f" + ToText(i) + u".png");
    ASSERT_EQ(r.items().size(), 10u);
    EXPECT_EQ(r.items().front(), u"C:\\f11.png");
    EXPECT_EQ(r.items().back(), u"C:\\f2.png");
    r.Add(u"c:\\F5.PNG");  // the same file in other letter case moves to the top, once
    EXPECT_EQ(r.items().size(), 10u);
    EXPECT_EQ(r.items().front(), u"c:\\F5.PNG");
    EXPECT_TRUE(r.Remove(u"C:\\f11.png"));
    EXPECT_FALSE(r.Remove(u"C:\\f11.png"));
    EXPECT_EQ(r.items().size(), 9u);
    EXPECT_EQ(RecentFileMenuText(0, u"C:\\a&b.png"), u"&1 C:\\a&&b.png");
    EXPECT_EQ(RecentFileMenuText(9, u"x"), u"&0 x");
}

TEST(UserSettings, WindowStaysWhereItsTitleBarCanBeReached) {
    const std::vector<ScreenRect> one = {{0, 0, 1920, 1040}};
    const WindowPlace fallback{true, 100, 100, 800, 600, false};
    struct Case {
        WindowPlace stored;
        bool kept;
    } cases[] = {
        {{true, 10, 10, 800, 600, false}, true},
        {{true, 2000, 10, 800, 600, false}, false},  // on a monitor that is gone
        {{true, 10, -30, 800, 600, false}, false},   // title above the screen
        {{true, -550, 10, 800, 600, false}, true},   // 150 pixels of title left of the buttons on screen
        {{true, -620, 10, 800, 600, false}, false},  // 80
        {{false, 10, 10, 800, 600, false}, false},
    };
    for (const Case& c : cases) {
        const WindowPlace p = VisiblePlace(c.stored, one, fallback);
        EXPECT_EQ(p.x, c.kept ? c.stored.x : fallback.x) << c.stored.x << "," << c.stored.y;
    }
    // A second monitor on the right keeps a window there; a huge window is cut to the screen.
    EXPECT_EQ(VisiblePlace({true, 2000, 10, 800, 600, false}, {{0, 0, 1920, 1040}, {1920, 0, 3840, 1040}}, fallback).x, 2000);
    EXPECT_EQ(VisiblePlace({true, 0, 0, 5000, 5000, false}, one, fallback).width, 1920);
}

}  // namespace
}  // namespace mirelo
