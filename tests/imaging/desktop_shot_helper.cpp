// The Windows half of the desktop screenshot check (desktop_shot.sh is the other half). Inside the
// prefix's virtual desktop it sets a picture through the program's W command in each style, lets
// the taskbar repaint, and waits while the Linux side takes a screenshot:
//   desktop_shot_helper <MURAVINE.exe> <plug-in folder> <work folder>
// For each style it writes "<style>.ready" (holding TileWallpaper and WallpaperStyle) into the work
// folder and waits for "<style>.shot".
#include <windows.h>

#include <cstdio>

#include "imaging_kit.h"
#include "testkit.h"

namespace {

// 64 x 48 pixels, 24 bits, stored bottom-up: red, green / blue, yellow quadrants.
imgkit::Picture Quadrants() {
    imgkit::Picture p;
    p.width = 64;
    p.height = 48;
    p.bits = 24;
    for (int row = 0; row < 48; ++row) {
        const int y = 47 - row;  // the first stored row is the bottom one
        for (int x = 0; x < 64; ++x) {
            const bool right = x >= 32, bottom = y >= 24;
            const COLORREF c = !bottom ? (right ? RGB(0, 255, 0) : RGB(255, 0, 0))
                                       : (right ? RGB(255, 255, 0) : RGB(0, 0, 255));
            p.pixels.push_back(static_cast<char>(GetBValue(c)));
            p.pixels.push_back(static_cast<char>(GetGValue(c)));
            p.pixels.push_back(static_cast<char>(GetRValue(c)));
        }
    }
    return p;
}

bool WaitForFile(const std::wstring& path, DWORD ms) {
    for (DWORD waited = 0; waited < ms; waited += 100) {
        if (testkit::FileExists(path)) return true;
        Sleep(100);
    }
    return false;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: desktop_shot_helper <MURAVINE.exe> <plug-in folder> <work folder>\n");
        return 2;
    }
    const std::wstring work = argv[3];
    const std::wstring exe = work + L"\\MURAVINE.exe";
    if (!CopyFileW(argv[1], exe.c_str(), FALSE)) {
        std::fprintf(stderr, "cannot copy the program\n");
        return 2;
    }
    const std::wstring picture = work + L"\\quadrants.mrt";
    testkit::WriteBytes(picture, imgkit::MrtBytes(Quadrants()));
    testkit::DeleteKeyTree(L"Software\\ORMI");
    testkit::WriteRegString(L"Software\\ORMI\\MURAVINE", L"ChangedBMP", work + L"\\changed.bmp");
    testkit::WriteRegString(imgkit::kSusieKey, L"Path", std::wstring(argv[2]) + L"\\good");

    // A window of this process keeps the virtual desktop open between the program's runs.
    HWND keeper = CreateWindowW(L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);

    int rc = 0;
    const std::pair<const wchar_t*, const wchar_t*> styles[] = {{L"center", L"/wc"}, {L"tile", L"/wt"},
                                                                {L"stretch", L"/ws"}};
    for (const auto& [name, verb] : styles) {
        if (testkit::Run(testkit::Quote(exe) + L" " + verb + L" " + testkit::Quote(picture)) != 0) {
            std::fprintf(stderr, "%ls: the program failed\n", name);
            rc = 1;
        }
        if (HWND tray = FindWindowW(L"Shell_TrayWnd", nullptr))
            RedrawWindow(tray, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
        Sleep(700);
        const std::wstring state =
            imgkit::Desktop(L"TileWallpaper") + L" " + imgkit::Desktop(L"WallpaperStyle") + L"\n";
        testkit::WriteBytes(work + L"\\" + name + L".ready", testkit::Narrow(state));
        if (!WaitForFile(work + L"\\" + name + L".shot", 60000)) {
            std::fprintf(stderr, "%ls: no screenshot was taken\n", name);
            rc = 1;
            break;
        }
    }
    DestroyWindow(keeper);
    testkit::DeleteKeyTree(L"Software\\ORMI");
    testkit::DeleteKeyTree(L"Software\\Takechin");
    return rc;
}
