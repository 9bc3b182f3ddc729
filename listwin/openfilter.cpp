#include "listwin/openfilter.h"

namespace mrv {

namespace {

std::wstring Plain(std::wstring text) {
    for (wchar_t& c : text)
        if (c == L'|') c = L'\xFF5C';
    return text;
}

}  // namespace

std::wstring BuildOpenFilter(const std::vector<std::wstring>* patterns, const std::vector<std::wstring>* descriptions) {
    if (!patterns || patterns->empty()) return L"ビットマップ (*.bmp)|*.bmp";
    std::wstring all = L"すべてのイメージ|*.bmp";
    std::wstring each = L"|ビットマップ (*.bmp)|*.bmp";
    for (std::size_t i = 0; i < patterns->size(); ++i) {
        const std::wstring p = Plain((*patterns)[i]);
        // The catalogue keeps its lists the same length; a short one still gives every pattern a name.
        const std::wstring d = descriptions && i < descriptions->size() ? Plain((*descriptions)[i]) : p;
        all += L";" + p;
        each += L"|" + d + L" (" + p + L")|" + p;
    }
    return all + each;
}

std::wstring DialogFilter(const std::wstring& filter) {
    std::wstring out = filter;
    for (wchar_t& c : out)
        if (c == L'|') c = L'\0';
    out.push_back(L'\0');
    out.push_back(L'\0');
    return out;
}

}  // namespace mrv
