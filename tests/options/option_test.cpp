// The options dialog driven as a user would, inside the test program: what it shows, what 適用
// stores, what closing without it leaves, the enabling rule, the tray switch and the closing message.
#include "option_fixture.h"

#include <commctrl.h>

#include <tuple>

using optkit::Checked;
using optkit::Text;

namespace {

const int kRadios[] = {IDC_OPT_CHANGENOTHING, IDC_OPT_CHANGEATBOOT, IDC_OPT_CHANGEATEXIT, IDC_OPT_CHANGEATINTERVAL};

std::wstring Key() { return L"Software\\ORMI\\MURAVINE"; }

}  // namespace

TEST_F(OptionTest, ShowsThePagesAndControlsAsDesigned) {
    Open();
    EXPECT_EQ(Text(dlg), L"オプション");
    const LONG style = GetWindowLongW(dlg, GWL_STYLE);
    EXPECT_TRUE(style & WS_SYSMENU) << "the close box";
    EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));
    HWND tab = C(IDC_OPT_PAGES);
    ASSERT_EQ(SendMessageW(tab, TCM_GETITEMCOUNT, 0, 0), 3);
    const wchar_t* pages[] = {L"全般", L"壁紙変更", L"Susieプラグイン"};
    for (int i = 0; i < 3; ++i) {
        wchar_t buf[64] = {};
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = buf;
        item.cchTextMax = 64;
        SendMessageW(tab, TCM_GETITEMW, i, reinterpret_cast<LPARAM>(&item));
        EXPECT_EQ(std::wstring(buf), pages[i]);
    }
    EXPECT_EQ(SendMessageW(tab, TCM_GETCURSEL, 0, 0), 0) << "the first page is active";
    EXPECT_TRUE(IsWindowVisible(C(IDC_OPT_SAVESETTING)));
    EXPECT_FALSE(IsWindowVisible(C(IDC_OPT_CHANGENOTHING)));

    const std::pair<int, const wchar_t*> captions[] = {
        {IDC_OPT_SAVESETTING, L"終了時の状態を保存(&S)"},
        {IDC_OPT_SHOWTRAY, L"タスクトレイの表示(&T)"},
        {IDC_OPT_MULTIUSER, L"マルチユーザーを有効にする(&M)"},
        {IDC_OPT_DBLCLICK_HEADING, L"ダブルクリック時の動作 :"},
        {IDC_OPT_TRAYDBLCLICK_LABEL, L"タスクトレイ(&D)"},
        {IDC_OPT_LISTDBLCLICK_LABEL, L"リスト画面(&L)"},
        {IDC_OPT_BOOTDELAY_LABEL, L"起動遅延時間(&E):"},
        {IDC_OPT_BOOTDELAY_UNIT, L"秒"},
        {IDC_OPT_SHORTCUT, L"スタートアップにショートカットを作成"},
        {IDC_OPT_RIGHTMENU, L"エクスプローラ右クリックに追加/削除(*.bmp)"},
        {IDC_OPT_CHANGENOTHING, L"何もしない(&N)"},
        {IDC_OPT_CHANGEATBOOT, L"起動時に変更(&B)"},
        {IDC_OPT_CHANGEATEXIT, L"終了時に変更(&X)"},
        {IDC_OPT_CHANGEATINTERVAL, L"一定間隔毎に変更(&I)"},
        {IDC_OPT_CHANGESECRET, L"こっそり変更"},
        {IDC_OPT_EXITATONCE, L"すぐさま終了"},
        {IDC_OPT_INTERVAL_UNIT, L"分"},
        {IDC_OPT_CHANGEOPERATE_LABEL, L"壁紙の変更方法(&H):"},
        {IDC_OPT_APPS_LABEL, L"壁紙変更後に起動するアプリケーション(&P):"},
        {IDC_OPT_BROWSEAPPS, L"参照(&R)"},
        {IDC_OPT_BMP_LABEL, L".BMPに変換する先のファイル名(&N) :"},
        {IDC_OPT_BROWSEBMP, L"参照(&O)"},
        {IDC_OPT_DEFAULTBMP, L"デフォルト(&D)"},
        {IDC_OPT_LABEL9, L"ダブルクリックで右クリックメニューの追加/削除ができます。 （元々関連付けされていない拡張子は除く）"},
        {IDOK, L"適用(&A)"},
        {IDCANCEL, L"閉じる(&C)"},
        {IDC_OPT_HELP, L"ヘルプ"},
    };
    for (const auto& [id, caption] : captions) {
        ASSERT_NE(C(id), nullptr) << id;
        EXPECT_EQ(Text(C(id)), caption) << id;
    }
    EXPECT_EQ(optkit::Items(C(IDC_OPT_TRAYDBLCLICK)),
              (std::vector<std::wstring>{L"（何もしない）", L"次の壁紙", L"リスト画面", L"オプション画面"}));
    EXPECT_EQ(optkit::Items(C(IDC_OPT_LISTDBLCLICK)),
              (std::vector<std::wstring>{L"（何もしない）", L"壁紙に設定", L"プレビュー"}));
    EXPECT_EQ(optkit::Items(C(IDC_OPT_CHANGEOPERATE)), (std::vector<std::wstring>{L"リスト順", L"ランダム"}));
    for (int id : {IDC_OPT_TRAYDBLCLICK, IDC_OPT_LISTDBLCLICK, IDC_OPT_CHANGEOPERATE})
        EXPECT_EQ(GetWindowLongW(C(id), GWL_STYLE) & 3, CBS_DROPDOWNLIST) << "no free text in " << id;

    // The up-down controls sit on their edits and hold their ranges.
    for (auto [ud, edit, lo, hi] : {std::tuple{IDC_OPT_BOOTDELAY_UD, IDC_OPT_BOOTDELAY, 0, 600},
                                    std::tuple{IDC_OPT_INTERVAL_UD, IDC_OPT_INTERVAL, 1, 1440}}) {
        EXPECT_EQ(reinterpret_cast<HWND>(SendMessageW(C(ud), UDM_GETBUDDY, 0, 0)), C(edit));
        int a = -1, b = -1;
        SendMessageW(C(ud), UDM_GETRANGE32, reinterpret_cast<WPARAM>(&a), reinterpret_cast<LPARAM>(&b));
        EXPECT_EQ(a, lo);
        EXPECT_EQ(b, hi);
        EXPECT_FALSE(GetWindowLongW(C(ud), GWL_STYLE) & UDS_WRAP);
    }

    HWND list = C(IDC_OPT_SUSIE);
    EXPECT_TRUE(GetWindowLongW(list, GWL_STYLE) & LVS_REPORT);
    EXPECT_TRUE(GetWindowLongW(list, GWL_STYLE) & LVS_NOSORTHEADER) << "a header click does nothing";
    EXPECT_FALSE(GetWindowLongW(list, GWL_STYLE) & LVS_EDITLABELS) << "read-only";
    const wchar_t* columns[] = {L"拡張子", L"ファイル", L"説明"};
    for (int c = 0; c < 3; ++c) {
        wchar_t buf[64] = {};
        LVCOLUMNW col{};
        col.mask = LVCF_TEXT;
        col.pszText = buf;
        col.cchTextMax = 64;
        ASSERT_TRUE(SendMessageW(list, LVM_GETCOLUMNW, c, reinterpret_cast<LPARAM>(&col)));
        EXPECT_EQ(std::wstring(buf), columns[c]);
    }
    EXPECT_EQ(LOWORD(SendMessageW(dlg, DM_GETDEFID, 0, 0)), IDOK) << "適用 is the default button";
}

