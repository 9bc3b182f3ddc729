#include "mainwin/ormitaskbar.h"

#include <shellapi.h>
#include <windowsx.h>

#include <algorithm>
#include <chrono>

#include "core/app.h"

namespace {

constexpr wchar_t kWindowClass[] = L"ORMITaskBarWindow";

// The application's icon as the tray wants it (small); shared, so never destroyed.
HICON ApplicationIcon() {
    static HICON icon = [] {
        HICON i = static_cast<HICON>(LoadImageW(mrv::app::Instance(), MAKEINTRESOURCEW(1), IMAGE_ICON,
                                                GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON),
                                                LR_SHARED));
        return i ? i : LoadIconW(nullptr, IDI_APPLICATION);
    }();
    return icon;
}

// The first `n` characters, without splitting a surrogate pair at the cut.
std::wstring Cut(const std::wstring& s, std::size_t n) {
    if (s.size() <= n) return s;
    std::size_t end = n;
    if (end > 0 && IS_HIGH_SURROGATE(s[end - 1])) --end;
    return s.substr(0, end);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// TPopupMenu

TPopupMenu::TPopupMenu(HMENU menu, HWND owner) : menu_(menu), owner_(owner) {}

TPopupMenu::~TPopupMenu() {
    // A listener drops its reference and unregisters, which changes the list under us.
    const std::vector<TORMITaskBar*> listeners = listeners_;
    for (TORMITaskBar* c : listeners) c->Notification(this);
}

void TPopupMenu::FreeNotification(TORMITaskBar* component) {
    if (std::find(listeners_.begin(), listeners_.end(), component) == listeners_.end())
        listeners_.push_back(component);
}

void TPopupMenu::RemoveFreeNotification(TORMITaskBar* component) {
    listeners_.erase(std::remove(listeners_.begin(), listeners_.end(), component), listeners_.end());
}

UINT TPopupMenu::Popup(int x, int y) {
    if (!menu_) return 0;
    if (OnPopup) OnPopup();
    // The menu needs the foreground, or it would not close when the user clicks elsewhere and the
    // keyboard would not reach it. Some window managers (Wine's among them) hand the keyboard only
    // to a shown window, so the menu belongs to a window of no size, shown at the menu's corner
    // while it is open, and owned by the owner so that it never gets a taskbar button.
    HWND anchor = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, L"STATIC", L"", WS_POPUP, x, y, 0, 0, owner_,
                                  nullptr, mrv::app::Instance(), nullptr);
    HWND track = anchor ? anchor : owner_;
    if (anchor) ShowWindow(anchor, SW_SHOWNA);
    SetForegroundWindow(track);
    UINT flags = TPM_RIGHTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY;
    flags |= GetSystemMetrics(SM_MENUDROPALIGNMENT) ? TPM_RIGHTALIGN : TPM_LEFTALIGN;
    const UINT cmd = static_cast<UINT>(TrackPopupMenuEx(menu_.get(), flags, x, y, track, nullptr));
    // Lets the menu close properly the next time it opens from the tray.
    PostMessageW(track, WM_NULL, 0, 0);
    if (anchor) DestroyWindow(anchor);
    if (cmd) PostMessageW(owner_, WM_COMMAND, MAKEWPARAM(cmd, 0), 0);
    return cmd;
}

// ---------------------------------------------------------------------------------------------
// TORMITaskBar

TORMITaskBar::TORMITaskBar(HWND appWindow) : appWindow_(appWindow) {
    RegisterClassOnce(kWindowClass, nullptr, 0, nullptr);
    // A top-level window (not a message-only one), so that the shell's broadcast after a restart
    // of the taskbar reaches it.
    Create(kWindowClass, L"", WS_POPUP, WS_EX_TOOLWINDOW, 0, 0, 0, 0, nullptr);
    taskbarCreated_ = RegisterWindowMessageW(L"TaskbarCreated");
    // The program may run elevated; the shell runs unelevated and must still be able to say so.
    if (taskbarCreated_) ChangeWindowMessageFilterEx(hwnd(), taskbarCreated_, MSGFLT_ALLOW, nullptr);
    tm_ = std::thread([this] { Animate(); });
}

