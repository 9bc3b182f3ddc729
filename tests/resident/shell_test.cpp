// The shell services: the Startup shortcut read back through the shell link object, and the help
// file with its keyword index, read through the help system's own storage and shown in its viewer.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <map>
#include <regex>
#include <string>

#include "core/app.h"
#include "core/handles.h"
#include "core/muravine_rtn.h"
#include "core/text.h"
#include "resident_kit.h"
#include "testkit.h"

// The help system's storage of compiled help files (itss), as its header declares it. Declared
// outside the anonymous namespace: its implementation lives in itss.dll, and a type local to this
// file would let the compiler conclude that nothing implements it.
struct IITStorage : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE StgCreateDocfile(const WCHAR*, DWORD, DWORD, IStorage**) = 0;
    virtual HRESULT STDMETHODCALLTYPE StgCreateDocfileOnILockBytes(ILockBytes*, DWORD, DWORD, IStorage**) = 0;
    virtual HRESULT STDMETHODCALLTYPE StgIsStorageFile(const WCHAR*) = 0;
    virtual HRESULT STDMETHODCALLTYPE StgIsStorageILockBytes(ILockBytes*) = 0;
    virtual HRESULT STDMETHODCALLTYPE StgOpenStorage(const WCHAR*, IStorage*, DWORD, SNB, DWORD, IStorage**) = 0;
};
namespace {

const std::wstring kShellFolders = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

struct Link {
    std::wstring path, args, dir, description;
};

Link ReadLink(const std::wstring& file) {
    Link out;
    mrv::ComApartment com;
    mrv::ComPtr<IShellLinkW> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.put_void())))
        return out;
    mrv::ComPtr<IPersistFile> pf;
    if (FAILED(link->QueryInterface(IID_IPersistFile, pf.put_void())) || FAILED(pf->Load(file.c_str(), STGM_READ)))
        return out;
    wchar_t buf[MAX_PATH * 2] = {};
    link->GetPath(buf, MAX_PATH * 2, nullptr, SLGP_RAWPATH);
    out.path = buf;
    buf[0] = 0;
    link->GetArguments(buf, MAX_PATH * 2);
    out.args = buf;
    buf[0] = 0;
    link->GetWorkingDirectory(buf, MAX_PATH * 2);
    out.dir = buf;
    buf[0] = 0;
    link->GetDescription(buf, MAX_PATH * 2);
    out.description = buf;
    return out;
}