TEST_F(OptionTest, LoadsEveryControlFromTheSettings) {
    gv_bSaveSetting = false;
    gv_bShowTray = false;
    gv_bChangeSecret = true;
    gv_bExitAtOnce = true;
    gv_iInterval = 1234;
    gv_iChangeOperate = 1;
    gv_iChangeTiming = 1;
    gv_iDblClickOperate = 3;
    gv_iDblClickList = 2;
    gv_iBootDelay = 45;
    gv_sLaunchApplication = L"C:\\Tools\\after change.exe /q";
    gv_sChangedBMP = L"D:\\壁紙\\変換.bmp";
    Open();
    EXPECT_FALSE(Checked(C(IDC_OPT_SAVESETTING)));
    EXPECT_FALSE(Checked(C(IDC_OPT_SHOWTRAY)));
    EXPECT_TRUE(Checked(C(IDC_OPT_CHANGESECRET)));
    EXPECT_TRUE(Checked(C(IDC_OPT_EXITATONCE)));
    EXPECT_EQ(Text(C(IDC_OPT_INTERVAL)), L"1234");
    EXPECT_EQ(SendMessageW(C(IDC_OPT_CHANGEOPERATE), CB_GETCURSEL, 0, 0), 1);
    EXPECT_TRUE(Checked(C(IDC_OPT_CHANGEATBOOT)));
    EXPECT_FALSE(Checked(C(IDC_OPT_CHANGENOTHING)));
    EXPECT_EQ(SendMessageW(C(IDC_OPT_TRAYDBLCLICK), CB_GETCURSEL, 0, 0), 3);
    EXPECT_EQ(SendMessageW(C(IDC_OPT_LISTDBLCLICK), CB_GETCURSEL, 0, 0), 2);
    EXPECT_EQ(Text(C(IDC_OPT_BOOTDELAY)), L"45");
    EXPECT_EQ(Text(C(IDC_OPT_APPS)), gv_sLaunchApplication);
    EXPECT_EQ(Text(C(IDC_OPT_BMP)), gv_sChangedBMP);
}

