// The command-line grammar shared by the Startup shortcut, the Explorer verbs and the user.
#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace mrv {

// Splits a command line into parameters the way the program has always read them: blanks separate,
// double quotes group and are removed, a backslash has no special meaning. The program name (the first
// token) is dropped.
std::vector<std::wstring> SplitParams(std::wstring_view commandLine);

enum class LaunchKind {
    Normal,          // no one-shot command: load the list, maybe change at start-up, become resident
    DeleteSettings,  // /d or -d alone
    SetWallpaper,    // ?w? file
    AddToList,       // ?a? file
    Nothing,         // two or more parameters with another letter
};

struct Launch {
    LaunchKind kind = LaunchKind::Normal;
    int style = 0;        // 0 centred, 1 tiled, 2 stretched; for SetWallpaper and AddToList
    std::wstring file;    // the second parameter
    std::wstring first;   // the first parameter, whole
    bool startup = false; // first parameter is exactly "/startup" (case matters)
};

Launch ClassifyLaunch(const std::vector<std::wstring>& params);

// The style a third character names: S stretched, T tiled, anything else (or none) centred.
int StyleFromLetter(wchar_t c);

}  // namespace mrv
