// Straightforward version of every effect: kept simple on purpose, so that it can be checked by
// reading against the rules, and used by the tests as the yardstick of the fast implementation.
#include "effects_reference.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace mirelo {
namespace {

int Clamp255(int v) { return std::clamp(v, 0, 255); }

// The Windows C runtime's rand().
struct Rand15 {
    uint32_t state;
    int Draw() {
        state = state * 214013u + 2531011u;
        return static_cast<int>((state >> 16) & 0x7FFF);
    }
};

struct Frame {
    int w = 0, h = 0;
    PixelView dest;
    const uint8_t* mask = nullptr;
    std::vector<uint8_t> copy;  // the private copy of the source, 4 bytes per pixel, rows packed
    float minGrey = 255, maxGrey = 0;

    bool Selected(int x, int y) const { return !mask || mask[static_cast<size_t>(y) * w + x] != 0; }
    uint8_t* D(int x, int y) const { return dest.Row(y) + static_cast<intptr_t>(x) * 4; }
    // The copy's pixel, with reads outside the image clamped to the nearest edge pixel.
    uint8_t* C(int x, int y) {
        x = std::clamp(x, 0, w - 1);
        y = std::clamp(y, 0, h - 1);
        return &copy[(static_cast<size_t>(y) * w + x) * 4];
    }
    void DestToCopy() {
        for (int y = 0; y < h; ++y) std::memcpy(&copy[static_cast<size_t>(y) * w * 4], dest.Row(y), static_cast<size_t>(w) * 4);
    }
};

// 0.114 B + 0.587 G + 0.299 R + 0.5 as a float.
float Luma(int b, int g, int r) { return 0.114f * b + 0.587f * g + 0.299f * r + 0.5f; }

void Brightness(Frame& f, int v) {
    const int offset = (v - 100) * 255 / 100;
    for (int y = 0; y < f.h; ++y)
        for (int x = 0; x < f.w; ++x)
            if (f.Selected(x, y))
                for (int c = 0; c < 3; ++c) f.D(x, y)[c] = static_cast<uint8_t>(Clamp255(f.D(x, y)[c] + offset));
}

void Contrast(Frame& f, int v) {
    const float mid = (f.minGrey + f.maxGrey) / 2;
    const int m = static_cast<int>(mid);
    for (int y = 0; y < f.h; ++y)
        for (int x = 0; x < f.w; ++x) {
            if (!f.Selected(x, y)) continue;
            for (int ch = 0; ch < 3; ++ch) {
                int c = f.D(x, y)[ch];
                const float cf = static_cast<float>(c);
                if (cf == mid) continue;
                int out = c;
                if (v <= 100) {
                    if (cf > mid) {
                        out = c - std::abs(c - m) * (100 - v) / 100;
                        if (static_cast<float>(out) < mid) out = m;
                    } else {
                        out = c + std::abs(c - m) * (100 - v) / 100;
                        if (static_cast<float>(out) > mid) out = m;
                    }
                } else {
                    if (cf < mid)
                        out = c - std::abs(c - m) * (v - 100) / 100;
                    else
                        out = c + std::abs(c - m) * (v - 100) / 100;
                }
                f.D(x, y)[ch] = static_cast<uint8_t>(Clamp255(out));
            }
        }
}

void Gamma(Frame& f, int v) {
    const double e = v < 50 ? 10.0 / (60 - v) : (v - 40) / 10.0;
    int table[256];
    for (int i = 0; i < 256; ++i) table[i] = static_cast<int>(255 * std::pow(i / 255.0, e));
    for (int y = 0; y < f.h; ++y)
        for (int x = 0; x < f.w; ++x)
            if (f.Selected(x, y))
                for (int c = 0; c < 3; ++c) f.D(x, y)[c] = static_cast<uint8_t>(Clamp255(table[f.D(x, y)[c]]));
}

void Saturation(Frame& f, int v) {
    for (int y = 0; y < f.h; ++y)
        for (int x = 0; x < f.w; ++x) {
            if (!f.Selected(x, y)) continue;
            uint8_t* p = f.D(x, y);
            const float luma = Luma(p[0], p[1], p[2]);
            for (int c = 0; c < 3; ++c) {
                const float out = p[c] + (p[c] - luma) / 255.0f * static_cast<float>(v - 255);
                p[c] = static_cast<uint8_t>(Clamp255(static_cast<int>(out)));
            }
        }
}

void MakeGrey(uint8_t* p) {
    const int grey = Clamp255(static_cast<int>(Luma(p[0], p[1], p[2])));
    p[0] = p[1] = p[2] = static_cast<uint8_t>(grey);
}

void InvertMono(Frame& f, int v) {
    const int low = Clamp255(static_cast<int>(f.minGrey)), high = Clamp255(static_cast<int>(f.maxGrey));
    for (int y = 0; y < f.h; ++y)
        for (int x = 0; x < f.w; ++x) {
            if (!f.Selected(x, y)) continue;
            uint8_t* p = f.D(x, y);
            switch (v) {
            case 1:
                for (int c = 0; c < 3; ++c) p[c] = static_cast<uint8_t>(255 - p[c]);
                break;
            case 2:
                p[0] = static_cast<uint8_t>(low);
                p[2] = static_cast<uint8_t>(high);
                break;
            case 3:
                p[0] = static_cast<uint8_t>(low);
                p[1] = static_cast<uint8_t>(255 - p[1]);
                p[2] = static_cast<uint8_t>(high);
                break;
            case 4: p[0] = static_cast<uint8_t>(low); break;
            case 5: p[0] = static_cast<uint8_t>(high); break;
            case 6: MakeGrey(p); break;
            default: break;
            }
        }
}

void Solarise(Frame& f, int v) {
    if (v == 0) return;
    int t[256];
    for (int i = 0; i < 256; ++i) {
        if (v == 1 || v == 4)
            t[i] = i < 128 ? 2 * i : 510 - 2 * i;
        else if (v == 2 || v == 5)
            t[i] = i < 85 ? 3 * i : i < 170 ? 510 - 3 * i : i < 255 ? 3 * i - 510 : 252;
        else
            t[i] = i < 64 ? 4 * i + 1 : i < 128 ? 509 - 4 * i : i < 192 ? 4 * i - 511 : 1021 - 4 * i;
    }
    for (int y = 0; y < f.h; ++y)
        for (int x = 0; x < f.w; ++x) {
            if (!f.Selected(x, y)) continue;
            uint8_t* p = f.D(x, y);
            if (v >= 4) MakeGrey(p);
            for (int c = 0; c < 3; ++c) p[c] = static_cast<uint8_t>(Clamp255(t[p[c]]));
        }
}

void Posterise(Frame& f, int v) {
    for (int y = 0; y < f.h; ++y)
        for (int x = 0; x < f.w; ++x)
            if (f.Selected(x, y))
                for (int c = 0; c < 3; ++c) f.D(x, y)[c] = static_cast<uint8_t>(f.D(x, y)[c] - f.D(x, y)[c] % (v + 1));
}

void LuminanceAlpha(Frame& f, int v) {
    if (v == 0) return;
    for (int y = 0; y < f.h; ++y)
        for (int x = 0; x < f.w; ++x) {
            if (!f.Selected(x, y)) continue;
            uint8_t* p = f.D(x, y);
            float g = (p[0] + p[1] + p[2]) / 3.0f;
            if (v % 2 == 0 && f.maxGrey != f.minGrey) g = (g - f.minGrey) * 255 / std::fabs(f.maxGrey - f.minGrey);
            if (v == 3 || v == 4) g = std::sqrt(g * 255);
            if (v == 7 || v == 8) g = g * g / 255;
            // Clamped to 0..255; the root of a negative grey (a destination darker than the
            // source's least grey) is not a number and counts as 0.
            if (!(g >= 0)) g = 0;
            if (g > 255) g = 255;
            int k = static_cast<int>(g);
            if (v > 4) k = 255 - k;
            const int a = p[3];
            p[3] = static_cast<uint8_t>(a < 255 - k ? 0 : a - (255 - k));
        }
}

void Mosaic(Frame& f, int v) {
    if (v == 0) return;
    int s = v + 1;
    s = std::min(s, f.w / 2);
    s = std::min(s, f.h / 2);
    s = std::max(s, 1);
    const int columns = (f.w + s - 1) / s, rows = (f.h + s - 1) / s;
    std::vector<long> sum(static_cast<size_t>(columns) * rows * 3, 0), count(static_cast<size_t>(columns) * rows, 0);
    for (int y = 0; y < f.h; ++y)
        for (int x = 0; x < f.w; ++x) {
            const size_t block = static_cast<size_t>(x / s + (y / s) * columns);
            for (int c = 0; c < 3; ++c) sum[block * 3 + c] += f.D(x, y)[c];
            ++count[block];
        }
    for (int y = 0; y < f.h; ++y)
        for (int x = 0; x < f.w; ++x) {
            if (!f.Selected(x, y)) continue;
            const size_t block = static_cast<size_t>(x / s + (y / s) * columns);
            for (int c = 0; c < 3; ++c) f.D(x, y)[c] = static_cast<uint8_t>(Clamp255(static_cast<int>(sum[block * 3 + c] / count[block])));
        }
}

// Convolution of one channel of the copy at (x, y) with a square kernel of side n (odd).
int Convolve(Frame& f, int x, int y, int channel, const int* kernel, int n) {
    int sum = 0;
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i) sum += kernel[j * n + i] * f.C(x + i - n / 2, y + j - n / 2)[channel];
    return sum;
}

