// mirelo-tool: the program's own pixel operations on BMP files, for checks and benchmarks.
//   mirelo-tool quantize --mode N [--dither] in.bmp out.bmp
//   mirelo-tool icon-info file.ico
//   mirelo-tool icon-extract file.ico N out.bmp
//   mirelo-tool icon-write [--cursor] out.ico in.bmp[:hx,hy]...
//   mirelo-tool rotate --kind K in.bmp out.bmp
//   mirelo-tool effect --effect N --value V [--select X,Y,W,H] [--seed S] in.bmp out.bmp
//   mirelo-tool alpha (--source S | --other other.bmp [--use-alpha]) --op O [--value T] in.bmp out.bmp
//   mirelo-tool fill --mode M --at X,Y --colour AARRGGBB --tolerance A,R,G,B in.bmp out.bmp
//   mirelo-tool wand --at X,Y --tolerance A,R,G,B [--invert] in.bmp
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <algorithm>
#include <fstream>
#include <map>
#include <memory>
#include <new>
#include <set>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#if defined(__unix__)
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <CLI/CLI.hpp>

#include "clipboard/dib.h"
#include "colour/quantize.h"
#include "files/bmp_file.h"
#include "files/icon_file.h"
#include "image/convert.h"
#include "ops/alpha_change.h"
#include "ops/effects.h"
#include "ops/flood_fill.h"
#include "ops/rotate_flip.h"
#include "select/magic_wand.h"

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: mirelo-tool quantize --mode N [--dither] in.bmp out.bmp\n"
                 "  N = 1..12: 1-4 two colours (1 bit), 5-8 16 colours, 9-12 256 colours;\n"
                 "  within a depth: +0 uniform division, +1 fixed, +2 monotone, +3 median cut\n"
                 "       mirelo-tool icon-info file.ico\n"
                 "  the directory count, then per entry: index, usable, png, width, height, bits, hot spot\n"
                 "       mirelo-tool icon-extract file.ico N out.bmp\n"
                 "  entry N (from 0) of an icon or pointer file as a 32-bit BMP with alpha\n"
                 "       mirelo-tool icon-write [--cursor] out.ico in.bmp[:hx,hy]...\n"
                 "  an icon (or with --cursor a pointer file with hot spots hx,hy) of 32-bit entries\n"
                 "  from BMP files smaller than 256 x 256; alpha 0 becomes the mask\n"
                 "       mirelo-tool effect --effect N --value V [--select X,Y,W,H] [--seed S] in.bmp out.bmp\n"
                 "  effect N (0-22) with slider value V on a 24- or 32-bit BMP, within the rectangle\n"
                 "  X <= x < X+W, Y <= y < Y+H when given; the noise effect's generator is seeded with S\n"
                 "  (default: the time); writes a 32-bit BMP with alpha\n"
                 "       mirelo-tool rotate --kind K in.bmp out.bmp\n"
                 "  K = 1 flip left-right, 2 flip top-bottom, 3 quarter turn clockwise, 4 half turn,\n"
                 "  5 quarter turn anticlockwise; indexed files keep their indices and colour table\n"
                 "       mirelo-tool alpha (--source S | --other other.bmp [--use-alpha]) --op O [--value T] in.bmp out.bmp\n"
                 "  new alpha for a 24- or 32-bit BMP (24-bit counts as opaque): S = 0 uniform with\n"
                 "  transparency T (0-255, default 0), 1 inversion, 18 alpha shown as grey; --other takes the\n"
                 "  luminance of another BMP (its alpha with --use-alpha) over the overlap; O = 0 replace,\n"
                 "  1 subtract, 2 add, 3 maximum, 4 minimum, 5 average; writes a 32-bit BMP (B, G, R, A)\n"
                 "       mirelo-tool fill --mode M --at X,Y --colour AARRGGBB --tolerance A,R,G,B in.bmp out.bmp\n"
                 "  the fill tool's click at pixel X,Y of a 24- or 32-bit BMP: M = 0 area fill, 2 colour\n"
                 "  replacement, 3 alpha-to-colour replacement; tolerances 0-255 per channel; writes a\n"
                 "  32-bit BMP (B, G, R, A; a 24-bit picture stays opaque)\n"
                 "       mirelo-tool wand --at X,Y --tolerance A,R,G,B [--invert] in.bmp\n"
                 "  the magic wand's outline at X,Y: one vertex x,y per line; \"too large\" and exit code 3\n"
                 "  above 1,638,400 pixels; nothing when fewer than 3 vertices result\n");
    return 2;
}

bool ReadFile(const char* path, std::vector<uint8_t>* bytes) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) return false;
    std::streamoff size = in.tellg();
    if (size < 0) return false;
    bytes->resize(static_cast<size_t>(size));
    in.seekg(0);
    in.read(reinterpret_cast<char*>(bytes->data()), size);
    return static_cast<bool>(in) || size == 0;
}

// A file's bytes for reading: mapped into memory where the system allows (nothing copied),
// otherwise read.
class InputFile {
public:
    InputFile() = default;
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;
    ~InputFile() {
#if defined(__unix__)
        if (map_) munmap(map_, size_);
#endif
    }

