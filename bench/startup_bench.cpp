// The resident program against a minimal Win32 program that creates one window, in the same run:
//  - start-up: from CreateProcess until the tray icon is in the tray (the minimal program: until
//    its window exists), the median of several starts, as a ratio;
//  - private memory of the resident process after 3,600 timer ticks (posted to its main window,
//    as an hour of its one-second timer would deliver them) against the minimal program's.
// Run it through bench/startup_bench.sh, which gives it a throw-away Wine prefix: it writes the
// program's settings in the registry and removes them afterwards.
#include <windows.h>
#include <psapi.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bench_clock.h"

namespace {

const wchar_t kKey[] = L"Software\\ORMI";
constexpr int kStarts = 7;
constexpr int kTicks = 3600;

std::wstring Folder(const std::wstring& path) { return path.substr(0, path.find_last_of(L"\\/")); }

HANDLE Start(const std::wstring& exe, const std::wstring& dir) {
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::wstring cmd = L"\"" + exe + L"\"";
    if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &si, &pi)) return nullptr;
    CloseHandle(pi.hThread);
    return pi.hProcess;
}

struct Found {
    DWORD pid;
    const wchar_t* cls;
    HWND hwnd;
};

BOOL CALLBACK FindProc(HWND w, LPARAM lp) {
    auto* f = reinterpret_cast<Found*>(lp);
    DWORD p = 0;
    GetWindowThreadProcessId(w, &p);
    wchar_t c[64] = {};
    GetClassNameW(w, c, 64);
    if (p != f->pid || std::wstring(c) != f->cls) return TRUE;
    f->hwnd = w;
    return FALSE;
}

HWND ProcessWindow(DWORD pid, const wchar_t* cls) {
    Found f{pid, cls, nullptr};
    EnumWindows(FindProc, reinterpret_cast<LPARAM>(&f));
    return f.hwnd;
}

bool IconInTray(HWND w) {
    NOTIFYICONDATAW d{};
    d.cbSize = sizeof d;
    d.hWnd = w;
    d.uID = 1;
    return Shell_NotifyIconW(NIM_MODIFY, &d) != FALSE;
}

struct Launched {
    HANDLE process = nullptr;
    HWND main = nullptr;
    double ms = -1;
};

// Starts the program and waits until `ready` says it is up, polling every millisecond.
template <class Ready>
Launched Launch(const std::wstring& exe, Ready ready) {
    Launched l;
    const double t0 = NowMs();
    l.process = Start(exe, Folder(exe));
    if (!l.process) return l;
    const DWORD pid = GetProcessId(l.process);
    while (NowMs() - t0 < 30000) {
        if (HWND w = ready(pid)) {
            l.ms = NowMs() - t0;
            l.main = w;
            return l;
        }
        Sleep(1);
    }
    return l;
}

void Close(Launched& l, const wchar_t* mainClass) {
    if (!l.process) return;
    if (HWND w = ProcessWindow(GetProcessId(l.process), mainClass)) PostMessageW(w, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(l.process, 20000) != WAIT_OBJECT_0) TerminateProcess(l.process, 1);
    CloseHandle(l.process);
    l.process = nullptr;
}

SIZE_T PrivateBytes(HANDLE process) {
    PROCESS_MEMORY_COUNTERS_EX pmc{};
    pmc.cb = sizeof pmc;
    GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc), sizeof pmc);
    // Windows keeps the page-file usage equal to the private bytes; Wine fills only the former.
    return pmc.PrivateUsage ? pmc.PrivateUsage : pmc.PagefileUsage;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

void SetDword(const wchar_t* name, DWORD value) {
    RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\ORMI\\MURAVINE", name, REG_DWORD, &value, sizeof value);
}

}  // namespace

