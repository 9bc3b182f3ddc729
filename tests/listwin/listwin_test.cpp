// The list window and the preview in a process of their own, worked from this test program as a
// user works them: commands, keys, the mouse, files dropped from outside.
#include <gtest/gtest.h>

#include "core/muravine_rtn.h"
#include "core/text.h"
#include "listwin/listwin_res.h"
#include "listwin/muravine_list.h"
#include "listwin/muravine_preview.h"
#include "listwin_kit.h"
#include "mainwin/muravine_main_res.h"
#include "testkit.h"

using listkit::ListHost;
using listkit::Row;

namespace {

const std::wstring kSettings = L"Software\\ORMI\\MURAVINE";
const std::wstring kDesktop = L"Control Panel\\desktop";
const std::wstring kSusie = L"Software\\Takechin\\Susie\\Plug-in";

const wchar_t kCenter[] = L"中央に表示";
const wchar_t kTile[] = L"並べて表示";
const wchar_t kScreen[] = L"拡大して表示";
const wchar_t kNotShown[] = L"未表示";
const wchar_t kShown[] = L"表示済";

std::wstring Pictures() { return testkit::FromUnixPath(MRV_PICTURES_UNIX_DIR); }
std::wstring Picture(const std::wstring& name) { return Pictures() + L"\\" + name; }

std::wstring FolderOf(const std::wstring& path) { return path.substr(0, path.find_last_of(L'\\')); }

std::string Line(const char* flag, const char* style, const std::wstring& path, const std::string& archive = {}) {
    return std::string(flag) + "," + style + "," + listkit::Cp932(path) + "," + archive + "\r\n";
}

std::vector<std::wstring> Paths(const std::vector<Row>& rows) {
    std::vector<std::wstring> p;
    for (const Row& r : rows) p.push_back(r.path);
    return p;
}

// The desktop's wallpaper values, put back as they were after the test.
class DesktopValues {
public:
    DesktopValues() {
        for (auto& [name, value, existed] : saved_) value = testkit::ReadRegString(kDesktop, name, &existed);
    }
    ~DesktopValues() {
        for (auto& [name, value, existed] : saved_) {
            if (existed) testkit::WriteRegString(kDesktop, name, value);
            else RegDeleteKeyValueW(HKEY_CURRENT_USER, kDesktop.c_str(), name.c_str());
        }
    }
    void Set(const std::wstring& name, const std::wstring* value) {
        if (value) testkit::WriteRegString(kDesktop, name, *value);
        else RegDeleteKeyValueW(HKEY_CURRENT_USER, kDesktop.c_str(), name.c_str());
    }
private:
    struct Saved {
        std::wstring name, value;
        bool existed;
    };
    Saved saved_[3] = {{L"TileWallpaper", {}, false}, {L"WallpaperStyle", {}, false}, {L"Wallpaper", {}, false}};
};

class ListWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        testkit::DeleteKeyTree(L"Software\\ORMI");
        testkit::DeleteKeyTree(kSusie);
        DeleteFileW((listkit::TempFolder() + L"MRV_WP.bmp").c_str());
    }
    void TearDown() override {
        testkit::DeleteKeyTree(L"Software\\ORMI");
        testkit::DeleteKeyTree(kSusie);
        DeleteFileW((listkit::TempFolder() + L"MRV_WP.bmp").c_str());
    }
    // The WIC plug-in as the one installed decoder, and a converted-bitmap file of the test's own.
    void InstallDecoder() {
        testkit::WriteRegString(kSusie, L"Path", FolderOf(testkit::FromUnixPath(MRV_IFWIC_UNIX_PATH)));
        testkit::WriteRegString(kSettings, L"ChangedBMP", changed);
    }
    void Setting(const wchar_t* name, DWORD value) { testkit::WriteRegDword(kSettings, name, value); }
    testkit::TempDir files{L"listfiles"};
    std::wstring changed = files / L"changed.bmp";
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
        {L"C:\\pics\\center.bmp", kCenter, kNotShown, L"", L"0", L"0"},
        {L"C:\\pics\\tile.bmp", kTile, kShown, L"", L"1", L"1"},
        {L"C:\\写真\\海.jpg", kScreen, kNotShown, L"C:\\arc\\a.lzh", L"0", L"2"},
        {L"C:\\pics\\odd.bmp", L"7", kNotShown, L"", L"0", L"7"},
        {L"C:\\pics\\short.bmp", kScreen, kShown, L"", L"1", L"2"},
        {mrv::AnsiToWide(longPath), kScreen, kNotShown, L"", L"0", L"2"},
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

