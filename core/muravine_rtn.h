// The core routines and the process-wide state they own for the whole run.
#pragma once
#include <windows.h>

#include <memory>
#include <string>

#include "core/listfile.h"

// --- Settings (stored under HKCU\Software\ORMI\MURAVINE) ---
extern bool gv_bMultiUser;
extern bool gv_bSaveSetting;
extern bool gv_bShowTray;
extern bool gv_bChangeSecret;
extern bool gv_bExitAtOnce;
extern int gv_iInterval;
extern int gv_iInitialPosition;
extern int gv_iChangeTiming;
extern int gv_iChangeOperate;
extern int gv_iWallIndex;
extern int gv_iDblClickOperate;
extern int gv_iDblClickList;
extern int gv_iBootDelay;
extern std::wstring gv_sLaunchApplication;
extern std::wstring gv_sChangedBMP;

// --- Set at start-up ---
extern int gv_iPlatform;              // 1: Windows 95/98/Me family, 2: NT family
extern std::wstring gv_sUserName;
extern std::wstring gv_sListFile;     // the list file to read
extern std::wstring gv_sListBase;     // its base name
extern std::unique_ptr<mrv::StringList> gv_lstWall;  // null once released
extern HWND gv_hMainWnd;              // the resident instance's main window, on the hand-over path
extern HANDLE gv_hMutex;
extern HMODULE gv_hHtmlHelp;
extern SYSTEMTIME gv_dtLastChange;

// Window messages between instances and windows.
constexpr UINT UM_SHOW_OR_RELOAD = WM_APP + 1;
constexpr UINT UM_LIST_CLOSED = WM_APP + 2;
constexpr UINT UM_OPTION_CLOSED = WM_APP + 3;

inline constexpr wchar_t kMainWindowClass[] = L"TFormMURAVINEMain";
inline constexpr wchar_t kMutexName[] = L"MURAVINE";
inline constexpr wchar_t kAppTitle[] = L"むらびね for Win32";
inline constexpr wchar_t kSettingsKey[] = L"\\Software\\ORMI\\MURAVINE";

// --- Start-up (the entry point is in main.cpp) ---
bool StartUp();
void CleanUp();

// --- Settings ---
void ReadSettings();
void WriteSettings();

// --- List file ---
std::wstring ListWriteName();
// Replaces the list with the file's lines; a missing file gives an empty list. Returns whether the
// file existed.
bool LoadListFile(const std::wstring& path, mrv::StringList& list);
// Writes every line with CR LF beside the file and then puts it in place, so the old content stays
// whole when anything fails; a failure raises mrv::FileError.
void SaveListFile(const std::wstring& path, const mrv::StringList& list);
// Appends one entry to the list file under the cross-process list lock. Raises on a write failure.
void AppendToListFile(const std::wstring& path, const std::string& line);

// --- Choosing and applying ---
int NextWallIndex();
void ChangeWallpaper(bool registryOnly);
void SetWallpaperFile(const std::wstring& file, int style);
// The desktop keeps at most MAX_PATH - 1 characters of a wallpaper's path and would use whatever
// file a cut path names: a longer path goes by its short form, or is refused (after telling the
// user; the result is empty then).
std::wstring DesktopPathFor(const std::wstring& bitmap);

// --- Shell helpers ---
std::wstring DefaultChangedBMP();
void CreateStartupShortcut();
void ShowHtmlHelp(HWND window, const std::wstring& keyword);

// The extension of a file name with its dot, ASCII letters upper-cased; empty without one.
std::wstring UpperExtension(const std::wstring& path);
// True when something (file or folder) exists at the path.
bool PathExists(const std::wstring& path);
// The current local time.
SYSTEMTIME Now();
