#include "core/registry.h"

#include "core/text.h"

namespace mrv {

namespace {

std::wstring Z(std::wstring_view s) { return std::wstring(s); }

}  // namespace

RegistryError::RegistryError(const std::wstring& message)
    : std::runtime_error(WideToUtf8(message)), message_(message) {}

Registry::Registry(HKEY root, REGSAM access) : root_(root), access_(access) {}

std::pair<HKEY, std::wstring> Registry::Resolve(std::wstring_view path) const {
    if (!path.empty() && path.front() == L'\\') return {root_, Z(path.substr(1))};
    if (current_) return {current_.get(), Z(path)};
    return {root_, Z(path)};
}

bool Registry::OpenKey(std::wstring_view path, bool canCreate) {
    auto [parent, rel] = Resolve(path);
    HKEY key = nullptr;
    LONG rc;
    if (canCreate)
        rc = RegCreateKeyExW(parent, rel.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access_, nullptr, &key, nullptr);
    else
        rc = RegOpenKeyExW(parent, rel.c_str(), 0, access_, &key);
    if (rc != ERROR_SUCCESS) return false;
    std::wstring newPath = (!path.empty() && path.front() == L'\\') || !current_
                               ? rel
                               : (currentPath_.empty() ? rel : currentPath_ + L"\\" + rel);
    current_.reset(key);
    currentPath_ = std::move(newPath);
    return true;
}

void Registry::CloseKey() {
    current_.reset();
    currentPath_.clear();
}

bool Registry::KeyExists(std::wstring_view path) const {
    auto [parent, rel] = Resolve(path);
    HKEY key = nullptr;
    if (RegOpenKeyExW(parent, rel.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

bool Registry::DeleteKey(std::wstring_view path) {
    auto [parent, rel] = Resolve(path);
    if (rel.empty()) return false;
    return RegDeleteTreeW(parent, rel.c_str()) == ERROR_SUCCESS;
}

bool Registry::HasSubKeys() const {
    if (!current_) return false;
    DWORD subKeys = 0;
    RegQueryInfoKeyW(current_.get(), nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, nullptr, nullptr,
                     nullptr, nullptr, nullptr);
    return subKeys > 0;
}

std::vector<std::wstring> Registry::GetKeyNames() const {
    std::vector<std::wstring> names;
    if (!current_) return names;
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD len = 256;
        if (RegEnumKeyExW(current_.get(), i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.emplace_back(name, len);
    }
    return names;
}

DWORD Registry::QueryType(std::wstring_view name, DWORD* size) const {
    DWORD type = REG_NONE;
    if (!current_ ||
        RegQueryValueExW(current_.get(), Z(name).c_str(), nullptr, &type, nullptr, size) != ERROR_SUCCESS)
        return REG_NONE;
    return type;
}

bool Registry::ValueExists(std::wstring_view name) const {
    if (!current_) return false;
    return RegQueryValueExW(current_.get(), Z(name).c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

int Registry::ReadInteger(std::wstring_view name) const {
    DWORD type = REG_NONE, value = 0, size = sizeof value;
    const LONG rc = current_ ? RegQueryValueExW(current_.get(), Z(name).c_str(), nullptr, &type,
                                                reinterpret_cast<BYTE*>(&value), &size)
                             : ERROR_INVALID_HANDLE;
    if (rc != ERROR_SUCCESS || type != REG_DWORD || size != sizeof value)
        throw RegistryError(L"値 '" + Z(name) + L"' のデータ型が正しくありません。");
    return static_cast<int>(value);
}

bool Registry::ReadBool(std::wstring_view name) const { return ReadInteger(name) != 0; }

std::wstring Registry::ReadString(std::wstring_view name) const {
    DWORD size = 0;
    const DWORD type = QueryType(name, &size);
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        throw RegistryError(L"値 '" + Z(name) + L"' のデータ型が正しくありません。");
    std::wstring value(size / sizeof(wchar_t) + 1, L'\0');
    DWORD got = static_cast<DWORD>(value.size() * sizeof(wchar_t));
    if (RegQueryValueExW(current_.get(), Z(name).c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(value.data()),
                         &got) != ERROR_SUCCESS)
        throw RegistryError(L"値 '" + Z(name) + L"' を読み込めません。");
    value.resize(got / sizeof(wchar_t));
    while (!value.empty() && value.back() == L'\0') value.pop_back();
    return value;
}

void Registry::WriteInteger(std::wstring_view name, int value) {
    const DWORD v = static_cast<DWORD>(value);
    if (!current_ || RegSetValueExW(current_.get(), Z(name).c_str(), 0, REG_DWORD,
                                    reinterpret_cast<const BYTE*>(&v), sizeof v) != ERROR_SUCCESS)
        throw RegistryError(L"値 '" + Z(name) + L"' を書き込めません。");
}

void Registry::WriteBool(std::wstring_view name, bool value) { WriteInteger(name, value ? 1 : 0); }

void Registry::WriteString(std::wstring_view name, std::wstring_view value) {
    const std::wstring v(value);
    if (!current_ || RegSetValueExW(current_.get(), Z(name).c_str(), 0, REG_SZ,
                                    reinterpret_cast<const BYTE*>(v.c_str()),
                                    static_cast<DWORD>((v.size() + 1) * sizeof(wchar_t))) != ERROR_SUCCESS)
        throw RegistryError(L"値 '" + Z(name) + L"' を書き込めません。");
}

bool Registry::DeleteValue(std::wstring_view name) {
    return current_ && RegDeleteValueW(current_.get(), Z(name).c_str()) == ERROR_SUCCESS;
}

}  // namespace mrv
