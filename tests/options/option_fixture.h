// The options dialog inside the test program, started like a fresh process on a machine where the
// program never ran: clean settings, no plug-ins unless a test registers a folder of test decoders.
#pragma once
#include <gtest/gtest.h>

#include "core/app.h"
#include "core/muravine_rtn.h"
#include "core/startup.h"
#include "imaging/muravine_susie.h"
#include "option_kit.h"
#include "options/muravine_option2.h"
#include "options/muravine_option_res.h"
#include "testkit.h"

inline constexpr wchar_t kSusieKey[] = L"Software\\Takechin\\Susie\\Plug-in";

class OptionTest : public ::testing::Test {
protected:
    void SetUp() override {
        testkit::DeleteKeyTree(L"Software\\ORMI");
        testkit::DeleteKeyTree(L"Software\\Takechin");
        testkit::ResetCoreGlobals(dir.path());
        PrepareStartUp();
    }
    void TearDown() override {
        // A registration dialog that is already hidden may still be ending its modal loop inside the
        // options dialog's button handler: the dialog must not be torn down under that call.
        const DWORD start = GetTickCount();
        for (bool open = true; open && GetTickCount() - start < 10000; Sleep(10))
            ui.Call([&] { open = FormMURAVINEOption2 != nullptr; });
        ui.Call([] {});
        testkit::DeleteKeyTree(L"Software\\ORMI");
        testkit::DeleteKeyTree(L"Software\\Takechin");
    }
    // Registers a folder of test decoders (by scenario name) as Susie's and starts up again.
    void UsePlugins(const std::wstring& scenario) {
        testkit::WriteRegString(kSusieKey, L"Path", testkit::PluginDir() + L"\\" + scenario);
        testkit::ResetCoreGlobals(dir.path());
        PrepareStartUp();
        ASSERT_TRUE(gv_lstSusieExt) << "no catalogue from " << testkit::Narrow(scenario);
    }
    HWND Open() {
        dlg = ui.OpenOptions();
        EXPECT_NE(dlg, nullptr);
        return dlg;
    }
    HWND C(int id) const { return optkit::Find(dlg, id); }
    void Page(int index) const { optkit::ClickTab(C(IDC_OPT_PAGES), index); }
    // Reads what the dialog's thread wrote, once it has finished with it.
    template <class F>
    auto OnUi(F f) {
        decltype(f()) v{};
        ui.Call([&] { v = f(); });
        return v;
    }

    testkit::TempDir dir{L"opt"};
    optkit::UiThread ui;
    HWND dlg = nullptr;
};
