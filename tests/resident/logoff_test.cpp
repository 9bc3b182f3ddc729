// A log-off as Wine plays it: wineboot asks every window of every program, then ends the
// programs. This test program owns no window, so it lives through the log-off it starts.
#include "resident_fixture.h"

TEST_F(ResidentTest, LogOffSavesTheSettingsAndTheListAndMakesTheChangeAtExit) {
    WriteList(3);
    Setting(L"ChangeTiming", 2);
    Launch();
    EXPECT_EQ(testkit::Run(L"wineboot.exe -e", 60000), 0);
    ASSERT_TRUE(testkit::WaitExit(process, 20000)) << "the session ended the program";
    EXPECT_EQ(reskit::DesktopWallpaper(), Picture(1)) << "the change at exit, for the next logon";
    EXPECT_EQ(testkit::ReadRegDword(kKey, L"WallIndex"), 1u);
    EXPECT_EQ(testkit::ReadRegDword(kKey, L"ChangeTiming"), 2u);
    EXPECT_NE(testkit::ReadBytes(list).find("1,0," + mrv::WideToAnsi(Picture(1))), std::string::npos);
}
