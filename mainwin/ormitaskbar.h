// A reusable tray component: one icon in the taskbar's notification area with a tooltip, click and
// double-click events, a popup menu for each mouse button, control of the application's taskbar
// button, and an optional animation of the icon on a worker thread.
#pragma once
#include <windows.h>
#include <shellapi.h>

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/handles.h"
#include "core/ui/window.h"

enum class TMouseButton { mbLeft, mbRight };

// A tray event carries the button only, no sender.
using TTrayEvent = std::function<void(TMouseButton Button)>;

class TORMITaskBar;

// A popup menu whose chosen command reaches a window as WM_COMMAND, as a menu of that window would.
class TPopupMenu {
public:
    // Takes ownership of `menu`, a popup menu; commands go to `owner`.
    TPopupMenu(HMENU menu, HWND owner);
    ~TPopupMenu();
    TPopupMenu(const TPopupMenu&) = delete;
    TPopupMenu& operator=(const TPopupMenu&) = delete;

    HMENU Handle() const { return menu_.get(); }
    HWND Owner() const { return owner_; }
    // Runs just before the menu opens, so items can be brought up to date.
    std::function<void()> OnPopup;

    // Opens the menu at a point in screen coordinates and returns once it has closed. The chosen
    // command is posted to the owner, so it runs after whatever opened the menu has returned.
    // Returns the command chosen, 0 when none.
    UINT Popup(int x, int y);

    // Components that hold this menu hear of its destruction and drop their reference.
    void FreeNotification(TORMITaskBar* component);
    void RemoveFreeNotification(TORMITaskBar* component);

private:
    mrv::UniqueMenu menu_;
    HWND owner_;
    std::vector<TORMITaskBar*> listeners_;
};

// One frame of the icon animation: the component's own copy of the icon and how long it stays.
struct TAniIcon {
    mrv::UniqueIcon FrameIcon;
    int FrameWait = 0;  // milliseconds
};

class TORMITaskBar : private mrv::Window {
public:
    // The tray's callback message to the component's hidden window.
    static constexpr UINT UM_TRAY_CALLBACK = WM_APP + 100;
    static constexpr UINT kIconId = 1;
    static constexpr std::size_t kMaxTips = 255;     // what Tips holds
    static constexpr std::size_t kMaxTipShown = 63;  // what the tray shows of it

    // `appWindow` carries the application's taskbar button (VisibleBar shows or hides it); may be
    // null when there is none. The icon is not in the tray until IconOn or Loaded.
    explicit TORMITaskBar(HWND appWindow);
    ~TORMITaskBar() override;

    // Called by the owner once it has set the properties: the icon and the taskbar button follow
    // VisibleTray and VisibleBar from then on.
    void Loaded();

    // Icon: the component's own copy; null when empty, and then the application's icon is shown.
    HICON Icon() const;
    void SetIcon(HICON icon);

    bool VisibleBar() const { return visibleBar_; }
    void SetORMITaskBar(bool value);

    bool VisibleTray() const;
    void SetTaskTray(bool value);

    // Up to 255 characters are kept; the tray shows the first 63.
    const std::wstring& Tips() const { return tips_; }
    void SetTips(const std::wstring& value);

    TTrayEvent OnTrayClick;
    TTrayEvent OnTrayDblClick;

    TPopupMenu* LeftPopup() const { return leftPopup_; }
    TPopupMenu* RightPopup() const { return rightPopup_; }
    // index 1: the left button's menu, 2: the right button's; null removes it.
    void SetPopup(int index, TPopupMenu* menu);

    void IconOn();
    void IconOff();
    void IconEx();

    // Appends a frame (a copy of `icon`) or removes them all; either pauses the animation.
    void IconAdd(HICON icon, int wait);
    void IconClear();
    // Non-zero runs the animation, 0 pauses it.
    void SetAnima(int value);
    int Anima() const;

    std::size_t FrameCount() const;
    HICON FrameIcon(std::size_t index) const;
    // The icon and tip last handed to the shell.
    HICON ShownIcon() const;
    std::wstring ShownTip() const;

    // The hidden window that receives the tray's messages.
    HWND Handle() const { return hwnd(); }

    // A popup menu being destroyed.
    void Notification(TPopupMenu* menu);

private:
    bool HandleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
    void TrayMessage(UINT event, POINT at);
    // Callers hold mu_.
    void FillIconData();
    HICON CurrentIcon() const;
    bool Running() const;
    void Animate();

    mutable std::mutex mu_;  // the shell record, the frames and the switches the thread reads
    std::condition_variable wake_;
    NOTIFYICONDATAW iconData_{};
    bool visibleBar_ = true;
    bool visibleTray_ = true;
    mrv::UniqueIcon icon_;
    std::wstring tips_;
    HWND appWindow_;
    UINT taskbarCreated_ = 0;
    bool version4_ = false;  // the shell reports positions and keyboard use (NOTIFYICON_VERSION_4)
    TPopupMenu* leftPopup_ = nullptr;
    TPopupMenu* rightPopup_ = nullptr;
    int anima_ = 0;
    std::vector<std::unique_ptr<TAniIcon>> aniIcons_;
    std::size_t frame_ = 0;  // the frame shown last
    bool stop_ = false;
    std::thread tm_;
};