TEST_F(OptionTest, ApplyStoresEveryControlSwitchesTheTrayAtOnceAndTellsTheOwner) {
    // A clean first run: the defaults are in the globals.
    ASSERT_TRUE(gv_bSaveSetting && gv_bShowTray);
    ASSERT_EQ(gv_iInterval, 60);
    Open();
    optkit::Click(C(IDC_OPT_SAVESETTING));  // keeps saving off... and on again below
    optkit::Click(C(IDC_OPT_SAVESETTING));
    optkit::Click(C(IDC_OPT_SHOWTRAY));
    optkit::Choose(C(IDC_OPT_TRAYDBLCLICK), 2);
    optkit::Choose(C(IDC_OPT_LISTDBLCLICK), 1);
    optkit::Type(C(IDC_OPT_BOOTDELAY), L"30");
    Page(1);
    ASSERT_TRUE(IsWindowVisible(C(IDC_OPT_CHANGEATBOOT)));
    optkit::Click(C(IDC_OPT_CHANGEATBOOT));
    optkit::Click(C(IDC_OPT_CHANGESECRET));
    optkit::Click(C(IDC_OPT_EXITATONCE));
    optkit::Click(C(IDC_OPT_CHANGEATINTERVAL));  // the boxes keep their ticks while disabled
    optkit::Type(C(IDC_OPT_INTERVAL), L"15");
    optkit::Choose(C(IDC_OPT_CHANGEOPERATE), 1);
    optkit::Type(C(IDC_OPT_APPS), L"C:\\Program Files\\after.exe");
    optkit::Type(C(IDC_OPT_BMP), L"C:\\temp\\wp.bmp");
    // Nothing is stored before 適用.
    EXPECT_EQ(OnUi([] { return gv_iChangeTiming; }), 0);
    optkit::Click(C(IDOK));
    ASSERT_TRUE(ui.WaitClosed(1));

    EXPECT_TRUE(gv_bSaveSetting);
    EXPECT_FALSE(gv_bShowTray);
    EXPECT_TRUE(gv_bChangeSecret);
    EXPECT_TRUE(gv_bExitAtOnce);
    EXPECT_EQ(gv_iInterval, 15);
    EXPECT_EQ(gv_iChangeOperate, 1);
    EXPECT_EQ(gv_iChangeTiming, 3);
    EXPECT_EQ(gv_iDblClickOperate, 2);
    EXPECT_EQ(gv_iDblClickList, 1);
    EXPECT_EQ(gv_iBootDelay, 30);
    EXPECT_EQ(gv_sLaunchApplication, L"C:\\Program Files\\after.exe");
    EXPECT_EQ(gv_sChangedBMP, L"C:\\temp\\wp.bmp");

    const auto tray = ui.trayCalls();
    ASSERT_EQ(tray.size(), 1u);
    EXPECT_FALSE(tray[0].show);
    EXPECT_TRUE(tray[0].dialogVisible) << "the icon goes before the dialog closes";
    const auto closed = ui.closed();
    ASSERT_EQ(closed.size(), 1u);
    EXPECT_EQ(closed[0].wp, 0u);
    EXPECT_EQ(closed[0].lp, 0);
    EXPECT_TRUE(closed[0].dialogExisted) << "the owner destroys the dialog";
    EXPECT_FALSE(closed[0].dialogVisible) << "the dialog is closed when the owner hears of it";

    // At the end of the run the settings reach the registry.
    WriteSettings();
    const std::pair<const wchar_t*, DWORD> dwords[] = {
        {L"SaveSetting", 1}, {L"ShowTray", 0},      {L"ChangeSecret", 1},    {L"ExitAtOnce", 1},
        {L"Interval", 15},   {L"ChangeTiming", 3},  {L"ChangeOperate", 1},   {L"DblClickOperate", 2},
        {L"DblClickList", 1}, {L"BootDelay", 30},
    };
    for (const auto& [name, value] : dwords) EXPECT_EQ(testkit::ReadRegDword(Key(), name), value) << testkit::Narrow(name);
    EXPECT_EQ(testkit::ReadRegString(Key(), L"LaunchApplication"), L"C:\\Program Files\\after.exe");
    EXPECT_EQ(testkit::ReadRegString(Key(), L"ChangedBMP"), L"C:\\temp\\wp.bmp");
}

