// Fuzzes the recovery copy reader. The first byte picks how the rest is used:
//   0: the bytes are a file, read as they are;
//   1: the bytes are a file whose checksums are made right first, so that the contents are reached;
//   2: the bytes describe a small image (format, size, pixels, a path, an object), which is written,
//      then changed at the places the remaining bytes give (checksums made right or not) and read.
// Whatever the reader accepts must be accepted by the writer and read back to the same file.
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "common/bytes.h"
#include "files/recovery_copy.h"

namespace {

using namespace mirelo;

void Check(bool ok) {
    if (!ok) __builtin_trap();
}

void Reseal(std::vector<uint8_t>& file) {
    if (file.size() < 16) return;
    const size_t parts = Get16(file.data() + 14);
    const size_t manifest = 16 + parts * 16;
    if (parts == 0 || parts > static_cast<size_t>(recovery::kMaxParts) || file.size() < manifest + 4) return;
    size_t at = manifest + 4;
    for (size_t i = 0; i < parts; ++i) {
        uint8_t* entry = file.data() + 16 + i * 16;
        const uint32_t stored = Get32(entry + 4);
        if (stored > file.size() - at) return;
        Put32(entry + 12, static_cast<uint32_t>(crc32(0, file.data() + at, stored)));
        at += stored;
    }
    Put32(file.data() + manifest, static_cast<uint32_t>(crc32(0, file.data(), static_cast<uInt>(manifest))));
}

// Reads a file; an accepted one goes through the writer and the reader again unchanged.
bool ReadAndRoundTrip(const std::vector<uint8_t>& file) {
    const RecoveryReadResult first = ReadRecoveryCopy(file.data(), file.size());
    if (!first.ok()) {
        Check(first.image.pixels.empty() && first.image.objects.empty());
        return false;
    }
    Check(CheckRecoveryImage(first.image) == RecoveryError::kNone);
    const std::vector<uint8_t> again = WriteRecoveryCopy(first.image);
    Check(!again.empty());
    const RecoveryReadResult second = ReadRecoveryCopy(again.data(), again.size());
    Check(second.ok() && second.image.pixels == first.image.pixels);
    Check(WriteRecoveryCopy(second.image) == again);
    return true;
}

RecoveryImage ImageFrom(const uint8_t* data, size_t size) {
    size_t at = 0;
    auto next = [&]() -> uint8_t { return at < size ? data[at++] : 0; };
    size_t count = 0;
    const PixelFormatInfo* table = PixelFormatTable(&count);
    RecoveryImage im;
    im.format = table[next() % (count - 1)].format;
    im.width = 1 + next() % 40;
    im.height = 1 + next() % 40;
    im.pixels.resize(static_cast<size_t>(RecoveryRowBytes(im.width, im.format)) * static_cast<size_t>(im.height));
    for (uint8_t& b : im.pixels) b = next();
    if (IsIndexed(im.format)) im.palette.assign(size_t{1} << BitsPerPixel(im.format), 0xFF000000u | next());
    im.name = u"fuzz";
    const size_t points = next() % 8;
    if (points > 0) {
        EditPath p;
        for (size_t i = 0; i < points; ++i) {
            p.points.push_back({static_cast<float>(next()), static_cast<float>(next())});
            p.types.push_back(i == 0 ? pathtype::kStart : pathtype::kLine);
        }
        im.paths[next() % recovery::kPathCount] = p;
    }
    if (next() & 1) {
        RecoveryObject o;
        o.width = 1 + next() % 8;
        o.height = 1 + next() % 8;
        o.pixels.assign(static_cast<size_t>(o.width * o.height), 0x80000000u | next());
        if (next() & 1) o.mask.assign(o.pixels.size(), next());
        im.objects.push_back(o);
        RecoveryObject text;
        text.isText = true;
        text.text = u"文字";
        im.objects.push_back(text);
    }
    return im;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const uint8_t mode = data[0] % 3;
    ++data, --size;
    if (mode == 0 || mode == 1) {
        std::vector<uint8_t> file(data, data + size);
        if (mode == 1) Reseal(file);
        ReadAndRoundTrip(file);
        return 0;
    }
    const size_t used = size < 64 ? size : 64;
    const RecoveryImage im = ImageFrom(data, used);
    std::vector<uint8_t> file = WriteRecoveryCopy(im);
    Check(!file.empty());
    data += used, size -= used;
    if (size == 0) {
        Check(ReadAndRoundTrip(file));
        return 0;
    }
    // Edits of three bytes: place (16 bits) and the new value; a last odd byte says whether to reseal.
    for (; size >= 3; data += 3, size -= 3) file[Get16(data) % file.size()] = data[2];
    if (size > 0 && (data[0] & 1)) Reseal(file);
    ReadAndRoundTrip(file);
    return 0;
}
