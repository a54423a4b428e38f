// The one host of the program's dialogs: it ties the dialog to its object, keeps the editor's
// active dialog up to date (the message loop hands it its keys), tells the test hook that the
// dialog is ready, and ends a modal dialog on OK and Cancel unless a dialog says otherwise.
#pragma once
#include "common/win.h"

namespace mirelo {

class Editor;

class DialogHost {
public:
    DialogHost(Editor& editor, int resourceId) : editor_(editor), resourceId_(resourceId) {}
    virtual ~DialogHost() = default;
    DialogHost(const DialogHost&) = delete;
    DialogHost& operator=(const DialogHost&) = delete;

    // Shows the dialog over `owner` (the main window when null) and returns its end value.
    INT_PTR Run(HWND owner = nullptr);
    // Creates the dialog modeless and hidden over `owner` (the main window when null); it lives
    // until its window is destroyed, and OK and Cancel hide it unless a dialog says otherwise.
    HWND Create(HWND owner = nullptr);

protected:
    // WM_INITDIALOG: the controls are set up here.
    virtual void OnInit() {}
    // WM_COMMAND from any control but OK and Cancel; true when handled.
    virtual bool OnCommand(int /*id*/, int /*code*/, HWND /*control*/) { return false; }
    virtual void OnOk() { End(IDOK); }
    virtual void OnCancel() { End(IDCANCEL); }
    // Any other message; true when handled, with the dialog procedure's result in *result.
    virtual bool OnMessage(UINT /*msg*/, WPARAM /*wp*/, LPARAM /*lp*/, INT_PTR* /*result*/) { return false; }

    // Ends a modal dialog with `value`; hides a modeless one.
    void End(INT_PTR value);
    HWND Item(int id) const { return GetDlgItem(dialog_, id); }
    HWND dialog() const { return dialog_; }
    Editor& editor() const { return editor_; }

private:
    static INT_PTR CALLBACK Proc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp);
    static INT_PTR Handle(HWND dlg, UINT msg, WPARAM wp, LPARAM lp);

    Editor& editor_;
    int resourceId_;
    HWND dialog_ = nullptr;
    bool modeless_ = false;
};

}  // namespace mirelo
