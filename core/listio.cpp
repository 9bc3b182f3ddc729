// Reading and writing the list file. Explorer starts one process per selected file, so several
// add commands and the resident instance may touch the file at once: every read-modify-write holds
// a lock shared by all processes, and a write never leaves a half-written file behind.
#include <windows.h>

#include <cstdint>
#include <map>

#include "core/app.h"
#include "core/errors.h"
#include "core/handles.h"
#include "core/muravine_rtn.h"
#include "core/text.h"

namespace {

std::uint64_t Fnv1a(const void* data, std::size_t size) {
    std::uint64_t h = 1469598103934665603ull;
    const auto* p = static_cast<const unsigned char*>(data);
    for (std::size_t i = 0; i < size; ++i) {
        h ^= p[i];
        h *= 1099511628211ull;
    }
    return h;
}

std::wstring UpperPath(const std::wstring& path) {
    std::wstring up = path;
    if (!up.empty()) CharUpperBuffW(up.data(), static_cast<DWORD>(up.size()));
    return up;
}

// The size and last-write time of each list file as this process last read or wrote it. When the
// file on disk no longer matches at the end of the run, another process (an add command from
// Explorer) wrote since, and its entries must not be overwritten by an older copy.
// A list whose load failed (perhaps half way, leaving it part replaced) is never written over the
// file, until a later load succeeds.
struct Stamp {
    std::uint64_t size = 0;
    std::uint64_t written = 0;
    bool damaged = false;
    bool operator==(const Stamp&) const = default;
};
std::map<std::wstring, Stamp>& LastSynced() {
    static std::map<std::wstring, Stamp> m;
    return m;
}

bool StampOf(const std::wstring& path, Stamp& stamp) {
    WIN32_FILE_ATTRIBUTE_DATA a;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &a)) return false;
    stamp.size = (std::uint64_t(a.nFileSizeHigh) << 32) | a.nFileSizeLow;
    stamp.written = (std::uint64_t(a.ftLastWriteTime.dwHighDateTime) << 32) | a.ftLastWriteTime.dwLowDateTime;
    return true;
}

void Remember(const std::wstring& path) {
    Stamp s;
    if (StampOf(path, s)) LastSynced()[UpperPath(path)] = s;
    else LastSynced().erase(UpperPath(path));
}

class ListFileLock {
public:
    explicit ListFileLock(const std::wstring& path) {
        const std::wstring up = UpperPath(path);
        wchar_t name[64];
        const std::uint64_t h = Fnv1a(up.data(), up.size() * sizeof(wchar_t));
        wsprintfW(name, L"MURAVINE.LST.%08lx%08lx", static_cast<unsigned long>(h >> 32),
                  static_cast<unsigned long>(h & 0xFFFFFFFFu));
        mutex_ = mrv::UniqueHandle(CreateMutexW(nullptr, FALSE, name));
        if (!mutex_) return;  // without a lock the file is still written whole, only unserialised
        const DWORD rc = WaitForSingleObject(mutex_.get(), 60000);
        // An abandoned lock means its holder died; the file itself is whole (writes replace it in one step).
        if (rc == WAIT_OBJECT_0 || rc == WAIT_ABANDONED) owned_ = mrv::MutexOwnership(mutex_.get());
        else throw mrv::FileError(path + L"\nリストファイルが他のプログラムに使用されています。");
    }
private:
    mrv::UniqueHandle mutex_;
    mrv::MutexOwnership owned_;  // released before the handle closes
};

