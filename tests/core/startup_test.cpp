#include "core/app.h"
#include "core/text.h"
#include "core/registry.h"
#include "core_fixture.h"

using V = std::vector<std::wstring>;

TEST_F(CoreTest, AddCommandAppendsWithTheVerbsStyle) {
    EXPECT_FALSE(StartUpWith({L"/ac", L"C:\\a.bmp"}));
    EXPECT_EQ(testkit::ReadBytes(dir / L"root.LST"), "0,0,C:\\a.bmp,\r\n");
    EXPECT_FALSE(gv_lstWall) << "the add command releases the list";
    struct Case {
        const wchar_t* verb;
        const char* style;
    } cases[] = {{L"/at", "1"}, {L"/AS", "2"}, {L"/a", "0"}, {L"-az", "0"}};
    std::string want = "0,0,C:\\a.bmp,\r\n";
    for (const auto& c : cases) {
        testkit::ResetCoreGlobals(dir.path());
        EXPECT_FALSE(StartUpWith({c.verb, L"D:\\pic\\日本語 sea.jpg", L"ignored"}));
        want += std::string("0,") + c.style + ",D:\\pic\\\x93\xfa\x96\x7b\x8c\xea sea.jpg,\r\n";
    }
    EXPECT_EQ(testkit::ReadBytes(dir / L"root.LST"), want);
    EXPECT_FALSE(testkit::KeyExists(Key())) << "one-shot commands store no settings";
}

TEST_F(CoreTest, AddCommandKeepsALongPathWhole) {
    const std::wstring longPath = L"C:\\" + std::wstring(300, L'n') + L"\\pic.jpg";
    EXPECT_FALSE(StartUpWith({L"/as", longPath}));
    EXPECT_EQ(testkit::ReadBytes(dir / L"root.LST"), "0,2," + mrv::WideToAnsi(longPath) + ",\r\n");
}

TEST_F(CoreTest, AddCommandRefusesAPathWithAComma) {
    testkit::DialogWatcher boxes;
    EXPECT_FALSE(StartUpWith({L"/ac", L"C:\\a,b.jpg"}));
    ASSERT_TRUE(boxes.WaitFor(1));
    EXPECT_EQ(boxes.Seen()[0].caption, L"MURAVINE");
    EXPECT_EQ(boxes.Seen()[0].text.substr(0, 11), L"C:\\a,b.jpg\n");
    EXPECT_FALSE(testkit::FileExists(dir / L"root.LST"));
}

TEST_F(CoreTest, AddCommandStoresAPathOutsideTheCodePageByItsShortName) {
    const std::wstring pic = dir / L"Ω\x0101.bmp";  // Greek and Latin-extended: no Shift-JIS form for ā
    testkit::WriteBytes(pic, "BM");
    EXPECT_FALSE(StartUpWith({L"/ac", pic}));
    const std::string bytes = testkit::ReadBytes(dir / L"root.LST");
    ASSERT_GT(bytes.size(), 8u);
    const std::string stored = bytes.substr(4, bytes.size() - 7);
    wchar_t longName[MAX_PATH];
    ASSERT_TRUE(GetLongPathNameW(mrv::AnsiToWide(stored).c_str(), longName, MAX_PATH)) << stored;
    EXPECT_EQ(std::wstring(longName), pic);
}

TEST_F(CoreTest, DeleteCommandRemovesTheKeysOnly) {
    testkit::WriteRegDword(Key(), L"Interval", 5);
    testkit::WriteRegDword(Key(L"taro"), L"Interval", 6);
    testkit::WriteBytes(dir / L"root.LST", "0,0,C:\\a.bmp,\r\n");
    EXPECT_FALSE(StartUpWith({L"/d"}));
    EXPECT_FALSE(testkit::KeyExists(L"Software\\ORMI"));
    EXPECT_TRUE(testkit::FileExists(dir / L"root.LST"));

    // Another program of the same maker keeps its key, and so the parent.
    testkit::WriteRegDword(Key(), L"Interval", 5);
    testkit::WriteRegDword(L"Software\\ORMI\\Other", L"x", 1);
    testkit::ResetCoreGlobals(dir.path());
    EXPECT_FALSE(StartUpWith({L"-D"}));
    EXPECT_FALSE(testkit::KeyExists(Key()));
    EXPECT_TRUE(testkit::KeyExists(L"Software\\ORMI\\Other"));

    // Nothing to delete: silent.
    testkit::DeleteKeyTree(L"Software\\ORMI");
    testkit::ResetCoreGlobals(dir.path());
    EXPECT_FALSE(StartUpWith({L"/delete"}));

    // xd is a plain argument; /d with a second parameter is a two-parameter command that does nothing.
    testkit::WriteRegDword(Key(), L"Interval", 5);
    testkit::ResetCoreGlobals(dir.path());
    EXPECT_TRUE(StartUpWith({L"xd"}));
    testkit::ResetCoreGlobals(dir.path());
    EXPECT_FALSE(StartUpWith({L"/d", L"x"}));
    EXPECT_TRUE(testkit::KeyExists(Key()));
}

