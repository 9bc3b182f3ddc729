// The main window inside the test program, driven by the messages that Windows, the tray and the
// program's other windows send it, against the real registry, list file, desktop and windows.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <string>
#include <thread>
#include <vector>

#include "core/app.h"
#include "core/muravine_rtn.h"
#include "core/startup.h"
#include "core/text.h"
#include "listwin/muravine_list.h"
#include "mainwin/muravine_main.h"
#include "mainwin/muravine_main_res.h"
#include "options/muravine_option.h"
#include "options/ormi_version.h"
#include "resident_kit.h"
#include "testkit.h"

namespace {

const std::wstring kKey = L"Software\\ORMI\\MURAVINE";

SYSTEMTIME Shift(SYSTEMTIME t, long long seconds) {
    FILETIME ft;
    SystemTimeToFileTime(&t, &ft);
    ULARGE_INTEGER u;
    u.LowPart = ft.dwLowDateTime;
    u.HighPart = ft.dwHighDateTime;
    u.QuadPart += static_cast<ULONGLONG>(seconds * 10000000LL);
    ft.dwLowDateTime = u.LowPart;
    ft.dwHighDateTime = u.HighPart;
    FileTimeToSystemTime(&ft, &t);
    return t;
}

// Seconds from a to b.
long long Between(const SYSTEMTIME& a, const SYSTEMTIME& b) {
    FILETIME fa, fb;
    SystemTimeToFileTime(&a, &fa);
    SystemTimeToFileTime(&b, &fb);
    const long long ta = (static_cast<long long>(fa.dwHighDateTime) << 32) | fa.dwLowDateTime;
    const long long tb = (static_cast<long long>(fb.dwHighDateTime) << 32) | fb.dwLowDateTime;
    return (tb - ta) / 10000000LL;
}

bool MenuEnabled(HMENU m, UINT id) { return !(GetMenuState(m, id, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED)); }

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        testkit::DeleteKeyTree(L"Software\\ORMI");
        testkit::ResetCoreGlobals(dir.path());
        for (int i = 0; i < 3; ++i) {
            pictures.push_back(dir / (L"pic" + std::to_wstring(i) + L".bmp"));
            reskit::WriteBitmap(pictures.back(), static_cast<BYTE>(60 * i), 90, 140);
        }
        reskit::SetDesktopWallpaperValue(L"");
    }
    void TearDown() override {
        FormMURAVINEMain.reset();
        FormVersion.reset();
        reskit::Pump(50);
        reskit::DrainQuit();
        testkit::DeleteKeyTree(L"Software\\ORMI");
        testkit::ResetCoreGlobals(dir.path());
    }
    // The list file with the pictures, none shown yet.
    void WriteList(int count) {
        std::string text;
        for (int i = 0; i < count; ++i) text += "0,0," + mrv::WideToAnsi(pictures[static_cast<std::size_t>(i)]) + ",\r\n";
        testkit::WriteBytes(reskit::ListFileIn(dir.path()), text);
    }
    void Setting(const wchar_t* name, DWORD value) { testkit::WriteRegDword(kKey, name, value); }
    // The resident instance as wWinMain starts it, inside this process.
    void Start() {
        ASSERT_TRUE(StartUpWith({}));
        mrv::app::SetTitle(kAppTitle);
        FormMURAVINEMain = std::make_unique<TFormMURAVINEMain>();
        main = FormMURAVINEMain->hwnd();
        ASSERT_NE(main, nullptr);
    }
    LRESULT Command(UINT id) {
        const LRESULT r = SendMessageW(main, WM_COMMAND, MAKEWPARAM(id, 0), 0);
        reskit::Pump(20);
        return r;
    }
    void Tick() { SendMessageW(main, WM_TIMER, 1, 0); }
    std::wstring Picture(int i) const { return pictures[static_cast<std::size_t>(i)]; }

    testkit::TempDir dir{L"mainwin"};
    std::vector<std::wstring> pictures;
    HWND main = nullptr;
};

}  // namespace

