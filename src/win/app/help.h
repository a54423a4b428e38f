// The help window: HTML Help, loaded at run time so that a system without it still runs.
#pragma once
#include "common/win.h"

namespace mirelo {

class Editor;

void InitHelp(Editor& editor);
// Command 40084: the help file beside the program, with its table of contents.
void ShowHelp(Editor& editor);
// F1 in a dialog: the help file opened on the page of the dialog with that resource id (the
// contents page for a dialog without a page of its own). Says so, as ShowHelp does, when the file
// is missing.
void ShowDialogHelp(Editor& editor, int dialogResourceId);
// The help page of a dialog, e.g. u"dlg_effects.html"; empty when it has none of its own.
TextView DialogHelpPage(int dialogResourceId);
// Offers a message to HTML Help; true when it took it.
bool HelpPreTranslate(Editor& editor, MSG* msg);
// Closes every help window and ends HTML Help.
void EndHelp(Editor& editor);

// The help file's full name: the program's own folder plus "\mirelo.chm".
Text HelpFilePath();

}  // namespace mirelo
