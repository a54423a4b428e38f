// Text properties of an image (title, author, rights notice, comment) as metadata items.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace mirelo {

// Item identifiers, in the order of the slot's properties.
constexpr uint32_t kPropertyTags[4] = {270, 315, 33432, 37510};
constexpr uint16_t kPropertyTypeAscii = 2;
constexpr size_t kPropertyTextLimit = 255;

struct PropertyValue {
    bool isText = false;
    std::string bytes;    // ASCII-type items: the text bytes before the first zero
    uint32_t number = 0;  // other types: the first value, shown as a number
};

// Decodes an item's value; never reads past `length`.
PropertyValue DecodePropertyValue(uint16_t type, const uint8_t* data, size_t length);

}  // namespace mirelo
