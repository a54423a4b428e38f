#include "ops/rotate_flip.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "app/commands.h"
#include "common/bands.h"

namespace mirelo {

namespace {

// One pixel of N bytes; the fixed-size copy compiles to plain loads and stores.
template <int N>
inline void CopyPixel(uint8_t* to, const uint8_t* from) {
    std::memcpy(to, from, N);
}

// Row `s` of `width` pixels written mirrored into `d`. 24- and 32-bit pixels go four at a time:
// their 12 or 16 bytes are read at once and written back in reverse order.
template <int N>
void MirrorRow(const uint8_t* s, uint8_t* d, int width) {
    int x = 0;
    if constexpr (N == 3) {
        for (; x + 4 <= width; x += 4) {
            uint64_t low;
            uint32_t high;
            std::memcpy(&low, s + x * 3, 8);
            std::memcpy(&high, s + x * 3 + 8, 4);
            const uint64_t p0 = low & 0xFFFFFF, p1 = (low >> 24) & 0xFFFFFF;
            const uint64_t p2 = ((low >> 48) | (uint64_t{high} << 16)) & 0xFFFFFF, p3 = high >> 8;
            const uint64_t outLow = p3 | p2 << 24 | p1 << 48;
            const uint32_t outHigh = static_cast<uint32_t>(p1 >> 16 | p0 << 8);
            uint8_t* to = d + static_cast<intptr_t>(width - 4 - x) * 3;
            std::memcpy(to, &outLow, 8);
            std::memcpy(to + 8, &outHigh, 4);
        }
    }
#if defined(__SSE2__)
    if constexpr (N == 4) {
        for (; x + 4 <= width; x += 4) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + x * 4));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(d + static_cast<intptr_t>(width - 4 - x) * 4),
                             _mm_shuffle_epi32(v, _MM_SHUFFLE(0, 1, 2, 3)));
        }
    }
#endif
    for (; x < width; ++x) CopyPixel<N>(d + static_cast<intptr_t>(width - 1 - x) * N, s + static_cast<intptr_t>(x) * N);
}

template <int N>
void FlipLeftRight(const PixelView& in, const PixelView& out, int y0, int y1) {
    for (int y = y0; y < y1; ++y) MirrorRow<N>(in.Row(y), out.Row(y), in.width);
}

template <int N>
void HalfTurn(const PixelView& in, const PixelView& out, int y0, int y1) {
    for (int y = y0; y < y1; ++y) MirrorRow<N>(in.Row(y), out.Row(in.height - 1 - y), in.width);
}

void FlipTopBottom(const PixelView& in, const PixelView& out, size_t rowBytes, int y0, int y1) {
    for (int y = y0; y < y1; ++y) std::memcpy(out.Row(in.height - 1 - y), in.Row(y), rowBytes);
}

// The quarter turns go through the image in square tiles. A tile's source rows are first copied
// into a small buffer (while the next tile's rows are fetched ahead), then the buffer's columns
// are written as the result's rows. A result row is a source column: clockwise, result (x, y) is
// source (y, h − 1 − x); anticlockwise, source (w − 1 − y, x). Reading whole row pieces and
// writing whole row pieces keeps every memory line in use only once, whatever the rows' strides
// (rows a power of two apart would otherwise fight for the same cache lines).
template <int N>
constexpr int kTile = N >= 6 ? 32 : 64;

inline void PrefetchBytes(const uint8_t* p, int bytes) {
#if defined(__GNUC__)
    for (int i = 0; i < bytes; i += 64) __builtin_prefetch(p + i);
#else
    (void)p;
    (void)bytes;
#endif
}

// The result rows of one tile of `rows` × `columns` source pixels held in `tile` (row length
// kTile<N> pixels); `firstColumn` is the tile's first source column, `firstRow` its first row.
template <int N>
void WriteTilePlain(const uint8_t* tile, int rows, int columns, int firstRow, int firstColumn, const PixelView& out,
                    int w, int h, bool clockwise) {
    constexpr intptr_t kRowBytes = kTile<N> * N;
    for (int c = 0; c < columns; ++c) {
        const int y = clockwise ? firstColumn + c : w - 1 - firstColumn - c;
        const int x0 = clockwise ? h - firstRow - rows : firstRow;
        uint8_t* d = out.Row(y) + static_cast<intptr_t>(x0) * N;
        const uint8_t* s = tile + static_cast<intptr_t>(c) * N;
        const intptr_t step = clockwise ? -kRowBytes : kRowBytes;
        if (clockwise) s += (rows - 1) * kRowBytes;
        if constexpr (N == 3) {
            // Each pixel is written as 4 bytes, the fourth overwritten by the next pixel; the
            // last one of the piece alone is written with its 3 bytes, since the byte after it
            // belongs to the next piece, perhaps another thread's.
            for (int k = 0; k + 1 < rows; ++k, d += 3, s += step) std::memcpy(d, s, 4);
            std::memcpy(d, s, 3);
        } else {
            for (int k = 0; k < rows; ++k, d += N, s += step) CopyPixel<N>(d, s);
        }
    }
}