const int kBlur3[9] = {1, 1, 1, 1, 4, 1, 1, 1, 1};
const int kBlur5[25] = {1, 1, 1, 1, 1, 1, 2, 2, 2, 1, 1, 2, 8, 2, 1, 1, 2, 2, 2, 1, 1, 1, 1, 1, 1};
const int kSharpen3[9] = {0, -1, 0, -1, 5, -1, 0, -1, 0};
const int kSharpen5[25] = {0, 0, -1, 0, 0, 0, 0, -1, 0, 0, -1, -1, 9, -1, -1, 0, 0, -1, 0, 0, 0, 0, -1, 0, 0};
const int kEdge[4][9] = {{1, 1, 0, 1, 0, -1, 0, -1, -1},
                         {-1, -1, -1, 0, 0, 0, 1, 1, 1},
                         {-1, 0, 1, -1, 0, 1, -1, 0, 1},
                         {0, 1, 1, -1, 0, 1, -1, -1, 0}};
const int kEmboss[9] = {-1, -1, 1, -1, 0, 1, -1, 1, 1};

// Blur (alphaOnly: effect 10) and sharpen.
void Kernel(Frame& f, int v, bool sharpen, bool alphaOnly) {
    if (v == 0) return;
    const int* kernel = sharpen ? (v == 1 ? kSharpen3 : kSharpen5) : (v == 1 ? kBlur3 : kBlur5);
    const int n = v == 1 ? 3 : 5;
    const int divisor = sharpen ? 1 : (v == 1 ? 12 : 40);
    for (int y = 0; y < f.h; ++y)
        for (int x = 0; x < f.w; ++x) {
            if (!f.Selected(x, y)) continue;
            for (int c = alphaOnly ? 3 : 0; c < (alphaOnly ? 4 : 3); ++c)
                f.D(x, y)[c] = static_cast<uint8_t>(Clamp255(Convolve(f, x, y, c, kernel, n) / divisor));
        }
}

