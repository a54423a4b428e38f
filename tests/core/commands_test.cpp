#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "app/commands.h"
#include "app/tool_row.h"
#include "image/pixel_format.h"

namespace mirelo {
namespace {

TEST(CommandTable, IdsAreUniqueAndComplete) {
    size_t n = 0;
    const CommandInfo* table = CommandTable(&n);
    std::set<int> ids;
    for (size_t i = 0; i < n; ++i) EXPECT_TRUE(ids.insert(table[i].id).second) << table[i].id;
    for (int id = 40001; id <= 40086; ++id) {
        if (id == 40041 || id == 40054) {
            EXPECT_EQ(FindCommand(id), nullptr) << id;
            continue;
        }
        EXPECT_NE(FindCommand(id), nullptr) << id;
    }
    for (int id : {1124, 1125, 1132, 1133, 1134, 1137, 1138, 1156, 1157, 1158, 1159, 1160, 1161, 1188, 1189})
        EXPECT_NE(FindCommand(id), nullptr) << id;
    EXPECT_EQ(FindCommand(1126), nullptr);
    EXPECT_NE(FindCommand(10000), nullptr);
    EXPECT_EQ(FindCommand(10255), FindCommand(10000));  // one record for the whole range
    EXPECT_EQ(FindCommand(10000)->LastId(), 10255);
    EXPECT_EQ(FindCommand(10256), nullptr);
    EXPECT_NE(FindCommand(40755), nullptr);
    EXPECT_EQ(FindCommand(40756), nullptr);
}

TEST(CommandTable, Guards) {
    EXPECT_EQ(FindCommand(cmd::kNew)->guards, unsigned{kGuardPendingPath});
    EXPECT_EQ(FindCommand(cmd::kClose)->guards, unsigned{kGuardPendingPath | kGuardImage});
    EXPECT_EQ(FindCommand(cmd::k1Index)->guards, unsigned{kGuardPendingPath | kGuardPasteObjects});
    EXPECT_EQ(FindCommand(cmd::k16RGB555)->guards, unsigned{kGuardPendingPath});
    EXPECT_EQ(FindCommand(cmd::k16ARGB1555)->guards, unsigned{kGuardPendingPath | kGuardPasteObjects});
    EXPECT_EQ(FindCommand(cmd::kToolShape)->guards, unsigned{kGuardImage});
    EXPECT_EQ(FindCommand(cmd::kToolText)->guards, unsigned{kGuardPendingPath | kGuardImage});
    EXPECT_EQ(FindCommand(cmd::kUndo)->guards, 0u);
    EXPECT_EQ(FindCommand(cmd::kDelete)->guards, unsigned{kGuardImage});
    EXPECT_EQ(FindCommand(cmd::kFitWindow)->guards, unsigned{kGuardImage});
}

TEST(CommandTable, GridSpacings) {
    EXPECT_EQ(GridSpacingForCommand(40066), 1);
    EXPECT_EQ(GridSpacingForCommand(40070), 16);
    EXPECT_EQ(GridSpacingForCommand(40078), 256);
    EXPECT_EQ(GridSpacingForCommand(40065), 0);
    EXPECT_EQ(GridSpacingForCommand(40079), 0);
    EXPECT_EQ(GridCommandForSpacing(0, 0), 40065);
    EXPECT_EQ(GridCommandForSpacing(16, 16), 40070);
    EXPECT_EQ(GridCommandForSpacing(16, 8), 40079);
    EXPECT_EQ(GridCommandForSpacing(7, 7), 40079);
    for (int id = 40066; id <= 40078; ++id) {
        int s = GridSpacingForCommand(id);
        EXPECT_EQ(GridCommandForSpacing(s, s), id);
    }
}

TEST(CommandTable, FormatCommands) {
    EXPECT_EQ(FormatCommand(fmt::k1Index), 40051);
    EXPECT_EQ(FormatCommand(fmt::k16ARGB1555), 40057);
    EXPECT_EQ(FormatCommand(fmt::k64PARGB), 40064);
    EXPECT_EQ(FormatCommand(fmt::k16Gray), 0);
    EXPECT_EQ(FormatCommand(0x1234), 0);
}

TEST(KeyMirror, CtrlLettersAndPlainKeys) {
    EXPECT_EQ(KeyToCommandId('Z', true), 40011);
    EXPECT_EQ(KeyToCommandId('Z', false), 0);
    EXPECT_EQ(KeyToCommandId('Y', true), 40012);
    EXPECT_EQ(KeyToCommandId('B', true), 40017);
    EXPECT_EQ(KeyToCommandId(0x1B, false), 40019);
    EXPECT_EQ(KeyToCommandId(0x2E, true), 40086);
    EXPECT_EQ(KeyToCommandId('Q', true), 0);
    // The key mirror and the accelerator table agree.
    size_t n = 0;
    const AcceleratorKey* acc = AcceleratorTable(&n);
    EXPECT_EQ(n, 13u);
    for (size_t i = 0; i < n; ++i) EXPECT_EQ(KeyToCommandId(acc[i].virtualKey, acc[i].ctrl), acc[i].command);
}

TEST(SaveInPlace, Routes) {
    EXPECT_EQ(ChooseSaveRoute(false, 4), SaveRoute::SaveAsDialog);
    EXPECT_EQ(ChooseSaveRoute(true, -1), SaveRoute::SaveAsDialog);
    EXPECT_EQ(ChooseSaveRoute(true, 3), SaveRoute::IconOrPointer);
    EXPECT_EQ(ChooseSaveRoute(true, 5), SaveRoute::PngOrTiff);
    EXPECT_EQ(ChooseSaveRoute(true, 6), SaveRoute::PngOrTiff);
    for (int t : {1, 2, 4}) EXPECT_EQ(ChooseSaveRoute(true, t), SaveRoute::Direct);
}

}  // namespace
}  // namespace mirelo

