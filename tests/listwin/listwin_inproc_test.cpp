// The list window created inside the test program, where its menus, tool bar and state can be
// read directly (another process's menus cannot be read under Wine).
#include <gtest/gtest.h>

#include "core/app.h"
#include "core/muravine_rtn.h"
#include "core/startup.h"
#include "core/text.h"
#include "imaging/muravine_susie.h"
#include "listwin/listwin_res.h"
#include "listwin/muravine_list.h"
#include "listwin/openfilter.h"
#include "testkit.h"

namespace {

using A = TFormMURAVINEList;

const std::wstring kSusie = L"Software\\Takechin\\Susie\\Plug-in";

void Pump() {
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&m);
        DispatchMessageW(&m);
    }
}

// A stand-in for the main window: records what the list window posts to its owner.
class Owner {
public:
    Owner() { received.clear(); }
    HWND hwnd() const { return window_.hwnd(); }
    static inline std::vector<MSG> received;
private:
    testkit::StandInWindow window_{L"MrvListOwner", [](UINT m, WPARAM w, LPARAM l) {
                                       if (m >= WM_APP) received.push_back(MSG{nullptr, m, w, l, 0, {}});
                                   }};
};

class ListWindowInProcess : public ::testing::Test {
protected:
    void SetUp() override {
        testkit::DeleteKeyTree(L"Software\\ORMI");
        testkit::DeleteKeyTree(kSusie);
        testkit::ResetCoreGlobals(dir.path());
    }
    void TearDown() override {
        FormMURAVINEList.reset();
        testkit::DeleteKeyTree(L"Software\\ORMI");
        testkit::DeleteKeyTree(kSusie);
        testkit::ResetCoreGlobals(dir.path());
    }
    // Start-up as a launch does it, with the list's lines, then the window as the main window opens it.
    TFormMURAVINEList& Open(const std::vector<std::string>& lines = {}) {
        PrepareStartUp();
        *gv_lstWall = lines;
        FormMURAVINEList = std::make_unique<TFormMURAVINEList>(owner.hwnd());
        FormMURAVINEList->Show();
        Pump();
        return *FormMURAVINEList;
    }
    void Select(const std::vector<int>& items) {
        HWND v = FormMURAVINEList->ListView1();
        ListView_SetItemState(v, -1, 0, LVIS_SELECTED);
        for (int i : items) ListView_SetItemState(v, i, LVIS_SELECTED, LVIS_SELECTED);
        Pump();
    }
    testkit::TempDir dir{L"listin"};
    Owner owner;
};

std::wstring MenuText(HMENU m, UINT pos) {
    wchar_t buf[256] = {};
    GetMenuStringW(m, pos, buf, 256, MF_BYPOSITION);
    return buf;
}

// "-" for a separator, otherwise the item's text; commands in `ids`.
std::vector<std::wstring> Items(HMENU m, std::vector<UINT>* ids = nullptr) {
    std::vector<std::wstring> items;
    for (int i = 0; i < GetMenuItemCount(m); ++i) {
        MENUITEMINFOW mi{};
        mi.cbSize = sizeof mi;
        mi.fMask = MIIM_FTYPE | MIIM_ID;
        GetMenuItemInfoW(m, static_cast<UINT>(i), TRUE, &mi);
        items.push_back(mi.fType & MFT_SEPARATOR ? L"-" : MenuText(m, static_cast<UINT>(i)));
        if (ids && !(mi.fType & MFT_SEPARATOR)) ids->push_back(mi.wID);
    }
    return items;
}

UINT State(HMENU m, UINT id) { return GetMenuState(m, id, MF_BYCOMMAND); }

