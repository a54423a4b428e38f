#include <functional>
#include <set>

#include "harness.h"
#include "app/commands.h"
#include "app/dispatch.h"
#include "app/help.h"
#include "app/menu_state.h"
#include "image/new_image.h"
#include "res/resource.h"

namespace mirelo {
namespace {
using testing::EditorTest;

class DispatchTest : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        editor->commandObserver = [this](int id) { reached.push_back(id); };
        // Any dialog that a command opens is cancelled at once.
        editor->dialogObserver = [](HWND dlg, int) { PostMessageW(dlg, WM_COMMAND, IDCANCEL, 0); };
    }
    bool Reached(int id) const { return std::find(reached.begin(), reached.end(), id) != reached.end(); }

    std::vector<int> reached;
};

// Commands whose action leaves the test's reach (quit; system dialogs: about, help, the scanner
// manager's, page setup and printing, each tested on its own) or removes the image.
bool SkippedInSweep(int id) {
    return id == cmd::kExit || id == cmd::kAbout || id == cmd::kClose || id == cmd::kHelp || id == cmd::kScanSource ||
           id == cmd::kScan || id == cmd::kPageSetup || id == cmd::kPrint;
}

TEST_F(DispatchTest, EveryCommandReachesTheDispatcherWithAnImage) {
    OpenWindow();
    ASSERT_TRUE(testing::NewImage(*editor, 16, 16, 96, 96, false));
    size_t n = 0;
    const CommandInfo* table = CommandTable(&n);
    int disabled = 0;
    for (size_t i = 0; i < n; ++i) {
        int id = table[i].id;
        if (SkippedInSweep(id)) continue;
        // A command passes the dispatcher exactly when its rule lets it be chosen now.
        const bool enabled = ComputeAvailability(*editor).Enabled(id);
        disabled += !enabled;
        reached.clear();
        Send(id);
        EXPECT_EQ(Reached(id), enabled) << id;
        // Nothing speaks (front and back, which would say that no object is selected, are not
        // available without one).
        if (!shown.empty()) ADD_FAILURE() << id << ": " << testing::Narrow(shown.back().text);
        shown.clear();
    }
    EXPECT_GT(disabled, 5);  // redo, the object and path commands …
    for (int id : {10000, 40500}) {
        reached.clear();
        Send(id);
        EXPECT_TRUE(Reached(id)) << id;
    }
    EXPECT_TRUE(shown.empty());
    // New was cancelled by the test; copy (40015) then paste as a new image (40017) added one.
    EXPECT_EQ(editor->images.Occupied(), 2);
    EXPECT_EQ(editor->images.slots[1].path, u"clipboard");
    reached.clear();
    Send(40041);
    Send(40054);
    Send(9999);
    EXPECT_TRUE(reached.empty());
}

TEST_F(DispatchTest, CommandsPassTheirRuleHoweverTheyArrive) {
    // An indexed picture with a selection: erase and cut are not available, whether chosen from
    // the menu, by their key, through the key mirror or forwarded by Delete (40086).
    OpenWindow();
    ASSERT_TRUE(testing::NewImage(*editor, 16, 16, 96, 96, false));
    Send(cmd::k8Index);
    ImageSlot& s = *editor->Current();
    ASSERT_TRUE(IsIndexed(s.pixelFormat));
    s.selectionPath.emplace();
    s.selectionPath->AddRectangle(2, 2, 8, 8);
    testing::Refresh(*editor);
    const std::vector<uint32_t> before = testing::AllPixels(s.bitmap.get(), 16, 16);
    const int position = s.undo.position;
    struct Route {
        const char* name;
        std::function<void()> send;
    };
    HWND main = editor->frame.mainWindow;
    const Route routes[] = {
        {"menu 40013", [&] { Send(cmd::kErase); }},
        {"menu 40014", [&] { Send(cmd::kCut); }},
        {"Delete key through the mirror", [&] { SendMessageW(main, WM_KEYDOWN, VK_DELETE, 0); }},
        {"forward of 40086", [&] { Send(cmd::kDelete); }},
        {"Ctrl+X through the mirror", [&] {
             BYTE keys[256] = {};
             GetKeyboardState(keys);
             const BYTE ctrl = keys[VK_CONTROL];
             keys[VK_CONTROL] = 0x80;
             SetKeyboardState(keys);
             SendMessageW(main, WM_KEYDOWN, 'X', 0);
             keys[VK_CONTROL] = ctrl;
             SetKeyboardState(keys);
         }},
    };
    for (const Route& r : routes) {
        SCOPED_TRACE(r.name);
        reached.clear();
        r.send();
        EXPECT_FALSE(Reached(cmd::kErase));
        EXPECT_FALSE(Reached(cmd::kCut));
        EXPECT_EQ(testing::AllPixels(s.bitmap.get(), 16, 16), before);
        EXPECT_EQ(s.undo.position, position);
    }
    EXPECT_TRUE(shown.empty());
    // The same routes on a direct-colour picture do erase: the rule, not the route, decides.
    Send(cmd::k24RGB);
    testing::Refresh(*editor);
    reached.clear();
    SendMessageW(main, WM_KEYDOWN, VK_DELETE, 0);
    EXPECT_TRUE(Reached(cmd::kDelete));
    EXPECT_TRUE(Reached(cmd::kErase));
}

