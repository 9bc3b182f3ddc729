// The Explorer registration dialog: adds the program's six context-menu verbs to one file type's
// class, or removes them.
#pragma once
#include <windows.h>

#include <memory>
#include <string>

#include "core/registry.h"
#include "core/ui/window.h"

// The target pattern ("*.bmp", or a plug-in pattern such as "*.jpg"); set by the opener before the
// dialog is created.
extern std::wstring gv_sShellTarget;
// The bare extension worked out from the target each time the dialog is shown.
extern std::wstring gv_sShellExt;

class TFormMURAVINEOption2 : public mrv::Dialog {
public:
    TFormMURAVINEOption2() = default;
    ~TFormMURAVINEOption2() override = default;

    // Runs the dialog modally over `owner`, centred on it; IDOK after OK, IDCANCEL otherwise.
    INT_PTR ShowModal(HWND owner);

    // The registry work, each given a registry object rooted at HKEY_CLASSES_ROOT; none leaves a
    // key open on it.
    // True when the class's verb key exists and opens with the object's access rights.
    static bool regread(mrv::Registry& reg, const std::wstring& fileClass, const std::wstring& verb);
    // Creates or overwrites the verb's key (its menu text) and its command key (the command line).
    static void regadd(mrv::Registry& reg, const std::wstring& fileClass, const std::wstring& verb,
                       const std::wstring& menuText, const std::wstring& switchText);
    // Deletes the verb's key with its command key; nothing happens when either is missing.
    static void regdel(mrv::Registry& reg, const std::wstring& fileClass, const std::wstring& verb);

    // The bare extension of a target pattern: what follows its first dot, or the whole pattern.
    static std::wstring ShellExtOf(const std::wstring& target);
    // The command a verb runs: the executable and the file, both quoted, around the switch.
    static std::wstring CommandLine(const std::wstring& exePath, const std::wstring& switchText);

    void FormShow();
    void btnOKClick();

protected:
    bool OnInitDialog() override;
    bool HandleMessage(UINT msg, WPARAM wp, LPARAM lp, INT_PTR& result) override;

private:
    void CentreOnOwner();
};

// The dialog while the options dialog runs it, otherwise null.
extern std::unique_ptr<TFormMURAVINEOption2> FormMURAVINEOption2;