TEST_F(ListWindowInProcess, TheMenusOfferTheActionsInTheirOrderWithShortcutsAndOneStyleGroup) {
    A& w = Open();
    HMENU bar = GetMenu(w.hwnd());
    ASSERT_EQ(bar, w.MainMenu1());
    ASSERT_EQ(GetMenuItemCount(bar), 3);
    EXPECT_EQ(MenuText(bar, 0), L"ファイル(&F)");
    EXPECT_EQ(MenuText(bar, 1), L"編集(&E)");
    EXPECT_EQ(MenuText(bar, 2), L"ヘルプ(&H)");
    std::vector<UINT> fileIds;
    EXPECT_EQ(Items(GetSubMenu(bar, 0), &fileIds),
              (std::vector<std::wstring>{L"壁紙に設定(&S)", L"プレビュー(&P)\tCtrl+P", L"-", L"最新の情報に更新(&R)\tF5", L"-",
                                         L"閉じる(&C)\tCtrl+F4"}));
    EXPECT_EQ(fileIds, (std::vector<UINT>{IDM_FILE_CHANGE, IDM_FILE_PREVIEW, IDM_FILE_REFRESH, IDM_FILE_CLOSE}));
    std::vector<UINT> editIds;
    EXPECT_EQ(Items(GetSubMenu(bar, 1), &editIds),
              (std::vector<std::wstring>{L"ファイルを追加(&A)\tIns", L"現在の壁紙をリストに追加(&N)", L"-", L"中央に表示(&C)",
                                         L"並べて表示(&T)", L"画面全体に表示(&S)", L"-", L"未表示にする(&Y)", L"表示済にする(&D)",
                                         L"-", L"すべて選択(&A)\tCtrl+A", L"-", L"リストから消去(&E)\tDel"}));
    EXPECT_EQ(editIds, (std::vector<UINT>{IDM_EDIT_ADD, IDM_EDIT_NOW, IDM_EDIT_CENTER, IDM_EDIT_TILE, IDM_EDIT_SCREEN,
                                          IDM_EDIT_YET, IDM_EDIT_ALREADY, IDM_EDIT_SELECT_ALL, IDM_EDIT_ERASE}));
    EXPECT_EQ(Items(GetSubMenu(bar, 2)), (std::vector<std::wstring>{L"目次(&C)\tF1", L"コマンド説明(&M)"}));
    std::vector<UINT> popupIds;
    EXPECT_EQ(Items(w.PopupMenu1(), &popupIds),
              (std::vector<std::wstring>{L"ファイルを追加(&A)\tIns", L"現在の壁紙をリストに追加(&N)", L"-", L"壁紙に設定(&S)", L"-",
                                         L"中央に表示(&C)", L"並べて表示(&T)", L"画面全体に表示(&S)", L"-", L"未表示にする(&Y)",
                                         L"表示済にする(&D)", L"-", L"リストから消去(&E)\tDel", L"-", L"プレビュー(&P)\tCtrl+P"}));
    EXPECT_EQ(popupIds, (std::vector<UINT>{IDM_EDIT_ADD, IDM_EDIT_NOW, IDM_FILE_CHANGE, IDM_EDIT_CENTER, IDM_EDIT_TILE,
                                           IDM_EDIT_SCREEN, IDM_EDIT_YET, IDM_EDIT_ALREADY, IDM_EDIT_ERASE,
                                           IDM_FILE_PREVIEW}));
    // The three style items show a radio mark, in both menus.
    for (HMENU m : {w.MainMenu1(), w.PopupMenu1()})
        for (UINT id : {IDM_EDIT_CENTER, IDM_EDIT_TILE, IDM_EDIT_SCREEN}) {
            MENUITEMINFOW mi{};
            mi.cbSize = sizeof mi;
            mi.fMask = MIIM_FTYPE;
            ASSERT_TRUE(GetMenuItemInfoW(m, id, FALSE, &mi));
            EXPECT_TRUE(mi.fType & MFT_RADIOCHECK) << id;
        }
}

