// Start-up: what every launch prepares, the one-shot commands, and the change at start-up.
#include <windows.h>

#include "core/app.h"
#include "core/cmdline.h"
#include "core/errors.h"
#include "core/muravine_rtn.h"
#include "core/registry.h"
#include "core/startup.h"
#include "core/text.h"
#include "imaging/muravine_susie.h"

int gv_iPlatform = 0;
std::wstring gv_sUserName;
std::wstring gv_sListFile;
std::wstring gv_sListBase;
std::unique_ptr<mrv::StringList> gv_lstWall;
HWND gv_hMainWnd = nullptr;
HANDLE gv_hMutex = nullptr;

namespace {

int PlatformId() {
    OSVERSIONINFOW vi{};
    vi.dwOSVersionInfoSize = sizeof vi;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    GetVersionExW(&vi);
#pragma GCC diagnostic pop
    return static_cast<int>(vi.dwPlatformId);
}

std::wstring LogonUserName() {
    wchar_t name[257] = {};
    DWORD len = 257;
    return GetUserNameW(name, &len) ? std::wstring(name) : std::wstring();
}

void DeleteSettings() {
    mrv::Registry reg(HKEY_CURRENT_USER);
    if (!reg.OpenKey(L"\\Software\\ORMI", false)) return;
    if (reg.KeyExists(L"MURAVINE")) reg.DeleteKey(L"MURAVINE");
    if (!reg.HasSubKeys()) {
        reg.CloseKey();
        if (reg.OpenKey(L"\\Software", false)) reg.DeleteKey(L"ORMI");
    }
    reg.CloseKey();
}

void AddToList(const mrv::Launch& l) {
    // The list holds ANSI text: a path the code page cannot spell is stored by its short name.
    const std::string path = mrv::AnsiPathFor(l.file);
    if (path.empty()) {
        mrv::app::ShowInfo(l.file + L"\nこのファイル名はリストに登録できません。");
        return;
    }
    if (!mrv::PathFitsList(path)) {
        mrv::app::ShowInfo(l.file + L"\nファイル名に「,」を含むファイルはリストに登録できません。");
        return;
    }
    AppendToListFile(gv_sListFile, mrv::MakeAddedLine(l.style, path));
    gv_lstWall.reset();
    if (HWND w = FindWindowW(kMainWindowClass, nullptr)) {
        DWORD_PTR result = 0;
        // Synchronous so that the resident list is reloaded before this process ends; bounded so
        // that a hung instance cannot hold Explorer's launch forever.
        SendMessageTimeoutW(w, UM_SHOW_OR_RELOAD, 0, 1, SMTO_NORMAL, 30000, &result);
    }
}

}  // namespace

std::wstring ListReadName(const std::wstring& userName) {
    if (!userName.empty()) return mrv::app::ExeDir() + userName + L".LST";
    const std::wstring& exe = mrv::app::ExePath();
    const std::size_t slash = exe.find_last_of(L"\\/");
    const std::size_t dot = exe.rfind(L'.');
    return (dot == std::wstring::npos || (slash != std::wstring::npos && dot < slash) ? exe : exe.substr(0, dot)) +
           L".LST";
}

void PrepareStartUp() {
    if (ReadSusiePath()) LoadSusiePlugins();
    gv_iPlatform = PlatformId();
    gv_sUserName = LogonUserName();
    gv_sListBase = gv_sUserName.empty() ? std::wstring(L"MURAVINE") : gv_sUserName;
    gv_sListFile = ListReadName(gv_sUserName);
    gv_lstWall = std::make_unique<mrv::StringList>();
    ReadSettings();
}

bool StartUpWith(const std::vector<std::wstring>& params) {
    PrepareStartUp();
    return DispatchLaunch(mrv::ClassifyLaunch(params));
}

bool DispatchLaunch(const mrv::Launch& l) {
    switch (l.kind) {
        case mrv::LaunchKind::SetWallpaper:
            SetWallpaperFile(l.file, l.style);
            return false;
        case mrv::LaunchKind::AddToList:
            AddToList(l);
            return false;
        case mrv::LaunchKind::Nothing:
            return false;
        case mrv::LaunchKind::DeleteSettings:
            DeleteSettings();
            return false;
        case mrv::LaunchKind::Normal:
            break;
    }

    if (gv_iChangeTiming == 1 && l.startup) Sleep(static_cast<DWORD>(gv_iBootDelay) * 1000);
    LoadListFile(gv_sListFile, *gv_lstWall);
    if (gv_iChangeTiming != 1) return true;

    gv_iWallIndex = NextWallIndex();
    if (gv_iWallIndex != -1) {
        if (!l.first.empty()) ChangeWallpaper(gv_bChangeSecret);
        else if (!gv_bChangeSecret) ChangeWallpaper(false);
    }
    if (!gv_bExitAtOnce || !l.startup) return true;
    WriteSettings();
    CleanUp();
    return false;
}

bool StartUp() { return StartUpWith(mrv::SplitParams(GetCommandLineW())); }

void CleanUp() {
    gv_lstWall.reset();
    ReleaseSusieCatalogue();
    if (gv_hHtmlHelp) {
        FreeLibrary(gv_hHtmlHelp);
        gv_hHtmlHelp = nullptr;
    }
}
