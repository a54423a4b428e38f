// Where a printed image lands on the paper: page settings in hundredths of a millimetre turned
// into image pixels at the image's resolution.
#pragma once
#include "select/edit_path.h"

namespace mirelo {

// Margins and paper size in hundredths of a millimetre, as the page setup dialog returns them.
struct PageSettings {
    int left = 2500;
    int top = 2500;
    int right = 2500;
    int bottom = 2500;
    int paperWidth = 21000;
    int paperHeight = 29700;
};

// The destination rectangle on the page, in image pixels from the paper's top-left corner.
struct PagePlacement {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

// The source rectangle placed at the top-left margin: paper and margins are converted with
// trunc(value × dpi ÷ 2540) (negative results become 0); where the source is wider (higher)
// than the paper less both margins it is cut to what fits, never scaled.
PagePlacement PlaceOnPage(const PageSettings& page, double dpiX, double dpiY, const IntRect& source);

// The part of the image printed with the selection option: the selection's integer bounds with
// width and height each one less, cut to the image (a selection reaching outside the picture
// prints its part inside), or the whole image when there is no selection.
IntRect PrintSource(int imageWidth, int imageHeight, const EditPath* selection);

}  // namespace mirelo
