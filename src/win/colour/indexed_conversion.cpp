#include "colour/indexed_conversion.h"

#include <cstring>
#include <vector>

#include "app/commands.h"
#include "app/editor.h"
#include "app/command_registry.h"
#include "colour/indexed_op.h"
#include "colour/quantize.h"
#include "app/dialog_host.h"
#include "common/wait_cursor.h"
#include "edit/undo_history.h"
#include "image/apply_op.h"
#include "image/bitmap_access.h"
#include "image/convert.h"
#include "image/image_set.h"
#include "res/resource.h"

namespace mirelo {

namespace {
std::vector<uint8_t> PaletteBytes(const std::vector<uint32_t>& entries, uint32_t flags) {
    std::vector<uint8_t> buf(sizeof(Gdiplus::ColorPalette) + sizeof(Gdiplus::ARGB) * (entries.empty() ? 0 : entries.size() - 1));
    auto* p = reinterpret_cast<Gdiplus::ColorPalette*>(buf.data());
    p->Flags = flags;
    p->Count = static_cast<UINT>(entries.size());
    if (!entries.empty()) std::memcpy(p->Entries, entries.data(), entries.size() * sizeof(uint32_t));
    return buf;
}

PixelFormat TargetOf(int mode) { return mode <= 4 ? fmt::k1Index : (mode <= 8 ? fmt::k4Index : fmt::k8Index); }
}  // namespace

int ConvertBitmapToIndexed(Editor& e, GpBitmapOwner& source, int mode, GpBitmapOwner& result) {
    WaitCursor wait;
    IndexedOpOutput output;
    IndexedOpParams params;
    params.mode = mode;
    params.dither = e.settings.dither;
    params.sourceFormat = FormatOf(source.get());
    if (e.fixedPalette.loaded) {
        params.loadedFixedPalette = &e.fixedPalette.entries;
        params.loadedFixedFlags = e.fixedPalette.flags;
    }
    params.output = &output;
    const OpStatus status = RunPixelOp(
        e, source, fmt::k32ARGB, TargetOf(mode), [&params](const PixelView& in, const PixelView& out) { return ConvertToIndexed(in, out, params); },
        result);
    if (output.discardLoadedFixed) e.fixedPalette = FixedPalette{};
    if (status.code == pixel_op::kCannotCreate) e.messages.App(u"Bmpを作成できません");
    if (!status.ok()) return status.code == pixel_op::kCannotCreate ? 1 : status.code;
    std::vector<uint8_t> pal = PaletteBytes(output.palette, output.paletteFlags);
    if (gp::GdipSetImagePalette(result.get(), reinterpret_cast<Gdiplus::ColorPalette*>(pal.data())) != Gdiplus::Ok) {
        e.messages.LowLevel(mode % 4 == 2 ? u"パレットを設定できません" : u"パレットを作成できません");
        result.reset();
        return 1;
    }
    UpdatePaletteAlphaFlag(result.get());
    return 0;
}

void IndexedCommand(Editor& e, int command) {
    static const int kBitsBase[] = {1, 5, 9};
    static_assert(std::size(kBitsBase) == cmd::k8Index - cmd::k1Index + 1, "one bits base per indexed format");
    if (command < cmd::k1Index || command > cmd::k8Index || !e.Current() || !e.Current()->occupied()) return;
    const int mode = IndexedConversionCode(kBitsBase[command - cmd::k1Index], e.settings.paletteMethod);
    ChangeCurrentImage(e, [&e, mode](GpBitmapOwner& result) { return ConvertBitmapToIndexed(e, e.Current()->bitmap, mode, result) == 0; });
}

namespace {
// Dialog 118: the palette of an open indexed image (or none: "ﾃﾞﾌｫﾙﾄ") for the fixed method.
class FixedPaletteDialogHost : public DialogHost {
public:
    explicit FixedPaletteDialogHost(Editor& e) : DialogHost(e, IDD_FIXED_PALETTE) {}

private:
    void OnInit() override {
        HWND list = Item(IDC_FIXED_LIST);
        SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"ﾃﾞﾌｫﾙﾄ"));
        for (int i = 0; i < kMaxImages; ++i) {
            const ImageSlot& slot = editor().images.slots[static_cast<size_t>(i)];
            if (!slot.occupied() || !IsIndexed(slot.pixelFormat)) continue;
            slots_.push_back(i);
            Text name = SplitPath(slot.path).name;
            SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(W(name)));
        }
        SendMessageW(list, CB_SETCURSEL, 0, 0);
    }
    bool OnCommand(int id, int code, HWND) override {
        if (id != IDC_FIXED_LIST || code != CBN_SELCHANGE) return false;
        chosen_ = static_cast<int>(SendDlgItemMessageW(dialog(), IDC_FIXED_LIST, CB_GETCURSEL, 0, 0));
        return true;
    }
    void OnOk() override {
        Editor& e = editor();
        e.fixedPalette = FixedPalette{};
        if (chosen_ > 0 && chosen_ <= static_cast<int>(slots_.size())) {
            ImageSlot& slot = e.images.slots[static_cast<size_t>(slots_[static_cast<size_t>(chosen_ - 1)])];
            FixedPalette loaded;
            if (ReadPaletteEntries(slot.bitmap.get(), &loaded.entries, &loaded.flags)) {
                loaded.loaded = true;
                e.fixedPalette = loaded;
            } else {
                e.messages.LowLevel(u"パレットを取得できません");
            }
        }
        End(IDOK);
    }

    std::vector<int> slots_;  // the image slot of each line after "ﾃﾞﾌｫﾙﾄ"
    int chosen_ = 0;
};
}  // namespace

void FixedPaletteDialog(Editor& e) { FixedPaletteDialogHost(e).Run(); }

}  // namespace mirelo
