#include "image/slot_rules.h"

#include <cmath>

#include "image/file_format.h"

namespace mirelo {

PathParts SplitPath(TextView path) {
    size_t cut = path.rfind(u'\\');
    if (cut == TextView::npos) return {Text(path), Text()};
    return {Text(path.substr(cut + 1)), Text(path.substr(0, cut))};
}

int FirstFreeSlot(int size, const std::function<bool(int)>& isOccupied) {
    for (int i = 0; i < size; ++i)
        if (!isOccupied(i)) return i;
    return -1;
}

Text NextNewImageName(int size, const std::function<bool(int)>& isOccupied,
                      const std::function<TextView(int)>& pathOf) {
    Text name;
    for (int n = 1; n <= kMaxImages + 1; ++n) {
        name = u"new" + ToText(n);
        bool taken = false;
        for (int i = 0; i < size && !taken; ++i)
            taken = isOccupied(i) && pathOf(i) == TextView(name);
        if (!taken) return name;
    }
    return name;
}

int CompactAfterClose(int closed, int size, const std::function<bool(int)>& isOccupied,
                      const std::function<void(int, int)>& move, const std::function<void(int)>& clear) {
    for (int d = closed; d < size; ++d) {
        if (d == size - 1 || !isOccupied(d + 1)) {
            clear(d);
            return d;
        }
        move(d + 1, d);
    }
    return -1;
}

int CurrentAfterClose(int closed, int remaining) {
    if (remaining <= 0) return -1;
    return closed < remaining ? closed : remaining - 1;
}

int ImageSelectItemId(int slot, int count) { return kImageSelectFirstId + (count - 1 - slot); }

int SlotFromImageSelectItem(int id, int count) { return count - 1 - (id - kImageSelectFirstId); }

int RoundDpi(double dpi) { return static_cast<int>(dpi + 0.5); }

int64_t MemoryByteSize(int width, int height, PixelFormat format) {
    return DwordStride(width, BitsPerPixel(format)) * height;
}

StatusLine BuildStatusLine(const StatusLineInput& in) {
    StatusLine out;
    PathParts parts = SplitPath(in.path);
    const Text sep = u"   ";
    Text alpha = in.hasAlpha ? Text(u"透明可") : Text();
    Text t = parts.name + sep + in.rawFormatName + sep + Text(PixelFormatNameOf(in.pixelFormat)) + sep +
             ToText(in.width) + u"px x " + ToText(in.height) + u"px" + sep + ToText(in.dpiX) + u"dpi x " +
             ToText(in.dpiY) + u"dpi" + sep;
    if (!IsMemoryImageName(in.rawFormatName)) {
        t += alpha + sep + parts.folder;
    } else {
        out.memoryByteSize = MemoryByteSize(in.width, in.height, in.pixelFormat);
        t += ToText(out.memoryByteSize >> 10) + u".0KB" + sep + alpha + sep + parts.folder;
    }
    if (t.size() > kStatusLineLimit) t.resize(kStatusLineLimit);
    out.text = std::move(t);
    return out;
}

}  // namespace mirelo