TEST_F(MainWindowTest, IsLaidOutAsDesignedInPixels) {
    Start();
    wchar_t cls[64] = {};
    GetClassNameW(main, cls, 64);
    EXPECT_STREQ(cls, L"TFormMURAVINEMain");
    EXPECT_EQ(FindWindowW(L"TFormMURAVINEMain", nullptr), main);
    EXPECT_EQ(reskit::WindowText(main), L"むらびね for Win32");
    EXPECT_FALSE(IsWindowVisible(main)) << "hidden for the whole run";
    const LONG_PTR style = GetWindowLongPtrW(main, GWL_STYLE), ex = GetWindowLongPtrW(main, GWL_EXSTYLE);
    EXPECT_TRUE(ex & WS_EX_TOOLWINDOW);
    EXPECT_FALSE(style & WS_SYSMENU) << "no title-bar buttons";
    EXPECT_TRUE(style & WS_CAPTION);

    HDC dc = GetDC(nullptr);
    const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(nullptr, dc);
    auto px = [&](int v) { return MulDiv(v, dpi, 96); };
    RECT client{};
    GetClientRect(main, &client);
    EXPECT_EQ(client.right, px(281));
    EXPECT_EQ(client.bottom, px(145));
    RECT frame{};
    GetWindowRect(main, &frame);
    EXPECT_NEAR((frame.left + frame.right) / 2, GetSystemMetrics(SM_CXSCREEN) / 2, 1) << "centred on the screen";
    EXPECT_NEAR((frame.top + frame.bottom) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 1);

    struct Button {
        int id;
        const wchar_t* caption;
        int left, top;
    };
    const Button buttons[] = {
        {IDC_BUTTON5, L"次の壁紙(&N)", 8, 8},         {IDC_BUTTON1, L"リスト画面(&L)", 144, 8},
        {IDC_BUTTON2, L"オプション画面(&O)", 8, 40},  {IDC_BUTTON6, L"ヘルプ(&H)", 144, 40},
        {IDC_BUTTON7, L"バージョン情報(&V)", 8, 72},  {IDC_BUTTON3, L"むらびねの終了(&X)", 144, 72},
        {IDC_BUTTON4, L"キャンセル", 144, 112},
    };
    for (const Button& b : buttons) {
        HWND h = GetDlgItem(main, b.id);
        ASSERT_NE(h, nullptr) << b.id;
        EXPECT_EQ(reskit::WindowText(h), b.caption);
        RECT r{};
        GetWindowRect(h, &r);
        MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&r), 2);
        EXPECT_EQ(r.left, px(b.left)) << b.id;
        EXPECT_EQ(r.top, px(b.top)) << b.id;
        EXPECT_EQ(r.right - r.left, px(129)) << b.id;
        EXPECT_EQ(r.bottom - r.top, px(25)) << b.id;
        EXPECT_TRUE(IsWindowEnabled(h));

        LOGFONTW lf{};
        ASSERT_TRUE(GetObjectW(reinterpret_cast<HFONT>(SendMessageW(h, WM_GETFONT, 0, 0)), sizeof lf, &lf));
        EXPECT_EQ(lf.lfHeight, -px(12));
        EXPECT_STREQ(lf.lfFaceName, L"ＭＳ Ｐゴシック") << "a Japanese font answers for it here";
        EXPECT_EQ(lf.lfCharSet, SHIFTJIS_CHARSET);
    }

    // Tab order: Button1, Button2, Button3, Button4, Button5, Button6, Button7.
    std::vector<int> order;
    HWND h = GetNextDlgTabItem(main, nullptr, FALSE);
    for (int i = 0; i < 8 && h; ++i, h = GetNextDlgTabItem(main, h, FALSE)) order.push_back(GetDlgCtrlID(h));
    EXPECT_EQ(order, (std::vector<int>{IDC_BUTTON1, IDC_BUTTON2, IDC_BUTTON3, IDC_BUTTON4, IDC_BUTTON5, IDC_BUTTON6,
                                       IDC_BUTTON7, IDC_BUTTON1}));
}

