// Conversion of pictures into bitmap files through real decoder libraries.
#include "core/handles.h"
#include "imaging_fixture.h"

namespace {

using imgkit::MakePicture;
using imgkit::Picture;

class Convert : public ImagingTest {
protected:
    void SetUp() override {
        ImagingTest::SetUp();
        UsePlugins(L"good");
    }
};

std::uint32_t Size(const Picture& p) { return static_cast<std::uint32_t>(p.pixels.size()); }

// Windows itself must be able to read what was written: the size, and the colour of a pixel.
struct Loaded {
    bool ok = false;
    int width = 0, height = 0;
    COLORREF topLeft = 0;
};
Loaded LoadWithWindows(const std::wstring& path) {
    Loaded l;
    mrv::UniqueGdi<HBITMAP> bmp(static_cast<HBITMAP>(
        LoadImageW(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION)));
    if (!bmp) return l;
    BITMAP b{};
    GetObjectW(bmp.get(), sizeof b, &b);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bmp.get());
    l.topLeft = GetPixel(dc, 0, 0);
    SelectObject(dc, old);
    DeleteDC(dc);
    l.ok = true;
    l.width = b.bmWidth;
    l.height = b.bmHeight;
    return l;
}

}  // namespace

TEST_F(Convert, EveryDepthBecomesHeaderInformationAndPixels) {
    struct Case {
        std::uint16_t bits;
        std::uint16_t compression;
        std::uint32_t offBits;
    } cases[] = {{1, 0, 62}, {4, 0, 118}, {8, 0, 1078}, {16, 0, 54}, {24, 0, 54}, {32, 0, 54},
                 {16, BI_BITFIELDS, 66}, {32, BI_BITFIELDS, 66}};
    testkit::DialogWatcher boxes;
    for (const auto& c : cases) {
        for (std::int32_t height : {3, -3}) {
            SCOPED_TRACE(testing::Message() << c.bits << " bits, compression " << c.compression << ", height " << height);
            const Picture p = MakePicture(c.bits, 5, height, c.compression);
            const std::wstring pic = WritePicture(height > 0 ? L"pic.mrt" : L"photo.MrT", p);
            ASSERT_TRUE(ConvertToBMP(pic, false));
            EXPECT_NE(GetModuleHandleW((testkit::PluginDir() + L"\\good\\mrvtest.sph").c_str()), nullptr)
                << "the decoder stays loaded as the current plug-in";
            const std::string bmp = testkit::ReadBytes(changed);
            EXPECT_EQ(bmp, imgkit::ExpectedBmp(p, c.offBits, Size(p)));
            EXPECT_EQ(bmp.size(), c.offBits + p.pixels.size());
            const Loaded l = LoadWithWindows(changed);
            EXPECT_TRUE(l.ok);
            EXPECT_EQ(l.width, 5);
            EXPECT_EQ(std::abs(l.height), 3);
        }
    }
    EXPECT_TRUE(boxes.Seen().empty());
}

TEST_F(Convert, BitFieldMasksGiveTheRightColours) {
    // A red 16-bit 5-6-5 picture and a green 32-bit one: without their masks the colours go wrong.
    Picture red = MakePicture(16, 2, 2, BI_BITFIELDS);
    red.pixels = std::string("\x00\xF8\x00\xF8\x00\xF8\x00\xF8", 8);
    ASSERT_TRUE(ConvertToBMP(WritePicture(L"red.mrt", red), false));
    Loaded l = LoadWithWindows(changed);
    ASSERT_TRUE(l.ok);
    EXPECT_GT(GetRValue(l.topLeft), 200);
    EXPECT_LT(GetGValue(l.topLeft) + GetBValue(l.topLeft), 20);

    Picture green = MakePicture(32, 1, 1, BI_BITFIELDS);
    green.pixels = std::string("\x00\xFF\x00\x00", 4);
    ASSERT_TRUE(ConvertToBMP(WritePicture(L"green.mrt", green), false));
    l = LoadWithWindows(changed);
    ASSERT_TRUE(l.ok);
    EXPECT_EQ(l.topLeft, RGB(0, 255, 0));
}

