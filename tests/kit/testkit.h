// Helpers for the tests that run under Wine against the real registry, files, processes and windows.
#pragma once
#include <windows.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace testkit {

// A Unix path of the build tree as Wine sees it (drive Z: is the root).
std::wstring FromUnixPath(const std::string& unixPath);
// The program under test, built beside the tests.
std::wstring MuravineExe();
// The folder of the build tree's plug-ins (the test plug-ins land there).
std::wstring PluginDir();

// A fresh folder under the temporary folder, removed with everything in it at the end.
class TempDir {
public:
    explicit TempDir(const std::wstring& tag = L"mrv");
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::wstring& path() const { return path_; }
    std::wstring operator/(const std::wstring& name) const { return path_ + L"\\" + name; }
private:
    std::wstring path_;
};
void RemoveTree(const std::wstring& path);

std::string ReadBytes(const std::wstring& path);  // empty when missing
bool FileExists(const std::wstring& path);
void WriteBytes(const std::wstring& path, const std::string& bytes);

// Registry helpers working on HKEY_CURRENT_USER.
void DeleteKeyTree(const std::wstring& path);
bool KeyExists(const std::wstring& path);
std::wstring ReadRegString(const std::wstring& key, const std::wstring& name, bool* exists = nullptr);
DWORD ReadRegDword(const std::wstring& key, const std::wstring& name, bool* exists = nullptr);
void WriteRegString(const std::wstring& key, const std::wstring& name, const std::wstring& value);
void WriteRegDword(const std::wstring& key, const std::wstring& name, DWORD value);

// Starts a command line; the handle is owned by the caller (CloseHandle).
HANDLE Start(const std::wstring& commandLine, const std::wstring& dir = L"");
// Runs it to the end; returns the exit code, or -1 on a time-out (the process is killed then).
long Run(const std::wstring& commandLine, DWORD timeoutMs = 60000);
std::wstring Quote(const std::wstring& s);

// Finds message boxes (and other dialogs) of any process, records what they say and presses OK,
// as a user in front of the screen would. Runs while it lives.
class DialogWatcher {
public:
    struct Box {
        std::wstring caption;
        std::wstring text;
        DWORD pid;
    };
    DialogWatcher();
    ~DialogWatcher();
    DialogWatcher(const DialogWatcher&) = delete;
    DialogWatcher& operator=(const DialogWatcher&) = delete;
    std::vector<Box> Seen();
    // Waits until at least n boxes were seen; false on time-out.
    bool WaitFor(std::size_t n, DWORD timeoutMs = 10000);
    void Clear();
private:
    void Loop();
    std::atomic<bool> stop_{false};
    std::mutex mu_;
    std::vector<Box> seen_;
    std::vector<HWND> handled_;
    std::thread thread_;
};

// A hidden top-level window of the test under a class of its own, standing in for a window the
// code under test talks to; every message it is sent or posted goes to `seen`.
class StandInWindow {
public:
    using Seen = std::function<void(UINT message, WPARAM wParam, LPARAM lParam)>;
    StandInWindow(const wchar_t* className, Seen seen, DWORD style = WS_OVERLAPPED);
    ~StandInWindow();  // destroys the window and unregisters its class
    StandInWindow(const StandInWindow&) = delete;
    StandInWindow& operator=(const StandInWindow&) = delete;
    HWND hwnd() const { return hwnd_; }
private:
    static LRESULT CALLBACK Proc(HWND h, UINT m, WPARAM w, LPARAM l);
    std::wstring class_;
    Seen seen_;
    HWND hwnd_ = nullptr;
};

// Waits for a top-level window of the class (hidden ones too); null on time-out.
HWND WaitForWindow(const wchar_t* cls, DWORD timeoutMs = 10000);
// Waits for a process to end; false on time-out.
bool WaitExit(HANDLE process, DWORD timeoutMs = 10000);
// Closes the resident program a test left running, if any, and waits for it to end.
void CloseResidentProgram();

// The core's globals as a fresh process has them, the executable placed in `exeDir`.
void ResetCoreGlobals(const std::wstring& exeDir);

std::string Narrow(const std::wstring& w);  // UTF-8, for messages in assertions

}  // namespace testkit