// The list file opened for reading; null when it does not exist.
mrv::UniqueHandle OpenListFile(const std::wstring& path) {
    mrv::UniqueHandle f = mrv::AdoptHandle(CreateFileW(path.c_str(), GENERIC_READ,
                                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                                       OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!f) {
        const DWORD err = GetLastError();
        if (err != ERROR_FILE_NOT_FOUND && err != ERROR_PATH_NOT_FOUND)
            throw mrv::FileError(path + L"\nリストファイルを読み込めません。");
    }
    return f;
}

// Reads the file's lines into the list, replacing its content. A block at a time rather than the
// whole file at once: the block stays in the cache while it is split, and a long list is never
// held twice. A read that fails part way leaves the list part replaced.
void ReadLines(HANDLE f, const std::wstring& path, mrv::StringList& lines) {
    mrv::ListTextParser parser(lines);
    std::string block(128 * 1024, '\0');
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(f, block.data(), static_cast<DWORD>(block.size()), &got, nullptr))
            throw mrv::FileError(path + L"\nリストファイルを読み込めません。");
        if (got == 0 || !parser.Feed(std::string_view(block.data(), got))) break;
    }
    parser.Finish();
}

// Every line with CR LF, written through a small buffer rather than one copy of the whole list.
bool WriteLines(HANDLE f, const mrv::StringList& lines) {
    return mrv::FormatListTextInBlocks(lines, 256 * 1024, [f](std::string_view piece) {
        DWORD written = 0;
        return WriteFile(f, piece.data(), static_cast<DWORD>(piece.size()), &written, nullptr) && written == piece.size();
    });
}

void WriteWholeFileAtomically(const std::wstring& path, const mrv::StringList& lines) {
    // A read-only list stays as it is, as it would when written in place (replacing it by a rename
    // would slip past the attribute on some file systems).
    const DWORD attrs = GetFileAttributesW(path.c_str());
    if (attrs != INVALID_FILE_ATTRIBUTES && (attrs & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
        throw mrv::FileError(path + L"\nリストファイルを保存できません。");
    const std::wstring tmp = path + L"." + std::to_wstring(GetCurrentProcessId()) + L".tmp";
    bool ok = false;
    {
        mrv::UniqueHandle f = mrv::AdoptHandle(
            CreateFileW(tmp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        ok = f && WriteLines(f.get(), lines) && FlushFileBuffers(f.get());
    }
    if (ok) ok = MoveFileExW(tmp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!ok) {
        DeleteFileW(tmp.c_str());
        throw mrv::FileError(path + L"\nリストファイルを保存できません。");
    }
}

void SaveLocked(const std::wstring& path, const mrv::StringList& lines) {
    WriteWholeFileAtomically(path, lines);
    Remember(path);
}

}  // namespace

bool LoadListFile(const std::wstring& path, mrv::StringList& list) {
    ListFileLock lock(path);
    bool exists = false;
    try {
        const mrv::UniqueHandle f = OpenListFile(path);
        exists = static_cast<bool>(f);
        if (exists) ReadLines(f.get(), path, list);
        else list.clear();
    } catch (...) {
        // Whatever the list holds now, it is not known to be what the file should keep.
        LastSynced()[UpperPath(path)].damaged = true;
        throw;
    }
    Remember(path);
    return exists;
}

void SaveListFile(const std::wstring& path, const mrv::StringList& list) {
    ListFileLock lock(path);
    Stamp now;
    const auto known = LastSynced().find(UpperPath(path));
    if (known != LastSynced().end() && known->second.damaged) return;
    if (known != LastSynced().end() && StampOf(path, now) && !(now == known->second)) {
        // Another process changed the file since this one read it; its reload request is on its
        // way and would replace this copy anyway, so keep the file as it is.
        return;
    }
    SaveLocked(path, list);
}

void AppendToListFile(const std::wstring& path, const std::string& line) {
    ListFileLock lock(path);
    mrv::StringList list;
    if (const mrv::UniqueHandle f = OpenListFile(path)) ReadLines(f.get(), path, list);
    list.push_back(line);
    SaveLocked(path, list);
}

std::wstring ListWriteName() {
    return mrv::app::ExeDir() + (gv_sUserName.empty() ? std::wstring(L"MURAVINE") : gv_sUserName) + L".LST";
}
