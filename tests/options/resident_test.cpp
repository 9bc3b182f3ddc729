// The options dialog hosted by the real program: a copy of MURAVINE.exe opens it from its options
// command, 適用 removes and restores its tray icon at once, and the settings reach the registry when
// the program ends.
#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>

#include <vector>

#include "core/muravine_rtn.h"
#include "mainwin/muravine_main_res.h"
#include "option_kit.h"
#include "options/muravine_option_res.h"
#include "testkit.h"

namespace {

constexpr wchar_t kKey[] = L"Software\\ORMI\\MURAVINE";

struct ProcessWindows {
    DWORD pid;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindows(HWND h, LPARAM lp) {
    auto* s = reinterpret_cast<ProcessWindows*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    if (pid == s->pid) s->found.push_back(h);
    return TRUE;
}

// Whether the program has an icon in the notification area: the shell accepts a change only for an
// icon that is there. The change asked for changes nothing.
bool HasTrayIcon(DWORD pid) {
    ProcessWindows s{pid, {}};
    EnumWindows(CollectWindows, reinterpret_cast<LPARAM>(&s));
    for (HWND h : s.found) {
        NOTIFYICONDATAW d{};
        d.cbSize = sizeof d;
        d.hWnd = h;
        d.uID = 1;
        if (Shell_NotifyIconW(NIM_MODIFY, &d)) return true;
    }
    return false;
}

bool WaitTray(DWORD pid, bool shown, DWORD timeoutMs = 5000) {
    const DWORD start = GetTickCount();
    while (HasTrayIcon(pid) != shown) {
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(50);
    }
    return true;
}

// The main window switches its buttons when it handles the dialog's opening and closing, which
// another process does in its own time.
bool WaitEnabled(HWND control, bool enabled, DWORD timeoutMs = 10000) {
    const DWORD start = GetTickCount();
    while ((IsWindowEnabled(control) != FALSE) != enabled) {
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(20);
    }
    return true;
}

class ResidentOptions : public ::testing::Test {
protected:
    void SetUp() override {
        testkit::DeleteKeyTree(L"Software\\ORMI");
        ASSERT_TRUE(CopyFileW(testkit::MuravineExe().c_str(), exe.c_str(), FALSE));
    }
    void TearDown() override {
        if (process) {
            if (HWND w = FindWindowW(kMainWindowClass, nullptr)) PostMessageW(w, WM_CLOSE, 0, 0);
            if (!testkit::WaitExit(process, 10000)) TerminateProcess(process, 1);
            CloseHandle(process);
        }
        testkit::DeleteKeyTree(L"Software\\ORMI");
    }
    // Opens the dialog with the main window's options command; returns it.
    HWND OpenOptions() {
        PostMessageW(main, WM_COMMAND, MAKEWPARAM(IDM_PM1OPTION, 0), 0);
        HWND dlg = optkit::WaitForDialog(L"オプション");
        EXPECT_NE(dlg, nullptr);
        return dlg;
    }
    testkit::TempDir dir{L"optres"};
    std::wstring exe = dir / L"MURAVINE.exe";
    HANDLE process = nullptr;
    HWND main = nullptr;
};

}  // namespace

TEST_F(ResidentOptions, ApplySwitchesTheTrayIconAtOnceAndTheExitStoresTheSettings) {
    process = testkit::Start(testkit::Quote(exe));
    ASSERT_NE(process, nullptr);
    main = testkit::WaitForWindow(kMainWindowClass);
    ASSERT_NE(main, nullptr);
    const DWORD pid = GetProcessId(process);
    ASSERT_TRUE(WaitTray(pid, true)) << "a first run shows the tray icon";

    HWND dlg = OpenOptions();
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(GetWindow(dlg, GW_OWNER), main);
    EXPECT_TRUE(WaitEnabled(GetDlgItem(main, IDC_BUTTON2), false)) << "no second options dialog meanwhile";
    HWND showTray = optkit::Find(dlg, IDC_OPT_SHOWTRAY);
    ASSERT_TRUE(optkit::Checked(showTray));
    optkit::Click(showTray);
    optkit::Click(optkit::Find(dlg, IDOK));
    EXPECT_TRUE(WaitTray(pid, false)) << "適用 removes the icon at once";
    EXPECT_TRUE(optkit::WaitGone(dlg));
    EXPECT_TRUE(WaitEnabled(GetDlgItem(main, IDC_BUTTON2), true)) << "the main window heard that it closed";

    // Closed without 適用: nothing changes; then shown again by 適用.
    dlg = OpenOptions();
    ASSERT_NE(dlg, nullptr);
    showTray = optkit::Find(dlg, IDC_OPT_SHOWTRAY);
    EXPECT_FALSE(optkit::Checked(showTray));
    optkit::Click(showTray);
    optkit::Click(optkit::Find(dlg, IDCANCEL));
    EXPECT_TRUE(optkit::WaitGone(dlg));
    Sleep(300);
    EXPECT_FALSE(HasTrayIcon(pid));

    dlg = OpenOptions();
    ASSERT_NE(dlg, nullptr);
    optkit::Click(optkit::Find(dlg, IDC_OPT_SHOWTRAY));
    optkit::Click(optkit::Find(dlg, IDC_OPT_CHANGEATINTERVAL));
    optkit::Type(optkit::Find(dlg, IDC_OPT_INTERVAL), L"7");
    optkit::Click(optkit::Find(dlg, IDOK));
    EXPECT_TRUE(WaitTray(pid, true)) << "適用 shows the icon again at once";
    EXPECT_TRUE(optkit::WaitGone(dlg));

    // Nothing is in the registry until the program ends.
    EXPECT_FALSE(testkit::KeyExists(kKey));
    PostMessageW(main, WM_CLOSE, 0, 0);
    ASSERT_TRUE(testkit::WaitExit(process, 20000));
    EXPECT_EQ(testkit::ReadRegDword(kKey, L"ShowTray"), 1u);
    EXPECT_EQ(testkit::ReadRegDword(kKey, L"ChangeTiming"), 3u);
    EXPECT_EQ(testkit::ReadRegDword(kKey, L"Interval"), 7u);
}

// Quitting from the tray while the registration dialog (a modal loop inside the options dialog)
// is open must not pull the options dialog away from under that loop.
TEST_F(ResidentOptions, QuittingWithTheRegistrationDialogOpenEndsCleanly) {
    process = testkit::Start(testkit::Quote(exe));
    ASSERT_NE(process, nullptr);
    main = testkit::WaitForWindow(kMainWindowClass);
    ASSERT_NE(main, nullptr);
    HWND dlg = OpenOptions();
    ASSERT_NE(dlg, nullptr);
    PostMessageW(optkit::Find(dlg, IDC_OPT_RIGHTMENU), BM_CLICK, 0, 0);
    HWND reg = nullptr;
    for (int i = 0; i < 200 && !reg; ++i) {
        for (HWND w = nullptr; (w = FindWindowExW(nullptr, w, L"#32770", nullptr)) != nullptr;)
            if (GetWindow(w, GW_OWNER) == dlg && IsWindowVisible(w)) reg = w;
        if (!reg) Sleep(50);
    }
    ASSERT_NE(reg, nullptr) << "the registration dialog opens";
    PostMessageW(main, WM_CLOSE, 0, 0);
    ASSERT_TRUE(testkit::WaitExit(process, 20000));
    DWORD code = 1;
    GetExitCodeProcess(process, &code);
    EXPECT_EQ(code, 0u);
    bool stored = false;
    testkit::ReadRegDword(kKey, L"SaveSetting", &stored);
    EXPECT_TRUE(stored) << "the exit work ran";
}