TEST_F(DispatchTest, ImageGuardDoesNothingWithoutAnImage) {
    OpenWindow();
    size_t n = 0;
    const CommandInfo* table = CommandTable(&n);
    for (size_t i = 0; i < n; ++i) {
        if (!(table[i].guards & kGuardImage)) continue;
        reached.clear();
        Send(table[i].id);
        EXPECT_FALSE(Reached(table[i].id)) << table[i].id;
    }
    EXPECT_TRUE(shown.empty());
    Send(cmd::kCursorCoords);  // unguarded commands without a rule still arrive
    EXPECT_TRUE(Reached(cmd::kCursorCoords));
    reached.clear();
    Send(cmd::kUndo);  // … and those whose rule asks for an image do not
    EXPECT_FALSE(Reached(cmd::kUndo));
}

TEST_F(DispatchTest, PasteObjectGuardRefusesWithItsMessage) {
    OpenWindow();
    ASSERT_TRUE(testing::NewImage(*editor, 16, 16, 96, 96, false));
    editor->Current()->pasteObjects.items.resize(1);
    for (int id : {cmd::k1Index, cmd::k4Index, cmd::k8Index, cmd::k16ARGB1555}) {
        shown.clear();
        reached.clear();
        Send(id);
        EXPECT_FALSE(Reached(id)) << id;
        ASSERT_EQ(shown.size(), 1u) << id;
        EXPECT_EQ(shown[0].text, u"貼紙を削除、またはマージして下さい");
        EXPECT_EQ(shown[0].title, u"Mirelo");
        EXPECT_EQ(shown[0].owner, editor->frame.mainWindow);
    }
    shown.clear();
    Send(cmd::k16RGB555);  // not guarded by paste objects
    EXPECT_TRUE(Reached(cmd::k16RGB555));
    EXPECT_TRUE(shown.empty());
    editor->Current()->pasteObjects.Clear();
}

TEST_F(DispatchTest, PendingPathQuestionCancelStopsTheCommand) {
    OpenWindow();
    ASSERT_TRUE(testing::NewImage(*editor, 16, 16, 96, 96, false));
    editor->Current()->drawPath.emplace();
    editor->Current()->selectionAnchor = Anchor{1, 2};
    editor->Current()->figureAnchor = Anchor{3, 4};
    answer = IDCANCEL;
    Send(cmd::k24RGB);
    EXPECT_FALSE(Reached(cmd::k24RGB));
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, u"編集中のパスを描画しますか？");
    EXPECT_EQ(shown[0].type & 0xF, static_cast<UINT>(MB_YESNOCANCEL));
    EXPECT_TRUE(editor->Current()->drawPath);
    answer = IDNO;  // discards the drawing path and its marks, then goes on
    Send(cmd::k24RGB);
    EXPECT_TRUE(Reached(cmd::k24RGB));
    EXPECT_FALSE(editor->Current()->drawPath);
    EXPECT_EQ(editor->Current()->selectionAnchor.x, 1);
    EXPECT_FALSE(editor->Current()->figureAnchor.set());
    shown.clear();
    Send(cmd::k24RGB);  // no unfinished path: no question
    EXPECT_TRUE(shown.empty());
}

