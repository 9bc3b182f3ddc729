// The tray component against Wine's real tray: the icon, its tip, the mouse messages the shell
// sends, the popup menus, the taskbar button, a restarted taskbar and the animation thread.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mainwin/ormitaskbar.h"
#include "resident_kit.h"
#include "testkit.h"

namespace {

constexpr UINT kCallback = TORMITaskBar::UM_TRAY_CALLBACK;

// What the shell sends for a mouse message on the icon (the newer form: message and icon in
// lParam, the icon's point in wParam).
void Send(const TORMITaskBar& bar, UINT mouse, int x = 200, int y = 150) {
    SendMessageW(bar.Handle(), kCallback, MAKEWPARAM(x, y), MAKELPARAM(mouse, TORMITaskBar::kIconId));
}

bool DeleteIcon(HWND window) {
    NOTIFYICONDATAW d{};
    d.cbSize = sizeof d;
    d.hWnd = window;
    d.uID = TORMITaskBar::kIconId;
    return Shell_NotifyIconW(NIM_DELETE, &d) != FALSE;
}

HICON ApplicationSmallIcon() {
    return static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1), IMAGE_ICON,
                                         GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_SHARED));
}

// A hidden window of the test that receives the menus' commands.
class CommandSink {
public:
    CommandSink() { commands.clear(); }
    HWND hwnd() const { return window_.hwnd(); }
    static inline std::vector<UINT> commands;
private:
    testkit::StandInWindow window_{L"TrayTestSink", [](UINT m, WPARAM w, LPARAM) {
                                       if (m == WM_COMMAND) commands.push_back(LOWORD(w));
                                   }, WS_POPUP};
};

// What happens inside an open menu: where it opened, and what the "user" does there. Runs from a
// timer inside the menu's own loop.
struct MenuScript {
    static inline RECT openedAt{};
    static inline bool choose = false;
    static void Arm(bool chooseFirst) {
        openedAt = {};
        choose = chooseFirst;
        SetTimer(nullptr, 0, 100, Act);
    }
    static void CALLBACK Act(HWND, UINT, UINT_PTR id, DWORD) {
        KillTimer(nullptr, id);
        HWND menu = reskit::VisibleMenu();
        if (menu) GetWindowRect(menu, &openedAt);
        if (choose && menu) {
            PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 0);
            PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 0);
        } else {
            EndMenu();
        }
    }
};

std::unique_ptr<TPopupMenu> MakeMenu(HWND sink, UINT firstId) {
    HMENU m = CreatePopupMenu();
    AppendMenuW(m, MF_STRING, firstId, L"最初");
    AppendMenuW(m, MF_STRING, firstId + 1, L"次");
    return std::make_unique<TPopupMenu>(m, sink);
}

class TrayTest : public ::testing::Test {
protected:
    void TearDown() override {
        reskit::Pump(50);
        reskit::DrainQuit();
    }
};

}  // namespace

TEST_F(TrayTest, IconFollowsSetTaskTrayAndIsAddedOnce) {
    TORMITaskBar bar(nullptr);
    EXPECT_FALSE(reskit::IconInTray(bar.Handle())) << "constructed without an icon";
    bar.SetTaskTray(true);
    bar.SetTaskTray(true);
    EXPECT_TRUE(bar.VisibleTray());
    EXPECT_TRUE(reskit::IconInTray(bar.Handle()));
    // Exactly one icon: one removal succeeds, a second finds nothing.
    EXPECT_TRUE(DeleteIcon(bar.Handle()));
    EXPECT_FALSE(DeleteIcon(bar.Handle()));
    bar.SetTaskTray(true);
    bar.SetTaskTray(false);
    EXPECT_FALSE(bar.VisibleTray());
    EXPECT_FALSE(reskit::IconInTray(bar.Handle()));
}

