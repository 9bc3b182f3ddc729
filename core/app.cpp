#include "core/app.h"

#include <system_error>

#include "core/listfile.h"
#include "core/registry.h"
#include "core/text.h"
#include "core/errors.h"

namespace mrv::app {

namespace {

std::wstring& ExePathStorage() {
    static std::wstring path;
    return path;
}

std::wstring& TitleStorage() {
    static std::wstring title;
    return title;
}

HWND g_owner = nullptr;

}  // namespace

std::wstring ModulePath() {
    std::wstring buf(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
        if (n < buf.size()) {
            buf.resize(n);
            return buf;
        }
        buf.resize(buf.size() * 2);
    }
}

const std::wstring& ExePath() {
    auto& p = ExePathStorage();
    if (p.empty()) p = ModulePath();
    return p;
}

std::wstring ExeDir() {
    const std::wstring& p = ExePath();
    const std::size_t slash = p.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : p.substr(0, slash + 1);
}

void SetExePath(std::wstring path) { ExePathStorage() = std::move(path); }

const std::wstring& Title() {
    auto& t = TitleStorage();
    if (t.empty()) {
        const std::wstring& p = ExePath();
        const std::size_t slash = p.find_last_of(L"\\/");
        std::wstring name = slash == std::wstring::npos ? p : p.substr(slash + 1);
        const std::size_t dot = name.rfind(L'.');
        if (dot != std::wstring::npos) name.resize(dot);
        t = name;
    }
    return t;
}

void SetTitle(std::wstring title) { TitleStorage() = std::move(title); }

HWND Owner() { return g_owner && IsWindow(g_owner) ? g_owner : nullptr; }
void SetOwner(HWND owner) { g_owner = owner; }

HINSTANCE Instance() { return GetModuleHandleW(nullptr); }

void ShowInfo(const std::wstring& text) {
    MessageBoxW(Owner(), text.c_str(), Title().c_str(), MB_OK | MB_ICONINFORMATION);
}

std::wstring DescribeException(const std::exception& e) {
    if (auto* r = dynamic_cast<const RegistryError*>(&e)) return r->message();
    if (auto* f = dynamic_cast<const AppError*>(&e)) return f->message();
    if (auto* l = dynamic_cast<const ListIndexError*>(&e))
        return L"リストのインデックスが範囲を超えています (" + std::to_wstring(l->index()) + L")。";
    if (auto* c = dynamic_cast<const ConvertError*>(&e)) return L"'" + AnsiToWide(c->text()) + L"' は整数ではありません。";
    if (dynamic_cast<const std::bad_alloc*>(&e)) return L"メモリが足りません。";
    return Utf8ToWide(e.what());
}

void ShowException(const std::exception& e) {
    MessageBoxW(Owner(), DescribeException(e).c_str(), Title().c_str(), MB_OK | MB_ICONSTOP);
}

}  // namespace mrv::app