TEST_F(ListWindowTest, AnEmptyListGivesAnEmptyViewWithTheDefaultStyleChecked) {
    Setting(L"InitialPosition", 2);
    ListHost host;
    ASSERT_NE(host.window(), nullptr);
    EXPECT_TRUE(host.Rows().empty());
    EXPECT_FALSE(host.ButtonEnabled(IDM_EDIT_ERASE));
    EXPECT_FALSE(host.ButtonEnabled(IDM_FILE_PREVIEW));
    EXPECT_TRUE(host.ButtonEnabled(IDM_EDIT_ADD));
    EXPECT_FALSE(host.ButtonChecked(IDM_EDIT_CENTER));
    EXPECT_FALSE(host.ButtonChecked(IDM_EDIT_TILE));
    EXPECT_TRUE(host.ButtonChecked(IDM_EDIT_SCREEN));
    host.CloseList();
    EXPECT_EQ(host.Finish(), "");
}

TEST_F(ListWindowTest, TheUpperSelectedEntryDecidesTheCheckedStyle) {
    Setting(L"InitialPosition", 1);
    ListHost host(Line("0", "0", L"C:\\a.bmp") + Line("0", "2", L"C:\\b.bmp") + Line("1", "1", L"C:\\c.bmp") +
                  Line("0", "9", L"C:\\d.bmp"));
    ASSERT_NE(host.window(), nullptr);
    struct Case {
        std::vector<int> selected;
        bool center, tile, screen, erase, preview;
    };
    const Case cases[] = {
        {{}, false, true, false, false, false},      // nothing selected: the style for new entries
        {{1, 2}, false, false, true, true, false},   // two: the upper one's style, no preview
        {{2}, false, true, false, true, true},       // one
        {{0, 3}, true, false, false, true, false},
        {{3}, false, false, false, true, true},      // a style the program does not write: none checked
        {{}, false, true, false, false, false},
    };
    for (const Case& c : cases) {
        host.Select(c.selected);
        const std::string what = "selected " + std::to_string(c.selected.size()) +
                                 (c.selected.empty() ? "" : " from " + std::to_string(c.selected[0]));
        EXPECT_EQ(host.ButtonChecked(IDM_EDIT_CENTER), c.center) << what;
        EXPECT_EQ(host.ButtonChecked(IDM_EDIT_TILE), c.tile) << what;
        EXPECT_EQ(host.ButtonChecked(IDM_EDIT_SCREEN), c.screen) << what;
        EXPECT_EQ(host.ButtonEnabled(IDM_EDIT_ERASE), c.erase) << what;
        EXPECT_EQ(host.ButtonEnabled(IDM_FILE_PREVIEW), c.preview) << what;
    }
}

TEST_F(ListWindowTest, RestylingChangesTheSelectedEntriesAndTheStyleForNewOnes) {
    ListHost host(Line("0", "0", L"C:\\a.bmp") + Line("1", "1", L"C:\\b.bmp") + Line("0", "2", L"C:\\c.bmp") +
                  Line("1", "0", L"C:\\d.bmp"));
    ASSERT_NE(host.window(), nullptr);
    host.Select({0, 1, 2});
    host.Send(IDM_EDIT_SCREEN);
    const std::vector<Row> expected = {
        {L"C:\\a.bmp", kScreen, kNotShown, L"", L"0", L"2"},
        {L"C:\\b.bmp", kScreen, kShown, L"", L"1", L"2"},
        {L"C:\\c.bmp", kScreen, kNotShown, L"", L"0", L"2"},
        {L"C:\\d.bmp", kCenter, kShown, L"", L"1", L"0"},
    };
    EXPECT_EQ(host.Rows(), expected) << listkit::Describe(host.Rows());
    EXPECT_TRUE(host.ButtonChecked(IDM_EDIT_SCREEN));
    EXPECT_FALSE(host.ButtonChecked(IDM_EDIT_CENTER));
    EXPECT_EQ(host.Selected(), (std::vector<int>{0, 1, 2}));
    host.CloseList();
    EXPECT_EQ(host.Finish(), "0,2,C:\\a.bmp,\r\n1,2,C:\\b.bmp,\r\n0,2,C:\\c.bmp,\r\n1,0,C:\\d.bmp,\r\n");
    EXPECT_EQ(testkit::ReadRegDword(kSettings, L"InitialPosition"), 2u);
}

TEST_F(ListWindowTest, TheTileButtonWithNothingSelectedOnlySetsTheStyleOfNewEntries) {
    ListHost host(Line("0", "0", L"C:\\a.bmp"));
    ASSERT_NE(host.window(), nullptr);
    host.Activate();
    listkit::Click(host.ButtonPoint(IDM_EDIT_TILE));
    ASSERT_TRUE(listkit::WaitUntil([&] { return host.ButtonChecked(IDM_EDIT_TILE); }));
    EXPECT_FALSE(host.ButtonChecked(IDM_EDIT_CENTER));
    host.DropFiles({L"C:\\new.jpg"});
    const std::vector<Row> expected = {
        {L"C:\\a.bmp", kCenter, kNotShown, L"", L"0", L"0"},
        {L"C:\\new.jpg", kTile, kNotShown, L"", L"0", L"1"},
    };
    EXPECT_EQ(host.Rows(), expected) << listkit::Describe(host.Rows());
    EXPECT_TRUE(host.Selected().empty());
    host.CloseList();
    EXPECT_EQ(host.Finish(), "0,0,C:\\a.bmp,\r\n0,1,C:\\new.jpg,\r\n");
    EXPECT_EQ(testkit::ReadRegDword(kSettings, L"InitialPosition"), 1u);
}