TEST_F(Convert, TheTemporaryTargetLeavesTheConvertedBitmapAlone) {
    wchar_t tmp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, tmp);
    EXPECT_EQ(TemporaryBMPPath(), std::wstring(tmp) + L"MRV_WP.bmp");

    const Picture p = MakePicture(8, 6, 4);
    const std::wstring pic = WritePicture(L"p.mrt", p);
    testkit::WriteBytes(changed, "earlier");
    ASSERT_TRUE(ConvertToBMP(pic, true));
    EXPECT_EQ(testkit::ReadBytes(TemporaryBMPPath()), imgkit::ExpectedBmp(p, 1078, Size(p)));
    EXPECT_EQ(testkit::ReadBytes(changed), "earlier");
    DeleteFileW(TemporaryBMPPath().c_str());

    ASSERT_TRUE(ConvertToBMP(pic, false)) << "an existing converted bitmap is replaced";
    EXPECT_EQ(testkit::ReadBytes(changed), imgkit::ExpectedBmp(p, 1078, Size(p)));
    EXPECT_FALSE(testkit::FileExists(TemporaryBMPPath()));

    // A temporary folder deeper than MAX_PATH is still the one used.
    const std::wstring deep = dir / (std::wstring(150, L't') + L"\\" + std::wstring(150, L'u'));
    ASSERT_TRUE(CreateDirectoryW((dir / std::wstring(150, L't')).c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(deep.c_str(), nullptr));
    wchar_t saved[MAX_PATH + 1] = {};
    const DWORD had = GetEnvironmentVariableW(L"TMP", saved, MAX_PATH + 1);
    SetEnvironmentVariableW(L"TMP", deep.c_str());
    const std::wstring deepTarget = TemporaryBMPPath();
    ASSERT_TRUE(ConvertToBMP(pic, true));
    SetEnvironmentVariableW(L"TMP", had ? saved : nullptr);
    EXPECT_EQ(deepTarget, deep + L"\\MRV_WP.bmp");
    EXPECT_EQ(testkit::ReadBytes(deepTarget), imgkit::ExpectedBmp(p, 1078, Size(p)));
}

TEST_F(Convert, OddButUsableBlocksStillGiveAValidBitmap) {
    {
        SCOPED_TRACE("biSizeImage 0: the size comes from width, height and depth");
        Picture p = MakePicture(24, 5, 3);
        p.flags = imgkit::kZeroSizeImage;
        ASSERT_TRUE(ConvertToBMP(WritePicture(L"zero.mrt", p), false));
        EXPECT_EQ(testkit::ReadBytes(changed), imgkit::ExpectedBmp(p, 54, 0));
        EXPECT_TRUE(LoadWithWindows(changed).ok);
    }
    {
        SCOPED_TRACE("a palette shorter than the depth allows, counted in biClrUsed");
        Picture p = MakePicture(8, 5, 3);
        p.colors.resize(16);
        ASSERT_TRUE(ConvertToBMP(WritePicture(L"short.mrt", p), false));
        EXPECT_EQ(testkit::ReadBytes(changed), imgkit::ExpectedBmp(p, 54 + 64, Size(p)));
        EXPECT_TRUE(LoadWithWindows(changed).ok);
    }
    {
        SCOPED_TRACE("a 124-byte header is written as the 40-byte one");
        Picture p = MakePicture(8, 5, 3);
        p.flags = imgkit::kLongHeader;
        ASSERT_TRUE(ConvertToBMP(WritePicture(L"long.mrt", p), false));
        EXPECT_EQ(testkit::ReadBytes(changed), imgkit::ExpectedBmp(p, 1078, Size(p)));
        EXPECT_TRUE(LoadWithWindows(changed).ok);
    }
}