#if defined(__SSE2__)
// 32-bit pixels: blocks of 4 × 4 turned in registers. Whole result lines are written past the
// caches when the result's rows are 16-byte aligned (the result is not read again here).
template <bool kStream>
inline void Store4(uint8_t* d, __m128i v) {
    if (kStream)
        _mm_stream_si128(reinterpret_cast<__m128i*>(d), v);
    else
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d), v);
}

// Source rows a, b, c, e of four pixels each; result row k takes pixel k of every row, in the
// order e c b a clockwise and a b c e anticlockwise (result rows then counted from the last).
template <bool kStream>
inline void Turn4x4(const uint8_t* s, intptr_t sourceStride, uint8_t* d, intptr_t resultStride, bool clockwise) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + sourceStride));
    const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 2 * sourceStride));
    const __m128i e = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 3 * sourceStride));
    if (clockwise) {
        const __m128i ec01 = _mm_unpacklo_epi32(e, c), ba01 = _mm_unpacklo_epi32(b, a);
        const __m128i ec23 = _mm_unpackhi_epi32(e, c), ba23 = _mm_unpackhi_epi32(b, a);
        Store4<kStream>(d, _mm_unpacklo_epi64(ec01, ba01));
        Store4<kStream>(d + resultStride, _mm_unpackhi_epi64(ec01, ba01));
        Store4<kStream>(d + 2 * resultStride, _mm_unpacklo_epi64(ec23, ba23));
        Store4<kStream>(d + 3 * resultStride, _mm_unpackhi_epi64(ec23, ba23));
    } else {
        const __m128i ab01 = _mm_unpacklo_epi32(a, b), ce01 = _mm_unpacklo_epi32(c, e);
        const __m128i ab23 = _mm_unpackhi_epi32(a, b), ce23 = _mm_unpackhi_epi32(c, e);
        Store4<kStream>(d, _mm_unpacklo_epi64(ab01, ce01));
        Store4<kStream>(d - resultStride, _mm_unpackhi_epi64(ab01, ce01));
        Store4<kStream>(d - 2 * resultStride, _mm_unpacklo_epi64(ab23, ce23));
        Store4<kStream>(d - 3 * resultStride, _mm_unpackhi_epi64(ab23, ce23));
    }
}

// A whole tile of 32-bit pixels (kTile<4> rows and columns).
template <bool kStream>
void WriteTile4x4(const uint8_t* tile, int firstRow, int firstColumn, const PixelView& out, int w, int h, bool clockwise) {
    constexpr int T = kTile<4>;
    constexpr intptr_t kRowBytes = T * 4;
    for (int c = 0; c < T; c += 4) {
        const int y = clockwise ? firstColumn + c : w - 1 - firstColumn - c;
        uint8_t* row = out.Row(y);
        for (int r = 0; r < T; r += 4) {
            const int x = clockwise ? h - 4 - firstRow - r : firstRow + r;
            Turn4x4<kStream>(tile + r * kRowBytes + c * 4, kRowBytes, row + static_cast<intptr_t>(x) * 4, out.stride, clockwise);
        }
    }
}
#endif

// Source rows [y0, y1) of a quarter turn; y0 is a multiple of the tile side.
template <int N>
void QuarterTurn(const PixelView& in, const PixelView& out, bool clockwise, int y0, int y1) {
    const int w = in.width, h = in.height;  // the result is h wide and w high
    constexpr int T = kTile<N>;
    // One byte more than the tile: a 24-bit pixel is read as 4 bytes.
    alignas(64) uint8_t tile[T * T * N + 1];
#if defined(__SSE2__)
    // Streaming stores need every written block on a 16-byte boundary: the first result column
    // of a whole tile is then a multiple of 4.
    const uintptr_t rowStarts = reinterpret_cast<uintptr_t>(out.scan0) | static_cast<uintptr_t>(out.stride);
    const bool aligned = (rowStarts & 15) == 0 && (!clockwise || h % 4 == 0);
    bool streamed = false;
#endif
    for (int r0 = y0; r0 < y1; r0 += T) {
        const int rows = std::min(T, y1 - r0);
        for (int c0 = 0; c0 < w; c0 += T) {
            const int columns = std::min(T, w - c0);
            const int nextColumns = std::min(T, w - c0 - T);
            for (int r = 0; r < rows; ++r) {
                const uint8_t* s = in.Row(r0 + r) + static_cast<intptr_t>(c0) * N;
                std::memcpy(tile + r * T * N, s, static_cast<size_t>(columns) * N);
                if (nextColumns > 0) PrefetchBytes(s + T * N, nextColumns * N);
            }
#if defined(__SSE2__)
            if (N == 4 && rows == T && columns == T) {
                if (aligned) {
                    WriteTile4x4<true>(tile, r0, c0, out, w, h, clockwise);
                    streamed = true;
                } else {
                    WriteTile4x4<false>(tile, r0, c0, out, w, h, clockwise);
                }
                continue;
            }
#endif
            WriteTilePlain<N>(tile, rows, columns, r0, c0, out, w, h, clockwise);
        }
    }
#if defined(__SSE2__)
    if (streamed) _mm_sfence();
#endif
}