TEST_F(ListWindowTest, MarkingChangesOnlyTheShownFlagOfTheSelectedEntries) {
    ListHost host(Line("0", "0", L"C:\\a.bmp") + Line("1", "1", L"C:\\b.bmp") + Line("0", "2", L"C:\\c.bmp") +
                  "x,1,C:\\d.bmp,\r\n");
    ASSERT_NE(host.window(), nullptr);
    host.Select({0, 2});
    host.Send(IDM_EDIT_ALREADY);
    host.Select({1});
    host.Send(IDM_EDIT_YET);
    const std::vector<Row> expected = {
        {L"C:\\a.bmp", kCenter, kShown, L"", L"1", L"0"},
        {L"C:\\b.bmp", kTile, kNotShown, L"", L"0", L"1"},
        {L"C:\\c.bmp", kScreen, kShown, L"", L"1", L"2"},
        {L"C:\\d.bmp", kTile, kShown, L"", L"x", L"1"},  // any flag but "0" is shown, and stays as it is
    };
    EXPECT_EQ(host.Rows(), expected) << listkit::Describe(host.Rows());
    host.CloseList();
    EXPECT_EQ(host.Finish(), "1,0,C:\\a.bmp,\r\n0,1,C:\\b.bmp,\r\n1,2,C:\\c.bmp,\r\nx,1,C:\\d.bmp,\r\n");
}

TEST_F(ListWindowTest, ErasingRemovesTheSelectedEntriesAndKeepsTheOthersInOrder) {
    ListHost host(Line("0", "0", L"C:\\a.bmp") + Line("0", "0", L"C:\\b.bmp") + Line("0", "0", L"C:\\c.bmp") +
                  Line("0", "0", L"C:\\d.bmp") + Line("0", "0", L"C:\\e.bmp"));
    ASSERT_NE(host.window(), nullptr);
    host.Select({0, 2, 3});
    EXPECT_TRUE(host.ButtonEnabled(IDM_EDIT_ERASE));
    host.Send(IDM_EDIT_ERASE);
    EXPECT_EQ(Paths(host.Rows()), (std::vector<std::wstring>{L"C:\\b.bmp", L"C:\\e.bmp"}));
    EXPECT_TRUE(host.Selected().empty());
    EXPECT_FALSE(host.ButtonEnabled(IDM_EDIT_ERASE));
    EXPECT_FALSE(host.ButtonEnabled(IDM_FILE_PREVIEW));
    host.CloseList();
    EXPECT_EQ(host.Finish(), "0,0,C:\\b.bmp,\r\n0,0,C:\\e.bmp,\r\n");
}

TEST_F(ListWindowTest, ShortcutKeysSelectEraseRefreshAndClose) {
    const std::string list = Line("0", "0", L"C:\\a.bmp") + Line("1", "1", L"C:\\b.bmp") + Line("0", "2", L"C:\\c.bmp");
    ListHost host(list);
    ASSERT_NE(host.window(), nullptr);
    host.Activate();
    listkit::Key('A', true);
    ASSERT_TRUE(listkit::WaitUntil([&] { return host.Selected().size() == 3; })) << host.Selected().size();
    listkit::Key(VK_DELETE);
    ASSERT_TRUE(listkit::WaitUntil([&] { return host.Rows().empty(); }));
    EXPECT_FALSE(host.ButtonEnabled(IDM_EDIT_ERASE));
    // F5 throws the window's changes away: the list is still what it was when the window opened.
    listkit::Key(VK_F5);
    ASSERT_TRUE(listkit::WaitUntil([&] { return host.Rows().size() == 3; }));
    EXPECT_TRUE(host.Selected().empty());
    host.Select({1});
    listkit::Key(VK_DELETE);
    ASSERT_TRUE(listkit::WaitUntil([&] { return host.Rows().size() == 2; }));
    const HWND w = host.window();
    listkit::Key(VK_F4, true);
    EXPECT_TRUE(listkit::WaitGone(w));
    EXPECT_EQ(host.Finish(), "0,0,C:\\a.bmp,\r\n0,2,C:\\c.bmp,\r\n");
}