TEST_F(ListWindowInProcess, EveryCommandShowsItsHintInTheStatusBar) {
    A& w = Open({"0,0,C:\\a.bmp,"});
    const std::pair<UINT, const wchar_t*> hints[] = {
        {IDM_FILE_CHANGE, L"壁紙を即座に変更します"},
        {IDM_FILE_PREVIEW, L"選択中ファイルのプレビューを表示します"},
        {IDM_FILE_REFRESH, L""},
        {IDM_FILE_CLOSE, L"この画面を閉じます"},
        {IDM_EDIT_ADD, L"ファイルをリストに追加します"},
        {IDM_EDIT_NOW, L""},
        {IDM_EDIT_CENTER, L"中央に表示するよう設定します"},
        {IDM_EDIT_TILE, L"並べて表示するよう設定します"},
        {IDM_EDIT_SCREEN, L"画面全体に表示するよう設定します"},
        {IDM_EDIT_YET, L""},
        {IDM_EDIT_ALREADY, L""},
        {IDM_EDIT_SELECT_ALL, L""},
        {IDM_EDIT_ERASE, L"選択中ファイルをリストから消去します"},
        {IDM_HELP_CONTENTS, L""},
        {IDM_HELP_COMMAND, L""},
    };
    for (const auto& [id, hint] : hints) {
        SetWindowTextW(w.StatusBar1(), L"?");
        SendMessageW(w.hwnd(), WM_MENUSELECT, MAKEWPARAM(id, MF_STRING), reinterpret_cast<LPARAM>(w.MainMenu1()));
        wchar_t text[256] = {};
        SendMessageW(w.StatusBar1(), SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(text));
        EXPECT_EQ(std::wstring(text), hint) << id;
    }
    // A closed menu empties it.
    SendMessageW(w.hwnd(), WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);
    wchar_t text[256] = {L'?'};
    SendMessageW(w.StatusBar1(), SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(text));
    EXPECT_EQ(std::wstring(text), L"");
}

TEST_F(ListWindowInProcess, MenuMarksAndStatesFollowTheSelectionInBothMenus) {
    testkit::WriteRegDword(L"Software\\ORMI\\MURAVINE", L"InitialPosition", 2);
    A& w = Open({"0,0,C:\\a.bmp,", "1,1,C:\\b.bmp,"});
    for (HMENU m : {w.MainMenu1(), w.PopupMenu1()}) {
        EXPECT_TRUE(State(m, IDM_FILE_CHANGE) & MF_GRAYED);
        EXPECT_TRUE(State(m, IDM_FILE_PREVIEW) & MF_GRAYED);
        EXPECT_TRUE(State(m, IDM_EDIT_ERASE) & MF_GRAYED);
        EXPECT_FALSE(State(m, IDM_EDIT_ADD) & MF_GRAYED);
        EXPECT_TRUE(State(m, IDM_EDIT_SCREEN) & MF_CHECKED);
        EXPECT_FALSE(State(m, IDM_EDIT_CENTER) & MF_CHECKED);
    }
    EXPECT_FALSE(w.ActionEnabled(A::actFileChange));
    Select({1});
    for (HMENU m : {w.MainMenu1(), w.PopupMenu1()}) {
        EXPECT_FALSE(State(m, IDM_FILE_CHANGE) & MF_GRAYED);
        EXPECT_FALSE(State(m, IDM_FILE_PREVIEW) & MF_GRAYED);
        EXPECT_FALSE(State(m, IDM_EDIT_ERASE) & MF_GRAYED);
        EXPECT_TRUE(State(m, IDM_EDIT_TILE) & MF_CHECKED);
        EXPECT_FALSE(State(m, IDM_EDIT_SCREEN) & MF_CHECKED);
    }
    EXPECT_TRUE(w.ActionChecked(A::actEditTile));
    Select({0, 1});
    EXPECT_TRUE(State(w.MainMenu1(), IDM_FILE_CHANGE) & MF_GRAYED);
    EXPECT_FALSE(State(w.MainMenu1(), IDM_EDIT_ERASE) & MF_GRAYED);
    EXPECT_TRUE(State(w.PopupMenu1(), IDM_EDIT_CENTER) & MF_CHECKED);
    // A command of a disabled action does nothing.
    w.Execute(A::actFileChange);
    EXPECT_EQ(ListView_GetItemCount(w.ListView1()), 2);
}

