#include "image/slot_rules.h"

#include <cmath>

namespace mirelo {

ToolSettings DefaultToolSettings() {
    ToolSettings s{};
    // All 0 except: the selection's overlap and inversion (1, 2), the shape's line width and
    // smoothing (4, 5), the outline width (10), the fill's overlap (20) and option 53 = 1; the
    // start and sweep angles (16, 17) = 90 degrees; 27 = 22; 32 and 54 = 4; the width and height
    // scales of a transform (58, 59) = index 99, a factor of 1.00.
    for (int option : {1, 2, 4, 5, 10, 20, 53}) s[static_cast<size_t>(option)] = 1;
    s[16] = s[17] = 90;
    s[27] = 22;
    s[32] = 4;
    s[54] = 4;
    s[58] = s[59] = 99;
    return s;
}

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

StatusLine BuildStatusLine(const StatusLineInput& in) {
    StatusLine out;
    PathParts parts = SplitPath(in.path);
    const Text sep = u"   ";
    Text alpha = in.hasAlpha ? Text(u"透明可") : Text();
    Text t = parts.name + sep + in.rawFormatName + sep + Text(PixelFormatNameOf(in.pixelFormat)) + sep +
             ToText(in.width) + u"px x " + ToText(in.height) + u"px" + sep + ToText(in.dpiX) + u"dpi x " +
             ToText(in.dpiY) + u"dpi" + sep;
    if (in.rawFormatName != u"MemoryBMP") {
        t += alpha + sep + parts.folder;
    } else {
        out.memoryByteSize = DwordStride(in.width, BitsPerPixel(in.pixelFormat)) * in.height;
        t += ToText(out.memoryByteSize >> 10) + u".0KB" + sep + alpha + sep + parts.folder;
    }
    if (t.size() > kStatusLineLimit) t.resize(kStatusLineLimit);
    out.text = std::move(t);
    return out;
}

}  // namespace mirelo
