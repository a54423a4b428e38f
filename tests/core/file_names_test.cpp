#include <gtest/gtest.h>

#include "files/file_names.h"

namespace mirelo {
namespace {

TEST(FileNames, ClassifiesByTheLastExtension) {
    EXPECT_EQ(ClassifyOpenPath(u"C:\\a\\app.ICO"), OpenKind::Icon);
    EXPECT_EQ(ClassifyOpenPath(u"p.cur"), OpenKind::Icon);
    EXPECT_EQ(ClassifyOpenPath(u"d.Emf"), OpenKind::Metafile);
    EXPECT_EQ(ClassifyOpenPath(u"d.wmf"), OpenKind::Metafile);
    EXPECT_EQ(ClassifyOpenPath(u"x.ico.png"), OpenKind::Picture);
    EXPECT_EQ(ClassifyOpenPath(u"noextension"), OpenKind::Picture);
    EXPECT_EQ(ClassifyOpenPath(u"a.icon"), OpenKind::Picture);
    EXPECT_EQ(FileTitle(u"C:\\dir\\app.ico"), u"app.ico");
    EXPECT_EQ(FileTitle(u"app.ico"), u"app.ico");
}

TEST(FileNames, SplitsTheOpenDialogResult) {
    const char16_t single[] = u"C:\\pics\\one.png\0\0";
    EXPECT_EQ(SplitOpenDialogResult(single, sizeof(single) / 2), std::vector<Text>{u"C:\\pics\\one.png"});
    const char16_t several[] = u"C:\\pics\0b.png\0a.jpg\0\0";
    EXPECT_EQ(SplitOpenDialogResult(several, sizeof(several) / 2),
              (std::vector<Text>{u"C:\\pics\\b.png", u"C:\\pics\\a.jpg"}));
    const char16_t root[] = u"C:\\\0a.bmp\0\0";
    EXPECT_EQ(SplitOpenDialogResult(root, sizeof(root) / 2), std::vector<Text>{u"C:\\a.bmp"});
    // A string without its terminator inside the buffer is not taken.
    const char16_t cut[] = {u'C', u':', u'\\', 0, u'a', u'.', u'p'};
    EXPECT_TRUE(SplitOpenDialogResult(cut, 7).empty());
    const char16_t open[] = {u'C', u':', u'\\', 0, u'a', 0};  // no closing empty string
    EXPECT_TRUE(SplitOpenDialogResult(open, 6).empty());
    EXPECT_TRUE(SplitOpenDialogResult(u"", 1).empty());
}

TEST(FileNames, FiltersListEveryType) {
    const auto& open = OpenDialogFilter();
    ASSERT_EQ(open.size(), 20u);
    EXPECT_EQ(open[0], u"画像ファイル (*.bmp; gif; jpg; png; tif; ico; wmf; emf)");
    EXPECT_EQ(open[19], u"*.*");
    Text save = SaveDialogFilter();
    EXPECT_EQ(save.substr(0, 20), Text(u"ビットマップ (*.bmp)\0*.bmp\0", 20));
    EXPECT_NE(save.find(Text(u"ICON (*.ico); CURSOR (*.cur)\0*.ico;*.cur\0", 40)), Text::npos);
    EXPECT_EQ(save.substr(save.size() - 2), Text(u"\0\0", 2));
    EXPECT_EQ(SaveType(4)->extension, Text(u"jpg"));
    EXPECT_EQ(SaveType(0), nullptr);
    EXPECT_EQ(SaveType(7), nullptr);
}

TEST(FileNames, ExtensionRules) {
    EXPECT_EQ(ReplaceExtension(u"photo.bmp", u"png"), u"photo.png");
    EXPECT_EQ(ReplaceExtension(u"photo", u"png"), u"photo.png");
    EXPECT_EQ(ReplaceExtension(u"", u"png"), u"");
    EXPECT_EQ(ReplaceExtension(u"C:\\my.dir\\photo", u"gif"), u"C:\\my.dir\\photo.gif");
    EXPECT_EQ(WithDefaultExtension(u"a", u"jpg"), u"a.jpg");
    EXPECT_EQ(WithDefaultExtension(u"a.bmp", u"png"), u"a.bmp");  // the typed name is kept
    // Only the file name counts, not a dot in a folder's name.
    EXPECT_EQ(WithDefaultExtension(u"C:\\Users\\taro.yamada\\Pictures\\photo", u"png"),
              u"C:\\Users\\taro.yamada\\Pictures\\photo.png");
    EXPECT_EQ(WithDefaultExtension(u"C:\\my.dir/photo", u"tif"), u"C:\\my.dir/photo.tif");
    EXPECT_EQ(WithDefaultExtension(u"C:\\my.dir\\photo.gif", u"tif"), u"C:\\my.dir\\photo.gif");
    EXPECT_TRUE(HasExtension(u"x.CUR", u"cur"));
    EXPECT_FALSE(HasExtension(u"x.ico", u"cur"));
    EXPECT_FALSE(HasExtension(u"x", u"cur"));
    EXPECT_TRUE(HasAnyExtension(u"C:\\a\\x.ico"));
    EXPECT_FALSE(HasAnyExtension(u"C:\\taro.yamada\\x"));
}

TEST(FileNames, ColourDepthAndPropertyMasks) {
    EXPECT_EQ(SaveColourDepth(1), 1);
    EXPECT_EQ(SaveColourDepth(8), 8);
    EXPECT_EQ(SaveColourDepth(16), 32);
    EXPECT_EQ(SaveColourDepth(24), 24);
    EXPECT_EQ(SaveColourDepth(48), 32);
    EXPECT_EQ(SaveColourDepth(64), 32);
    EXPECT_EQ(EditablePropertyMask(save_type::kBmp), 0u);
    EXPECT_EQ(EditablePropertyMask(save_type::kIcon), 0u);
    EXPECT_EQ(EditablePropertyMask(save_type::kGif), 0b1000u);
    EXPECT_EQ(EditablePropertyMask(save_type::kJpeg), 0b0111u);
    EXPECT_EQ(EditablePropertyMask(save_type::kTiff), 0b0111u);
    EXPECT_EQ(EditablePropertyMask(save_type::kPng), 0b1111u);
}

TEST(FileNames, MetafileSizeProposal) {
    int w = 0, h = 0;
    ProposeMetafileSize(1000, 500, &w, &h);
    EXPECT_EQ(w, 256);
    EXPECT_EQ(h, 128);
    ProposeMetafileSize(300, 900, &w, &h);
    EXPECT_EQ(w, 85);
    EXPECT_EQ(h, 256);
    ProposeMetafileSize(100, 100, &w, &h);
    EXPECT_EQ(w, 256);
    EXPECT_EQ(h, 256);
    ProposeMetafileSize(0, 10, &w, &h);
    EXPECT_EQ(w, 0);
    EXPECT_EQ(KeepAspect(128, 512, 256), 256);
    EXPECT_EQ(KeepAspect(85, 100, 256), 33);  // 85 × 0.390625 = 33.2, truncated
    EXPECT_EQ(KeepAspect(85, 100, 0), 0);
}

}  // namespace
}  // namespace mirelo