    bool Open(const char* path) {
#if defined(__unix__)
        const int fd = open(path, O_RDONLY);
        if (fd < 0) return false;
        struct stat info;
        if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0) {
            int flags = MAP_PRIVATE;
#if defined(MAP_POPULATE)
            flags |= MAP_POPULATE;
#endif
            void* map = mmap(nullptr, static_cast<size_t>(info.st_size), PROT_READ, flags, fd, 0);
            if (map != MAP_FAILED) {
                map_ = map;
                size_ = static_cast<size_t>(info.st_size);
            }
        }
        close(fd);
        if (map_) return true;
#endif
        if (!ReadFile(path, &bytes_)) return false;
        size_ = bytes_.size();
        return true;
    }
    const uint8_t* data() const { return map_ ? static_cast<const uint8_t*>(map_) : bytes_.data(); }
    size_t size() const { return size_; }

private:
    std::vector<uint8_t> bytes_;
    void* map_ = nullptr;
    size_t size_ = 0;
};

// Memory for a large picture or file that is written in full before it is read: not cleared
// first, and where the system allows asked for in large pages, which take far fewer page faults
// to fill than small ones.
class LargeBuffer {
public:
    LargeBuffer() = default;
    LargeBuffer(const LargeBuffer&) = delete;
    LargeBuffer& operator=(const LargeBuffer&) = delete;
    ~LargeBuffer() {
#if defined(__linux__)
        if (map_) munmap(map_, mapSize_);
#endif
    }

    bool Allocate(size_t size) {
        if (size == 0) return false;
#if defined(__linux__)
        constexpr size_t kLargePage = size_t{2} << 20;
        const size_t rounded = (size + kLargePage - 1) / kLargePage * kLargePage;
        if (rounded >= size) {
            void* map = mmap(nullptr, rounded + kLargePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
            if (map != MAP_FAILED) {
                map_ = map;
                mapSize_ = rounded + kLargePage;
                const uintptr_t start = (reinterpret_cast<uintptr_t>(map) + kLargePage - 1) & ~(kLargePage - 1);
                data_ = reinterpret_cast<uint8_t*>(start);
#if defined(MADV_HUGEPAGE)
                madvise(data_, rounded, MADV_HUGEPAGE);  // only a request: small pages otherwise
#endif
                size_ = size;
                return true;
            }
        }
#endif
        plain_.reset(new (std::nothrow) uint8_t[size]);
        data_ = plain_.get();
        size_ = data_ ? size : 0;
        return data_ != nullptr;
    }
    uint8_t* data() const { return data_; }
    size_t size() const { return size_; }

private:
    std::unique_ptr<uint8_t[]> plain_;
    void* map_ = nullptr;
    size_t mapSize_ = 0;
    uint8_t* data_ = nullptr;
    size_t size_ = 0;
};

// Writes the bytes as the whole file, in one piece where the system takes it so.
bool WriteFile(const char* path, const uint8_t* bytes, size_t size) {
#if defined(__unix__)
    const int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC, 0666);
    if (fd < 0) return false;
    bool ok = true;
    while (ok && size > 0) {
        const ssize_t written = write(fd, bytes, size);
        if (written < 0 && errno == EINTR) continue;
        ok = written > 0;
        if (ok) {
            bytes += written;
            size -= static_cast<size_t>(written);
        }
    }
    return close(fd) == 0 && ok;
#else
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes), static_cast<std::streamsize>(size));
    return static_cast<bool>(out);
#endif
}

// Writes a finished file (when it could be made): exit code 0, or 1 after saying it could not.
int WriteResult(const char* path, const uint8_t* bytes, size_t size, bool made = true) {
    if (made && WriteFile(path, bytes, size)) return 0;
    std::fprintf(stderr, "mirelo-tool: cannot write %s\n", path);
    return 1;
}
int WriteResult(const char* path, const std::vector<uint8_t>& bytes, bool made = true) {
    return WriteResult(path, bytes.data(), bytes.size(), made);
}
int WriteResult(const char* path, const LargeBuffer& file) { return WriteResult(path, file.data(), file.size()); }

// Lays out a BMP file of this size and format in `file`, its rows for the caller to fill (every
// pixel of them); false after saying that it cannot be made from `source`'s pixels.
bool StartOutput(const char* source, int width, int height, mirelo::PixelFormat format, const std::vector<uint32_t>& palette,
                 LargeBuffer* file, mirelo::PixelView* rows) {
    const size_t size = mirelo::BmpFileSize(width, height, format);
    if (size != 0 && file->Allocate(size) && mirelo::StartBmp(file->data(), size, width, height, format, palette, rows))
        return true;
    std::fprintf(stderr, "mirelo-tool: %s: cannot make a BMP of these pixels\n", source);
    return false;
}

// Says why an operation on pixels failed; true when it did.
bool Failed(const std::string& what, const mirelo::OpStatus& status) {
    if (status.ok()) return false;
    std::fprintf(stderr, "mirelo-tool: %s failed (%d) %s\n", what.c_str(), status.code,
                 mirelo::ToUtf8(status.message ? status.message : u"").c_str());
    return true;
}

// A command line as read by its row of the command table: every value of each option in order
// (the last one counts), the flags and the files in order.
struct CommandLine {
    std::map<std::string, std::vector<std::string>> values;
    std::set<std::string> flags;
    std::vector<std::string> files;

