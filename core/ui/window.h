// Two small bases for the program's windows: a Window that is created from a registered class,
// and a Dialog whose layout comes from the resource script. Each wraps its HWND, routes messages to
// a virtual handler, and keeps C++ exceptions from unwinding through user32.
#pragma once
#include <windows.h>

#include <string>

namespace mrv {

class Window {
public:
    Window() = default;
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    HWND hwnd() const { return hwnd_; }

protected:
    // Registers the class once (per name) with this base's procedure.
    static bool RegisterClassOnce(const wchar_t* className, HICON icon = nullptr, UINT style = 0,
                                  HBRUSH background = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    HWND Create(const wchar_t* className, const wchar_t* title, DWORD style, DWORD exStyle, int x, int y, int w, int h,
                HWND parent, HMENU menu = nullptr);
    // Return true when handled, with the result in `result`.
    virtual bool HandleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) = 0;
    virtual void OnDestroyed() {}

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    HWND hwnd_ = nullptr;
};

class Dialog {
public:
    Dialog() = default;
    virtual ~Dialog();
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    HWND hwnd() const { return hwnd_; }
    // A modal showing; returns what EndDialog was given (-1 when it could not be shown).
    INT_PTR ShowModal(HWND owner, int templateId);
    // A modeless one; the owner's message loop must pass its messages through IsDialogMessage.
    HWND CreateModeless(HWND owner, int templateId);

protected:
    virtual bool OnInitDialog() { return true; }
    // Return true when handled, with the result in `result` (given to DWLP_MSGRESULT).
    virtual bool HandleMessage(UINT msg, WPARAM wp, LPARAM lp, INT_PTR& result) = 0;
    virtual void OnDestroyed() {}
    HWND Item(int id) const { return GetDlgItem(hwnd_, id); }
    std::wstring ItemText(int id) const;
    void SetItemText(int id, const std::wstring& text) const { SetDlgItemTextW(hwnd_, id, text.c_str()); }

private:
    static INT_PTR CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    HWND hwnd_ = nullptr;
};

// The modeless dialogs that the message loop must serve.
void RegisterModeless(HWND dialog);
void UnregisterModeless(HWND dialog);
// True when the message belonged to one of them and has been handled.
bool DispatchModeless(MSG& msg);

}  // namespace mrv
