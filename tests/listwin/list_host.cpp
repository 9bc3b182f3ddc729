// Stands where the resident main window stands for the list window: prepares the program's state
// as a launch does, opens the list window with a hidden owner, destroys it when it says it has
// closed, and at its own end writes the settings and the list file as the program's exit does.
//   UM_SHOW_OR_RELOAD, lParam 0: open the list window when none is open (the list command).
//   UM_SHOW_OR_RELOAD, lParam 1: reload the list file and refresh an open list window.
//   WM_CLOSE to the host window: write the settings and the list file, then end.
#include <windows.h>

#include "core/app.h"
#include "core/muravine_rtn.h"
#include "core/startup.h"
#include "listwin/muravine_list.h"

namespace {

constexpr wchar_t kHostClass[] = L"MrvListHost";

void OpenList(HWND owner) {
    if (FormMURAVINEList) return;
    FormMURAVINEList = std::make_unique<TFormMURAVINEList>(owner);
    FormMURAVINEList->Show();
}

LRESULT CALLBACK HostProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    try {
        switch (msg) {
            case UM_LIST_CLOSED:
                FormMURAVINEList.reset();
                return 0;
            case UM_SHOW_OR_RELOAD:
                if (lp == 0) {
                    OpenList(hwnd);
                } else if (gv_lstWall) {
                    LoadListFile(gv_sListFile, *gv_lstWall);
                    if (FormMURAVINEList) FormMURAVINEList->actFileRefreshExecute();
                }
                return 0;
            case WM_CLOSE:
                // As the program ends: an open list window goes with its owner, unsaved.
                FormMURAVINEList.reset();
                WriteSettings();
                CleanUp();
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

int WINAPI wWinMain(HINSTANCE inst, HINSTANCE, PWSTR, int) {
    try {
        PrepareStartUp();
        LoadListFile(gv_sListFile, *gv_lstWall);
        mrv::app::SetTitle(kAppTitle);
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = HostProc;
        wc.hInstance = inst;
        wc.lpszClassName = kHostClass;
        RegisterClassExW(&wc);
        HWND host = CreateWindowExW(WS_EX_TOOLWINDOW, kHostClass, kAppTitle, WS_CAPTION | WS_SYSMENU, CW_USEDEFAULT,
                                    CW_USEDEFAULT, 200, 100, nullptr, nullptr, inst, nullptr);
        if (!host) return 1;
        mrv::app::SetOwner(host);
        OpenList(host);
        MSG m;
        while (GetMessageW(&m, nullptr, 0, 0) > 0) {
            TranslateMessage(&m);
            DispatchMessageW(&m);
        }
    } catch (const std::exception& e) {
        mrv::app::ShowException(e);
        return 2;
    }
    return 0;
}