TEST_F(TrayTest, LoadedShowsTheIconAndTheTaskbarButtonAsTheProperties) {
    HWND app = CreateWindowExW(0, L"STATIC", L"tray test application", WS_OVERLAPPEDWINDOW, 10, 10, 200, 100, nullptr,
                               nullptr, nullptr, nullptr);
    HWND trayWindow = nullptr;
    {
        TORMITaskBar bar(app);
        trayWindow = bar.Handle();
        EXPECT_TRUE(bar.VisibleTray());
        EXPECT_TRUE(bar.VisibleBar());
        EXPECT_FALSE(IsWindowVisible(app));
        bar.Loaded();
        EXPECT_TRUE(reskit::IconInTray(trayWindow));
        EXPECT_TRUE(IsWindowVisible(app)) << "VisibleBar true shows the application's button";
        bar.SetORMITaskBar(false);
        EXPECT_FALSE(IsWindowVisible(app));
        EXPECT_FALSE(bar.VisibleBar());
    }
    EXPECT_FALSE(reskit::IconInTray(trayWindow)) << "the icon goes with the component";
    EXPECT_FALSE(IsWindow(trayWindow));

    // As a form's design sets it up: no button, no icon until asked for.
    ShowWindow(app, SW_SHOW);
    {
        TORMITaskBar bar(app);
        bar.SetORMITaskBar(false);
        bar.SetTaskTray(false);
        bar.Loaded();
        EXPECT_FALSE(IsWindowVisible(app));
        EXPECT_FALSE(reskit::IconInTray(bar.Handle()));
    }
    DestroyWindow(app);
}

TEST_F(TrayTest, TipKeepsUpTo255CharactersAndShowsTheFirst63) {
    struct Case {
        std::wstring tip, kept, shown;
    };
    const std::wstring a63(63, L'a'), a255(255, L'b');
    // A character outside the basic plane takes two units: the cut never splits it.
    const std::wstring pair = L"\xD83D\xDDBC";
    const std::vector<Case> cases = {
        {L"", L"", L""},
        {L"むらびね for Win32", L"むらびね for Win32", L"むらびね for Win32"},
        {a63, a63, a63},
        {a63 + L"x", a63 + L"x", a63},
        {a255 + L"cdef", a255, std::wstring(63, L'b')},
        {std::wstring(62, L'c') + pair, std::wstring(62, L'c') + pair, std::wstring(62, L'c')},
    };
    TORMITaskBar bar(nullptr);
    bar.SetTaskTray(true);
    for (const Case& c : cases) {
        bar.SetTips(c.tip);
        EXPECT_EQ(bar.Tips(), c.kept) << c.tip.size();
        EXPECT_EQ(bar.ShownTip(), c.shown) << c.tip.size();
    }
    EXPECT_TRUE(reskit::IconInTray(bar.Handle()));
}

TEST_F(TrayTest, EmptyIconShowsTheApplicationIconAndAnIconIsCopied) {
    TORMITaskBar bar(nullptr);
    bar.SetTaskTray(true);
    EXPECT_EQ(bar.Icon(), nullptr);
    EXPECT_EQ(bar.ShownIcon(), ApplicationSmallIcon());

    HICON warning = CopyIcon(LoadIconW(nullptr, IDI_WARNING));
    bar.SetIcon(warning);
    DestroyIcon(warning);  // the component keeps its own copy
    ASSERT_NE(bar.Icon(), nullptr);
    EXPECT_NE(bar.Icon(), warning);
    EXPECT_EQ(bar.ShownIcon(), bar.Icon()) << "replaced in the tray at once";

    // Set while the icon is not shown: remembered for the next showing.
    bar.SetTaskTray(false);
    bar.SetIcon(LoadIconW(nullptr, IDI_ERROR));
    HICON remembered = bar.Icon();
    bar.SetTaskTray(true);
    EXPECT_EQ(bar.ShownIcon(), remembered);

    bar.SetIcon(nullptr);
    EXPECT_EQ(bar.Icon(), nullptr);
    EXPECT_EQ(bar.ShownIcon(), ApplicationSmallIcon());
}

