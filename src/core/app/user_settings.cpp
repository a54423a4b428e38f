#include "app/user_settings.h"

#include <algorithm>
#include <optional>

namespace mirelo {

namespace {
char16_t Lower(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; }

bool SamePath(TextView a, TextView b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char16_t x, char16_t y) { return Lower(x) == Lower(y); });
}

constexpr size_t kMaxPathChars = 32767;
constexpr int kMaxGrid = 100000;

const SettingValue* Find(const std::vector<SettingValue>& values, TextView name) {
    for (const SettingValue& v : values)
        if (SamePath(v.name, name)) return &v;
    return nullptr;
}

std::optional<int32_t> Number(const std::vector<SettingValue>& values, TextView name) {
    const SettingValue* v = Find(values, name);
    if (!v || v->kind != kSettingNumber || v->data.size() != 4) return std::nullopt;
    const uint32_t u = static_cast<uint32_t>(v->data[0]) | static_cast<uint32_t>(v->data[1]) << 8 |
                       static_cast<uint32_t>(v->data[2]) << 16 | static_cast<uint32_t>(v->data[3]) << 24;
    return static_cast<int32_t>(u);
}

void ReadInt(const std::vector<SettingValue>& values, TextView name, int lo, int hi, int* out) {
    if (auto n = Number(values, name); n && *n >= lo && *n <= hi) *out = *n;
}

void ReadBool(const std::vector<SettingValue>& values, TextView name, bool* out) {
    if (auto n = Number(values, name); n && (*n == 0 || *n == 1)) *out = *n == 1;
}

// A text value: UTF-16LE, ending at its first NUL (or at its end); no control characters.
std::optional<Text> TextValue(const std::vector<SettingValue>& values, TextView name) {
    const SettingValue* v = Find(values, name);
    if (!v || v->kind != kSettingText || v->data.size() % 2 != 0) return std::nullopt;
    Text t;
    for (size_t i = 0; i + 1 < v->data.size(); i += 2) {
        const char16_t c = static_cast<char16_t>(v->data[i] | v->data[i + 1] << 8);
        if (c == 0) break;
        if (c < 0x20) return std::nullopt;
        t.push_back(c);
    }
    if (t.empty() || t.size() > kMaxPathChars) return std::nullopt;
    return t;
}

SettingValue MakeNumber(TextView name, int32_t n) {
    const uint32_t u = static_cast<uint32_t>(n);
    return {Text(name), kSettingNumber, {static_cast<uint8_t>(u), static_cast<uint8_t>(u >> 8), static_cast<uint8_t>(u >> 16), static_cast<uint8_t>(u >> 24)}};
}

SettingValue MakeText(TextView name, TextView text) {
    SettingValue v{Text(name), kSettingText, {}};
    for (char16_t c : text) {
        v.data.push_back(static_cast<uint8_t>(c));
        v.data.push_back(static_cast<uint8_t>(c >> 8));
    }
    v.data.push_back(0);
    v.data.push_back(0);
    return v;
}

Text RecentName(size_t i) { return u"Recent" + ToText(static_cast<long long>(i)); }
}  // namespace

void RecentFiles::Add(TextView path) {
    if (path.empty() || path.size() > kMaxPathChars) return;
    Remove(path);
    items_.insert(items_.begin(), Text(path));
    if (items_.size() > kCount) items_.resize(kCount);
}

bool RecentFiles::Remove(TextView path) {
    const auto it = std::find_if(items_.begin(), items_.end(), [&](const Text& t) { return SamePath(t, path); });
    if (it == items_.end()) return false;
    items_.erase(it);
    return true;
}

Text RecentFileMenuText(size_t index, TextView path) {
    Text t = u"&";
    t.push_back(static_cast<char16_t>(u'0' + (index + 1) % 10));
    t.push_back(u' ');
    for (char16_t c : path) {
        t.push_back(c);
        if (c == u'&') t.push_back(u'&');
    }
    return t;
}

