// Fuzzes the reading of stored settings: the input is cut into values (name length, name,
// kind, data length, data), read, written and read again; the second reading must equal the first.
#include <cstddef>
#include <cstdint>

#include "app/user_settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace mirelo;
    static const char16_t* const kNames[] = {u"WindowX", u"WindowY", u"WindowWidth", u"WindowHeight", u"WindowMaximised",
                                             u"Recent0", u"Recent1", u"Recent9", u"GridX", u"GridOffsetY", u"Dither",
                                             u"Checkerboard", u"JpegQuality", u"OpenFolder", u"SaveFolder", u"CustomColours"};
    std::vector<SettingValue> values;
    size_t at = 0;
    while (at + 3 <= size) {
        SettingValue v;
        v.name = kNames[data[at] % (sizeof kNames / sizeof kNames[0])];
        v.kind = data[at + 1] % 5;
        const size_t n = std::min<size_t>(data[at + 2], size - at - 3);
        v.data.assign(data + at + 3, data + at + 3 + n);
        values.push_back(std::move(v));
        at += 3 + n;
    }
    const UserSettings first = ReadUserSettings(values);
    const UserSettings second = ReadUserSettings(WriteUserSettings(first));
    if (second.recent.items() != first.recent.items() || second.jpegQuality != first.jpegQuality ||
        second.window.set != first.window.set || second.openFolder != first.openFolder ||
        second.customColours != first.customColours || second.gridX != first.gridX)
        __builtin_trap();
    return 0;
}
