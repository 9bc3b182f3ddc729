// The resident program as the user meets it: started from its folder, reached through the tray
// icon with real clicks and keys, asked for by a second launch, timed by its interval, ended by
// the user or by Windows. Set MRV_SCREENSHOTS to a folder to keep pictures of the tray menu, the
// main window and the version dialog.
#include "options/ormi_version_res.h"
#include "resident_fixture.h"

namespace {

std::string Xy(POINT p) { return std::to_string(p.x) + " " + std::to_string(p.y); }

// Counts the version dialogs of a process (pid, count).
BOOL CALLBACK CountVersionDialogs(HWND w, LPARAM lp) {
    auto* a = reinterpret_cast<std::pair<DWORD, int>*>(lp);
    DWORD p = 0;
    GetWindowThreadProcessId(w, &p);
    if (p == a->first && reskit::WindowText(w) == L"バージョン情報") ++a->second;
    return TRUE;
}

}  // namespace

TEST_F(ResidentTest, SecondLaunchShowsTheMainWindowAndDoesNotStay) {
    Launch();
    EXPECT_FALSE(IsWindowVisible(main));
    const DWORD start = GetTickCount();
    EXPECT_EQ(testkit::Run(Cmd(L""), 20000), 0);
    EXPECT_LT(GetTickCount() - start, 15000u) << "the second launch ends at once";
    ASSERT_TRUE(reskit::WaitUntil([&] { return IsWindowVisible(main) != FALSE; }));
    EXPECT_TRUE(Running());
    EXPECT_EQ(reskit::FindProcessWindow(pid, L"TFormMURAVINEMain"), main);
    reskit::Pump(300);
    reskit::Screenshot("main-window");

    // Esc on the keyboard hides it again, and the program stays.
    ASSERT_TRUE(reskit::PressKeys("Escape"));
    EXPECT_TRUE(reskit::WaitUntil([&] { return !IsWindowVisible(main); }, 5000));
    EXPECT_TRUE(Running());
}

TEST_F(ResidentTest, AddCommandMakesTheRunningInstanceReload) {
    WriteList(1);
    Launch();
    EXPECT_EQ(testkit::Run(Cmd(L"/ac " + testkit::Quote(Picture(2)))), 0);
    // The next entry after the first is the one just added, so the instance has read it.
    Post(IDM_PM1NEXT);
    EXPECT_TRUE(WaitWallpaper(Picture(2)));
    Post(IDM_PM1EXIT);
    ASSERT_TRUE(testkit::WaitExit(process, 15000));
    const std::string text = testkit::ReadBytes(list);
    EXPECT_NE(text.find("1,0," + mrv::WideToAnsi(Picture(2))), std::string::npos) << text;
}

