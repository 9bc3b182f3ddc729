#include "classes_kit.h"

namespace classes {

namespace {

std::wstring ReadString(const std::wstring& path, const std::wstring& name, bool* exists) {
    wchar_t buf[4096] = {};
    DWORD size = sizeof buf - sizeof(wchar_t);
    const LONG rc = RegGetValueW(HKEY_CLASSES_ROOT, path.c_str(), name.empty() ? nullptr : name.c_str(),
                                 RRF_RT_REG_SZ | RRF_NOEXPAND, nullptr, buf, &size);
    if (exists) *exists = rc == ERROR_SUCCESS;
    return rc == ERROR_SUCCESS ? std::wstring(buf) : std::wstring();
}

const wchar_t* const kVerbs[] = {L"AddCenter", L"AddTile", L"AddScreen", L"WallCenter", L"WallTile", L"WallScreen"};

}  // namespace

bool Exists(const std::wstring& path) {
    HKEY k;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
    RegCloseKey(k);
    return true;
}

std::wstring Default(const std::wstring& path, bool* exists) { return ReadString(path, L"", exists); }

std::wstring Value(const std::wstring& path, const std::wstring& name, bool* exists) {
    return ReadString(path, name, exists);
}

void SetValue(const std::wstring& path, const std::wstring& name, const std::wstring& value) {
    RegSetKeyValueW(HKEY_CLASSES_ROOT, path.c_str(), name.empty() ? nullptr : name.c_str(), REG_SZ, value.c_str(),
                    static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

void SetDefault(const std::wstring& path, const std::wstring& value) { SetValue(path, L"", value); }

void Create(const std::wstring& path) {
    HKEY k;
    if (RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr) ==
        ERROR_SUCCESS)
        RegCloseKey(k);
}

void Delete(const std::wstring& path) { RegDeleteTreeW(HKEY_CLASSES_ROOT, path.c_str()); }

std::set<std::wstring> SubKeys(const std::wstring& path) {
    std::set<std::wstring> names;
    HKEY k;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return names;
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD len = 256;
        if (RegEnumKeyExW(k, i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.emplace(name, len);
    }
    RegCloseKey(k);
    return names;
}

void Associations::Map(const std::wstring& ext, const std::wstring& fileClass) {
    Saved s{ext, Exists(ext), false, {}};
    s.value = Default(ext, &s.hadDefault);
    saved_.push_back(s);
    Create(ext);
    if (fileClass.empty()) {
        RegDeleteKeyValueW(HKEY_CLASSES_ROOT, ext.c_str(), nullptr);
        return;
    }
    SetDefault(ext, fileClass);
    const bool made = !Exists(fileClass);
    classes_.push_back({fileClass, made});
    // Every class the tests use has a verb of its own, as Windows' classes have.
    const std::wstring open = fileClass + L"\\shell\\open";
    if (!Exists(open)) {
        if (!made) added_.push_back(open);
        SetDefault(open + L"\\command", L"\"C:\\windows\\system32\\mspaint.exe\" \"%1\"");
    }
}

void Associations::Forget(const std::wstring& ext) {
    Saved s{ext, Exists(ext), false, {}};
    s.value = Default(ext, &s.hadDefault);
    saved_.push_back(s);
    Delete(ext);
}

Associations::~Associations() {
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
        if (!it->existed) {
            Delete(it->ext);
            continue;
        }
        Create(it->ext);
        if (it->hadDefault) SetDefault(it->ext, it->value);
        else RegDeleteKeyValueW(HKEY_CLASSES_ROOT, it->ext.c_str(), nullptr);
    }
    for (const std::wstring& key : added_) Delete(key);
    // Classes made for the test go; classes that were there lose only the verbs the test added.
    for (const auto& [cls, made] : classes_) {
        if (made) Delete(cls);
        else
            for (const wchar_t* v : kVerbs) Delete(cls + L"\\shell\\MURAVINE" + v);
    }
}

}  // namespace classes
