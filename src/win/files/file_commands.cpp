// Commands of the files: open, save, save as, resolution and properties.
#include "app/command_registry.h"
#include "app/editor.h"
#include "files/open_image.h"
#include "files/recovery.h"
#include "files/property_dialogs.h"
#include "files/recent_files.h"
#include "files/save_image.h"

namespace mirelo {

void RegisterFileCommands(CommandRegistry& r) {
    r.On(cmd::kOpen, [](Editor& e, int) { OpenDialog(e); });
    r.On(cmd::kSave, [](Editor& e, int) { SaveInPlace(e); }, rule::ImageOpen);
    r.On(cmd::kSaveAs, [](Editor& e, int) { SaveAsDialog(e); }, rule::ImageOpen);
    r.On(cmd::kResolution, [](Editor& e, int) { ResolutionDialog(e); });
    r.On(cmd::kProperties, [](Editor& e, int) { PropertiesDialog(e); });
    RegisterRecentFileCommands(r);
    // The recovery copies follow what the refresh takes.
    r.OnChanges([](Editor& e, const ChangeRecord& changes, const RefreshPlan&) {
        Recovery(e).Noted(e, changes, static_cast<int64_t>(e.clock()));
    });
}

}  // namespace mirelo
