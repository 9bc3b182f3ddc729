// Small services that tie the program to the shell: the Startup shortcut, help, the default bitmap.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include "core/app.h"
#include "core/handles.h"
#include "core/muravine_rtn.h"
#include "core/registry.h"

HMODULE gv_hHtmlHelp = nullptr;

namespace {

constexpr wchar_t kShellFolders[] = L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

std::wstring ShellFolder(mrv::Registry& reg, const wchar_t* name) {
    return reg.ValueExists(name) ? reg.ReadString(name) : std::wstring();
}

// The HTML Help keyword-link record (HH_AKLINK), laid out here to keep htmlhelp.h's import library out.
struct HhAkLink {
    int cbStruct;
    BOOL fReserved;
    LPCWSTR pszKeywords;
    LPCWSTR pszUrl;
    LPCWSTR pszMsgText;
    LPCWSTR pszMsgTitle;
    LPCWSTR pszWindow;
    BOOL fIndexOnFail;
};
constexpr UINT kHhDisplayIndex = 0x0002;
constexpr UINT kHhKeywordLookup = 0x000D;
using PfnHtmlHelpW = HWND(WINAPI*)(HWND, LPCWSTR, UINT, DWORD_PTR);

}  // namespace

std::wstring DefaultChangedBMP() {
    if (gv_iPlatform == 1) {
        wchar_t dir[MAX_PATH] = {};
        GetWindowsDirectoryW(dir, MAX_PATH);
        std::wstring path = std::wstring(dir) + L"\\mrv_wp";
        if (!gv_sUserName.empty()) path += L"_" + gv_sUserName;
        return path + L".bmp";
    }
    mrv::Registry reg(HKEY_CURRENT_USER);
    std::wstring folder;
    if (reg.OpenKey(kShellFolders, false))
        folder = reg.ValueExists(L"My Pictures") ? ShellFolder(reg, L"My Pictures") : ShellFolder(reg, L"Personal");
    return folder + L"\\mrv_wp.bmp";
}

void CreateStartupShortcut() {
    std::wstring link;
    {
        mrv::Registry reg(HKEY_CURRENT_USER);
        if (reg.OpenKey(kShellFolders, false)) link = ShellFolder(reg, L"Startup");
    }
    if (link.empty()) {
        // Without the value the shortcut would land in the root of the current drive, where
        // nothing ever starts it: ask the shell where the Startup folder is instead.
        wchar_t known[MAX_PATH] = {};
        if (FAILED(SHGetFolderPathW(nullptr, CSIDL_STARTUP, nullptr, SHGFP_TYPE_CURRENT, known)) || !known[0]) return;
        link = known;
    }
    link += L"\\むらびね for Win32.lnk";
    mrv::ComApartment com;
    mrv::ComPtr<IShellLinkW> sl;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, sl.put_void())))
        return;
    mrv::ComPtr<IPersistFile> pf;
    if (FAILED(sl->QueryInterface(IID_IPersistFile, pf.put_void()))) return;
    sl->SetPath(mrv::app::ExePath().c_str());
    sl->SetWorkingDirectory(mrv::app::ExeDir().c_str());
    sl->SetDescription(kAppTitle);
    sl->SetArguments(L"/startup");
    pf->Save(link.c_str(), TRUE);
}

void ShowHtmlHelp(HWND window, const std::wstring& keyword) {
    std::wstring file = mrv::app::ExePath();
    const std::size_t dot = file.rfind(L'.');
    const std::size_t slash = file.find_last_of(L"\\/");
    if (dot != std::wstring::npos && (slash == std::wstring::npos || dot > slash)) file.resize(dot);
    file += L".CHM";
    if (!gv_hHtmlHelp) {
        gv_hHtmlHelp = LoadLibraryW(L"HHCTRL.OCX");
        if (!gv_hHtmlHelp) {
            mrv::app::ShowInfo(L"ヘルプが表示できません。");
            return;
        }
    }
    auto htmlHelp = reinterpret_cast<PfnHtmlHelpW>(reinterpret_cast<void*>(GetProcAddress(gv_hHtmlHelp, "HtmlHelpW")));
    if (!htmlHelp) {
        mrv::app::ShowInfo(L"ヘルプが表示できません。");
        return;
    }
    HhAkLink link{};
    link.cbStruct = sizeof link;
    link.pszKeywords = keyword.c_str();
    link.fIndexOnFail = TRUE;
    // Viewers without keyword lookup open nothing; the index is the next best place to land.
    if (!htmlHelp(window, file.c_str(), kHhKeywordLookup, reinterpret_cast<DWORD_PTR>(&link)))
        htmlHelp(window, file.c_str(), kHhDisplayIndex, reinterpret_cast<DWORD_PTR>(keyword.c_str()));
}
