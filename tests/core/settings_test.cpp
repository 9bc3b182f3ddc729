#include "core/registry.h"
#include "core_fixture.h"

using testkit::ReadRegDword;
using testkit::ReadRegString;

namespace {
const wchar_t* kShellFolders = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
}

TEST_F(CoreTest, FirstRunTakesTheDefaults) {
    PrepareStartUp();
    EXPECT_EQ(gv_iPlatform, 2);
    EXPECT_TRUE(gv_bSaveSetting);
    EXPECT_TRUE(gv_bShowTray);
    EXPECT_FALSE(gv_bChangeSecret);
    EXPECT_FALSE(gv_bExitAtOnce);
    EXPECT_FALSE(gv_bMultiUser);
    EXPECT_EQ(gv_iInterval, 60);
    for (int v : {gv_iInitialPosition, gv_iChangeTiming, gv_iChangeOperate, gv_iWallIndex, gv_iDblClickOperate,
                  gv_iDblClickList, gv_iBootDelay})
        EXPECT_EQ(v, 0);
    EXPECT_EQ(gv_sLaunchApplication, L"");
    EXPECT_EQ(gv_sChangedBMP, ReadRegString(kShellFolders, L"My Pictures") + L"\\mrv_wp.bmp");
    EXPECT_FALSE(testkit::KeyExists(Key())) << "reading must not create the key";
}

TEST_F(CoreTest, WrittenSettingsAreStoredTypedAndReadBack) {
    PrepareStartUp();
    gv_bShowTray = false;
    gv_bChangeSecret = gv_bExitAtOnce = gv_bMultiUser = true;
    gv_iInterval = 1440;
    gv_iInitialPosition = 2;
    gv_iChangeTiming = 3;
    gv_iChangeOperate = 1;
    gv_iWallIndex = -1;
    gv_iDblClickOperate = 9;
    gv_iDblClickList = 2;
    gv_iBootDelay = 600;
    gv_sLaunchApplication = L"notepad.exe \"C:\\日本語.txt\"";
    gv_sChangedBMP = L"C:\\壁紙\\mrv.bmp";
    WriteSettings();

    HKEY k;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, Key().c_str(), 0, KEY_READ, &k), ERROR_SUCCESS);
    auto type = [&](const wchar_t* name) {
        DWORD t = 0;
        RegQueryValueExW(k, name, nullptr, &t, nullptr, nullptr);
        return t;
    };
    for (const wchar_t* name : {L"SaveSetting", L"ShowTray", L"ChangeSecret", L"ExitAtOnce", L"Interval",
                                L"InitialPosition", L"ChangeTiming", L"ChangeOperate", L"WallIndex",
                                L"DblClickOperate", L"DblClickList", L"BootDelay", L"MultiUser"})
        EXPECT_EQ(type(name), static_cast<DWORD>(REG_DWORD)) << testkit::Narrow(name);
    EXPECT_EQ(type(L"LaunchApplication"), static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(type(L"ChangedBMP"), static_cast<DWORD>(REG_SZ));
    RegCloseKey(k);
    EXPECT_EQ(ReadRegDword(Key(), L"WallIndex"), 0xFFFFFFFFu);
    EXPECT_EQ(ReadRegDword(Key(), L"ShowTray"), 0u);
    EXPECT_EQ(ReadRegDword(Key(), L"MultiUser"), 1u);

    testkit::ResetCoreGlobals(dir.path());
    PrepareStartUp();
    EXPECT_FALSE(gv_bShowTray);
    EXPECT_TRUE(gv_bChangeSecret && gv_bExitAtOnce && gv_bMultiUser && gv_bSaveSetting);
    EXPECT_EQ(gv_iInterval, 1440);
    EXPECT_EQ(gv_iInitialPosition, 2);
    EXPECT_EQ(gv_iChangeTiming, 3);
    EXPECT_EQ(gv_iChangeOperate, 1);
    EXPECT_EQ(gv_iWallIndex, -1);
    EXPECT_EQ(gv_iDblClickOperate, 9);
    EXPECT_EQ(gv_iDblClickList, 2);
    EXPECT_EQ(gv_iBootDelay, 600);
    EXPECT_EQ(gv_sLaunchApplication, L"notepad.exe \"C:\\日本語.txt\"");
    EXPECT_EQ(gv_sChangedBMP, L"C:\\壁紙\\mrv.bmp");
}

TEST_F(CoreTest, SavingSwitchedOffStoresOnlyThatSwitchButStillTheList) {
    testkit::WriteRegDword(Key(), L"Interval", 5);
    PrepareStartUp();
    gv_bSaveSetting = false;
    gv_iInterval = 99;
    gv_lstWall->push_back("0,0,C:\\a.bmp,");
    WriteSettings();
    EXPECT_EQ(ReadRegDword(Key(), L"SaveSetting"), 0u);
    EXPECT_EQ(ReadRegDword(Key(), L"Interval"), 5u);
    bool exists = true;
    ReadRegDword(Key(), L"ShowTray", &exists);
    EXPECT_FALSE(exists);
    EXPECT_EQ(testkit::ReadBytes(dir / L"root.LST"), "0,0,C:\\a.bmp,\r\n");

    testkit::ResetCoreGlobals(dir.path());
    PrepareStartUp();
    EXPECT_FALSE(gv_bSaveSetting) << "stays off until the user turns it on";
    EXPECT_EQ(gv_iInterval, 5);
}

