// From the options dialog to Explorer's verb: verbs registered through the dialogs are invoked by the
// shell's own verb mechanism on a file, and a copy of the program adds the file to its list or makes
// it the wallpaper, in the verb's style.
#include "option_fixture.h"

#include <shellapi.h>

#include "classes_kit.h"

using optkit::Checked;

namespace {

constexpr wchar_t kDesktop[] = L"Control Panel\\desktop";

// A 2 x 2 bitmap, 24 bits, bottom-up.
std::string TinyBitmap() {
    std::string b = "BM";
    auto put32 = [&b](std::uint32_t v) {
        for (int i = 0; i < 4; ++i) b.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    };
    auto put16 = [&b](std::uint16_t v) {
        b.push_back(static_cast<char>(v & 0xFF));
        b.push_back(static_cast<char>(v >> 8));
    };
    put32(14 + 40 + 16);
    put32(0);
    put32(14 + 40);
    put32(40);
    put32(2);
    put32(2);
    put16(1);
    put16(24);
    put32(0);
    put32(16);
    put32(2835);
    put32(2835);
    put32(0);
    put32(0);
    for (int row = 0; row < 2; ++row) b += std::string("\x00\x00\xFF\x00\xFF\x00\x00\x00", 8);
    return b;
}

// Runs a verb on a file as Explorer does, and waits for what it started.
bool InvokeVerb(const std::wstring& verb, const std::wstring& file) {
    SHELLEXECUTEINFOW sei{};
    sei.cbSize = sizeof sei;
    sei.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    sei.lpVerb = verb.c_str();
    sei.lpFile = file.c_str();
    sei.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExW(&sei) || !sei.hProcess) return false;
    const bool ended = testkit::WaitExit(sei.hProcess, 30000);
    CloseHandle(sei.hProcess);
    return ended;
}

class VerbEndToEnd : public OptionTest {
protected:
    void SetUp() override {
        OptionTest::SetUp();
        // The program in a folder whose name has a space, so both quoted parts of the command matter.
        CreateDirectoryW(programDir.c_str(), nullptr);
        ASSERT_TRUE(CopyFileW(testkit::MuravineExe().c_str(), exe.c_str(), FALSE));
        mrv::app::SetExePath(exe);
        for (const wchar_t* name : {L"Wallpaper", L"WallpaperStyle", L"TileWallpaper"})
            desktop.emplace_back(name, testkit::ReadRegString(kDesktop, name));
    }
    void TearDown() override {
        for (const auto& [name, value] : desktop) testkit::WriteRegString(kDesktop, name, value);
        OptionTest::TearDown();
    }
    // Ticks the given boxes in the registration dialog that is open now and presses OK.
    void Register(const std::wstring& target, std::initializer_list<int> boxes) {
        HWND reg = optkit::WaitForDialog(L"エクスプローラ右クリックに追加(" + target + L")");
        ASSERT_NE(reg, nullptr);
        for (int box : boxes)
            if (!Checked(GetDlgItem(reg, box))) optkit::Click(GetDlgItem(reg, box));
        optkit::Click(GetDlgItem(reg, IDOK));
        ASSERT_TRUE(optkit::WaitGone(reg));
    }
    std::string ListText() const {
        std::string all;
        WIN32_FIND_DATAW fd;
        HANDLE h = FindFirstFileW((programDir + L"\\*.LST").c_str(), &fd);
        if (h == INVALID_HANDLE_VALUE) return all;
        do all += testkit::ReadBytes(programDir + L"\\" + fd.cFileName);
        while (FindNextFileW(h, &fd));
        FindClose(h);
        return all;
    }

    std::wstring programDir = dir / L"Program Copy";
    std::wstring exe = programDir + L"\\MURAVINE.exe";
    std::vector<std::pair<std::wstring, std::wstring>> desktop;
    classes::Associations assoc;
};

}  // namespace

TEST_F(VerbEndToEnd, BitmapAndPluginVerbsRegisteredInTheDialogsRunTheProgram) {
    assoc.Map(L".bmp", L"Paint.Picture");
    assoc.Map(L".mrt", L"MrvEndToEnd.Picture");
    UsePlugins(L"good");
    mrv::app::SetExePath(exe);

    Open();
    optkit::PostClick(C(IDC_OPT_RIGHTMENU));
    Register(L"*.bmp", {IDC_OPT2_ADDTILE, IDC_OPT2_WALLSCREEN});
    Page(2);
    HWND list = C(IDC_OPT_SUSIE);
    int row = -1;
    for (int r = 0; r < optkit::RowCount(list); ++r)
        if (optkit::Cell(list, r, 0) == L"*.mrt") row = r;
    ASSERT_GE(row, 0) << "the test decoder's pattern is listed";
    optkit::DoubleClickRow(list, row);
    Register(L"*.mrt", {IDC_OPT2_ADDCENTER});
    optkit::Click(C(IDCANCEL));
    ASSERT_TRUE(ui.WaitClosed(1));

    const std::wstring picture = dir / L"my picture.bmp";
    testkit::WriteBytes(picture, TinyBitmap());
    ASSERT_TRUE(InvokeVerb(L"MURAVINEAddTile", picture));
    EXPECT_NE(ListText().find("0,1," + testkit::Narrow(picture) + ",\r\n"), std::string::npos) << ListText();

    const std::wstring decoded = dir / L"a picture.mrt";
    testkit::WriteBytes(decoded, "MRVT");
    ASSERT_TRUE(InvokeVerb(L"MURAVINEAddCenter", decoded));
    EXPECT_NE(ListText().find("0,0," + testkit::Narrow(decoded) + ",\r\n"), std::string::npos) << ListText();

    ASSERT_TRUE(InvokeVerb(L"MURAVINEWallScreen", picture));
    EXPECT_EQ(lstrcmpiW(testkit::ReadRegString(kDesktop, L"Wallpaper").c_str(), picture.c_str()), 0)
        << testkit::Narrow(testkit::ReadRegString(kDesktop, L"Wallpaper"));
    EXPECT_EQ(testkit::ReadRegString(kDesktop, L"WallpaperStyle"), L"2");
    EXPECT_EQ(testkit::ReadRegString(kDesktop, L"TileWallpaper"), L"0");

    // A verb that was not ticked is not there to invoke.
    EXPECT_FALSE(classes::Exists(L"Paint.Picture\\shell\\MURAVINEWallCenter"));
}