TEST_F(ListWindowInProcess, TheToolBarHasItsButtonsAndImagesSizedForTheScreen) {
    A& w = Open();
    HWND tb = w.ToolBar1();
    ASSERT_EQ(SendMessageW(tb, TB_BUTTONCOUNT, 0, 0), 11);
    const int expected[] = {0, IDM_EDIT_ADD, 0, IDM_EDIT_ERASE, IDM_FILE_PREVIEW, 0, IDM_HELP_CONTENTS, 0,
                            IDM_EDIT_CENTER, IDM_EDIT_TILE, IDM_EDIT_SCREEN};
    const int images[] = {-1, 0, -1, 1, 2, -1, 3, -1, 4, 5, 6};
    for (int i = 0; i < 11; ++i) {
        TBBUTTON b{};
        SendMessageW(tb, TB_GETBUTTON, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&b));
        if (expected[i] == 0) {
            EXPECT_TRUE(b.fsStyle & BTNS_SEP) << i;
            continue;
        }
        EXPECT_EQ(b.idCommand, expected[i]) << i;
        EXPECT_EQ(b.iBitmap, images[i]) << i;
        EXPECT_EQ((b.fsStyle & BTNS_CHECK) != 0, i >= 8) << i;
    }
    HIMAGELIST list = reinterpret_cast<HIMAGELIST>(SendMessageW(tb, TB_GETIMAGELIST, 0, 0));
    HIMAGELIST gray = reinterpret_cast<HIMAGELIST>(SendMessageW(tb, TB_GETDISABLEDIMAGELIST, 0, 0));
    ASSERT_NE(list, nullptr);
    ASSERT_NE(gray, nullptr);
    EXPECT_EQ(ImageList_GetImageCount(list), 7);
    EXPECT_EQ(ImageList_GetImageCount(gray), 7);
    HDC dc = GetDC(nullptr);
    const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(nullptr, dc);
    int cx = 0, cy = 0;
    ImageList_GetIconSize(list, &cx, &cy);
    EXPECT_EQ(cx, dpi >= 192 ? 32 : dpi >= 144 ? 24 : dpi >= 120 ? 20 : 16);
    EXPECT_EQ(cy, cx);
    EXPECT_NE(SendMessageW(w.hwnd(), WM_GETICON, ICON_SMALL, 0), 0);
    EXPECT_NE(SendMessageW(w.hwnd(), WM_GETICON, ICON_BIG, 0), 0);
}