TORMITaskBar::~TORMITaskBar() {
    {
        std::lock_guard<std::mutex> l(mu_);
        stop_ = true;
    }
    wake_.notify_all();
    if (tm_.joinable()) tm_.join();
    {
        std::lock_guard<std::mutex> l(mu_);
        aniIcons_.clear();
    }
    IconOff();
    if (leftPopup_) leftPopup_->RemoveFreeNotification(this);
    if (rightPopup_) rightPopup_->RemoveFreeNotification(this);
}

void TORMITaskBar::Loaded() {
    if (VisibleTray()) IconOn();
    SetORMITaskBar(visibleBar_);
}

HICON TORMITaskBar::Icon() const {
    std::lock_guard<std::mutex> l(mu_);
    return icon_.get();
}

void TORMITaskBar::SetIcon(HICON icon) {
    {
        std::lock_guard<std::mutex> l(mu_);
        icon_.reset(icon ? CopyIcon(icon) : nullptr);
    }
    IconEx();
}

void TORMITaskBar::SetORMITaskBar(bool value) {
    visibleBar_ = value;
    if (appWindow_) ShowWindow(appWindow_, value ? SW_SHOW : SW_HIDE);
}

bool TORMITaskBar::VisibleTray() const {
    std::lock_guard<std::mutex> l(mu_);
    return visibleTray_;
}

void TORMITaskBar::SetTaskTray(bool value) {
    {
        std::lock_guard<std::mutex> l(mu_);
        visibleTray_ = value;
    }
    wake_.notify_all();
    if (value) IconOn();
    else IconOff();
}

void TORMITaskBar::SetTips(const std::wstring& value) {
    {
        std::lock_guard<std::mutex> l(mu_);
        tips_ = Cut(value, kMaxTips);
    }
    IconEx();
}

void TORMITaskBar::SetPopup(int index, TPopupMenu* menu) {
    TPopupMenu*& slot = index == 1 ? leftPopup_ : rightPopup_;
    if (slot == menu) return;
    TPopupMenu* old = slot;
    slot = menu;
    // The other slot may still hold the old menu; then its notice is still wanted.
    if (old && old != leftPopup_ && old != rightPopup_) old->RemoveFreeNotification(this);
    if (menu) menu->FreeNotification(this);
}

void TORMITaskBar::Notification(TPopupMenu* menu) {
    if (leftPopup_ == menu) leftPopup_ = nullptr;
    if (rightPopup_ == menu) rightPopup_ = nullptr;
    menu->RemoveFreeNotification(this);
}

HICON TORMITaskBar::CurrentIcon() const { return icon_ ? icon_.get() : ApplicationIcon(); }

void TORMITaskBar::FillIconData() {
    iconData_.cbSize = sizeof iconData_;
    iconData_.hWnd = hwnd();
    iconData_.uID = kIconId;
    iconData_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    iconData_.uCallbackMessage = UM_TRAY_CALLBACK;
    iconData_.hIcon = CurrentIcon();
    const std::wstring tip = Cut(tips_, kMaxTipShown);
    std::fill(std::begin(iconData_.szTip), std::end(iconData_.szTip), L'\0');
    std::copy(tip.begin(), tip.end(), iconData_.szTip);
}

void TORMITaskBar::IconOn() {
    std::lock_guard<std::mutex> l(mu_);
    FillIconData();
    if (!Shell_NotifyIconW(NIM_ADD, &iconData_)) return;  // already there, or no shell yet
    // Ask for the newer callback form: it tells where the icon is, and the keyboard's use of it.
    NOTIFYICONDATAW v = iconData_;
    v.uVersion = NOTIFYICON_VERSION_4;
    version4_ = Shell_NotifyIconW(NIM_SETVERSION, &v) != FALSE;
}

void TORMITaskBar::IconOff() {
    std::lock_guard<std::mutex> l(mu_);
    NOTIFYICONDATAW d{};
    d.cbSize = sizeof d;
    d.hWnd = hwnd();
    d.uID = kIconId;
    Shell_NotifyIconW(NIM_DELETE, &d);
}

void TORMITaskBar::IconEx() {
    std::lock_guard<std::mutex> l(mu_);
    FillIconData();
    if (visibleTray_) Shell_NotifyIconW(NIM_MODIFY, &iconData_);
}

void TORMITaskBar::IconAdd(HICON icon, int wait) {
    {
        std::lock_guard<std::mutex> l(mu_);
        anima_ = 0;
        auto frame = std::make_unique<TAniIcon>();
        frame->FrameIcon.reset(icon ? CopyIcon(icon) : nullptr);
        frame->FrameWait = wait;
        aniIcons_.push_back(std::move(frame));
    }
    wake_.notify_all();
}