TEST_F(TrayTest, EachMouseMessageHasItsOwnEffect) {
    CommandSink sink;
    std::vector<std::string> seen;
    TORMITaskBar bar(nullptr);
    bar.SetTaskTray(true);
    ASSERT_TRUE(reskit::IconInTray(bar.Handle()));
    auto left = MakeMenu(sink.hwnd(), 10), right = MakeMenu(sink.hwnd(), 20);
    left->OnPopup = [&] {
        seen.push_back("left menu");
        MenuScript::Arm(false);
    };
    right->OnPopup = [&] {
        seen.push_back("right menu");
        MenuScript::Arm(false);
    };
    auto name = [](TMouseButton b) { return b == TMouseButton::mbLeft ? "L" : "R"; };
    bar.OnTrayClick = [&](TMouseButton b) { seen.push_back(std::string("click ") + name(b)); };
    bar.OnTrayDblClick = [&](TMouseButton b) { seen.push_back(std::string("double ") + name(b)); };
    bar.SetPopup(1, left.get());
    bar.SetPopup(2, right.get());
    EXPECT_EQ(bar.LeftPopup(), left.get());
    EXPECT_EQ(bar.RightPopup(), right.get());

    const std::vector<std::pair<UINT, std::vector<std::string>>> cases = {
        {WM_LBUTTONDOWN, {"click L"}},
        {WM_RBUTTONDOWN, {"click R"}},
        {WM_LBUTTONDBLCLK, {"double L"}},
        {WM_RBUTTONDBLCLK, {"double R"}},
        {WM_LBUTTONUP, {"left menu"}},
        {WM_CONTEXTMENU, {"right menu"}},  // after a right-button release, and from the keyboard
        {WM_RBUTTONUP, {}},                // the context-menu message follows it
        {WM_MOUSEMOVE, {}},
        {WM_MBUTTONUP, {}},
    };
    for (const auto& [mouse, expected] : cases) {
        seen.clear();
        Send(bar, mouse, 200, 150);
        reskit::Pump(30);
        EXPECT_EQ(seen, expected) << std::hex << mouse;
        if (!expected.empty() && expected[0].find("menu") != std::string::npos) {
            EXPECT_EQ(MenuScript::openedAt.left, 200) << "the menu opens at the icon's point";
            EXPECT_EQ(MenuScript::openedAt.top, 150);
        }
    }
    EXPECT_TRUE(CommandSink::commands.empty()) << "a menu closed without a choice runs nothing";

    // Without events or menus the icon ignores the mouse.
    bar.OnTrayClick = nullptr;
    bar.OnTrayDblClick = nullptr;
    bar.SetPopup(1, nullptr);
    bar.SetPopup(2, nullptr);
    seen.clear();
    for (const auto& c : cases) Send(bar, c.first);
    reskit::Pump(30);
    EXPECT_TRUE(seen.empty());
}

TEST_F(TrayTest, ChosenItemReachesTheMenusOwnerAfterTheMenuCloses) {
    CommandSink sink;
    TORMITaskBar bar(nullptr);
    bar.SetTaskTray(true);
    auto menu = MakeMenu(sink.hwnd(), 30);
    menu->OnPopup = [&] { MenuScript::Arm(true); };
    bar.SetPopup(2, menu.get());
    Send(bar, WM_CONTEXTMENU, 300, 200);  // returns once the menu has closed
    EXPECT_EQ(reskit::VisibleMenu(), nullptr);
    EXPECT_TRUE(CommandSink::commands.empty()) << "posted, so it runs once the tray's message has returned";
    reskit::Pump(50);
    EXPECT_EQ(CommandSink::commands, std::vector<UINT>{30}) << "the keyboard chose the first item";
}

TEST_F(TrayTest, FailingHandlerIsShownAndTheIconKeepsWorking) {
    testkit::DialogWatcher boxes;
    TORMITaskBar bar(nullptr);
    bar.SetTaskTray(true);
    int doubles = 0;
    bar.OnTrayClick = [](TMouseButton) { throw std::runtime_error("handler failed"); };
    bar.OnTrayDblClick = [&](TMouseButton) { ++doubles; };
    Send(bar, WM_LBUTTONDOWN);
    ASSERT_TRUE(boxes.WaitFor(1));
    EXPECT_EQ(boxes.Seen()[0].text, L"handler failed");
    Send(bar, WM_LBUTTONDBLCLK);
    EXPECT_EQ(doubles, 1);
}

TEST_F(TrayTest, IconComesBackWhenTheTaskbarIsCreatedAgain) {
    const UINT taskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
    TORMITaskBar bar(nullptr);
    bar.SetTaskTray(true);
    // A restarted Explorer has forgotten every icon, then tells every top-level window.
    ASSERT_TRUE(DeleteIcon(bar.Handle()));
    SendMessageTimeoutW(HWND_BROADCAST, taskbarCreated, 0, 0, SMTO_ABORTIFHUNG, 5000, nullptr);
    reskit::Pump(30);
    EXPECT_TRUE(reskit::IconInTray(bar.Handle()));

    bar.SetTaskTray(false);
    SendMessageTimeoutW(HWND_BROADCAST, taskbarCreated, 0, 0, SMTO_ABORTIFHUNG, 5000, nullptr);
    reskit::Pump(30);
    EXPECT_FALSE(reskit::IconInTray(bar.Handle())) << "an icon switched off stays off";
}