TEST_F(DispatchTest, CtrlZKeyPressReachesUndo) {
    OpenWindow();
    // Undo is possible (without it the command would not run, whichever way it came).
    ASSERT_TRUE(testing::NewImage(*editor, 8, 8, 96, 96, false));
    editor->Current()->undo.canUndo = true;
    testing::Refresh(*editor);
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    SendMessageW(editor->frame.mainWindow, WM_KEYDOWN, 'Z', 0);
    EXPECT_TRUE(Reached(cmd::kUndo));
    editor->Current()->undo.canUndo = true;

    // The accelerator table translates the same key into the same command.
    reached.clear();
    HACCEL acc = LoadAcceleratorsW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_ACCELERATORS));
    ASSERT_NE(acc, nullptr);
    MSG m{editor->frame.mainWindow, WM_KEYDOWN, 'Z', 0, 0, {0, 0}};
    EXPECT_TRUE(TranslateAcceleratorW(editor->frame.mainWindow, acc, &m));
    EXPECT_TRUE(Reached(cmd::kUndo));

    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);
    reached.clear();
    SendMessageW(editor->frame.mainWindow, WM_KEYDOWN, 'Z', 0);  // without Ctrl: ignored
    EXPECT_TRUE(reached.empty());
    editor->Current()->selectionPath.emplace();  // Escape lets go of a selection
    editor->Current()->selectionPath->AddRectangle(1, 1, 4, 4);
    SendMessageW(editor->frame.mainWindow, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(Reached(cmd::kSelectNone));
}

TEST_F(DispatchTest, HelpWithoutItsFileSaysSo) {
    OpenWindow();
    const Text beside = HelpFilePath();
    ASSERT_GE(beside.size(), 11u);
    EXPECT_EQ(beside.substr(beside.size() - 11), u"\\mirelo.chm");
    // The build puts its help file beside the tests: the editor is pointed at a missing one.
    editor->help.file = testing::MakeTempDir(L"dispatch-help") + u"\\mirelo.chm";
    const Text file = editor->help.file;
    ASSERT_EQ(GetFileAttributesW(W(file)), INVALID_FILE_ATTRIBUTES) << "the test expects no help file there";
    Send(cmd::kHelp);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_NE(shown[0].text.find(file), Text::npos);
    EXPECT_EQ(shown[0].title, u"Mirelo");
}

TEST_F(DispatchTest, AcceleratorResourceMatchesTheKeyTable) {
    HACCEL acc = LoadAcceleratorsW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_ACCELERATORS));
    ASSERT_NE(acc, nullptr);
    ACCEL entries[32];
    int n = CopyAcceleratorTableW(acc, entries, 32);
    size_t expectedCount = 0;
    const AcceleratorKey* expected = AcceleratorTable(&expectedCount);
    ASSERT_EQ(n, static_cast<int>(expectedCount));
    for (size_t i = 0; i < expectedCount; ++i) {
        bool found = false;
        for (int j = 0; j < n; ++j) {
            bool ctrl = (entries[j].fVirt & FCONTROL) != 0;
            if (entries[j].key == expected[i].virtualKey && ctrl == expected[i].ctrl && entries[j].cmd == expected[i].command &&
                (entries[j].fVirt & FVIRTKEY))
                found = true;
        }
        EXPECT_TRUE(found) << expected[i].command;
    }
}

constexpr int kObjectPopup = 102;  // items of the paste-object menu

// Collects every item text of a menu and its sub-menus with the top-level position it stands under.
void CollectItems(HMENU menu, int top, std::vector<std::tuple<int, UINT, Text>>& out) {
    int n = GetMenuItemCount(menu);
    for (int i = 0; i < n; ++i) {
        wchar_t text[128] = {};
        GetMenuStringW(menu, static_cast<UINT>(i), text, 128, MF_BYPOSITION);
        HMENU sub = GetSubMenu(menu, i);
        if (sub)
            CollectItems(sub, top, out);
        else
            out.emplace_back(top, GetMenuItemID(menu, i), FromW(text));
    }
}

