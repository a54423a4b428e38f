#include "files/open_image.h"

#include <commdlg.h>
#include <cstring>
#include <objbase.h>

#include "app/commands.h"
#include "app/editor.h"
#include "app/dialog_host.h"
#include "app/command_registry.h"
#include "files/file_names.h"
#include "files/icon_open.h"
#include "image/properties.h"
#include "files/recent_files.h"
#include "image/bitmap_access.h"
#include "image/file_format.h"
#include "image/image_set.h"
#include "res/resource.h"

namespace mirelo {

namespace {
// Reads the whole file (shared access) into memory that `allocate(size)` gives; false when the
// file cannot be opened or read, or no memory is given.
template <typename Allocate>
bool ReadWholeFile(const Text& path, Allocate allocate) {
    HANDLE f = CreateFileW(W(path), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size{};
    bool ok = GetFileSizeEx(f, &size) && size.QuadPart >= 0 && size.QuadPart < (1LL << 31);
    if (ok) {
        const DWORD length = static_cast<DWORD>(size.QuadPart);
        uint8_t* p = allocate(static_cast<size_t>(length));
        DWORD got = 0;
        ok = length == 0 || (p && ReadFile(f, p, length, &got, nullptr) && got == length);
    }
    CloseHandle(f);
    return ok;
}

// A stream over the file's bytes; the stream frees the memory when released.
IStream* FileStream(const Text& path) {
    HGLOBAL mem = nullptr;
    void* locked = nullptr;
    bool ok = ReadWholeFile(path, [&](size_t length) -> uint8_t* {
        mem = length ? GlobalAlloc(GMEM_MOVEABLE, length) : nullptr;
        locked = mem ? GlobalLock(mem) : nullptr;
        return static_cast<uint8_t*>(locked);
    });
    if (locked) GlobalUnlock(mem);
    if (!ok || !locked) {
        if (mem) GlobalFree(mem);
        return nullptr;
    }
    IStream* stream = nullptr;
    if (CreateStreamOnHGlobal(mem, TRUE, &stream) != S_OK) {
        GlobalFree(mem);
        return nullptr;
    }
    return stream;
}

bool UsableSize(Gdiplus::GpImage* image) {
    int w = 0, h = 0;
    return image && ImageSize(image, &w, &h) && w > 0 && h > 0;
}

// Renders a metafile file at a size the user chooses. 1: rendered; 0: the user declined or
// cancelled (load it as a picture); -1: the metafile cannot be read.
int RenderMetafile(Editor& e, const Text& path, GpBitmapOwner& out) {
    if (e.messages.App(u"サイズ変更しますか？", MB_YESNO | MB_TOPMOST) != IDYES) return 0;
    IStream* stream = FileStream(path);
    if (!stream) return -1;
    Gdiplus::GpMetafile* metafile = nullptr;
    GpStatus s = gp::GdipCreateMetafileFromStream(stream, &metafile);
    stream->Release();
    if (s != Gdiplus::Ok || !metafile) return -1;
    int width = 0, height = 0, renderWidth = 0, renderHeight = 0;
    ImageSize(metafile, &width, &height);
    int result = 0;
    if (MetafileSizeDialog(e, width, height, &renderWidth, &renderHeight)) {
        result = -1;
        if (renderWidth > 0 && renderHeight > 0 && CreateGpBitmap(out, renderWidth, renderHeight, fmt::k32ARGB)) {
            Gdiplus::GpGraphics* g = nullptr;
            if (gp::GdipGetImageGraphicsContext(out.get(), &g) == Gdiplus::Ok) {
                s = gp::GdipDrawImageRectI(g, metafile, 0, 0, renderWidth, renderHeight);
                gp::GdipDeleteGraphics(g);
                if (s == Gdiplus::Ok) result = 1;
            }
        }
        if (result != 1) out.reset();
    }
    gp::GdipDisposeImage(metafile);
    return result;
}

// Selects the slot that already holds `path`; false when no slot does.
bool SelectOpenPath(Editor& e, const Text& path) {
    for (int i = 0; i < kMaxImages; ++i) {
        const ImageSlot& s = e.images.slots[static_cast<size_t>(i)];
        if (!s.occupied() || s.path != path) continue;
        SelectImage(e, i);
        return true;
    }
    return false;
}
}  // namespace

bool ReadFileBytes(const Text& path, std::vector<uint8_t>* bytes) {
    return ReadWholeFile(path, [bytes](size_t length) {
        bytes->resize(length);
        return bytes->data();
    });
}

bool DecodeFile(const Text& path, GpBitmapOwner& out, bool colourManagement) {
    IStream* stream = FileStream(path);
    if (!stream) return false;
    GpStatus s = colourManagement ? gp::GdipCreateBitmapFromStreamICM(stream, out.put())
                                  : gp::GdipCreateBitmapFromStream(stream, out.put());
    stream->Release();  // the bitmap holds its own reference while it needs the data
    if (s != Gdiplus::Ok || !UsableSize(out.get())) {
        out.reset();
        return false;
    }
    return true;
}

bool OpenImageFile(Editor& e, const Text& path) {
    if (SelectOpenPath(e, path)) {
        NoteRecentFile(e, path);
        return true;
    }
    const OpenKind kind = ClassifyOpenPath(path);
    if (kind == OpenKind::Icon && OpenIconFile(e, path)) {
        NoteRecentFile(e, path);
        return true;
    }
    if (!HasRoomFor(e, path)) return false;
    GpBitmapOwner bitmap;
    int rendered = 0;
    if (kind == OpenKind::Metafile) rendered = RenderMetafile(e, path, bitmap);
    if (rendered <= 0 && !DecodeFile(path, bitmap, false)) {
        e.messages.App(MessageText(u"読み込みに失敗しました\n%s").Arg(path).Str(), MB_OK | MB_ICONWARNING);
        return false;
    }
    if (AddImage(e, std::move(bitmap), path) < 0) return false;
    NoteRecentFile(e, path);
    return true;
}

void OpenImageFiles(Editor& e, const std::vector<Text>& paths) {
    for (const Text& path : paths) OpenImageFile(e, path);
}

namespace {
UINT_PTR CALLBACK OpenHook(HWND hook, UINT msg, WPARAM, LPARAM lp) {
    if (msg == WM_INITDIALOG) SetWindowLongPtrW(hook, GWLP_USERDATA, reinterpret_cast<const OPENFILENAMEW*>(lp)->lCustData);
    if (msg == WM_NOTIFY && reinterpret_cast<const NMHDR*>(lp)->code == CDN_INITDONE) {
        auto* e = reinterpret_cast<Editor*>(GetWindowLongPtrW(hook, GWLP_USERDATA));
        if (e && e->dialogObserver) e->dialogObserver(GetParent(hook), kOpenDialogId);
    }
    return 0;
}
}  // namespace

void OpenDialog(Editor& e) {
    std::vector<wchar_t> buffer(2562, 0);
    Text filter;
    for (const Text& part : OpenDialogFilter()) {
        filter += part;
        filter += u'\0';
    }
    filter += u'\0';
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = e.OwnerWindow();
    ofn.lpstrFilter = W(filter);
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = buffer.data();
    ofn.nMaxFile = static_cast<DWORD>(buffer.size());
    ofn.Flags = OFN_EXPLORER | OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    // The hook only lets tests see the dialog once it is ready.
    ofn.Flags |= OFN_ENABLEHOOK | OFN_ENABLESIZING;
    ofn.lCustData = reinterpret_cast<LPARAM>(&e);
    ofn.lpfnHook = OpenHook;
    const Text folder = e.settings.openFolder;
    if (!folder.empty()) ofn.lpstrInitialDir = W(folder);
    if (!GetOpenFileNameW(&ofn)) return;
    const std::vector<Text> paths = SplitOpenDialogResult(reinterpret_cast<const char16_t*>(buffer.data()), buffer.size());
    if (!paths.empty()) e.settings.openFolder = FolderOf(paths.front());
    OpenImageFiles(e, paths);
}

// ---- Dialog 121 ----

namespace {
int EditNumber(HWND dlg, int id) {
    BOOL ok = FALSE;
    UINT v = GetDlgItemInt(dlg, id, &ok, FALSE);
    return ok ? static_cast<int>(v) : 0;
}

// Dialog 121: the size a metafile is drawn at, proportional while "縦横比同じ" is checked.
class MetafileDialogHost : public DialogHost {
public:
    MetafileDialogHost(Editor& e, int width, int height) : DialogHost(e, IDD_METAFILE_SIZE) {
        ProposeMetafileSize(width, height, &proposedWidth_, &proposedHeight_);
    }
    int width = 0, height = 0;

private:
    void OnInit() override {
        HWND dlg = dialog();
        updating_ = true;
        SendDlgItemMessageW(dlg, IDC_META_WIDTH, EM_LIMITTEXT, 32, 0);
        SendDlgItemMessageW(dlg, IDC_META_HEIGHT, EM_LIMITTEXT, 32, 0);
        SendDlgItemMessageW(dlg, IDC_META_SPIN_WIDTH, UDM_SETRANGE32, 0, 3000);
        SendDlgItemMessageW(dlg, IDC_META_SPIN_HEIGHT, UDM_SETRANGE32, 0, 3000);
        SendDlgItemMessageW(dlg, IDC_META_SPIN_WIDTH, UDM_SETPOS32, 0, proposedWidth_);
        SendDlgItemMessageW(dlg, IDC_META_SPIN_HEIGHT, UDM_SETPOS32, 0, proposedHeight_);
        SetDlgItemInt(dlg, IDC_META_WIDTH, static_cast<UINT>(proposedWidth_), FALSE);
        SetDlgItemInt(dlg, IDC_META_HEIGHT, static_cast<UINT>(proposedHeight_), FALSE);
        CheckDlgButton(dlg, IDC_META_SAME_RATIO, BST_CHECKED);
        updating_ = false;
    }
    bool OnCommand(int id, int code, HWND) override {
        HWND dlg = dialog();
        if (code != EN_CHANGE || updating_ || (id != IDC_META_WIDTH && id != IDC_META_HEIGHT) || GetFocus() != Item(id) ||
            IsDlgButtonChecked(dlg, IDC_META_SAME_RATIO) != BST_CHECKED)
            return false;
        const bool isWidth = id == IDC_META_WIDTH;
        const int typed = EditNumber(dlg, id);
        const int other = isWidth ? KeepAspect(proposedHeight_, typed, proposedWidth_) : KeepAspect(proposedWidth_, typed, proposedHeight_);
        updating_ = true;
        SetDlgItemInt(dlg, isWidth ? IDC_META_HEIGHT : IDC_META_WIDTH, static_cast<UINT>(other), FALSE);
        updating_ = false;
        return true;
    }
    void OnOk() override {
        width = EditNumber(dialog(), IDC_META_WIDTH);
        height = EditNumber(dialog(), IDC_META_HEIGHT);
        End(IDOK);
    }

    int proposedWidth_ = 0, proposedHeight_ = 0;
    bool updating_ = false;
};
}  // namespace

bool MetafileSizeDialog(Editor& e, int width, int height, int* renderWidth, int* renderHeight) {
    MetafileDialogHost host(e, width, height);
    if (host.Run() != IDOK) return false;
    *renderWidth = host.width;
    *renderHeight = host.height;
    return true;
}

}  // namespace mirelo
