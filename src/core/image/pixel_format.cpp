#include "image/pixel_format.h"

#include <algorithm>

namespace mirelo {

namespace {
const PixelFormatInfo kFormats[] = {
    {fmt::k1Index, u"1-Index", 40051},
    {fmt::k4Index, u"4-Index", 40052},
    {fmt::k8Index, u"8-Index", 40053},
    {fmt::k16Gray, u"16-GrayScale", 0},
    {fmt::k16RGB555, u"16-R5G5B5", 40055},
    {fmt::k16RGB565, u"16-R5G6B5", 40056},
    {fmt::k16ARGB1555, u"16-A1R5G5B5", 40057},
    {fmt::k24RGB, u"24-R8G8B8", 40058},
    {fmt::k32RGB, u"32-R8G8B8", 40059},
    {fmt::k32ARGB, u"32-A8R8G8B8", 40060},
    {fmt::k32PARGB, u"32-A8R8G8B8(前乗算あり)", 40061},
    {fmt::k48RGB, u"48-R16G16B16", 40062},
    {fmt::k64ARGB, u"64-A16R16G16B16", 40063},
    {fmt::k64PARGB, u"64-A16R16G16B16(前乗算あり)", 40064},
    {fmt::kMax, u"Max", 0},
};

uint32_t ByteSwap(uint32_t v) {
    return (v >> 24) | ((v >> 8) & 0xFF00) | ((v << 8) & 0xFF0000) | (v << 24);
}

uint32_t Colour(uint32_t r, uint32_t g, uint32_t b, uint32_t a) {
    return ((b & 0xFF) << 24) | ((g & 0xFF) << 16) | ((r & 0xFF) << 8) | (a & 0xFF);
}
}  // namespace

const PixelFormatInfo* PixelFormatTable(size_t* count) {
    *count = std::size(kFormats);
    return kFormats;
}

TextView PixelFormatNameOf(PixelFormat format) {
    for (const auto& f : kFormats)
        if (f.format == format) return f.name;
    return u"?-?";
}

size_t PixelFormatName(PixelFormat format, char16_t* buffer, size_t capacity) {
    if (!buffer || capacity == 0) return 0;
    TextView name = PixelFormatNameOf(format);
    size_t n = std::min(name.size(), capacity - 1);
    std::copy_n(name.data(), n, buffer);
    buffer[n] = 0;
    return n + 1;
}

uint32_t UnpackPixel(uint32_t stored, PixelFormat format) {
    switch (format) {
    case fmt::k16RGB555:
    case fmt::k16ARGB1555: {
        uint32_t a = 0xFF;
        if (format == fmt::k16ARGB1555) a = (stored & 0x8000) ? 0xFF : 0;
        return Colour(((stored >> 10) & 0x1F) << 3, ((stored >> 5) & 0x1F) << 3, (stored & 0x1F) << 3, a);
    }
    case fmt::k16RGB565:
        return Colour(((stored >> 11) & 0x1F) << 3, ((stored >> 5) & 0x3F) << 2, (stored & 0x1F) << 3, 0xFF);
    case fmt::k24RGB:
    case fmt::k32RGB:
        return Colour((stored >> 16) & 0xFF, (stored >> 8) & 0xFF, stored & 0xFF, 0xFF);
    case fmt::k32ARGB:
    case fmt::k32PARGB:
        return ByteSwap(stored);
    default:
        return 0x000000FF;
    }
}

uint32_t PackPixel(uint32_t colour, PixelFormat format) {
    uint32_t b = colour >> 24, g = (colour >> 16) & 0xFF, r = (colour >> 8) & 0xFF, a = colour & 0xFF;
    switch (format) {
    case fmt::k16RGB555:
    case fmt::k16ARGB1555: {
        uint32_t v = ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3);
        if (format == fmt::k16ARGB1555 && a != 0) v |= 0x8000;
        return v;
    }
    case fmt::k16RGB565:
        return ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3);
    case fmt::k24RGB:
    case fmt::k32RGB:
        return 0xFF000000u | (r << 16) | (g << 8) | b;
    case fmt::k32ARGB:
    case fmt::k32PARGB:
        return ByteSwap(colour);
    default:
        return 0;
    }
}

uint32_t ReadHexColour(TextView text) {
    uint32_t v = 0;
    for (char16_t c : text) {
        if (c >= u'0' && c <= u'9')
            v = (v << 4) | static_cast<uint32_t>(c - u'0');
        else if (c >= u'a' && c <= u'f')
            v = (v << 4) | static_cast<uint32_t>(c - u'a' + 10);
    }
    return v;
}

Text HexColourText(uint32_t win32Colour) {
    static const char16_t kDigits[] = u"0123456789abcdef";
    uint32_t r = win32Colour & 0xFF, g = (win32Colour >> 8) & 0xFF, b = (win32Colour >> 16) & 0xFF;
    Text out;
    for (uint32_t c : {r, g, b}) {
        out.push_back(kDigits[c >> 4]);
        out.push_back(kDigits[c & 0xF]);
    }
    return out;
}

}  // namespace mirelo
