// The options dialog's ties to the shell and the plug-ins: the plug-in page and its double click,
// the two file dialogs, the Startup shortcut and help.
#include "option_fixture.h"

#include <commctrl.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include "classes_kit.h"
#include "core/handles.h"
#include "core/text.h"

using optkit::Text;

namespace {

// The file name box of a common file dialog, whichever form it takes.
HWND FileNameBox(HWND fileDialog) {
    for (int id : {0x47c /* cmb13 */, 0x480 /* edt1 */})
        if (HWND h = GetDlgItem(fileDialog, id)) return h;
    return nullptr;
}

// The type list's entries of a common file dialog.
std::vector<std::wstring> FileTypes(HWND fileDialog) { return optkit::Items(GetDlgItem(fileDialog, 0x470 /* cmb1 */)); }

std::wstring StartupLink() {
    wchar_t buf[4096] = {};
    DWORD size = sizeof buf - sizeof(wchar_t);
    RegGetValueW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", L"Startup",
                 RRF_RT_REG_SZ, nullptr, buf, &size);
    return std::wstring(buf) + L"\\むらびね for Win32.lnk";
}

void MakeLink(const std::wstring& link, const std::wstring& target) {
    mrv::ComApartment com;
    mrv::ComPtr<IShellLinkW> sl;
    ASSERT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, sl.put_void())));
    sl->SetPath(target.c_str());
    mrv::ComPtr<IPersistFile> pf;
    ASSERT_TRUE(SUCCEEDED(sl->QueryInterface(IID_IPersistFile, pf.put_void())));
    ASSERT_TRUE(SUCCEEDED(pf->Save(link.c_str(), TRUE)));
}

class ShellTest : public OptionTest {
protected:
    // Opens a file dialog with a button of the dialog's second page; returns the file dialog.
    HWND OpenFileDialog(int button) {
        Open();
        Page(1);
        optkit::PostClick(C(button));
        HWND fd = optkit::WaitForOwned(dlg, L"#32770");
        EXPECT_NE(fd, nullptr);
        return fd;
    }
    // Types a name into the file dialog and confirms it, as a user would.
    void Choose(HWND fd, const std::wstring& name) {
        HWND box = FileNameBox(fd);
        ASSERT_NE(box, nullptr);
        optkit::Type(box, name);
        optkit::PostClick(GetDlgItem(fd, IDOK));
        EXPECT_TRUE(optkit::WaitGone(fd));
        ui.Call([] {});
    }
};

}  // namespace

TEST_F(ShellTest, PluginPageListsTheCatalogueRowByRow) {
    UsePlugins(L"catalogue");
    Open();
    Page(2);
    HWND list = C(IDC_OPT_SUSIE);
    ASSERT_TRUE(IsWindowVisible(list));
    const std::size_t n = gv_lstSusieExt->size();
    ASSERT_GE(n, 4u);
    ASSERT_EQ(optkit::RowCount(list), static_cast<int>(n)) << "one row per pattern, none merged";
    for (std::size_t i = 0; i < n; ++i) {
        const int row = static_cast<int>(i);
        EXPECT_EQ(optkit::Cell(list, row, 0), mrv::AnsiToWide((*gv_lstSusieExt)[i])) << i;
        EXPECT_EQ(optkit::Cell(list, row, 1), (*gv_lstSusieFile)[i]) << i;
        EXPECT_EQ(optkit::Cell(list, row, 2), mrv::AnsiToWide((*gv_lstSusieDesc)[i])) << i;
    }
    // Two decoders that read the same type give two rows.
    int mrt = 0;
    for (int r = 0; r < optkit::RowCount(list); ++r) mrt += lstrcmpiW(optkit::Cell(list, r, 0).c_str(), L"*.mrt") == 0;
    EXPECT_EQ(mrt, 2);
    // Every column shows its caption whole.
    HDC dc = GetDC(list);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(list, WM_GETFONT, 0, 0)));
    for (int c = 0; c < 3; ++c) {
        const wchar_t* caption[] = {L"拡張子", L"ファイル", L"説明"};
        SIZE sz{};
        GetTextExtentPoint32W(dc, caption[c], lstrlenW(caption[c]), &sz);
        EXPECT_GT(SendMessageW(list, LVM_GETCOLUMNWIDTH, c, 0), sz.cx) << c;
    }
    SelectObject(dc, old);
    ReleaseDC(list, dc);
}

