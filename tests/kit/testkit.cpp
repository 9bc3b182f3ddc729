#include "testkit.h"

#include <chrono>

#include "core/app.h"
#include "core/muravine_rtn.h"
#include "core/text.h"
#include "imaging/muravine_susie.h"

namespace testkit {

std::wstring FromUnixPath(const std::string& unixPath) {
    std::wstring w = L"Z:" + mrv::Utf8ToWide(unixPath);
    for (auto& c : w)
        if (c == L'/') c = L'\\';
    return w;
}

std::wstring MuravineExe() { return FromUnixPath(MRV_EXE_UNIX_PATH); }
std::wstring PluginDir() { return FromUnixPath(MRV_PLUGIN_UNIX_DIR); }

TempDir::TempDir(const std::wstring& tag) {
    wchar_t tmp[MAX_PATH + 1];
    GetTempPathW(MAX_PATH + 1, tmp);
    static std::atomic<int> counter{0};
    path_ = std::wstring(tmp) + tag + L"_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
            std::to_wstring(GetTickCount()) + L"_" + std::to_wstring(counter++);
    RemoveTree(path_);
    CreateDirectoryW(path_.c_str(), nullptr);
}

TempDir::~TempDir() { RemoveTree(path_); }

void RemoveTree(const std::wstring& path) {
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((path + L"\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = fd.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring full = path + L"\\" + name;
            SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) RemoveTree(full);
            else DeleteFileW(full.c_str());
        } while (FindNextFileW(h, &fd));
        FindClose(h);
    }
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    RemoveDirectoryW(path.c_str());
}

std::string ReadBytes(const std::wstring& path) {
    HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return {};
    std::string out;
    char buf[65536];
    DWORD got = 0;
    while (ReadFile(f, buf, sizeof buf, &got, nullptr) && got > 0) out.append(buf, got);
    CloseHandle(f);
    return out;
}

bool FileExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void WriteBytes(const std::wstring& path, const std::string& bytes) {
    HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    if (!bytes.empty()) WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(f);
}

void DeleteKeyTree(const std::wstring& path) { RegDeleteTreeW(HKEY_CURRENT_USER, path.c_str()); }

bool KeyExists(const std::wstring& path) {
    HKEY k;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
    RegCloseKey(k);
    return true;
}

std::wstring ReadRegString(const std::wstring& key, const std::wstring& name, bool* exists) {
    wchar_t buf[4096] = {};
    DWORD size = sizeof buf - sizeof(wchar_t);
    const LONG rc = RegGetValueW(HKEY_CURRENT_USER, key.c_str(), name.c_str(), RRF_RT_REG_SZ | RRF_NOEXPAND, nullptr,
                                 buf, &size);
    if (exists) *exists = rc == ERROR_SUCCESS;
    return rc == ERROR_SUCCESS ? std::wstring(buf) : std::wstring();
}

DWORD ReadRegDword(const std::wstring& key, const std::wstring& name, bool* exists) {
    DWORD v = 0, size = sizeof v;
    const LONG rc = RegGetValueW(HKEY_CURRENT_USER, key.c_str(), name.c_str(), RRF_RT_REG_DWORD, nullptr, &v, &size);
    if (exists) *exists = rc == ERROR_SUCCESS;
    return v;
}

void WriteRegString(const std::wstring& key, const std::wstring& name, const std::wstring& value) {
    RegSetKeyValueW(HKEY_CURRENT_USER, key.c_str(), name.c_str(), REG_SZ, value.c_str(),
                    static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

void WriteRegDword(const std::wstring& key, const std::wstring& name, DWORD value) {
    RegSetKeyValueW(HKEY_CURRENT_USER, key.c_str(), name.c_str(), REG_DWORD, &value, sizeof value);
}

std::wstring Quote(const std::wstring& s) { return L"\"" + s + L"\""; }

HANDLE Start(const std::wstring& commandLine, const std::wstring& dir) {
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::wstring cmd = commandLine;
    if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, dir.empty() ? nullptr : dir.c_str(),
                        &si, &pi))
        return nullptr;
    CloseHandle(pi.hThread);
    return pi.hProcess;
}

long Run(const std::wstring& commandLine, DWORD timeoutMs) {
    HANDLE p = Start(commandLine);
    if (!p) return -2;
    long result = -1;
    if (WaitForSingleObject(p, timeoutMs) == WAIT_OBJECT_0) {
        DWORD code = 0;
        GetExitCodeProcess(p, &code);
        result = static_cast<long>(code);
    } else {
        TerminateProcess(p, 1);
    }
    CloseHandle(p);
    return result;
}

