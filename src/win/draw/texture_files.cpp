#include "draw/texture_files.h"

#include <commdlg.h>

#include <algorithm>
#include <vector>

#include "app/editor.h"

namespace mirelo {

namespace {
UINT_PTR CALLBACK TextureHook(HWND hook, UINT msg, WPARAM, LPARAM lp) {
    if (msg == WM_INITDIALOG) SetWindowLongPtrW(hook, GWLP_USERDATA, reinterpret_cast<const OPENFILENAMEW*>(lp)->lCustData);
    if (msg == WM_NOTIFY && reinterpret_cast<const NMHDR*>(lp)->code == CDN_INITDONE) {
        auto* e = reinterpret_cast<Editor*>(GetWindowLongPtrW(hook, GWLP_USERDATA));
        if (e && e->dialogObserver) e->dialogObserver(GetParent(hook), kTextureDialogId);
    }
    return 0;
}

std::string ToAnsi(const Text& text) {
    if (text.empty()) return {};
    const int n = WideCharToMultiByte(CP_ACP, 0, W(text), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(std::max(n, 0)), '\0');
    if (n > 0) WideCharToMultiByte(CP_ACP, 0, W(text), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}
}  // namespace

Text TextureDialogFilter() {
    Text filter = u"画像ファイル (*.bmp; gif; jpg; png; tif; ico; wmf; emf)";
    filter += u'\0';
    filter += u"*.bmp;*.gif;*.jpg;*.jpeg;*.png;*.tif;*.tiff;*.ico;*.wmf;*.emf";
    filter += u'\0';
    filter += u'\0';
    return filter;
}

void SetTextureFile(Editor& e, int slot, TextView path) {
    if (slot < 0 || slot >= kTextureSlotCount) return;
    TextureFile& file = e.textureFiles[static_cast<size_t>(slot)];
    file.path = Text(path.substr(0, kTexturePathLimit));
    file.ansiPath = ToAnsi(file.path);
}

bool ChooseTextureFile(Editor& e, int slot) {
    if (slot < 0 || slot >= kTextureSlotCount) return false;
    std::vector<wchar_t> name(MAX_PATH, L'\0');
    const Text& previous = e.textureFiles[static_cast<size_t>(slot)].path;
    std::copy_n(previous.begin(), std::min(previous.size(), name.size() - 1), name.begin());
    const Text filter = TextureDialogFilter();
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = e.OwnerWindow();
    ofn.lpstrFilter = W(filter);
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = name.data();
    ofn.nMaxFile = static_cast<DWORD>(name.size());
    ofn.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_ENABLESIZING;
    // The hook only lets tests see the dialog once it is ready.
    ofn.Flags |= OFN_ENABLEHOOK;
    ofn.lCustData = reinterpret_cast<LPARAM>(&e);
    ofn.lpfnHook = TextureHook;
    if (!GetOpenFileNameW(&ofn)) return false;
    SetTextureFile(e, slot, FromW(name.data()));
    return true;
}

}  // namespace mirelo