// Whole pictures are shared between two threads by bands of source rows: every result byte
// comes from one source pixel, so the result is the same however the rows are shared.
template <int N>
void MoveBytes(const PixelView& in, const PixelView& out, int kind) {
    const int64_t pixels = int64_t{in.width} * in.height;
    const int tileRows = (kind == rotate_flip::kClockwise || kind == rotate_flip::kAnticlockwise) ? kTile<N> : 1;
    ForBands(in.height, pixels, [&](int y0, int y1) {
        switch (kind) {
        case rotate_flip::kLeftRight: FlipLeftRight<N>(in, out, y0, y1); break;
        case rotate_flip::kTopBottom: FlipTopBottom(in, out, static_cast<size_t>(in.width) * N, y0, y1); break;
        case rotate_flip::kClockwise: QuarterTurn<N>(in, out, true, y0, y1); break;
        case rotate_flip::kHalfTurn: HalfTurn<N>(in, out, y0, y1); break;
        case rotate_flip::kAnticlockwise: QuarterTurn<N>(in, out, false, y0, y1); break;
        }
    }, tileRows, kBandedMovePixels);
}

// Indices of fewer than 8 bits: most significant bits first within a byte.
void UnpackRow(const uint8_t* row, int width, int bits, uint8_t* indices) {
    const int perByte = 8 / bits;
    const uint8_t mask = static_cast<uint8_t>((1u << bits) - 1);
    for (int x = 0; x < width; ++x) {
        const int shift = 8 - bits - (x % perByte) * bits;
        indices[x] = static_cast<uint8_t>((row[x / perByte] >> shift) & mask);
    }
}

void PackRow(const uint8_t* indices, int width, int bits, uint8_t* row) {
    const int perByte = 8 / bits;
    const uint8_t mask = static_cast<uint8_t>((1u << bits) - 1);
    const int bytes = (width + perByte - 1) / perByte;
    for (int i = 0; i < bytes; ++i) {
        uint8_t v = 0;
        const int first = i * perByte, last = std::min(first + perByte, width);
        for (int x = first; x < last; ++x) v = static_cast<uint8_t>(v | ((indices[x] & mask) << (8 - bits - (x - first) * bits)));
        row[i] = v;
    }
}

// Views of 1 and 4 bits per pixel are moved as one index per byte.
void MovePackedIndices(const PixelView& in, const PixelView& out, int kind) {
    const int bits = BitsPerPixel(in.format), w = in.width, h = in.height;
    if (kind == rotate_flip::kTopBottom) {
        const size_t rowBytes = (static_cast<size_t>(w) * static_cast<size_t>(bits) + 7) / 8;
        FlipTopBottom(in, out, rowBytes, 0, h);
        const int usedBits = static_cast<int>((static_cast<size_t>(w) * static_cast<size_t>(bits)) % 8);
        if (usedBits != 0) {
            const uint8_t keep = static_cast<uint8_t>(0xFF << (8 - usedBits));
            for (int y = 0; y < h; ++y) out.Row(y)[rowBytes - 1] &= keep;
        }
        return;
    }
    if (kind == rotate_flip::kLeftRight || kind == rotate_flip::kHalfTurn) {
        std::vector<uint8_t> row(static_cast<size_t>(w));
        for (int y = 0; y < h; ++y) {
            UnpackRow(in.Row(y), w, bits, row.data());
            std::reverse(row.begin(), row.end());
            PackRow(row.data(), w, bits, out.Row(kind == rotate_flip::kHalfTurn ? h - 1 - y : y));
        }
        return;
    }
    std::vector<uint8_t> source(static_cast<size_t>(w) * static_cast<size_t>(h));
    std::vector<uint8_t> turned(source.size());
    for (int y = 0; y < h; ++y) UnpackRow(in.Row(y), w, bits, source.data() + static_cast<size_t>(y) * w);
    const PixelView from{w, h, w, fmt::k8Index, source.data()};
    const PixelView to{h, w, h, fmt::k8Index, turned.data()};
    QuarterTurn<1>(from, to, kind == rotate_flip::kClockwise, 0, h);
    for (int y = 0; y < w; ++y) PackRow(turned.data() + static_cast<size_t>(y) * h, h, bits, out.Row(y));
}

