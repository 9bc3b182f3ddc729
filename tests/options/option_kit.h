// Running the options dialog inside the test program as the main window will: on a user-interface
// thread of its own with a message loop, owned by a hidden window that destroys it when told that it
// closed. The test thread drives it with window messages, as a user's clicks and keys arrive.
#pragma once
#include <windows.h>

#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace optkit {

// A thread with a message loop that serves modeless dialogs, and a hidden window on it that stands
// in for the main window: it records UM_OPTION_CLOSED and destroys the options dialog then.
class UiThread {
public:
    UiThread();
    ~UiThread();
    UiThread(const UiThread&) = delete;
    UiThread& operator=(const UiThread&) = delete;

    // Runs fn on the thread and waits for it (also while the thread sits in a modal loop).
    void Call(const std::function<void()>& fn);
    // Runs fn on the thread without waiting (for work that enters a modal loop).
    void Post(std::function<void()> fn);
    // Waits until the thread has handled everything posted to it before (keys, clicks, closings),
    // which Call cannot promise: a sent message overtakes the posted ones. False on time-out.
    bool Drain(DWORD timeoutMs = 30000);
    HWND owner() const { return owner_; }

    struct Closed {
        WPARAM wp;
        LPARAM lp;
        bool dialogExisted;  // the dialog was still there for the owner to destroy
        bool dialogVisible;
    };
    std::vector<Closed> closed();
    // Waits until the owner has handled n closings in all (take the count before the click: the
    // closing may be handled before the click returns); false on time-out.
    bool WaitClosed(std::size_t n, DWORD timeoutMs = 10000);

    struct TrayCall {
        bool show;
        bool dialogVisible;  // the dialog was still on screen when the tray was switched
    };
    std::vector<TrayCall> trayCalls();

    // Opens the options dialog as the main window does; returns its window.
    HWND OpenOptions();

private:
    static LRESULT CALLBACK Proc(HWND h, UINT msg, WPARAM wp, LPARAM lp);
    void Loop();

    std::thread thread_;
    HANDLE ready_ = nullptr;
    HWND owner_ = nullptr;
    std::mutex mu_;
    std::vector<Closed> closed_;
    std::vector<TrayCall> tray_;
};

// A control of a dialog or of one of its child dialogs (the pages).
HWND Find(HWND dialog, int id);
// A top-level dialog (class #32770) with this caption that is visible; null on time-out.
HWND WaitForDialog(const std::wstring& caption, DWORD timeoutMs = 10000);
// A visible top-level window owned by `owner` with this class; null on time-out.
HWND WaitForOwned(HWND owner, const wchar_t* cls, DWORD timeoutMs = 10000);
bool WaitGone(HWND window, DWORD timeoutMs = 10000);

std::wstring Text(HWND h);
bool Checked(HWND h);
// A click on a button, check box or radio button; Post for buttons that open a modal dialog.
void Click(HWND h);
void PostClick(HWND h);
// Chooses an item of a drop-down list as a user does: the selection and its notification.
void Choose(HWND combo, int index);
std::vector<std::wstring> Items(HWND combo);
// Replaces an edit's text as typing would.
void Type(HWND edit, const std::wstring& text);
// A key pressed and released on a control, through the owning thread's message loop; it has not
// necessarily been handled on return (UiThread::Drain waits for that).
void PressKey(HWND h, UINT vk);
// A click on a tab of a tab control.
void ClickTab(HWND tab, int index);
// A double click on a list view row (-1: on the empty area below the rows).
void DoubleClickRow(HWND list, int row);
int RowCount(HWND list);
std::wstring Cell(HWND list, int row, int column);

}  // namespace optkit