TEST_F(CoreTest, StringValuesKeepWhatIsStored) {
    testkit::WriteRegString(Key(), L"ChangedBMP", L"");
    // Expandable strings are taken as they are, without expansion.
    const std::wstring expand = L"%WINDIR%\\x.exe";
    RegSetKeyValueW(HKEY_CURRENT_USER, Key().c_str(), L"LaunchApplication", REG_EXPAND_SZ, expand.c_str(),
                    static_cast<DWORD>((expand.size() + 1) * sizeof(wchar_t)));
    PrepareStartUp();
    EXPECT_EQ(gv_sChangedBMP, L"") << "the default applies only to a missing value";
    EXPECT_EQ(gv_sLaunchApplication, expand);
}

TEST_F(CoreTest, ValueOfTheWrongTypeRaises) {
    struct Case {
        const wchar_t* name;
        bool asString;
    } cases[] = {{L"Interval", true}, {L"ShowTray", true}, {L"ChangedBMP", false}};
    for (const auto& c : cases) {
        testkit::DeleteKeyTree(L"Software\\ORMI");
        testkit::ResetCoreGlobals(dir.path());
        if (c.asString) testkit::WriteRegString(Key(), c.name, L"60");
        else testkit::WriteRegDword(Key(), c.name, 1);
        EXPECT_THROW(PrepareStartUp(), mrv::RegistryError) << testkit::Narrow(c.name);
    }
}

TEST_F(CoreTest, PerUserKeyOnTheOlderFamilyOnly) {
    PrepareStartUp();
    gv_iPlatform = 1;
    gv_sUserName = L"taro";
    gv_bMultiUser = true;
    gv_iInterval = 7;
    WriteSettings();
    EXPECT_EQ(ReadRegDword(Key(), L"MultiUser"), 1u);
    bool inMain = true;
    ReadRegDword(Key(), L"Interval", &inMain);
    EXPECT_FALSE(inMain) << "only MultiUser goes into the main key";
    EXPECT_EQ(ReadRegDword(Key(L"taro"), L"Interval"), 7u);
    bool multiInUser = true;
    ReadRegDword(Key(L"taro"), L"MultiUser", &multiInUser);
    EXPECT_FALSE(multiInUser);

    // The next run of that user reads the user's key.
    gv_iInterval = 0;
    gv_bMultiUser = false;
    ReadSettings();
    EXPECT_TRUE(gv_bMultiUser);
    EXPECT_EQ(gv_iInterval, 7);

    // Another user starts from the defaults.
    gv_sUserName = L"hanako";
    ReadSettings();
    EXPECT_EQ(gv_iInterval, 60);

    // Switched off again: everything goes into the main key.
    gv_sUserName = L"taro";
    gv_bMultiUser = false;
    gv_iInterval = 8;
    WriteSettings();
    EXPECT_EQ(ReadRegDword(Key(), L"MultiUser"), 0u);
    EXPECT_EQ(ReadRegDword(Key(), L"Interval"), 8u);

    // On the NT family the flag is kept but never selects the user's key.
    gv_iPlatform = 2;
    gv_bMultiUser = true;
    gv_iInterval = 9;
    WriteSettings();
    EXPECT_EQ(ReadRegDword(Key(), L"Interval"), 9u);
    EXPECT_EQ(ReadRegDword(Key(L"taro"), L"Interval"), 7u);
    ReadSettings();
    EXPECT_EQ(gv_iInterval, 9);
}

TEST_F(CoreTest, ObsoleteUsedIndexGoesWhenSettingsAreSaved) {
    testkit::WriteRegDword(Key(), L"UsedIndex", 3);
    PrepareStartUp();
    gv_bSaveSetting = false;
    WriteSettings();
    bool exists = false;
    ReadRegDword(Key(), L"UsedIndex", &exists);
    EXPECT_TRUE(exists);
    gv_bSaveSetting = true;
    WriteSettings();
    ReadRegDword(Key(), L"UsedIndex", &exists);
    EXPECT_FALSE(exists);
}

TEST_F(CoreTest, DefaultBitmapPathByPlatform) {
    gv_iPlatform = 1;
    gv_sUserName = L"taro";
    wchar_t win[MAX_PATH];
    GetWindowsDirectoryW(win, MAX_PATH);
    EXPECT_EQ(DefaultChangedBMP(), std::wstring(win) + L"\\mrv_wp_taro.bmp");
    gv_sUserName = L"hanako";
    EXPECT_EQ(DefaultChangedBMP(), std::wstring(win) + L"\\mrv_wp_hanako.bmp");
    gv_sUserName.clear();
    EXPECT_EQ(DefaultChangedBMP(), std::wstring(win) + L"\\mrv_wp.bmp");

    gv_iPlatform = 2;
    const std::wstring pictures = ReadRegString(kShellFolders, L"My Pictures");
    const std::wstring personal = ReadRegString(kShellFolders, L"Personal");
    ASSERT_FALSE(pictures.empty());
    EXPECT_EQ(DefaultChangedBMP(), pictures + L"\\mrv_wp.bmp");
    HKEY k;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, kShellFolders, 0, KEY_ALL_ACCESS, &k), ERROR_SUCCESS);
    RegDeleteValueW(k, L"My Pictures");
    EXPECT_EQ(DefaultChangedBMP(), personal + L"\\mrv_wp.bmp");
    RegSetValueExW(k, L"My Pictures", 0, REG_SZ, reinterpret_cast<const BYTE*>(pictures.c_str()),
                   static_cast<DWORD>((pictures.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(k);
}
