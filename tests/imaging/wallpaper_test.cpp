// Applying list entries and files to the desktop of the Wine prefix, inside the test program.
#include "core/listfile.h"
#include "core/text.h"
#include "imaging_fixture.h"

namespace {

class Wallpaper : public ImagingTest {
protected:
    void SetUp() override {
        ImagingTest::SetUp();
        gv_lstWall = std::make_unique<mrv::StringList>();
        imgkit::SetDesktop(L"7", L"7", L"before");
    }
    // A list of one entry, chosen.
    void Choose(const std::string& line) {
        *gv_lstWall = {line};
        gv_iWallIndex = 0;
    }
    std::wstring Bitmap(const std::wstring& name, COLORREF color = RGB(10, 20, 30)) const {
        testkit::WriteBytes(dir / name, imgkit::SolidBmp(4, 4, color));
        return dir / name;
    }
    static std::wstring Shown() {
        wchar_t buf[MAX_PATH + 1] = {};
        SystemParametersInfoW(SPI_GETDESKWALLPAPER, MAX_PATH, buf, 0);
        return buf;
    }
    // What the screen shows at a point of the desktop, once the desktop has repainted.
    static COLORREF DesktopPixel(int x, int y) {
        Sleep(300);
        HDC dc = GetDC(nullptr);
        const COLORREF c = GetPixel(dc, x, y);
        ReleaseDC(nullptr, dc);
        return c;
    }
    // Waits for a file that a started program writes.
    static bool Appears(const std::wstring& path, DWORD ms) {
        for (DWORD waited = 0; waited < ms; waited += 50) {
            if (testkit::FileExists(path)) return true;
            Sleep(50);
        }
        return testkit::FileExists(path);
    }
    void ExpectDesktopUntouched() const {
        EXPECT_EQ(imgkit::Desktop(L"TileWallpaper"), L"7");
        EXPECT_EQ(imgkit::Desktop(L"WallpaperStyle"), L"7");
        EXPECT_EQ(imgkit::Desktop(L"Wallpaper"), L"before");
    }
};

std::string A(const std::wstring& w) { return mrv::WideToAnsi(w); }

}  // namespace

TEST_F(Wallpaper, EachStyleIsWrittenThenTheDesktopChangesAndTheEntryIsMarked) {
    const std::wstring bmp = Bitmap(L"tile.bmp");
    struct Case {
        const char* style;
        const wchar_t* tile;
        const wchar_t* wallpaperStyle;
    } cases[] = {{"0", L"0", L"0"}, {"1", L"1", L"0"}, {"2", L"0", L"2"}, {"5", L"0", L"0"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.style);
        Choose(std::string("0,") + c.style + "," + A(bmp) + ",");
        ChangeWallpaper(false);
        EXPECT_EQ(imgkit::Desktop(L"TileWallpaper"), c.tile);
        EXPECT_EQ(imgkit::Desktop(L"WallpaperStyle"), c.wallpaperStyle);
        EXPECT_EQ(imgkit::Desktop(L"Wallpaper"), bmp);
        EXPECT_EQ(Shown(), bmp);
        EXPECT_EQ((*gv_lstWall)[0], std::string("1,") + c.style + "," + A(bmp) + ",,");
        imgkit::SetDesktop(L"7", L"7", L"before");
    }
    // Any case of the extension is a bitmap; the archive field is carried over.
    const std::wstring upper = Bitmap(L"sea.Bmp");
    Choose("0,1," + A(upper) + ",C:\\arc.lzh");
    ChangeWallpaper(false);
    EXPECT_EQ(Shown(), upper);
    EXPECT_EQ((*gv_lstWall)[0], "1,1," + A(upper) + ",C:\\arc.lzh,");
}

TEST_F(Wallpaper, RegistryOnlyRecordsTheWallpaperAndStartsNothing) {
    const std::wstring marker = dir / L"started.txt";
    gv_sLaunchApplication = L"cmd.exe /c echo started> \"" + marker + L"\"";
    const std::wstring now = Bitmap(L"now.bmp", RGB(200, 0, 0));
    SetWallpaperFile(now, 1);
    EXPECT_EQ(DesktopPixel(10, 10), RGB(200, 0, 0));
    ASSERT_TRUE(Appears(marker, 20000)) << "a change starts the configured program";
    DeleteFileW(marker.c_str());

    const std::wstring later = Bitmap(L"later.bmp", RGB(0, 200, 0));
    Choose("0,1," + A(later) + ",");
    ChangeWallpaper(true);
    EXPECT_EQ(imgkit::Desktop(L"TileWallpaper"), L"1");
    EXPECT_EQ(imgkit::Desktop(L"WallpaperStyle"), L"0");
    EXPECT_EQ(imgkit::Desktop(L"Wallpaper"), later);
    EXPECT_EQ(DesktopPixel(10, 10), RGB(200, 0, 0)) << "the desktop shows what it showed";
    EXPECT_EQ((*gv_lstWall)[0], "1,1," + A(later) + ",,");
    EXPECT_FALSE(Appears(marker, 2000));
}

