// Writing a file without ever losing the one it replaces: the new contents go to a fresh file
// in the same folder, which takes the old file's place only when it was written completely.
#pragma once
#include <cstdint>
#include <functional>
#include <vector>

#include "common/win.h"

namespace mirelo {

// Calls `write` with the path of a new, empty file in the folder of `path`; when it returns
// true, that file replaces `path` (or is renamed to it when `path` does not exist). On any
// failure the new file is removed, `path` is left as it was, and the result is false. A
// read-only `path` is never replaced.
bool WriteFileSafely(const Text& path, const std::function<bool(const Text& newFile)>& write);

// The same for bytes held in memory.
bool WriteBytesSafely(const Text& path, const std::vector<uint8_t>& bytes);

}  // namespace mirelo