TEST_F(ResidentTest, TrayMenuOpensAtTheIconAndAnswersKeyboardAndClicksElsewhere) {
    WriteList(3);
    Launch();
    const POINT icon = reskit::TrayIconPoint();
    ASSERT_TRUE(reskit::RunUnix("xdotool mousemove " + Xy(icon) + " click 3"));
    HWND menu = nullptr;
    ASSERT_TRUE(reskit::WaitUntil([&] { return (menu = reskit::VisibleMenu()) != nullptr; }, 5000));
    DWORD menuPid = 0;
    GetWindowThreadProcessId(menu, &menuPid);
    EXPECT_EQ(menuPid, pid);
    RECT r{};
    GetWindowRect(menu, &r);
    EXPECT_GE(r.left, 0);
    EXPECT_LE(r.right, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_LE(r.bottom, icon.y) << "above the icon, on the screen";
    EXPECT_LE(std::abs(r.right - icon.x), 40);
    reskit::Pump(200);
    reskit::Screenshot("tray-menu");

    // The mnemonic of 次の壁紙(&N), typed on the keyboard.
    ASSERT_TRUE(reskit::PressKeys("n"));
    EXPECT_TRUE(reskit::WaitUntil([] { return reskit::VisibleMenu() == nullptr; }, 5000));
    EXPECT_TRUE(WaitWallpaper(Picture(1)));

    // Opened again and left by a click elsewhere: it closes and runs nothing.
    ASSERT_TRUE(reskit::RunUnix("xdotool mousemove " + Xy(icon) + " click 3"));
    ASSERT_TRUE(reskit::WaitUntil([] { return reskit::VisibleMenu() != nullptr; }, 5000));
    ASSERT_TRUE(reskit::RunUnix("xdotool mousemove 300 250 click 1"));
    EXPECT_TRUE(reskit::WaitUntil([] { return reskit::VisibleMenu() == nullptr; }, 5000));
    Sleep(500);
    EXPECT_EQ(reskit::DesktopWallpaper(), Picture(1));

    // And chosen with the mouse: the version command's dialog appears.
    ASSERT_TRUE(reskit::RunUnix("xdotool mousemove " + Xy(icon) + " click 3"));
    ASSERT_TRUE(reskit::WaitUntil([&] { return (menu = reskit::VisibleMenu()) != nullptr; }, 5000));
    GetWindowRect(menu, &r);
    // The last item, むらびねの終了, sits at the bottom; バージョン情報 just above it.
    const int itemHeight = (r.bottom - r.top) / 7;
    ASSERT_TRUE(reskit::RunUnix("xdotool mousemove " + std::to_string((r.left + r.right) / 2) + " " +
                                std::to_string(r.bottom - itemHeight - itemHeight / 2 - 2) + " click 1"));
    EXPECT_NE(reskit::WaitProcessWindow(pid, L"#32770", L"バージョン情報", 5000), nullptr);
}

TEST_F(ResidentTest, TrayDoubleClickRunsTheChosenAction) {
    WriteList(3);
    Setting(L"DblClickOperate", 1);
    Launch();
    ASSERT_TRUE(reskit::RunUnix("xdotool mousemove " + Xy(reskit::TrayIconPoint()) + " click --repeat 2 --delay 120 1"));
    EXPECT_TRUE(WaitWallpaper(Picture(1)));
    EXPECT_EQ(reskit::VisibleMenu(), nullptr) << "the left button has no menu";
}

TEST_F(ResidentTest, IntervalTimerChangesTheWallpaperAfterOneMinute) {
    WriteList(3);
    Setting(L"ChangeTiming", 3);
    Setting(L"Interval", 1);
    const DWORD start = GetTickCount();
    Launch();
    // Well before the minute, nothing has changed.
    EXPECT_FALSE(WaitWallpaper(Picture(1), 50000));
    ASSERT_TRUE(WaitWallpaper(Picture(1), 25000));
    const DWORD took = GetTickCount() - start;
    EXPECT_GE(took, 60000u) << "never before the interval";
    EXPECT_LE(took, 70000u);
    EXPECT_TRUE(Running());
}

TEST_F(ResidentTest, ExitMakesTheChangeInTheRegistryAndSavesEverything) {
    WriteList(3);
    Setting(L"ChangeTiming", 2);
    Launch();
    Post(IDM_PM1EXIT);
    ASSERT_TRUE(testkit::WaitExit(process, 15000));
    DWORD code = 1;
    GetExitCodeProcess(process, &code);
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(reskit::DesktopWallpaper(), Picture(1));
    EXPECT_EQ(testkit::ReadRegString(L"Control Panel\\Desktop", L"TileWallpaper"), L"0");
    EXPECT_EQ(testkit::ReadRegDword(kKey, L"WallIndex"), 1u);
    EXPECT_EQ(testkit::ReadRegDword(kKey, L"ChangeTiming"), 2u);
    EXPECT_NE(testkit::ReadBytes(list).find("1,0," + mrv::WideToAnsi(Picture(1))), std::string::npos);
    EXPECT_FALSE(reskit::IconInTray(tray)) << "no icon left behind";
}

TEST_F(ResidentTest, LogOffQueryWritesTheSettingsAndTheListAndTheEndChangesOnce) {
    WriteList(3);
    Setting(L"ChangeTiming", 2);
    Launch();
    Post(IDM_PM1NEXT);
    // Posted messages run in order: once the window shows, the change has run to its end (a
    // message sent meanwhile could be answered while the change still broadcasts to the desktop).
    PostMessageW(main, UM_SHOW_OR_RELOAD, 0, 0);
    ASSERT_TRUE(reskit::WaitUntil([&] { return IsWindowVisible(main) != FALSE; }));
    ASSERT_EQ(reskit::DesktopWallpaper(), Picture(1));
    DWORD_PTR answer = 0;
    ASSERT_TRUE(SendMessageTimeoutW(main, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG, 10000, &answer));
    EXPECT_EQ(answer, 1u) << "Windows may go on";
    bool written = false;
    EXPECT_EQ(testkit::ReadRegDword(kKey, L"WallIndex", &written), 1u);
    EXPECT_TRUE(written) << "the settings were written";
    EXPECT_NE(testkit::ReadBytes(list).find("1,0," + mrv::WideToAnsi(Picture(1))), std::string::npos)
        << "the list was written";
    EXPECT_TRUE(Running());
    SendMessageTimeoutW(main, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG, 10000, nullptr);
    ASSERT_TRUE(testkit::WaitExit(process, 15000)) << "the program ends with the session";
    EXPECT_EQ(reskit::DesktopWallpaper(), Picture(2)) << "one change at exit";
    EXPECT_EQ(testkit::ReadRegDword(kKey, L"WallIndex"), 2u);
}

TEST_F(ResidentTest, LogOffCancelledByAnotherProgramLeavesItWorking) {
    WriteList(3);
    Setting(L"ChangeTiming", 2);
    Launch();
    DWORD_PTR answer = 0;
    ASSERT_TRUE(SendMessageTimeoutW(main, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG, 10000, &answer));
    EXPECT_EQ(answer, 1u);
    // Another window refused: Windows tells those it asked before that the session goes on.
    SendMessageTimeoutW(main, WM_ENDSESSION, FALSE, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG, 10000, nullptr);
    Sleep(300);
    ASSERT_TRUE(Running());
    EXPECT_EQ(reskit::DesktopWallpaper(), L"") << "no entry spent on a log-off that did not happen";
    Post(IDM_PM1NEXT);
    EXPECT_TRUE(WaitWallpaper(Picture(1))) << "the list is still there";
    EXPECT_TRUE(reskit::IconInTray(tray));
    Post(IDM_PM1EXIT);
    ASSERT_TRUE(testkit::WaitExit(process, 15000));
    EXPECT_EQ(reskit::DesktopWallpaper(), Picture(2)) << "one change at exit";
    EXPECT_EQ(testkit::ReadRegDword(kKey, L"WallIndex"), 2u);
}

TEST_F(ResidentTest, VersionDialogShowsTheVersionResourceCentredOnTheMainWindow) {
    Launch();
    Post(IDM_PM1ABOUT);
    HWND dlg = reskit::WaitProcessWindow(pid, L"#32770", L"バージョン情報");
    ASSERT_NE(dlg, nullptr);
    ASSERT_TRUE(reskit::WaitUntil([&] { return IsWindowVisible(dlg) != FALSE; }));
    EXPECT_EQ(GetWindow(dlg, GW_OWNER), main);
    auto label = [&](int id) { return reskit::WindowText(GetDlgItem(dlg, id)); };
    EXPECT_EQ(label(IDC_LABEL_TITLE), L"むらびね for Win32");
    EXPECT_EQ(label(IDC_LABEL1), L"Version");
    EXPECT_EQ(label(IDC_LABEL_VERSION), L"1.0.0.0");
    EXPECT_EQ(label(IDC_LABEL_COPY), L"Copyright (C) ORMI");
    EXPECT_EQ(label(IDC_LABEL2), L"E-MAIL :");
    EXPECT_FALSE(label(IDC_LABEL_MAIL).empty());
    EXPECT_NE(SendMessageW(GetDlgItem(dlg, IDC_IMAGE1), STM_GETICON, 0, 0), 0) << "the application's icon";
    RECT m{}, d{};
    GetWindowRect(main, &m);
    GetWindowRect(dlg, &d);
    EXPECT_EQ(d.left, m.left + (((m.right - m.left) - (d.right - d.left)) >> 1));
    EXPECT_EQ(d.top, m.top + (((m.bottom - m.top) - (d.bottom - d.top)) >> 1));

    // Asked for again while shown: still one dialog.
    Post(IDM_PM1ABOUT);
    Sleep(300);
    std::pair<DWORD, int> count{pid, 0};
    EnumWindows(CountVersionDialogs, reinterpret_cast<LPARAM>(&count));
    EXPECT_EQ(count.second, 1);
    reskit::Screenshot("version-dialog");

    // Esc and Enter both close it.
    for (const char* key : {"Escape", "Return"}) {
        if (!dlg) {
            Post(IDC_BUTTON7);
            dlg = reskit::WaitProcessWindow(pid, L"#32770", L"バージョン情報");
            ASSERT_NE(dlg, nullptr);
            Sleep(300);
        }
        ASSERT_TRUE(reskit::PressKeys(key));
        EXPECT_TRUE(reskit::WaitUntil([&] { return !IsWindow(dlg); }, 5000)) << key;
        dlg = nullptr;
    }
    EXPECT_TRUE(Running());
}

TEST_F(ResidentTest, HelpCommandOpensTheHelpViewer) {
    Launch();
    Post(IDM_PM1HELP);
    HWND viewer = reskit::WaitProcessWindow(pid, L"HH Parent", nullptr, 15000);
    ASSERT_NE(viewer, nullptr) << "where keyword lookup opens nothing, the index does";
    EXPECT_TRUE(reskit::WaitUntil([&] { return IsWindowVisible(viewer) != FALSE; }));
    EXPECT_EQ(reskit::WindowText(viewer), L"むらびね for Win32 ヘルプ");
    if (reskit::ScreenshotsWanted()) Sleep(1500);  // its panes fill in after it shows
    reskit::Screenshot("help-viewer");
    PostMessageW(viewer, WM_CLOSE, 0, 0);
    EXPECT_TRUE(reskit::WaitUntil([&] { return !IsWindow(viewer); }, 5000));
    EXPECT_TRUE(Running());
}