TEST_F(TrayTest, DestroyedMenuIsDroppedByTheComponent) {
    CommandSink sink;
    TORMITaskBar bar(nullptr);
    bar.SetTaskTray(true);
    auto menu = MakeMenu(sink.hwnd(), 40);
    bar.SetPopup(1, menu.get());
    bar.SetPopup(2, menu.get());
    menu.reset();
    EXPECT_EQ(bar.LeftPopup(), nullptr);
    EXPECT_EQ(bar.RightPopup(), nullptr);
    Send(bar, WM_CONTEXTMENU);
    Send(bar, WM_LBUTTONUP);
    EXPECT_EQ(reskit::VisibleMenu(), nullptr);
}

TEST_F(TrayTest, AnimationShowsEveryFrameForItsOwnTimeAndPausesSafely) {
    TORMITaskBar bar(nullptr);
    bar.SetTaskTray(true);
    bar.IconAdd(LoadIconW(nullptr, IDI_WARNING), 400);
    bar.IconAdd(LoadIconW(nullptr, IDI_ERROR), 900);
    ASSERT_EQ(bar.FrameCount(), 2u);
    const HICON first = bar.FrameIcon(0), second = bar.FrameIcon(1);
    ASSERT_TRUE(first && second && first != second);
    EXPECT_EQ(bar.Anima(), 0);
    EXPECT_EQ(bar.ShownIcon(), ApplicationSmallIcon()) << "paused until switched on";

    // Runs of the same icon, with how long each lasted.
    struct Run {
        HICON icon;
        DWORD ms;
    };
    auto watch = [&](DWORD totalMs) {
        std::vector<Run> runs;
        const DWORD start = GetTickCount();
        DWORD runStart = start;
        HICON current = bar.ShownIcon();
        while (GetTickCount() - start < totalMs) {
            const HICON now = bar.ShownIcon();
            if (now != current) {
                runs.push_back({current, GetTickCount() - runStart});
                current = now;
                runStart = GetTickCount();
            }
            Sleep(10);
        }
        runs.push_back({current, GetTickCount() - runStart});
        return runs;
    };

    bar.SetAnima(1);
    const std::vector<Run> runs = watch(3300);
    ASSERT_GE(runs.size(), 5u);
    // The thread may have shown its first frame before the watch began.
    const std::size_t firstFrame = runs[0].icon == ApplicationSmallIcon() ? 1 : 0;
    EXPECT_EQ(runs[firstFrame].icon, second) << "the index moves on before it is used: the second frame comes first";
    for (std::size_t i = firstFrame + 2; i < runs.size(); ++i) EXPECT_EQ(runs[i].icon, runs[i - 2].icon) << i;
    for (std::size_t i = firstFrame + 1; i + 1 < runs.size(); ++i) {
        const DWORD wait = runs[i].icon == first ? 400 : 900;
        EXPECT_GE(runs[i].ms + 60, wait) << i;
        EXPECT_LE(runs[i].ms, wait + 300) << i;
    }

    // Adding a frame pauses the animation; it does not resume by itself.
    bar.IconAdd(LoadIconW(nullptr, IDI_INFORMATION), 100);
    EXPECT_EQ(bar.Anima(), 0);
    EXPECT_EQ(watch(1200).size(), 1u) << "no frame changes while paused";

    // Switched on while the icon is not in the tray: the frames do not advance.
    bar.SetTaskTray(false);
    bar.SetAnima(1);
    EXPECT_EQ(watch(800).size(), 1u);

    // Clearing releases every frame and pauses again.
    bar.IconClear();
    EXPECT_EQ(bar.FrameCount(), 0u);
    EXPECT_EQ(bar.Anima(), 0);
}

TEST_F(TrayTest, RunningAnimationEndsWithTheComponentWithinOneFrame) {
    auto bar = std::make_unique<TORMITaskBar>(nullptr);
    bar->SetTaskTray(true);
    bar->IconAdd(LoadIconW(nullptr, IDI_WARNING), 1000);
    bar->IconAdd(LoadIconW(nullptr, IDI_ERROR), 1000);
    bar->SetAnima(1);
    Sleep(300);
    const HWND window = bar->Handle();
    const DWORD start = GetTickCount();
    bar.reset();
    EXPECT_LT(GetTickCount() - start, 500u) << "a waiting frame does not hold up the end";
    EXPECT_FALSE(reskit::IconInTray(window));
}