void TORMITaskBar::IconClear() {
    {
        std::lock_guard<std::mutex> l(mu_);
        anima_ = 0;
        while (!aniIcons_.empty()) aniIcons_.pop_back();
    }
    wake_.notify_all();
}

void TORMITaskBar::SetAnima(int value) {
    {
        std::lock_guard<std::mutex> l(mu_);
        anima_ = value;
    }
    wake_.notify_all();
}

int TORMITaskBar::Anima() const {
    std::lock_guard<std::mutex> l(mu_);
    return anima_;
}

std::size_t TORMITaskBar::FrameCount() const {
    std::lock_guard<std::mutex> l(mu_);
    return aniIcons_.size();
}

HICON TORMITaskBar::FrameIcon(std::size_t index) const {
    std::lock_guard<std::mutex> l(mu_);
    return index < aniIcons_.size() ? aniIcons_[index]->FrameIcon.get() : nullptr;
}

HICON TORMITaskBar::ShownIcon() const {
    std::lock_guard<std::mutex> l(mu_);
    return iconData_.hIcon;
}

std::wstring TORMITaskBar::ShownTip() const {
    std::lock_guard<std::mutex> l(mu_);
    return iconData_.szTip;
}

bool TORMITaskBar::Running() const { return anima_ != 0 && !aniIcons_.empty() && visibleTray_; }

// The animation thread. It holds the lock while it uses a frame, and the main thread takes the
// same lock before it changes or releases frames, so a pause never catches the thread half way
// through a frame; a paused or idle thread sleeps on the condition instead of spinning.
void TORMITaskBar::Animate() {
    std::unique_lock<std::mutex> l(mu_);
    for (;;) {
        wake_.wait(l, [this] { return stop_ || Running(); });
        if (stop_) return;
        if (++frame_ >= aniIcons_.size()) frame_ = 0;
        const TAniIcon& frame = *aniIcons_[frame_];
        iconData_.hIcon = frame.FrameIcon ? frame.FrameIcon.get() : CurrentIcon();
        Shell_NotifyIconW(NIM_MODIFY, &iconData_);
        const auto wait = std::chrono::milliseconds(std::max(frame.FrameWait, 0));
        // A pause or the end cuts the wait short; a change that leaves the animation running does not.
        wake_.wait_for(l, wait, [this] { return stop_ || !Running(); });
    }
}

bool TORMITaskBar::HandleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    if (taskbarCreated_ && msg == taskbarCreated_) {
        // The taskbar was created again (Explorer restarted) and has forgotten every icon.
        if (VisibleTray()) IconOn();
        result = 0;
        return true;
    }
    if (msg != UM_TRAY_CALLBACK) return false;
    POINT at{};
    UINT event;
    if (version4_) {
        event = LOWORD(lp);
        at = {GET_X_LPARAM(wp), GET_Y_LPARAM(wp)};
    } else {
        event = static_cast<UINT>(lp);
        GetCursorPos(&at);
    }
    try {
        TrayMessage(event, at);
    } catch (const std::exception& e) {
        // A failing handler must not take the tray down with it.
        mrv::app::ShowException(e);
    }
    result = 0;
    return true;
}

void TORMITaskBar::TrayMessage(UINT event, POINT at) {
    switch (event) {
        case WM_LBUTTONDOWN:
            if (OnTrayClick) OnTrayClick(TMouseButton::mbLeft);
            break;
        case WM_RBUTTONDOWN:
            if (OnTrayClick) OnTrayClick(TMouseButton::mbRight);
            break;
        case WM_LBUTTONDBLCLK:
            if (OnTrayDblClick) OnTrayDblClick(TMouseButton::mbLeft);
            break;
        case WM_RBUTTONDBLCLK:
            if (OnTrayDblClick) OnTrayDblClick(TMouseButton::mbRight);
            break;
        case WM_LBUTTONUP:
        case NIN_KEYSELECT:
            if (leftPopup_) leftPopup_->Popup(at.x, at.y);
            break;
        case WM_RBUTTONUP:
            // The newer shell follows the release with WM_CONTEXTMENU, which the keyboard sends too.
            if (!version4_ && rightPopup_) rightPopup_->Popup(at.x, at.y);
            break;
        case WM_CONTEXTMENU:
            if (rightPopup_) rightPopup_->Popup(at.x, at.y);
            break;
        default:
            break;
    }
}
