// Helpers for the tests of the resident program: the desktop's wallpaper, pictures, the tray as
// the user reaches it (xdotool), windows of other processes, and screenshots on request.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

namespace reskit {

// Polls until the condition holds; false on time-out.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = 10000, DWORD stepMs = 20);

// Pumps this thread's messages for a while (windows of the test program keep answering).
void Pump(DWORD ms);
// Pumps until the condition holds; false on time-out.
bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs = 10000);
// A WM_QUIT left in this thread's queue (a main window that closed) would end the next modal loop.
void DrainQuit();

// A small 24-bit bottom-up bitmap of one colour.
void WriteBitmap(const std::wstring& path, BYTE r, BYTE g, BYTE b, int w = 8, int h = 8);

// HKCU "Control Panel\Desktop" Wallpaper.
std::wstring DesktopWallpaper();
void SetDesktopWallpaperValue(const std::wstring& path);

// The logon user's list file in a folder.
std::wstring ListFileIn(const std::wstring& dir);

// A top-level window of the process with the class (and the caption, when given); hidden ones too.
HWND FindProcessWindow(DWORD pid, const wchar_t* cls, const wchar_t* caption = nullptr);
HWND WaitProcessWindow(DWORD pid, const wchar_t* cls, const wchar_t* caption = nullptr, DWORD timeoutMs = 10000);
std::wstring WindowText(HWND w);
// A popup menu window (class #32768) shown on the screen, or null.
HWND VisibleMenu();

// Whether the shell holds the tray icon (window, identifier).
bool IconInTray(HWND window, UINT id = 1);
// Where a single icon sits in the tray, in screen coordinates.
POINT TrayIconPoint();

// Runs a command of the Linux side (xdotool, xwd) through /bin/sh and waits for it to finish.
bool RunUnix(const std::string& command, DWORD timeoutMs = 20000);
// Types keys (xdotool names) on the keyboard.
bool PressKeys(const std::string& keys);
// Hands the keyboard to the Wine desktop. The X server here has no window manager: when a desktop
// closes, the focus goes nowhere until someone gives it to the next one. Call it while no menu is
// open, since Wine activates its desktop on getting the focus.
bool FocusDesktop();
// Saves a screenshot of the whole desktop as <name>.png in the folder named by MRV_SCREENSHOTS;
// does nothing when the variable is not set.
void Screenshot(const std::string& name);
bool ScreenshotsWanted();

}  // namespace reskit