void Edges(Frame& f, int v) {
    if (v == 0) return;
    for (int y = 0; y < f.h; ++y)
        for (int x = 0; x < f.w; ++x) {
            if (!f.Selected(x, y)) continue;
            for (int c = 0; c < 3; ++c) {
                int largest = 0;
                for (int k = 0; k < 4; ++k) {
                    int scaled[9];
                    for (int i = 0; i < 9; ++i) scaled[i] = kEdge[k][i] * v;
                    const int response = Convolve(f, x, y, c, scaled, 3);
                    if (k == 0 || response > largest) largest = response;
                }
                f.D(x, y)[c] = static_cast<uint8_t>(Clamp255(std::abs(largest / 6)));
            }
        }
}

void Emboss(Frame& f, int v) {
    if (v == 0) return;
    int scaled[9];
    for (int i = 0; i < 9; ++i) scaled[i] = kEmboss[i] * v;
    for (int y = 0; y < f.h; ++y)
        for (int x = 0; x < f.w; ++x)
            if (f.Selected(x, y))
                for (int c = 0; c < 3; ++c) f.D(x, y)[c] = static_cast<uint8_t>(Clamp255(Convolve(f, x, y, c, scaled, 3) / 8 + 128));
}

void Noise(Frame& f, int v, const EffectParams& params) {
    if (v == 0) return;
    Rand15 rng{params.random ? params.random->state : params.seed};
    for (int y = 0; y < f.h; ++y)
        for (int x = 0; x < f.w; ++x) {
            if (!f.Selected(x, y)) continue;
            const int n = rng.Draw() * 100 / 32768;
            const uint8_t* s = f.C(x, y);
            uint8_t* p = f.D(x, y);
            if (n < v) {
                const int value = (s[0] + s[1] + s[2]) / 3 >= 128 ? 0 : 255;
                p[0] = p[1] = p[2] = static_cast<uint8_t>(value);
            } else {
                std::memcpy(p, s, 4);
            }
        }
    if (params.random) params.random->state = rng.state;
}