UserSettings ReadUserSettings(const std::vector<SettingValue>& values) {
    UserSettings s;
    WindowPlace w;
    int maximised = 0;
    if (auto x = Number(values, u"WindowX"), y = Number(values, u"WindowY"), cx = Number(values, u"WindowWidth"),
        cy = Number(values, u"WindowHeight");
        x && y && cx && cy && *x > -100000 && *x < 100000 && *y > -100000 && *y < 100000 && *cx >= 250 && *cx <= 100000 &&
        *cy >= 250 && *cy <= 100000) {
        w = WindowPlace{true, *x, *y, *cx, *cy, false};
        ReadInt(values, u"WindowMaximised", 0, 1, &maximised);
        w.maximised = maximised == 1;
        s.window = w;
    }
    // Recent files, newest first; gaps and damaged entries are skipped.
    std::vector<Text> recent;
    for (size_t i = 0; i < RecentFiles::kCount; ++i)
        if (auto t = TextValue(values, RecentName(i))) recent.push_back(*t);
    for (auto it = recent.rbegin(); it != recent.rend(); ++it) s.recent.Add(*it);
    ReadInt(values, u"GridX", 0, kMaxGrid, &s.gridX);
    ReadInt(values, u"GridY", 0, kMaxGrid, &s.gridY);
    ReadInt(values, u"GridOffsetX", 0, kMaxGrid, &s.gridOffsetX);
    ReadInt(values, u"GridOffsetY", 0, kMaxGrid, &s.gridOffsetY);
    ReadBool(values, u"CursorCoordinates", &s.cursorCoords);
    ReadBool(values, u"Checkerboard", &s.checkerboard);
    ReadBool(values, u"Dither", &s.dither);
    ReadInt(values, u"JpegQuality", 0, 100, &s.jpegQuality);
    if (auto t = TextValue(values, u"OpenFolder")) s.openFolder = *t;
    if (auto t = TextValue(values, u"SaveFolder")) s.saveFolder = *t;
    if (const SettingValue* v = Find(values, u"CustomColours"); v && v->kind == kSettingBinary && v->data.size() == 64) {
        for (size_t i = 0; i < 16; ++i)
            s.customColours[i] = static_cast<uint32_t>(v->data[i * 4]) | static_cast<uint32_t>(v->data[i * 4 + 1]) << 8 |
                                 static_cast<uint32_t>(v->data[i * 4 + 2]) << 16 | static_cast<uint32_t>(v->data[i * 4 + 3]) << 24;
        s.coloursSet = true;
    }
    return s;
}

std::vector<SettingValue> WriteUserSettings(const UserSettings& s) {
    std::vector<SettingValue> out;
    if (s.window.set) {
        out.push_back(MakeNumber(u"WindowX", s.window.x));
        out.push_back(MakeNumber(u"WindowY", s.window.y));
        out.push_back(MakeNumber(u"WindowWidth", s.window.width));
        out.push_back(MakeNumber(u"WindowHeight", s.window.height));
        out.push_back(MakeNumber(u"WindowMaximised", s.window.maximised ? 1 : 0));
    }
    const auto& recent = s.recent.items();
    for (size_t i = 0; i < recent.size(); ++i) out.push_back(MakeText(RecentName(i), recent[i]));
    out.push_back(MakeNumber(u"GridX", s.gridX));
    out.push_back(MakeNumber(u"GridY", s.gridY));
    out.push_back(MakeNumber(u"GridOffsetX", s.gridOffsetX));
    out.push_back(MakeNumber(u"GridOffsetY", s.gridOffsetY));
    out.push_back(MakeNumber(u"CursorCoordinates", s.cursorCoords ? 1 : 0));
    out.push_back(MakeNumber(u"Checkerboard", s.checkerboard ? 1 : 0));
    out.push_back(MakeNumber(u"Dither", s.dither ? 1 : 0));
    out.push_back(MakeNumber(u"JpegQuality", s.jpegQuality));
    if (!s.openFolder.empty()) out.push_back(MakeText(u"OpenFolder", s.openFolder));
    if (!s.saveFolder.empty()) out.push_back(MakeText(u"SaveFolder", s.saveFolder));
    if (s.coloursSet) {
        SettingValue v{u"CustomColours", kSettingBinary, {}};
        for (uint32_t c : s.customColours)
            for (int b = 0; b < 4; ++b) v.data.push_back(static_cast<uint8_t>(c >> (8 * b)));
        out.push_back(std::move(v));
    }
    return out;
}

WindowPlace VisiblePlace(const WindowPlace& stored, const std::vector<ScreenRect>& screens, const WindowPlace& fallback) {
    if (!stored.set || screens.empty()) return fallback;
    WindowPlace p = stored;
    int maxW = 0, maxH = 0;
    for (const ScreenRect& r : screens) {
        maxW = std::max(maxW, r.right - r.left);
        maxH = std::max(maxH, r.bottom - r.top);
    }
    p.width = std::min(p.width, std::max(maxW, 250));
    p.height = std::min(p.height, std::max(maxH, 250));
    // The title bar must be reachable: its whole height, and 100 pixels of its width left of the
    // window buttons, on one screen.
    for (const ScreenRect& r : screens) {
        const int overlap = std::min(p.x + p.width - 100, r.right) - std::max(p.x, r.left);
        if (overlap >= 100 && p.y >= r.top && p.y + 25 <= r.bottom) return p;
    }
    return fallback;
}

}  // namespace mirelo
