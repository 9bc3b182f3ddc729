#include "core/text.h"

#include <windows.h>

#include <vector>

namespace mrv {

std::wstring AnsiToWide(std::string_view s) {
    if (s.empty()) return {};
    const int n = MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring w(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
    return w;
}

std::string WideToAnsi(std::wstring_view w, bool* lossless) {
    if (lossless) *lossless = true;
    if (w.empty()) return {};
    BOOL usedDefault = FALSE;
    const int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, w.data(), static_cast<int>(w.size()), nullptr,
                                      0, nullptr, &usedDefault);
    std::string s(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr,
                        &usedDefault);
    if (lossless) *lossless = !usedDefault;
    return s;
}

std::wstring Utf8ToWide(std::string_view s) {
    if (s.empty()) return {};
    const int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring w(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
    return w;
}

std::string WideToUtf8(std::wstring_view w) {
    if (w.empty()) return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
    std::string s(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr, nullptr);
    return s;
}

std::wstring ShortPathOf(const std::wstring& path) {
    const DWORD n = GetShortPathNameW(path.c_str(), nullptr, 0);
    if (n == 0) return {};
    std::wstring shortPath(n, L'\0');
    const DWORD got = GetShortPathNameW(path.c_str(), shortPath.data(), n);
    if (got == 0 || got >= n) return {};
    shortPath.resize(got);
    return shortPath;
}

std::string AnsiPathFor(const std::wstring& path) {
    bool lossless = false;
    std::string ansi = WideToAnsi(path, &lossless);
    if (lossless) return ansi;
    const std::wstring shortPath = ShortPathOf(path);
    if (shortPath.empty()) return {};
    ansi = WideToAnsi(shortPath, &lossless);
    return lossless ? ansi : std::string();
}

bool IsAnsiLeadByte(unsigned char c) { return IsDBCSLeadByte(c) != FALSE; }

}  // namespace mrv