int main() {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::wstring benchDir = Folder(self);
    const std::wstring muravine = argc > 1 ? argv[1] : Folder(benchDir) + L"\\MURAVINE.exe";
    const std::wstring minimal = argc > 2 ? argv[2] : benchDir + L"\\minwin.exe";

    // The program in a folder of its own, with a list of a hundred pictures, changing every day
    // (so its timer runs, and the ticks only measure the elapsed time).
    wchar_t tmp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, tmp);
    const std::wstring dir = std::wstring(tmp) + L"mrv-startup-bench-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(dir.c_str(), nullptr);
    const std::wstring exe = dir + L"\\MURAVINE.exe";
    if (!CopyFileW(muravine.c_str(), exe.c_str(), FALSE)) {
        std::fprintf(stderr, "cannot copy %ls\n", muravine.c_str());
        return 2;
    }
    wchar_t user[257] = {};
    DWORD userLen = 257;
    GetUserNameW(user, &userLen);
    const std::wstring list = dir + L"\\" + (user[0] ? user : L"MURAVINE") + L".LST";
    {
        std::string text;
        for (int i = 0; i < 100; ++i) text += "0,0,C:\\pictures\\picture" + std::to_string(i) + ".bmp,\r\n";
        HANDLE f = CreateFileW(list.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        WriteFile(f, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        CloseHandle(f);
    }
    RegDeleteTreeW(HKEY_CURRENT_USER, kKey);
    SetDword(L"ChangeTiming", 3);
    SetDword(L"Interval", 1440);
    SetDword(L"ShowTray", 1);

    auto minimalReady = [](DWORD pid) { return ProcessWindow(pid, L"MrvMinimalWindow"); };
    auto trayReady = [](DWORD pid) -> HWND {
        HWND tray = ProcessWindow(pid, L"ORMITaskBarWindow");
        return tray && IconInTray(tray) ? ProcessWindow(pid, L"TFormMURAVINEMain") : nullptr;
    };

    // One start of each first, so that neither pays for loading Wine's libraries alone.
    Launched warm = Launch(minimal, minimalReady);
    Close(warm, L"MrvMinimalWindow");
    warm = Launch(exe, trayReady);
    Close(warm, L"TFormMURAVINEMain");

    std::vector<double> base, prog;
    for (int i = 0; i < kStarts; ++i) {
        Launched m = Launch(minimal, minimalReady);
        Launched r = Launch(exe, trayReady);
        if (m.ms < 0 || r.ms < 0) {
            std::fprintf(stderr, "a program did not come up\n");
            return 1;
        }
        base.push_back(m.ms);
        prog.push_back(r.ms);
        Close(m, L"MrvMinimalWindow");
        Close(r, L"TFormMURAVINEMain");
    }
    const double b = Median(base), p = Median(prog);
    std::printf("start-up to the tray icon: %.1f ms; minimal program to its window: %.1f ms; ratio %.2f\n", p, b, p / b);

    // Memory: the minimal program with its window, the resident program after an hour of ticks.
    Launched m = Launch(minimal, minimalReady);
    Launched r = Launch(exe, trayReady);
    Sleep(500);
    const SIZE_T minimalBytes = PrivateBytes(m.process);
    const SIZE_T startBytes = PrivateBytes(r.process);
    for (int i = 0; i < kTicks; ++i) {
        while (!PostMessageW(r.main, WM_TIMER, 1, 0)) Sleep(1);  // the queue holds 10,000 at most
        if (i % 500 == 499) SendMessageW(r.main, WM_NULL, 0, 0);
    }
    SendMessageW(r.main, WM_NULL, 0, 0);  // returns once every tick before it has been handled
    const SIZE_T tickedBytes = PrivateBytes(r.process);
    std::printf("private memory after %d timer ticks: %.0f KiB (%.0f KiB at start); minimal program: %.0f KiB; "
                "ratio %.2f\n",
                kTicks, tickedBytes / 1024.0, startBytes / 1024.0, minimalBytes / 1024.0,
                static_cast<double>(tickedBytes) / static_cast<double>(minimalBytes));
    Close(m, L"MrvMinimalWindow");
    Close(r, L"TFormMURAVINEMain");

    RegDeleteTreeW(HKEY_CURRENT_USER, kKey);
    DeleteFileW(list.c_str());
    DeleteFileW(exe.c_str());
    RemoveDirectoryW(dir.c_str());
    return 0;
}