TEST_F(Convert, MisbehavingDecodersAreReportedAndTheTargetKeepsItsContent) {
    auto with = [](Picture p, std::uint32_t flags) {
        p.flags = flags;
        return p;
    };
    Picture halfRows = MakePicture(24, 8, 8);
    halfRows.pixels.resize(halfRows.pixels.size() / 2);
    Picture noMasks = MakePicture(16, 4, 4, BI_BITFIELDS);
    noMasks.colors.clear();
    struct Case {
        const char* what;
        std::string file;
        const wchar_t* says;
    } cases[] = {
        {"GetPicture fails", imgkit::MrtBytes(with(MakePicture(24, 4, 4), imgkit::kFail)), L"(プラグインのエラー 3)"},
        {"not its format", "GIF89a and so on", L"(プラグインのエラー 2)"},
        {"no handles", imgkit::MrtBytes(with(MakePicture(24, 4, 4), imgkit::kNoHandles)), L"画像を返しませんでした"},
        {"no pixel handle", imgkit::MrtBytes(with(MakePicture(24, 4, 4), imgkit::kNoPixels)), L"画像を返しませんでした"},
        {"biSizeImage beyond the block", imgkit::MrtBytes(with(MakePicture(24, 4, 4), imgkit::kOverclaim)),
         L"画素データが足りません"},
        {"rows beyond the block", imgkit::MrtBytes(halfRows), L"画素データが足りません"},
        {"palette missing", imgkit::MrtBytes(with(MakePicture(8, 4, 4), imgkit::kNoPalette)), L"パレットが足りません"},
        {"masks missing", imgkit::MrtBytes(noMasks), L"カラーマスクがありません"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        testkit::DialogWatcher boxes;
        const std::wstring pic = dir / L"bad.mrt";
        testkit::WriteBytes(pic, c.file);
        testkit::WriteBytes(changed, "earlier");
        EXPECT_FALSE(ConvertToBMP(pic, false));
        ASSERT_TRUE(boxes.WaitFor(1));
        const std::wstring text = boxes.Seen()[0].text;
        EXPECT_EQ(text.substr(0, pic.size() + 1), pic + L"\n") << testkit::Narrow(text);
        EXPECT_NE(text.find(c.says), std::wstring::npos) << testkit::Narrow(text);
        EXPECT_EQ(testkit::ReadBytes(changed), "earlier");
        EXPECT_FALSE(testkit::FileExists(changed + L".mrv~"));
    }
}

TEST_F(Convert, WhatCannotBeTriedIsSaidBeforeAnyPluginIsLoaded) {
    testkit::DialogWatcher boxes;
    testkit::WriteBytes(dir / L"a.Bmp", imgkit::SolidBmp(2, 2, RGB(1, 2, 3)));
    EXPECT_FALSE(ConvertToBMP(dir / L"a.Bmp", false)) << "a bitmap needs no conversion";
    Sleep(300);
    EXPECT_TRUE(boxes.Seen().empty());

    struct Case {
        const wchar_t* name;
        bool create;
        bool catalogue;
        std::wstring says;
    } cases[] = {
        {L"gone.mrt", false, true, dir / L"gone.mrt\nファイルが見つかりません。"},
        {L"gone.mrt", false, false, dir / L"gone.mrt\nファイルが見つかりません。"},
        {L"there.zzz", true, true, L"この拡張子用のプラグインがインストールされていません。"},
        {L"there.mrt", true, false, L"Susieがインストールされていません。\nまたは一度も実行されていません。"},
    };
    CloseSusiePlugin();
    for (const auto& c : cases) {
        SCOPED_TRACE(testkit::Narrow(c.name));
        if (!c.catalogue) {
            ReleaseSusieCatalogue();
            CloseSusiePlugin();
        }
        if (c.create) WritePicture(c.name, MakePicture(24, 2, 2));
        boxes.Clear();
        EXPECT_FALSE(ConvertToBMP(dir / c.name, false));
        ASSERT_TRUE(boxes.WaitFor(1));
        EXPECT_EQ(boxes.Seen()[0].text, c.says);
        EXPECT_EQ(gv_hSusiePlugin, nullptr) << "no plug-in was loaded for it";
        EXPECT_FALSE(testkit::FileExists(changed));
        if (!c.catalogue) UsePlugins(L"good");
        CloseSusiePlugin();
    }
}

TEST_F(Convert, TheFirstDecoderInTheCatalogueIsUsedAndNotRetried) {
    // The same two decoders twice, the one copied first named first: whether the folder lists by
    // name or by creation, each of them comes first once.
    const std::wstring good = testkit::PluginDir() + L"\\twins\\mrvtest.sph";
    const std::wstring twin = testkit::PluginDir() + L"\\twins\\mrvtwin.sph";
    const Picture p = MakePicture(24, 3, 3);
    const std::wstring pic = WritePicture(L"twin.mrt", p);
    int goodFirst = 0, twinFirst = 0;
    for (const bool goodNamedFirst : {true, false}) {
        testkit::TempDir folder{L"twins"};
        ASSERT_TRUE(CopyFileW((goodNamedFirst ? good : twin).c_str(), (folder / L"a.sph").c_str(), FALSE));
        ASSERT_TRUE(CopyFileW((goodNamedFirst ? twin : good).c_str(), (folder / L"b.sph").c_str(), FALSE));
        const std::wstring twinName = goodNamedFirst ? L"b.sph" : L"a.sph";
        testkit::ResetCoreGlobals(dir.path());
        gv_sChangedBMP = changed;
        DeleteFileW(changed.c_str());
        UsePlugins(folder.path());
        ASSERT_EQ(gv_lstSusieExt->size(), 2u);
        const bool twinComesFirst = (*gv_lstSusieFile)[0] == twinName;
        (twinComesFirst ? twinFirst : goodFirst)++;
        testkit::DialogWatcher boxes;
        EXPECT_EQ(ConvertToBMP(pic, false), !twinComesFirst);
        if (twinComesFirst) {
            ASSERT_TRUE(boxes.WaitFor(1));
            EXPECT_NE(boxes.Seen()[0].text.find(L"(プラグインのエラー 2)"), std::wstring::npos);
            EXPECT_FALSE(testkit::FileExists(changed));
        } else {
            EXPECT_EQ(testkit::ReadBytes(changed), imgkit::ExpectedBmp(p, 54, Size(p)));
        }
        ReleaseSusieCatalogue();
        CloseSusiePlugin();
    }
    EXPECT_EQ(goodFirst, 1);
    EXPECT_EQ(twinFirst, 1);
}

TEST_F(Convert, ADecoderGoneSinceStartUpIsReported) {
    testkit::TempDir folder{L"gone"};
    ASSERT_TRUE(CopyFileW((testkit::PluginDir() + L"\\good\\mrvtest.sph").c_str(), (folder / L"mrvtest.sph").c_str(),
                          FALSE));
    ReleaseSusieCatalogue();
    UsePlugins(folder.path());
    CloseSusiePlugin();
    ASSERT_TRUE(DeleteFileW((folder / L"mrvtest.sph").c_str()));
    testkit::DialogWatcher boxes;
    const std::wstring pic = WritePicture(L"p.mrt", MakePicture(24, 2, 2));
    EXPECT_FALSE(ConvertToBMP(pic, false));
    ASSERT_TRUE(boxes.WaitFor(1));
    EXPECT_EQ(boxes.Seen()[0].text, pic + L"\nプラグイン mrvtest.sph を読み込めません。");
}

TEST_F(Convert, ABitmapThatCannotBeWrittenIsReportedAndTheOldOneStays) {
    const Picture p = MakePicture(24, 4, 4);
    const std::wstring pic = WritePicture(L"p.mrt", p);
    testkit::WriteBytes(changed, "earlier");
    ASSERT_TRUE(SetFileAttributesW(changed.c_str(), FILE_ATTRIBUTE_READONLY));
    CreateDirectoryW((dir / L"folder.bmp").c_str(), nullptr);
    for (const std::wstring& target : {dir / L"no such folder\\out.bmp", changed, dir / L"folder.bmp"}) {
        SCOPED_TRACE(testkit::Narrow(target));
        gv_sChangedBMP = target;
        testkit::DialogWatcher boxes;
        EXPECT_FALSE(ConvertToBMP(pic, false));
        ASSERT_TRUE(boxes.WaitFor(1));
        EXPECT_EQ(boxes.Seen()[0].text, target + L"\nビットマップファイルを書き込めません。");
        EXPECT_FALSE(testkit::FileExists(target + L".mrv~"));
        EXPECT_FALSE(testkit::FileExists(target + L".mrv-old"));
    }
    EXPECT_EQ(testkit::ReadBytes(changed), "earlier");
    EXPECT_EQ(GetFileAttributesW((dir / L"folder.bmp").c_str()) & FILE_ATTRIBUTE_DIRECTORY, DWORD{FILE_ATTRIBUTE_DIRECTORY});
    SetFileAttributesW(changed.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(Convert, TheOldBitmapMakesWayWithoutLeavingAnythingBehind) {
    const Picture first = MakePicture(24, 4, 4), second = MakePicture(8, 3, 2);
    // An earlier run ended between moving the old bitmap aside and putting the new one in place.
    testkit::WriteBytes(changed + L".mrv-old", "left over");
    ASSERT_TRUE(ConvertToBMP(WritePicture(L"a.mrt", first), false));
    ASSERT_TRUE(ConvertToBMP(WritePicture(L"b.mrt", second), false));
    ReleaseSusieCatalogue();  // lets the removal of the replaced bitmap finish
    UsePlugins(L"good");
    EXPECT_EQ(testkit::ReadBytes(changed), imgkit::ExpectedBmp(second, 1078, Size(second)));
    EXPECT_FALSE(testkit::FileExists(changed + L".mrv-old"));
    EXPECT_FALSE(testkit::FileExists(changed + L".mrv~"));

    // Another program holds the bitmap open without letting it be renamed or deleted: the
    // conversion fails and the bitmap stays where and what it was.
    HANDLE held = CreateFileW(changed.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    {
        testkit::DialogWatcher boxes;
        EXPECT_FALSE(ConvertToBMP(WritePicture(L"a.mrt", first), false));
        ASSERT_TRUE(boxes.WaitFor(1));
        EXPECT_EQ(boxes.Seen()[0].text, changed + L"\nビットマップファイルを書き込めません。");
    }
    CloseHandle(held);
    EXPECT_EQ(testkit::ReadBytes(changed), imgkit::ExpectedBmp(second, 1078, Size(second)));
    EXPECT_FALSE(testkit::FileExists(changed + L".mrv-old"));
    EXPECT_FALSE(testkit::FileExists(changed + L".mrv~"));
}

TEST_F(Convert, LongAndForeignPathsReachTheDecoderWhole) {
    // More than MAX_PATH characters, then characters the ANSI code page cannot spell: the decoder
    // (which opens names with ANSI calls and keeps them in MAX_PATH characters) gets the short form.
    const std::wstring deep = dir / (std::wstring(120, L'd') + L"\\" + std::wstring(120, L'e'));
    ASSERT_TRUE(CreateDirectoryW((dir / std::wstring(120, L'd')).c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(deep.c_str(), nullptr));
    const Picture p = MakePicture(8, 3, 2);
    for (const std::wstring& pic : {deep + L"\\picture.mrt", dir / L"Ω\x0101 picture.mrt"}) {
        SCOPED_TRACE(testkit::Narrow(pic));
        testkit::WriteBytes(pic, imgkit::MrtBytes(p));
        DeleteFileW(changed.c_str());
        testkit::DialogWatcher boxes;
        ASSERT_TRUE(ConvertToBMP(pic, false));
        EXPECT_EQ(testkit::ReadBytes(changed), imgkit::ExpectedBmp(p, 1078, Size(p)));
        EXPECT_TRUE(boxes.Seen().empty());
    }
    gv_sChangedBMP = deep + L"\\converted.bmp";
    ASSERT_TRUE(ConvertToBMP(deep + L"\\picture.mrt", false));
    EXPECT_EQ(testkit::ReadBytes(gv_sChangedBMP), imgkit::ExpectedBmp(p, 1078, Size(p)));
}
