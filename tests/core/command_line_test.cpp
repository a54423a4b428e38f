#include <gtest/gtest.h>

#include <cstring>

#include "app/command_line.h"

namespace mirelo {
namespace {

using Paths = std::vector<Text>;

TEST(CommandLine, ArgumentsAfterProgramName) {
    EXPECT_EQ(ArgumentsAfterProgram(u"\"C:\\Program Files\\Mirelo.exe\"  a.png b.png"), TextView(u"a.png b.png"));
    EXPECT_EQ(ArgumentsAfterProgram(u"Mirelo.exe \"c d.png\""), TextView(u"\"c d.png\""));
    EXPECT_EQ(ArgumentsAfterProgram(u"Mirelo.exe"), TextView(u""));
    EXPECT_EQ(ArgumentsAfterProgram(u"\"unterminated"), TextView(u""));
    EXPECT_EQ(ArgumentsAfterProgram(u""), TextView(u""));
}

TEST(HandOver, SplitsFromTheEnd) {
    EXPECT_EQ(SplitHandOver(u"a.png b.png"), (Paths{u"b.png", u"a.png"}));
    EXPECT_EQ(SplitHandOver(u"\"C:\\my pics\\c d.png\""), (Paths{u"C:\\my pics\\c d.png"}));
    EXPECT_EQ(SplitHandOver(u"x.bmp \"y z.bmp\""), (Paths{u"y z.bmp", u"x.bmp"}));
    EXPECT_EQ(SplitHandOver(u"\"a b\" \"c d\""), (Paths{u"c d", u"a b"}));
    EXPECT_EQ(SplitHandOver(u"one"), (Paths{u"one"}));
    EXPECT_EQ(SplitHandOver(u""), (Paths{u""}));
    EXPECT_EQ(SplitHandOver(u"a  b"), (Paths{u"b", u"", u"a"}));
    EXPECT_EQ(SplitHandOver(u"\"\""), (Paths{u""}));
    EXPECT_EQ(SplitHandOver(u"lone\""), (Paths{u"lone"}));
}

TEST(HandOver, PathsToOpenSkipEmptyOnes) {
    EXPECT_TRUE(PathsToOpen(SplitHandOver(u"")).empty());
    EXPECT_TRUE(PathsToOpen(SplitHandOver(u"a.png ")).empty());  // the first path taken is empty
    EXPECT_EQ(PathsToOpen(SplitHandOver(u"a  b")), (Paths{u"b", u"a"}));
}

TEST(HandOver, AtMost256Paths) {
    Text many;
    for (int i = 0; i < 300; ++i) many += (i ? u" p" : u"p") + ToText(i);
    Paths p = SplitHandOver(many);
    ASSERT_EQ(p.size(), 256u);
    EXPECT_EQ(p.front(), u"p299");
    EXPECT_EQ(p.back(), u"p44");
}

TEST(HandOver, BlockChecks) {
    const char16_t good[] = u"a b";
    Text t;
    ASSERT_TRUE(ReadHandOverBlock(good, sizeof good, &t));
    EXPECT_EQ(t, u"a b");
    // Odd size, no terminator inside the length, empty or missing block: ignored.
    EXPECT_FALSE(ReadHandOverBlock(good, sizeof good - 1, &t));
    EXPECT_FALSE(ReadHandOverBlock(good, 3 * sizeof(char16_t), &t));
    EXPECT_FALSE(ReadHandOverBlock(good, 0, &t));
    EXPECT_FALSE(ReadHandOverBlock(nullptr, 8, &t));
    // Text ends at the first terminator.
    const char16_t early[] = {u'x', 0, u'y', 0};
    ASSERT_TRUE(ReadHandOverBlock(early, sizeof early, &t));
    EXPECT_EQ(t, u"x");
    // An unaligned block is read correctly.
    alignas(4) unsigned char raw[9] = {};
    std::memcpy(raw + 1, u"ok", 6);
    ASSERT_TRUE(ReadHandOverBlock(raw + 1, 6, &t));
    EXPECT_EQ(t, u"ok");
}

}  // namespace
}  // namespace mirelo
