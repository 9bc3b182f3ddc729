#include "option_kit.h"

#include <commctrl.h>

#include <chrono>
#include <future>
#include <memory>

#include "core/muravine_rtn.h"
#include "core/ui/window.h"
#include "options/muravine_option.h"

namespace optkit {

namespace {

constexpr UINT kRun = WM_APP + 100;
constexpr UINT kRunPosted = WM_APP + 101;
constexpr wchar_t kOwnerClass[] = L"MrvTestOptionOwner";

}  // namespace

UiThread::UiThread() {
    ready_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    thread_ = std::thread([this] { Loop(); });
    WaitForSingleObject(ready_, 10000);
}

UiThread::~UiThread() {
    Call([] { FormMURAVINEOption.reset(); });
    PostMessageW(owner_, WM_CLOSE, 0, 0);
    thread_.join();
    CloseHandle(ready_);
}

void UiThread::Loop() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kOwnerClass;
    RegisterClassW(&wc);
    owner_ = CreateWindowW(kOwnerClass, L"", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr, wc.hInstance,
                           nullptr);
    SetWindowLongPtrW(owner_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetEvent(ready_);
    MSG m;
    while (GetMessageW(&m, nullptr, 0, 0) > 0) {
        if (mrv::DispatchModeless(m)) continue;
        TranslateMessage(&m);
        DispatchMessageW(&m);
    }
}

LRESULT CALLBACK UiThread::Proc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = reinterpret_cast<UiThread*>(GetWindowLongPtrW(h, GWLP_USERDATA));
    switch (msg) {
        case kRun:
            (*reinterpret_cast<const std::function<void()>*>(lp))();
            return 0;
        case kRunPosted: {
            std::unique_ptr<std::function<void()>> fn(reinterpret_cast<std::function<void()>*>(lp));
            (*fn)();
            return 0;
        }
        case UM_OPTION_CLOSED:
            if (self) {
                Closed c{wp, lp, FormMURAVINEOption != nullptr,
                         FormMURAVINEOption && IsWindowVisible(FormMURAVINEOption->hwnd())};
                FormMURAVINEOption.reset();
                std::lock_guard<std::mutex> l(self->mu_);
                self->closed_.push_back(c);
            }
            return 0;
        case WM_CLOSE:
            DestroyWindow(h);
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
    }
    return DefWindowProcW(h, msg, wp, lp);
}

void UiThread::Call(const std::function<void()>& fn) {
    SendMessageW(owner_, kRun, 0, reinterpret_cast<LPARAM>(&fn));
}

void UiThread::Post(std::function<void()> fn) {
    auto heap = std::make_unique<std::function<void()>>(std::move(fn));
    // The thread owns it once the message is in its queue.
    if (PostMessageW(owner_, kRunPosted, 0, reinterpret_cast<LPARAM>(heap.get()))) heap.release();
}

bool UiThread::Drain(DWORD timeoutMs) {
    // Posted messages of one thread are handled in the order they were posted, so a posted marker
    // runs only after everything posted before it.
    auto done = std::make_shared<std::promise<void>>();
    std::future<void> handled = done->get_future();
    Post([done] { done->set_value(); });
    return handled.wait_for(std::chrono::milliseconds(timeoutMs)) == std::future_status::ready;
}

std::vector<UiThread::Closed> UiThread::closed() {
    std::lock_guard<std::mutex> l(mu_);
    return closed_;
}

bool UiThread::WaitClosed(std::size_t n, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    while (closed().size() < n) {
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(10);
    }
    // Let anything posted after the closing arrive too.
    return Drain(timeoutMs);
}

std::vector<UiThread::TrayCall> UiThread::trayCalls() {
    std::lock_guard<std::mutex> l(mu_);
    return tray_;
}

HWND UiThread::OpenOptions() {
    HWND dialog = nullptr;
    Call([&] {
        FormMURAVINEOption = std::make_unique<TFormMURAVINEOption>([this](bool show) {
            TrayCall c{show, FormMURAVINEOption && IsWindowVisible(FormMURAVINEOption->hwnd())};
            std::lock_guard<std::mutex> l(mu_);
            tray_.push_back(c);
        });
        if (FormMURAVINEOption->Show(owner_)) dialog = FormMURAVINEOption->hwnd();
    });
    return dialog;
}

