// Quarter turns, flips and rotation by any angle of the current image (menu 加工 and the two
// rotation buttons of the main tool bar).
#pragma once
#include "common/gdiplus.h"

namespace mirelo {

class Editor;

// A new bitmap holding `source` moved exactly by `kind` (1 left-right, 2 top-bottom, 3 a quarter
// turn clockwise, 4 a half turn, 5 a quarter turn anticlockwise), in the source's format; indexed
// images keep their palette and have their indices moved. Failures are reported with an empty
// caption ("Bmpがありません", "Bmp_Copyを作成できません", the lock messages).
GpStatus RotateFlipImage(Editor& editor, GpBitmapOwner& source, int kind, GpBitmapOwner& result);

// A new bitmap holding `source` turned by `angle` whole degrees (clockwise; the other way when
// `reverse`): whole turns leave `result` empty and return Ok, multiples of 90 are exact moves,
// any other angle is drawn into a square bitmap of the source's format (32-bit ARGB for an
// indexed source) with transparent corners, bicubic when `smoothing`, else nearest neighbour.
// A drawing that fails is reported ("Bmp_Copyに描画できません") and gives an unturned copy.
GpStatus RotateImageByAngle(Editor& editor, GpBitmapOwner& source, int angle, bool reverse, bool smoothing,
                            GpBitmapOwner& result);

// The commands: 40036..40040 move the current image exactly; 1188 and 1189 turn it by the
// angle of the tool bar's angle box, to the right and to the left. Each records an undo step.
void RotateFlipCommand(Editor& editor, int command);
void RotateByAngleCommand(Editor& editor, bool reverse);

}  // namespace mirelo
