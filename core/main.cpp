// The entry point: start-up, then the single-instance test, then the resident instance.
#include <windows.h>

#include "core/app.h"
#include "core/muravine_rtn.h"
#include "mainwin/muravine_main.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    try {
        if (!StartUp()) return 0;
        // Testing for a resident instance and becoming it is one step: of two launches at the same
        // moment exactly one creates the mutex.
        HANDLE mutex = CreateMutexW(nullptr, TRUE, kMutexName);
        if (mutex && GetLastError() == ERROR_ALREADY_EXISTS) {
            CloseHandle(mutex);
            gv_hMainWnd = FindWindowW(kMainWindowClass, nullptr);
            if (gv_hMainWnd) PostMessageW(gv_hMainWnd, UM_SHOW_OR_RELOAD, 0, 0);
            return 0;
        }
        gv_hMutex = mutex;
        mrv::app::SetTitle(kAppTitle);
        RunResident();
    } catch (const std::exception& e) {
        mrv::app::ShowException(e);
    }
    if (gv_hMutex) {
        ReleaseMutex(gv_hMutex);
        CloseHandle(gv_hMutex);
        gv_hMutex = nullptr;
    }
    return 0;
}
