// The real program as separate processes: one-shot commands, the single instance and the hand-over.
#include <gtest/gtest.h>

#include "core/muravine_rtn.h"
#include "testkit.h"

namespace {

// The program copied into a folder of its own, so that its list file lands there.
class InstanceTest : public ::testing::Test {
protected:
    void SetUp() override {
        testkit::DeleteKeyTree(L"Software\\ORMI");
        ASSERT_TRUE(CopyFileW(testkit::MuravineExe().c_str(), exe.c_str(), FALSE));
    }
    void TearDown() override {
        testkit::CloseResidentProgram();
        testkit::DeleteKeyTree(L"Software\\ORMI");
    }
    std::wstring Cmd(const std::wstring& args) const { return testkit::Quote(exe) + L" " + args; }
    testkit::TempDir dir{L"inst"};
    std::wstring exe = dir / L"MURAVINE.exe";
    std::wstring list = dir / L"root.LST";
};

// A window of the resident instance's class that records what other launches send it.
class StandIn {
public:
    static inline std::vector<std::pair<LPARAM, std::string>> received;  // lParam, list file then
    static inline std::wstring listFile;
private:
    testkit::StandInWindow window_{kMainWindowClass, [](UINT m, WPARAM, LPARAM l) {
                                       if (m == UM_SHOW_OR_RELOAD) received.emplace_back(l, testkit::ReadBytes(listFile));
                                   }};
};

void Pump(DWORD ms) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < ms) {
        MSG m;
        while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&m);
        Sleep(10);
    }
}

}  // namespace

TEST_F(InstanceTest, FortySimultaneousAddCommandsLoseNothing) {
    std::vector<HANDLE> procs;
    for (int i = 0; i < 40; ++i) procs.push_back(testkit::Start(Cmd(L"/ac \"C:\\pics\\p" + std::to_wstring(i) + L".jpg\"")));
    for (HANDLE p : procs) {
        ASSERT_NE(p, nullptr);
        EXPECT_TRUE(testkit::WaitExit(p, 60000));
        CloseHandle(p);
    }
    const std::string bytes = testkit::ReadBytes(list);
    for (int i = 0; i < 40; ++i)
        EXPECT_NE(bytes.find("0,0,C:\\pics\\p" + std::to_string(i) + ".jpg,\r\n"), std::string::npos) << i;
    EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\n'), 40);
}

TEST_F(InstanceTest, AddCommandAsksTheResidentInstanceToReloadAfterWriting) {
    StandIn standIn;
    StandIn::received.clear();
    StandIn::listFile = list;
    HANDLE p = testkit::Start(Cmd(L"/at \"C:\\x.bmp\""));
    ASSERT_NE(p, nullptr);
    // The command waits for the answer, so keep answering while it runs.
    const DWORD start = GetTickCount();
    while (WaitForSingleObject(p, 0) == WAIT_TIMEOUT && GetTickCount() - start < 20000) Pump(20);
    CloseHandle(p);
    ASSERT_EQ(StandIn::received.size(), 1u);
    EXPECT_EQ(StandIn::received[0].first, 1);
    EXPECT_EQ(StandIn::received[0].second, "0,1,C:\\x.bmp,\r\n") << "the file was written before the request";
}

TEST_F(InstanceTest, OnlyOneOfTwoSimultaneousLaunchesStaysResident) {
    HANDLE a = testkit::Start(Cmd(L""));
    HANDLE b = testkit::Start(Cmd(L""));
    ASSERT_TRUE(a && b);
    HANDLE procs[2] = {a, b};
    const DWORD first = WaitForMultipleObjects(2, procs, FALSE, 20000);
    ASSERT_LT(first, WAIT_OBJECT_0 + 2) << "one of them must hand over and end";
    HANDLE other = procs[1 - (first - WAIT_OBJECT_0)];
    Sleep(1000);
    EXPECT_EQ(WaitForSingleObject(other, 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "the other stays resident";
    HWND main = testkit::WaitForWindow(kMainWindowClass);
    ASSERT_NE(main, nullptr);
    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_TRUE(testkit::WaitExit(other, 20000));
    CloseHandle(a);
    CloseHandle(b);
}

TEST_F(InstanceTest, SecondLaunchShowsTheResidentWindowAndEnds) {
    HANDLE resident = testkit::Start(Cmd(L""));
    HWND main = testkit::WaitForWindow(kMainWindowClass);
    ASSERT_NE(main, nullptr);
    EXPECT_FALSE(IsWindowVisible(main));
    EXPECT_EQ(testkit::Run(Cmd(L"")), 0);
    for (int i = 0; i < 100 && !IsWindowVisible(main); ++i) Sleep(50);
    EXPECT_TRUE(IsWindowVisible(main));
    EXPECT_EQ(WaitForSingleObject(resident, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_TRUE(testkit::WaitExit(resident, 20000));
    CloseHandle(resident);
}

TEST_F(InstanceTest, StartUpErrorsAreShownAndEndTheProgram) {
    testkit::WriteRegString(L"Software\\ORMI\\MURAVINE", L"Interval", L"60");
    testkit::DialogWatcher boxes;
    EXPECT_EQ(testkit::Run(Cmd(L"")), 0);
    ASSERT_TRUE(boxes.WaitFor(1));
    EXPECT_EQ(boxes.Seen()[0].caption, L"MURAVINE");
    EXPECT_NE(boxes.Seen()[0].text.find(L"Interval"), std::wstring::npos) << testkit::Narrow(boxes.Seen()[0].text);
    EXPECT_EQ(FindWindowW(kMainWindowClass, nullptr), nullptr);
}

TEST_F(InstanceTest, MissingPictureIsReportedUnderTheDefaultTitle) {
    testkit::DialogWatcher boxes;
    EXPECT_EQ(testkit::Run(Cmd(L"/wt C:\\no\\such.bmp")), 0);
    ASSERT_TRUE(boxes.WaitFor(1));
    EXPECT_EQ(boxes.Seen()[0].caption, L"MURAVINE");
    EXPECT_EQ(boxes.Seen()[0].text, L"C:\\no\\such.bmp\nファイルが見つかりません。");
}
