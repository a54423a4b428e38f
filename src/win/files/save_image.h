// Saving the current image through a GDI+ encoder chosen by the save type, and reading the
// written file back so that the editor shows what the file holds.
#pragma once
#include "common/win.h"

namespace mirelo {

class Editor;

// One encoder parameter of type long, or none.
struct SaveParameter {
    enum class Kind { None, Quality, Transformation, ColourDepth };
    Kind kind = Kind::None;
    long value = 0;
};

// The JPEG transformations (encoder values).
namespace jpeg_transform {
constexpr long kRotate90 = 13, kRotate180 = 14, kRotate270 = 15, kFlipHorizontal = 16, kFlipVertical = 17;
}

// Command 40005, and every save that needs a name first. Tests see the dialog through the
// editor's dialog observer under IDD_SAVE_TEMPLATE.
void SaveAsDialog(Editor& editor);
// Command 40004: the current image back to its own file, by its file type.
void SaveInPlace(Editor& editor);
// Writes the current image to editor.saveName with the encoder of editor.saveFileType. True
// when the file was written and read back.
bool SaveCurrent(Editor& editor, SaveParameter parameter = {});
// PNG and TIFF: the colour depth of the image (16 and above 32 become 32).
bool SaveWithDepth(Editor& editor);
// Dialogs 114 and 115; Cancel goes back to the save dialog.
void JpegQualityDialog(Editor& editor);
void JpegTransformDialog(Editor& editor);

}  // namespace mirelo
