#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "app/commands.h"
#include "common/text.h"
#include "image/slot_rules.h"
#include "image/thumbnail.h"

namespace mirelo {
namespace {

TEST(Thumbnail, PlacementOnTheShortAxis) {
    ThumbPlacement tall = PlaceThumbnail(1, 1000);
    EXPECT_EQ(tall.width, 1);
    EXPECT_EQ(tall.height, 32);
    EXPECT_EQ(tall.x, 15);
    EXPECT_EQ(tall.y, 0);
    ThumbPlacement wide = PlaceThumbnail(1000, 1);
    EXPECT_EQ(wide.width, 32);
    EXPECT_EQ(wide.height, 1);
    EXPECT_EQ(wide.x, 0);
    EXPECT_EQ(wide.y, 15);
    ThumbPlacement square = PlaceThumbnail(500, 500);
    EXPECT_EQ(square.width, 32);
    EXPECT_EQ(square.height, 32);
    EXPECT_EQ(square.x, 0);
    EXPECT_EQ(square.y, 0);
    ThumbPlacement landscape = PlaceThumbnail(640, 480);
    EXPECT_EQ(landscape.height, 24);
    EXPECT_EQ(landscape.y, 4);
    ThumbPlacement portrait = PlaceThumbnail(480, 640);
    EXPECT_EQ(portrait.width, 24);
    EXPECT_EQ(portrait.x, 4);
    // Sizes that do not fit in 32 bits when multiplied by 32 still scale correctly.
    ThumbPlacement huge = PlaceThumbnail(2000000000, 1000000000);
    EXPECT_EQ(huge.height, 16);
}

TEST(StatusLine, FileImage) {
    StatusLineInput in;
    in.path = u"C:\\img\\a.png";
    in.rawFormatName = u"PNG";
    in.pixelFormat = 0x26200A;
    in.width = 640;
    in.height = 480;
    in.dpiX = in.dpiY = 96;
    in.hasAlpha = true;
    StatusLine line = BuildStatusLine(in);
    EXPECT_EQ(line.text, u"a.png   PNG   32-A8R8G8B8   640px x 480px   96dpi x 96dpi   透明可   C:\\img");
    EXPECT_EQ(line.memoryByteSize, -1);
}

TEST(StatusLine, MemoryImageShowsKilobytes) {
    StatusLineInput in;
    in.path = u"new1";
    in.rawFormatName = u"MemoryBMP";
    in.pixelFormat = 0x26200A;
    in.width = in.height = 100;
    in.dpiX = in.dpiY = 96;
    StatusLine line = BuildStatusLine(in);
    EXPECT_EQ(line.memoryByteSize, 40000);
    EXPECT_EQ(line.text, u"new1   MemoryBMP   32-A8R8G8B8   100px x 100px   96dpi x 96dpi   39.0KB      ");
    // 24-bit rows are padded to whole 32-bit words: 3 × 3 bytes → 12 per row.
    in.pixelFormat = 0x21808;
    in.width = 3;
    in.height = 1000;
    EXPECT_EQ(BuildStatusLine(in).memoryByteSize, 12000);
}

TEST(StatusLine, LimitedTo254Characters) {
    StatusLineInput in;
    in.path = Text(300, u'x');
    in.rawFormatName = u"BMP";
    StatusLine line = BuildStatusLine(in);
    EXPECT_EQ(line.text.size(), kStatusLineLimit);
}

TEST(Paths, SplitAtLastBackslash) {
    PathParts p = SplitPath(u"C:\\a\\b\\c.bmp");
    EXPECT_EQ(p.name, u"c.bmp");
    EXPECT_EQ(p.folder, u"C:\\a\\b");
    PathParts bare = SplitPath(u"new3");
    EXPECT_EQ(bare.name, u"new3");
    EXPECT_EQ(bare.folder, u"");
    EXPECT_EQ(SplitPath(u"C:\\").name, u"");
}

TEST(Slots, NewNamesFillGaps) {
    std::vector<Text> paths = {u"new1", u"new3", u"C:\\x\\new2"};
    auto occupied = [&](int i) { return i < static_cast<int>(paths.size()); };
    auto pathOf = [&](int i) { return TextView(paths[static_cast<size_t>(i)]); };
    EXPECT_EQ(NextNewImageName(kMaxImages, occupied, pathOf), u"new2");
    paths.push_back(u"new2");
    EXPECT_EQ(NextNewImageName(kMaxImages, occupied, pathOf), u"new4");
    paths.clear();
    EXPECT_EQ(NextNewImageName(kMaxImages, occupied, pathOf), u"new1");
}

TEST(Slots, FirstFree) {
    std::array<bool, 4> used = {true, true, false, true};
    EXPECT_EQ(FirstFreeSlot(4, [&](int i) { return used[static_cast<size_t>(i)]; }), 2);
    used[2] = true;
    EXPECT_EQ(FirstFreeSlot(4, [&](int i) { return used[static_cast<size_t>(i)]; }), -1);
}

struct Table {
    std::array<std::string, 6> slot;
    bool occupied(int i) const { return !slot[static_cast<size_t>(i)].empty(); }
    int Close(int closed) {
        return CompactAfterClose(
            closed, static_cast<int>(slot.size()), [&](int i) { return occupied(i); },
            [&](int from, int to) {
                slot[static_cast<size_t>(to)] = slot[static_cast<size_t>(from)];
                slot[static_cast<size_t>(from)] = "moved-away";
            },
            [&](int d) { slot[static_cast<size_t>(d)].clear(); });
    }
};

TEST(Slots, CompactionOfThreeSlots) {
    Table t{{"a", "b", "c"}};
    int cleared = t.Close(0);
    EXPECT_EQ(cleared, 2);
    EXPECT_EQ(t.slot[0], "b");
    EXPECT_EQ(t.slot[1], "c");
    EXPECT_TRUE(t.slot[2].empty());
    EXPECT_EQ(CurrentAfterClose(0, cleared), 0);

    Table last{{"a", "b", "c"}};
    cleared = last.Close(2);
    EXPECT_EQ(cleared, 2);
    EXPECT_EQ(last.slot[1], "b");
    EXPECT_EQ(CurrentAfterClose(2, cleared), 1);

    Table only{{"a"}};
    cleared = only.Close(0);
    EXPECT_EQ(cleared, 0);
    EXPECT_EQ(CurrentAfterClose(0, cleared), -1);

    Table full{{"a", "b", "c", "d", "e", "f"}};
    cleared = full.Close(1);
    EXPECT_EQ(cleared, 5);
    EXPECT_EQ(full.slot[1], "c");
    EXPECT_EQ(full.slot[4], "f");
    EXPECT_TRUE(full.slot[5].empty());
}

TEST(Slots, ImageSelectMenuIds) {
    // Top to bottom the menu lists slots 0..count−1; the last slot keeps id 40500.
    EXPECT_EQ(ImageSelectItemId(0, 3), 40502);
    EXPECT_EQ(ImageSelectItemId(2, 3), 40500);
    EXPECT_EQ(SlotFromImageSelectItem(40502, 3), 0);
    EXPECT_EQ(SlotFromImageSelectItem(40500, 3), 2);
    for (int count = 1; count <= kMaxImages; ++count)
        for (int i = 0; i < count; i += 17) ASSERT_EQ(SlotFromImageSelectItem(ImageSelectItemId(i, count), count), i);
}

TEST(Slots, DpiRounding) {
    EXPECT_EQ(RoundDpi(95.5), 96);
    EXPECT_EQ(RoundDpi(95.49), 95);
    EXPECT_EQ(RoundDpi(72.0), 72);
}

TEST(MessageTextFill, PlaceholdersInOrder) {
    Text t = MessageText(u"画像数が %d を超過したので、%s は開けません").Arg(256).Arg(u"a.png").Str();
    EXPECT_EQ(t, u"画像数が 256 を超過したので、a.png は開けません");
    EXPECT_EQ(MessageText(u"100%% %d").Arg(-5).Str(), u"100% -5");
    EXPECT_EQ(MessageText(u"%s and %s").Arg(u"x").Str(), u"x and ");
    EXPECT_EQ(MessageText(u"end %").Str(), u"end %");
}

}  // namespace
}  // namespace mirelo

namespace mirelo {
namespace {

TEST(TextConversion, Utf8OfJapaneseAndSurrogates) {
    EXPECT_EQ(ToUtf8(u"a透"), "a\xE9\x80\x8F");
    EXPECT_EQ(ToUtf8(u"\U0001F600"), "\xF0\x9F\x98\x80");
    const char16_t lone[] = {0xD800, u'x', 0};
    EXPECT_EQ(ToUtf8(lone), "\xEF\xBF\xBDx");
}

}  // namespace
}  // namespace mirelo
