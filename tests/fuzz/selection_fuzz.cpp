// Fuzzes the checks of the selection records 778..783 that come with a clipboard image: the
// outline (number of points, point types, points, fill mode) and the mask of the copied rectangle.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "clipboard/selection_records.h"

namespace {
void Check(bool ok) {
    if (!ok) __builtin_trap();
}

uint32_t Le32(const uint8_t* p) {
    return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

// A block of fuzzed length, or an absent one; kept in its own allocation so that any read past
// its end is caught.
struct Block {
    std::vector<uint8_t> bytes;
    bool present = false;
    mirelo::ByteSpan span() const {
        if (!present) return {};
        return {bytes.empty() ? reinterpret_cast<const uint8_t*>("") : bytes.data(), bytes.size()};
    }
};

Block Take(FuzzedDataProvider& in, size_t most) {
    Block b;
    b.present = in.ConsumeIntegralInRange<int>(0, 15) != 0;
    b.bytes = in.ConsumeBytes<uint8_t>(in.ConsumeIntegralInRange<size_t>(0, most));
    return b;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace mirelo;
    FuzzedDataProvider in(data, size);
    const int width = in.ConsumeIntegralInRange<int>(-2, 64);
    const int height = in.ConsumeIntegralInRange<int>(-2, 64);
    Block count = Take(in, 8), types = Take(in, 512), points = Take(in, 4096), mode = Take(in, 8);
    Block length = Take(in, 8), mask = Take(in, 4200);
    // Often make the number fields agree with the blocks, so that the deeper checks are reached.
    if (in.ConsumeBool() && count.bytes.size() >= 4) {
        uint32_t n = static_cast<uint32_t>(types.bytes.size());
        std::memcpy(count.bytes.data(), &n, 4);
    }
    if (in.ConsumeBool() && length.bytes.size() >= 4 && width > 0 && height > 0) {
        uint32_t n = static_cast<uint32_t>(width * height);
        std::memcpy(length.bytes.data(), &n, 4);
    }

    SelectionShape shape;
    if (ReadShapeRecords(count.span(), types.span(), points.span(), mode.span(), &shape)) {
        const size_t n = shape.count();
        Check(count.present && types.present && points.present && mode.present);
        Check(n >= 3 && n == Le32(count.bytes.data()));
        Check(n <= types.bytes.size() && n * 8 <= points.bytes.size());
        Check(shape.xy.size() == 2 * n);
        Check(shape.fillMode == 0 || shape.fillMode == 1);
        Check(ValidPathTypes(shape.types.data(), n));
        Check(std::memcmp(shape.types.data(), types.bytes.data(), n) == 0);
        for (float f : shape.xy) Check(std::isfinite(f));
        // Written again, the outline reads back the same.
        ShapeRecords r;
        Check(WriteShapeRecords(shape, &r));
        Check(r.types.size() == n && r.points.size() == 8 * n);
        Check(std::memcmp(r.points.data(), points.bytes.data(), 8 * n) == 0);
        SelectionShape back;
        Check(ReadShapeRecords({r.count.data(), r.count.size()}, {r.types.data(), r.types.size()},
                               {r.points.data(), r.points.size()}, {r.fillMode.data(), r.fillMode.size()}, &back));
        Check(back.types == shape.types && back.fillMode == shape.fillMode);
        Check(std::memcmp(back.xy.data(), shape.xy.data(), 4 * back.xy.size()) == 0);
    } else {
        Check(shape.types.empty() && shape.xy.empty());
    }

    std::vector<uint8_t> bytes;
    if (ReadMaskRecords(length.span(), mask.span(), width, height, &bytes)) {
        Check(width > 0 && height > 0);
        Check(bytes.size() == static_cast<size_t>(width) * static_cast<size_t>(height));
        Check(bytes.size() == Le32(length.bytes.data()) && bytes.size() <= mask.bytes.size());
        Check(bytes.empty() || std::memcmp(bytes.data(), mask.bytes.data(), bytes.size()) == 0);
    } else {
        Check(bytes.empty());
    }
    return 0;
}
