// Drives the list window in another process as a user would: messages, real keys and mouse
// input, files dropped from outside, and the list view read across the process boundary.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <functional>
#include <string>
#include <vector>

#include "testkit.h"

namespace listkit {

// A block of memory inside another process.
class RemoteMemory {
public:
    RemoteMemory(HANDLE process, std::size_t size);
    ~RemoteMemory();
    RemoteMemory(const RemoteMemory&) = delete;
    RemoteMemory& operator=(const RemoteMemory&) = delete;
    void* get() const { return p_; }
    void Write(const void* data, std::size_t size, std::size_t offset = 0);
    void Read(void* data, std::size_t size, std::size_t offset = 0) const;
    // Leaves the block to the process (one that frees it itself).
    void* release();
private:
    HANDLE process_;
    void* p_;
};

// One row as the view shows it: caption, then the five sub-items.
struct Row {
    std::wstring path, styleCaption, shownCaption, archive, flag, style;
    bool operator==(const Row&) const = default;
};
std::string Describe(const std::vector<Row>& rows);

// The rows of the list window `window` of another process.
std::vector<Row> ReadRows(HANDLE process, HWND window);

// Waits until the condition holds; false on time-out.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = 10000);

// The list window in a host process of its own, in a folder of its own (its list file is there).
class ListHost {
public:
    // Writes the list file and starts the host; the list window is open when this returns.
    explicit ListHost(const std::string& listBytes = {});
    ~ListHost();
    ListHost(const ListHost&) = delete;
    ListHost& operator=(const ListHost&) = delete;

    const testkit::TempDir& dir() const { return dir_; }
    std::wstring ListFile() const;
    std::wstring Exe() const { return exe_; }
    HANDLE process() const { return process_; }
    HWND window() const { return window_; }
    HWND host() const { return host_; }
    HWND view() const;
    HWND toolBar() const;
    HWND statusBar() const;

    // The rows, read across the process boundary.
    std::vector<Row> Rows() const;
    std::vector<int> Selected() const;
    void Select(const std::vector<int>& items);  // exactly these
    RECT ItemRect(int item) const;               // screen coordinates
    POINT ItemPoint(int item) const;             // the middle of the item's caption, on screen

    // A command as the menu gives it; Send waits until it has run.
    void Send(UINT command) const;
    void Post(UINT command) const;
    bool ButtonEnabled(UINT command) const;
    bool ButtonChecked(UINT command) const;
    POINT ButtonPoint(UINT command) const;  // the middle of a tool button, on screen
    std::wstring StatusText() const;

    // Files dropped on the window as Explorer drops them.
    void DropFiles(const std::vector<std::wstring>& paths) const;

    // Closes the list window as its close box does and waits until the host has destroyed it.
    void CloseList();
    // Opens it again as the list command does.
    void Reopen();
    // Ends the host (it writes the settings and the list file first) and returns the list file.
    std::string Finish();

    // Brings the window to the front so that real input reaches it.
    void Activate() const;

private:
    HWND FindListWindow() const;
    testkit::TempDir dir_{L"listwin"};
    std::wstring exe_;
    HANDLE process_ = nullptr;
    DWORD pid_ = 0;
    HWND window_ = nullptr;
    HWND host_ = nullptr;
};

// Real input, as a user's hands give it: the mouse through the X server, keys through the input queue.
void MouseMoveTo(POINT screen);
void Click(POINT screen, bool right = false);
void DoubleClick(POINT screen);
// cancel: Esc before the release.
void Drag(POINT from, POINT to, bool cancel = false);
void Key(WORD vk, bool ctrl = false, bool alt = false);

// A top-level window of the class belonging to the process, visible; null after the time-out.
HWND WaitForVisible(const wchar_t* cls, DWORD pid, DWORD timeoutMs = 10000);
// A top-level window of the class belonging to the process, hidden ones too.
HWND FindTopLevel(const wchar_t* cls, DWORD pid, bool visibleOnly = false);
// The middle of a row's caption, on screen, in another process's list view.
POINT ScreenPointOfRow(HANDLE process, HWND view, int item);
// The middle of the first tray icon.
POINT TrayIconPoint();
bool WaitGone(HWND w, DWORD timeoutMs = 10000);

std::wstring TempFolder();
std::string Cp932(const std::wstring& text);

}  // namespace listkit
