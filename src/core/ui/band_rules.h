// What a tool's band rule works with: the option values it reads and the bar state it sets (the
// bands shown, the path buttons, the greyed lists). Each tool's rule stands in its tool row
// (app/tool_row.h); ComputeBands (ui/option_bands.h) runs the current tool's.
#pragma once
#include "ui/option_bands.h"

namespace mirelo {

class BandRules {
public:
    BandRules(BandState& state, const ToolSettings& settings) : st_(state), s_(settings) {}

    int At(int option) const { return s_[static_cast<size_t>(option)]; }
    void Show(int band) { st_.shown.set(static_cast<size_t>(band)); }
    void Hide(int first, int last) {
        for (int b = first; b <= last; ++b) st_.shown.reset(static_cast<size_t>(b));
    }
    // Greys the list of an option.
    void Disable(int option) { st_.disabled.set(static_cast<size_t>(option)); }
    // The path buttons of band 1 and band 12 (40032, 40033, 40034).
    void SelectionButtons(bool deletePoint, bool deleteLast, bool deleteAll) {
        st_.selectionPathButtons = {deletePoint, deleteLast, deleteAll};
    }
    void ShapeButtons(bool deletePoint, bool deleteLast, bool deleteAll) {
        st_.shapePathButtons = {deletePoint, deleteLast, deleteAll};
    }

    // The fill pattern bands from "ﾊﾟﾀｰﾝ(塗)：" on for fill pattern f: the shape tool's or, with
    // `fillTool`, the fill tool's.
    void FillPattern(int f, bool fillTool);

private:
    BandState& st_;
    const ToolSettings& s_;
};

}  // namespace mirelo