TEST_F(ListWindowTest, DraggingMovesTheFirstSelectedEntryOntoTheTargetsPlace) {
    ListHost host(Line("0", "0", L"C:\\A.bmp") + Line("0", "0", L"C:\\B.bmp") + Line("0", "0", L"C:\\C.bmp") +
                  Line("0", "0", L"C:\\D.bmp"));
    ASSERT_NE(host.window(), nullptr);
    struct Case {
        std::vector<int> selected;  // before the drag; the drag starts on the first of them
        int target;                 // -1: the empty space below the rows
        const wchar_t* order;
        std::vector<int> selectedAfter;
    };
    const Case cases[] = {
        {{0}, 2, L"BCAD", {}},        // downwards: just after the target
        {{3}, 1, L"ADBC", {}},        // upwards: just before it
        {{1}, 1, L"ABCD", {}},        // onto itself: stays
        {{1, 3}, 0, L"BACD", {3}},    // only the first selected moves; the other stays selected
        {{2}, -1, L"ABCD", {2}},      // below the last row: nothing happens
    };
    host.Activate();
    const RECT last = host.ItemRect(3);
    listkit::Click({last.left + 20, last.bottom + 40});  // the pointer starts inside the window
    for (const Case& c : cases) {
        host.Send(IDM_FILE_REFRESH);
        host.Select(c.selected);
        const POINT from = host.ItemPoint(c.selected[0]);
        POINT to;
        if (c.target >= 0) {
            to = host.ItemPoint(c.target);
            if (c.target == c.selected[0]) to.x += 60;  // out of the press's reach, still on the row
        } else {
            to = {from.x, last.bottom + 3 * (last.bottom - last.top)};
        }
        listkit::Drag(from, to);
        std::wstring order;
        std::vector<int> selected;
        // The drop reaches the window through the X server: wait for its outcome.
        listkit::WaitUntil([&] {
            order.clear();
            for (const std::wstring& p : Paths(host.Rows())) order += p.substr(3, 1);
            selected = host.Selected();
            return order == c.order && selected == c.selectedAfter;
        }, 3000);
        EXPECT_EQ(order, c.order) << "dragging " << c.selected[0] << " to " << c.target;
        EXPECT_EQ(selected, c.selectedAfter) << "dragging " << c.selected[0] << " to " << c.target;
    }
    // Esc before the release puts nothing anywhere.
    host.Send(IDM_FILE_REFRESH);
    host.Select({0});
    listkit::Drag(host.ItemPoint(0), host.ItemPoint(2), true);
    Sleep(300);
    EXPECT_EQ(Paths(host.Rows()), (std::vector<std::wstring>{L"C:\\A.bmp", L"C:\\B.bmp", L"C:\\C.bmp", L"C:\\D.bmp"}));

    host.Select({0});
    listkit::Drag(host.ItemPoint(0), host.ItemPoint(2));
    ASSERT_TRUE(listkit::WaitUntil([&] { return host.Rows().size() == 4 && host.Rows()[2].path == L"C:\\A.bmp"; }));
    host.CloseList();
    EXPECT_EQ(host.Finish(), "0,0,C:\\B.bmp,\r\n0,0,C:\\C.bmp,\r\n0,0,C:\\A.bmp,\r\n0,0,C:\\D.bmp,\r\n");
}

TEST_F(ListWindowTest, FilesDroppedFromExplorerAreAddedWholeAndUnstorableNamesAreRefused) {
    Setting(L"InitialPosition", 2);
    const std::wstring unicodeFile = files / L"한국.bmp";  // no Shift-JIS spelling, but a short name
    testkit::WriteBytes(unicodeFile, "BM");
    const std::wstring longName = L"C:\\pics\\" + std::wstring(300, L'n') + L".jpg";
    ListHost host(Line("0", "0", L"C:\\a.jpg"));
    ASSERT_NE(host.window(), nullptr);
    host.DropFiles({L"C:\\b.bmp", L"C:\\a.jpg", L"C:\\c.png"});
    std::vector<Row> expected = {
        {L"C:\\a.jpg", kCenter, kNotShown, L"", L"0", L"0"},
        {L"C:\\b.bmp", kScreen, kNotShown, L"", L"0", L"2"},
        {L"C:\\a.jpg", kScreen, kNotShown, L"", L"0", L"2"},
        {L"C:\\c.png", kScreen, kNotShown, L"", L"0", L"2"},
    };
    EXPECT_EQ(host.Rows(), expected) << listkit::Describe(host.Rows());

    testkit::DialogWatcher boxes;
    host.DropFiles({L"C:\\x,y.jpg", longName, unicodeFile, files / L"없음.bmp"});
    ASSERT_TRUE(boxes.WaitFor(2));
    const auto seen = boxes.Seen();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].text, L"C:\\x,y.jpg\nファイル名に「,」を含むファイルはリストに登録できません。");
    EXPECT_EQ(seen[1].text, files / L"없음.bmp" + L"\nこのファイル名はリストに登録できません。");
    EXPECT_EQ(seen[0].caption, kAppTitle);
    const std::vector<Row> rows = host.Rows();
    ASSERT_EQ(rows.size(), 6u) << listkit::Describe(rows);
    EXPECT_EQ(rows[4].path, longName);
    // The short name names the same file and is spelled in the list's code page.
    const std::wstring shortName = rows[5].path;
    EXPECT_EQ(mrv::AnsiToWide(mrv::WideToAnsi(shortName)), shortName);
    wchar_t longForm[MAX_PATH] = {};
    GetLongPathNameW(shortName.c_str(), longForm, MAX_PATH);
    EXPECT_EQ(std::wstring(longForm), unicodeFile);
    host.CloseList();
    EXPECT_EQ(host.Finish(), "0,0,C:\\a.jpg,\r\n0,2,C:\\b.bmp,\r\n0,2,C:\\a.jpg,\r\n0,2,C:\\c.png,\r\n0,2," +
                                 listkit::Cp932(longName) + ",\r\n0,2," + listkit::Cp932(shortName) + ",\r\n");
}