TEST_F(MainWindowTest, PopupMenuHoldsTheCommandsInOrder) {
    Start();
    HMENU m = FormMURAVINEMain->PopupMenu1();
    ASSERT_NE(m, nullptr);
    const std::vector<std::pair<UINT, std::wstring>> items = {
        {IDM_PM1NEXT, L"次の壁紙(&N)"},     {0, L""},
        {IDM_PM1LIST, L"リスト画面(&L)"},   {IDM_PM1OPTION, L"オプション画面(&O)"},
        {0, L""},                           {IDM_PM1HELP, L"ヘルプ(&H)"},
        {0, L""},                           {IDM_PM1ABOUT, L"バージョン情報(&A)"},
        {IDM_PM1EXIT, L"むらびねの終了(&X)"},
    };
    ASSERT_EQ(GetMenuItemCount(m), static_cast<int>(items.size()));
    for (std::size_t i = 0; i < items.size(); ++i) {
        MENUITEMINFOW mi{};
        wchar_t text[128] = {};
        mi.cbSize = sizeof mi;
        mi.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STRING;
        mi.dwTypeData = text;
        mi.cch = 128;
        ASSERT_TRUE(GetMenuItemInfoW(m, static_cast<UINT>(i), TRUE, &mi));
        if (items[i].first == 0) {
            EXPECT_TRUE(mi.fType & MFT_SEPARATOR) << i;
        } else {
            EXPECT_EQ(mi.wID, items[i].first) << i;
            EXPECT_EQ(std::wstring(text), items[i].second) << i;
        }
    }
    EXPECT_EQ(FormMURAVINEMain->ORMITaskBar1().RightPopup()->Handle(), m);
    EXPECT_EQ(FormMURAVINEMain->ORMITaskBar1().LeftPopup(), nullptr);
    EXPECT_TRUE(FormMURAVINEMain->ORMITaskBar1().Tips().empty());
}

TEST_F(MainWindowTest, TrayIconFollowsTheSetting) {
    for (const DWORD show : {1u, 0u}) {
        Setting(L"ShowTray", show);
        Start();
        const HWND tray = FormMURAVINEMain->ORMITaskBar1().Handle();
        EXPECT_EQ(reskit::IconInTray(tray), show != 0) << show;
        FormMURAVINEMain.reset();
        EXPECT_FALSE(reskit::IconInTray(tray));
        reskit::DrainQuit();
        testkit::ResetCoreGlobals(dir.path());
    }
}

TEST_F(MainWindowTest, ShowRequestShowsTheWindowAndCancelOrAltF4HidesIt) {
    Start();
    SendMessageW(main, UM_SHOW_OR_RELOAD, 0, 0);
    EXPECT_TRUE(IsWindowVisible(main));
    SendMessageW(main, UM_SHOW_OR_RELOAD, 0, 0);
    EXPECT_TRUE(IsWindowVisible(main)) << "already shown: stays shown";
    Command(IDCANCEL);  // Esc
    EXPECT_FALSE(IsWindowVisible(main));
    SendMessageW(main, UM_SHOW_OR_RELOAD, 0, 0);
    SendMessageW(main, WM_SYSCOMMAND, SC_CLOSE, 0);  // Alt+F4
    EXPECT_FALSE(IsWindowVisible(main));
    EXPECT_TRUE(IsWindow(main)) << "hiding is not quitting";
    EXPECT_NE(gv_lstWall, nullptr);
    SendMessageW(main, UM_SHOW_OR_RELOAD, 0, 0);
    Command(IDC_BUTTON4);
    EXPECT_FALSE(IsWindowVisible(main));
}

TEST_F(MainWindowTest, TimerRunsOnlyWhenChangingEverySoManyMinutes) {
    for (const DWORD timing : {0u, 1u, 2u, 3u, 7u}) {
        Setting(L"ChangeTiming", timing);
        Start();
        EXPECT_EQ(FormMURAVINEMain->Timer1Enabled(), timing == 3) << timing;
        FormMURAVINEMain.reset();
        reskit::DrainQuit();
        testkit::ResetCoreGlobals(dir.path());
    }
}