    bool Has(const std::string& option) const { return values.count(option) != 0; }
    // The option's last value, empty when it was not given.
    const std::string& Value(const std::string& option) const {
        static const std::string kNone;
        const auto it = values.find(option);
        return it == values.end() ? kNone : it->second.back();
    }
    const std::vector<std::string>& All(const std::string& option) const {
        static const std::vector<std::string> kNone;
        const auto it = values.find(option);
        return it == values.end() ? kNone : it->second;
    }
    bool Flag(const std::string& flag) const { return flags.count(flag) != 0; }
};

int Quantize(const CommandLine& c) {
    const int mode = std::atoi(c.Value("--mode").c_str());
    if (mode < 1 || mode > 12 || c.files.size() != 2) return Usage();
    const char* files[2] = {c.files[0].c_str(), c.files[1].c_str()};
    const bool dither = c.Flag("--dither");
    InputFile input;
    if (!input.Open(files[0])) {
        std::fprintf(stderr, "mirelo-tool: cannot read %s\n", files[0]);
        return 1;
    }
    mirelo::OwnedPixels pixels;
    mirelo::PixelFormat fileFormat = 0;
    std::string error;
    if (!mirelo::ReadBmp(input.data(), input.size(), &pixels, &fileFormat, &error)) {
        std::fprintf(stderr, "mirelo-tool: %s: %s\n", files[0], error.c_str());
        return 1;
    }
    const int bpp = mode <= 4 ? 1 : (mode <= 8 ? 4 : 8);
    const mirelo::PixelFormat target = bpp == 1 ? mirelo::fmt::k1Index : (bpp == 4 ? mirelo::fmt::k4Index : mirelo::fmt::k8Index);
    mirelo::QuantizeRequest request;
    request.pixels = pixels.view;
    request.sourceFormat = fileFormat == mirelo::fmt::k24RGB ? mirelo::fmt::k24RGB : mirelo::fmt::k32ARGB;
    request.mode = mode;
    request.dither = dither;
    request.targetDefaultPalette = mirelo::DefaultPalette(1 << bpp);
    mirelo::QuantizeResult result = mirelo::Quantize(request);
    if (result.status != 0) {
        std::fprintf(stderr, "mirelo-tool: conversion failed (%d) %s\n", result.status, mirelo::ToUtf8(result.message ? result.message : u"").c_str());
        return 1;
    }
    mirelo::OwnedPixels out;
    out.palette = result.palette;
    out.Allocate(pixels.view.width, pixels.view.height, target);
    mirelo::PackIndices(result.indices, out.view);
    std::vector<uint8_t> file;
    const bool made = mirelo::WriteBmp(out.view, &file);
    return WriteResult(files[1], file, made);
}

// `count` whole decimal numbers of at most 9 digits each, separated by commas ("X,Y",
// "A,R,G,B"), each with a leading minus where `negative` allows it; the one number parser.
bool ParseNumbers(const std::string& text, int count, int* values, bool negative = false) {
    size_t start = 0;
    for (int i = 0; i < count; ++i) {
        const size_t comma = i + 1 < count ? text.find(',', start) : text.size();
        if (comma == std::string::npos) return false;
        std::string digits = text.substr(start, comma - start);
        const bool minus = negative && !digits.empty() && digits[0] == '-';
        if (minus) digits.erase(0, 1);
        if (digits.empty() || digits.size() > 9 || digits.find_first_not_of("0123456789") != std::string::npos) return false;
        values[i] = std::atoi(digits.c_str()) * (minus ? -1 : 1);
        start = comma + 1;
    }
    return true;
}

bool ParseCount(const std::string& text, int* value) { return ParseNumbers(text, 1, value); }

bool ReadIcon(const char* path, mirelo::IconFileContents* contents) {
    std::vector<uint8_t> bytes;
    if (!ReadFile(path, &bytes)) {
        std::fprintf(stderr, "mirelo-tool: cannot read %s\n", path);
        return false;
    }
    *contents = mirelo::ReadIconFile(bytes.data(), bytes.size());
    if (contents->directoryCount == 0) {
        std::fprintf(stderr, "mirelo-tool: %s: not an icon or pointer file, or no entries\n", path);
        return false;
    }
    return true;
}

int IconInfo(const CommandLine& line) {
    if (line.files.size() != 1) return Usage();
    mirelo::IconFileContents c;
    if (!ReadIcon(line.files[0].c_str(), &c)) return 1;
    std::printf("directory %d %s\n", c.directoryCount, c.cursor ? "cursor" : "icon");
    for (size_t i = 0; i < c.entries.size(); ++i) {
        const mirelo::IconFileEntry& e = c.entries[i];
        std::printf("%zu usable=%d png=%d width=%d height=%d bits=%d hotspot=%d,%d\n", i, e.usable ? 1 : 0, e.png ? 1 : 0,
                    e.width, e.height, e.bitCount, e.hotspotX, e.hotspotY);
    }
    return 0;
}