TEST_F(ListWindowTest, TheCurrentWallpaperIsAddedWithTheDesktopsStyle) {
    DesktopValues desktop;
    const std::wstring one = L"1", two = L"2", zero = L"0", wall = L"C:\\walls\\now.bmp";
    struct Case {
        const std::wstring* tile;
        const std::wstring* style;
        const wchar_t* caption;
        const wchar_t* number;
    };
    const Case cases[] = {
        {&one, &two, kScreen, L"2"},
        {&one, &zero, kTile, L"1"},
        {&zero, &zero, kCenter, L"0"},
        {nullptr, nullptr, kCenter, L"0"},
    };
    desktop.Set(L"Wallpaper", &wall);
    Setting(L"InitialPosition", 1);
    ListHost host;
    ASSERT_NE(host.window(), nullptr);
    for (const Case& c : cases) {
        desktop.Set(L"TileWallpaper", c.tile);
        desktop.Set(L"WallpaperStyle", c.style);
        host.Send(IDM_EDIT_NOW);
        const std::vector<Row> rows = host.Rows();
        ASSERT_FALSE(rows.empty());
        EXPECT_EQ(rows.back(), (Row{wall, c.caption, kNotShown, L"", L"0", c.number})) << listkit::Describe(rows);
    }
    EXPECT_EQ(host.Rows().size(), 4u);
    EXPECT_TRUE(host.ButtonChecked(IDM_EDIT_TILE));  // the style for new entries is not touched

    const std::wstring empty;
    desktop.Set(L"Wallpaper", &empty);
    testkit::DialogWatcher boxes;
    host.Post(IDM_EDIT_NOW);
    ASSERT_TRUE(boxes.WaitFor(1));
    EXPECT_EQ(boxes.Seen()[0].text, L"現在、壁紙が設定されていません。\nリストに追加できません。");
    EXPECT_EQ(host.Rows().size(), 4u);
}

TEST_F(ListWindowTest, SetAsWallpaperConvertsThePictureAndMarksTheEntryShown) {
    DesktopValues desktop;
    InstallDecoder();
    const std::wstring missing = files / L"gone.bmp";
    ListHost host(Line("0", "1", Picture(L"small.png")) + Line("0", "2", missing) + Line("0", "2", Picture(L"big.bmp")));
    ASSERT_NE(host.window(), nullptr);
    host.Select({0});
    host.Send(IDM_FILE_CHANGE);
    EXPECT_EQ(testkit::ReadRegString(kDesktop, L"TileWallpaper"), L"1");
    EXPECT_EQ(testkit::ReadRegString(kDesktop, L"WallpaperStyle"), L"0");
    EXPECT_EQ(testkit::ReadRegString(kDesktop, L"Wallpaper"), changed);
    EXPECT_EQ(testkit::ReadBytes(changed).substr(0, 2), "BM");
    EXPECT_EQ(host.Rows()[0], (Row{Picture(L"small.png"), kTile, kShown, L"", L"1", L"1"}));

    // A bitmap that is gone: said so, and nothing changes.
    testkit::DialogWatcher boxes;
    host.Select({1});
    host.Post(IDM_FILE_CHANGE);
    ASSERT_TRUE(boxes.WaitFor(1));
    EXPECT_EQ(boxes.Seen()[0].text, missing + L"\nファイルが見つかりません。");
    EXPECT_EQ(testkit::ReadRegString(kDesktop, L"TileWallpaper"), L"1");
    EXPECT_EQ(testkit::ReadRegString(kDesktop, L"Wallpaper"), changed);
    EXPECT_EQ(host.Rows()[1].flag, L"0");

    // A bitmap goes to the desktop as it is.
    host.Select({2});
    host.Send(IDM_FILE_CHANGE);
    EXPECT_EQ(testkit::ReadRegString(kDesktop, L"TileWallpaper"), L"0");
    EXPECT_EQ(testkit::ReadRegString(kDesktop, L"WallpaperStyle"), L"2");
    EXPECT_EQ(testkit::ReadRegString(kDesktop, L"Wallpaper"), Picture(L"big.bmp"));
    EXPECT_EQ(host.Rows()[2].shownCaption, kShown);
    host.CloseList();
    EXPECT_EQ(host.Finish(), Line("1", "1", Picture(L"small.png")) + Line("0", "2", missing) +
                                 Line("1", "2", Picture(L"big.bmp")));
}

