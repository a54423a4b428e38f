#include "image/file_format.h"

namespace mirelo {

namespace {
char16_t Lower(char16_t c) { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c; }

bool EqualsNoCase(TextView a, TextView b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}
}  // namespace

TextView RawFormatText(RawFormat format) {
    switch (format) {
    case RawFormat::Bmp: return u"BMP";
    case RawFormat::Emf: return u"EMF";
    case RawFormat::Exif: return u"EXIF";
    case RawFormat::Gif: return u"GIF";
    case RawFormat::Icon: return u"ICON";
    case RawFormat::Jpeg: return u"JPEG";
    case RawFormat::Png: return u"PNG";
    case RawFormat::Tiff: return u"TIFF";
    case RawFormat::Wmf: return u"WMF";
    case RawFormat::MemoryBmp: return u"MemoryBMP";
    default: return u"-";
    }
}

int FileTypeCodeOf(RawFormat format) {
    switch (format) {
    case RawFormat::Bmp: return 1;
    case RawFormat::Gif: return 2;
    case RawFormat::Icon: return 3;
    case RawFormat::Jpeg: return 4;
    case RawFormat::Png: return 5;
    case RawFormat::Tiff: return 6;
    default: return -1;
    }
}

bool IsMemoryImageName(TextView rawFormatName) { return EqualsNoCase(rawFormatName, u"MemoryBMP"); }

EncoderChoice EncoderMimeForExtension(TextView ext) {
    if (EqualsNoCase(ext, u"bmp")) return {u"image/bmp", false};
    if (EqualsNoCase(ext, u"gif")) return {u"image/gif", false};
    if (EqualsNoCase(ext, u"jpg") || EqualsNoCase(ext, u"jpeg")) return {u"image/jpeg", false};
    if (EqualsNoCase(ext, u"png")) return {u"image/png", false};
    if (EqualsNoCase(ext, u"tif") || EqualsNoCase(ext, u"tiff")) return {u"image/tiff", false};
    return {u"image/bmp", true};
}

}  // namespace mirelo
