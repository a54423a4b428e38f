#include "app/command_line.h"

#include <cstring>

namespace mirelo {

TextView ArgumentsAfterProgram(TextView line) {
    size_t i = 0;
    if (!line.empty() && line[0] == u'"') {
        size_t close = line.find(u'"', 1);
        i = close == TextView::npos ? line.size() : close + 1;
    } else {
        while (i < line.size() && line[i] != u' ' && line[i] != u'\t') ++i;
    }
    while (i < line.size() && (line[i] == u' ' || line[i] == u'\t')) ++i;
    return line.substr(i);
}

bool ReadHandOverBlock(const void* data, size_t bytes, Text* text) {
    if (!data || bytes < sizeof(char16_t) || bytes % sizeof(char16_t) != 0) return false;
    size_t count = bytes / sizeof(char16_t);
    std::u16string copy(count, u'\0');
    std::memcpy(copy.data(), data, bytes);  // the block may be unaligned
    size_t end = copy.find(u'\0');
    if (end == std::u16string::npos) return false;
    copy.resize(end);
    *text = std::move(copy);
    return true;
}

std::vector<Text> SplitHandOver(TextView t) {
    std::vector<Text> paths;
    while (paths.size() < kMaxHandedOverPaths) {
        if (!t.empty() && t.back() == u'"') {
            size_t open = t.size() >= 2 ? t.rfind(u'"', t.size() - 2) : TextView::npos;
            if (open == TextView::npos) {  // an unmatched quote: the rest is one path
                paths.emplace_back(t.substr(0, t.size() - 1));
                break;
            }
            paths.emplace_back(t.substr(open + 1, t.size() - open - 2));
            size_t cut = open;
            if (cut > 0 && t[cut - 1] == u' ') --cut;
            t = t.substr(0, cut);
            if (t.empty()) break;
        } else {
            size_t space = t.rfind(u' ');
            if (space == TextView::npos) {
                paths.emplace_back(t);
                break;
            }
            paths.emplace_back(t.substr(space + 1));
            t = t.substr(0, space);
        }
    }
    return paths;
}

std::vector<Text> PathsToOpen(const std::vector<Text>& split) {
    std::vector<Text> out;
    if (split.empty() || split.front().empty()) return out;
    for (const auto& p : split)
        if (!p.empty()) out.push_back(p);
    return out;
}

}  // namespace mirelo
