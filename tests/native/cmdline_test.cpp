#include "core/cmdline.h"

#include <gtest/gtest.h>

using namespace mrv;

TEST(SplitParams, BlanksSeparateQuotesGroup) {
    using V = std::vector<std::wstring>;
    EXPECT_EQ(SplitParams(L"\"C:\\Program Files\\M\\MURAVINE.exe\" /ac \"D:\\my pics\\a.jpg\""),
              (V{L"/ac", L"D:\\my pics\\a.jpg"}));
    EXPECT_EQ(SplitParams(L"MURAVINE.exe"), V{});
    EXPECT_EQ(SplitParams(L"m.exe   /startup  "), V{L"/startup"});
    EXPECT_EQ(SplitParams(L"m.exe a\"b c\"d \"\""), (V{L"ab cd", L""}));
    EXPECT_EQ(SplitParams(L"m.exe \"C:\\dir\\\" x"), (V{L"C:\\dir\\", L"x"}));
}

TEST(ClassifyLaunch, EveryForm) {
    struct Case {
        std::vector<std::wstring> params;
        LaunchKind kind;
        int style;
        bool startup;
    } cases[] = {
        {{}, LaunchKind::Normal, 0, false},
        {{L"/startup"}, LaunchKind::Normal, 0, true},
        {{L"/Startup"}, LaunchKind::Normal, 0, false},
        {{L"C:\\a.bmp"}, LaunchKind::Normal, 0, false},
        {{L"/d"}, LaunchKind::DeleteSettings, 0, false},
        {{L"-Delete"}, LaunchKind::DeleteSettings, 0, false},
        {{L"xd"}, LaunchKind::Normal, 0, false},
        {{L"/d", L"x"}, LaunchKind::Nothing, 0, false},
        {{L"/wt", L"C:\\a.bmp"}, LaunchKind::SetWallpaper, 1, false},
        {{L"-WS", L"C:\\a.bmp"}, LaunchKind::SetWallpaper, 2, false},
        {{L"zws", L"C:\\a.bmp"}, LaunchKind::SetWallpaper, 2, false},
        {{L"/w", L"C:\\a.bmp"}, LaunchKind::SetWallpaper, 0, false},
        {{L"/ac", L"C:\\a.bmp", L"extra"}, LaunchKind::AddToList, 0, false},
        {{L"/as", L"C:\\a.bmp"}, LaunchKind::AddToList, 2, false},
        {{L"/a", L"C:\\a.bmp"}, LaunchKind::AddToList, 0, false},
        {{L"/xq", L"C:\\a.bmp"}, LaunchKind::Nothing, 0, false},
        {{L"", L"C:\\a.bmp"}, LaunchKind::Nothing, 0, false},
    };
    for (const auto& c : cases) {
        const Launch l = ClassifyLaunch(c.params);
        const std::string what = testing::PrintToString(c.params.size()) + " params, first " +
                                 (c.params.empty() ? std::string("-") : std::string(c.params[0].begin(), c.params[0].end()));
        EXPECT_EQ(l.kind, c.kind) << what;
        EXPECT_EQ(l.style, c.style) << what;
        EXPECT_EQ(l.startup, c.startup) << what;
    }
}

TEST(ClassifyLaunch, LongFirstParameterIsKeptWhole) {
    const std::wstring longPath = L"C:\\" + std::wstring(400, L'a') + L".bmp";
    const Launch l = ClassifyLaunch({longPath});
    EXPECT_EQ(l.kind, LaunchKind::Normal);
    EXPECT_EQ(l.first, longPath);
    const Launch w = ClassifyLaunch({L"/wt", longPath});
    EXPECT_EQ(w.file, longPath);
}
