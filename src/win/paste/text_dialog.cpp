#include "paste/text_dialog.h"

#include <algorithm>

#include "app/editor.h"
#include "app/dialog_host.h"
#include "res/resource.h"
#include "select/selection.h"
#include "ui/option_bands.h"

namespace mirelo {

namespace {
constexpr int kTextLimit = 4096;

class TextDialogHost : public DialogHost {
public:
    TextDialogHost(Editor& e, TextView initial) : DialogHost(e, IDD_TEXT_EDIT), text(initial) {}
    Text text;

private:
    void OnInit() override {
        SendMessageW(Item(IDC_TEXT_EDIT), EM_LIMITTEXT, kTextLimit, 0);
        SetWindowTextW(Item(IDC_TEXT_EDIT), W(text));
        text.clear();
        SetFocus(Item(IDC_TEXT_EDIT));
    }
    void OnOk() override {
        const int length = GetWindowTextLengthW(Item(IDC_TEXT_EDIT));
        std::wstring buffer(static_cast<size_t>(length) + 1, L'\0');
        GetWindowTextW(Item(IDC_TEXT_EDIT), buffer.data(), length + 1);
        buffer.resize(static_cast<size_t>(length));
        text = FromW(buffer.c_str());
        End(IDOK);
    }
};
}  // namespace

Text AskForText(Editor& e, TextView initial) {
    TextDialogHost host(e, initial);
    host.Run();
    return host.text;
}

int LayoutFormatFlags(int mode) {
    static const int kDirections[4] = {0, 0x1, 0x3, 0x2};
    int flags = kDirections[mode & 3];
    if ((mode & 4) != 0) flags |= 0x1000;
    if (mode >= 8) flags |= 0x2000;
    return flags;
}

Text SelectedFontName(Editor& e) {
    const ImageSlot* s = e.Current();
    if (!s) return Text();
    const int index = s->toolSettings[kTextFontOption];
    return index >= 0 && static_cast<size_t>(index) < e.fontNames.size() ? e.fontNames[static_cast<size_t>(index)] : Text();
}

bool AddTextOutline(Editor& e, const ImageSlot& s, TextView text, const Gdiplus::GpRectF& layout, EditPath* path) {
    GpFontFamilyOwner family;
    const Text name = SelectedFontName(e);
    if (name.empty() || gp::GdipCreateFontFamilyFromName(W(name), nullptr, family.put()) != Gdiplus::Ok || !family) {
        family.reset();
        Gdiplus::GpFontFamily* sans = nullptr;
        if (gp::GdipGetGenericFontFamilySansSerif(&sans) != Gdiplus::Ok || !sans) return false;
        family.reset(sans);
    }
    GpStringFormatOwner format;
    if (gp::GdipCreateStringFormat(LayoutFormatFlags(std::clamp(s.toolSettings[kTextLayoutOption], 0, 15)), LANG_NEUTRAL, format.put()) !=
        Gdiplus::Ok)
        return false;
    gp::GdipSetStringFormatAlign(format.get(), static_cast<Gdiplus::StringAlignment>(std::clamp(s.toolSettings[kTextAlignOption], 0, 2)));
    const float em = static_cast<float>(s.toolSettings[kTextSizeOption] + 8);
    const float tab = static_cast<float>((s.toolSettings[kTextSizeOption] + 8) / 2 * s.toolSettings[kTextTabOption]);
    gp::GdipSetStringFormatTabStops(format.get(), 0, 1, &tab);
    GpPathOwner outline;
    if (gp::GdipCreatePath(Gdiplus::FillModeAlternate, outline.put()) != Gdiplus::Ok) return false;
    const Text copy(text);
    if (gp::GdipAddPathString(outline.get(), W(copy), -1, family.get(), s.toolSettings[kTextStyleOption] & 15, em, &layout, format.get()) !=
        Gdiplus::Ok)
        return false;
    const EditPath figures = FromGpPath(outline.get());
    if (figures.empty()) return false;
    path->AddPath(figures);
    return true;
}

}  // namespace mirelo