void Denoise(Frame& f, int v) {
    if (v == 0) return;
    for (int y = 0; y < f.h; ++y)
        for (int x = 0; x < f.w; ++x) {
            if (!f.Selected(x, y)) continue;
            for (int c = 0; c < 3; ++c) {
                int values[9], k = 0;
                for (int j = -1; j <= 1; ++j)
                    for (int i = -1; i <= 1; ++i) values[k++] = f.C(x + i, y + j)[c];
                std::sort(values, values + 9);
                f.D(x, y)[c] = static_cast<uint8_t>(values[4]);
            }
        }
}

void Hue(Frame& f, int s) {
    for (int y = 0; y < f.h; ++y)
        for (int x = 0; x < f.w; ++x) {
            if (!f.Selected(x, y)) continue;
            uint8_t* p = f.D(x, y);
            const int b = p[0], g = p[1], r = p[2];
            int r2, g2, b2;
            if (s <= 64) {
                r2 = (r * (64 - s) >> 6) + (b * s >> 6);
                g2 = (g * (64 - s) >> 6) + (r * s >> 6);
                b2 = (b * (64 - s) >> 6) + (g * s >> 6);
            } else if (s <= 128) {
                const int t = s - 64;
                r2 = (b * (128 - s) >> 6) + (g * t >> 6);
                g2 = (r * (128 - s) >> 6) + (b * t >> 6);
                b2 = (g * (128 - s) >> 6) + (r * t >> 6);
            } else {
                const int t = s - 128;
                r2 = (g * (192 - s) >> 6) + (r * t >> 6);
                g2 = (b * (192 - s) >> 6) + (g * t >> 6);
                b2 = (r * (192 - s) >> 6) + (b * t >> 6);
            }
            p[0] = static_cast<uint8_t>(Clamp255(b2));
            p[1] = static_cast<uint8_t>(Clamp255(g2));
            p[2] = static_cast<uint8_t>(Clamp255(r2));
        }
}

