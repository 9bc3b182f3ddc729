// The settings live in globals for the whole run and in the user's registry between runs.
#include "core/muravine_rtn.h"
#include "core/registry.h"

bool gv_bMultiUser = false;
bool gv_bSaveSetting = false;
bool gv_bShowTray = false;
bool gv_bChangeSecret = false;
bool gv_bExitAtOnce = false;
int gv_iInterval = 0;
int gv_iInitialPosition = 0;
int gv_iChangeTiming = 0;
int gv_iChangeOperate = 0;
int gv_iWallIndex = 0;
int gv_iDblClickOperate = 0;
int gv_iDblClickList = 0;
int gv_iBootDelay = 0;
std::wstring gv_sLaunchApplication;
std::wstring gv_sChangedBMP;

namespace {

bool UsesUserKey() { return gv_iPlatform == 1 && !gv_sUserName.empty() && gv_bMultiUser; }

std::wstring UserKey() { return std::wstring(kSettingsKey) + L"\\" + gv_sUserName; }

// Every value from SaveSetting to ChangedBMP, in the order they are read.
void ReadValues(const mrv::Registry* reg) {
    auto b = [&](const wchar_t* name, bool& g, bool def) {
        g = reg && reg->ValueExists(name) ? reg->ReadBool(name) : def;
    };
    auto i = [&](const wchar_t* name, int& g, int def) {
        g = reg && reg->ValueExists(name) ? reg->ReadInteger(name) : def;
    };
    auto s = [&](const wchar_t* name, std::wstring& g, auto def) {
        g = reg && reg->ValueExists(name) ? reg->ReadString(name) : def();
    };
    auto empty = [] { return std::wstring(); };
    b(L"SaveSetting", gv_bSaveSetting, true);
    b(L"ShowTray", gv_bShowTray, true);
    b(L"ChangeSecret", gv_bChangeSecret, false);
    b(L"ExitAtOnce", gv_bExitAtOnce, false);
    i(L"Interval", gv_iInterval, 60);
    i(L"InitialPosition", gv_iInitialPosition, 0);
    i(L"ChangeTiming", gv_iChangeTiming, 0);
    i(L"ChangeOperate", gv_iChangeOperate, 0);
    i(L"WallIndex", gv_iWallIndex, 0);
    i(L"DblClickOperate", gv_iDblClickOperate, 0);
    i(L"DblClickList", gv_iDblClickList, 0);
    i(L"BootDelay", gv_iBootDelay, 0);
    s(L"LaunchApplication", gv_sLaunchApplication, empty);
    s(L"ChangedBMP", gv_sChangedBMP, DefaultChangedBMP);
}

}  // namespace

void ReadSettings() {
    mrv::Registry reg(HKEY_CURRENT_USER);
    if (reg.OpenKey(kSettingsKey, false)) {
        if (reg.ValueExists(L"MultiUser")) gv_bMultiUser = reg.ReadBool(L"MultiUser");
        if (UsesUserKey()) {
            reg.CloseKey();
            reg.OpenKey(UserKey(), false);  // missing: no key is open and every value takes its default
        }
        ReadValues(&reg);
        reg.CloseKey();
    } else {
        ReadValues(nullptr);
    }
}

void WriteSettings() {
    {
        mrv::Registry reg(HKEY_CURRENT_USER);
        bool open = reg.OpenKey(kSettingsKey, true);
        if (open && UsesUserKey()) {
            reg.CloseKey();
            open = reg.OpenKey(UserKey(), true);
        }
        if (open) {
            reg.WriteBool(L"SaveSetting", gv_bSaveSetting);
            if (gv_bSaveSetting) {
                reg.WriteBool(L"ShowTray", gv_bShowTray);
                reg.WriteBool(L"ChangeSecret", gv_bChangeSecret);
                reg.WriteBool(L"ExitAtOnce", gv_bExitAtOnce);
                reg.WriteInteger(L"Interval", gv_iInterval);
                reg.WriteInteger(L"InitialPosition", gv_iInitialPosition);
                reg.WriteInteger(L"ChangeTiming", gv_iChangeTiming);
                reg.WriteInteger(L"ChangeOperate", gv_iChangeOperate);
                reg.WriteInteger(L"WallIndex", gv_iWallIndex);
                if (reg.ValueExists(L"UsedIndex")) reg.DeleteValue(L"UsedIndex");
                reg.WriteInteger(L"DblClickOperate", gv_iDblClickOperate);
                reg.WriteInteger(L"DblClickList", gv_iDblClickList);
                reg.WriteInteger(L"BootDelay", gv_iBootDelay);
                reg.WriteString(L"LaunchApplication", gv_sLaunchApplication);
                // MultiUser decides which key holds the rest, so it always goes into the main key.
                if (UsesUserKey()) {
                    mrv::Registry main(HKEY_CURRENT_USER);
                    if (main.OpenKey(kSettingsKey, true)) main.WriteBool(L"MultiUser", gv_bMultiUser);
                } else {
                    reg.WriteBool(L"MultiUser", gv_bMultiUser);
                }
                reg.WriteString(L"ChangedBMP", gv_sChangedBMP);
            }
        }
    }
    if (gv_lstWall) SaveListFile(ListWriteName(), *gv_lstWall);
}
