#include "image/convert.h"

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstring>

#include "common/bands.h"

namespace mirelo {

namespace {

void Put(uint8_t* p, uint32_t argb) {
    p[0] = static_cast<uint8_t>(argb);
    p[1] = static_cast<uint8_t>(argb >> 8);
    p[2] = static_cast<uint8_t>(argb >> 16);
    p[3] = static_cast<uint8_t>(argb >> 24);
}

uint8_t Premultiply(uint8_t c, uint8_t a) { return static_cast<uint8_t>((c * a + 127) / 255); }
uint8_t Unpremultiply(uint8_t c, uint8_t a) {
    if (a == 0) return 0;
    unsigned v = (c * 255u + a / 2) / a;
    return static_cast<uint8_t>(v > 255 ? 255 : v);
}
}  // namespace

namespace {
// The rows of DecodeToBgra, with the fourth-byte rule decided by the caller for the whole picture.
bool DecodeRows(const PixelView& s, const PixelView& t, bool opaqueFourthByte) {
    const int bpp = BitsPerPixel(s.format);
    for (int y = 0; y < s.height; ++y) {
        uint8_t* o = t.Row(y);
        const uint8_t* row = s.Row(y);
        // The common direct-colour rows in one tight loop each.
        if (bpp == 24) {
            int x = 0;
            // Four bytes read for three while a whole word lies inside the row.
            for (; x + 1 < s.width; ++x, o += 4) {
                uint32_t v;
                std::memcpy(&v, row + x * 3, 4);
                v |= 0xFF000000u;
                std::memcpy(o, &v, 4);
            }
            for (; x < s.width; ++x, o += 4) {
                o[0] = row[x * 3];
                o[1] = row[x * 3 + 1];
                o[2] = row[x * 3 + 2];
                o[3] = 255;
            }
            continue;
        }
        if (bpp == 32) {
            if (o != row) std::memmove(o, row, static_cast<size_t>(s.width) * 4);
            if (opaqueFourthByte)
                for (int x = 0; x < s.width; ++x) o[x * 4 + 3] = 255;
            continue;
        }
        for (int x = 0; x < s.width; ++x, o += 4) {
            if (IsIndexed(s.format)) {
                uint32_t index = ReadStored(s, x, y);  // `s` may be a band of a picture: rows count from its top
                Put(o, s.palette && static_cast<int>(index) < s.paletteCount ? s.palette[index] : 0xFF000000u);
            } else if (bpp == 16) {
                uint16_t v = static_cast<uint16_t>(row[x * 2] | (row[x * 2 + 1] << 8));
                if (s.format == fmt::k16Gray) {
                    uint8_t g = static_cast<uint8_t>(v >> 8);  // keep the grey instead of losing it
                    o[0] = o[1] = o[2] = g;
                    o[3] = 255;
                } else {
                    uint32_t c = UnpackPixel(v, s.format);  // 0xBBGGRRAA
                    o[0] = static_cast<uint8_t>(c >> 24);
                    o[1] = static_cast<uint8_t>(c >> 16);
                    o[2] = static_cast<uint8_t>(c >> 8);
                    o[3] = static_cast<uint8_t>(c);
                }
            } else {
                return false;
            }
        }
    }
    return true;
}
}  // namespace

bool DecodeToBgra(const PixelView& s, const PixelView& t) {
    if (BitsPerPixel(s.format) > 32 || s.width <= 0 || s.height <= 0 || BitsPerPixel(t.format) != 32 || t.width != s.width ||
        t.height != s.height || !t.scan0)
        return false;
    // 32-R8G8B8 pixels show opaque; their fourth byte is taken as alpha only when some pixel has
    // it set (all 0: a picture that never stored alpha there, such as a pasted screenshot).
    return DecodeRows(s, t, s.format == fmt::k32RGB && !AnyFourthByteSet(s));
}

bool DecodeToBgra(const PixelView& s, std::vector<uint8_t>& out) {
    if (BitsPerPixel(s.format) > 32 || s.width <= 0 || s.height <= 0) return false;
    out.assign(static_cast<size_t>(s.width) * s.height * 4, 0);
    return DecodeToBgra(s, PixelView{s.width, s.height, s.width * 4, fmt::k32ARGB, out.data()});
}

namespace {
// EncodeFromBgra over `in`, t.width × t.height pixels of 4 bytes, rows `inStride` bytes apart.
void EncodeRows(const uint8_t* in, ptrdiff_t inStride, const PixelView& t, bool keepFourthByte, bool sourcePremultiplied) {
    const int bpp = BitsPerPixel(t.format);
    const bool toPremultiplied = IsPremultiplied(t.format);
    for (int y = 0; y < t.height; ++y) {
        const uint8_t* p = in + static_cast<ptrdiff_t>(y) * inStride;
        uint8_t* row = t.Row(y);
        if (bpp == 24 && !sourcePremultiplied) {  // the colours as they are, in one tight loop
            int x = 0;
            // Four bytes written for three while a whole word lies inside the row.
            for (; x + 1 < t.width; ++x, p += 4) std::memcpy(row + x * 3, p, 4);
            for (; x < t.width; ++x, p += 4) std::memcpy(row + x * 3, p, 3);
            continue;
        }
        for (int x = 0; x < t.width; ++x, p += 4) {
            uint8_t b = p[0], g = p[1], r = p[2], a = p[3];
            if (bpp == 32 && HasAlpha(t.format) && sourcePremultiplied != toPremultiplied) {
                if (toPremultiplied) {
                    b = Premultiply(b, a), g = Premultiply(g, a), r = Premultiply(r, a);
                } else {
                    b = Unpremultiply(b, a), g = Unpremultiply(g, a), r = Unpremultiply(r, a);
                }
            } else if (sourcePremultiplied && !(bpp == 32 && HasAlpha(t.format))) {
                // Formats without a premultiplied form get the colours themselves.
                b = Unpremultiply(b, a), g = Unpremultiply(g, a), r = Unpremultiply(r, a);
            }
            if (bpp == 16) {
                uint32_t v = PackPixel((uint32_t{b} << 24) | (uint32_t{g} << 16) | (uint32_t{r} << 8) | a, t.format);
                row[x * 2] = static_cast<uint8_t>(v);
                row[x * 2 + 1] = static_cast<uint8_t>(v >> 8);
            } else if (bpp == 24) {
                row[x * 3] = b;
                row[x * 3 + 1] = g;
                row[x * 3 + 2] = r;
            } else {
                uint8_t* q = row + x * 4;
                q[0] = b;
                q[1] = g;
                q[2] = r;
                q[3] = (HasAlpha(t.format) || keepFourthByte) ? a : 255;
            }
        }
    }
}

// Rows `from` … `from + count` of a view, as a view of their own.
PixelView Band(const PixelView& v, int from, int count) {
    PixelView band = v;
    band.scan0 = v.Row(from);
    band.height = count;
    return band;
}
}  // namespace

bool EncodeFromBgra(const std::vector<uint8_t>& in, const PixelView& t, bool keepFourthByte, bool sourcePremultiplied) {
    const int bpp = BitsPerPixel(t.format);
    if (IsIndexed(t.format) || bpp < 16 || bpp > 32 || in.size() < static_cast<size_t>(t.width) * t.height * 4) return false;
    EncodeRows(in.data(), static_cast<ptrdiff_t>(t.width) * 4, t, keepFourthByte, sourcePremultiplied);
    return true;
}

OpStatus ConvertPixels(const PixelView& in, const PixelView& out, const ConvertParams& params) {
    const int outBits = BitsPerPixel(out.format);
    if (in.width != out.width || in.height != out.height || !in.scan0 || !out.scan0 || outBits < 16 || outBits > 32 ||
        IsIndexed(out.format) || (IsIndexed(in.format) && (!in.palette || in.paletteCount <= 0)))
        return OpStatus::Failed(nullptr);
    if (BitsPerPixel(in.format) > 32 || in.width <= 0 || in.height <= 0) return OpStatus::Failed(nullptr);
    // Large pictures are shared between two threads by bands of rows (each result row comes from
    // its source row alone). A 24-bit picture decodes straight into any 32-bit one (its alpha 255
    // changes nothing).
    const int64_t pixels = int64_t{in.width} * in.height;
    if (in.format == fmt::k24RGB && outBits == 32) {
        ForBands(in.height, pixels, [&](int y0, int y1) { DecodeRows(Band(in, y0, y1 - y0), Band(out, y0, y1 - y0), false); },
                 1, kBandedMovePixels);
        return OpStatus{};
    }
    // A 32-bit source whose fourth byte stands as it is encodes from its own rows; others go
    // through a small buffer a band of rows at a time (a whole picture's buffer would cost its
    // memory's first touch). The fourth-byte rule is decided for the whole picture.
    const bool opaqueFourthByte = in.format == fmt::k32RGB && !AnyFourthByteSet(in);
    const bool keep = outBits == 32 && params.keepFourthByte;
    const bool premultiplied = IsPremultiplied(in.format);
    if (BitsPerPixel(in.format) == 32 && !opaqueFourthByte) {
        ForBands(in.height, pixels, [&](int y0, int y1) {
            EncodeRows(in.Row(y0), static_cast<ptrdiff_t>(in.stride), Band(out, y0, y1 - y0), keep, premultiplied);
        }, 1, kBandedMovePixels);
        return OpStatus{};
    }
    constexpr int kBandRows = 16;
    const size_t bandBytes = static_cast<size_t>(in.width) * kBandRows * 4;
    thread_local std::vector<uint8_t> buffers;  // one part for each thread, kept by the caller's
    buffers.resize(bandBytes * 2);
    uint8_t* const base = buffers.data();
    std::atomic<bool> failed{false};
    ForBands(in.height, pixels, [&](int y0, int y1) {
        uint8_t* bgra = base + (y0 == 0 ? 0 : bandBytes);
        for (int y = y0; y < y1 && !failed; y += kBandRows) {
            const int rows = std::min(kBandRows, y1 - y);
            if (!DecodeRows(Band(in, y, rows), PixelView{in.width, rows, in.width * 4, fmt::k32ARGB, bgra}, opaqueFourthByte)) {
                failed = true;
                return;
            }
            EncodeRows(bgra, static_cast<ptrdiff_t>(in.width) * 4, Band(out, y, rows), keep, premultiplied);
        }
    }, 1, kBandedMovePixels);
    return failed ? OpStatus::Failed(nullptr) : OpStatus{};
}

bool FormatCommandTarget(int command, FormatCommandInfo* info) {
    static const struct {
        int command;
        FormatCommandInfo info;
    } kTable[] = {
        {40055, {fmt::k16RGB555, u"16bppRGB555を作成できません"}},
        {40056, {fmt::k16RGB565, u"16bppRGB565を作成できません"}},
        {40057, {fmt::k16ARGB1555, u"16bppARGB1555を作成できません"}},
        {40058, {fmt::k24RGB, u"24bppRGBを作成できません"}},
        {40059, {fmt::k32RGB, u"32bppRGBを作成できません"}},
        {40060, {fmt::k32ARGB, u"32bppARGBを作成できません"}},
        {40061, {fmt::k32PARGB, u"32bppPARGBを作成できません"}},
        {40062, {fmt::k48RGB, u"48bppRGBを作成できません"}},
        {40063, {fmt::k64ARGB, u"64bppARGBを作成できません"}},
        {40064, {fmt::k64PARGB, u"64bppPARGBを作成できません"}},
    };
    for (const auto& row : kTable)
        if (row.command == command) {
            *info = row.info;
            return true;
        }
    return false;
}

int IndexedConversionCode(int bitsBase, int paletteMethodCommand) {
    int offset = 3;  // median cut
    switch (paletteMethodCommand) {
    case 40047: offset = 0; break;
    case 40048: offset = 1; break;
    case 40049: offset = 2; break;
    default: offset = 3; break;
    }
    return bitsBase + offset;
}

}  // namespace mirelo
