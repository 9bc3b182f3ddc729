// File associations under HKEY_CLASSES_ROOT as the tests need them, put back as they were at the end.
#pragma once
#include <windows.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

namespace classes {

bool Exists(const std::wstring& path);
// The key's default value; `exists` tells whether there is one.
std::wstring Default(const std::wstring& path, bool* exists = nullptr);
std::wstring Value(const std::wstring& path, const std::wstring& name, bool* exists = nullptr);
void SetDefault(const std::wstring& path, const std::wstring& value);
void SetValue(const std::wstring& path, const std::wstring& name, const std::wstring& value);
void Create(const std::wstring& path);
void Delete(const std::wstring& path);
std::set<std::wstring> SubKeys(const std::wstring& path);

// Sets up extensions and classes for one test and removes or restores them afterwards. Extensions
// that exist already (".bmp" in every prefix) get their default value back; keys that the test made
// go.
class Associations {
public:
    Associations() = default;
    ~Associations();
    Associations(const Associations&) = delete;
    Associations& operator=(const Associations&) = delete;
    // ".ext" names `fileClass` (empty: the extension key has no class name); the class gets an
    // "open" verb of its own when it has none, as Windows' classes have.
    void Map(const std::wstring& ext, const std::wstring& fileClass);
    // Removes the key of an extension for the test (it must not exist afterwards either).
    void Forget(const std::wstring& ext);
private:
    struct Saved {
        std::wstring ext;
        bool existed;
        bool hadDefault;
        std::wstring value;
    };
    std::vector<Saved> saved_;
    std::vector<std::pair<std::wstring, bool>> classes_;  // class, made for the test
    std::vector<std::wstring> added_;                      // keys added to classes that were there
};

}  // namespace classes