TEST_F(ListWindowTest, DoubleClickDoesWhatTheSettingSays) {
    DesktopValues desktop;
    InstallDecoder();
    const std::string list = Line("0", "0", Picture(L"small.bmp")) + Line("0", "2", Picture(L"small.png"));
    struct Case {
        DWORD setting;
        bool wallpaper, preview;
    };
    for (const Case c : {Case{0, false, false}, Case{1, true, false}, Case{2, false, true}}) {
        const std::wstring before = L"C:\\nothing.bmp";
        desktop.Set(L"Wallpaper", &before);
        Setting(L"DblClickList", c.setting);
        ListHost host(list);
        ASSERT_NE(host.window(), nullptr);
        host.Activate();
        listkit::DoubleClick(host.ItemPoint(1));
        HWND preview = listkit::WaitForVisible(TFormMURAVINEPreview::kClassName, GetProcessId(host.process()),
                                               c.preview ? 10000 : 1500);
        EXPECT_EQ(preview != nullptr, c.preview) << c.setting;
        if (preview) {
            listkit::Key(VK_RETURN);
            EXPECT_TRUE(listkit::WaitGone(preview));
        }
        EXPECT_EQ(testkit::ReadRegString(kDesktop, L"Wallpaper"), c.wallpaper ? changed : before) << c.setting;
        EXPECT_EQ(host.Rows()[1].flag, c.wallpaper ? L"1" : L"0") << c.setting;
        EXPECT_EQ(host.Rows()[0].flag, L"0") << c.setting;
    }
}

TEST_F(ListWindowTest, PreviewShowsTheConvertedPictureAndRemovesItsTemporaryBitmap) {
    InstallDecoder();
    const std::wstring temp = listkit::TempFolder() + L"MRV_WP.bmp";
    const std::wstring damaged = files / L"damaged.bmp";
    testkit::WriteBytes(damaged, "BM not a bitmap");
    ListHost host(Line("0", "0", Picture(L"small.png")) + Line("0", "0", Picture(L"PICTURE.Bmp")) +
                  Line("0", "0", Picture(L"small.xyz")) + Line("0", "0", damaged));
    ASSERT_NE(host.window(), nullptr);
    const DWORD pid = GetProcessId(host.process());

    host.Select({0});
    host.Post(IDM_FILE_PREVIEW);
    HWND preview = listkit::WaitForVisible(TFormMURAVINEPreview::kClassName, pid);
    ASSERT_NE(preview, nullptr);
    RECT r{};
    GetWindowRect(preview, &r);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.right, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(r.bottom, GetSystemMetrics(SM_CYSCREEN));
    EXPECT_EQ(testkit::ReadBytes(temp).substr(0, 2), "BM");
    EXPECT_FALSE(IsWindowEnabled(host.window()));  // the list takes no input meanwhile
    listkit::Key('A');
    listkit::Key(VK_SPACE);
    Sleep(300);
    EXPECT_TRUE(IsWindowVisible(preview));  // only Esc, Enter or a click closes it
    listkit::Key(VK_ESCAPE);
    EXPECT_TRUE(listkit::WaitGone(preview));
    EXPECT_FALSE(testkit::FileExists(temp));
    EXPECT_TRUE(listkit::WaitUntil([&] { return IsWindowEnabled(host.window()) != FALSE; }));

    // A bitmap is shown as it is; a temporary bitmap that something else left goes all the same.
    testkit::WriteBytes(temp, "left behind");
    host.Select({1});
    host.Post(IDM_FILE_PREVIEW);
    preview = listkit::WaitForVisible(TFormMURAVINEPreview::kClassName, pid);
    ASSERT_NE(preview, nullptr);
    EXPECT_EQ(testkit::ReadBytes(temp), "left behind");
    listkit::Click({700, 500});
    EXPECT_TRUE(listkit::WaitGone(preview));
    EXPECT_FALSE(testkit::FileExists(temp));

    // A picture no decoder reads: said so, and no preview.
    testkit::DialogWatcher boxes;
    host.Select({2});
    host.Post(IDM_FILE_PREVIEW);
    ASSERT_TRUE(boxes.WaitFor(1));
    EXPECT_EQ(boxes.Seen()[0].text, L"この拡張子用のプラグインがインストールされていません。");
    EXPECT_EQ(listkit::WaitForVisible(TFormMURAVINEPreview::kClassName, pid, 500), nullptr);

    // A damaged bitmap: said so, and the preview shows only the desktop colour until closed.
    host.Select({3});
    host.Post(IDM_FILE_PREVIEW);
    ASSERT_TRUE(boxes.WaitFor(2));
    EXPECT_EQ(boxes.Seen()[1].text, damaged + L"\nビットマップを読み込めません。");
    preview = listkit::WaitForVisible(TFormMURAVINEPreview::kClassName, pid);
    ASSERT_NE(preview, nullptr);
    listkit::Key(VK_ESCAPE);
    EXPECT_TRUE(listkit::WaitGone(preview));
}

