// The real program, resident in a folder of its own on the Wine desktop, with a list of pictures.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/muravine_rtn.h"
#include "core/text.h"
#include "mainwin/muravine_main_res.h"
#include "resident_kit.h"
#include "testkit.h"

class ResidentTest : public ::testing::Test {
protected:
    const std::wstring kKey = L"Software\\ORMI\\MURAVINE";

    void SetUp() override {
        testkit::DeleteKeyTree(L"Software\\ORMI");
        ASSERT_TRUE(CopyFileW(testkit::MuravineExe().c_str(), exe.c_str(), FALSE));
        const std::wstring chm = testkit::MuravineExe().substr(0, testkit::MuravineExe().size() - 4) + L".CHM";
        CopyFileW(chm.c_str(), (dir / L"MURAVINE.CHM").c_str(), FALSE);
        for (int i = 0; i < 3; ++i) {
            pictures.push_back(dir / (L"pic" + std::to_wstring(i) + L".bmp"));
            reskit::WriteBitmap(pictures.back(), static_cast<BYTE>(70 * i), 120, static_cast<BYTE>(200 - 60 * i), 64, 48);
        }
        reskit::SetDesktopWallpaperValue(L"");
    }
    void TearDown() override {
        if (process) {
            if (WaitForSingleObject(process, 0) == WAIT_TIMEOUT) {
                if (main && IsWindow(main)) PostMessageW(main, WM_CLOSE, 0, 0);
                if (!testkit::WaitExit(process, 15000)) TerminateProcess(process, 1);
            }
            CloseHandle(process);
        }
        testkit::DeleteKeyTree(L"Software\\ORMI");
    }

    void WriteList(int count) {
        std::string text;
        for (int i = 0; i < count; ++i) text += "0,0," + mrv::WideToAnsi(Picture(i)) + ",\r\n";
        testkit::WriteBytes(list, text);
    }
    void Setting(const wchar_t* name, DWORD value) { testkit::WriteRegDword(kKey, name, value); }
    std::wstring Picture(int i) const { return pictures[static_cast<std::size_t>(i)]; }
    std::wstring Cmd(const std::wstring& args) const { return testkit::Quote(exe) + (args.empty() ? L"" : L" " + args); }

    // Starts the resident instance and waits until its window, and its tray icon when shown, are there.
    void Launch(bool trayIcon = true) {
        process = testkit::Start(Cmd(L""));
        ASSERT_NE(process, nullptr);
        pid = GetProcessId(process);
        main = reskit::WaitProcessWindow(pid, L"TFormMURAVINEMain");
        ASSERT_NE(main, nullptr);
        tray = reskit::WaitProcessWindow(pid, L"ORMITaskBarWindow");
        ASSERT_NE(tray, nullptr);
        if (trayIcon) {
            ASSERT_TRUE(reskit::WaitUntil([&] { return reskit::IconInTray(tray); }));
        }
        ASSERT_TRUE(reskit::FocusDesktop());
    }
    void Post(UINT id) { PostMessageW(main, WM_COMMAND, MAKEWPARAM(id, 0), 0); }
    bool WaitWallpaper(const std::wstring& expected, DWORD timeoutMs = 10000) {
        return reskit::WaitUntil([&] { return reskit::DesktopWallpaper() == expected; }, timeoutMs);
    }
    bool Running() const { return WaitForSingleObject(process, 0) == WAIT_TIMEOUT; }

    testkit::TempDir dir{L"resident"};
    std::wstring exe = dir / L"MURAVINE.exe";
    std::wstring list = reskit::ListFileIn(dir.path());
    std::vector<std::wstring> pictures;
    HANDLE process = nullptr;
    DWORD pid = 0;
    HWND main = nullptr;
    HWND tray = nullptr;
};