int IconExtract(const CommandLine& line) {
    int index = 0;
    if (line.files.size() != 3 || !ParseCount(line.files[1], &index)) return Usage();
    const char* path = line.files[0].c_str();
    mirelo::IconFileContents c;
    if (!ReadIcon(path, &c)) return 1;
    if (static_cast<size_t>(index) >= c.entries.size()) {
        std::fprintf(stderr, "mirelo-tool: %s: no entry %d (%zu entries)\n", path, index, c.entries.size());
        return 1;
    }
    const mirelo::IconFileEntry& e = c.entries[static_cast<size_t>(index)];
    if (e.png) {
        std::fprintf(stderr, "mirelo-tool: %s: entry %d: PNG entry\n", path, index);
        return 3;
    }
    mirelo::OwnedPixels argb;
    mirelo::PixelFormat format = 0;
    if (!e.usable || !mirelo::DecodeIconBitmapEntry(e, &argb, &format)) {
        std::fprintf(stderr, "mirelo-tool: %s: entry %d cannot be loaded\n", path, index);
        return 1;
    }
    std::vector<uint8_t> file;
    const bool made = mirelo::WriteBmp(argb.view, &file);
    return WriteResult(line.files[2].c_str(), file, made);
}

// Splits "path:hx,hy" into the path and the hot spot; a path without that ending stays whole.
bool SplitHotspot(const std::string& arg, std::string* path, int* x, int* y, bool* given) {
    *path = arg;
    *x = *y = 0;
    *given = false;
    const size_t colon = arg.rfind(':');
    if (colon == std::string::npos) return true;
    const std::string tail = arg.substr(colon + 1);
    const size_t comma = tail.find(',');
    if (comma == std::string::npos || tail.find_first_not_of("0123456789,") != std::string::npos) return true;
    if (!ParseCount(tail.substr(0, comma), x) || !ParseCount(tail.substr(comma + 1), y) || *x > 0xFFFF || *y > 0xFFFF)
        return false;
    *path = arg.substr(0, colon);
    *given = true;
    return true;
}

int IconWrite(const CommandLine& line) {
    const bool cursor = line.Flag("--cursor");
    std::vector<const char*> args;
    for (const std::string& file : line.files) args.push_back(file.c_str());
    if (args.size() < 2) return Usage();
    std::vector<mirelo::IconWriteEntry> entries;
    for (size_t i = 1; i < args.size(); ++i) {
        std::string path;
        int hx = 0, hy = 0;
        bool given = false;
        if (!SplitHotspot(args[i], &path, &hx, &hy, &given)) {
            std::fprintf(stderr, "mirelo-tool: %s: bad hot spot (x,y from 0 to 65535)\n", args[i]);
            return 2;
        }
        if (given && !cursor) {
            std::fprintf(stderr, "mirelo-tool: %s: a hot spot needs --cursor\n", args[i]);
            return 2;
        }
        std::vector<uint8_t> bytes;
        if (!ReadFile(path.c_str(), &bytes)) {
            std::fprintf(stderr, "mirelo-tool: cannot read %s\n", path.c_str());
            return 1;
        }
        mirelo::OwnedPixels argb;
        mirelo::PixelFormat fileFormat = 0;
        std::string error;
        if (!mirelo::ReadBmp(bytes, &argb, &fileFormat, &error)) {
            std::fprintf(stderr, "mirelo-tool: %s: %s\n", path.c_str(), error.c_str());
            return 1;
        }
        if (argb.view.width >= 256 || argb.view.height >= 256) {
            std::fprintf(stderr, "mirelo-tool: %s: %d x %d is too large for a bitmap entry (at most 255 x 255)\n",
                         path.c_str(), argb.view.width, argb.view.height);
            return 1;
        }
        const std::vector<uint8_t> mask = mirelo::BuildIconMask(argb.view);
        mirelo::ClearTransparentPixels(argb.view);
        mirelo::DibImage dib;
        mirelo::IconWriteEntry entry;
        if (!mirelo::BuildDib(argb.view, &dib) || !mirelo::MakeIconBitmapWriteEntry(dib, mask, &entry)) {
            std::fprintf(stderr, "mirelo-tool: %s: cannot make an entry\n", path.c_str());
            return 1;
        }
        entry.hotspotX = hx;
        entry.hotspotY = hy;
        entries.push_back(std::move(entry));
    }
    std::vector<uint8_t> file;
    const bool made = mirelo::BuildIconFile(entries, cursor, &file);
    return WriteResult(args[0], file, made);
}

// Opens a BMP file and reads its pixels as stored; false after saying why.
bool OpenStoredBmp(const char* path, InputFile* input, mirelo::OwnedPixels* pixels) {
    if (!input->Open(path)) {
        std::fprintf(stderr, "mirelo-tool: cannot read %s\n", path);
        return false;
    }
    std::string error;
    if (!mirelo::ReadBmpStored(input->data(), input->size(), pixels, &error)) {
        std::fprintf(stderr, "mirelo-tool: %s: %s\n", path, error.c_str());
        return false;
    }
    return true;
}

