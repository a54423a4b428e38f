// Container formats of loaded images and the encoder choice by file extension.
#pragma once
#include <string_view>

#include "common/text.h"

namespace mirelo {

// Container formats in the order in which a loaded image's raw format is compared.
enum class RawFormat { Bmp, Emf, Exif, Gif, Icon, Jpeg, Png, Tiff, Wmf, MemoryBmp, Undefined };

// "BMP" … "MemoryBMP"; "-" for an undefined or unknown format.
TextView RawFormatText(RawFormat format);

// File type code: BMP 1, GIF 2, ICON 3, JPEG 4, PNG 5, TIFF 6, anything else −1.
int FileTypeCodeOf(RawFormat format);

// True when a raw-format name marks an image made in memory ("MemoryBMP", any case).
bool IsMemoryImageName(TextView rawFormatName);

struct EncoderChoice {
    const char16_t* mime;
    bool warnUnknownExtension;  // the extension was not recognised: BMP is used after a warning
};

// Compares the extension (without the dot) without regard to case.
EncoderChoice EncoderMimeForExtension(TextView extension);

}  // namespace mirelo
