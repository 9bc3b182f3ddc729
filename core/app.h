// What the whole process shares about itself: its title, the window that owns its message boxes,
// where its executable lives, and how errors reach the user.
#pragma once
#include <windows.h>

#include <exception>
#include <string>

namespace mrv::app {

// Until the resident instance names itself, boxes carry the executable's name without extension.
const std::wstring& Title();
void SetTitle(std::wstring title);

// The window that owns message boxes (null before the main window exists).
HWND Owner();
void SetOwner(HWND owner);

// The executable's full path, and its folder with the closing backslash.
const std::wstring& ExePath();
std::wstring ExeDir();
// Where the program thinks it lives; the module's own path unless set (the test harness runs the
// core routines inside test programs that live elsewhere).
void SetExePath(std::wstring path);

HINSTANCE Instance();
// The running module's own file, whatever SetExePath says.
std::wstring ModulePath();

// The program's information box: application title, information icon, one OK button.
void ShowInfo(const std::wstring& text);

// The exception display: the error's text in a box with the application title and a stop icon.
void ShowException(const std::exception& e);
std::wstring DescribeException(const std::exception& e);

}  // namespace mrv::app
