// The list window's pure parts: the open dialog's filter and how a list line becomes a row.
#include <gtest/gtest.h>

#include <algorithm>

#include "listwin/listrows.h"
#include "listwin/openfilter.h"

namespace {

TEST(OpenFilter, BitmapsOnlyWithoutCatalogueOrWithAnEmptyOne) {
    const std::vector<std::wstring> none;
    EXPECT_EQ(mrv::BuildOpenFilter(nullptr, nullptr), L"ビットマップ (*.bmp)|*.bmp");
    EXPECT_EQ(mrv::BuildOpenFilter(&none, &none), L"ビットマップ (*.bmp)|*.bmp");
}

TEST(OpenFilter, AllPicturesFirstThenOnePairPerPatternInCatalogueOrder) {
    const std::vector<std::wstring> patterns = {L"*.jpg", L"*.jpeg"};
    const std::vector<std::wstring> descs = {L"JPEG", L"JPEG"};
    EXPECT_EQ(mrv::BuildOpenFilter(&patterns, &descs),
              L"すべてのイメージ|*.bmp;*.jpg;*.jpeg|ビットマップ (*.bmp)|*.bmp|JPEG (*.jpg)|*.jpg|JPEG (*.jpeg)|*.jpeg");
}

TEST(OpenFilter, DuplicatePatternsStayAndABarInADescriptionCannotShiftThePairs) {
    const std::vector<std::wstring> patterns = {L"*.png", L"*.png", L"*.pi"};
    const std::vector<std::wstring> descs = {L"PNG|Portable", L"PNG", L"pi Image"};
    const std::wstring f = mrv::BuildOpenFilter(&patterns, &descs);
    EXPECT_EQ(f, L"すべてのイメージ|*.bmp;*.png;*.png;*.pi|ビットマップ (*.bmp)|*.bmp|PNG\xFF5CPortable (*.png)|*.png|"
                 L"PNG (*.png)|*.png|pi Image (*.pi)|*.pi");
    // Description and pattern alternate: an even number of parts.
    EXPECT_EQ(std::count(f.begin(), f.end(), L'|') % 2, 1);
}

TEST(OpenFilter, DialogFormHasNulSeparatorsAndADoubleNulEnd) {
    const std::wstring d = mrv::DialogFilter(L"ビットマップ (*.bmp)|*.bmp");
    EXPECT_EQ(d, std::wstring(L"ビットマップ (*.bmp)\0*.bmp\0\0", 22));
}

struct RowCase {
    const char* line;
    const char* flag;
    const char* style;
    const char* path;
    const char* archive;
    bool keep;
};

TEST(ListRow, FieldsOfTheLinesTheProgramAndOthersWrite) {
    const RowCase cases[] = {
        {"0,1,C:\\pics\\tile.bmp,", "0", "1", "C:\\pics\\tile.bmp", "", false},
        {"1,2,C:\\My Pictures\\a b.jpg,,", "1", "2", "C:\\My Pictures\\a b.jpg", "", false},  // shown: fifth field
        {"1,0,C:\\a.bmp,C:\\arc.lzh", "1", "0", "C:\\a.bmp", "C:\\arc.lzh", false},
        {"0,0,C:\\x,y.bmp,", "0", "0", "C:\\x", "y.bmp", false},  // a comma always separates
        {"x,0,C:\\a.bmp,", "x", "0", "C:\\a.bmp", "", false},     // any other flag counts as shown
        {"0, 1,C:\\a.bmp,", "0", " 1", "C:\\a.bmp", "", false},   // read as the number 1
        {"0,7,C:\\a.bmp,", "0", "7", "C:\\a.bmp", "", true},      // no such display style
        {"0,abc,C:\\a.bmp,", "0", "abc", "C:\\a.bmp", "", true},
        {"0,1,C:\\a.bmp", "0", "1", "C:\\a.bmp", "", true},  // no archive field
        {"", "", "", "", "", true},
        {"\x82\xa0,1,C:\\a.bmp,", "\x82\xa0", "1", "C:\\a.bmp", "", true},
    };
    for (const RowCase& c : cases) {
        const mrv::ListRow r = mrv::ReadListRow(c.line);
        EXPECT_EQ(r.flag, c.flag) << c.line;
        EXPECT_EQ(r.style, c.style) << c.line;
        EXPECT_EQ(r.path, c.path) << c.line;
        EXPECT_EQ(r.archive, c.archive) << c.line;
        EXPECT_EQ(r.keepLine, c.keep) << c.line;
    }
}

TEST(ListRow, ALongPathIsTakenWholeAndWrittenBackUnchanged) {
    const std::string path = "C:\\" + std::string(300, 'p') + "\\q.jpg";
    const std::string line = "0,2," + path + ",";
    const mrv::ListRow r = mrv::ReadListRow(line);
    EXPECT_EQ(r.path, path);
    EXPECT_FALSE(r.keepLine);
    EXPECT_EQ(mrv::MakeListLine(r.flag, r.style, r.path, r.archive), line);
}

TEST(ListRow, DisplayStyles) {
    EXPECT_EQ(mrv::DisplayStyleOf("0"), 0);
    EXPECT_EQ(mrv::DisplayStyleOf("1"), 1);
    EXPECT_EQ(mrv::DisplayStyleOf("2"), 2);
    EXPECT_EQ(mrv::DisplayStyleOf("3"), -1);
    EXPECT_EQ(mrv::DisplayStyleOf("-1"), -1);
    EXPECT_EQ(mrv::DisplayStyleOf(""), -1);
    EXPECT_EQ(mrv::DisplayStyleOf("2x"), -1);
    EXPECT_EQ(mrv::MakeListLine("1", "0", "C:\\a.bmp", ""), "1,0,C:\\a.bmp,");
}

}  // namespace