TEST_F(OptionTest, ApplyShowsTheTrayIconAgain) {
    gv_bShowTray = false;
    Open();
    EXPECT_FALSE(Checked(C(IDC_OPT_SHOWTRAY)));
    optkit::Click(C(IDC_OPT_SHOWTRAY));
    optkit::Click(C(IDOK));
    ASSERT_TRUE(ui.WaitClosed(1));
    ASSERT_EQ(ui.trayCalls().size(), 1u);
    EXPECT_TRUE(ui.trayCalls()[0].show);
    EXPECT_TRUE(gv_bShowTray);
}

TEST_F(OptionTest, EnterInAnEditFieldApplies) {
    Open();
    Page(1);
    HWND apps = C(IDC_OPT_APPS);
    ui.Call([&] { SetFocus(apps); });
    optkit::Type(apps, L"notepad.exe");
    optkit::PressKey(apps, VK_RETURN);
    ASSERT_TRUE(ui.WaitClosed(1));
    EXPECT_EQ(gv_sLaunchApplication, L"notepad.exe");
    EXPECT_EQ(ui.trayCalls().size(), 1u);
}

// Every way of closing without 適用 leaves every setting, the timing included, as it was.
class CloseWithoutApply : public OptionTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(CloseWithoutApply, LeavesTheSettingsAsTheyWere) {
    gv_sChangedBMP = L"C:\\before.bmp";
    Open();
    optkit::Click(C(IDC_OPT_SAVESETTING));
    optkit::Click(C(IDC_OPT_SHOWTRAY));
    optkit::Choose(C(IDC_OPT_TRAYDBLCLICK), 1);
    optkit::Type(C(IDC_OPT_BOOTDELAY), L"99");
    Page(1);
    optkit::Click(C(IDC_OPT_CHANGEATINTERVAL));
    optkit::Type(C(IDC_OPT_INTERVAL), L"5");
    optkit::Choose(C(IDC_OPT_CHANGEOPERATE), 1);
    optkit::Type(C(IDC_OPT_APPS), L"x.exe");
    optkit::Click(C(IDC_OPT_DEFAULTBMP));

