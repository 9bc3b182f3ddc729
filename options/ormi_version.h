// The version dialog: the application's icon and title, and the file version and copyright that
// the executable's own version resource holds.
#pragma once
#include <windows.h>

#include <memory>
#include <optional>
#include <string>

#include "core/ui/window.h"

class TFormVersion : public mrv::Dialog {
public:
    // Shows the dialog modally over `owner`, centred on the application's main window.
    INT_PTR ShowModal(HWND owner);

private:
    bool OnInitDialog() override;
    bool HandleMessage(UINT msg, WPARAM wp, LPARAM lp, INT_PTR& result) override;
    void FormShow();
};

// The current instance, or nothing.
extern std::unique_ptr<TFormVersion> FormVersion;

// The strings of a file's version resource, in the language and code page of its first translation.
// A string that is missing (or a file without version information or translation) stays empty.
struct VersionStrings {
    std::optional<std::wstring> fileVersion;
    std::optional<std::wstring> legalCopyright;
};
VersionStrings ReadVersionStrings(const std::wstring& file);