TEST_F(MainWindowTest, TickChangesOnceTheWholeIntervalHasPassed) {
    WriteList(3);
    Setting(L"ChangeTiming", 3);
    Setting(L"Interval", 1);
    Start();
    ASSERT_TRUE(FormMURAVINEMain->Timer1Enabled());
    const SYSTEMTIME now = Now();

    gv_dtLastChange = Shift(now, -58);
    Tick();
    EXPECT_EQ(reskit::DesktopWallpaper(), L"") << "58 seconds are not a minute";
    EXPECT_EQ(gv_iWallIndex, 0);

    gv_dtLastChange = Shift(now, -61);
    Tick();
    EXPECT_EQ(reskit::DesktopWallpaper(), Picture(1));
    EXPECT_EQ(gv_iWallIndex, 1);
    EXPECT_LE(std::abs(Between(gv_dtLastChange, Now())), 2) << "the interval starts again from the change";

    // A day or more is measured whole, dates included.
    gv_iInterval = 1440;
    gv_dtLastChange = Shift(Now(), -86390);
    Tick();
    EXPECT_EQ(gv_iWallIndex, 1) << "ten seconds short of a day";
    gv_dtLastChange = Shift(Now(), -86401);
    Tick();
    EXPECT_EQ(gv_iWallIndex, 2);
    EXPECT_EQ(reskit::DesktopWallpaper(), Picture(2));
    gv_iInterval = 2880;
    gv_dtLastChange = Shift(Now(), -86401 * 2);
    Tick();
    EXPECT_EQ(gv_iWallIndex, 0);

    // The clock set back: the interval counts again from now, without a change.
    gv_iInterval = 1;
    gv_dtLastChange = Shift(Now(), 3600);
    Tick();
    EXPECT_EQ(gv_iWallIndex, 0);
    EXPECT_LE(std::abs(Between(gv_dtLastChange, Now())), 2);
}

TEST_F(MainWindowTest, NextWallpaperCommandKeepsTheIntervalRunning) {
    WriteList(3);
    Setting(L"ChangeTiming", 3);
    Start();
    const SYSTEMTIME before = Shift(Now(), -30);
    gv_dtLastChange = before;
    for (const UINT id : {IDM_PM1NEXT, IDC_BUTTON5}) Command(id);
    EXPECT_EQ(reskit::DesktopWallpaper(), Picture(2));
    EXPECT_EQ(gv_iWallIndex, 2);
    EXPECT_EQ(Between(gv_dtLastChange, before), 0) << "the interval runs on from the last change by the timer";
    EXPECT_TRUE(FormMURAVINEMain->Timer1Enabled());
}

TEST_F(MainWindowTest, WindowTimerTicksAreIgnoredWhileTheTimerIsOff) {
    WriteList(2);
    Start();  // ChangeTiming 0: no timer
    gv_iInterval = 0;
    Tick();
    EXPECT_EQ(reskit::DesktopWallpaper(), L"");
}

TEST_F(MainWindowTest, ListWindowAndOptionsDialogStopTheTimerUntilTheyClose) {
    WriteList(2);
    Setting(L"ChangeTiming", 3);
    Setting(L"Interval", 1);
    Start();
    HMENU m = FormMURAVINEMain->PopupMenu1();

    Command(IDM_PM1LIST);
    ASSERT_NE(FormMURAVINEList, nullptr);
    TFormMURAVINEList* list = FormMURAVINEList.get();
    EXPECT_TRUE(IsWindowVisible(list->hwnd()));
    EXPECT_EQ(GetWindow(list->hwnd(), GW_OWNER), main);
    EXPECT_FALSE(FormMURAVINEMain->Timer1Enabled());
    EXPECT_FALSE(MenuEnabled(m, IDM_PM1LIST));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(main, IDC_BUTTON1)));
    Command(IDC_BUTTON1);
    Command(IDM_PM1LIST);
    EXPECT_EQ(FormMURAVINEList.get(), list) << "one list window at most";

    Command(IDC_BUTTON2);
    ASSERT_NE(FormMURAVINEOption, nullptr);
    EXPECT_FALSE(MenuEnabled(m, IDM_PM1OPTION));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(main, IDC_BUTTON2)));

    // However long they stay open, the timer changes nothing.
    gv_dtLastChange = Shift(Now(), -3600);
    Tick();
    EXPECT_EQ(reskit::DesktopWallpaper(), L"");

    PostMessageW(list->hwnd(), WM_CLOSE, 0, 0);
    ASSERT_TRUE(reskit::PumpUntil([] { return FormMURAVINEList == nullptr; }));
    EXPECT_TRUE(MenuEnabled(m, IDM_PM1LIST));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(main, IDC_BUTTON1)));
    EXPECT_FALSE(FormMURAVINEMain->Timer1Enabled()) << "the options dialog is still open";

    PostMessageW(FormMURAVINEOption->hwnd(), WM_CLOSE, 0, 0);
    ASSERT_TRUE(reskit::PumpUntil([] { return FormMURAVINEOption == nullptr; }));
    EXPECT_TRUE(MenuEnabled(m, IDM_PM1OPTION));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(main, IDC_BUTTON2)));
    EXPECT_TRUE(FormMURAVINEMain->Timer1Enabled());
    EXPECT_LE(std::abs(Between(gv_dtLastChange, Now())), 2) << "the interval starts from zero again";

    // A closing message with nothing open changes nothing.
    const SYSTEMTIME before = Shift(Now(), -20);
    gv_dtLastChange = before;
    SendMessageW(main, UM_LIST_CLOSED, 0, 0);
    SendMessageW(main, UM_OPTION_CLOSED, 0, 0);
    EXPECT_EQ(Between(gv_dtLastChange, before), 0);
}

