// The tool option bar: the 28 bands of the top rebar, the lists each band holds and the option
// of the image's toolSettings each list edits, and the rules that decide which bands, path
// buttons and lists the current tool and option values show.
#pragma once
#include <array>
#include <bitset>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "common/text.h"
#include "edit/tool_settings.h"
#include "image/slot_rules.h"

namespace mirelo {

// Band 0 is the main tool bar; bands 1 to 27 hold the option controls.
constexpr int kOptionBandCount = 28;
// Window id of the option bar's control i (index into OptionControls()).
constexpr int kOptionControlFirstId = 3000;

// How a list is filled.
enum class ListKind {
    Texts,    // the given texts (followed by the 53 hatch style names when `hatches` is set)
    Numbers,  // entry i shows first + i × step
    Fonts,    // the installed font families, filled by the window layer
};

// How an entry of a number list is printed.
enum class NumberStyle {
    Int3,        // "%3d"
    Percent,     // "%2d%%"
    Hundredths,  // "%.2f" of the number / 100
};

struct NumberList {
    int count = 0;
    int first = 0;
    int step = 1;
    NumberStyle style = NumberStyle::Int3;
};

// How the list index becomes the stored option value.
enum class OptionScale {
    Index,           // the index itself
    IndexPlusOne,    // "線幅：" of the shape tool and of the retouch brush
    IndexTimesFive,  // "開始角度：", "ｽｲｰﾌﾟ角度："
};

// The option a control edits with one tool; −1 where the control has none with that tool.
struct ToolOptions {
    int shape = -1;  // the shape tool, and every tool for a control that is not per tool
    int fill = -1;
    int text = -1;
};

struct OptionControl {
    int band = 0;
    const char16_t* label = nullptr;  // the static text in front of the list
    ToolOptions option;
    bool perTool = false;             // bands 18 to 25: the option depends on the tool
    ListKind kind = ListKind::Texts;
    const char16_t* const* texts = nullptr;
    size_t textCount = 0;
    bool hatches = false;
    NumberList numbers;
    OptionScale scale = OptionScale::Index;
};

// Every control of bands 1 to 27, band by band, in the order they stand in their band.
const std::vector<OptionControl>& OptionControls();

// The option the control edits while `tool` (a ToolId) is current; −1 when it edits none then.
int OptionFor(const OptionControl& control, int tool);

// The entries of a list as shown (empty for the font list).
std::vector<Text> ListEntries(const OptionControl& control);
// The stored option value of list entry `index`.
int StoredValue(const OptionControl& control, int index);
// The list entry that shows a stored value; −1 when no entry does.
int ListIndex(const OptionControl& control, int value);

// The entry of the text layout list (形式) that shows layout mode `mode` (0..15) when the list
// offers `offered` entries: a text without a frame is offered only the four directions, and a
// mode that adds no-wrap or the line limit (which need a frame) shows as its direction, mode mod 4.
int ShownLayoutEntry(int mode, int offered);

// What the option bar shows for a tool and its option values.
struct BandState {
    std::bitset<kOptionBandCount> shown;
    // The path buttons of band 1 and band 12, in the order of PathToolBarButtons (40032,
    // 40033, 40034).
    std::array<bool, 3> selectionPathButtons{};
    std::array<bool, 3> shapePathButtons{};
    std::bitset<kToolSettingCount> disabled;     // options whose list is greyed
};

// The rules of the bar: the current tool (a ToolId), the image's option values, whether an image
// is current and whether it has a selected paste object. Each tool has its own rule in its tool
// row (app/tool_row.h, written with ui/band_rules.h); the rule of "反転：" holds for every tool.
BandState ComputeBands(int tool, const ToolSettings& settings, bool imageOpen, bool pasteObjectSelected);
// Whether a tool id has a band rule: a row in the tool list (a tool without options has an empty
// rule).
bool HasBandRule(int tool);

// Whether the rules read an option (one the tool rows name, or "選択："): a change of it runs
// them again.
bool BandRulesRead(int option);

// A face name as enumerated, with its code page 932 form for sorting.
struct FontFace {
    Text name;
    std::string multibyte;
};
// The font list: faces in enumeration order without repeats and without the vertical-writing
// faces (names beginning with "@"), at most 256, sorted by CompareMultibyte.
std::vector<Text> FontNameList(const std::vector<FontFace>& faces);
// Compares two code page 932 strings character by character, a double-byte character counting
// as its lead byte × 256 + trail byte; < 0, 0 or > 0.
int CompareMultibyte(std::string_view a, std::string_view b);

}  // namespace mirelo
