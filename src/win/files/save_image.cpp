#include "files/save_image.h"

#include "app/dialog_host.h"
#include "common/file.h"

#include <commctrl.h>
#include <commdlg.h>

#include <vector>

#include "app/commands.h"
#include "app/editor.h"
#include "app/command_registry.h"
#include "files/file_names.h"
#include "files/icon_save.h"
#include "files/open_image.h"
#include "image/detached_copy.h"
#include "files/property_dialogs.h"
#include "files/recent_files.h"
#include "files/safe_write.h"
#include "image/bitmap_access.h"
#include "paste/paste_objects.h"
#include "image/image_set.h"
#include "res/resource.h"

namespace mirelo {

namespace {
// Published GDI+ encoder parameter identifiers.
constexpr GUID kEncoderQuality = {0x1d5be4b5, 0xfa4a, 0x452d, {0x9c, 0xdd, 0x5d, 0xb3, 0x51, 0x05, 0xe7, 0xeb}};
constexpr GUID kEncoderTransformation = {0x8d0eb2d1, 0xa58e, 0x4ea8, {0xaa, 0x14, 0x10, 0x80, 0x74, 0xb7, 0xb6, 0xf9}};
constexpr GUID kEncoderColorDepth = {0x66087055, 0xad66, 0x4c7c, {0x9a, 0x18, 0x38, 0xa2, 0x31, 0x0b, 0x83, 0x37}};
constexpr uint32_t kUserCommentTag = 37510;

// The file name box of the save dialog (a combo box with an edit on newer systems).
constexpr int kFileNameCombo = 0x47C, kFileNameEdit = 0x480;

// The rest of a save after the dialog, by the chosen type.
void ContinueByType(Editor& e) {
    ImageSlot* s = e.Current();
    switch (e.saveFileType) {
    case save_type::kIcon: IconOrPointerQuestion(e, [&e] { SaveAsDialog(e); }); break;
    case save_type::kJpeg:
        if (s && s->rawFormatName == u"JPEG")
            JpegTransformDialog(e);
        else
            JpegQualityDialog(e);
        break;
    case save_type::kPng:
    case save_type::kTiff: SaveWithDepth(e); break;
    default: SaveCurrent(e); break;
    }
}

struct SaveDialogState {
    Editor* editor;
    int type;
};

Text ControlText(HWND dialog, int id) {
    HWND c = GetDlgItem(dialog, id);
    return c ? WindowText(c) : Text();
}

UINT_PTR CALLBACK SaveHook(HWND hook, UINT msg, WPARAM wp, LPARAM lp) {
    auto* st = reinterpret_cast<SaveDialogState*>(GetWindowLongPtrW(hook, GWLP_USERDATA));
    switch (msg) {
    case WM_INITDIALOG:
        SetWindowLongPtrW(hook, GWLP_USERDATA, reinterpret_cast<const OPENFILENAMEW*>(lp)->lCustData);
        return TRUE;
    case WM_COMMAND:
        if (st && LOWORD(wp) == IDC_SAVE_PROPERTIES) {
            PropertySettingsDialog(*st->editor, st->type, GetParent(hook));
            return TRUE;
        }
        break;
    case WM_NOTIFY: {
        if (!st) break;
        const auto* n = reinterpret_cast<const OFNOTIFYW*>(lp);
        HWND dialog = GetParent(hook);
        if (n->hdr.code == CDN_INITDONE) {
            if (st->editor->dialogObserver) st->editor->dialogObserver(dialog, IDD_SAVE_TEMPLATE);
        } else if (n->hdr.code == CDN_TYPECHANGE) {
            st->type = static_cast<int>(n->lpOFN->nFilterIndex);
            const SaveTypeInfo* t = SaveType(st->type);
            const int box = GetDlgItem(dialog, kFileNameCombo) ? kFileNameCombo : kFileNameEdit;
            Text typed = ControlText(dialog, box);
            if (t && !typed.empty()) {
                Text renamed = ReplaceExtension(typed, t->extension);
                SendMessageW(dialog, CDM_SETCONTROLTEXT, box, reinterpret_cast<LPARAM>(W(renamed)));
            }
        }
        break;
    }
    default: break;
    }
    return 0;
}

Gdiplus::EncoderParameters MakeParameters(const SaveParameter& p, LONG* value) {
    Gdiplus::EncoderParameters list{};
    *value = p.value;
    list.Count = 1;
    list.Parameter[0].Guid = p.kind == SaveParameter::Kind::Quality          ? kEncoderQuality
                             : p.kind == SaveParameter::Kind::Transformation ? kEncoderTransformation
                                                                               : kEncoderColorDepth;
    list.Parameter[0].NumberOfValues = 1;
    list.Parameter[0].Type = Gdiplus::EncoderParameterValueTypeLong;
    list.Parameter[0].Value = value;
    return list;
}
}  // namespace

void SaveAsDialog(Editor& e) {
    ImageSlot* s = e.Current();
    if (!s) return;
    std::vector<wchar_t> name(MAX_PATH, 0);
    int type = 1;
    if (!s->path.empty()) {
        Text initial = s->path.substr(0, MAX_PATH - 1);
        std::copy(initial.begin(), initial.end(), name.begin());
        type = s->fileType < 1 ? 1 : s->fileType;
    }
    if (type > save_type::kCount) type = 1;
    Text filter = SaveDialogFilter();
    SaveDialogState st{&e, type};
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = e.OwnerWindow();
    ofn.hInstance = e.instance;
    ofn.lpstrFilter = W(filter);
    ofn.nFilterIndex = static_cast<DWORD>(type);
    ofn.lpstrFile = name.data();
    ofn.nMaxFile = static_cast<DWORD>(name.size());
    ofn.Flags = OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_ENABLEHOOK | OFN_ENABLETEMPLATE | OFN_ENABLESIZING;
    ofn.lpTemplateName = MAKEINTRESOURCEW(IDD_SAVE_TEMPLATE);
    ofn.lpfnHook = SaveHook;
    ofn.lCustData = reinterpret_cast<LPARAM>(&st);
    // A picture without a file starts in the folder last saved to.
    const Text folder = e.settings.saveFolder;
    if (name[0] == 0 && !folder.empty()) ofn.lpstrInitialDir = W(folder);
    if (!GetSaveFileNameW(&ofn)) return;
    e.saveFileType = static_cast<int>(ofn.nFilterIndex);
    const SaveTypeInfo* t = SaveType(e.saveFileType);
    e.saveName = WithDefaultExtension(FromW(name.data()), t ? t->extension : u"bmp");
    e.settings.saveFolder = FolderOf(e.saveName);
    ContinueByType(e);
}

void SaveInPlace(Editor& e) {
    ImageSlot* s = e.Current();
    if (!s) return;
    e.saveName = s->path;
    switch (ChooseSaveRoute(FileExists(s->path), s->fileType)) {
    case SaveRoute::SaveAsDialog: SaveAsDialog(e); break;
    case SaveRoute::IconOrPointer:
        e.saveFileType = s->fileType;
        IconOrPointerQuestion(e, [&e] { SaveAsDialog(e); });
        break;
    case SaveRoute::PngOrTiff:
        e.saveFileType = s->fileType;
        SaveWithDepth(e);
        break;
    case SaveRoute::Direct:
        e.saveFileType = s->fileType;
        SaveCurrent(e);
        break;
    }
}

bool SaveCurrent(Editor& e, SaveParameter parameter) {
    ImageSlot* s = e.Current();
    if (!s || !s->occupied()) return false;
    const SaveTypeInfo* type = SaveType(e.saveFileType);
    const UINT info = MB_OK | MB_ICONINFORMATION;
    if (e.saveFileType <= 0 || !type) {
        e.messages.Show(e.OwnerWindow(), u"ファイル形式が対応していません", e.saveName, info);
        return false;
    }
    const Text extension = type->extension;
    const PixelFormat before = FormatOf(s->bitmap.get());
    if (extension == u"bmp" && (before == fmt::k16RGB565 || before == fmt::k16ARGB1555 || before == fmt::k48RGB)) {
        e.messages.Show(e.OwnerWindow(), u"16-R5G6B5,16-A1R5G5B5,48-R16G16B16 はビットマップに保存できません", e.saveName, info);
        return false;
    }
    if (IsReadOnlyFile(e.saveName)) {
        e.messages.Show(e.OwnerWindow(), u"読取専用で保存できません", e.saveName, info);
        return false;
    }
    if (e.saveName != s->path) {
        for (const ImageSlot& other : e.images.slots) {
            if (&other != s && other.occupied() && other.path == e.saveName) {
                e.messages.App(u"開いているので保存できません", info);
                return false;
            }
        }
    }
    if (!s->pasteObjects.Empty()) {
        int answer = e.messages.App(u"貼紙をマージしますか？", MB_YESNOCANCEL);
        if (answer == IDCANCEL) return false;
        // Yes merges them into the image first; No writes the image without them (they stay above it).
        if (answer == IDYES) MergeAllPasteObjects(e);
    }
    // JPEG and TIFF files are written without the comment; a failed write puts it back for a later save.
    std::vector<uint8_t> comment;
    if (extension == u"jpg" || extension == u"tif") {
        UINT size = 0;
        if (gp::GdipGetPropertyItemSize(s->bitmap.get(), kUserCommentTag, &size) == Gdiplus::Ok &&
            size >= sizeof(Gdiplus::PropertyItem)) {
            comment.resize(size);
            if (gp::GdipGetPropertyItem(s->bitmap.get(), kUserCommentTag, size,
                                        reinterpret_cast<Gdiplus::PropertyItem*>(comment.data())) != Gdiplus::Ok)
                comment.clear();
        }
        gp::GdipRemovePropertyItem(s->bitmap.get(), kUserCommentTag);
    }

    CLSID encoder{};
    FindEncoder(e.messages, extension, &encoder);
    LONG value = 0;
    Gdiplus::EncoderParameters list = MakeParameters(parameter, &value);
    const Gdiplus::EncoderParameters* params = parameter.kind == SaveParameter::Kind::None ? nullptr : &list;
    Gdiplus::GpBitmap* bitmap = s->bitmap.get();
    const bool written = WriteFileSafely(e.saveName, [&](const Text& newFile) {
        return gp::GdipSaveImageToFile(bitmap, W(newFile), &encoder, params) == Gdiplus::Ok;
    });
    // The image stays as it was when the save does not finish: its comment is put back.
    auto keepComment = [&] {
        if (!comment.empty()) gp::GdipSetPropertyItem(s->bitmap.get(), reinterpret_cast<Gdiplus::PropertyItem*>(comment.data()));
    };
    if (!written) {
        keepComment();
        e.messages.App(u"別名で保存してください", MB_OK | MB_ICONWARNING);
        return false;
    }

    // The editor shows what the file holds: the file is read back into the slot.
    GpBitmapOwner readBack;
    if (!(e.readBackObserver ? e.readBackObserver(e.saveName, readBack) : DecodeFile(e.saveName, readBack, true))) {
        keepComment();
        e.messages.App(MessageText(u"読み込みに失敗しました\n%s").Arg(e.saveName).Str(), MB_OK | MB_ICONWARNING);
        return false;
    }
    s->undo.Reset();
    s->recovered = false;
    s->rawFormatName = RawFormatName(e.messages, readBack.get());
    s->bitmap = std::move(readBack);
    s->path = e.saveName;
    s->fileType = e.saveFileType;
    DetachFromFile(e, *s);
    s->byteSize = FileSize(s->path);
    NoteRecentFile(e, s->path);
    e.ProgramChanged(change::kImageList);  // the image's name may have changed
    ImageChanged(e, e.images.current, kChangedBitmap | change::kFile | change::kHistory);
    e.reminder.Restart(e.clock());

    const PixelFormat after = FormatOf(s->bitmap.get());
    if (after != before && !(e.saveFileType == save_type::kBmp && before == fmt::k32ARGB))
        e.messages.App(MessageText(u"%s に変更されました").Arg(PixelFormatNameOf(after)).Str(), info);
    return true;
}

bool SaveWithDepth(Editor& e) {
    ImageSlot* s = e.Current();
    if (!s) return false;
    SaveParameter p;
    p.kind = SaveParameter::Kind::ColourDepth;
    p.value = SaveColourDepth(BitsPerPixel(FormatOf(s->bitmap.get())));
    return SaveCurrent(e, p);
}

// ---- Dialogs 114 and 115 ----

namespace {
// Dialog 114: JPEG quality on a slider; ends with the quality + 1 (0: Cancel).
class QualityDialogHost : public DialogHost {
public:
    explicit QualityDialogHost(Editor& e) : DialogHost(e, IDD_JPEG_QUALITY) {}

private:
    void OnInit() override {
        HWND slider = Item(IDC_JPEG_QUALITY_SLIDER);
        SendMessageW(slider, TBM_SETRANGE, FALSE, MAKELPARAM(0, 100));
        SendMessageW(slider, TBM_SETTICFREQ, 10, 0);
        // The quality chosen last time (80 at first).
        const int quality = editor().settings.jpegQuality;
        SendMessageW(slider, TBM_SETPOS, TRUE, quality);
        SetDlgItemInt(dialog(), IDC_JPEG_QUALITY_LABEL, static_cast<UINT>(quality), FALSE);
    }
    bool OnMessage(UINT msg, WPARAM, LPARAM lp, INT_PTR* result) override {
        if (msg != WM_HSCROLL) return false;
        if (reinterpret_cast<HWND>(lp) == Item(IDC_JPEG_QUALITY_SLIDER)) {
            LRESULT pos = SendMessageW(reinterpret_cast<HWND>(lp), TBM_GETPOS, 0, 0);
            SetDlgItemInt(dialog(), IDC_JPEG_QUALITY_LABEL, static_cast<UINT>(pos), FALSE);
        }
        *result = TRUE;
        return true;
    }
    void OnOk() override {
        BOOL ok = FALSE;
        UINT quality = GetDlgItemInt(dialog(), IDC_JPEG_QUALITY_LABEL, &ok, FALSE);
        if (ok && quality <= 100) editor().settings.jpegQuality = static_cast<int>(quality);
        End(ok ? static_cast<INT_PTR>(quality) + 1 : 81);
    }
    void OnCancel() override { End(0); }
};

struct TransformChoice {
    int control;
    long value;  // 0: no parameter
};
constexpr TransformChoice kTransforms[] = {
    {IDC_JPEG_NONE, 0},
    {IDC_JPEG_FLIP_H, jpeg_transform::kFlipHorizontal},
    {IDC_JPEG_FLIP_V, jpeg_transform::kFlipVertical},
    {IDC_JPEG_ROTATE_90, jpeg_transform::kRotate90},
    {IDC_JPEG_ROTATE_180, jpeg_transform::kRotate180},
    {IDC_JPEG_ROTATE_270, jpeg_transform::kRotate270},
};

// Dialog 115: the lossless JPEG transformation; ends with the chosen line + 1 (0: Cancel).
class TransformDialogHost : public DialogHost {
public:
    explicit TransformDialogHost(Editor& e) : DialogHost(e, IDD_JPEG_TRANSFORM) {}

private:
    void OnInit() override { CheckRadioButton(dialog(), IDC_JPEG_NONE, IDC_JPEG_ROTATE_270, IDC_JPEG_NONE); }
    void OnOk() override {
        INT_PTR chosen = 1;
        for (size_t i = 0; i < std::size(kTransforms); ++i)
            if (IsDlgButtonChecked(dialog(), kTransforms[i].control) == BST_CHECKED) chosen = static_cast<INT_PTR>(i) + 1;
        End(chosen);
    }
    void OnCancel() override { End(0); }
};
}  // namespace

void JpegQualityDialog(Editor& e) {
    const INT_PTR r = QualityDialogHost(e).Run();
    if (r <= 0) {
        SaveAsDialog(e);
        return;
    }
    SaveParameter p;
    p.kind = SaveParameter::Kind::Quality;
    p.value = static_cast<long>(r - 1);
    SaveCurrent(e, p);
}

void JpegTransformDialog(Editor& e) {
    const INT_PTR r = TransformDialogHost(e).Run();
    if (r <= 0) {
        SaveAsDialog(e);
        return;
    }
    SaveParameter p;
    const long value = kTransforms[r - 1].value;
    if (value) {
        p.kind = SaveParameter::Kind::Transformation;
        p.value = value;
    }
    if (!SaveCurrent(e, p)) return;
    ImageSlot* s = e.Current();
    ImageSize(s->bitmap.get(), &s->width, &s->height);
    s->zoomedWidth = s->width;
    s->zoomedHeight = s->height;
    e.Changed(change::kFile);
    e.ShowActualSize();
}

}  // namespace mirelo
