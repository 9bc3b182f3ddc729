// The resident instance's main window: hidden for the whole run, it carries the tray icon and its
// menu, the interval timer, the program's commands, the requests of other launches, and the work
// at the end of the run.
#pragma once
#include <windows.h>

#include <memory>

#include "core/handles.h"
#include "core/ui/window.h"
#include "mainwin/ormitaskbar.h"

class TFormMURAVINEMain : public mrv::Dialog {
public:
    // Creates the hidden window, the tray icon (when the settings want it) and the timer.
    TFormMURAVINEMain();
    ~TFormMURAVINEMain() override;

    // The options dialog switches the tray icon on and off through it.
    TORMITaskBar& ORMITaskBar1() { return *ormiTaskBar1_; }
    HMENU PopupMenu1() const { return popupMenu1_ ? popupMenu1_->Handle() : nullptr; }
    bool Timer1Enabled() const { return timer1_; }

private:
    bool OnInitDialog() override;
    bool HandleMessage(UINT msg, WPARAM wp, LPARAM lp, INT_PTR& result) override;
    bool Command(UINT id);

    void FormCreate();
    void FormClose();
    void Timer1Timer();
    void ORMITaskBar1TrayDblClick(TMouseButton button);
    void pm1NextClick();
    void pm1ListClick();
    void pm1OptionClick();
    void pm1HelpClick();
    void pm1AboutClick();
    void pm1ExitClick();
    void Button4Click();
    void RestartTimer();
    void DoExitWork();

    void ShowForm();
    void Reload();
    void RunPending();
    void ListClosed();
    void OptionClosed();
    void EndSession();
    void SetTimer1(bool on);
    void EnableCommand(UINT menuId, int buttonId, bool enabled);
    void MarkDefaultItem();
    void LayOut(UINT dpi);

    std::unique_ptr<TPopupMenu> popupMenu1_;
    std::unique_ptr<TORMITaskBar> ormiTaskBar1_;
    mrv::UniqueGdi<HFONT> font_;
    bool timer1_ = false;
    bool changing_ = false;        // a wallpaper change is under way
    bool reloadPending_ = false;   // a reload asked for during that change
    bool endPending_ = false;      // the end of the program, asked for during that change
    bool exitChangeDone_ = false;  // the change at exit has been made
    bool ended_ = false;           // the settings are saved for good and the shared objects released
};

// The main window while it exists.
extern std::unique_ptr<TFormMURAVINEMain> FormMURAVINEMain;