int Effect(const CommandLine& line) {
    const std::string &effectText = line.Value("--effect"), &valueText = line.Value("--value");
    const std::string &selectText = line.Value("--select"), &seedText = line.Value("--seed");
    if (effectText.empty() || valueText.empty() || line.files.size() != 2) return Usage();
    const char* files[2] = {line.files[0].c_str(), line.files[1].c_str()};
    int number = 0, value = 0;
    // The core's rules only: the colour matrices are drawn by the imaging library.
    const mirelo::EffectInfo* row = ParseNumbers(effectText, 1, &number, true) ? mirelo::FindEffect(number) : nullptr;
    if (!row || row->kind == mirelo::EffectKind::kColourMatrix) {
        std::fprintf(stderr, "mirelo-tool: unknown effect %s (0 to %d)\n", effectText.c_str(), mirelo::kPixelEffectCount - 1);
        return 1;
    }
    const mirelo::EffectInfo& info = *row;
    if (!ParseNumbers(valueText, 1, &value, true) || value < 0 || value > info.maxValue) {
        std::fprintf(stderr, "mirelo-tool: effect %d (%s): value %s out of range (0 to %d)\n", number,
                     mirelo::ToUtf8(info.name).c_str(), valueText.c_str(), info.maxValue);
        return 1;
    }
    int rectangle[4] = {0, 0, 0, 0};
    if (!selectText.empty() && (!ParseNumbers(selectText, 4, rectangle, true) || rectangle[2] < 0 || rectangle[3] < 0)) {
        std::fprintf(stderr, "mirelo-tool: bad selection %s (X,Y,W,H)\n", selectText.c_str());
        return 1;
    }
    int seed = 0;
    if (!seedText.empty() && !ParseNumbers(seedText, 1, &seed, true)) {
        std::fprintf(stderr, "mirelo-tool: bad seed %s\n", seedText.c_str());
        return 1;
    }
    InputFile input;
    mirelo::OwnedPixels stored;
    if (!OpenStoredBmp(files[0], &input, &stored)) return 1;
    if (stored.view.format != mirelo::fmt::k24RGB && mirelo::BitsPerPixel(stored.view.format) != 32) {
        std::fprintf(stderr, "mirelo-tool: %s: not a 24- or 32-bit BMP\n", files[0]);
        return 1;
    }
    const int width = stored.view.width, height = stored.view.height;
    std::vector<uint8_t> mask;
    if (!selectText.empty()) {
        mask.assign(static_cast<size_t>(width) * height, 0);
        const int64_t x0 = std::max<int64_t>(rectangle[0], 0), x1 = std::min<int64_t>(int64_t{rectangle[0]} + rectangle[2], width);
        const int64_t y0 = std::max<int64_t>(rectangle[1], 0), y1 = std::min<int64_t>(int64_t{rectangle[1]} + rectangle[3], height);
        for (int64_t y = y0; y < y1 && x0 < x1; ++y) std::memset(&mask[static_cast<size_t>(y * width + x0)], 1, static_cast<size_t>(x1 - x0));
    }
    // The file's pixels are decoded straight into the rows of the file to be written, and the
    // effect changes them there; a rule that reads the pixels around the one it writes reads
    // them from a decoded copy of their own instead.
    LargeBuffer file, apart;
    mirelo::PixelView out;
    if (!StartOutput(files[0], width, height, mirelo::fmt::k32ARGB, {}, &file, &out)) return 1;
    const bool readsAround = info.kind == mirelo::EffectKind::kNeighbourhood || info.kind == mirelo::EffectKind::kSource;
    mirelo::PixelView in = out;
    if (readsAround) {
        if (!apart.Allocate(static_cast<size_t>(width) * height * 4)) {
            std::fprintf(stderr, "mirelo-tool: %s: not enough memory\n", files[0]);
            return 1;
        }
        in = mirelo::PixelView{width, height, width * 4, mirelo::fmt::k32ARGB, apart.data()};
    }
    if (!mirelo::DecodeToBgra(stored.view, in)) {
        std::fprintf(stderr, "mirelo-tool: %s: unsupported pixel format\n", files[0]);
        return 1;
    }
    mirelo::EffectParams params;
    params.effect = number;
    params.value = value;
    params.copyFirst = readsAround;
    params.mask = mask.empty() ? nullptr : mask.data();
    params.seed = seedText.empty() ? static_cast<uint32_t>(std::time(nullptr)) : static_cast<uint32_t>(seed);
    const mirelo::OpStatus status = mirelo::ApplyEffectPixels(in, out, params);
    if (Failed("effect " + std::to_string(number), status)) return 1;
    return WriteResult(files[1], file);
}

// Moves the pixels of a BMP file exactly as stored (indices and colour table of indexed files
// kept) and writes them in the same depth.
int Rotate(const CommandLine& line) {
    int kind = 0;
    for (const std::string& kindText : line.All("--kind")) {  // each one given is checked
        if (!ParseCount(kindText, &kind) || !mirelo::IsRotateFlipKind(kind)) {
            std::fprintf(stderr, "mirelo-tool: rotate: --kind takes 1 to 5\n");
            return 1;
        }
    }
    if (kind == 0 || line.files.size() != 2) {
        std::fprintf(stderr, "mirelo-tool: rotate: usage: mirelo-tool rotate --kind K in.bmp out.bmp (K = 1..5)\n");
        return 1;
    }
    const char* files[2] = {line.files[0].c_str(), line.files[1].c_str()};
    // The pixels are moved from the file read straight into the file to be written.
    InputFile input;
    mirelo::OwnedPixels in;
    if (!OpenStoredBmp(files[0], &input, &in)) return 1;
    const bool swaps = mirelo::SwapsSides(kind);
    LargeBuffer file;
    mirelo::PixelView out;
    if (!StartOutput(files[0], swaps ? in.view.height : in.view.width, swaps ? in.view.width : in.view.height, in.view.format,
                     in.palette, &file, &out))
        return 1;
    const mirelo::OpStatus status = mirelo::RotateFlipPixels(in.view, out, {kind});
    if (!status.ok()) {
        std::fprintf(stderr, "mirelo-tool: %s: cannot move these pixels (%d)\n", files[0], status.code);
        return 1;
    }
    return WriteResult(files[1], file);
}

