#include <gtest/gtest.h>

#include "common/text.h"

namespace mirelo {
namespace {

TEST(Text, PlainIntegerReading) {
    EXPECT_EQ(ParsePlainInt(u"96"), 96);
    EXPECT_EQ(ParsePlainInt(u"  -12"), -12);
    EXPECT_EQ(ParsePlainInt(u"+7px"), 7);
    EXPECT_EQ(ParsePlainInt(u"12a3"), 12);
    EXPECT_EQ(ParsePlainInt(u"abc"), 0);
    EXPECT_EQ(ParsePlainInt(u""), 0);
    // Very long digit runs stop growing instead of overflowing.
    EXPECT_GT(ParsePlainInt(u"99999999999999999999"), 0);
}

}  // namespace
}  // namespace mirelo