namespace {

struct FindState {
    int id;
    HWND found;
};

BOOL CALLBACK FindChild(HWND h, LPARAM lp) {
    auto* s = reinterpret_cast<FindState*>(lp);
    if (GetDlgCtrlID(h) == s->id) {
        s->found = h;
        return FALSE;
    }
    return TRUE;
}

struct OwnedState {
    HWND owner;
    const wchar_t* cls;
    HWND found;
};

BOOL CALLBACK FindOwned(HWND h, LPARAM lp) {
    auto* s = reinterpret_cast<OwnedState*>(lp);
    wchar_t cls[64] = {};
    GetClassNameW(h, cls, 64);
    if (GetWindow(h, GW_OWNER) == s->owner && IsWindowVisible(h) && lstrcmpiW(cls, s->cls) == 0) {
        s->found = h;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

HWND Find(HWND dialog, int id) {
    FindState s{id, nullptr};
    EnumChildWindows(dialog, FindChild, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

HWND WaitForDialog(const std::wstring& caption, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        HWND w = nullptr;
        while ((w = FindWindowExW(nullptr, w, L"#32770", caption.c_str())) != nullptr)
            if (IsWindowVisible(w)) return w;
        if (GetTickCount() - start > timeoutMs) return nullptr;
        Sleep(20);
    }
}

HWND WaitForOwned(HWND owner, const wchar_t* cls, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        OwnedState s{owner, cls, nullptr};
        EnumWindows(FindOwned, reinterpret_cast<LPARAM>(&s));
        if (s.found) return s.found;
        if (GetTickCount() - start > timeoutMs) return nullptr;
        Sleep(20);
    }
}

bool WaitGone(HWND window, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    while (IsWindow(window) && IsWindowVisible(window)) {
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(20);
    }
    return true;
}

std::wstring Text(HWND h) {
    wchar_t buf[4096] = {};
    SendMessageW(h, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(buf));
    return buf;
}

bool Checked(HWND h) { return SendMessageW(h, BM_GETCHECK, 0, 0) == BST_CHECKED; }

void Click(HWND h) { SendMessageW(h, BM_CLICK, 0, 0); }

void PostClick(HWND h) { PostMessageW(h, BM_CLICK, 0, 0); }

void Choose(HWND combo, int index) {
    SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageW(GetParent(combo), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(combo));
}

std::vector<std::wstring> Items(HWND combo) {
    std::vector<std::wstring> items;
    const int n = static_cast<int>(SendMessageW(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
        wchar_t buf[256] = {};
        SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(buf));
        items.emplace_back(buf);
    }
    return items;
}

void Type(HWND edit, const std::wstring& text) {
    SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void PressKey(HWND h, UINT vk) {
    const UINT scan = MapVirtualKeyW(vk, MAPVK_VK_TO_VSC);
    PostMessageW(h, WM_KEYDOWN, vk, 1 | (scan << 16));
    PostMessageW(h, WM_KEYUP, vk, 1 | (scan << 16) | 0xC0000000u);
}

void ClickTab(HWND tab, int index) {
    RECT r{};
    SendMessageW(tab, TCM_GETITEMRECT, index, reinterpret_cast<LPARAM>(&r));
    const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    SendMessageW(tab, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(tab, WM_LBUTTONUP, 0, at);
}

void DoubleClickRow(HWND list, int row) {
    POINT p{};
    if (row >= 0) {
        RECT r{};
        r.left = LVIR_LABEL;
        SendMessageW(list, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&r));
        p = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    } else {
        RECT r{};
        GetClientRect(list, &r);
        p = {r.right / 2, r.bottom - 4};
    }
    const LPARAM at = MAKELPARAM(p.x, p.y);
    PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(list, WM_LBUTTONUP, 0, at);
    PostMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    PostMessageW(list, WM_LBUTTONUP, 0, at);
}

int RowCount(HWND list) { return static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)); }

std::wstring Cell(HWND list, int row, int column) {
    wchar_t buf[1024] = {};
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = buf;
    item.cchTextMax = 1024;
    SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
    return buf;
}

}  // namespace optkit
