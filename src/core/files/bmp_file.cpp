#include "files/bmp_file.h"

#include <cstring>
#include <limits>

#include "clipboard/dib.h"
#include "common/bytes.h"
#include "image/convert.h"

namespace mirelo {

void OwnedPixels::Allocate(int width, int height, PixelFormat format) {
    int stride = static_cast<int>(DwordStride(width, BitsPerPixel(format)));
    bytes.assign(static_cast<size_t>(stride) * static_cast<size_t>(height), 0);
    view = PixelView{width, height, stride, format, bytes.data()};
    view.palette = palette.empty() ? nullptr : palette.data();
    view.paletteCount = static_cast<int>(palette.size());
}

namespace {
constexpr size_t kFileHeader = 14;

// Checks the file header and the DIB after it; the layout's headerLength is where the pixel
// data starts, which may be where the file header says rather than right after the table.
bool ReadBmpLayout(const uint8_t* file, size_t size, DibLayout* layout, std::string* error) {
    if (size < kFileHeader + 40 || file[0] != 'B' || file[1] != 'M') {
        *error = "not a BMP file";
        return false;
    }
    const size_t dibSize = size - kFileHeader;
    if (!ReadDib(file + kFileHeader, dibSize, layout)) {
        *error = "unsupported or damaged BMP (truncated data, compression or sizes out of range)";
        return false;
    }
    uint32_t offset = Get32(file + 10);
    if (offset >= kFileHeader + layout->headerLength && offset - kFileHeader + layout->bitsLength <= dibSize)
        layout->headerLength = offset - kFileHeader;
    if (layout->width > 65535 || layout->height > 65535) {
        *error = "picture too large";
        return false;
    }
    return true;
}

// The rows where they lie in the file's bytes, top row first.
PixelView RowsInFile(const uint8_t* file, const DibLayout& layout) {
    uint8_t* bits = const_cast<uint8_t*>(file) + kFileHeader + layout.headerLength;
    const intptr_t rowBytes = static_cast<intptr_t>(layout.rowBytes);
    return PixelView{layout.width, layout.height, static_cast<int>(layout.topDown ? rowBytes : -rowBytes), layout.format,
                     layout.topDown ? bits : bits + (layout.height - 1) * rowBytes};
}
}  // namespace

bool ReadBmp(const std::vector<uint8_t>& file, OwnedPixels* out, PixelFormat* fileFormat, std::string* error) {
    return ReadBmp(file.data(), file.size(), out, fileFormat, error);
}

bool ReadBmpStored(const uint8_t* file, size_t size, OwnedPixels* out, std::string* error) {
    DibLayout layout;
    if (!ReadBmpLayout(file, size, &layout, error)) return false;
    out->palette = layout.palette;
    if (layout.throughMasks) {
        out->Allocate(layout.width, layout.height, layout.format);
        if (!CopyDibRows(file + kFileHeader, layout, out->view)) {
            *error = "damaged BMP rows";
            return false;
        }
        return true;
    }
    out->bytes.clear();
    out->view = RowsInFile(file, layout);
    out->view.palette = out->palette.empty() ? nullptr : out->palette.data();
    out->view.paletteCount = static_cast<int>(out->palette.size());
    return true;
}

bool ReadBmpStored(std::vector<uint8_t> file, OwnedPixels* out, std::string* error) {
    if (!ReadBmpStored(file.data(), file.size(), out, error)) return false;
    if (out->bytes.empty()) out->bytes = std::move(file);  // the view's rows move with the buffer
    return true;
}

bool ReadBmp(const uint8_t* file, size_t size, OwnedPixels* out, PixelFormat* fileFormat, std::string* error) {
    DibLayout layout;
    if (!ReadBmpLayout(file, size, &layout, error)) return false;
    const uint8_t* dibBlock = file + kFileHeader;
    OwnedPixels stored;
    PixelView source;
    if (layout.throughMasks) {
        stored.Allocate(layout.width, layout.height, layout.format);
        if (!CopyDibRows(dibBlock, layout, stored.view)) {
            *error = "damaged BMP rows";
            return false;
        }
        source = stored.view;
    } else {
        source = RowsInFile(file, layout);
        source.palette = layout.palette.empty() ? nullptr : layout.palette.data();
        source.paletteCount = static_cast<int>(layout.palette.size());
    }
    *fileFormat = layout.format;
    // A 32-bit file's fourth byte is its alpha, unless it is 0 in every pixel (a file that never
    // stored alpha there is opaque), as the decoding of 32-R8G8B8 pixels has it.
    std::vector<uint8_t> bgra;
    if (!DecodeToBgra(source, bgra)) {
        *error = "unsupported pixel format";
        return false;
    }
    // Rows of 32-bit pixels need no padding, so the buffer is the picture itself.
    out->palette.clear();
    out->bytes = std::move(bgra);
    out->view = PixelView{layout.width, layout.height, layout.width * 4, fmt::k32ARGB, out->bytes.data()};
    return true;
}

namespace {
void PutFileHeader(uint8_t* file, size_t size, size_t headerLength) {
    file[0] = 'B';
    file[1] = 'M';
    Put32(file + 2, static_cast<uint32_t>(size));
    std::memset(file + 6, 0, 4);  // reserved
    Put32(file + 10, static_cast<uint32_t>(kFileHeader + headerLength));
}
}  // namespace

bool WriteBmp(const PixelView& view, std::vector<uint8_t>* file) {
    DibImage image;
    if (!BuildDib(view, &image, kFileHeader)) return false;
    PutFileHeader(image.bytes.data(), image.bytes.size(), image.headerLength);
    *file = std::move(image.bytes);
    return true;
}

size_t BmpFileSize(int width, int height, PixelFormat format) {
    size_t headerLength = 0, bitsLength = 0;
    if (!DibLengths(width, height, format, &headerLength, &bitsLength)) return 0;
    const size_t size = kFileHeader + headerLength + bitsLength;
    return size <= std::numeric_limits<uint32_t>::max() ? size : 0;  // the file header's size field is 32 bits
}

bool StartBmp(uint8_t* file, size_t size, int width, int height, PixelFormat format, const std::vector<uint32_t>& palette,
              PixelView* rows) {
    size_t headerLength = 0, bitsLength = 0;
    if (!file || size == 0 || size != BmpFileSize(width, height, format) ||
        !DibLengths(width, height, format, &headerLength, &bitsLength))
        return false;
    PutFileHeader(file, size, headerLength);
    PutDibHeader(file + kFileHeader, width, height, format, palette.data(), static_cast<int>(palette.size()));
    const int bits = BitsPerPixel(format);
    const size_t stride = static_cast<size_t>(DwordStride(width, bits));
    uint8_t* bits0 = file + kFileHeader + headerLength;
    *rows = PixelView{width, height, -static_cast<int>(stride), format, bits0 + stride * static_cast<size_t>(height - 1)};
    // Only the bytes after a row's whole pixels are cleared: a partly used last byte and the padding.
    const size_t whole = static_cast<size_t>(static_cast<uint64_t>(width) * static_cast<uint64_t>(bits) / 8);
    if (whole < stride)
        for (int y = 0; y < height; ++y) std::memset(bits0 + static_cast<size_t>(y) * stride + whole, 0, stride - whole);
    return true;
}

bool StartBmp(int width, int height, PixelFormat format, const std::vector<uint32_t>& palette, std::vector<uint8_t>* file,
              PixelView* rows) {
    const size_t size = BmpFileSize(width, height, format);
    if (size == 0) return false;
    file->assign(size, 0);
    return StartBmp(file->data(), size, width, height, format, palette, rows);
}

}  // namespace mirelo