TEST_F(ListWindowTest, EditsReachTheListWhenTheWindowClosesAndAReloadRefillsIt) {
    ListHost host(Line("0", "0", L"C:\\a.bmp") + Line("0", "0", L"C:\\b.bmp"));
    ASSERT_NE(host.window(), nullptr);
    host.Select({0});
    host.Send(IDM_EDIT_ERASE);
    host.CloseList();
    host.Reopen();
    ASSERT_NE(host.window(), nullptr);
    EXPECT_EQ(Paths(host.Rows()), (std::vector<std::wstring>{L"C:\\b.bmp"}));

    // Another launch rewrote the file: the main window reloads it and refreshes the open window.
    testkit::WriteBytes(host.ListFile(), Line("1", "1", L"C:\\x.bmp") + Line("0", "2", L"C:\\y.bmp"));
    PostMessageW(host.host(), UM_SHOW_OR_RELOAD, 0, 1);
    ASSERT_TRUE(listkit::WaitUntil([&] { return host.Rows().size() == 2; }));
    EXPECT_EQ(host.Rows()[1], (Row{L"C:\\y.bmp", kScreen, kNotShown, L"", L"0", L"2"}));

    // Closing with the program: changes still in the window are not kept.
    host.Select({0});
    host.Send(IDM_EDIT_ERASE);
    EXPECT_EQ(host.Finish(), "1,1,C:\\x.bmp,\r\n0,2,C:\\y.bmp,\r\n");
}

TEST_F(ListWindowTest, TheStatusBarShowsTheHintOfWhatIsUnderThePointer) {
    ListHost host(Line("0", "0", L"C:\\a.bmp"));
    ASSERT_NE(host.window(), nullptr);
    host.Activate();
    struct Case {
        UINT button;
        const wchar_t* hint;
    };
    for (const Case c : {Case{IDM_EDIT_ADD, L"ファイルをリストに追加します"}, Case{IDM_EDIT_TILE, L"並べて表示するよう設定します"},
                         Case{IDM_HELP_CONTENTS, L""}, Case{IDM_EDIT_SCREEN, L"画面全体に表示するよう設定します"}}) {
        listkit::MouseMoveTo(host.ButtonPoint(c.button));
        listkit::WaitUntil([&] { return host.StatusText() == c.hint; }, 3000);
        EXPECT_EQ(host.StatusText(), c.hint);
    }
    listkit::MouseMoveTo(host.ItemPoint(0));
    EXPECT_TRUE(listkit::WaitUntil([&] { return host.StatusText().empty(); }, 3000));

    // The menus: the highlighted item's hint.
    listkit::Key('F', false, true);
    EXPECT_TRUE(listkit::WaitUntil([&] { return host.StatusText() == L"壁紙を即座に変更します"; }, 3000))
        << testkit::Narrow(host.StatusText());
    listkit::Key(VK_DOWN);
    EXPECT_TRUE(listkit::WaitUntil([&] { return host.StatusText() == L"選択中ファイルのプレビューを表示します"; }, 3000))
        << testkit::Narrow(host.StatusText());
    listkit::Key(VK_DOWN);  // the refresh item has no hint
    EXPECT_TRUE(listkit::WaitUntil([&] { return host.StatusText().empty(); }, 3000));
    listkit::Key(VK_ESCAPE);
    listkit::Key(VK_ESCAPE);
}

TEST_F(ListWindowTest, TheAddCommandAddsTheFilesChosenInTheOpenDialogInOrder) {
    InstallDecoder();
    Setting(L"InitialPosition", 1);
    testkit::WriteBytes(files / L"b.bmp", "BM");
    testkit::WriteBytes(files / L"a.png", "x");
    ListHost host(Line("0", "0", L"C:\\z.bmp"));
    ASSERT_NE(host.window(), nullptr);
    const DWORD pid = GetProcessId(host.process());
    for (bool cancel : {true, false}) {
        host.Activate();
        listkit::Key(VK_INSERT);
        HWND dlg = listkit::WaitForVisible(L"#32770", pid);
        ASSERT_NE(dlg, nullptr);
        // The type list starts with every picture, then bitmaps, then each pattern of the decoder.
        HWND types = GetDlgItem(dlg, 0x470);  // cmb1
        ASSERT_NE(types, nullptr);
        wchar_t current[256] = {};
        SendMessageW(types, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(current));
        EXPECT_EQ(std::wstring(current), L"すべてのイメージ");
        EXPECT_GT(SendMessageW(types, CB_GETCOUNT, 0, 0), 2);
        if (cancel) {
            PostMessageW(dlg, WM_COMMAND, IDCANCEL, 0);
        } else {
            HWND name = GetDlgItem(dlg, 0x47C);  // cmb13, the file name
            if (!name) name = GetDlgItem(dlg, 0x480);
            ASSERT_NE(name, nullptr);
            // As a user types it: the folder first, then the two names in the order wanted.
            SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(files.path().c_str()));
            SendMessageW(dlg, WM_COMMAND, IDOK, 0);
            const std::wstring names = L"\"b.bmp\" \"a.png\"";
            SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(names.c_str()));
            PostMessageW(dlg, WM_COMMAND, IDOK, 0);
        }
        EXPECT_TRUE(listkit::WaitGone(dlg));
        SendMessageTimeoutW(host.window(), WM_NULL, 0, 0, SMTO_NORMAL, 5000, nullptr);
        EXPECT_EQ(host.Rows().size(), cancel ? 1u : 3u);
    }
    const std::vector<Row> rows = host.Rows();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[1], (Row{files / L"b.bmp", kTile, kNotShown, L"", L"0", L"1"}));
    EXPECT_EQ(rows[2], (Row{files / L"a.png", kTile, kNotShown, L"", L"0", L"1"}));
}

