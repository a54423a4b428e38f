// The grid dialog: offsets and spacings, applied while they are typed.
#pragma once

namespace mirelo {

class Editor;

// Command 40079: modal dialog 123 on the current image.
void GridDialog(Editor& editor);

}  // namespace mirelo
