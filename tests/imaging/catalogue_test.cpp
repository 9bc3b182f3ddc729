// The plug-in catalogue against real decoder libraries in real folders.
#include <map>

#include "core/text.h"
#include "imaging_fixture.h"

namespace {

using Catalogue = ImagingTest;

struct Entry {
    std::string pattern;
    std::string description;
};

// What each test decoder reports, in its own order.
const std::map<std::wstring, std::vector<Entry>> kReported = {
    {L"mrvtest.sph", {{"*.mrt", "MURAVINE test picture"}}},
    {L"mrvtwin.sph", {{"*.MRT", "Twin picture"}}},
    {L"mrvgroups.sph", {{"*.mra", "Group AB"}, {"*.mrb", "Group AB"}, {"*.MRC", "Group C"}}},
    {L"mrvnodesc.sph", {{"*.pi", "pi Image"}, {"*.pic", "pic Image"}, {"*.mag", "mag Image"}}},
};

std::vector<std::wstring> FolderOrder(const std::wstring& pattern) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW(pattern.c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return names;
    do names.push_back(fd.cFileName);
    while (FindNextFileW(h, &fd));
    FindClose(h);
    return names;
}

bool PluginStateIsWhole() {
    const bool any = gv_hSusiePlugin || gv_pfnGetPluginInfo || gv_pfnGetPictureInfo || gv_pfnGetPicture;
    const bool all = gv_hSusiePlugin && gv_pfnGetPluginInfo && gv_pfnGetPictureInfo && gv_pfnGetPicture;
    return any == all;
}

}  // namespace

TEST_F(Catalogue, ReadSusiePathTakesTheFolderAsStored) {
    gv_sSusiePath = L"left over";
    EXPECT_FALSE(ReadSusiePath());
    EXPECT_EQ(gv_sSusiePath, L"");

    testkit::WriteRegDword(imgkit::kSusieKey, L"Other", 1);
    EXPECT_TRUE(ReadSusiePath()) << "the key alone says Susie is installed";
    EXPECT_EQ(gv_sSusiePath, L"");

    testkit::WriteRegString(imgkit::kSusieKey, L"Path", L"C:\\Program Files\\Susie\\");
    EXPECT_TRUE(ReadSusiePath());
    EXPECT_EQ(gv_sSusiePath, L"C:\\Program Files\\Susie\\");
}

TEST_F(Catalogue, ListsEveryPatternOfEveryImagePluginInFolderOrder) {
    UsePlugins(L"catalogue");
    ASSERT_TRUE(gv_lstSusieExt && gv_lstSusieFile && gv_lstSusieDesc);

    std::vector<std::string> ext, desc;
    std::vector<std::wstring> file;
    const std::vector<std::wstring> order = FolderOrder(testkit::PluginDir() + L"\\catalogue\\*.sph");
    ASSERT_GE(order.size(), 7u) << "the scenario's libraries and the junk file";
    for (const std::wstring& name : order) {
        const auto it = kReported.find(name);
        if (it == kReported.end()) continue;  // not a library, not an image plug-in, or an entry point missing
        for (const Entry& e : it->second) {
            ext.push_back(e.pattern);
            file.push_back(name);
            desc.push_back(e.description);
        }
    }
    EXPECT_EQ(*gv_lstSusieExt, ext);
    EXPECT_EQ(*gv_lstSusieFile, file);
    EXPECT_EQ(*gv_lstSusieDesc, desc);
    EXPECT_TRUE(PluginStateIsWhole());
}

TEST_F(Catalogue, WithoutPluginsTheListsExistEmpty) {
    testkit::TempDir empty{L"noplug"};
    UsePlugins(empty.path());
    ASSERT_TRUE(gv_lstSusieExt && gv_lstSusieFile && gv_lstSusieDesc);
    EXPECT_TRUE(gv_lstSusieExt->empty() && gv_lstSusieFile->empty() && gv_lstSusieDesc->empty());
}

