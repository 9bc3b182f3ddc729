// The real program as separate processes: the W command and the change at start-up, with a decoder
// registered as Susie's plug-in folder.
#include <gtest/gtest.h>

#include "core/muravine_rtn.h"
#include "core/text.h"
#include "imaging_kit.h"
#include "testkit.h"

namespace {

const std::wstring kSettings = L"Software\\ORMI\\MURAVINE";

// The program copied into a folder of its own, so that its list file lands there.
class WallpaperRun : public ::testing::Test {
protected:
    void SetUp() override {
        testkit::DeleteKeyTree(L"Software\\ORMI");
        testkit::DeleteKeyTree(L"Software\\Takechin");
        ASSERT_TRUE(CopyFileW(testkit::MuravineExe().c_str(), exe.c_str(), FALSE));
        testkit::WriteRegString(kSettings, L"ChangedBMP", changed);
        testkit::WriteRegString(imgkit::kSusieKey, L"Path", testkit::PluginDir() + L"\\good");
        imgkit::SetDesktop(L"7", L"7", L"before");
    }
    void TearDown() override {
        testkit::CloseResidentProgram();
        testkit::DeleteKeyTree(L"Software\\ORMI");
        testkit::DeleteKeyTree(L"Software\\Takechin");
    }
    std::wstring Cmd(const std::wstring& args) const { return testkit::Quote(exe) + L" " + args; }
    std::wstring Write(const std::wstring& name, const std::string& bytes) const {
        testkit::WriteBytes(dir / name, bytes);
        return dir / name;
    }
    testkit::TempDir dir{L"wprun"};
    std::wstring exe = dir / L"MURAVINE.exe";
    std::wstring list = dir / L"root.LST";
    std::wstring changed = dir / L"changed.bmp";
};

std::string A(const std::wstring& w) { return mrv::WideToAnsi(w); }

}  // namespace

TEST_F(WallpaperRun, WCommandConvertsThePictureAndAppliesItInTheNamedStyle) {
    const imgkit::Picture p = imgkit::MakePicture(8, 9, 7);
    const std::wstring pic = Write(L"sea view.mrt", imgkit::MrtBytes(p));
    struct Case {
        const wchar_t* verb;
        const wchar_t* tile;
        const wchar_t* style;
    } cases[] = {{L"/wt", L"1", L"0"}, {L"-WS", L"0", L"2"}, {L"/wc", L"0", L"0"}, {L"zwx", L"0", L"0"}};
    testkit::DialogWatcher boxes;
    for (const auto& c : cases) {
        SCOPED_TRACE(testkit::Narrow(c.verb));
        testkit::WriteBytes(changed, "earlier");
        EXPECT_EQ(testkit::Run(Cmd(std::wstring(c.verb) + L" " + testkit::Quote(pic))), 0);
        EXPECT_EQ(imgkit::Desktop(L"TileWallpaper"), c.tile);
        EXPECT_EQ(imgkit::Desktop(L"WallpaperStyle"), c.style);
        EXPECT_EQ(imgkit::Desktop(L"Wallpaper"), changed);
        EXPECT_EQ(testkit::ReadBytes(changed),
                  imgkit::ExpectedBmp(p, 1078, static_cast<std::uint32_t>(p.pixels.size())));
        EXPECT_FALSE(testkit::FileExists(changed + L".mrv-old")) << "the replaced bitmap is gone when the command ends";
    }
    EXPECT_TRUE(boxes.Seen().empty());
    EXPECT_FALSE(testkit::FileExists(list)) << "the W command leaves the list alone";
    bool stored = true;
    testkit::ReadRegDword(kSettings, L"SaveSetting", &stored);
    EXPECT_FALSE(stored) << "and the settings";
}

TEST_F(WallpaperRun, WCommandReportsADecoderFailureAndChangesNothing) {
    imgkit::Picture p = imgkit::MakePicture(24, 4, 4);
    p.flags = imgkit::kFail;
    const std::wstring pic = Write(L"broken.mrt", imgkit::MrtBytes(p));
    testkit::DialogWatcher boxes;
    EXPECT_EQ(testkit::Run(Cmd(L"/wt " + testkit::Quote(pic))), 0);
    ASSERT_TRUE(boxes.WaitFor(1));
    EXPECT_EQ(boxes.Seen()[0].caption, L"MURAVINE");
    EXPECT_EQ(boxes.Seen()[0].text, pic + L"\n画像を読み込めません。(プラグインのエラー 3)");
    EXPECT_EQ(imgkit::Desktop(L"TileWallpaper"), L"7");
    EXPECT_EQ(imgkit::Desktop(L"Wallpaper"), L"before");
    EXPECT_FALSE(testkit::FileExists(changed));
}

