#include "files/property_value.h"

#include <cstring>

namespace mirelo {

namespace {
uint32_t ReadLe(const uint8_t* p, size_t n) {
    uint32_t v = 0;
    for (size_t i = 0; i < n; ++i) v |= uint32_t{p[i]} << (8 * i);
    return v;
}
}  // namespace

PropertyValue DecodePropertyValue(uint16_t type, const uint8_t* data, size_t length) {
    PropertyValue v;
    if (!data) length = 0;
    if (type == kPropertyTypeAscii) {
        v.isText = true;
        const void* zero = length ? std::memchr(data, 0, length) : nullptr;
        size_t n = zero ? static_cast<size_t>(static_cast<const uint8_t*>(zero) - data) : length;
        v.bytes.assign(reinterpret_cast<const char*>(data), n);
        return v;
    }
    size_t width = 1;
    switch (type) {
    case 3:  // SHORT
    case 8: width = 2; break;
    case 4:  // LONG
    case 9:
    case 5:  // RATIONAL: the numerator
    case 10: width = 4; break;
    default: width = 1; break;  // BYTE, UNDEFINED and anything else
    }
    if (length >= width) v.number = ReadLe(data, width);
    return v;
}

}  // namespace mirelo
