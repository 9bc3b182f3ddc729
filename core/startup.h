// The parts of start-up that the entry point and the test harness call one by one.
#pragma once
#include <string>
#include <vector>

#include "core/cmdline.h"

// Plug-in catalogue, platform, user name, list file name, empty list, settings.
void PrepareStartUp();
// The list file's reading name for a user name (empty: the executable's name with ".LST").
std::wstring ListReadName(const std::wstring& userName);
// Carries out a launch after PrepareStartUp; false when the process has done its work.
bool DispatchLaunch(const mrv::Launch& launch);
bool StartUpWith(const std::vector<std::wstring>& params);