TEST_F(DispatchTest, MenuItemsAreRegisteredCommands) {
    HINSTANCE inst = GetModuleHandleW(nullptr);
    HMENU main = LoadMenuW(inst, MAKEINTRESOURCEW(IDR_MAINMENU));
    HMENU object = LoadMenuW(inst, MAKEINTRESOURCEW(IDR_OBJECTMENU));
    ASSERT_NE(main, nullptr);
    ASSERT_NE(object, nullptr);
    const wchar_t* tops[] = {L"ﾌｧｲﾙ(&F)", L"編集(&E)", L"貼紙(&P)", L"ﾊﾟｽ(&A)", L"加工(&M)",
                             L"色形式(&O)", L"画像選択(&S)", L"表示(&D)", L"ﾍﾙﾌﾟ(&H)"};
    ASSERT_EQ(GetMenuItemCount(main), 9);
    std::vector<std::tuple<int, UINT, Text>> items;
    for (int i = 0; i < 9; ++i) {
        wchar_t text[64] = {};
        GetMenuStringW(main, static_cast<UINT>(i), text, 64, MF_BYPOSITION);
        EXPECT_STREQ(text, tops[i]);
        CollectItems(GetSubMenu(main, i), i, items);
    }
    CollectItems(GetSubMenu(object, 0), kObjectPopup, items);
    // Every item is a command of the vocabulary; a few texts and places as samples.
    for (const auto& [top, id, text] : items) {
        if (id == 0) continue;  // separators
        EXPECT_NE(editor->commands.Find(static_cast<int>(id)), nullptr) << id;
    }
    const std::tuple<int, UINT, Text> samples[] = {
        {0, 40001, u"新規作成(&N)\tCtrl+N"}, {4, 40038, u"270度(T)"}, {5, 40058, u"24bit RGB\t(ﾌﾙｶﾗｰ)"},
        {kObjectPopup, 40086, u"削除(&D)\tCtrl+Delete"}};
    for (const auto& sample : samples)
        EXPECT_NE(std::find(items.begin(), items.end(), sample), items.end()) << std::get<1>(sample);
    // The sub-menus the state rules name.
    wchar_t text[64];
    std::set<Text> subs;
    for (int i = 0; i < 9; ++i) {
        HMENU pop = GetSubMenu(main, i);
        for (int j = 0; j < GetMenuItemCount(pop); ++j)
            if (GetSubMenu(pop, j) && GetMenuStringW(pop, static_cast<UINT>(j), text, 64, MF_BYPOSITION)) subs.insert(FromW(text));
    }
    for (const char16_t* name : {u"ｲﾒｰｼﾞｽｷｬﾅ(&I)", u"印刷(&P)", u"貼り付け", u"反転(&M)"}) EXPECT_TRUE(subs.count(name)) << testing::Narrow(name);
    wchar_t title[32] = {};
    GetMenuStringW(object, 0, title, 32, MF_BYPOSITION);
    EXPECT_STREQ(title, L"貼付画像2");
    DestroyMenu(main);
    DestroyMenu(object);
}