namespace mirelo {
namespace {

TEST(ToolBars, MainToolBarOrderSeparatorsAndTips) {
    size_t n = 0;
    const ToolBarButton* b = MainToolBarButtons(&n);
    std::vector<int> ids;
    for (size_t i = 0; i < n; ++i) ids.push_back(b[i].command);
    EXPECT_EQ(ids, (std::vector<int>{40001, 40002, 40004, 40003, 0, 40011, 40012, 0, 40014, 40015, 40016, 0, 1188, 1189, 0}));
    EXPECT_EQ(TextView(ToolTipText(40016)), TextView(u"貼り付け"));
    EXPECT_EQ(TextView(ToolTipText(1189)), TextView(u"左回転"));
    EXPECT_EQ(TextView(ToolTipText(1124)), TextView(u"ウィンドウサイズ"));
    EXPECT_EQ(TextView(ToolTipText(1125)), TextView(u"等倍サイズ"));
    EXPECT_EQ(TextView(ToolTipText(1157)), TextView(u"図形描画"));
    EXPECT_EQ(TextView(ToolTipText(40032)), TextView(u"パスの最後の点を削除"));
    EXPECT_EQ(TextView(ToolTipText(40033)), TextView(u"最後のパスを削除"));
    EXPECT_EQ(TextView(ToolTipText(40034)), TextView(u"パスをすべて削除"));
    EXPECT_EQ(ToolTipText(0), nullptr);
    EXPECT_EQ(ToolTipText(40013), nullptr);
}

// The tool rows cover the tool ids in order, and the command table and the tool bar take each
// tool's command, guards and tooltip from its row, in the same order.
TEST(ToolBars, ToolRowsMakeTheToolCommandsAndButtons) {
    const std::vector<ToolEntry>& rows = ToolRows();
    ASSERT_EQ(rows.size(), static_cast<size_t>(kLastTool - kFirstTool + 1));
    size_t n = 0;
    const ToolBarButton* buttons = ToolButtons(&n);
    ASSERT_EQ(n, rows.size());
    std::set<int> commands;
    for (size_t i = 0; i < rows.size(); ++i) {
        const ToolEntry& t = rows[i];
        SCOPED_TRACE(t.id);
        EXPECT_EQ(t.id, kFirstTool + static_cast<int>(i));
        EXPECT_EQ(FindToolRow(t.id), &t);
        EXPECT_TRUE(commands.insert(t.command).second);
        ASSERT_NE(FindCommand(t.command), nullptr);
        EXPECT_EQ(FindCommand(t.command)->guards, t.row->guards);
        EXPECT_NE(t.row->guards & kGuardImage, 0u);  // no tool is chosen without an image
        ASSERT_NE(t.row->tip, nullptr);
        EXPECT_EQ(buttons[i].command, t.command);
        EXPECT_EQ(buttons[i].tip, t.row->tip);
        EXPECT_EQ(ToolTipText(t.command), t.row->tip);  // no other tool bar has the command
    }
    EXPECT_EQ(FindToolRow(kFirstTool - 1), nullptr);
    EXPECT_EQ(FindToolRow(kLastTool + 1), nullptr);
}

}  // namespace
}  // namespace mirelo
