// Commands of colour reduction and palettes: palette method, dithering, indexed formats, the
// colour selection and palette dialogs, the transparent colour; the side panels follow the state.
#include "app/command_registry.h"
#include "app/editor.h"
#include "colour/colour_dialog.h"
#include "colour/indexed_conversion.h"
#include "colour/palette_colours.h"

namespace mirelo {

void RegisterColourCommands(CommandRegistry& r) {
    static_assert(cmd::kPaletteMono - cmd::kPaletteMedianCut == 3, "four palette methods");
    for (int id = cmd::kPaletteMedianCut; id <= cmd::kPaletteMono; ++id)
        r.On(id, [](Editor& e, int command) {
            e.settings.paletteMethod = command;
            e.ProgramChanged(change::kSettings);
        });
    r.On(cmd::kDither, [](Editor& e, int) {
        e.settings.dither = !e.settings.dither;
        e.ProgramChanged(change::kSettings);
    });
    static_assert(cmd::k8Index - cmd::k1Index == 2, "three indexed formats");
    for (int id = cmd::k1Index; id <= cmd::k8Index; ++id) r.On(id, [](Editor& e, int command) { IndexedCommand(e, command); });
    r.On(cmd::kLoadFixedPalette, [](Editor& e, int) { FixedPaletteDialog(e); });
    r.On(cmd::kColourSelect, [](Editor& e, int) { ColourSelectCommand(e); },
         [](const CommandState& s) { return s.open && s.colourPanels; });
    // The check button shows the image's transparent-colour flag (the palette panel follows it
    // at the refresh); its command turns the flag over.
    r.On(cmd::kPalTransparent, [](Editor& e, int) {
        const ImageSlot* s = e.Current();
        SetTransparentColour(e, s && (s->flags & 1u) == 0);
        e.Changed(change::kColours);
    });
    r.On(cmd::kPalDialog, [](Editor& e, int) { PaletteDialog(e); });
}

}  // namespace mirelo