bool WaitExit(HANDLE process, DWORD timeoutMs) { return WaitForSingleObject(process, timeoutMs) == WAIT_OBJECT_0; }

StandInWindow::StandInWindow(const wchar_t* className, Seen seen, DWORD style)
    : class_(className), seen_(std::move(seen)) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = class_.c_str();
    RegisterClassW(&wc);
    hwnd_ = CreateWindowW(class_.c_str(), L"", style, 0, 0, 0, 0, nullptr, nullptr, wc.hInstance, this);
}

StandInWindow::~StandInWindow() {
    DestroyWindow(hwnd_);
    UnregisterClassW(class_.c_str(), GetModuleHandleW(nullptr));
}

LRESULT CALLBACK StandInWindow::Proc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_NCCREATE)
        SetWindowLongPtrW(h, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(l)->lpCreateParams));
    if (auto* self = reinterpret_cast<StandInWindow*>(GetWindowLongPtrW(h, GWLP_USERDATA)); self && self->seen_)
        self->seen_(m, w, l);
    return DefWindowProcW(h, m, w, l);
}

void CloseResidentProgram() {
    HWND w = FindWindowW(kMainWindowClass, nullptr);
    if (!w) return;
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    PostMessageW(w, WM_CLOSE, 0, 0);
    if (HANDLE p = OpenProcess(SYNCHRONIZE, FALSE, pid)) {
        WaitExit(p, 10000);
        CloseHandle(p);
    }
}

HWND WaitForWindow(const wchar_t* cls, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (HWND w = FindWindowW(cls, nullptr)) return w;
        if (GetTickCount() - start > timeoutMs) return nullptr;
        Sleep(20);
    }
}

DialogWatcher::DialogWatcher() : thread_([this] { Loop(); }) {}

DialogWatcher::~DialogWatcher() {
    stop_ = true;
    thread_.join();
}

void DialogWatcher::Loop() {
    while (!stop_) {
        HWND w = nullptr;
        while ((w = FindWindowExW(nullptr, w, L"#32770", nullptr)) != nullptr) {
            if (!IsWindowVisible(w)) continue;
            bool known = false;
            {
                std::lock_guard<std::mutex> l(mu_);
                for (HWND h : handled_) known = known || h == w;
            }
            if (known) continue;
            wchar_t caption[512] = {}, text[4096] = {};
            GetWindowTextW(w, caption, 512);
            HWND label = GetDlgItem(w, 0xFFFF);
            if (label) SendMessageW(label, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(text));
            DWORD pid = 0;
            GetWindowThreadProcessId(w, &pid);
            {
                std::lock_guard<std::mutex> l(mu_);
                handled_.push_back(w);
                seen_.push_back({caption, text, pid});
            }
            PostMessageW(w, WM_COMMAND, IDOK, 0);
        }
        Sleep(30);
    }
}

std::vector<DialogWatcher::Box> DialogWatcher::Seen() {
    std::lock_guard<std::mutex> l(mu_);
    return seen_;
}

bool DialogWatcher::WaitFor(std::size_t n, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    while (Seen().size() < n) {
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(20);
    }
    return true;
}

void DialogWatcher::Clear() {
    std::lock_guard<std::mutex> l(mu_);
    seen_.clear();
}

void ResetCoreGlobals(const std::wstring& exeDir) {
    mrv::app::SetExePath(exeDir + L"\\MURAVINE.exe");
    mrv::app::SetTitle(L"");
    gv_bMultiUser = gv_bSaveSetting = gv_bShowTray = gv_bChangeSecret = gv_bExitAtOnce = false;
    gv_iInterval = gv_iInitialPosition = gv_iChangeTiming = gv_iChangeOperate = gv_iWallIndex = 0;
    gv_iDblClickOperate = gv_iDblClickList = gv_iBootDelay = 0;
    gv_sLaunchApplication.clear();
    gv_sChangedBMP.clear();
    gv_iPlatform = 0;
    gv_sUserName.clear();
    gv_sListFile.clear();
    gv_sListBase.clear();
    gv_lstWall.reset();
    gv_hMainWnd = nullptr;
    ReleaseSusieCatalogue();
    CloseSusiePlugin();
    gv_sSusiePath.clear();
}

std::string Narrow(const std::wstring& w) { return mrv::WideToUtf8(w); }

}  // namespace testkit
