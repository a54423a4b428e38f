// End-to-end tests of the tool option bar: the bands follow the tool and the lists, a list
// change is stored in the current image with its scaling, and each image shows its own values.
#include "harness.h"

#include <algorithm>
#include <set>
#include <string>

#include "app/commands.h"
#include "app/menu_state.h"
#include "image/image_set.h"
#include "image/new_image.h"
#include "ui/option_bands.h"

namespace mirelo {
namespace {
using namespace mirelo::testing;

class OptionBarTest : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        HWND w = OpenWindow();
        SetWindowPos(w, nullptr, 0, 0, 1000, 700, SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
    }

    int BandIndex(int band) const {
        return static_cast<int>(SendMessageW(editor->frame.topRebar, RB_IDTOINDEX, static_cast<WPARAM>(band), 0));
    }
    // The option bands the rebar shows; each shown band's panel is shown, each hidden one not.
    std::set<int> ShownBands() const {
        std::set<int> shown;
        for (int b = 1; b < kOptionBandCount; ++b) {
            REBARBANDINFOW info{};
            info.cbSize = sizeof info;
            info.fMask = RBBIM_STYLE;
            SendMessageW(editor->frame.topRebar, RB_GETBANDINFOW, static_cast<WPARAM>(BandIndex(b)), reinterpret_cast<LPARAM>(&info));
            const bool inBar = !(info.fStyle & RBBS_HIDDEN);
            const LONG_PTR style = GetWindowLongPtrW(editor->frame.optionBands[static_cast<size_t>(b)], GWL_STYLE);
            EXPECT_EQ(inBar, (style & WS_VISIBLE) != 0) << "band " << b;
            if (inBar) shown.insert(b);
        }
        return shown;
    }
    // The control index of the list that edits `option` with the current tool.
    size_t ControlOf(int option) const {
        const std::vector<OptionControl>& controls = OptionControls();
        const int tool = editor->Current() ? editor->Current()->tool : 1;
        for (size_t i = 0; i < controls.size(); ++i)
            if (OptionFor(controls[i], tool) == option) return i;
        ADD_FAILURE() << "no list for option " << option;
        return 0;
    }
    HWND ListOf(int option) const { return editor->frame.optionLists[ControlOf(option)]; }
    // Chooses entry `index` of a list as the user does: the list's selection changes and its
    // panel hears of it.
    void Choose(int option, int index) {
        HWND list = ListOf(option);
        SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        const int id = GetDlgCtrlID(list);
        SendMessageW(GetParent(list), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
    }
    std::string Selected(int option) const {
        HWND list = ListOf(option);
        const int i = static_cast<int>(SendMessageW(list, CB_GETCURSEL, 0, 0));
        if (i < 0) return "(none)";
        wchar_t buf[128] = {};
        SendMessageW(list, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buf));
        return ToUtf8(FromW(buf));
    }
    int Stored(int option) const { return editor->Current()->toolSettings[static_cast<size_t>(option)]; }
    // "111": 40032, 40033 and 40034 shown in a band's path tool bar.
    static std::string PathButtons(HWND bar) {
        std::string s;
        for (int id : {cmd::kPathDeletePoint, cmd::kPathDeleteLast, cmd::kPathDeleteAll})
            s += SendMessageW(bar, TB_ISBUTTONHIDDEN, static_cast<WPARAM>(id), 0) ? '0' : '1';
        return s;
    }
};

std::string Describe(const std::set<int>& bands) {
    std::string s;
    for (int b : bands) s += std::to_string(b) + " ";
    return s;
}

TEST_F(OptionBarTest, BandsAppearWithAnImageAndFollowTheTool) {
    EXPECT_EQ(Describe(ShownBands()), "");
    ASSERT_TRUE(testing::NewImage(*editor, 40, 30, 96, 96, false));
    EXPECT_EQ(Describe(ShownBands()), "1 ");
    const struct {
        int command;
        const char* bands;
    } steps[] = {
        {cmd::kToolShape, "2 4 7 "},      // freehand stamping
        {cmd::kToolRetouch, "26 "},
        {cmd::kToolFill, "13 15 "},       // area fill
        {cmd::kToolEyedropper, ""},
        {cmd::kToolText, "16 17 18 "},
        {cmd::kToolSelect, "1 "},
    };
    for (const auto& step : steps) {
        Send(step.command);
        EXPECT_EQ(Describe(ShownBands()), step.bands) << step.command;
    }
    // Every shown band lies in the rebar, below the main tool bar.
    RECT top{};
    SendMessageW(editor->frame.topRebar, RB_GETRECT, 0, reinterpret_cast<LPARAM>(&top));
    RECT band{};
    SendMessageW(editor->frame.topRebar, RB_GETRECT, static_cast<WPARAM>(BandIndex(1)), reinterpret_cast<LPARAM>(&band));
    EXPECT_GE(band.top, top.bottom);

    answer = IDNO;
    Send(cmd::kClose);
    EXPECT_EQ(editor->images.Occupied(), 0);
    EXPECT_EQ(Describe(ShownBands()), "");
}

TEST_F(OptionBarTest, MagicWandShowsTheTolerancesAndEnablesInvert) {
    ASSERT_TRUE(testing::NewImage(*editor, 40, 30, 96, 96, false));
    EXPECT_FALSE(IsWindowEnabled(ListOf(2)));
    EXPECT_EQ(PathButtons(editor->frame.selectionPathBar), "000");
    Choose(0, 3);
    EXPECT_EQ(Stored(0), 3);
    EXPECT_EQ(Describe(ShownBands()), "1 15 ");
    EXPECT_TRUE(IsWindowEnabled(ListOf(2)));
    Choose(0, 2);  // 多角形: its last point can be deleted
    EXPECT_EQ(Describe(ShownBands()), "1 ");
    EXPECT_FALSE(IsWindowEnabled(ListOf(2)));
    EXPECT_EQ(PathButtons(editor->frame.selectionPathBar), "100");
    EXPECT_EQ(Selected(0), "多角形");
}

TEST_F(OptionBarTest, ShapeKindsAndPathParts) {
    ASSERT_TRUE(testing::NewImage(*editor, 40, 30, 96, 96, false));
    Send(cmd::kToolShape);
    Choose(3, 11);  // （塗）多角形
    EXPECT_EQ(Describe(ShownBands()), "2 5 7 8 9 12 18 20 ");
    EXPECT_EQ(PathButtons(editor->frame.shapePathBar), "101");
    Choose(3, 13);  // ﾊﾟｽ
    Choose(6, 3);   // 円形
    EXPECT_EQ(Stored(3), 13);
    EXPECT_EQ(Stored(6), 3);
    EXPECT_EQ(Describe(ShownBands()), "2 3 5 7 9 12 18 27 ");
    EXPECT_EQ(PathButtons(editor->frame.shapePathBar), "011");
    // The text part adds the text bands, with the text's smoothing list greyed.
    Choose(6, 9);
    EXPECT_EQ(Describe(ShownBands()), "2 3 5 7 8 9 12 16 17 18 27 ");
    EXPECT_EQ(PathButtons(editor->frame.shapePathBar), "111");
    EXPECT_FALSE(IsWindowEnabled(ListOf(28)));
    EXPECT_TRUE(IsWindowEnabled(ListOf(29)));
    // Filling the path adds its fill pattern; a circular gradient adds the gradient's bands.
    Choose(7, 1);
    Choose(35, 6);
    EXPECT_EQ(Stored(35), 6);
    EXPECT_EQ(Describe(ShownBands()), "2 3 5 7 8 9 12 16 17 18 20 21 24 25 27 ");
    // Every shown band fits in the window's width: the bands wrap into rows.
    RECT client{};
    GetClientRect(editor->frame.topRebar, &client);
    for (int b : ShownBands()) {
        RECT r{};
        SendMessageW(editor->frame.topRebar, RB_GETRECT, static_cast<WPARAM>(BandIndex(b)), reinterpret_cast<LPARAM>(&r));
        EXPECT_LE(r.right, client.right) << "band " << b;
    }
    // The view sits below the grown rebar.
    RECT rebar{}, view{};
    GetWindowRect(editor->frame.topRebar, &rebar);
    GetWindowRect(editor->frame.view, &view);
    EXPECT_GE(view.top, rebar.bottom);
}

TEST_F(OptionBarTest, FillToolPatternsUseTheFillToolsOptions) {
    ASSERT_TRUE(testing::NewImage(*editor, 40, 30, 96, 96, false));
    Send(cmd::kToolFill);
    Choose(18, 1);  // 図形塗り
    EXPECT_EQ(Describe(ShownBands()), "13 14 20 ");
    Choose(42, 5);  // 円形ｸﾞﾗﾃﾞｰｼｮﾝ
    EXPECT_EQ(Stored(42), 5);
    EXPECT_EQ(Stored(35), 0);
    EXPECT_EQ(Describe(ShownBands()), "13 14 20 21 23 24 ");
    Choose(45, 1);  // 中心点 指定
    EXPECT_EQ(Stored(45), 1);
    EXPECT_EQ(Stored(38), 0);
    // The shape tool shows its own pattern in the same list.
    Send(cmd::kToolShape);
    EXPECT_EQ(Selected(35), "ｿﾘｯﾄﾞ");
    Send(cmd::kToolFill);
    EXPECT_EQ(Selected(42), "円形ｸﾞﾗﾃﾞｰｼｮﾝ");
    Choose(18, 2);  // 色置換
    EXPECT_EQ(Describe(ShownBands()), "13 15 ");
}

TEST_F(OptionBarTest, ChangesAreStoredWithTheirScaling) {
    ASSERT_TRUE(testing::NewImage(*editor, 40, 30, 96, 96, false));
    Send(cmd::kToolShape);
    const struct {
        int option;
        int index;
        int stored;
        const char* text;
    } changes[] = {
        {4, 4, 5, "  5"},      // 線幅: index + 1
        {16, 3, 15, " 15"},    // 開始角度: index × 5
        {17, 72, 360, "360"},  // ｽｲｰﾌﾟ角度
        {53, 9, 10, " 10"},    // the retouch brush's 線幅
        {54, 0, 0, "10%"},     // 強度
        {58, 149, 149, "1.50"},  // 幅
        {57, 45, 45, " 45"},   // 回転
        {22, 2, 2, "  6"},     // 透：± (the wand and the fill multiply by 3)
    };
    for (const auto& c : changes) {
        Choose(c.option, c.index);
        EXPECT_EQ(Stored(c.option), c.stored) << c.option;
        EXPECT_EQ(Selected(c.option), c.text) << c.option;
    }
}

TEST_F(OptionBarTest, SwitchingImagesShowsEachImagesValues) {
    ASSERT_TRUE(testing::NewImage(*editor, 40, 30, 96, 96, false));
    Choose(0, 3);  // first image: マジックワンド
    Choose(1, 0);
    Send(cmd::kToolShape);
    Choose(4, 9);  // 線幅 10
    ASSERT_TRUE(testing::NewImage(*editor, 20, 20, 96, 96, false));
    EXPECT_EQ(editor->images.current, 1);
    EXPECT_EQ(Describe(ShownBands()), "1 ");
    EXPECT_EQ(Selected(0), "矩形");
    EXPECT_EQ(Selected(1), "あり");
    EXPECT_EQ(Selected(4), "  1");

    Send(cmd::kImageBarFirst + 0);
    EXPECT_EQ(editor->images.current, 0);
    EXPECT_EQ(Selected(0), "マジックワンド");
    EXPECT_EQ(Selected(1), "なし");
    EXPECT_EQ(Selected(4), " 10");
    EXPECT_EQ(Describe(ShownBands()), "1 15 ");  // switching selects the selection tool
    EXPECT_TRUE(IsWindowEnabled(ListOf(2)));

    Send(cmd::kImageBarFirst + 1);
    EXPECT_EQ(Selected(0), "矩形");
    EXPECT_EQ(Describe(ShownBands()), "1 ");
    EXPECT_EQ(editor->images.slots[0].toolSettings[4], 10);
    EXPECT_EQ(editor->images.slots[1].toolSettings[4], 1);
}

TEST_F(OptionBarTest, ARefusedChangeShowsTheOldValueAgain) {
    ASSERT_TRUE(testing::NewImage(*editor, 40, 30, 96, 96, false));
    Send(cmd::kToolShape);
    editor->Current()->drawPath.emplace();  // a figure still being drawn
    answer = IDCANCEL;
    Choose(3, 5);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, u"編集中のパスを描画しますか？");
    EXPECT_EQ(Stored(3), 0);
    EXPECT_EQ(Selected(3), "自由描画");
    EXPECT_EQ(Describe(ShownBands()), "2 4 7 ");
    answer = IDNO;  // the figure is dropped and the kind changes
    Choose(3, 5);
    EXPECT_EQ(Stored(3), 5);
    EXPECT_FALSE(editor->Current()->drawPath);
    EXPECT_EQ(Describe(ShownBands()), "2 5 7 8 18 ");
}

