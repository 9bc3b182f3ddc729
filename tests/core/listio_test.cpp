#include "core/app.h"
#include "core/errors.h"
#include "core_fixture.h"

TEST_F(CoreTest, ListFileNamesFollowTheUserName) {
    struct Case {
        const wchar_t* exe;
        const wchar_t* user;
        const wchar_t* read;
        const wchar_t* write;
    } cases[] = {
        {L"MURAVINE.exe", L"taro", L"taro.LST", L"taro.LST"},
        {L"MURAVINE.exe", L"", L"MURAVINE.LST", L"MURAVINE.LST"},
        {L"Other.exe", L"", L"Other.LST", L"MURAVINE.LST"},
    };
    for (const auto& c : cases) {
        mrv::app::SetExePath(dir / c.exe);
        gv_sUserName = c.user;
        EXPECT_EQ(ListReadName(gv_sUserName), dir / c.read);
        EXPECT_EQ(ListWriteName(), dir / c.write);
    }
}

TEST_F(CoreTest, StartUpNamesTheLogonUsersList) {
    PrepareStartUp();
    EXPECT_EQ(gv_sUserName, L"root");
    EXPECT_EQ(gv_sListBase, L"root");
    EXPECT_EQ(gv_sListFile, dir / L"root.LST");
    ASSERT_TRUE(gv_lstWall);
    EXPECT_TRUE(gv_lstWall->empty());
}

TEST_F(CoreTest, ListFileRoundTripsByteForByte) {
    const std::wstring file = dir / L"l.LST";
    // Shift-JIS bytes (including a 0x5C trail byte), a last line without an ending, a NUL that ends it.
    testkit::WriteBytes(file, std::string("0,0,C:\\\x95\x5C\x8E\xA6.jpg,\n1,1,C:\\b.bmp,,\r0,2,C:\\c.bmp,\0junk", 47));
    mrv::StringList list;
    EXPECT_TRUE(LoadListFile(file, list));
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0], "0,0,C:\\\x95\x5C\x8E\xA6.jpg,");
    EXPECT_EQ(list[2], "0,2,C:\\c.bmp,");
    SaveListFile(file, list);
    EXPECT_EQ(testkit::ReadBytes(file), "0,0,C:\\\x95\x5C\x8E\xA6.jpg,\r\n1,1,C:\\b.bmp,,\r\n0,2,C:\\c.bmp,\r\n");

    // Longer than one read: lines and CR LF pairs cut between blocks come back whole.
    std::string big;
    for (int i = 0; big.size() < 600 * 1024; ++i)
        big += std::to_string(i) + ",0,C:\\" + std::string(static_cast<std::size_t>(i % 300), 'x') + (i % 3 ? "\r\n" : i % 2 ? "\n" : "\r");
    testkit::WriteBytes(file, big);
    EXPECT_TRUE(LoadListFile(file, list));
    EXPECT_EQ(list, mrv::ParseListText(big));

    mrv::StringList missing{"stale"};
    EXPECT_FALSE(LoadListFile(dir / L"none.LST", missing));
    EXPECT_TRUE(missing.empty());
}

TEST_F(CoreTest, FailedSaveReportsAndKeepsTheOldFile) {
    const std::wstring file = dir / L"ro.LST";
    testkit::WriteBytes(file, "0,0,C:\\keep.bmp,\r\n");
    mrv::StringList list;
    LoadListFile(file, list);
    SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_READONLY);
    list.push_back("0,0,C:\\new.bmp,");
    try {
        SaveListFile(file, list);
        ADD_FAILURE() << "a read-only list file cannot be replaced";
    } catch (const mrv::FileError& e) {
        EXPECT_EQ(e.message().substr(0, file.size() + 1), file + L"\n");
    }
    SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(testkit::ReadBytes(file), "0,0,C:\\keep.bmp,\r\n");
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((dir / L"*.tmp").c_str(), &fd);
    EXPECT_EQ(h, INVALID_HANDLE_VALUE) << "no half-written file is left behind";
    if (h != INVALID_HANDLE_VALUE) FindClose(h);

    // A folder that does not exist: reported, nothing created.
    EXPECT_THROW(SaveListFile(dir / L"no\\such.LST", list), mrv::FileError);
}

TEST_F(CoreTest, ChangesMadeByAnotherProcessAreNotOverwritten) {
    const std::wstring file = dir / L"shared.LST";
    testkit::WriteBytes(file, "0,0,C:\\a.bmp,\r\n");
    mrv::StringList list;
    LoadListFile(file, list);
    list[0] = "1,0,C:\\a.bmp,,";
    // An add command from Explorer (another process) appends while this copy is held in memory.
    testkit::WriteBytes(file, "0,0,C:\\a.bmp,\r\n0,1,C:\\b.bmp,\r\n");
    SaveListFile(file, list);
    EXPECT_EQ(testkit::ReadBytes(file), "0,0,C:\\a.bmp,\r\n0,1,C:\\b.bmp,\r\n");

    // Once reloaded, this process's writes count again; a deleted file is written anew.
    LoadListFile(file, list);
    ASSERT_EQ(list.size(), 2u);
    list[1] = "1,1,C:\\b.bmp,,";
    SaveListFile(file, list);
    EXPECT_EQ(testkit::ReadBytes(file), "0,0,C:\\a.bmp,\r\n1,1,C:\\b.bmp,,\r\n");
    DeleteFileW(file.c_str());
    SaveListFile(file, list);
    EXPECT_EQ(testkit::ReadBytes(file), "0,0,C:\\a.bmp,\r\n1,1,C:\\b.bmp,,\r\n");
}

TEST_F(CoreTest, AListThatFailedToLoadIsNeverWrittenOverTheFile) {
    const std::wstring file = dir / L"locked.LST";
    testkit::WriteBytes(file, "0,0,C:\\a.bmp,\r\n0,0,C:\\b.bmp,\r\n");
    mrv::StringList list;
    LoadListFile(file, list);
    {
        // Another program holds the file without sharing it: the reload fails.
        HANDLE h = CreateFileW(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        EXPECT_THROW(LoadListFile(file, list), mrv::FileError);
        CloseHandle(h);
    }
    list.assign({"1,0,C:\\a.bmp,,"});
    SaveListFile(file, list);
    EXPECT_EQ(testkit::ReadBytes(file), "0,0,C:\\a.bmp,\r\n0,0,C:\\b.bmp,\r\n");

    // A load that succeeds makes this copy the file's again.
    LoadListFile(file, list);
    list[1] = "1,0,C:\\b.bmp,,";
    SaveListFile(file, list);
    EXPECT_EQ(testkit::ReadBytes(file), "0,0,C:\\a.bmp,\r\n1,0,C:\\b.bmp,,\r\n");
}
