#include "core/cmdline.h"

namespace mrv {

namespace {

wchar_t Upper(wchar_t c) { return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - L'a' + L'A') : c; }

wchar_t CharAt(const std::wstring& s, std::size_t i) { return i < s.size() ? s[i] : L'\0'; }

bool IsBlank(wchar_t c) { return c <= L' '; }

}  // namespace

std::vector<std::wstring> SplitParams(std::wstring_view line) {
    std::vector<std::wstring> params;
    std::size_t i = 0;
    bool first = true;
    for (;;) {
        while (i < line.size() && IsBlank(line[i])) ++i;
        if (i >= line.size()) break;
        std::wstring param;
        bool quoted = false;
        while (i < line.size() && (quoted || !IsBlank(line[i]))) {
            if (line[i] == L'"') quoted = !quoted;
            else param += line[i];
            ++i;
        }
        if (first) first = false;
        else params.push_back(std::move(param));
    }
    return params;
}

int StyleFromLetter(wchar_t c) {
    switch (Upper(c)) {
        case L'S': return 2;
        case L'T': return 1;
        default: return 0;
    }
}

Launch ClassifyLaunch(const std::vector<std::wstring>& params) {
    Launch l;
    if (!params.empty()) l.first = params[0];
    l.startup = (l.first == L"/startup");
    const wchar_t c1 = CharAt(l.first, 0), c2 = Upper(CharAt(l.first, 1)), c3 = CharAt(l.first, 2);
    if (params.size() >= 2) {
        l.file = params[1];
        l.style = StyleFromLetter(c3);
        l.kind = c2 == L'W' ? LaunchKind::SetWallpaper : c2 == L'A' ? LaunchKind::AddToList : LaunchKind::Nothing;
    } else if (params.size() == 1 && (c1 == L'/' || c1 == L'-') && c2 == L'D') {
        l.kind = LaunchKind::DeleteSettings;
    }
    return l;
}

}  // namespace mrv
