// The options dialog: edits the settings in memory (they reach the registry when the program ends),
// and offers the Startup shortcut, the default bitmap path, help, the Explorer registration and the
// list of installed decoder plug-ins.
//
// The main window opens it without a modal loop and destroys it when told that it closed:
//
//     FormMURAVINEOption = std::make_unique<TFormMURAVINEOption>(
//         [this](bool show) { ORMITaskBar1.SetTaskTray(show); });
//     FormMURAVINEOption->Show(hwnd());      // owner: receives UM_OPTION_CLOSED
//     ...
//     case UM_OPTION_CLOSED: FormMURAVINEOption.reset(); ...
//
// The owner's message loop must hand messages to mrv::DispatchModeless first (core/ui/window.h), so
// that Tab, Enter (適用) and Esc (閉じる) work in the dialog.
#pragma once
#include <windows.h>

#include <array>
#include <functional>
#include <memory>
#include <string>

#include "core/ui/window.h"

class TFormMURAVINEOption : public mrv::Dialog {
public:
    // Shows (true) or removes (false) the tray icon; Apply calls it with the new ShowTray setting.
    using SetTaskTrayFn = std::function<void(bool)>;

    explicit TFormMURAVINEOption(SetTaskTrayFn setTaskTray = {});
    ~TFormMURAVINEOption() override;

    // Creates the dialog, loaded from the current settings, owned by `owner`, and shows it without
    // a modal loop. When it closes, by whatever means, UM_OPTION_CLOSED is posted to `owner`, which
    // then destroys this object. False when the dialog could not be created.
    bool Show(HWND owner);

    // The form's handlers, as the controls call them.
    void FormShow();
    void FormClose();
    void ChangeEnabled();
    void btnApplyClick();
    void btnCancelClick();
    void btnHelpClick();
    void btnShortcutClick();
    void btnBrowseAppsClick();
    void btnBrowseBMPClick();
    void btnDefaultBMPClick();
    void btnRightMenuClick();
    void lvSusieDblClick();

    // A control of the dialog or of any of its pages.
    HWND Control(int id) const;

protected:
    bool OnInitDialog() override;
    bool HandleMessage(UINT msg, WPARAM wp, LPARAM lp, INT_PTR& result) override;

private:
    class Page;
    friend class Page;

    void CreatePages();
    void ShowPage(int index);
    // Commands and notifications from the dialog and from its pages.
    bool OnCommand(int id, int code);
    bool OnNotify(const NMHDR& nm);
    void OpenRegistration(const std::wstring& target);

    bool Checked(int id) const;
    void SetChecked(int id, bool on) const;
    int ComboIndex(int id) const;
    void SetComboIndex(int id, int index) const;
    int UpDownPosition(int id) const;
    void SetUpDownPosition(int id, int position) const;
    std::wstring Text(int id) const;
    void SetText(int id, const std::wstring& text) const;
    // The timing of the radio button that is chosen (0 when none is).
    int ChosenTiming() const;

    SetTaskTrayFn setTaskTray_;
    HWND owner_ = nullptr;
    bool closed_ = false;
    std::array<std::unique_ptr<Page>, 3> pages_;
};

// The dialog while it exists (from the main window's opening to its handling of UM_OPTION_CLOSED).
extern std::unique_ptr<TFormMURAVINEOption> FormMURAVINEOption;
