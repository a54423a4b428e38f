// Rules for file names and sizes used when opening and saving: how a name is classified, the
// open dialog's multiple-selection result, the save types with their extensions, the metafile
// render size proposal and the properties each save type can carry.
#pragma once
#include <vector>

#include "common/text.h"

namespace mirelo {

enum class OpenKind { Picture, Icon, Metafile };

// By the text after the last "." (case-insensitive): "ico"/"cur" icon, "wmf"/"emf" metafile,
// anything else (or no ".") picture.
OpenKind ClassifyOpenPath(TextView path);

// The part of a path after its last "\" or "/" (the whole path when there is none).
Text FileTitle(TextView path);

// The paths chosen in a multiple-selection open dialog. `buffer` holds zero-terminated strings
// ended by an empty one: a single full path, or the folder followed by the file names, each
// name giving "folder\name". At most `length` characters are looked at.
std::vector<Text> SplitOpenDialogResult(const char16_t* buffer, size_t length);

// The open dialog's filter (description and patterns, pairs ended by an empty string).
const std::vector<Text>& OpenDialogFilter();

// Save types by their position in the save dialog's list (1..6).
namespace save_type {
constexpr int kBmp = 1, kGif = 2, kIcon = 3, kJpeg = 4, kPng = 5, kTiff = 6;
constexpr int kCount = 6;
}  // namespace save_type
struct SaveTypeInfo {
    const char16_t* description;
    const char16_t* patterns;
    const char16_t* extension;  // the default extension, without the dot
};
// The type at `position` (1..6), or null.
const SaveTypeInfo* SaveType(int position);
// The save dialog's filter (pairs ended by an empty string).
Text SaveDialogFilter();

// The name typed in the save dialog after the type changed: its extension replaced by `extension`,
// or ".extension" appended when it has none; an empty name stays empty.
Text ReplaceExtension(TextView name, TextView extension);
// The save name after the dialog: "name.extension" when the file name (after the last "\" or
// "/") has no ".", whatever the folders are called.
Text WithDefaultExtension(TextView name, TextView extension);
// True when the file name (after the last "\" or "/") has a ".".
bool HasAnyExtension(TextView name);
// True when the text after the last "." of the name equals `extension` (case-insensitive).
bool HasExtension(TextView name, TextView extension);

// Colour depth asked of the PNG and TIFF encoders: the image's bits per pixel, except that 16
// and anything above 32 become 32.
int SaveColourDepth(int bitsPerPixel);

// Which of the four properties (title, author, rights notice, comment) a save type can carry:
// bit i for property i.
unsigned EditablePropertyMask(int saveType);

// The render size proposed for a metafile: its size fitted into 256 × 256 with the aspect kept
// (integer arithmetic).
void ProposeMetafileSize(int width, int height, int* proposedWidth, int* proposedHeight);
// The other edit's value while the aspect is kept: otherProposed × typed / thisProposed,
// truncated (0 when thisProposed is 0).
int KeepAspect(int otherProposed, int typed, int thisProposed);

}  // namespace mirelo
