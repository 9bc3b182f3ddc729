// The entry point: start-up, then the single-instance test, then the resident instance.
#include <windows.h>

#include "core/app.h"
#include "core/muravine_rtn.h"
#include "core/ui/window.h"
#include "mainwin/muravine_main.h"
#include "options/ormi_version.h"

namespace {

void RunMessageLoop() {
    MSG m;
    while (GetMessageW(&m, nullptr, 0, 0) > 0) {
        if (mrv::DispatchModeless(m)) continue;
        TranslateMessage(&m);
        DispatchMessageW(&m);
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    try {
        if (!StartUp()) return 0;
        // Testing for a resident instance and becoming it is one step: of two launches at the same
        // moment exactly one creates the mutex.
        HANDLE mutex = CreateMutexW(nullptr, TRUE, kMutexName);
        if (mutex && GetLastError() == ERROR_ALREADY_EXISTS) {
            CloseHandle(mutex);
            gv_hMainWnd = FindWindowW(kMainWindowClass, nullptr);
            if (gv_hMainWnd) {
                // This launch came from the user, so it may hand the foreground on to the window.
                DWORD pid = 0;
                GetWindowThreadProcessId(gv_hMainWnd, &pid);
                AllowSetForegroundWindow(pid);
                PostMessageW(gv_hMainWnd, UM_SHOW_OR_RELOAD, 0, 0);
            }
            return 0;
        }
        gv_hMutex = mutex;
        mrv::app::SetTitle(kAppTitle);
        FormMURAVINEMain = std::make_unique<TFormMURAVINEMain>();
        FormVersion = std::make_unique<TFormVersion>();
        RunMessageLoop();
    } catch (const std::exception& e) {
        mrv::app::ShowException(e);
    }
    FormVersion.reset();
    FormMURAVINEMain.reset();
    if (gv_hMutex) {
        ReleaseMutex(gv_hMutex);
        CloseHandle(gv_hMutex);
        gv_hMutex = nullptr;
    }
    return 0;
}