// Largest whole number whose square is at most n.
int64_t IntegerSqrt(int64_t n) {
    int64_t r = static_cast<int64_t>(std::sqrt(static_cast<double>(n)));
    while (r > 0 && r * r > n) --r;
    while ((r + 1) * (r + 1) <= n) ++r;
    return r;
}

}  // namespace

int RotateFlipKindOfCommand(int command) {
    switch (command) {
    case cmd::kFlipH: return rotate_flip::kLeftRight;
    case cmd::kFlipV: return rotate_flip::kTopBottom;
    case cmd::kRotate90: return rotate_flip::kClockwise;
    case cmd::kRotate180: return rotate_flip::kHalfTurn;
    case cmd::kRotate270: return rotate_flip::kAnticlockwise;
    default: return 0;
    }
}

OpStatus RotateFlipPixels(const PixelView& in, const PixelView& out, const RotateFlipParams& params) {
    const int kind = params.kind;
    if (!IsRotateFlipKind(kind)) return OpStatus::Failed(nullptr, rotate_flip::kBadKind);
    const int bits = BitsPerPixel(in.format);
    const bool swaps = SwapsSides(kind);
    const bool depthOk = bits == 1 || bits == 4 || (bits % 8 == 0 && bits >= 8 && bits <= 64 && bits != 40 && bits != 56);
    if (!in.scan0 || !out.scan0 || in.width <= 0 || in.height <= 0 || !depthOk || BitsPerPixel(out.format) != bits ||
        out.width != (swaps ? in.height : in.width) || out.height != (swaps ? in.width : in.height))
        return OpStatus::Failed(nullptr, rotate_flip::kSizeOrFormat);
    switch (bits) {
    case 1:
    case 4: MovePackedIndices(in, out, kind); break;
    case 8: MoveBytes<1>(in, out, kind); break;
    case 16: MoveBytes<2>(in, out, kind); break;
    case 24: MoveBytes<3>(in, out, kind); break;
    case 32: MoveBytes<4>(in, out, kind); break;
    case 48: MoveBytes<6>(in, out, kind); break;
    case 64: MoveBytes<8>(in, out, kind); break;
    }
    return OpStatus{};
}

AngleRotation PlanAngleRotation(int angle, bool reverse, int width, int height, PixelFormat format) {
    AngleRotation plan;
    const int a = angle % 360;  // keeps the sign of a negative angle
    if (a == 0) return plan;
    if (a % 90 == 0) {
        plan.route = AngleRotation::Route::QuarterTurn;
        switch (a < 0 ? -a : a) {
        case 180: plan.kind = rotate_flip::kHalfTurn; break;
        case 90: plan.kind = reverse ? rotate_flip::kAnticlockwise : rotate_flip::kClockwise; break;
        default: plan.kind = reverse ? rotate_flip::kClockwise : rotate_flip::kAnticlockwise; break;
        }
        return plan;
    }
    plan.route = AngleRotation::Route::Draw;
    plan.degrees = reverse ? -a : a;  // the inverse of a turn about a point is the opposite turn
    plan.format = IsIndexed(format) ? fmt::k32ARGB : format;
    if (width == height) {
        plan.side = width;
        plan.centreX = width / 2;
        plan.centreY = height / 2;
        return plan;
    }
    // The smallest square, from the diagonal rounded up, that holds the picture turned by any
    // angle about the square's centre point (side / 2, side / 2) in whole pixels: every corner of
    // the picture placed in the middle stays within the distance of the nearest square edge.
    const int64_t w = width, h = height;
    int64_t side = IntegerSqrt(w * w + h * h);
    if (side * side < w * w + h * h) ++side;
    for (;; ++side) {
        const int64_t left = (side - w) / 2, top = (side - h) / 2, centre = side / 2;
        const int64_t reachX = std::max(centre - left, left + w - centre), reachY = std::max(centre - top, top + h - centre);
        const int64_t room = std::min(centre, side - centre);
        if (reachX * reachX + reachY * reachY <= room * room) break;
    }
    plan.side = static_cast<int>(side);
    plan.left = (plan.side - width) / 2;
    plan.top = (plan.side - height) / 2;
    plan.centreX = plan.centreY = plan.side / 2;
    return plan;
}

}  // namespace mirelo
