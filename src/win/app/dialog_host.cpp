#include "app/dialog_host.h"

#include "app/editor.h"
#include "app/refresh.h"
#include "app/help.h"

namespace mirelo {

INT_PTR DialogHost::Run(HWND owner) {
    const INT_PTR result = DialogBoxParamW(editor_.instance, MAKEINTRESOURCEW(resourceId_), owner ? owner : editor_.OwnerWindow(),
                                           Proc, reinterpret_cast<LPARAM>(this));
    // The dialog is gone: at the end of the message that opened it, what it changed shows at once,
    // and so does what lay under it.
    editor_.ProgramChanged(change::kDialogClosed);
    return result;
}

HWND DialogHost::Create(HWND owner) {
    modeless_ = true;
    return CreateDialogParamW(editor_.instance, MAKEINTRESOURCEW(resourceId_), owner ? owner : editor_.OwnerWindow(), Proc,
                              reinterpret_cast<LPARAM>(this));
}

void DialogHost::End(INT_PTR value) {
    if (modeless_)
        ShowWindow(dialog_, SW_HIDE);
    else
        EndDialog(dialog_, value);
}

// Every message of a dialog is a choke point: its live previews (the grid, the arrow) show at once.
INT_PTR CALLBACK DialogHost::Proc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    auto* host = reinterpret_cast<DialogHost*>(GetWindowLongPtrW(dlg, DWLP_USER));
    Editor* editor = host ? &host->editor_ : msg == WM_INITDIALOG ? &reinterpret_cast<DialogHost*>(lp)->editor_ : nullptr;
    const INT_PTR result = Handle(dlg, msg, wp, lp);
    if (editor) ApplyChanges(*editor);
    return result;
}

INT_PTR DialogHost::Handle(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    auto* host = reinterpret_cast<DialogHost*>(GetWindowLongPtrW(dlg, DWLP_USER));
    if (msg == WM_INITDIALOG) {
        host = reinterpret_cast<DialogHost*>(lp);
        SetWindowLongPtrW(dlg, DWLP_USER, lp);
        host->dialog_ = dlg;
        host->OnInit();
        if (host->editor_.dialogObserver) host->editor_.dialogObserver(dlg, host->resourceId_);
        return TRUE;
    }
    if (!host) return FALSE;
    host->editor_.TrackDialog(dlg, msg, wp);
    if (msg == WM_NCDESTROY) host->dialog_ = nullptr;
    if (msg == WM_COMMAND) {
        const int id = LOWORD(wp);
        if (id == IDOK) {
            host->OnOk();
            return TRUE;
        }
        if (id == IDCANCEL) {
            host->OnCancel();
            return TRUE;
        }
        return host->OnCommand(id, HIWORD(wp), reinterpret_cast<HWND>(lp)) ? TRUE : FALSE;
    }
    INT_PTR result = FALSE;
    if (host->OnMessage(msg, wp, lp, &result)) return result;
    // F1 anywhere in the dialog: its page of the help file.
    if (msg == WM_HELP) {
        ShowDialogHelp(host->editor_, host->resourceId_);
        SetWindowLongPtrW(dlg, DWLP_MSGRESULT, TRUE);
        return TRUE;
    }
    return FALSE;
}

}  // namespace mirelo