TEST_F(ShellTest, WithoutPluginsThePageIsEmptyAndADoubleClickOpensNothing) {
    ASSERT_FALSE(gv_lstSusieExt);
    Open();
    Page(2);
    HWND list = C(IDC_OPT_SUSIE);
    EXPECT_EQ(optkit::RowCount(list), 0);
    optkit::DoubleClickRow(list, -1);
    EXPECT_EQ(optkit::WaitForOwned(dlg, L"#32770", 600), nullptr);
    EXPECT_TRUE(IsWindowEnabled(dlg));
}

TEST_F(ShellTest, DoubleClickOnARowOpensTheRegistrationForItsPattern) {
    classes::Associations assoc;
    assoc.Map(L".mrt", L"MrvTest.Picture");
    UsePlugins(L"twins");
    Open();
    Page(2);
    HWND list = C(IDC_OPT_SUSIE);
    ASSERT_EQ(optkit::RowCount(list), 2);
    const std::wstring first = optkit::Cell(list, 0, 0), second = optkit::Cell(list, 1, 0);
    optkit::DoubleClickRow(list, 0);
    HWND reg = optkit::WaitForDialog(L"エクスプローラ右クリックに追加(" + first + L")");
    ASSERT_NE(reg, nullptr);
    optkit::Click(GetDlgItem(reg, IDC_OPT2_ADDCENTER));
    optkit::Click(GetDlgItem(reg, IDOK));
    ASSERT_TRUE(optkit::WaitGone(reg));
    EXPECT_TRUE(classes::Exists(L"MrvTest.Picture\\shell\\MURAVINEAddCenter\\command"));
    // The other decoder's row, spelled in capitals, opens the same registration.
    optkit::DoubleClickRow(list, 1);
    reg = optkit::WaitForDialog(L"エクスプローラ右クリックに追加(" + second + L")");
    ASSERT_NE(reg, nullptr);
    EXPECT_TRUE(optkit::Checked(GetDlgItem(reg, IDC_OPT2_ADDCENTER)));
    optkit::Click(GetDlgItem(reg, IDCANCEL));
    ASSERT_TRUE(optkit::WaitGone(reg));
    // No row chosen: a double click does nothing at all.
    LVITEMW none{};
    none.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&none));
    ASSERT_EQ(SendMessageW(list, LVM_GETSELECTEDCOUNT, 0, 0), 0);
    optkit::DoubleClickRow(list, -1);
    EXPECT_EQ(optkit::WaitForOwned(dlg, L"#32770", 600), nullptr);
    EXPECT_TRUE(ui.closed().empty());
}

TEST_F(ShellTest, ProgramBrowserPutsTheChosenProgramOrTheTargetOfAShortcut) {
    const std::wstring tool = dir / L"after change.exe";
    testkit::WriteBytes(tool, "MZ");
    const std::wstring link = dir / L"after change.lnk";
    MakeLink(link, tool);
    HWND fd = OpenFileDialog(IDC_OPT_BROWSEAPPS);
    ASSERT_NE(fd, nullptr);
    EXPECT_EQ(FileTypes(fd), (std::vector<std::wstring>{L"プログラム"}));
    Choose(fd, tool);
    EXPECT_EQ(Text(C(IDC_OPT_APPS)), tool);

    optkit::PostClick(C(IDC_OPT_BROWSEAPPS));
    fd = optkit::WaitForOwned(dlg, L"#32770");
    ASSERT_NE(fd, nullptr);
    Choose(fd, link);
    EXPECT_EQ(Text(C(IDC_OPT_APPS)), tool) << "a shortcut gives what it points to";

    // Cancelled: the edit keeps its text, and only 適用 stores it.
    optkit::Type(C(IDC_OPT_APPS), L"kept.exe");
    optkit::PostClick(C(IDC_OPT_BROWSEAPPS));
    fd = optkit::WaitForOwned(dlg, L"#32770");
    ASSERT_NE(fd, nullptr);
    optkit::PostClick(GetDlgItem(fd, IDCANCEL));
    ASSERT_TRUE(optkit::WaitGone(fd));
    EXPECT_EQ(Text(C(IDC_OPT_APPS)), L"kept.exe");
    EXPECT_EQ(OnUi([] { return gv_sLaunchApplication; }), L"");
}