void Circle(Frame& f, int v) {
    if (v == 0) return;
    for (int y = 0; y < f.h; ++y)
        for (int x = 0; x < f.w; ++x)
            if (f.Selected(x, y)) std::memset(f.D(x, y), 0, 4);
    const int s = std::min(f.w, f.h);
    // Squeeze into the top-left s × s square.
    const std::vector<uint8_t> duplicate = f.copy;
    const float scaleX = static_cast<float>(s) / static_cast<float>(f.w);
    const float scaleY = static_cast<float>(s) / static_cast<float>(f.h);
    for (int y = 0; y < f.h; ++y)
        for (int x = 0; x < f.w; ++x) {
            if (!f.Selected(x, y)) continue;
            const int tx = std::min(static_cast<int>(x * scaleX), s - 1);
            const int ty = std::min(static_cast<int>(y * scaleY), s - 1);
            std::memcpy(f.C(tx, ty), &duplicate[(static_cast<size_t>(y) * f.w + x) * 4], 3);
        }
    // Squeeze the square into its circle, quadrant by quadrant from the centre outward.
    const int half = s / 2;
    const float R = static_cast<float>(half);
    for (int quadrant = 0; quadrant < 4; ++quadrant) {
        const int stepX = quadrant & 1 ? 1 : -1, stepY = quadrant & 2 ? 1 : -1;
        const int originX = stepX < 0 ? half - 1 : half, originY = stepY < 0 ? half - 1 : half;
        const int countX = stepX < 0 ? half : s - half, countY = stepY < 0 ? half : s - half;
        for (int j = 0; j < countY; ++j)
            for (int i = 0; i < countX; ++i) {
                const int dx = i * stepX, dy = j * stepY;
                int tx = originX + dx, ty = originY + dy;
                if (dx != 0 && dy != 0) {
                    const float ax = static_cast<float>(std::abs(dx)), ay = static_cast<float>(std::abs(dy));
                    const float q = ay / ax;
                    const float A = ay > ax ? std::sqrt(R * R + (R / q) * (R / q)) : std::sqrt(R * R + (R * q) * (R * q));
                    const float D = std::sqrt(static_cast<float>(dx * dx + dy * dy));
                    const float u = 1 - (D / A) * (D / A);
                    const float l = R / A + u * (1 - R / A);
                    const float m = R / A + u * (1 - R / A);
                    tx = originX + static_cast<int>(dx * m);
                    ty = originY + static_cast<int>(l * dy);
                }
                if (f.Selected(tx, ty)) std::memcpy(f.D(tx, ty), f.C(originX + dx, originY + dy), 4);
            }
    }
}

// Antialias: the alphas of the working copy, edges clamped.
int WorkAlpha(Frame& f, int x, int y) { return f.C(x, y)[3]; }

// The level at the end of a run: the largest of the four neighbours' alphas when fewer than two
// are below the run's alpha, else the smallest.
int Level(Frame& f, int x, int y, bool largest) {
    const int a[4] = {WorkAlpha(f, x - 1, y), WorkAlpha(f, x, y - 1), WorkAlpha(f, x + 1, y), WorkAlpha(f, x, y + 1)};
    return largest ? *std::max_element(a, a + 4) : *std::min_element(a, a + 4);
}