TEST_F(DispatchTest, SettingsCommandsCheckTheirItems) {
    OpenWindow();
    ASSERT_TRUE(testing::NewImage(*editor, 16, 16, 96, 96, false));
    auto checked = [&](int id) { return (GetMenuState(editor->frame.menu, static_cast<UINT>(id), MF_BYCOMMAND) & MF_CHECKED) != 0; };
    EXPECT_TRUE(checked(cmd::kPaletteMedianCut));
    EXPECT_TRUE(checked(cmd::kDither));
    EXPECT_TRUE(checked(cmd::kObjFrames));
    EXPECT_TRUE(checked(cmd::kGridNone));
    EXPECT_TRUE(checked(cmd::k32ARGB));
    Send(40070);
    EXPECT_EQ(editor->settings.gridX, 16);
    EXPECT_TRUE(checked(40070));
    EXPECT_FALSE(checked(cmd::kGridNone));
    Send(cmd::kPaletteMono);
    EXPECT_EQ(editor->settings.paletteMethod, cmd::kPaletteMono);
    EXPECT_TRUE(checked(cmd::kPaletteMono));
    EXPECT_FALSE(checked(cmd::kPaletteMedianCut));
    Send(cmd::kDither);
    EXPECT_FALSE(editor->settings.dither);
    EXPECT_FALSE(checked(cmd::kDither));
    Send(cmd::kCursorCoords);
    EXPECT_TRUE(checked(cmd::kCursorCoords));
    EXPECT_EQ(SendMessageW(editor->frame.statusBar, SB_GETPARTS, 0, 0), 2);
    wchar_t buf[256] = {};
    SendMessageW(editor->frame.statusBar, SB_GETTEXTW, 1, reinterpret_cast<LPARAM>(buf));
    EXPECT_EQ(std::wstring(buf).rfind(L"new1   MemoryBMP", 0), 0u);
    Send(cmd::kCursorCoords);
    EXPECT_EQ(SendMessageW(editor->frame.statusBar, SB_GETPARTS, 0, 0), 1);
    Send(cmd::kToolShape);
    EXPECT_EQ(editor->Current()->tool, kToolShape);
    Send(10000);  // selecting an image starts it with the selection tool
    EXPECT_EQ(editor->Current()->tool, kToolSelect);
}

TEST_F(DispatchTest, DeleteKeyErasesWithoutASelectedObject) {
    OpenWindow();
    ASSERT_TRUE(testing::NewImage(*editor, 16, 16, 96, 96, false));
    Send(cmd::kDelete);
    EXPECT_TRUE(Reached(cmd::kErase));
    EXPECT_FALSE(Reached(cmd::kObjDelete));
    reached.clear();
    editor->Current()->pasteObjects.items.resize(1);
    editor->Current()->pasteObjects.selected = 0;
    Send(cmd::kDelete);
    EXPECT_TRUE(Reached(cmd::kObjDelete));
    editor->Current()->pasteObjects.Clear();
}

TEST_F(DispatchTest, MenuStateFollowsTheImages) {
    OpenWindow();
    auto enabled = [&](int pos) { return !(GetMenuState(editor->frame.menu, static_cast<UINT>(pos), MF_BYPOSITION) & MF_GRAYED); };
    EXPECT_TRUE(enabled(0));
    EXPECT_FALSE(enabled(4));
    EXPECT_FALSE(enabled(5));
    EXPECT_FALSE(enabled(6));
    EXPECT_FALSE(enabled(7));
    EXPECT_TRUE(enabled(8));
    ASSERT_TRUE(testing::NewImage(*editor, 16, 16, 96, 96, false));
    EXPECT_TRUE(enabled(1));
    EXPECT_TRUE(enabled(4));
    EXPECT_FALSE(enabled(6));  // the image-select menu needs two images
    EXPECT_FALSE(enabled(2));
    ASSERT_TRUE(testing::NewImage(*editor, 16, 16, 96, 96, false));
    EXPECT_TRUE(enabled(6));
}

TEST_F(DispatchTest, QuitWithoutEditsAsksNothing) {
    HWND w = OpenWindow();
    ASSERT_TRUE(testing::NewImage(*editor, 16, 16, 96, 96, false));
    Send(cmd::kExit);
    EXPECT_TRUE(shown.empty());
    EXPECT_FALSE(IsWindow(w));
    EXPECT_EQ(editor->frame.mainWindow, nullptr);
}

TEST_F(DispatchTest, QuitWithAnUndoableStepAsks) {
    HWND w = OpenWindow();
    ASSERT_TRUE(testing::NewImage(*editor, 16, 16, 96, 96, false));
    editor->Current()->undo.position = 3;
    answer = IDNO;
    SendMessageW(w, WM_CLOSE, 0, 0);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, u"Mirelo を終了しますか？");
    EXPECT_TRUE(IsWindow(w));
    answer = IDYES;
    SendMessageW(w, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(w));
}

}  // namespace
}  // namespace mirelo