TEST_F(ListWindowInProcess, TheWindowIsAResizableToolWindowWithAMinimumSize) {
    A& w = Open();
    wchar_t title[64] = {};
    GetWindowTextW(w.hwnd(), title, 64);
    EXPECT_EQ(std::wstring(title), L"むらびね for Win32");
    EXPECT_TRUE(GetWindowLongPtrW(w.hwnd(), GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
    EXPECT_TRUE(GetWindowLongPtrW(w.hwnd(), GWL_STYLE) & WS_THICKFRAME);
    EXPECT_EQ(GetWindow(w.hwnd(), GW_OWNER), owner.hwnd());
    HWND v = w.ListView1();
    const LONG_PTR style = GetWindowLongPtrW(v, GWL_STYLE);
    EXPECT_EQ(style & LVS_TYPEMASK, LVS_REPORT);
    EXPECT_TRUE(style & LVS_NOCOLUMNHEADER);
    EXPECT_FALSE(style & LVS_SINGLESEL);
    EXPECT_FALSE(style & LVS_EDITLABELS);
    SetWindowPos(w.hwnd(), nullptr, 0, 0, 100, 100, SWP_NOZORDER | SWP_NOMOVE);
    RECT r{};
    GetWindowRect(w.hwnd(), &r);
    HDC dc = GetDC(nullptr);
    const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(nullptr, dc);
    EXPECT_EQ(r.right - r.left, MulDiv(320, dpi, 96));
    EXPECT_EQ(r.bottom - r.top, MulDiv(256, dpi, 96));
}

TEST_F(ListWindowInProcess, ClosingWritesTheRowsBackOnceAndTellsTheOwner) {
    A& w = Open({"0,1,C:\\a.bmp,", "1,2,C:\\b.jpg,C:\\arc.lzh"});
    Select({0});
    w.Execute(A::actEditAlready);
    w.Execute(A::actFileClose);
    Pump();
    EXPECT_FALSE(IsWindowVisible(w.hwnd()));
    EXPECT_EQ(*gv_lstWall, (mrv::StringList{"1,1,C:\\a.bmp,", "1,2,C:\\b.jpg,C:\\arc.lzh"}));
    ASSERT_EQ(Owner::received.size(), 1u);
    EXPECT_EQ(Owner::received[0].message, UM_LIST_CLOSED);
    EXPECT_EQ(Owner::received[0].wParam, 0u);
    EXPECT_EQ(Owner::received[0].lParam, 0);
    // A second close before the owner has destroyed it changes nothing more.
    *gv_lstWall = {"changed"};
    SendMessageW(w.hwnd(), WM_CLOSE, 0, 0);
    Pump();
    EXPECT_EQ(*gv_lstWall, (mrv::StringList{"changed"}));
    EXPECT_EQ(Owner::received.size(), 1u);
    FormMURAVINEList.reset();
}

TEST_F(ListWindowInProcess, AListAlreadyReleasedAtTheEndOfTheRunIsLeftAlone) {
    A& w = Open({"0,1,C:\\a.bmp,"});
    CleanUp();
    ASSERT_EQ(gv_lstWall, nullptr);
    w.Execute(A::actFileRefresh);
    EXPECT_EQ(ListView_GetItemCount(w.ListView1()), 0);
    SendMessageW(w.hwnd(), WM_CLOSE, 0, 0);
    Pump();
    EXPECT_EQ(gv_lstWall, nullptr);
    EXPECT_EQ(Owner::received.size(), 1u);
}

TEST_F(ListWindowInProcess, TheOpenDialogsFilterComesFromTheDecoderCatalogue) {
    {
        A& w = Open();
        EXPECT_EQ(w.OpenFilter(), L"ビットマップ (*.bmp)|*.bmp");  // no decoders
        FormMURAVINEList.reset();
    }
    testkit::ResetCoreGlobals(dir.path());
    std::wstring folder = testkit::FromUnixPath(MRV_IFWIC_UNIX_PATH);
    folder.resize(folder.find_last_of(L'\\'));
    testkit::WriteRegString(kSusie, L"Path", folder);
    A& w = Open();
    ASSERT_TRUE(gv_lstSusieExt);
    ASSERT_FALSE(gv_lstSusieExt->empty());
    std::vector<std::wstring> patterns, descriptions;
    std::wstring all = L"すべてのイメージ|*.bmp";
    for (std::size_t i = 0; i < gv_lstSusieExt->size(); ++i) {
        patterns.push_back(mrv::AnsiToWide((*gv_lstSusieExt)[i]));
        descriptions.push_back(mrv::AnsiToWide((*gv_lstSusieDesc)[i]));
        all += L";" + patterns.back();
    }
    EXPECT_EQ(w.OpenFilter(), mrv::BuildOpenFilter(&patterns, &descriptions));
    EXPECT_EQ(w.OpenFilter().rfind(all + L"|ビットマップ (*.bmp)|*.bmp|" + descriptions[0] + L" (" + patterns[0] + L")|", 0),
              0u)
        << testkit::Narrow(w.OpenFilter());
}

}  // namespace