TEST_F(ShellTest, BitmapBrowserTakesANewNameAsTypedWithoutAskingToOverwrite) {
    const std::wstring existing = dir / L"exists.bmp";
    testkit::WriteBytes(existing, "BM");
    HWND fd = OpenFileDialog(IDC_OPT_BROWSEBMP);
    ASSERT_NE(fd, nullptr);
    EXPECT_EQ(FileTypes(fd), (std::vector<std::wstring>{L"ビットマップ(*.BMP)"}));
    Choose(fd, dir / L"newwall");
    EXPECT_EQ(Text(C(IDC_OPT_BMP)), dir / L"newwall") << "no extension is appended";

    optkit::PostClick(C(IDC_OPT_BROWSEBMP));
    fd = optkit::WaitForOwned(dlg, L"#32770");
    ASSERT_NE(fd, nullptr);
    // An overwrite question would hold the file dialog open.
    Choose(fd, existing);
    EXPECT_EQ(Text(C(IDC_OPT_BMP)), existing);
    optkit::Click(C(IDOK));
    ASSERT_TRUE(ui.WaitClosed(1));
    EXPECT_EQ(gv_sChangedBMP, existing);
}

TEST_F(ShellTest, ShortcutButtonWritesTheStartupShortcutAndTheDialogStaysOpen) {
    const std::wstring link = StartupLink();
    DeleteFileW(link.c_str());
    ASSERT_TRUE(CopyFileW(testkit::MuravineExe().c_str(), mrv::app::ExePath().c_str(), FALSE));
    Open();
    for (int press = 0; press < 2; ++press) {
        optkit::Click(C(IDC_OPT_SHORTCUT));
        ASSERT_TRUE(testkit::FileExists(link)) << press;
    }
    EXPECT_TRUE(IsWindowVisible(dlg));
    EXPECT_TRUE(ui.closed().empty());

    mrv::ComApartment com;
    mrv::ComPtr<IShellLinkW> sl;
    ASSERT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, sl.put_void())));
    mrv::ComPtr<IPersistFile> pf;
    ASSERT_TRUE(SUCCEEDED(sl->QueryInterface(IID_IPersistFile, pf.put_void())));
    ASSERT_TRUE(SUCCEEDED(pf->Load(link.c_str(), STGM_READ)));
    wchar_t path[MAX_PATH] = {}, args[MAX_PATH] = {}, work[MAX_PATH] = {}, desc[MAX_PATH] = {};
    sl->GetPath(path, MAX_PATH, nullptr, 0);
    sl->GetArguments(args, MAX_PATH);
    sl->GetWorkingDirectory(work, MAX_PATH);
    sl->GetDescription(desc, MAX_PATH);
    EXPECT_EQ(lstrcmpiW(path, mrv::app::ExePath().c_str()), 0) << testkit::Narrow(path);
    EXPECT_EQ(std::wstring(args), L"/startup");
    // The folder with or without its closing backslash: the link stores it as the shell likes.
    std::wstring folder = mrv::app::ExeDir(), got = work;
    if (!got.empty() && got.back() != L'\\') got += L'\\';
    EXPECT_EQ(lstrcmpiW(got.c_str(), folder.c_str()), 0) << testkit::Narrow(work);
    EXPECT_EQ(std::wstring(desc), L"むらびね for Win32");
    pf.reset();
    sl.reset();
    DeleteFileW(link.c_str());
}

TEST_F(ShellTest, HelpOpensTheHelpFileBesideTheProgramOwnedByTheDialog) {
    std::wstring chm = mrv::app::ExePath();
    chm.replace(chm.size() - 4, 4, L".CHM");
    ASSERT_TRUE(CopyFileW(testkit::FromUnixPath(MRV_OPTION_TEST_CHM).c_str(), chm.c_str(), FALSE));
    Open();
    optkit::Click(C(IDC_OPT_HELP));
    HWND viewer = optkit::WaitForOwned(dlg, L"HH Parent");
    ASSERT_NE(viewer, nullptr) << "the viewer belongs to the dialog";
    EXPECT_TRUE(IsWindowVisible(dlg));
    EXPECT_TRUE(ui.closed().empty());
    SendMessageW(viewer, WM_CLOSE, 0, 0);
    optkit::WaitGone(viewer);
}