TEST_F(WallpaperRun, StartupLaunchWaitsChangesToTheNextEntryAndEnds) {
    const imgkit::Picture p = imgkit::MakePicture(24, 8, 6);
    const std::wstring a = Write(L"a.bmp", imgkit::SolidBmp(4, 4, RGB(1, 2, 3)));
    const std::wstring b = Write(L"b.mrt", imgkit::MrtBytes(p));
    const std::wstring c = Write(L"c.bmp", imgkit::SolidBmp(4, 4, RGB(4, 5, 6)));
    testkit::WriteBytes(list, "1,0," + A(a) + ",\r\n0,1," + A(b) + ",\r\n0,2," + A(c) + ",\r\n");
    testkit::WriteRegDword(kSettings, L"ChangeTiming", 1);
    testkit::WriteRegDword(kSettings, L"ExitAtOnce", 1);
    testkit::WriteRegDword(kSettings, L"BootDelay", 1);
    testkit::WriteRegDword(kSettings, L"WallIndex", 0);

    const DWORD start = GetTickCount();
    EXPECT_EQ(testkit::Run(Cmd(L"/startup"), 30000), 0);
    EXPECT_GE(GetTickCount() - start, 1000u) << "the boot delay comes first";
    EXPECT_EQ(FindWindowW(kMainWindowClass, nullptr), nullptr);
    EXPECT_EQ(imgkit::Desktop(L"TileWallpaper"), L"1");
    EXPECT_EQ(imgkit::Desktop(L"WallpaperStyle"), L"0");
    EXPECT_EQ(imgkit::Desktop(L"Wallpaper"), changed);
    EXPECT_EQ(testkit::ReadBytes(changed), imgkit::ExpectedBmp(p, 54, static_cast<std::uint32_t>(p.pixels.size())));
    EXPECT_EQ(testkit::ReadBytes(list), "1,0," + A(a) + ",\r\n1,1," + A(b) + ",,\r\n0,2," + A(c) + ",\r\n");
    EXPECT_EQ(testkit::ReadRegDword(kSettings, L"WallIndex"), 1u);
}

TEST_F(WallpaperRun, SecretStartupChangeOnlyRecordsTheWallpaper) {
    // Random order with one entry left in the pass: it is the one chosen.
    const std::wstring a = Write(L"a.bmp", imgkit::SolidBmp(4, 4, RGB(1, 2, 3)));
    const std::wstring b = Write(L"b.bmp", imgkit::SolidBmp(4, 4, RGB(4, 5, 6)));
    testkit::WriteBytes(list, "1,0," + A(a) + ",\r\n0,2," + A(b) + ",\r\n1,1," + A(a) + ",\r\n");
    const std::wstring marker = dir / L"started.txt";
    testkit::WriteRegDword(kSettings, L"ChangeTiming", 1);
    testkit::WriteRegDword(kSettings, L"ChangeOperate", 1);
    testkit::WriteRegDword(kSettings, L"ChangeSecret", 1);
    testkit::WriteRegDword(kSettings, L"ExitAtOnce", 1);
    testkit::WriteRegString(kSettings, L"LaunchApplication", L"cmd.exe /c echo started> \"" + marker + L"\"");

    EXPECT_EQ(testkit::Run(Cmd(L"/startup"), 30000), 0);
    EXPECT_EQ(imgkit::Desktop(L"TileWallpaper"), L"0");
    EXPECT_EQ(imgkit::Desktop(L"WallpaperStyle"), L"2");
    EXPECT_EQ(imgkit::Desktop(L"Wallpaper"), b);
    EXPECT_EQ(testkit::ReadBytes(list), "1,0," + A(a) + ",\r\n1,2," + A(b) + ",,\r\n1,1," + A(a) + ",\r\n");
    Sleep(1500);
    EXPECT_FALSE(testkit::FileExists(marker)) << "a change recorded for the next logon starts nothing";
}