TEST_F(MainWindowTest, TrayDoubleClickRunsTheChosenAction) {
    struct Case {
        DWORD operate;
        bool changes, list, options;
    };
    const Case cases[] = {
        {0, false, false, false}, {1, true, false, false}, {2, false, true, false},
        {3, false, false, true},  {9, false, false, false},
    };
    WriteList(2);
    for (const Case& c : cases) {
        Setting(L"DblClickOperate", c.operate);
        reskit::SetDesktopWallpaperValue(L"");
        Start();
        const HWND tray = FormMURAVINEMain->ORMITaskBar1().Handle();
        ASSERT_TRUE(reskit::IconInTray(tray));
        // Either button: the left one, then the right one.
        const std::wstring expected[] = {c.changes ? Picture(1) : L"", c.changes ? Picture(0) : L""};
        int i = 0;
        for (const UINT mouse : {WM_LBUTTONDBLCLK, WM_RBUTTONDBLCLK}) {
            SendMessageW(tray, TORMITaskBar::UM_TRAY_CALLBACK, 0, MAKELPARAM(mouse, 1));
            reskit::Pump(30);
            EXPECT_EQ(reskit::DesktopWallpaper(), expected[i++]) << c.operate;
        }
        EXPECT_EQ(FormMURAVINEList != nullptr, c.list) << c.operate << ": the second double click opens no second one";
        EXPECT_EQ(FormMURAVINEOption != nullptr, c.options) << c.operate;
        FormMURAVINEMain.reset();
        EXPECT_EQ(FormMURAVINEList, nullptr) << "closed with their owner";
        EXPECT_EQ(FormMURAVINEOption, nullptr);
        reskit::DrainQuit();
        testkit::ResetCoreGlobals(dir.path());
    }
}

TEST_F(MainWindowTest, ReloadReplacesTheListAndRefreshesAnOpenListWindow) {
    WriteList(1);
    Setting(L"ChangeTiming", 3);
    Start();
    ASSERT_EQ(gv_lstWall->size(), 1u);
    WriteList(3);
    gv_dtLastChange = Shift(Now(), -40);
    SendMessageW(main, UM_SHOW_OR_RELOAD, 0, 1);
    EXPECT_EQ(gv_lstWall->size(), 3u);
    EXPECT_FALSE(IsWindowVisible(main)) << "a reload shows nothing";
    EXPECT_TRUE(FormMURAVINEMain->Timer1Enabled());
    EXPECT_LE(std::abs(Between(gv_dtLastChange, Now())), 2);

    Command(IDM_PM1LIST);
    ASSERT_NE(FormMURAVINEList, nullptr);
    EXPECT_EQ(ListView_GetItemCount(FormMURAVINEList->ListView1()), 3);
    WriteList(2);
    SendMessageW(main, UM_SHOW_OR_RELOAD, 0, 1);
    EXPECT_EQ(gv_lstWall->size(), 2u);
    EXPECT_EQ(ListView_GetItemCount(FormMURAVINEList->ListView1()), 2);
    EXPECT_FALSE(FormMURAVINEMain->Timer1Enabled()) << "the list window is still open";
}

