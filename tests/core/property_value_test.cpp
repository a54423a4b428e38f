#include <gtest/gtest.h>

#include "files/property_value.h"

namespace mirelo {
namespace {

TEST(PropertyValue, AsciiTextStopsAtZeroAndLength) {
    const uint8_t text[] = {'a', 'b', 0, 'c'};
    PropertyValue v = DecodePropertyValue(2, text, sizeof text);
    EXPECT_TRUE(v.isText);
    EXPECT_EQ(v.bytes, "ab");
    // Without a terminator the text ends with the item's length.
    PropertyValue cut = DecodePropertyValue(2, text, 2);
    EXPECT_EQ(cut.bytes, "ab");
    EXPECT_EQ(DecodePropertyValue(2, nullptr, 10).bytes, "");
}

TEST(PropertyValue, OtherTypesGiveTheirFirstValue) {
    const uint8_t data[] = {0x34, 0x12, 0x78, 0x56, 9, 9, 9, 9};
    EXPECT_EQ(DecodePropertyValue(3, data, sizeof data).number, 0x1234u);
    EXPECT_EQ(DecodePropertyValue(4, data, sizeof data).number, 0x56781234u);
    EXPECT_EQ(DecodePropertyValue(5, data, sizeof data).number, 0x56781234u);
    EXPECT_EQ(DecodePropertyValue(7, data, sizeof data).number, 0x34u);
    EXPECT_FALSE(DecodePropertyValue(7, data, sizeof data).isText);
    // Too short for one value: 0, and nothing is read past the end.
    EXPECT_EQ(DecodePropertyValue(4, data, 3).number, 0u);
    EXPECT_EQ(DecodePropertyValue(1, data, 0).number, 0u);
}

}  // namespace
}  // namespace mirelo