TEST_F(Catalogue, APluginThatAnswersEveryNumberStillEnds) {
    UsePlugins(L"endless");
    ASSERT_TRUE(gv_lstSusieExt);
    EXPECT_EQ(gv_lstSusieExt->size(), 256u);
    EXPECT_EQ(gv_lstSusieExt->back(), "*.mre");
    EXPECT_EQ(gv_lstSusieDesc->back(), "Endless");
}

TEST_F(Catalogue, OpenSusiePluginKeepsOnlyImagePluginsWithEveryEntryPoint) {
    const std::wstring folder = testkit::PluginDir() + L"\\catalogue\\";
    struct Case {
        const wchar_t* name;
        bool accepted;
    } cases[] = {{L"mrvtest.sph", true},   {L"mrvarchive.sph", false}, {L"mrvgroups.sph", true},
                 {L"mrvnoentry.sph", false}, {L"junk.sph", false},     {L"absent.sph", false}};
    for (const auto& c : cases) {
        EXPECT_EQ(OpenSusiePlugin(folder + c.name), c.accepted) << testkit::Narrow(c.name);
        EXPECT_TRUE(PluginStateIsWhole());
        EXPECT_EQ(gv_hSusiePlugin != nullptr, c.accepted);
        if (c.accepted) {
            wchar_t loaded[MAX_PATH] = {};
            GetModuleFileNameW(gv_hSusiePlugin, loaded, MAX_PATH);
            EXPECT_EQ(imgkit::CaseFold(loaded), imgkit::CaseFold(folder + c.name));
        }
    }
    // Asking again for the current plug-in keeps it as it is.
    ASSERT_TRUE(OpenSusiePlugin(folder + L"mrvtest.sph"));
    const HMODULE current = gv_hSusiePlugin;
    EXPECT_TRUE(OpenSusiePlugin(folder + L"mrvtest.sph"));
    EXPECT_EQ(gv_hSusiePlugin, current);
    EXPECT_TRUE(PluginStateIsWhole());
    // One plug-in at a time: opening another unloads the current one.
    ASSERT_TRUE(OpenSusiePlugin(folder + L"mrvgroups.sph"));
    EXPECT_EQ(GetModuleHandleW((folder + L"mrvtest.sph").c_str()), nullptr);
    EXPECT_FALSE(OpenSusiePlugin(folder + L"junk.sph"));
    EXPECT_EQ(GetModuleHandleW((folder + L"mrvgroups.sph").c_str()), nullptr);
}

TEST_F(Catalogue, SupportCheckAnswersAndTellsWhyNot) {
    testkit::DialogWatcher boxes;
    for (const wchar_t* ext : {L".bmp", L".Bmp", L".BMP"}) EXPECT_TRUE(CheckSusieSupport(ext));
    EXPECT_FALSE(CheckSusieSupport(L".mrt"));
    ASSERT_TRUE(boxes.WaitFor(1));
    ASSERT_EQ(boxes.Seen().size(), 1u) << "bitmaps need no plug-in and no message";
    EXPECT_EQ(boxes.Seen()[0].text, L"Susieがインストールされていません。\nまたは一度も実行されていません。");
    EXPECT_EQ(boxes.Seen()[0].caption, L"MURAVINE");

    UsePlugins(L"catalogue");
    boxes.Clear();
    for (const wchar_t* ext : {L".mrt", L".MRT", L".mRt", L".mrb", L".mrc", L".pic", L".mag", L".bmp"})
        EXPECT_TRUE(CheckSusieSupport(ext)) << testkit::Narrow(ext);
    for (const wchar_t* ext : {L".mrx", L".mry", L".zzz", L""}) EXPECT_FALSE(CheckSusieSupport(ext)) << testkit::Narrow(ext);
    ASSERT_TRUE(boxes.WaitFor(4));
    for (const auto& box : boxes.Seen()) EXPECT_EQ(box.text, L"この拡張子用のプラグインがインストールされていません。");
}
