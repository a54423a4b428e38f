#include "files/open_image.h"

#include <objbase.h>

#include "app/editor.h"
#include "app/menu_state.h"
#include "image/bitmap_access.h"
#include "image/image_set.h"

namespace mirelo {

namespace {
// Reads the whole file into movable global memory (for a stream the bitmap keeps).
HGLOBAL ReadWholeFile(const Text& path) {
    HANDLE f = CreateFileW(W(path), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return nullptr;
    LARGE_INTEGER size{};
    HGLOBAL mem = nullptr;
    if (GetFileSizeEx(f, &size) && size.QuadPart > 0 && size.QuadPart < (1LL << 31)) {
        mem = GlobalAlloc(GMEM_MOVEABLE, static_cast<SIZE_T>(size.QuadPart));
        void* p = mem ? GlobalLock(mem) : nullptr;
        DWORD got = 0;
        bool ok = p && ReadFile(f, p, static_cast<DWORD>(size.QuadPart), &got, nullptr) && got == size.QuadPart;
        if (p) GlobalUnlock(mem);
        if (!ok && mem) {
            GlobalFree(mem);
            mem = nullptr;
        }
    }
    CloseHandle(f);
    return mem;
}

bool Decode(const Text& path, GpBitmapOwner& out) {
    HGLOBAL mem = ReadWholeFile(path);
    if (!mem) return false;
    IStream* stream = nullptr;
    if (CreateStreamOnHGlobal(mem, TRUE, &stream) != S_OK) {
        GlobalFree(mem);
        return false;
    }
    GpStatus s = gp::GdipCreateBitmapFromStream(stream, out.put());
    stream->Release();  // the bitmap holds its own reference while it needs the data
    int w = 0, h = 0;
    return s == Gdiplus::Ok && out && ImageSize(out.get(), &w, &h) && w > 0 && h > 0;
}
}  // namespace

bool OpenImageFile(Editor& e, const Text& path, bool last) {
    int slot = e.images.FirstFree();
    if (slot < 0) {
        e.messages.App(MessageText(u"画像数が %d を超過したので、%s は開けません").Arg(kMaxImages).Arg(path).Str(),
                       MB_OK | MB_ICONWARNING);
        return false;
    }
    GpBitmapOwner bitmap;
    if (!Decode(path, bitmap)) {
        e.messages.App(MessageText(u"読み込みに失敗しました\n%s").Arg(path).Str(), MB_OK | MB_ICONWARNING);
        return false;
    }
    e.images.slots[static_cast<size_t>(slot)].bitmap = std::move(bitmap);
    e.images.current = slot;
    e.loadingName = path;
    InitSlot(e, last);
    return true;
}

void OpenImageFiles(Editor& e, const std::vector<Text>& paths) {
    for (size_t i = 0; i < paths.size(); ++i) OpenImageFile(e, paths[i], i + 1 == paths.size());
    if (e.Current()) {
        CheckFormatItem(e);
        RefreshStatusLine(e);
    }
    RefreshMenuState(e);
    RebuildImageSelectMenu(e);
}

}  // namespace mirelo
