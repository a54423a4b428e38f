// Opening image files: the open dialog, pictures through GDI+, metafiles at a chosen size, icon
// and pointer files through the program's own reader.
#pragma once
#include <vector>

#include "app/commands.h"
#include "common/gdiplus.h"
#include "common/win.h"

namespace mirelo {

class Editor;
struct ImageSlot;

// Opens one file (an already open path just selects its slot). True when an image became current.
bool OpenImageFile(Editor& editor, const Text& path);

// Opens files in order (the windows follow once, at the end of the message that opened them).
void OpenImageFiles(Editor& editor, const std::vector<Text>& paths);

// The open dialog (command 40002): one or several files. Tests see it through the editor's
// dialog observer under this id.
constexpr int kOpenDialogId = cmd::kOpen;
void OpenDialog(Editor& editor);


// Dialog 121: the render size of a metafile of width × height, proposed fitted into 256 × 256.
// False on Cancel.
bool MetafileSizeDialog(Editor& editor, int width, int height, int* renderWidth, int* renderHeight);

// Reads a whole file (shared access); false when it cannot be opened or read.
bool ReadFileBytes(const Text& path, std::vector<uint8_t>* bytes);

// Decodes a whole file held in memory through GDI+ (the file is not kept open).
bool DecodeFile(const Text& path, GpBitmapOwner& out, bool colourManagement);

}  // namespace mirelo