TEST_F(MainWindowTest, ReloadAskedForDuringAChangeWaitsForItsEnd) {
    // The first entry is missing: its change stops at a message box, as a slow change would.
    testkit::WriteBytes(reskit::ListFileIn(dir.path()),
                        "0,0," + mrv::WideToAnsi(dir / L"missing.bmp") + ",\r\n0,0," + mrv::WideToAnsi(Picture(1)) + ",\r\n");
    Setting(L"WallIndex", 0xFFFFFFFF);
    Start();
    WriteList(3);  // meanwhile the add command has written a longer list
    std::size_t sizeDuringChange = 0;
    bool boxSeen = false;
    std::thread user([&] {
        HWND box = nullptr;
        boxSeen = reskit::WaitUntil([&] { return (box = reskit::FindProcessWindow(GetCurrentProcessId(), L"#32770")) != nullptr; });
        if (!box) return;
        SendMessageW(main, UM_SHOW_OR_RELOAD, 0, 1);  // answered inside the message box's loop
        sizeDuringChange = gv_lstWall->size();
        PostMessageW(box, WM_COMMAND, IDOK, 0);
    });
    Command(IDM_PM1NEXT);
    user.join();
    ASSERT_TRUE(boxSeen);
    EXPECT_EQ(sizeDuringChange, 2u) << "the change under way keeps the list it chose from";
    EXPECT_EQ(gv_lstWall->size(), 3u) << "reloaded once the change was over";
}

TEST_F(MainWindowTest, EndAskedForDuringAChangeComesAfterIt) {
    struct Case {
        UINT msg;
        WPARAM wp;
    };
    for (const Case c : {Case{WM_CLOSE, 0}, Case{WM_ENDSESSION, TRUE}}) {
        testkit::WriteBytes(reskit::ListFileIn(dir.path()), "0,0," + mrv::WideToAnsi(dir / L"missing.bmp") + ",\r\n0,0," +
                                                                mrv::WideToAnsi(Picture(1)) + ",\r\n");
        Setting(L"WallIndex", 0xFFFFFFFF);
        Setting(L"ChangeTiming", 2);
        Start();
        bool listDuringChange = false, windowDuringChange = false, boxSeen = false;
        std::thread user([&] {
            HWND box = nullptr;
            boxSeen = reskit::WaitUntil(
                [&] { return (box = reskit::FindProcessWindow(GetCurrentProcessId(), L"#32770")) != nullptr; });
            if (!box) return;
            SendMessageW(main, c.msg, c.wp, 0);  // answered inside the change's message box
            listDuringChange = gv_lstWall != nullptr;
            windowDuringChange = IsWindow(main) != FALSE;
            PostMessageW(box, WM_COMMAND, IDOK, 0);
        });
        Command(IDM_PM1NEXT);
        user.join();
        ASSERT_TRUE(boxSeen);
        EXPECT_TRUE(listDuringChange) << c.msg << ": nothing is released under the change";
        EXPECT_TRUE(windowDuringChange) << c.msg;
        EXPECT_FALSE(IsWindow(main)) << c.msg << ": the end came once the change was over";
        EXPECT_EQ(gv_lstWall, nullptr) << c.msg;
        EXPECT_EQ(reskit::DesktopWallpaper(), Picture(1)) << c.msg << ": with its change at exit";
        EXPECT_EQ(testkit::ReadRegDword(kKey, L"WallIndex"), 1u) << c.msg;
        FormMURAVINEMain.reset();
        reskit::DrainQuit();
        testkit::DeleteKeyTree(L"Software\\ORMI");
        reskit::SetDesktopWallpaperValue(L"");
        testkit::ResetCoreGlobals(dir.path());
    }
}

TEST_F(MainWindowTest, CancelledLogOffKeepsTheProgramWorkingAndTheExitWorkHappensOnce) {
    WriteList(3);
    Setting(L"ChangeTiming", 2);
    Start();
    const std::wstring list = reskit::ListFileIn(dir.path());
    Command(IDM_PM1NEXT);
    ASSERT_EQ(gv_iWallIndex, 1);

    EXPECT_EQ(SendMessageW(main, WM_QUERYENDSESSION, 0, 0), TRUE);
    bool written = false;
    EXPECT_EQ(testkit::ReadRegDword(kKey, L"WallIndex", &written), 1u);
    EXPECT_TRUE(written) << "the settings are written when Windows asks";
    EXPECT_NE(testkit::ReadBytes(list).find("1,0," + mrv::WideToAnsi(Picture(1))), std::string::npos) << "and the list";
    EXPECT_EQ(gv_iWallIndex, 1) << "the change at exit waits for the session to end";
    EXPECT_EQ(reskit::DesktopWallpaper(), Picture(1));

    SendMessageW(main, WM_ENDSESSION, FALSE, 0);  // another program said no
    ASSERT_TRUE(IsWindow(main));
    ASSERT_NE(gv_lstWall, nullptr);
    Command(IDM_PM1NEXT);
    EXPECT_EQ(gv_iWallIndex, 2) << "the program goes on working";
    EXPECT_EQ(reskit::DesktopWallpaper(), Picture(2));

    SendMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(main));
    EXPECT_EQ(gv_lstWall, nullptr) << "released at the end";
    EXPECT_EQ(reskit::DesktopWallpaper(), Picture(0)) << "one change at exit";
    EXPECT_EQ(testkit::ReadRegDword(kKey, L"WallIndex"), 0u);
    const std::string text = testkit::ReadBytes(list);
    for (int i = 0; i < 3; ++i)
        EXPECT_NE(text.find("1,0," + mrv::WideToAnsi(Picture(i))), std::string::npos) << text;
}

