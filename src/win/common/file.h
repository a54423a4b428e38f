// Questions about files on disk, asked the same way everywhere.
#pragma once
#include <cstdint>

#include "common/win.h"

namespace mirelo {

bool FileExists(const Text& path);
bool IsReadOnlyFile(const Text& path);
// Size in bytes; 0 when the file cannot be read.
int64_t FileSize(const Text& path);

}  // namespace mirelo
