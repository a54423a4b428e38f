// Page setup (40008) and printing (40009): the image, or the bounds of its selection, printed at
// the image's own resolution from the top-left margin, cut at the other margins.
#pragma once
#include "app/commands.h"
#include "common/win.h"

namespace mirelo {

class Editor;

// Identifiers the dialog observer receives when the system's page setup and print dialogs open.
constexpr int kPageSetupDialogId = cmd::kPageSetup;
constexpr int kPrintDialogId = cmd::kPrint;

// The page setup dialog with the kept margins; OK keeps its margins and paper size.
void PageSetup(Editor& editor);
// The print dialog, then one page per copy in one job; nothing without a current image.
void PrintImage(Editor& editor);

}  // namespace mirelo
