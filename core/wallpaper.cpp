// Choosing the next entry and making a picture the desktop wallpaper.
#include <windows.h>

#include "core/app.h"
#include "core/muravine_rtn.h"
#include "core/nextwall.h"
#include "core/registry.h"
#include "core/text.h"
#include "imaging/muravine_susie.h"

namespace {

void WriteDesktopStyle(mrv::Registry& reg, int style) {
    reg.WriteString(L"TileWallpaper", style == 1 ? L"1" : L"0");
    reg.WriteString(L"WallpaperStyle", style == 2 ? L"2" : L"0");
}

void LaunchAfterChange() {
    if (gv_sLaunchApplication.empty()) return;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    GetStartupInfoW(&si);
    PROCESS_INFORMATION pi{};
    std::wstring cmd = gv_sLaunchApplication;  // CreateProcessW may write into its command line
    if (CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
}

}  // namespace

std::wstring DesktopPathFor(const std::wstring& bitmap) {
    if (bitmap.size() < MAX_PATH) return bitmap;
    const std::wstring shortPath = mrv::ShortPathOf(bitmap);
    if (!shortPath.empty() && shortPath.size() < MAX_PATH) return shortPath;
    mrv::app::ShowInfo(bitmap + L"\nパスが長すぎるため壁紙にできません。");
    return {};
}

namespace {

void ApplyToDesktop(const std::wstring& bitmap) {
    std::wstring buf = bitmap;
    SystemParametersInfoW(SPI_SETDESKWALLPAPER, 0, buf.data(), SPIF_UPDATEINIFILE | SPIF_SENDWININICHANGE);
    LaunchAfterChange();
}

// The bitmap that shows the picture, in the form the desktop takes: the file itself, or the
// converted copy. Empty after a failure that has been reported.
std::wstring BitmapFor(const std::wstring& picture) {
    if (!PathExists(picture)) {
        mrv::app::ShowInfo(picture + L"\nファイルが見つかりません。");
        return {};
    }
    if (UpperExtension(picture) == L".BMP") return DesktopPathFor(picture);
    return ConvertToBMP(picture, false) ? DesktopPathFor(gv_sChangedBMP) : std::wstring();
}

// The desktop keeps the path for later logons: a path relative to this process's folder would
// name nothing then.
std::wstring FullPath(const std::wstring& path) {
    const DWORD n = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (n == 0) return path;
    std::wstring full(n, L'\0');
    const DWORD got = GetFullPathNameW(path.c_str(), n, full.data(), nullptr);
    if (got == 0 || got >= n) return path;
    full.resize(got);
    return full;
}

}  // namespace

std::wstring UpperExtension(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L"\\/:");
    const std::size_t dot = path.rfind(L'.');
    if (dot == std::wstring::npos || (slash != std::wstring::npos && dot < slash)) return {};
    std::wstring ext = path.substr(dot);
    for (wchar_t& c : ext)
        if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
    return ext;
}

bool PathExists(const std::wstring& path) {
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW(path.c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return false;
    FindClose(h);
    return true;
}

SYSTEMTIME Now() {
    SYSTEMTIME t;
    GetLocalTime(&t);
    return t;
}

int NextWallIndex() {
    if (!gv_lstWall) return -1;
    const SYSTEMTIME t = Now();
    const mrv::ClockReading c{t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds};
    return mrv::NextWallIndex(*gv_lstWall, gv_iWallIndex, gv_iChangeOperate, mrv::ClockSeed(c));
}

void ChangeWallpaper(bool registryOnly) {
    if (!gv_lstWall || gv_iWallIndex < 0 || static_cast<std::size_t>(gv_iWallIndex) >= gv_lstWall->size())
        throw mrv::ListIndexError(gv_iWallIndex);
    const std::string line = (*gv_lstWall)[static_cast<std::size_t>(gv_iWallIndex)];
    const int style = mrv::ParseListInt(mrv::GetListField(line, 1));
    // The path is taken whole so that a long one can never name another file.
    const std::vector<std::string> fields = mrv::SplitListLine(line);
    if (fields.size() < 3) throw mrv::ListIndexError(2);
    const std::string& ansiPath = fields[2];

    const std::wstring bitmap = BitmapFor(mrv::AnsiToWide(ansiPath));
    if (bitmap.empty()) return;

    mrv::Registry reg(HKEY_CURRENT_USER);
    reg.OpenKey(L"Control Panel\\desktop", false);
    WriteDesktopStyle(reg, style);
    if (registryOnly) reg.WriteString(L"Wallpaper", bitmap);
    else ApplyToDesktop(bitmap);
    reg.CloseKey();

    (*gv_lstWall)[static_cast<std::size_t>(gv_iWallIndex)] = mrv::MakeShownLine(line);
}

void SetWallpaperFile(const std::wstring& file, int style) {
    const std::wstring bitmap = BitmapFor(file.empty() ? file : FullPath(file));
    if (bitmap.empty()) return;
    mrv::Registry reg(HKEY_CURRENT_USER);
    reg.OpenKey(L"Control Panel\\desktop", false);
    WriteDesktopStyle(reg, style);
    ApplyToDesktop(bitmap);
    reg.CloseKey();
}
