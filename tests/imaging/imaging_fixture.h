// The core and the plug-in code inside the test program, as a fresh process has them, with the
// decoder folder of a scenario registered as Susie's plug-in folder.
#pragma once
#include <gtest/gtest.h>

#include "core/muravine_rtn.h"
#include "imaging/muravine_susie.h"
#include "imaging_kit.h"
#include "testkit.h"

class ImagingTest : public ::testing::Test {
protected:
    void SetUp() override {
        testkit::DeleteKeyTree(L"Software\\Takechin");
        testkit::ResetCoreGlobals(dir.path());
        gv_sChangedBMP = changed;
    }
    void TearDown() override {
        testkit::ResetCoreGlobals(dir.path());
        testkit::DeleteKeyTree(L"Software\\Takechin");
    }
    // Registers the scenario's folder (or any folder) and builds the catalogue as start-up does.
    void UsePlugins(const std::wstring& scenarioOrFolder) {
        const std::wstring folder =
            scenarioOrFolder.find(L'\\') == std::wstring::npos ? testkit::PluginDir() + L"\\" + scenarioOrFolder
                                                                : scenarioOrFolder;
        testkit::WriteRegString(imgkit::kSusieKey, L"Path", folder);
        ASSERT_TRUE(ReadSusiePath());
        LoadSusiePlugins();
    }
    std::wstring WritePicture(const std::wstring& name, const imgkit::Picture& p) const {
        const std::wstring path = dir / name;
        testkit::WriteBytes(path, imgkit::MrtBytes(p));
        return path;
    }
    testkit::TempDir dir{L"img"};
    std::wstring changed = dir / L"changed.bmp";
};
