#include "files/safe_write.h"

#include "common/file.h"

#include <algorithm>

namespace mirelo {

namespace {
Text FolderOf(const Text& path) {
    size_t slash = path.find_last_of(u"\\/");
    if (slash == Text::npos) return u".";
    if (slash == 0 || (slash == 2 && path[1] == u':')) return path.substr(0, slash + 1);
    return path.substr(0, slash);
}
}  // namespace

bool WriteFileSafely(const Text& path, const std::function<bool(const Text& newFile)>& write) {
    // A read-only file is never replaced.
    if (IsReadOnlyFile(path)) return false;
    wchar_t buffer[MAX_PATH + 16] = {};
    Text folder = FolderOf(path);
    if (!GetTempFileNameW(W(folder), L"mrl", 0, buffer)) return false;
    Text newFile = FromW(buffer);
    bool ok = write(newFile);
    if (ok) {
        if (FileExists(path)) {
            // Keeps the old file's attributes and security; falls back to a plain replacing move.
            ok = ReplaceFileW(W(path), W(newFile), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr) ||
                 MoveFileExW(W(newFile), W(path), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
        } else {
            ok = MoveFileExW(W(newFile), W(path), MOVEFILE_WRITE_THROUGH);
        }
    }
    if (!ok) DeleteFileW(W(newFile));
    return ok;
}

bool WriteBytesSafely(const Text& path, const std::vector<uint8_t>& bytes) {
    return WriteFileSafely(path, [&bytes](const Text& newFile) {
        HANDLE f = CreateFileW(W(newFile), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (f == INVALID_HANDLE_VALUE) return false;
        size_t done = 0;
        bool ok = true;
        while (ok && done < bytes.size()) {
            DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 30));
            DWORD written = 0;
            ok = WriteFile(f, bytes.data() + done, chunk, &written, nullptr) && written == chunk;
            done += written;
        }
        ok = FlushFileBuffers(f) && ok;
        return CloseHandle(f) && ok;
    });
}

}  // namespace mirelo
