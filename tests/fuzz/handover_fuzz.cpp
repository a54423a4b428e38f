// Fuzzes the checks and the split of the command line a second start hands over.
#include <cstddef>
#include <cstdint>

#include "app/command_line.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    mirelo::Text text;
    if (!mirelo::ReadHandOverBlock(data, size, &text)) return 0;
    auto split = mirelo::SplitHandOver(text);
    if (split.size() > mirelo::kMaxHandedOverPaths) __builtin_trap();
    size_t total = 0;
    for (const auto& p : split) total += p.size();
    if (total > text.size()) __builtin_trap();
    auto open = mirelo::PathsToOpen(split);
    for (const auto& p : open)
        if (p.empty()) __builtin_trap();
    mirelo::ArgumentsAfterProgram(text);
    return 0;
}