void SmoothRuns(Frame& f, bool columns) {
    const int lineLength = columns ? f.h : f.w;
    auto at = [&](int pos, int line, int& x, int& y) {
        x = columns ? line : pos;
        y = columns ? pos : line;
    };
    for (int y0 = 0; y0 < f.h; ++y0)
        for (int x0 = 0; x0 < f.w; ++x0) {
            if (!f.Selected(x0, y0)) continue;
            const int p = columns ? y0 : x0, line = columns ? x0 : y0;
            if (p == lineLength - 1) continue;
            const int g = WorkAlpha(f, x0, y0);
            if (g <= 0 || g >= 255) continue;
            const int a[4] = {WorkAlpha(f, x0 - 1, y0), WorkAlpha(f, x0, y0 - 1), WorkAlpha(f, x0 + 1, y0), WorkAlpha(f, x0, y0 + 1)};
            int n = 0, e = 0;
            for (int k = 0; k < 4; ++k) {
                if (a[k] < g) ++n;
                if (a[k] == g) ++e;
            }
            if (e == 2) continue;
            const int L1 = Level(f, x0, y0, n < 2);
            int q = p;
            for (;;) {
                int x, y;
                at(q + 1, line, x, y);
                if (q + 1 >= lineLength || WorkAlpha(f, x, y) != g) break;
                ++q;
            }
            if (q == p) continue;
            int qx, qy;
            at(q, line, qx, qy);
            const int L2 = Level(f, qx, qy, n < 2);
            const int r = q - p + 1;
            auto put = [&](int pos, int alpha) {
                int x, y;
                at(pos, line, x, y);
                if (f.Selected(x, y)) f.D(x, y)[3] = static_cast<uint8_t>(Clamp255(alpha));
            };
            if (L1 != L2) {
                const int d = std::abs(L2 - L1) / (r + 1);
                for (int k = 0; k < r; ++k) put(p + k, L1 < L2 ? L1 + d * (k + 1) : L1 - d * (k + 1));
            } else if (L1 < g) {
                const int h = r - 1 < 8 ? 0 : (r - 7) >> 1;
                const int m = std::max(p, (p + q) / 2 - h);
                const int u = (g - L1) / (m - p + 1);
                for (int pos = p; pos < m; ++pos) put(pos, L1 + u * (pos - p + 1));
                for (int pos = m + 2 * h + 1; pos <= q; ++pos) put(pos, g - u * (pos - 2 * h - m));
            }
        }
}

void Antialias(Frame& f, int v) {
    if (v == 0) return;
    // 1. Edge softening.
    for (int y = 0; y < f.h; ++y)
        for (int x = 0; x < f.w; ++x) {
            if (!f.Selected(x, y) || WorkAlpha(f, x, y) != 255) continue;
            const int a[4] = {WorkAlpha(f, x - 1, y), WorkAlpha(f, x, y - 1), WorkAlpha(f, x + 1, y), WorkAlpha(f, x, y + 1)};
            int largest = -1;
            for (int k = 0; k < 4; ++k)
                if (a[k] < 255) largest = std::max(largest, a[k]);
            if (largest >= 0) f.D(x, y)[3] = static_cast<uint8_t>((largest + 255) / 2);
        }
    f.DestToCopy();
    // 2. Runs along rows, then along columns.
    SmoothRuns(f, false);
    SmoothRuns(f, true);
    // 3. Means of the inner pixels.
    for (int pass = 1; pass < v; ++pass) {
        f.DestToCopy();
        for (int y = 0; y < f.h; ++y)
            for (int x = 0; x < f.w; ++x) {
                if (!f.Selected(x, y) || WorkAlpha(f, x, y) == 0) continue;
                if (WorkAlpha(f, x - 1, y) == 0 || WorkAlpha(f, x, y - 1) == 0 || WorkAlpha(f, x + 1, y) == 0 ||
                    WorkAlpha(f, x, y + 1) == 0)
                    continue;
                int sum = 0;
                for (int j = -1; j <= 1; ++j)
                    for (int i = -1; i <= 1; ++i) sum += WorkAlpha(f, x + i, y + j);
                f.D(x, y)[3] = static_cast<uint8_t>(sum / 9);
            }
    }
}

const int kOrdered2[4] = {0, 2, 3, 1};
const int kOrdered3[9] = {6, 8, 4, 1, 0, 3, 5, 2, 7};
const int kOrdered4[16] = {0, 8, 2, 10, 12, 4, 14, 6, 3, 11, 1, 9, 15, 7, 13, 5};
const int kOrdered8[64] = {0,  32, 8,  40, 2,  34, 10, 42, 48, 16, 56, 24, 50, 18, 58, 26, 12, 44, 4,  36, 14, 46,
                           6,  38, 60, 28, 52, 20, 62, 30, 54, 22, 3,  35, 11, 43, 1,  33, 9,  41, 51, 19, 59, 27,
                           49, 17, 57, 25, 15, 47, 7,  39, 13, 45, 5,  37, 63, 31, 55, 23, 61, 29, 53, 21};
