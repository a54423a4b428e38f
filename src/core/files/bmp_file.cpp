#include "files/bmp_file.h"

#include <cstring>

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
}  // namespace

bool ReadBmp(const std::vector<uint8_t>& file, OwnedPixels* out, PixelFormat* fileFormat, std::string* error) {
    return ReadBmp(file.data(), file.size(), out, fileFormat, error);
}

bool ReadBmpStored(const std::vector<uint8_t>& file, OwnedPixels* out, std::string* error) {
    DibLayout layout;
    if (!ReadBmpLayout(file.data(), file.size(), &layout, error)) return false;
    out->palette = layout.palette;
    out->Allocate(layout.width, layout.height, layout.format);
    if (!CopyDibRows(file.data() + kFileHeader, layout, out->view)) {
        *error = "damaged BMP rows";
        return false;
    }
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
        // The rows are read where they lie in the file, top row first.
        const uint8_t* bits = dibBlock + layout.headerLength;
        const intptr_t rowBytes = static_cast<intptr_t>(layout.rowBytes);
        source.width = layout.width;
        source.height = layout.height;
        source.format = layout.format;
        source.stride = static_cast<int>(layout.topDown ? rowBytes : -rowBytes);
        source.scan0 = const_cast<uint8_t*>(layout.topDown ? bits : bits + (layout.height - 1) * rowBytes);
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

bool WriteBmp(const PixelView& view, std::vector<uint8_t>* file) {
    DibImage image;
    if (!BuildDib(view, &image)) return false;
    file->assign(kFileHeader, 0);
    (*file)[0] = 'B';
    (*file)[1] = 'M';
    Put32(file->data() + 2, static_cast<uint32_t>(kFileHeader + image.bytes.size()));
    Put32(file->data() + 10, static_cast<uint32_t>(kFileHeader + image.headerLength));
    file->insert(file->end(), image.bytes.begin(), image.bytes.end());
    return true;
}

}  // namespace mirelo