    const std::string how = GetParam();
    if (how == "button") optkit::Click(C(IDCANCEL));
    else if (how == "esc") optkit::PressKey(C(IDC_OPT_APPS), VK_ESCAPE);
    else if (how == "closebox") PostMessageW(dlg, WM_SYSCOMMAND, SC_CLOSE, 0);
    ASSERT_TRUE(ui.WaitClosed(1)) << how;

    EXPECT_TRUE(gv_bSaveSetting);
    EXPECT_TRUE(gv_bShowTray);
    EXPECT_EQ(gv_iDblClickOperate, 0);
    EXPECT_EQ(gv_iBootDelay, 0);
    EXPECT_EQ(gv_iChangeTiming, 0) << "a timing chosen and abandoned does not take effect";
    EXPECT_EQ(gv_iInterval, 60);
    EXPECT_EQ(gv_iChangeOperate, 0);
    EXPECT_EQ(gv_sLaunchApplication, L"");
    EXPECT_EQ(gv_sChangedBMP, L"C:\\before.bmp");
    EXPECT_TRUE(ui.trayCalls().empty());
    ASSERT_EQ(ui.closed().size(), 1u);
    EXPECT_TRUE(ui.closed()[0].dialogExisted);
}

INSTANTIATE_TEST_SUITE_P(Ways, CloseWithoutApply, ::testing::Values("button", "esc", "closebox"));

struct Enabling {
    bool secret, exitAtOnce, interval;
};
constexpr Enabling kEnabling[] = {{false, false, false}, {true, true, false}, {false, false, false}, {false, false, true}};

TEST_F(OptionTest, EnablingRuleFollowsTheChosenTimingWhenLoadedAndWhenClicked) {
    // Loaded: a stored timing outside 0..3 leaves the design's choice, 何もしない.
    for (int stored : {0, 1, 2, 3, 7, -1}) {
        gv_iChangeTiming = stored;
        Open();
        Page(1);
        const int shown = stored >= 0 && stored <= 3 ? stored : 0;
        for (int i = 0; i < 4; ++i) EXPECT_EQ(Checked(C(kRadios[i])), i == shown) << stored << " " << i;
        EXPECT_EQ(IsWindowEnabled(C(IDC_OPT_CHANGESECRET)) != 0, kEnabling[shown].secret) << stored;
        EXPECT_EQ(IsWindowEnabled(C(IDC_OPT_EXITATONCE)) != 0, kEnabling[shown].exitAtOnce) << stored;
        EXPECT_EQ(IsWindowEnabled(C(IDC_OPT_INTERVAL)) != 0, kEnabling[shown].interval) << stored;
        EXPECT_EQ(IsWindowEnabled(C(IDC_OPT_INTERVAL_UD)) != 0, kEnabling[shown].interval) << stored;
        // Nothing else depends on it.
        for (int other : {IDC_OPT_CHANGEOPERATE, IDC_OPT_APPS, IDC_OPT_BMP, IDC_OPT_BROWSEAPPS, IDC_OPT_DEFAULTBMP})
            EXPECT_TRUE(IsWindowEnabled(C(other))) << stored << " " << other;
        const std::size_t before = ui.closed().size();
        optkit::Click(C(IDOK));
        ASSERT_TRUE(ui.WaitClosed(before + 1));
        EXPECT_EQ(gv_iChangeTiming, shown) << "適用 stores the shown timing";
    }
    // Clicked, in an order that passes every transition.
    Open();
    Page(1);
    for (int pick : {3, 1, 0, 2, 1, 3, 2, 0, 3}) {
        optkit::Click(C(kRadios[pick]));
        EXPECT_EQ(IsWindowEnabled(C(IDC_OPT_CHANGESECRET)) != 0, kEnabling[pick].secret) << pick;
        EXPECT_EQ(IsWindowEnabled(C(IDC_OPT_EXITATONCE)) != 0, kEnabling[pick].exitAtOnce) << pick;
        EXPECT_EQ(IsWindowEnabled(C(IDC_OPT_INTERVAL)) != 0, kEnabling[pick].interval) << pick;
        EXPECT_EQ(IsWindowEnabled(C(IDC_OPT_INTERVAL_UD)) != 0, kEnabling[pick].interval) << pick;
    }
}