// Opens a 24- or 32-bit BMP file and reads its pixels as stored, a 32-bit file's fourth byte as
// their alpha; false after saying why.
bool OpenArgbBmp(const char* path, InputFile* input, mirelo::OwnedPixels* stored) {
    if (!OpenStoredBmp(path, input, stored)) return false;
    const int bits = mirelo::BitsPerPixel(stored->view.format);
    if (bits != 24 && bits != 32) {
        std::fprintf(stderr, "mirelo-tool: %s: not a 24- or 32-bit BMP\n", path);
        return false;
    }
    if (bits == 32) stored->view.format = mirelo::fmt::k32ARGB;
    return true;
}

// Those pixels as 32-bit B, G, R, A in a view of their size (a 24-bit file is opaque); false
// after saying why.
bool DecodeArgb(const char* path, const mirelo::PixelView& stored, const mirelo::PixelView& argb) {
    if (mirelo::DecodeToBgra(stored, argb)) return true;
    std::fprintf(stderr, "mirelo-tool: %s: cannot read these pixels\n", path);
    return false;
}

// The pixels of a 24- or 32-bit BMP file as 32-bit B, G, R, A in memory of their own; false
// after saying why.
bool ReadArgbBmp(const char* path, LargeBuffer* memory, mirelo::PixelView* argb) {
    InputFile input;
    mirelo::OwnedPixels stored;
    if (!OpenArgbBmp(path, &input, &stored)) return false;
    const int width = stored.view.width, height = stored.view.height;
    if (!memory->Allocate(static_cast<size_t>(width) * height * 4)) {
        std::fprintf(stderr, "mirelo-tool: %s: not enough memory\n", path);
        return false;
    }
    *argb = mirelo::PixelView{width, height, width * 4, mirelo::fmt::k32ARGB, memory->data()};
    return DecodeArgb(path, stored.view, *argb);
}

int Alpha(const CommandLine& line) {
    const std::string &sourceText = line.Value("--source"), &otherPath = line.Value("--other");
    const std::string &opText = line.Value("--op"), &valueText = line.Value("--value");
    const bool useAlpha = line.Flag("--use-alpha");
    if (sourceText.empty() == otherPath.empty() || opText.empty() || line.files.size() != 2) {
        std::fprintf(stderr,
                     "mirelo-tool: alpha: usage: mirelo-tool alpha (--source S | --other other.bmp [--use-alpha]) "
                     "--op O [--value T] in.bmp out.bmp\n");
        return 1;
    }
    const char* files[2] = {line.files[0].c_str(), line.files[1].c_str()};
    mirelo::AlphaChangeParams params;
    int source = 0;
    if (!sourceText.empty()) {
        if (!ParseCount(sourceText, &source) ||
            (source != mirelo::alpha_change::kUniform && source != mirelo::alpha_change::kInvert &&
             source != mirelo::alpha_change::kAlphaAsLuminance)) {
            std::fprintf(stderr, "mirelo-tool: alpha: --source takes 0 (uniform), 1 (inversion) or 18 (alpha as grey)\n");
            return 1;
        }
        params.source = source == mirelo::alpha_change::kUniform  ? mirelo::AlphaChangeParams::Source::Uniform
                        : source == mirelo::alpha_change::kInvert ? mirelo::AlphaChangeParams::Source::Invert
                                                                  : mirelo::AlphaChangeParams::Source::AlphaAsLuminance;
    } else {
        params.source = mirelo::AlphaChangeParams::Source::Image;
        params.useAlpha = useAlpha;
    }
    if (!ParseCount(opText, &params.operation) || params.operation >= mirelo::alpha_change::kOperationCount) {
        std::fprintf(stderr, "mirelo-tool: alpha: --op takes 0 to 5\n");
        return 1;
    }
    if (!valueText.empty() && (!ParseCount(valueText, &params.value) || params.value > 255)) {
        std::fprintf(stderr, "mirelo-tool: alpha: --value takes 0 to 255\n");
        return 1;
    }
    // The pixels are decoded straight into the rows of the file to be written and changed there.
    InputFile input;
    mirelo::OwnedPixels in;
    if (!OpenArgbBmp(files[0], &input, &in)) return 1;
    LargeBuffer otherMemory, file;
    mirelo::PixelView other, out;
    if (!otherPath.empty()) {
        if (!ReadArgbBmp(otherPath.c_str(), &otherMemory, &other)) return 1;
        params.levels = &other;
    }
    if (!StartOutput(files[0], in.view.width, in.view.height, mirelo::fmt::k32ARGB, {}, &file, &out)) return 1;
    if (!DecodeArgb(files[0], in.view, out)) return 1;
    const mirelo::OpStatus status = mirelo::ChangeAlpha(out, out, params);
    if (Failed("alpha", status)) return 1;
    return WriteResult(files[1], file);
}

