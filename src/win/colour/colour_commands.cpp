// Commands of colour reduction and palettes: palette method, dithering, indexed formats.
#include "app/command_registry.h"
#include "app/editor.h"
#include "app/menu_state.h"
#include "colour/indexed_conversion.h"

namespace mirelo {

void RegisterColourCommands(CommandRegistry& r) {
    static_assert(cmd::kPaletteMono - cmd::kPaletteMedianCut == 3, "four palette methods");
    for (int id = cmd::kPaletteMedianCut; id <= cmd::kPaletteMono; ++id)
        r.On(id, [](Editor& e, int command) {
            e.settings.paletteMethod = command;
            RefreshMenuState(e);
        });
    r.On(cmd::kDither, [](Editor& e, int) {
        e.settings.dither = !e.settings.dither;
        RefreshMenuState(e);
    });
    static_assert(cmd::k8Index - cmd::k1Index == 2, "three indexed formats");
    for (int id = cmd::k1Index; id <= cmd::k8Index; ++id) r.On(id, [](Editor& e, int command) { IndexedCommand(e, command); });
    r.On(cmd::kLoadFixedPalette, [](Editor& e, int) { FixedPaletteDialog(e); });
    r.Rule(cmd::kColourSelect, [](const CommandState& s) { return s.open && s.colourPanels; });
}

}  // namespace mirelo