TEST_F(ListWindowTest, HelpOpensTheHelpFileBesideTheProgram) {
    ListHost host;
    ASSERT_NE(host.window(), nullptr);
    const DWORD pid = GetProcessId(host.process());
    host.Activate();
    listkit::Key(VK_F1);
    HWND viewer = listkit::WaitForVisible(L"HH Parent", pid);
    ASSERT_NE(viewer, nullptr);
    wchar_t title[256] = {};
    GetWindowTextW(viewer, title, 256);
    EXPECT_EQ(std::wstring(title), L"List window help");
    PostMessageW(viewer, WM_CLOSE, 0, 0);
    EXPECT_TRUE(listkit::WaitGone(viewer));
    host.Post(IDM_HELP_COMMAND);
    viewer = listkit::WaitForVisible(L"HH Parent", pid);
    ASSERT_NE(viewer, nullptr);
    PostMessageW(viewer, WM_CLOSE, 0, 0);
    EXPECT_TRUE(listkit::WaitGone(viewer));
}

// The real program: its list command and its tray icon's double click open the window, which
// hands its rows back to the program when it closes; the program writes them at its end.
TEST_F(ListWindowTest, TheProgramOpensTheWindowAndKeepsWhatItsUserChanged) {
    testkit::TempDir app{L"listapp"};
    const std::wstring exe = app / L"MURAVINE.exe";
    ASSERT_TRUE(CopyFileW(testkit::MuravineExe().c_str(), exe.c_str(), FALSE));
    wchar_t user[257] = {};
    DWORD len = 257;
    GetUserNameW(user, &len);
    const std::wstring listFile = app / (std::wstring(user) + L".LST");
    testkit::WriteBytes(listFile, Line("0", "0", L"C:\\a.bmp") + Line("1", "1", L"C:\\b.bmp") + Line("0", "2", L"C:\\c.bmp"));
    Setting(L"DblClickOperate", 2);
    HANDLE process = testkit::Start(testkit::Quote(exe), app.path());
    ASSERT_NE(process, nullptr);
    const DWORD pid = GetProcessId(process);
    struct Closer {
        HANDLE p;
        ~Closer() {
            if (WaitForSingleObject(p, 0) == WAIT_TIMEOUT) TerminateProcess(p, 1);
            CloseHandle(p);
        }
    } closer{process};
    HWND main = nullptr;
    ASSERT_TRUE(listkit::WaitUntil([&] { return (main = listkit::FindTopLevel(kMainWindowClass, pid)) != nullptr; }));

    PostMessageW(main, WM_COMMAND, MAKEWPARAM(IDM_PM1LIST, 0), 0);
    HWND list = listkit::WaitForVisible(TFormMURAVINEList::kClassName, pid);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(GetWindow(list, GW_OWNER), main);
    EXPECT_EQ(Paths(listkit::ReadRows(process, list)),
              (std::vector<std::wstring>{L"C:\\a.bmp", L"C:\\b.bmp", L"C:\\c.bmp"}));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(main, IDC_BUTTON1)));  // one list window at a time

    // Erase the first entry with the keyboard, close with Ctrl+F4.
    SetForegroundWindow(list);
    listkit::WaitUntil([&] { return GetForegroundWindow() == list; }, 3000);
    HWND view = GetDlgItem(list, IDC_LIST_VIEW);
    listkit::Click(listkit::ScreenPointOfRow(process, view, 0));
    listkit::Key(VK_DELETE);
    ASSERT_TRUE(listkit::WaitUntil([&] { return listkit::ReadRows(process, list).size() == 2; }));
    listkit::Key(VK_F4, true);
    ASSERT_TRUE(listkit::WaitUntil([&] { return !IsWindow(list); })) << "the program destroys the closed window";
    EXPECT_TRUE(listkit::WaitUntil([&] { return IsWindowEnabled(GetDlgItem(main, IDC_BUTTON1)) != FALSE; }));

    // The tray icon's double click opens it again, with the change in it.
    listkit::DoubleClick(listkit::TrayIconPoint());
    list = listkit::WaitForVisible(TFormMURAVINEList::kClassName, pid);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(Paths(listkit::ReadRows(process, list)), (std::vector<std::wstring>{L"C:\\b.bmp", L"C:\\c.bmp"}));
    PostMessageW(list, WM_CLOSE, 0, 0);
    ASSERT_TRUE(listkit::WaitUntil([&] { return !IsWindow(list); }));

    // The program's end writes the list.
    PostMessageW(main, WM_CLOSE, 0, 0);
    ASSERT_TRUE(testkit::WaitExit(process, 15000));
    EXPECT_EQ(testkit::ReadBytes(listFile), "1,1,C:\\b.bmp,\r\n0,2,C:\\c.bmp,\r\n");
}

}  // namespace