bool ParseTolerance(const std::string& text, mirelo::ColourTolerance* t) {
    int v[4] = {0, 0, 0, 0};
    if (!ParseNumbers(text, 4, v)) return false;
    for (int x : v)
        if (x > 255) return false;
    *t = mirelo::ColourTolerance{v[0], v[1], v[2], v[3]};
    return true;
}

// The fill tool's click on a BMP file, as the editor does it on a 24- or 32-bit image (whose
// format is kept: no question to change it).
int Fill(const CommandLine& line) {
    const std::string &modeText = line.Value("--mode"), &atText = line.Value("--at");
    const std::string &colourText = line.Value("--colour"), &toleranceText = line.Value("--tolerance");
    if (modeText.empty() || atText.empty() || colourText.empty() || toleranceText.empty() || line.files.size() != 2) {
        std::fprintf(stderr,
                     "mirelo-tool: fill: usage: mirelo-tool fill --mode M --at X,Y --colour AARRGGBB --tolerance A,R,G,B "
                     "in.bmp out.bmp\n");
        return 1;
    }
    const char* files[2] = {line.files[0].c_str(), line.files[1].c_str()};
    int mode = 0, at[2] = {0, 0};
    if (!ParseCount(modeText, &mode) ||
        (mode != mirelo::fill_mode::kArea && mode != mirelo::fill_mode::kColour && mode != mirelo::fill_mode::kAlphaToColour)) {
        std::fprintf(stderr, "mirelo-tool: fill: --mode takes 0 (area fill), 2 (colour replacement) or 3 (alpha to colour)\n");
        return 1;
    }
    if (!ParseNumbers(atText, 2, at)) {
        std::fprintf(stderr, "mirelo-tool: fill: bad point %s (X,Y)\n", atText.c_str());
        return 1;
    }
    char* end = nullptr;
    const unsigned long colour = colourText.size() == 8 ? std::strtoul(colourText.c_str(), &end, 16) : 0;
    if (colourText.size() != 8 || !end || *end) {
        std::fprintf(stderr, "mirelo-tool: fill: bad colour %s (AARRGGBB in hexadecimal)\n", colourText.c_str());
        return 1;
    }
    mirelo::ColourTolerance tolerance;
    if (!ParseTolerance(toleranceText, &tolerance)) {
        std::fprintf(stderr, "mirelo-tool: fill: bad tolerances %s (A,R,G,B, each 0-255)\n", toleranceText.c_str());
        return 1;
    }
    InputFile input;
    mirelo::OwnedPixels in;
    if (!OpenArgbBmp(files[0], &input, &in)) return 1;
    if (at[0] >= in.view.width || at[1] >= in.view.height) {
        std::fprintf(stderr, "mirelo-tool: %s: the point %d,%d is outside the %d x %d picture\n", files[0], at[0], at[1],
                     in.view.width, in.view.height);
        return 1;
    }
    LargeBuffer file;
    mirelo::PixelView out;
    if (!StartOutput(files[0], in.view.width, in.view.height, mirelo::fmt::k32ARGB, {}, &file, &out)) return 1;
    const uint32_t argb = static_cast<uint32_t>(colour);
    const mirelo::OpStatus status =
        mode == mirelo::fill_mode::kArea
            ? mirelo::AreaFill(in.view, out, {at[0], at[1], argb, tolerance})
            : mirelo::ReplaceColour(in.view, out, {at[0], at[1], argb, tolerance, mode == mirelo::fill_mode::kAlphaToColour});
    if (Failed("fill", status)) return 1;
    return WriteResult(files[1], file);
}

// The magic wand's outline of a click on a 24- or 32-bit BMP file.
int Wand(const CommandLine& line) {
    const std::string &atText = line.Value("--at"), &toleranceText = line.Value("--tolerance");
    if (atText.empty() || toleranceText.empty() || line.files.size() != 1) {
        std::fprintf(stderr, "mirelo-tool: wand: usage: mirelo-tool wand --at X,Y --tolerance A,R,G,B [--invert] in.bmp\n");
        return 1;
    }
    const char* files[1] = {line.files[0].c_str()};
    const bool invert = line.Flag("--invert");
    mirelo::WandParams params;
    int at[2] = {0, 0};
    if (!ParseNumbers(atText, 2, at)) {
        std::fprintf(stderr, "mirelo-tool: wand: bad point %s (X,Y)\n", atText.c_str());
        return 1;
    }
    if (!ParseTolerance(toleranceText, &params.tolerance)) {
        std::fprintf(stderr, "mirelo-tool: wand: bad tolerances %s (A,R,G,B, each 0-255)\n", toleranceText.c_str());
        return 1;
    }
    params.x = at[0], params.y = at[1], params.invert = invert;
    LargeBuffer memory;
    mirelo::PixelView argb;
    if (!ReadArgbBmp(files[0], &memory, &argb)) return 1;
    if (!mirelo::WandAcceptsSize(argb.width, argb.height)) {
        std::printf("too large\n");
        return 3;
    }
    if (at[0] >= argb.width || at[1] >= argb.height) {
        std::fprintf(stderr, "mirelo-tool: %s: the point %d,%d is outside the %d x %d picture\n", files[0], at[0], at[1],
                     argb.width, argb.height);
        return 1;
    }
    std::vector<mirelo::IntPoint> vertices;
    const mirelo::OpStatus status = mirelo::FindWandOutline(argb, params, &vertices);
    if (Failed("wand", status)) return 1;
    if (vertices.size() < 3) return 0;  // the selection would be deleted
    std::string text;
    for (const mirelo::IntPoint& v : vertices) text += std::to_string(v.x) + "," + std::to_string(v.y) + "\n";
    std::fwrite(text.data(), 1, text.size(), stdout);
    return 0;
}

