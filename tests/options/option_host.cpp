// Stands in for the resident main window around the options dialog, for the tests that drive it with
// real mouse clicks from the X side (option_clicks.sh):
//   option_host <work folder>
// It starts up as the program does (catalogue, settings), acts as if it lived in the work folder
// (list file, shortcut target, commands of Explorer verbs), and opens the options dialog owned by a
// hidden window of its own. It writes "layout.txt" into the work folder (screen points of the tabs
// and of every control, for the clicks) and appends each tray switch to "tray.txt" ("1" shown,
// "0" removed). When the dialog tells it that it closed, it destroys the dialog, writes the
// settings as the program does at exit, and ends.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <string>

#include "core/app.h"
#include "core/muravine_rtn.h"
#include "core/startup.h"
#include "core/text.h"
#include "core/ui/window.h"
#include "options/muravine_option.h"
#include "options/muravine_option_res.h"

namespace {

std::wstring g_work;

void Append(const std::wstring& name, const std::string& text) {
    FILE* f = _wfopen((g_work + L"\\" + name).c_str(), L"ab");
    if (!f) return;
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
}

std::string Centre(const RECT& r) {
    return std::to_string((r.left + r.right) / 2) + " " + std::to_string((r.top + r.bottom) / 2);
}

BOOL CALLBACK AddControl(HWND h, LPARAM out) {
    RECT r{};
    GetWindowRect(h, &r);
    *reinterpret_cast<std::string*>(out) += "ctl " + std::to_string(GetDlgCtrlID(h)) + " " + Centre(r) + "\n";
    return TRUE;
}

void WriteLayout(HWND dialog) {
    RECT whole{};
    GetWindowRect(dialog, &whole);
    std::string text = "dialog " + std::to_string(whole.left) + " " + std::to_string(whole.top) + " " +
                       std::to_string(whole.right - whole.left) + " " + std::to_string(whole.bottom - whole.top) + "\n";
    HWND tab = FormMURAVINEOption->Control(IDC_OPT_PAGES);
    for (int i = 0; i < 3; ++i) {
        RECT r{};
        SendMessageW(tab, TCM_GETITEMRECT, i, reinterpret_cast<LPARAM>(&r));
        MapWindowPoints(tab, nullptr, reinterpret_cast<POINT*>(&r), 2);
        text += "tab " + std::to_string(i) + " " + Centre(r) + "\n";
    }
    EnumChildWindows(dialog, AddControl, reinterpret_cast<LPARAM>(&text));
    // Written whole under a temporary name, so the reader never sees half of it.
    const std::wstring part = g_work + L"\\layout.part";
    DeleteFileW(part.c_str());
    Append(L"layout.part", text);
    MoveFileExW(part.c_str(), (g_work + L"\\layout.txt").c_str(), MOVEFILE_REPLACE_EXISTING);
}

LRESULT CALLBACK HostProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == UM_OPTION_CLOSED) {
        FormMURAVINEOption.reset();
        WriteSettings();
        DestroyWindow(h);
        return 0;
    }
    if (msg == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(h, msg, wp, lp);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return 2;
    g_work = argv[1];
    mrv::app::SetExePath(g_work + L"\\MURAVINE.exe");
    PrepareStartUp();
    mrv::app::SetTitle(kAppTitle);

    WNDCLASSW wc{};
    wc.lpfnWndProc = HostProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"MrvOptionHost";
    RegisterClassW(&wc);
    HWND host = CreateWindowW(wc.lpszClassName, kAppTitle, WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                              wc.hInstance, nullptr);
    mrv::app::SetOwner(host);

    FormMURAVINEOption = std::make_unique<TFormMURAVINEOption>([](bool show) { Append(L"tray.txt", show ? "1\n" : "0\n"); });
    if (!FormMURAVINEOption->Show(host)) return 3;
    WriteLayout(FormMURAVINEOption->hwnd());

    MSG m;
    while (GetMessageW(&m, nullptr, 0, 0) > 0) {
        if (mrv::DispatchModeless(m)) continue;
        TranslateMessage(&m);
        DispatchMessageW(&m);
    }
    CleanUp();
    return 0;
}