TEST_F(OptionBarTest, IndexedConversionReturnsToTheSelectionBand) {
    ASSERT_TRUE(testing::NewImage(*editor, 40, 30, 96, 96, false));
    Send(cmd::kToolFill);
    EXPECT_EQ(Describe(ShownBands()), "13 15 ");
    Send(cmd::k8Index);
    ASSERT_EQ(editor->Current()->pixelFormat, fmt::k8Index);
    EXPECT_EQ(editor->Current()->tool, kToolSelect);
    EXPECT_EQ(Describe(ShownBands()), "1 ");
}

// Stands in for "the current tool has paths" in the rules of the path commands.
bool pathsPresent = false;

TEST_F(OptionBarTest, PathButtonsFollowTheCommandRules) {
    for (int id : {cmd::kPathDeletePoint, cmd::kPathDeleteLast, cmd::kPathDeleteAll})
        editor->commands.Rule(id, [](const CommandState&) { return pathsPresent; });
    ASSERT_TRUE(testing::NewImage(*editor, 40, 30, 96, 96, false));
    Choose(0, 2);
    for (bool present : {true, false}) {
        pathsPresent = present;
        Refresh(*editor);
        for (HWND bar : {editor->frame.selectionPathBar, editor->frame.shapePathBar})
            for (int id : {cmd::kPathDeletePoint, cmd::kPathDeleteLast, cmd::kPathDeleteAll})
                EXPECT_EQ(SendMessageW(bar, TB_ISBUTTONENABLED, static_cast<WPARAM>(id), 0) != 0, present) << id;
    }
    // The buttons' tool tips come from the main window.
    NMTTDISPINFOW tip{};
    tip.hdr.hwndFrom = reinterpret_cast<HWND>(SendMessageW(editor->frame.selectionPathBar, TB_GETTOOLTIPS, 0, 0));
    tip.hdr.idFrom = cmd::kPathDeleteLast;
    tip.hdr.code = TTN_GETDISPINFOW;
    SendMessageW(editor->frame.mainWindow, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&tip));
    ASSERT_NE(tip.lpszText, nullptr);
    EXPECT_EQ(ToUtf8(FromW(tip.lpszText)), "最後のパスを削除");
}