TEST_F(Wallpaper, AConvertedPictureIsShownThroughTheBitmapAndListedByItsOwnPath) {
    UsePlugins(L"good");
    const imgkit::Picture p = imgkit::MakePicture(24, 6, 4);
    const std::wstring pic = WritePicture(L"sea.mrt", p);
    Choose("0,2," + A(pic) + ",");
    ChangeWallpaper(false);
    EXPECT_EQ(imgkit::Desktop(L"WallpaperStyle"), L"2");
    EXPECT_EQ(Shown(), changed);
    EXPECT_EQ(testkit::ReadBytes(changed), imgkit::ExpectedBmp(p, 54, static_cast<std::uint32_t>(p.pixels.size())));
    EXPECT_EQ((*gv_lstWall)[0], "1,2," + A(pic) + ",,");

    Choose("0,0," + A(pic) + ",");
    ChangeWallpaper(true);
    EXPECT_EQ(imgkit::Desktop(L"Wallpaper"), changed) << "the record names the shared converted bitmap";
}

TEST_F(Wallpaper, NothingChangesWhenThePictureIsMissingOrCannotBeConverted) {
    UsePlugins(L"good");
    imgkit::Picture broken = imgkit::MakePicture(24, 2, 2);
    broken.flags = imgkit::kFail;
    const std::wstring bad = WritePicture(L"bad.mrt", broken);
    const std::wstring gone = dir / L"gone.bmp";
    struct Case {
        std::wstring path;
        std::wstring says;
    } cases[] = {{gone, gone + L"\nファイルが見つかりません。"},
                 {bad, bad + L"\n画像を読み込めません。(プラグインのエラー 3)"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testkit::Narrow(c.path));
        testkit::DialogWatcher boxes;
        const std::string line = "0,1," + A(c.path) + ",";
        Choose(line);
        ChangeWallpaper(false);
        SetWallpaperFile(c.path, 1);
        ASSERT_TRUE(boxes.WaitFor(2));
        EXPECT_EQ(boxes.Seen()[0].text, c.says);
        EXPECT_EQ(boxes.Seen()[1].text, c.says);
        EXPECT_EQ((*gv_lstWall)[0], line);
        ExpectDesktopUntouched();
    }
}

TEST_F(Wallpaper, MalformedLinesFailBeforeOrAfterTheChangeAsTheirFieldsAreRead) {
    const std::wstring bmp = Bitmap(L"a.bmp");
    Choose("0,x," + A(bmp) + ",");
    EXPECT_THROW(ChangeWallpaper(false), mrv::ConvertError);
    ExpectDesktopUntouched();
    Choose("0,1");
    EXPECT_THROW(ChangeWallpaper(false), mrv::ListIndexError);
    ExpectDesktopUntouched();

    // Without an archive field the picture is applied, and only marking it fails.
    const std::string three = "0,1," + A(bmp);
    Choose(three);
    EXPECT_THROW(ChangeWallpaper(false), mrv::ListIndexError);
    EXPECT_EQ(imgkit::Desktop(L"TileWallpaper"), L"1");
    EXPECT_EQ(Shown(), bmp);
    EXPECT_EQ((*gv_lstWall)[0], three);
}

TEST_F(Wallpaper, PathsLongerThanTheDesktopTakesNeverNameAnotherFile) {
    // Cut after 255 or 259 characters, the path would name one of two other bitmaps.
    const std::wstring folder = dir / std::wstring(100, L'd');
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    const std::wstring stem = folder + L"\\" + std::wstring(255 - 4 - folder.size() - 1, L'p');
    const std::wstring cut255 = stem + L".bmp", cut259 = stem + L".bmp.bmp";
    const std::wstring real = stem + L".bmp.bmp" + std::wstring(20, L'z') + L".bmp";
    ASSERT_EQ(cut255.size(), 255u);
    ASSERT_EQ(real.substr(0, 259), cut259);
    for (const auto& f : {std::pair{cut255, RGB(255, 0, 0)}, std::pair{cut259, RGB(0, 255, 0)}, std::pair{real, RGB(0, 0, 255)}})
        testkit::WriteBytes(f.first, imgkit::SolidBmp(4, 4, f.second));
    ASSERT_EQ(testkit::ReadBytes(real), imgkit::SolidBmp(4, 4, RGB(0, 0, 255)));

    const std::string line = "0,1," + A(real) + ",";
    ASSERT_GT(real.size(), 260u);
    Choose(line);
    ChangeWallpaper(false);
    EXPECT_EQ(imgkit::LongPath(Shown()), real);
    EXPECT_EQ(imgkit::LongPath(imgkit::Desktop(L"Wallpaper")), real);
    EXPECT_EQ((*gv_lstWall)[0], "1,1," + A(real) + ",,") << "the entry keeps its path whole";

    Choose(line);
    imgkit::SetDesktop(L"7", L"7", L"before");
    ChangeWallpaper(true);
    EXPECT_EQ(imgkit::LongPath(imgkit::Desktop(L"Wallpaper")), real);

    SetWallpaperFile(cut255, 0);
    EXPECT_EQ(Shown(), cut255);
    SetWallpaperFile(real, 2);
    EXPECT_EQ(imgkit::LongPath(Shown()), real);
    EXPECT_EQ(imgkit::Desktop(L"WallpaperStyle"), L"2");
}

TEST_F(Wallpaper, AFileNamedRelativeToTheCurrentFolderIsAppliedByItsFullPath) {
    const std::wstring bmp = Bitmap(L"here.bmp");
    wchar_t old[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, old);
    ASSERT_TRUE(SetCurrentDirectoryW(dir.path().c_str()));
    SetWallpaperFile(L"here.bmp", 1);
    SetCurrentDirectoryW(old);
    EXPECT_EQ(Shown(), bmp);
    EXPECT_EQ(imgkit::Desktop(L"Wallpaper"), bmp);
    EXPECT_EQ(imgkit::Desktop(L"TileWallpaper"), L"1");
}
