#include "files/file_names.h"

#include <cstdint>

namespace mirelo {

namespace {
char16_t Lower(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; }

bool EqualsIgnoringCase(TextView a, TextView b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

// Position of the extension's dot: the last "." after the last folder separator.
size_t DotOf(TextView name) {
    size_t dot = name.find_last_of(u'.');
    size_t slash = name.find_last_of(u"\\/");
    if (dot == TextView::npos || (slash != TextView::npos && dot < slash)) return TextView::npos;
    return dot;
}

const SaveTypeInfo kSaveTypes[save_type::kCount] = {
    {u"ビットマップ (*.bmp)", u"*.bmp", u"bmp"},
    {u"GIF (*.gif)", u"*.gif", u"gif"},
    {u"ICON (*.ico); CURSOR (*.cur)", u"*.ico;*.cur", u"ico"},
    {u"JPEG (*.jpg)", u"*.jpg;*.jpeg", u"jpg"},
    {u"PNG (*.png)", u"*.png", u"png"},
    {u"TIFF (*.tif)", u"*.tif;*.tiff", u"tif"},
};
}  // namespace

OpenKind ClassifyOpenPath(TextView path) {
    size_t dot = path.find_last_of(u'.');
    if (dot == TextView::npos) return OpenKind::Picture;
    TextView ext = path.substr(dot + 1);
    if (EqualsIgnoringCase(ext, u"ico") || EqualsIgnoringCase(ext, u"cur")) return OpenKind::Icon;
    if (EqualsIgnoringCase(ext, u"wmf") || EqualsIgnoringCase(ext, u"emf")) return OpenKind::Metafile;
    return OpenKind::Picture;
}

Text FileTitle(TextView path) {
    size_t slash = path.find_last_of(u"\\/");
    return Text(slash == TextView::npos ? path : path.substr(slash + 1));
}

std::vector<Text> SplitOpenDialogResult(const char16_t* buffer, size_t length) {
    std::vector<Text> parts;
    size_t i = 0;
    while (i < length && buffer[i]) {
        size_t start = i;
        while (i < length && buffer[i]) ++i;
        if (i >= length) return {};  // not terminated inside the buffer
        parts.emplace_back(buffer + start, i - start);
        ++i;
    }
    if (i >= length) return {};  // the list's closing empty string is missing
    if (parts.size() <= 1) return parts;
    std::vector<Text> paths;
    const Text& folder = parts[0];
    for (size_t k = 1; k < parts.size(); ++k) {
        Text p = folder;
        if (p.empty() || (p.back() != u'\\' && p.back() != u'/')) p += u'\\';
        p += parts[k];
        paths.push_back(std::move(p));
    }
    return paths;
}

const std::vector<Text>& OpenDialogFilter() {
    static const std::vector<Text> filter = {
        u"画像ファイル (*.bmp; gif; jpg; png; tif; ico; wmf; emf)",
        u"*.bmp;*.dib;*.rle;*.gif;*.jpg;*.jpeg;*.jpe;*.jfif;*.png;*.tif;*.ico;*.cur;*.wmf;*.emf",
        u"ビットマップ (*.bmp; dib; rle)", u"*.bmp;*.dib;*.rle",
        u"JPEG (*.jpg; jpeg; jpe; jfif)", u"*.jpg;*.jpeg;*.jpe;*.jfif",
        u"GIF (*.gif)", u"*.gif",
        u"PNG (*.png)", u"*.png",
        u"TIFF (*.tif; tiff)", u"*.tif;*.tiff",
        u"ICON (*.ico); CURSOR (*.cur)", u"*.ico;*.cur",
        u"EMF (*.emf)", u"*.emf",
        u"WMF (*.wmf)", u"*.wmf",
        u"すべてのファイル (*.*)", u"*.*",
    };
    return filter;
}

const SaveTypeInfo* SaveType(int position) {
    return position >= 1 && position <= save_type::kCount ? &kSaveTypes[position - 1] : nullptr;
}

Text SaveDialogFilter() {
    Text filter;
    for (const SaveTypeInfo& t : kSaveTypes) {
        filter += t.description;
        filter += u'\0';
        filter += t.patterns;
        filter += u'\0';
    }
    filter += u'\0';
    return filter;
}

Text ReplaceExtension(TextView name, TextView extension) {
    if (name.empty()) return Text();
    size_t dot = DotOf(name);
    Text out(dot == TextView::npos ? name : name.substr(0, dot));
    out += u'.';
    out += extension;
    return out;
}

Text WithDefaultExtension(TextView name, TextView extension) {
    Text out(name);
    if (DotOf(name) == TextView::npos) {
        out += u'.';
        out += extension;
    }
    return out;
}

bool HasAnyExtension(TextView name) { return DotOf(name) != TextView::npos; }

bool HasExtension(TextView name, TextView extension) {
    size_t dot = DotOf(name);
    return dot != TextView::npos && EqualsIgnoringCase(name.substr(dot + 1), extension);
}

int SaveColourDepth(int bitsPerPixel) { return bitsPerPixel == 16 || bitsPerPixel > 32 ? 32 : bitsPerPixel; }

unsigned EditablePropertyMask(int saveType) {
    switch (saveType) {
    case save_type::kGif: return 0b1000;
    case save_type::kJpeg:
    case save_type::kTiff: return 0b0111;
    case save_type::kPng: return 0b1111;
    default: return 0;
    }
}

void ProposeMetafileSize(int width, int height, int* proposedWidth, int* proposedHeight) {
    if (width <= 0 || height <= 0) {
        *proposedWidth = *proposedHeight = 0;
        return;
    }
    if (height < width) {
        *proposedWidth = 256;
        *proposedHeight = static_cast<int>(int64_t{height} * 256 / width);
    } else {
        *proposedWidth = static_cast<int>(int64_t{width} * 256 / height);
        *proposedHeight = 256;
    }
}

int KeepAspect(int otherProposed, int typed, int thisProposed) {
    if (thisProposed == 0) return 0;
    return static_cast<int>(static_cast<double>(otherProposed) * (static_cast<double>(typed) / thisProposed));
}

}  // namespace mirelo
