#include "resident_kit.h"

#include <shellapi.h>

#include <atomic>
#include <vector>

#include "testkit.h"

namespace reskit {

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs, DWORD stepMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (condition()) return true;
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(stepMs);
    }
}

void Pump(DWORD ms) {
    const DWORD start = GetTickCount();
    do {
        MSG m;
        while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
            if (m.message == WM_QUIT) continue;
            TranslateMessage(&m);
            DispatchMessageW(&m);
        }
        Sleep(5);
    } while (GetTickCount() - start < ms);
}

bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        Pump(0);
        if (condition()) return true;
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(10);
    }
}

void DrainQuit() {
    MSG m;
    while (PeekMessageW(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
}

void WriteBitmap(const std::wstring& path, BYTE r, BYTE g, BYTE b, int w, int h) {
    const int stride = (w * 3 + 3) & ~3;
    BITMAPFILEHEADER fh{};
    BITMAPINFOHEADER ih{};
    ih.biSize = sizeof ih;
    ih.biWidth = w;
    ih.biHeight = h;
    ih.biPlanes = 1;
    ih.biBitCount = 24;
    ih.biSizeImage = static_cast<DWORD>(stride * h);
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof fh + sizeof ih;
    fh.bfSize = fh.bfOffBits + ih.biSizeImage;
    std::string bytes(reinterpret_cast<const char*>(&fh), sizeof fh);
    bytes.append(reinterpret_cast<const char*>(&ih), sizeof ih);
    std::string row(static_cast<std::size_t>(stride), '\0');
    for (int x = 0; x < w; ++x) {
        row[static_cast<std::size_t>(x * 3)] = static_cast<char>(b);
        row[static_cast<std::size_t>(x * 3 + 1)] = static_cast<char>(g);
        row[static_cast<std::size_t>(x * 3 + 2)] = static_cast<char>(r);
    }
    for (int y = 0; y < h; ++y) bytes += row;
    testkit::WriteBytes(path, bytes);
}

std::wstring DesktopWallpaper() { return testkit::ReadRegString(L"Control Panel\\Desktop", L"Wallpaper"); }

void SetDesktopWallpaperValue(const std::wstring& path) {
    testkit::WriteRegString(L"Control Panel\\Desktop", L"Wallpaper", path);
}

std::wstring ListFileIn(const std::wstring& dir) {
    wchar_t name[257] = {};
    DWORD len = 257;
    GetUserNameW(name, &len);
    return dir + L"\\" + (name[0] ? std::wstring(name) : std::wstring(L"MURAVINE")) + L".LST";
}

namespace {
struct FindArgs {
    DWORD pid;
    const wchar_t* cls;
    const wchar_t* caption;
    HWND found;
};
BOOL CALLBACK FindProc(HWND w, LPARAM lp) {
    auto* a = reinterpret_cast<FindArgs*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (pid != a->pid) return TRUE;
    wchar_t cls[256] = {};
    GetClassNameW(w, cls, 256);
    if (a->cls && std::wstring(cls) != a->cls) return TRUE;
    if (a->caption && WindowText(w) != a->caption) return TRUE;
    a->found = w;
    return FALSE;
}
}  // namespace

HWND FindProcessWindow(DWORD pid, const wchar_t* cls, const wchar_t* caption) {
    FindArgs a{pid, cls, caption, nullptr};
    EnumWindows(FindProc, reinterpret_cast<LPARAM>(&a));
    return a.found;
}

HWND WaitProcessWindow(DWORD pid, const wchar_t* cls, const wchar_t* caption, DWORD timeoutMs) {
    HWND w = nullptr;
    WaitUntil([&] { return (w = FindProcessWindow(pid, cls, caption)) != nullptr; }, timeoutMs);
    return w;
}

std::wstring WindowText(HWND w) {
    wchar_t buf[1024] = {};
    SendMessageTimeoutW(w, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buf), SMTO_ABORTIFHUNG, 2000, nullptr);
    return buf;
}

HWND VisibleMenu() {
    HWND w = nullptr;
    while ((w = FindWindowExW(nullptr, w, L"#32768", nullptr)) != nullptr)
        if (IsWindowVisible(w)) return w;
    return nullptr;
}

bool IconInTray(HWND window, UINT id) {
    NOTIFYICONDATAW d{};
    d.cbSize = sizeof d;
    d.hWnd = window;
    d.uID = id;
    return Shell_NotifyIconW(NIM_MODIFY, &d) != FALSE;
}

POINT TrayIconPoint() {
    RECT r{};
    if (HWND tray = FindWindowW(L"Shell_TrayWnd", nullptr)) GetWindowRect(tray, &r);
    if (r.right <= r.left) return {GetSystemMetrics(SM_CXSCREEN) - 10, GetSystemMetrics(SM_CYSCREEN) - 10};
    return {r.right - 10, (r.top + r.bottom) / 2};
}

bool RunUnix(const std::string& command, DWORD timeoutMs) {
    static std::atomic<int> counter{0};
    const std::string tag = "/tmp/mrv-reskit-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(counter++);
    const std::string script = tag + ".sh", done = tag + ".done";
    auto win = [](const std::string& unixPath) {
        std::wstring w = L"Z:" + std::wstring(unixPath.begin(), unixPath.end());
        for (auto& c : w)
            if (c == L'/') c = L'\\';
        return w;
    };
    testkit::WriteBytes(win(script), command + "\ntouch " + done + "\n");
    // Wine starts programs of the Linux side, but hands back no process to wait for: the script
    // says when it is done.
    HANDLE p = testkit::Start(L"Z:\\bin\\sh " + std::wstring(script.begin(), script.end()));
    if (p) CloseHandle(p);
    const bool finished = WaitUntil([&] { return testkit::FileExists(win(done)); }, timeoutMs);
    DeleteFileW(win(done).c_str());
    DeleteFileW(win(script).c_str());
    return finished;
}

bool PressKeys(const std::string& keys) { return RunUnix("xdotool key " + keys); }

bool FocusDesktop() {
    return RunUnix("w=$(xdotool search --name 'Wine desktop' | head -1)\n"
                   "[ -n \"$w\" ] && [ \"$(xdotool getwindowfocus 2>/dev/null)\" != \"$w\" ] && xdotool windowfocus \"$w\"\n"
                   "true");
}

bool ScreenshotsWanted() {
    wchar_t dir[MAX_PATH] = {};
    return GetEnvironmentVariableW(L"MRV_SCREENSHOTS", dir, MAX_PATH) > 0;
}

void Screenshot(const std::string& name) {
    char dir[MAX_PATH] = {};
    if (GetEnvironmentVariableA("MRV_SCREENSHOTS", dir, MAX_PATH) == 0) return;
    // The variable names a folder of the Linux side.
    RunUnix("mkdir -p '" + std::string(dir) + "' && xwd -root -silent | /usr/bin/convert xwd:- '" + dir + "/" + name +
            ".png'");
}

}  // namespace reskit