TEST_F(OptionTest, MultiUserBoxIsHiddenAndKeptOnTheNtFamilyAndStoredOnThe9xFamily) {
    struct Case {
        int platform;
        bool stored;
        bool visible;
        bool afterClickAndApply;
    };
    const Case cases[] = {
        {2, true, false, true},
        {2, false, false, false},
        {1, true, true, false},
        {1, false, true, true},
    };
    for (const Case& c : cases) {
        gv_iPlatform = c.platform;
        gv_bMultiUser = c.stored;
        Open();
        HWND box = C(IDC_OPT_MULTIUSER);
        EXPECT_EQ((GetWindowLongW(box, GWL_STYLE) & WS_VISIBLE) != 0, c.visible) << c.platform;
        EXPECT_EQ(Checked(box), c.stored) << "the box takes the setting, hidden or not";
        if (c.visible) optkit::Click(box);
        else SendMessageW(box, BM_SETCHECK, c.stored ? BST_UNCHECKED : BST_CHECKED, 0);  // even if it changed
        const std::size_t before = ui.closed().size();
        optkit::Click(C(IDOK));
        ASSERT_TRUE(ui.WaitClosed(before + 1));
        EXPECT_EQ(gv_bMultiUser, c.afterClickAndApply) << c.platform << " " << c.stored;
    }
}

TEST_F(OptionTest, DropDownSettingOutsideItsItemsShowsNoItemAndIsStoredAsMinusOne) {
    gv_iDblClickOperate = 9;
    gv_iDblClickList = -3;
    gv_iChangeOperate = 2;
    Open();
    for (int id : {IDC_OPT_TRAYDBLCLICK, IDC_OPT_LISTDBLCLICK, IDC_OPT_CHANGEOPERATE})
        EXPECT_EQ(SendMessageW(C(id), CB_GETCURSEL, 0, 0), CB_ERR) << id;
    optkit::Click(C(IDOK));
    ASSERT_TRUE(ui.WaitClosed(1));
    EXPECT_EQ(gv_iDblClickOperate, -1);
    EXPECT_EQ(gv_iDblClickList, -1);
    EXPECT_EQ(gv_iChangeOperate, -1);
}