const int kNews3[9] = {8, 4, 7, 1, 0, 3, 5, 2, 6};
const int kNews5[25] = {22, 15, 11, 18, 21, 19, 8, 4, 7, 14, 12, 1, 0, 3, 10, 16, 5, 2, 6, 17, 23, 20, 9, 13, 24};
const int kNews7[49] = {48, 39, 35, 23, 31, 43, 47, 44, 27, 15, 11, 18, 26, 38, 32, 19, 8,  4,  7,  14, 30, 24, 12, 1, 0,
                        3,  10, 22, 36, 16, 5,  2,  6,  17, 34, 40, 28, 20, 9,  13, 25, 42, 45, 41, 33, 21, 29, 37, 46};
const int kNews9[81] = {80, 67, 63, 47, 39, 55, 71, 75, 79, 76, 59, 43, 35, 23, 31, 51, 58, 66, 72, 52, 27,
                        15, 11, 18, 26, 42, 62, 56, 32, 19, 8,  4,  7,  14, 30, 46, 40, 24, 12, 1,  0,  3,
                        10, 22, 38, 48, 36, 16, 5,  2,  6,  17, 34, 54, 64, 44, 28, 20, 9,  13, 25, 50, 70,
                        68, 60, 49, 33, 21, 29, 41, 57, 74, 77, 73, 69, 53, 37, 45, 61, 65, 78};

void Halftone(Frame& f, int v, bool newspaper) {
    if (v == 0) return;
    static const int* const kOrdered[4] = {kOrdered2, kOrdered3, kOrdered4, kOrdered8};
    static const int* const kNews[4] = {kNews3, kNews5, kNews7, kNews9};
    static const int kOrderedSize[4] = {2, 3, 4, 8}, kNewsSize[4] = {3, 5, 7, 9};
    const int which = (v - 1) % 4;
    const int* matrix = newspaper ? kNews[which] : kOrdered[which];
    const int d = newspaper ? kNewsSize[which] : kOrderedSize[which];
    for (int y = 0; y < f.h; ++y)
        for (int x = 0; x < f.w; ++x) {
            if (!f.Selected(x, y)) continue;
            uint8_t* p = f.D(x, y);
            const int T = (matrix[(y % d) * d + x % d] + 1) * (256 / (d * d)) - 1;
            if (v <= 4) {
                const int value = T >= (p[0] + p[1] + p[2]) / 3 ? 0 : 255;
                p[0] = p[1] = p[2] = static_cast<uint8_t>(value);
            } else if (v <= 8) {
                for (int c = 0; c < 3; ++c) p[c] = static_cast<uint8_t>(p[c] > T ? 255 : 0);
            } else {
                for (int c = 0; c < 3; ++c) {
                    int out = 0;
                    if (1.25 * p[c] > T) out = T < 0.75 * p[c] ? 255 : 128;
                    p[c] = static_cast<uint8_t>(out);
                }
            }
        }
}

// Adds weight × error / 16 to the B, G, R of a working pixel, as the indexed conversion does.
void Spread(std::vector<uint8_t>& work, int w, int x, int y, int weight, const int* error) {
    uint8_t* p = &work[(static_cast<size_t>(y) * w + x) * 4];
    for (int c = 0; c < 3; ++c) p[c] = static_cast<uint8_t>(Clamp255(p[c] + weight * error[c] / 16));
}