TEST_F(MainWindowTest, SessionEndMakesTheChangeAtExitOnceAndEndsTheProgram) {
    WriteList(3);
    Setting(L"ChangeTiming", 2);
    Start();
    EXPECT_EQ(SendMessageW(main, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), TRUE);
    SendMessageW(main, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    EXPECT_FALSE(IsWindow(main));
    EXPECT_EQ(gv_lstWall, nullptr);
    EXPECT_EQ(reskit::DesktopWallpaper(), Picture(1));
    EXPECT_EQ(testkit::ReadRegDword(kKey, L"WallIndex"), 1u);
    MSG quit{};
    EXPECT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "the message loop ends";
}

TEST_F(MainWindowTest, ExitWithAnEmptyListSavesIndexMinusOne) {
    Setting(L"ChangeTiming", 2);
    Start();
    Command(IDM_PM1EXIT);
    EXPECT_FALSE(IsWindow(main));
    EXPECT_EQ(testkit::ReadRegDword(kKey, L"WallIndex"), 0xFFFFFFFFu);
    EXPECT_EQ(reskit::DesktopWallpaper(), L"");
}

TEST_F(MainWindowTest, SettingsOffStillSavesTheList) {
    WriteList(2);
    Setting(L"SaveSetting", 0);
    Start();
    Command(IDM_PM1NEXT);
    Command(IDC_BUTTON3);  // むらびねの終了
    EXPECT_FALSE(IsWindow(main));
    bool exists = true;
    testkit::ReadRegDword(kKey, L"ChangeTiming", &exists);
    EXPECT_FALSE(exists) << "only SaveSetting is written";
    EXPECT_NE(testkit::ReadBytes(reskit::ListFileIn(dir.path())).find("1,0,"), std::string::npos);
}

TEST_F(MainWindowTest, ManifestGivesCommonControlsSixAndDpiAwareness) {
    EXPECT_TRUE(IsProcessDPIAware());
    // The manifest binds the side-by-side common controls 6 (Wine's build of it reports 5.81 from
    // DllGetVersion, so the assembly it came from tells).
    HMODULE cc = GetModuleHandleW(L"comctl32.dll");
    ASSERT_NE(cc, nullptr);
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(cc, path, MAX_PATH);
    std::wstring lower = path;
    for (auto& c : lower) c = static_cast<wchar_t>(towlower(c));
    EXPECT_NE(lower.find(L"microsoft.windows.common-controls_6595b64144ccf1df_6."), std::wstring::npos)
        << testkit::Narrow(path);
}

TEST(VersionStrings, ComeFromTheExecutablesOwnResource) {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const VersionStrings v = ReadVersionStrings(self);
    ASSERT_TRUE(v.fileVersion && v.legalCopyright);
    EXPECT_EQ(*v.fileVersion, L"1.0.0.0") << "the file version, four numbers as stored";
    EXPECT_EQ(*v.legalCopyright, L"Copyright (C) ORMI");

    testkit::TempDir dir(L"ver");
    reskit::WriteBitmap(dir / L"plain.bmp", 1, 2, 3);
    const VersionStrings none = ReadVersionStrings(dir / L"plain.bmp");
    EXPECT_FALSE(none.fileVersion);
    EXPECT_FALSE(none.legalCopyright);
    EXPECT_FALSE(ReadVersionStrings(dir / L"missing.exe").fileVersion);
}
