#include "ui/band_rules.h"

namespace mirelo {

void BandRules::FillPattern(int f, bool fillTool) {
    if (fillTool) Hide(18, 19);
    Hide(20, 27);
    Show(20);
    if (f >= 1 && f <= 4) {  // linear gradients
        Show(21);
        if (fillTool && f == 4) Show(22);
    } else if (f >= 5 && f <= 7) {  // circular gradients
        Show(21);
        if (fillTool) Show(23);
        if (f != 7) Show(24);
        if (f == 6 || f == 7) Show(25);
    } else if (f == 8) {  // texture
        Show(22);
    }
}

}  // namespace mirelo
