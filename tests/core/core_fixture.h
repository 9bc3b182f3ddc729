#pragma once
#include <gtest/gtest.h>

#include "core/muravine_rtn.h"
#include "core/startup.h"
#include "testkit.h"

// Each test starts like a fresh process on a machine where the program never ran: no settings in
// the registry and an executable folder of its own for the list file.
class CoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        testkit::DeleteKeyTree(L"Software\\ORMI");
        testkit::ResetCoreGlobals(dir.path());
    }
    void TearDown() override {
        testkit::DeleteKeyTree(L"Software\\ORMI");
        testkit::ResetCoreGlobals(dir.path());
    }
    std::wstring Key(const std::wstring& sub = L"") const {
        return L"Software\\ORMI\\MURAVINE" + (sub.empty() ? L"" : L"\\" + sub);
    }
    testkit::TempDir dir{L"core"};
};