// Binary, and with `dither` the error diffused through a working copy of the destination: the
// selected pixels take their results from it, the others stay as they are.
void Binary(Frame& f, int v, bool dither) {
    const float fraction = std::clamp(v / 100.0f, 0.0f, 1.0f);
    const int t = static_cast<int>(f.maxGrey * fraction + (1 - fraction) * f.minGrey);
    const int flat = static_cast<int>(255 * fraction);
    std::vector<uint8_t> work(static_cast<size_t>(f.w) * f.h * 4);
    for (int y = 0; y < f.h; ++y) std::memcpy(&work[static_cast<size_t>(y) * f.w * 4], f.dest.Row(y), static_cast<size_t>(f.w) * 4);
    for (int y = 0; y < f.h; ++y)
        for (int x = 0; x < f.w; ++x) {
            if (!f.Selected(x, y)) continue;
            uint8_t* p = &work[(static_cast<size_t>(y) * f.w + x) * 4];
            const int g = (p[0] + p[1] + p[2]) / 3;
            const bool white = f.minGrey == f.maxGrey ? g > flat : g > t;
            const int value = white ? 255 : 0;
            if (dither) {
                const int error[3] = {p[0] - value, p[1] - value, p[2] - value};
                if (x < f.w - 1) Spread(work, f.w, x + 1, y, 7, error);
                if (y < f.h - 1) Spread(work, f.w, x, y + 1, 5, error);
                if (x < f.w - 1 && y < f.h - 1) Spread(work, f.w, x + 1, y + 1, 1, error);
                if (x > 0 && y < f.h - 1) Spread(work, f.w, x - 1, y + 1, 3, error);
            }
            p[0] = p[1] = p[2] = static_cast<uint8_t>(value);
            std::memcpy(f.D(x, y), p, 4);
        }
}

}  // namespace

void ApplyEffectReference(const PixelView& source, const PixelView& destination, const EffectParams& params) {
    Frame f;
    f.w = source.width;
    f.h = source.height;
    f.dest = destination;
    f.mask = params.mask;
    f.copy.resize(static_cast<size_t>(f.w) * f.h * 4);
    for (int y = 0; y < f.h; ++y) std::memcpy(&f.copy[static_cast<size_t>(y) * f.w * 4], source.Row(y), static_cast<size_t>(f.w) * 4);
    // The grey range of the source.
    for (int y = 0; y < f.h; ++y)
        for (int x = 0; x < f.w; ++x) {
            const uint8_t* p = source.Row(y) + x * 4;
            const float g = (p[0] + p[1] + p[2]) / 3.0f;
            if (g < f.minGrey) f.minGrey = g;
            if (g > f.maxGrey) f.maxGrey = g;
        }
    if (params.copyFirst)
        for (int y = 0; y < f.h; ++y) std::memcpy(destination.Row(y), &f.copy[static_cast<size_t>(y) * f.w * 4], static_cast<size_t>(f.w) * 4);
    const int v = params.value;
    switch (params.effect) {
    case 0: Brightness(f, v); break;
    case 1: Contrast(f, v); break;
    case 2: Gamma(f, v); break;
    case 3: Saturation(f, v); break;
    case 4: InvertMono(f, v); break;
    case 5: Solarise(f, v); break;
    case 6: Posterise(f, v); break;
    case 7: LuminanceAlpha(f, v); break;
    case 8: Mosaic(f, v); break;
    case 9: Kernel(f, v, false, false); break;
    case 10: Kernel(f, v, false, true); break;
    case 11: Kernel(f, v, true, false); break;
    case 12: Edges(f, v); break;
    case 13: Emboss(f, v); break;
    case 14: Noise(f, v, params); break;
    case 15: Denoise(f, v); break;
    case 16: Hue(f, v); break;
    case 17: Circle(f, v); break;
    case 18: Antialias(f, v); break;
    case 19: Halftone(f, v, false); break;
    case 20: Halftone(f, v, true); break;
    case 21: Binary(f, v, false); break;
    case 22: Binary(f, v, true); break;
    default: break;
    }
}

}  // namespace mirelo