TEST_F(OptionBarTest, OtherNotificationsAndStrangersChangeNothing) {
    ASSERT_TRUE(testing::NewImage(*editor, 40, 30, 96, 96, false));
    HWND list = ListOf(0);
    SendMessageW(list, CB_SETCURSEL, 3, 0);
    const int id = GetDlgCtrlID(list);
    SendMessageW(editor->frame.mainWindow, WM_COMMAND, MAKEWPARAM(id, CBN_DROPDOWN), reinterpret_cast<LPARAM>(list));
    EXPECT_EQ(Stored(0), 0);
    // The same id from another window is not the list's.
    SendMessageW(editor->frame.mainWindow, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(editor->frame.view));
    EXPECT_EQ(Stored(0), 0);
    EXPECT_EQ(Describe(ShownBands()), "1 ");
}

TEST_F(OptionBarTest, FontListHoldsTheInstalledFamilies) {
    HWND list = editor->frame.optionLists[ControlOf(26)];
    const int count = static_cast<int>(SendMessageW(list, CB_GETCOUNT, 0, 0));
    ASSERT_GT(count, 0);
    EXPECT_LE(count, 256);
    std::set<std::string> names;
    for (int i = 0; i < count; ++i) {
        wchar_t buf[64] = {};
        SendMessageW(list, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buf));
        EXPECT_NE(buf[0], L'@');
        EXPECT_TRUE(names.insert(ToUtf8(FromW(buf))).second) << ToUtf8(FromW(buf));
    }
    // The Japanese Gothic face that stands in for the dialog fonts here.
    EXPECT_TRUE(names.count("IPAPGothic")) << *names.begin();
}

TEST_F(OptionBarTest, ListsShowTheDescribedEntries) {
    const struct {
        int option;
        int count;
        int index;
        const char* text;
    } lists[] = {
        {0, 4, 3, "マジックワンド"}, {3, 14, 13, "ﾊﾟｽ"}, {35, 62, 61, "SolidDiamond"},
        {58, 1000, 999, "10.00"},   {57, 361, 0, "  0"}, {18, 4, 3, "色置換（透明度→色）"},
    };
    for (const auto& l : lists) {
        HWND list = editor->frame.optionLists[ControlOf(l.option)];
        EXPECT_EQ(SendMessageW(list, CB_GETCOUNT, 0, 0), l.count) << l.option;
        wchar_t buf[64] = {};
        SendMessageW(list, CB_GETLBTEXT, static_cast<WPARAM>(l.index), reinterpret_cast<LPARAM>(buf));
        EXPECT_EQ(ToUtf8(FromW(buf)), l.text) << l.option;
    }
    wchar_t label[32] = {};
    GetWindowTextW(editor->frame.optionLabels[ControlOf(0)], label, 32);
    EXPECT_EQ(ToUtf8(FromW(label)), "選択：");
}

}  // namespace
}  // namespace mirelo
