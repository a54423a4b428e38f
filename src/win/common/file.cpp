#include "common/file.h"

namespace mirelo {

bool FileExists(const Text& path) { return GetFileAttributesW(W(path)) != INVALID_FILE_ATTRIBUTES; }

bool IsReadOnlyFile(const Text& path) {
    const DWORD a = GetFileAttributesW(W(path));
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_READONLY);
}

int64_t FileSize(const Text& path) {
    WIN32_FILE_ATTRIBUTE_DATA d{};
    if (!GetFileAttributesExW(W(path), GetFileExInfoStandard, &d)) return 0;
    return static_cast<int64_t>(d.nFileSizeHigh) << 32 | d.nFileSizeLow;
}

}  // namespace mirelo