// How a command says that its command line is wrong.
enum class Refusal {
    kUsage,  // the usage text and exit code 2
    kNamed,  // "mirelo-tool: command: ..." naming the option, and exit code 1
    kNamedEmptyValue,  // as kNamed, but an option without its value counts as given empty: the
                       // command then says what the option takes
};

// The command table: every command's options (a value after it, or a flag) and how it refuses a
// wrong command line. Everything else on the command line is a file, in order.
struct Command {
    const char* name;
    std::vector<const char*> values, flags;
    Refusal refusal;
    int (*run)(const CommandLine&);
};

const std::vector<Command>& Commands() {
    static const std::vector<Command> kCommands = {
        {"quantize", {"--mode"}, {"--dither"}, Refusal::kUsage, Quantize},
        {"icon-info", {}, {}, Refusal::kUsage, IconInfo},
        {"icon-extract", {}, {}, Refusal::kUsage, IconExtract},
        {"icon-write", {}, {"--cursor"}, Refusal::kUsage, IconWrite},
        {"rotate", {"--kind"}, {}, Refusal::kNamedEmptyValue, Rotate},
        {"effect", {"--effect", "--value", "--select", "--seed"}, {}, Refusal::kUsage, Effect},
        {"alpha", {"--source", "--other", "--op", "--value"}, {"--use-alpha"}, Refusal::kNamed, Alpha},
        {"fill", {"--mode", "--at", "--colour", "--tolerance"}, {}, Refusal::kNamed, Fill},
        {"wand", {"--at", "--tolerance"}, {"--invert"}, Refusal::kNamed, Wand},
    };
    return kCommands;
}

bool IsOptionLike(const std::string& arg) { return arg.size() > 1 && arg[0] == '-'; }

// Reads the arguments after the command name by the command's row. An option's value is the next
// argument, whatever it looks like; any other argument that starts with "-" (and is not "-"
// alone) is an unknown option, except for a command without options, whose every argument is a
// file. False after saying why, with the exit code in *code.
bool ReadCommandLine(const Command& command, int argc, char** argv, CommandLine* line, int* code) {
    if (command.values.empty() && command.flags.empty()) {
        line->files.assign(argv + 2, argv + argc);  // without options every argument is a file
        return true;
    }
    // "unknown option X" or "X needs a value".
    auto refuse = [&](bool unknown, const std::string& option) {
        if (command.refusal == Refusal::kUsage) {
            *code = Usage();
        } else {
            if (unknown)
                std::fprintf(stderr, "mirelo-tool: %s: unknown option %s\n", command.name, option.c_str());
            else
                std::fprintf(stderr, "mirelo-tool: %s: %s needs a value\n", command.name, option.c_str());
            *code = 1;
        }
        return false;
    };
    // The forms the parser would take but the tool never has: "--" and "--option=value".
    auto isValueOption = [&](const std::string& arg) {
        return std::find_if(command.values.begin(), command.values.end(), [&](const char* v) { return arg == v; }) !=
               command.values.end();
    };
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        if (isValueOption(arg))
            ++i;
        else if (arg == "--" || (arg.compare(0, 2, "--") == 0 && arg.find('=') != std::string::npos))
            return refuse(true, arg);
    }
    CLI::App app;
    app.set_help_flag();
    app.allow_extras();
    for (const char* option : command.values)
        app.add_option_function<std::string>(option, [line, option](const std::string& v) { line->values[option].push_back(v); })
            ->trigger_on_parse();
    for (const char* flag : command.flags)
        app.add_flag_callback(flag, [line, flag] { line->flags.insert(flag); })->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    app.add_option("files", line->files);
    try {
        app.parse(argc - 1, argv + 1);  // the command name stands where a program name would
    } catch (const CLI::ArgumentMismatch&) {
        // Every option takes the argument after it, so only the last one can lack its value.
        if (command.refusal != Refusal::kNamedEmptyValue) return refuse(false, argv[argc - 1]);
        line->values[argv[argc - 1]].push_back("");
    } catch (const CLI::ParseError&) {
        return refuse(true, argv[argc - 1]);
    }
    for (const std::string& extra : app.remaining())
        if (IsOptionLike(extra)) return refuse(true, extra);
    for (const std::string& file : line->files)
        if (IsOptionLike(file)) return refuse(true, file);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return Usage();
    for (const Command& command : Commands()) {
        if (std::strcmp(argv[1], command.name) != 0) continue;
        CommandLine line;
        int code = 0;
        if (!ReadCommandLine(command, argc, argv, &line, &code)) return code;
        return command.run(line);
    }
    return Usage();
}
