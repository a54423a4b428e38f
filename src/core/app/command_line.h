// Command lines: the arguments after the program name, the text a second start hands over
// to the running instance, and the split of that text into paths.
#pragma once
#include <cstddef>
#include <vector>

#include "common/text.h"

namespace mirelo {

constexpr size_t kMaxHandedOverPaths = 256;

// The part of a full command line after the program name and the blanks that follow it.
TextView ArgumentsAfterProgram(TextView commandLine);

// Checks a received hand-over block: a whole number of UTF-16 characters with a terminator
// inside it. Gives the text before the first terminator; false means the block is ignored.
bool ReadHandOverBlock(const void* data, size_t bytes, Text* text);

// Splits hand-over text into paths from its end: a trailing quoted path is taken between its
// quotes, otherwise the text after the last space. At most 256 paths; the last path of the text
// comes first. Empty paths stay in the list (the caller skips them).
std::vector<Text> SplitHandOver(TextView text);

// The paths of a split that are opened, in order: none when the first path is empty, and
// never an empty path.
std::vector<Text> PathsToOpen(const std::vector<Text>& split);

}  // namespace mirelo