TEST_F(OptionTest, NumberFieldsStoreTheUpDownPositionWithinTheirRanges) {
    struct Case {
        int edit;
        const wchar_t* typed;
        UINT key;  // an arrow key pressed afterwards, or 0
        int stored;
        int interval;
        int bootDelay;
    };
    // The starting values are gv_iInterval = 60 and gv_iBootDelay = 0 unless told.
    const Case cases[] = {
        {IDC_OPT_INTERVAL, L"1440", 0, 1440, 60, 0},
        {IDC_OPT_INTERVAL, L"1", 0, 1, 60, 0},
        {IDC_OPT_INTERVAL, L"1441", 0, 60, 60, 0},  // out of range: the position does not move
        {IDC_OPT_INTERVAL, L"0", 0, 60, 60, 0},
        {IDC_OPT_INTERVAL, L"", 0, 60, 60, 0},
        {IDC_OPT_INTERVAL, nullptr, VK_UP, 1440, 1440, 0},  // no wrap-around at the top
        {IDC_OPT_INTERVAL, nullptr, VK_DOWN, 1, 1, 0},
        {IDC_OPT_INTERVAL, nullptr, VK_UP, 61, 60, 0},
        {IDC_OPT_BOOTDELAY, L"600", 0, 600, 60, 0},
        {IDC_OPT_BOOTDELAY, L"601", 0, 7, 60, 7},
        {IDC_OPT_BOOTDELAY, L"0", 0, 0, 60, 7},
        {IDC_OPT_BOOTDELAY, nullptr, VK_DOWN, 0, 60, 0},
        {IDC_OPT_BOOTDELAY, nullptr, VK_UP, 600, 60, 600},
    };
    for (const Case& c : cases) {
        gv_iChangeTiming = 3;  // the interval field is enabled
        gv_iInterval = c.interval;
        gv_iBootDelay = c.bootDelay;
        Open();
        Page(c.edit == IDC_OPT_INTERVAL ? 1 : 0);
        HWND edit = C(c.edit);
        if (c.typed) optkit::Type(edit, c.typed);
        if (c.key) {
            ui.Call([&] { SetFocus(edit); });
            optkit::PressKey(edit, c.key);
            ASSERT_TRUE(ui.Drain()) << "the key was handled";
        }
        const std::size_t before = ui.closed().size();
        optkit::Click(C(IDOK));
        ASSERT_TRUE(ui.WaitClosed(before + 1));
        const int got = c.edit == IDC_OPT_INTERVAL ? gv_iInterval : gv_iBootDelay;
        EXPECT_EQ(got, c.stored) << (c.typed ? testkit::Narrow(c.typed) : std::string("key")) << " in " << c.edit;
    }
}

TEST_F(OptionTest, NumberFieldShowsTheStoredNumberOnceLeft) {
    gv_iChangeTiming = 3;
    Open();
    Page(1);
    HWND edit = C(IDC_OPT_INTERVAL);
    ui.Call([&] { SetFocus(edit); });
    optkit::Type(edit, L"5000");
    ui.Call([&] { SetFocus(C(IDC_OPT_APPS)); });
    EXPECT_EQ(Text(edit), L"60");
}

TEST_F(OptionTest, DefaultButtonFillsTheDefaultPathWhichOnlyApplyStores) {
    gv_sChangedBMP = L"C:\\elsewhere.bmp";
    Open();
    Page(1);
    optkit::Click(C(IDC_OPT_DEFAULTBMP));
    EXPECT_EQ(Text(C(IDC_OPT_BMP)), DefaultChangedBMP());
    EXPECT_NE(DefaultChangedBMP(), L"C:\\elsewhere.bmp");
    optkit::Click(C(IDCANCEL));
    ASSERT_TRUE(ui.WaitClosed(1));
    EXPECT_EQ(gv_sChangedBMP, L"C:\\elsewhere.bmp");

    Open();
    Page(1);
    optkit::Click(C(IDC_OPT_DEFAULTBMP));
    optkit::Click(C(IDOK));
    ASSERT_TRUE(ui.WaitClosed(2));
    EXPECT_EQ(gv_sChangedBMP, DefaultChangedBMP());
}

TEST_F(OptionTest, ClosedDialogIsNotShownAgainAndTellsItsOwnerOnce) {
    Open();
    optkit::Click(C(IDCANCEL));
    ASSERT_TRUE(ui.WaitClosed(1));
    EXPECT_FALSE(IsWindow(dlg)) << "the owner destroyed it";
    // A fresh opening starts from the current settings.
    gv_bSaveSetting = false;
    Open();
    EXPECT_FALSE(Checked(C(IDC_OPT_SAVESETTING)));
    optkit::Click(C(IDOK));
    PostMessageW(dlg, WM_CLOSE, 0, 0);
    ASSERT_TRUE(ui.WaitClosed(2));
    Sleep(200);
    ui.Call([] {});
    EXPECT_EQ(ui.closed().size(), 2u);
}
