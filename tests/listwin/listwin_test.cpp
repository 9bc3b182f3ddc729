// The list window and the preview in a process of their own, worked from this test program as a
// user works them: commands, keys, the mouse, files dropped from outside.
#include <gtest/gtest.h>

#include "core/muravine_rtn.h"
#include "core/text.h"
#include "listwin/listwin_res.h"
#include "listwin_kit.h"
#include "testkit.h"

using listkit::ListHost;
using listkit::Row;

namespace {

const std::wstring kSettings = L"Software\\ORMI\\MURAVINE";
const std::wstring kDesktop = L"Control Panel\\desktop";
const std::wstring kSusie = L"Software\\Takechin\\Susie\\Plug-in";

class ListWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        testkit::DeleteKeyTree(L"Software\\ORMI");
        testkit::DeleteKeyTree(kSusie);
    }
    void TearDown() override {
        testkit::DeleteKeyTree(L"Software\\ORMI");
        testkit::DeleteKeyTree(kSusie);
    }
};

TEST_F(ListWindowTest, ShowsEveryLineAndWritesTheSameListBackWhenClosed) {
    const std::string longPath = "C:\\pics\\" + std::string(270, 'L') + ".bmp";
    const std::string list = "0,0,C:\\pics\\center.bmp,\r\n"
                             "1,1,C:\\pics\\tile.bmp,,\r\n"
                             "0,2," + listkit::Cp932(L"C:\\写真\\海.jpg") + ",C:\\arc\\a.lzh\r\n"
                             "0,7,C:\\pics\\odd.bmp,\r\n"
                             "1,2,C:\\pics\\short.bmp\r\n"
                             "0,2," + longPath + ",\r\n";
    ListHost host(list);
    ASSERT_NE(host.window(), nullptr);
    const std::vector<Row> expected = {
        {L"C:\\pics\\center.bmp", L"中央に表示", L"未表示", L"", L"0", L"0"},
        {L"C:\\pics\\tile.bmp", L"並べて表示", L"表示済", L"", L"1", L"1"},
        {L"C:\\写真\\海.jpg", L"拡大して表示", L"未表示", L"C:\\arc\\a.lzh", L"0", L"2"},
        {L"C:\\pics\\odd.bmp", L"7", L"未表示", L"", L"0", L"7"},
        {L"C:\\pics\\short.bmp", L"拡大して表示", L"表示済", L"", L"1", L"2"},
        {mrv::AnsiToWide(longPath), L"拡大して表示", L"未表示", L"", L"0", L"2"},
    };
    EXPECT_EQ(host.Rows(), expected) << listkit::Describe(host.Rows());
    host.CloseList();
    // The shown line loses its empty fifth field; the lines the program never writes come back as
    // they were; the long path comes back whole.
    EXPECT_EQ(host.Finish(), "0,0,C:\\pics\\center.bmp,\r\n"
                             "1,1,C:\\pics\\tile.bmp,\r\n"
                             "0,2," + listkit::Cp932(L"C:\\写真\\海.jpg") + ",C:\\arc\\a.lzh\r\n"
                             "0,7,C:\\pics\\odd.bmp,\r\n"
                             "1,2,C:\\pics\\short.bmp\r\n"
                             "0,2," + longPath + ",\r\n");
}

}  // namespace