TEST_F(CoreTest, NormalStartLoadsTheList) {
    testkit::WriteBytes(dir / L"root.LST", "0,0,C:\\a.bmp,\r\n0,1,C:\\b.bmp,\r\n");
    EXPECT_TRUE(StartUpWith({}));
    ASSERT_TRUE(gv_lstWall);
    EXPECT_EQ(gv_lstWall->size(), 2u);
    EXPECT_EQ(gv_iWallIndex, 0) << "no change at start-up unless the timing asks for it";
}

TEST_F(CoreTest, ExitAtOnceOnlyForTheExactStartupWord) {
    testkit::WriteRegDword(Key(), L"ChangeTiming", 1);
    testkit::WriteRegDword(Key(), L"ExitAtOnce", 1);
    testkit::WriteRegDword(Key(), L"ChangeSecret", 1);
    testkit::WriteRegDword(Key(), L"WallIndex", 4);
    // An empty list: no change, but the settings are written with the index -1 and the run ends.
    EXPECT_FALSE(StartUpWith({L"/startup"}));
    EXPECT_EQ(testkit::ReadRegDword(Key(), L"WallIndex"), 0xFFFFFFFFu);
    EXPECT_FALSE(gv_lstWall) << "CleanUp ran";
    EXPECT_EQ(testkit::ReadBytes(dir / L"root.LST"), "");
    EXPECT_TRUE(testkit::FileExists(dir / L"root.LST"));

    testkit::ResetCoreGlobals(dir.path());
    EXPECT_TRUE(StartUpWith({L"/Startup"}));
    testkit::ResetCoreGlobals(dir.path());
    testkit::WriteRegDword(Key(), L"ChangeTiming", 2);
    EXPECT_TRUE(StartUpWith({L"/startup"}));
}

TEST_F(CoreTest, SecretChangeWithoutParametersOnlyMovesTheIndex) {
    testkit::WriteRegDword(Key(), L"ChangeTiming", 1);
    testkit::WriteRegDword(Key(), L"ChangeSecret", 1);
    testkit::WriteRegDword(Key(), L"WallIndex", 0);
    testkit::WriteBytes(dir / L"root.LST", "1,0,C:\\missing-a.bmp,,\r\n1,0,C:\\missing-b.bmp,,\r\n");
    testkit::DialogWatcher boxes;
    EXPECT_TRUE(StartUpWith({}));
    EXPECT_EQ(gv_iWallIndex, 1);
    EXPECT_EQ((*gv_lstWall)[0], "0,0,C:\\missing-a.bmp,,") << "the new pass cleared the flags in memory";
    EXPECT_EQ((*gv_lstWall)[1], "0,0,C:\\missing-b.bmp,,") << "nothing was applied";
    Sleep(300);
    EXPECT_TRUE(boxes.Seen().empty()) << "no change was attempted";
}

TEST_F(CoreTest, MalformedLineEndsStartUpWithAnError) {
    testkit::WriteRegDword(Key(), L"ChangeTiming", 1);
    testkit::WriteBytes(dir / L"root.LST", "0,x,C:\\a.bmp,\r\n");
    EXPECT_THROW(StartUpWith({}), mrv::ConvertError);
    testkit::ResetCoreGlobals(dir.path());
    testkit::WriteBytes(dir / L"root.LST", "0\r\n");
    EXPECT_THROW(StartUpWith({}), mrv::ListIndexError);
}