int CountLinks(const std::wstring& folder) {
    int n = 0;
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((folder + L"\\*.lnk").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return 0;
    do {
        if (std::wstring(fd.cFileName).find(L"むらびね") != std::wstring::npos) ++n;
    } while (FindNextFileW(h, &fd));
    FindClose(h);
    return n;
}

std::wstring BuiltHelpFile() {
    std::wstring exe = testkit::MuravineExe();
    return exe.substr(0, exe.size() - 4) + L".CHM";
}

constexpr CLSID kClsidITStorage = {0x5d02926a, 0x212e, 0x11d0, {0x9d, 0xf9, 0x00, 0xa0, 0xc9, 0x22, 0xe6, 0xec}};
constexpr IID kIidITStorage = {0x88cc31de, 0x27ab, 0x11d0, {0x9d, 0xf9, 0x00, 0xa0, 0xc9, 0x22, 0xe6, 0xec}};

// One file inside a compiled help file, as the help viewer reads it.
std::string ReadHelpStream(const std::wstring& chm, const std::wstring& name) {
    mrv::ComApartment com;
    mrv::ComPtr<IITStorage> its;
    if (FAILED(CoCreateInstance(kClsidITStorage, nullptr, CLSCTX_INPROC_SERVER, kIidITStorage, its.put_void())))
        return {};
    mrv::ComPtr<IStorage> storage;
    if (FAILED(its->StgOpenStorage(chm.c_str(), nullptr, STGM_READ | STGM_SHARE_DENY_WRITE, nullptr, 0, storage.put())))
        return {};
    mrv::ComPtr<IStream> stream;
    if (FAILED(storage->OpenStream(name.c_str(), nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, stream.put())))
        return {};
    std::string out;
    char buf[4096];
    ULONG got = 0;
    while (SUCCEEDED(stream->Read(buf, sizeof buf, &got)) && got > 0) out.append(buf, got);
    return out;
}

std::wstring FromCp932(const std::string& s) {
    const int n = MultiByteToWideChar(932, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring w(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(932, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
    return w;
}

// Keyword -> topic, as the index's sitemap states them.
std::map<std::wstring, std::wstring> IndexEntries(const std::wstring& hhk) {
    std::map<std::wstring, std::wstring> out;
    const std::wregex entry(LR"re(<param name="Name" value="([^"]*)">\s*<param name="Local" value="([^"]*)">)re");
    for (std::wsregex_iterator it(hhk.begin(), hhk.end(), entry), end; it != end; ++it) out[(*it)[1]] = (*it)[2];
    return out;
}

// Every item of every list view among the children (the viewer's index is one).
BOOL CALLBACK ListViewItems(HWND child, LPARAM lp) {
    wchar_t cls[64] = {};
    GetClassNameW(child, cls, 64);
    if (std::wstring(cls) != WC_LISTVIEWW) return TRUE;
    auto* out = reinterpret_cast<std::vector<std::wstring>*>(lp);
    const int n = ListView_GetItemCount(child);
    for (int i = 0; i < n; ++i) {
        wchar_t text[256] = {};
        ListView_GetItemText(child, i, 0, text, 256);
        out->push_back(text);
    }
    return TRUE;
}

class ShellTest : public ::testing::Test {
protected:
    void SetUp() override { testkit::ResetCoreGlobals(dir.path()); }
    void TearDown() override {
        testkit::ResetCoreGlobals(dir.path());
        reskit::Pump(30);
        reskit::DrainQuit();
    }
    testkit::TempDir dir{L"shell"};
};

}  // namespace

TEST_F(ShellTest, StartupShortcutLaunchesTheProgramWhereItIsNow) {
    const std::wstring startup = testkit::ReadRegString(kShellFolders, L"Startup");
    ASSERT_FALSE(startup.empty());
    const std::wstring lnk = startup + L"\\むらびね for Win32.lnk";
    DeleteFileW(lnk.c_str());
    testkit::TempDir other(L"moved");
    for (const std::wstring& folder : {dir.path(), other.path()}) {
        ASSERT_TRUE(CopyFileW(testkit::MuravineExe().c_str(), (folder + L"\\MURAVINE.exe").c_str(), FALSE));
        mrv::app::SetExePath(folder + L"\\MURAVINE.exe");
        CreateStartupShortcut();
        const Link l = ReadLink(lnk);
        EXPECT_EQ(l.path, folder + L"\\MURAVINE.exe");
        EXPECT_EQ(l.args, L"/startup");
        EXPECT_EQ(l.dir, folder + L"\\");
        EXPECT_EQ(l.description, L"むらびね for Win32");
        EXPECT_EQ(CountLinks(startup), 1) << "pressed again, the one shortcut is rewritten";
    }
    DeleteFileW(lnk.c_str());
}

TEST_F(ShellTest, WithoutTheStartupValueTheShortcutStillGoesToTheStartupFolder) {
    bool had = false;
    const std::wstring saved = testkit::ReadRegString(kShellFolders, L"Startup", &had);
    wchar_t known[MAX_PATH] = {};
    ASSERT_TRUE(SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_STARTUP, nullptr, SHGFP_TYPE_CURRENT, known)));
    const std::wstring lnk = std::wstring(known) + L"\\むらびね for Win32.lnk";
    wchar_t cwd[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, cwd);
    const std::wstring rootLnk = std::wstring(cwd).substr(0, 2) + L"\\むらびね for Win32.lnk";
    DeleteFileW(lnk.c_str());
    ASSERT_TRUE(CopyFileW(testkit::MuravineExe().c_str(), (dir / L"MURAVINE.exe").c_str(), FALSE));
    mrv::app::SetExePath(dir / L"MURAVINE.exe");

    RegDeleteKeyValueW(HKEY_CURRENT_USER, kShellFolders.c_str(), L"Startup");
    CreateStartupShortcut();
    if (had) testkit::WriteRegString(kShellFolders, L"Startup", saved);

    EXPECT_EQ(ReadLink(lnk).path, dir / L"MURAVINE.exe");
    EXPECT_FALSE(testkit::FileExists(rootLnk)) << "not in the root of the drive";
    DeleteFileW(lnk.c_str());
    DeleteFileW(rootLnk.c_str());
}

TEST_F(ShellTest, HelpIndexLandsEachKeywordOnItsTopic) {
    const std::wstring chm = BuiltHelpFile();
    ASSERT_TRUE(testkit::FileExists(chm)) << "MURAVINE.CHM beside MURAVINE.exe";
    const std::wstring hhk = FromCp932(ReadHelpStream(chm, L"muravine.hhk"));
    ASSERT_FALSE(hhk.empty());
    const auto index = IndexEntries(hhk);
    const std::map<std::wstring, std::pair<std::wstring, std::wstring>> wanted = {
        {L"むらびね for Win32", {L"index.html", L"むらびね for Win32"}},
        {L"リスト画面コマンド", {L"list.html", L"リスト画面のコマンド"}},
        {L"オプション画面コマンド", {L"options.html", L"オプション画面のコマンド"}},
    };
    for (const auto& [keyword, topic] : wanted) {
        ASSERT_TRUE(index.count(keyword)) << testkit::Narrow(keyword);
        EXPECT_EQ(index.at(keyword), topic.first);
        const std::wstring page = FromCp932(ReadHelpStream(chm, topic.first));
        EXPECT_NE(page.find(L"<title>" + topic.second + L"</title>"), std::wstring::npos) << testkit::Narrow(keyword);
        EXPECT_NE(page.find(L"charset=Shift_JIS"), std::wstring::npos);
    }
    // Every entry of the index lands on a page that the file holds.
    for (const auto& [keyword, local] : index)
        EXPECT_FALSE(ReadHelpStream(chm, local).empty()) << testkit::Narrow(keyword) << " -> " << testkit::Narrow(local);
}

TEST_F(ShellTest, HelpOpensTheViewerWhoseIndexHoldsTheKeywords) {
    ASSERT_TRUE(CopyFileW(BuiltHelpFile().c_str(), (dir / L"MURAVINE.CHM").c_str(), FALSE));
    ShowHtmlHelp(nullptr, L"リスト画面コマンド");
    HWND viewer = nullptr;
    ASSERT_TRUE(reskit::PumpUntil([&] { return (viewer = FindWindowW(L"HH Parent", nullptr)) != nullptr; }));
    EXPECT_TRUE(IsWindowVisible(viewer));
    EXPECT_EQ(reskit::WindowText(viewer), L"むらびね for Win32 ヘルプ");
    EXPECT_NE(gv_hHtmlHelp, nullptr) << "kept loaded for the next request";

    std::vector<std::wstring> items;
    EnumChildWindows(viewer, ListViewItems, reinterpret_cast<LPARAM>(&items));
    for (const wchar_t* k : {L"むらびね for Win32", L"リスト画面コマンド", L"オプション画面コマンド"})
        EXPECT_NE(std::find(items.begin(), items.end(), k), items.end()) << testkit::Narrow(k);

    SendMessageW(viewer, WM_CLOSE, 0, 0);
    reskit::PumpUntil([] { return FindWindowW(L"HH Parent", nullptr) == nullptr; }, 5000);
}
