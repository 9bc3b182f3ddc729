// The WIC plug-in installed as a user installs it: in the folder registered under Susie's key,
// found by the program's catalogue and driven by its own conversion, in-process and as the real
// MURAVINE.exe setting a wallpaper from the command line.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/muravine_rtn.h"
#include "core/startup.h"
#include "imaging/muravine_susie.h"
#include "testkit.h"
#include "wic_kit.h"

using namespace wictest;

namespace {

const std::wstring kSusieKey = L"Software\\Takechin\\Susie\\Plug-in";

// ifwic.sph or ifwic.spi, as this build makes it.
std::wstring PluginFileName() {
    const std::wstring path = PluginPath();
    return path.substr(path.find_last_of(L'\\') + 1);
}

class WicHost : public ::testing::Test {
protected:
    void SetUp() override {
        testkit::DeleteKeyTree(L"Software\\ORMI");
        testkit::DeleteKeyTree(L"Software\\Takechin");
        testkit::ResetCoreGlobals(dir.path());
        CreateDirectoryW(plugins.c_str(), nullptr);
        ASSERT_TRUE(CopyFileW(PluginPath().c_str(), (plugins + L"\\" + PluginFileName()).c_str(), FALSE));
        testkit::WriteRegString(kSusieKey, L"Path", plugins);
    }
    void TearDown() override {
        testkit::ResetCoreGlobals(dir.path());
        testkit::DeleteKeyTree(L"Software\\ORMI");
        testkit::DeleteKeyTree(L"Software\\Takechin");
    }
    testkit::TempDir dir{L"wichost"};
    std::wstring plugins = dir / L"plugins";
    std::wstring changed = dir / L"changed.bmp";
};

struct Conversion {
    const char* name;
    WORD bits;
    std::uint32_t offBits;
    int tolerance;
};
const Conversion kConversions[] = {
    {"rgb.jpg", 24, 54, 4},  {"orient6.jpg", 24, 54, 4}, {"gray.jpg", 8, 1078, 4}, {"rgba.png", 24, 54, 1},
    {"pal8.png", 8, 1078, 0}, {"pal4.png", 4, 118, 0},   {"mono.png", 1, 62, 0},    {"trans.gif", 8, 1078, 0},
    {"anim.gif", 24, 54, 0}, {"rgb.tif", 24, 54, 0},     {"mono.tif", 1, 62, 0},
};

// The bitmap file as the program wrote it, against ImageMagick's decoding of the picture.
void ExpectBitmapOf(const std::wstring& bmp, const Conversion& c) {
    std::uint32_t offBits = 0, fileSize = 0;
    const Dib dib = ReadBmpFile(bmp, &offBits, &fileSize);
    EXPECT_EQ(dib.header.biBitCount, c.bits);
    EXPECT_EQ(offBits, c.offBits);
    EXPECT_EQ(fileSize, testkit::ReadBytes(bmp).size());
    EXPECT_EQ(fileSize, c.offBits + dib.header.biSizeImage);
    const Rgb ref = ReadPpm(Sample(std::string(c.name) + ".ppm"));
    const Rgb got = ToRgb(dib);
    ASSERT_EQ(got.width, ref.width);
    ASSERT_EQ(got.height, ref.height);
    EXPECT_LE(Compare(got, ref).max, c.tolerance);
}

}  // namespace

TEST_F(WicHost, CatalogueListsEveryPatternOfThePlugin) {
    PrepareStartUp();
    ASSERT_TRUE(gv_lstSusieExt);
    const std::vector<std::string> patterns{"*.jpg", "*.jpeg", "*.jpe", "*.jfif", "*.png", "*.gif", "*.tif", "*.tiff"};
    const std::vector<std::string> descriptions{"JPEG", "JPEG", "JPEG", "JPEG", "PNG", "GIF", "TIFF", "TIFF"};
    EXPECT_EQ(*gv_lstSusieExt, patterns);
    EXPECT_EQ(*gv_lstSusieDesc, descriptions);
    EXPECT_EQ(*gv_lstSusieFile, std::vector<std::wstring>(patterns.size(), PluginFileName()));
    testkit::DialogWatcher boxes;
    for (const wchar_t* ext : {L".jpg", L".JPEG", L".png", L".gif", L".Tif", L".tiff"})
        EXPECT_TRUE(CheckSusieSupport(ext)) << testkit::Narrow(ext);
    EXPECT_TRUE(boxes.Seen().empty());
}

TEST_F(WicHost, ConvertToBmpWritesWhatThePluginDecodes) {
    PrepareStartUp();
    testkit::DialogWatcher boxes;
    for (const Conversion& c : kConversions) {
        SCOPED_TRACE(c.name);
        gv_sChangedBMP = changed;
        DeleteFileW(changed.c_str());
        ASSERT_TRUE(ConvertToBMP(Sample(c.name), false));
        ExpectBitmapOf(changed, c);
    }
    // The preview's temporary bitmap is the same picture.
    ASSERT_TRUE(ConvertToBMP(Sample("pal4.png"), true));
    ExpectBitmapOf(TemporaryBMPPath(), kConversions[5]);
    DeleteFileW(TemporaryBMPPath().c_str());
    for (const auto& b : boxes.Seen()) ADD_FAILURE() << "message box: " << testkit::Narrow(b.text);
}

TEST_F(WicHost, BrokenPictureIsReportedWithThePluginsErrorAndChangesNothing) {
    PrepareStartUp();
    const std::wstring broken = dir / L"broken.jpg";
    const std::string jpg = testkit::ReadBytes(Sample("rgb.jpg"));
    testkit::WriteBytes(broken, jpg.substr(0, jpg.size() / 2));
    testkit::WriteBytes(changed, "earlier");
    gv_sChangedBMP = changed;
    testkit::DialogWatcher boxes;
    EXPECT_FALSE(ConvertToBMP(broken, false));
    ASSERT_TRUE(boxes.WaitFor(1));
    EXPECT_NE(boxes.Seen()[0].text.find(broken), std::wstring::npos);
    EXPECT_EQ(testkit::ReadBytes(changed), "earlier");
}

TEST_F(WicHost, TheProgramSetsAJpegAsWallpaperFromTheCommandLine) {
    const std::wstring exe = dir / L"MURAVINE.exe";
    ASSERT_TRUE(CopyFileW(testkit::MuravineExe().c_str(), exe.c_str(), FALSE));
    testkit::WriteRegString(L"Software\\ORMI\\MURAVINE", L"ChangedBMP", changed);
    testkit::DialogWatcher boxes;
    EXPECT_EQ(testkit::Run(testkit::Quote(exe) + L" /WC " + testkit::Quote(Sample("orient6.jpg"))), 0);
    for (const auto& b : boxes.Seen()) ADD_FAILURE() << "message box: " << testkit::Narrow(b.text);
    ASSERT_TRUE(testkit::FileExists(changed));
    ExpectBitmapOf(changed, kConversions[1]);
}
