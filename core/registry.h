// Registry access in the way the settings, desktop and shell code expect it: one open key at a
// time, paths from the root when they start with a backslash, typed reads that refuse a value of
// another type.
#pragma once
#include <windows.h>

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "core/handles.h"

namespace mrv {

class RegistryError : public std::runtime_error {
public:
    explicit RegistryError(const std::wstring& message);
    const std::wstring& message() const { return message_; }
private:
    std::wstring message_;
};

class Registry {
public:
    explicit Registry(HKEY root = HKEY_CURRENT_USER, REGSAM access = KEY_ALL_ACCESS);
    Registry(const Registry&) = delete;
    Registry& operator=(const Registry&) = delete;

    HKEY RootKey() const { return root_; }
    HKEY CurrentKey() const { return current_.get(); }
    const std::wstring& CurrentPath() const { return currentPath_; }

    // A path that starts with "\" counts from the root key; any other from the open key (or the
    // root when none is open). On success the new key replaces the open one.
    bool OpenKey(std::wstring_view path, bool canCreate);
    void CloseKey();
    bool KeyExists(std::wstring_view path) const;
    // Deletes a key with everything below it.
    bool DeleteKey(std::wstring_view path);
    bool HasSubKeys() const;
    std::vector<std::wstring> GetKeyNames() const;

    bool ValueExists(std::wstring_view name) const;
    bool ReadBool(std::wstring_view name) const;
    int ReadInteger(std::wstring_view name) const;
    std::wstring ReadString(std::wstring_view name) const;
    void WriteBool(std::wstring_view name, bool value);
    void WriteInteger(std::wstring_view name, int value);
    void WriteString(std::wstring_view name, std::wstring_view value);
    bool DeleteValue(std::wstring_view name);

private:
    // The parent handle and the relative path that a path names.
    std::pair<HKEY, std::wstring> Resolve(std::wstring_view path) const;
    DWORD QueryType(std::wstring_view name, DWORD* size) const;

    HKEY root_;
    REGSAM access_;
    UniqueRegKey current_;
    std::wstring currentPath_;
};

}  // namespace mrv
