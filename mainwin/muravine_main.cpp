// The hidden main window of the resident instance. It receives the requests of other launches and
// does the exit work when the program ends or Windows logs off.
#include "mainwin/muravine_main.h"

#include "core/app.h"
#include "core/muravine_rtn.h"

namespace {

bool g_exitWorkDone = false;

// The change at exit, the settings and the list, the shared objects: once per run, even when a
// log-off is announced, cancelled and the user quits later.
void DoExitWork() {
    if (g_exitWorkDone) return;
    g_exitWorkDone = true;
    if (gv_iChangeTiming == 2) {
        gv_iWallIndex = NextWallIndex();
        if (gv_iWallIndex != -1) ChangeWallpaper(true);
    }
    WriteSettings();
    CleanUp();
}

void Reload() {
    if (!gv_lstWall) return;
    LoadListFile(gv_sListFile, *gv_lstWall);
}

LRESULT CALLBACK MainWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    try {
        switch (msg) {
            case UM_SHOW_OR_RELOAD:
                if (lp == 0) {
                    ShowWindow(hwnd, SW_SHOW);
                    SetForegroundWindow(hwnd);
                } else {
                    Reload();
                }
                return 0;
            case WM_QUERYENDSESSION:
                DoExitWork();
                return TRUE;
            case WM_CLOSE:
                DoExitWork();
                DestroyWindow(hwnd);
                return 0;
            case WM_DESTROY:
                PostQuitMessage(0);
                return 0;
        }
    } catch (const std::exception& e) {
        mrv::app::ShowException(e);
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace

void RunResident() {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = MainWndProc;
    wc.hInstance = mrv::app::Instance();
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kMainWindowClass;
    RegisterClassExW(&wc);
    HWND hwnd = CreateWindowExW(WS_EX_TOOLWINDOW, kMainWindowClass, kAppTitle, WS_CAPTION | WS_SYSMENU, CW_USEDEFAULT,
                                CW_USEDEFAULT, 297, 184, nullptr, nullptr, wc.hInstance, nullptr);
    if (!hwnd) return;
    mrv::app::SetOwner(hwnd);
    MSG m;
    while (GetMessageW(&m, nullptr, 0, 0) > 0) {
        TranslateMessage(&m);
        DispatchMessageW(&m);
    }
}
