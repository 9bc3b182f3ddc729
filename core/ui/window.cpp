#include "core/ui/window.h"

#include <algorithm>
#include <vector>

#include "core/app.h"

namespace mrv {

namespace {
std::vector<HWND>& Modeless() {
    static std::vector<HWND> v;
    return v;
}
}  // namespace

Window::~Window() {
    if (hwnd_ && IsWindow(hwnd_)) {
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
}

bool Window::RegisterClassOnce(const wchar_t* className, HICON icon, UINT style, HBRUSH background) {
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExW(app::Instance(), className, &existing)) return true;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = style;
    wc.lpfnWndProc = Proc;
    wc.hInstance = app::Instance();
    wc.hIcon = icon;
    wc.hIconSm = icon;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = background;
    wc.lpszClassName = className;
    return RegisterClassExW(&wc) != 0;
}

HWND Window::Create(const wchar_t* className, const wchar_t* title, DWORD style, DWORD exStyle, int x, int y, int w,
                    int h, HWND parent, HMENU menu) {
    return CreateWindowExW(exStyle, className, title, style, x, y, w, h, parent, menu, app::Instance(), this);
}

LRESULT CALLBACK Window::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    Window* self = nullptr;
    if (msg == WM_NCCREATE) {
        self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    }
    if (self) {
        try {
            LRESULT result = 0;
            if (self->HandleMessage(msg, wp, lp, result)) return result;
        } catch (const std::exception& e) {
            app::ShowException(e);
        }
        if (msg == WM_NCDESTROY) {
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
            self->hwnd_ = nullptr;
            self->OnDestroyed();
        }
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

Dialog::~Dialog() {
    if (hwnd_ && IsWindow(hwnd_)) {
        SetWindowLongPtrW(hwnd_, DWLP_USER, 0);
        UnregisterModeless(hwnd_);
        DestroyWindow(hwnd_);
    }
}

INT_PTR Dialog::ShowModal(HWND owner, int templateId) {
    return DialogBoxParamW(app::Instance(), MAKEINTRESOURCEW(templateId), owner, Proc, reinterpret_cast<LPARAM>(this));
}

HWND Dialog::CreateModeless(HWND owner, int templateId) {
    HWND h = CreateDialogParamW(app::Instance(), MAKEINTRESOURCEW(templateId), owner, Proc,
                                reinterpret_cast<LPARAM>(this));
    if (h) RegisterModeless(h);
    return h;
}

std::wstring Dialog::ItemText(int id) const {
    HWND item = Item(id);
    const int n = item ? GetWindowTextLengthW(item) : 0;
    std::wstring s(static_cast<std::size_t>(n) + 1, L'\0');
    if (item) GetWindowTextW(item, s.data(), n + 1);
    s.resize(static_cast<std::size_t>(n));
    return s;
}

INT_PTR CALLBACK Dialog::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    Dialog* self = nullptr;
    if (msg == WM_INITDIALOG) {
        self = reinterpret_cast<Dialog*>(lp);
        self->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, DWLP_USER, lp);
        try {
            return self->OnInitDialog() ? TRUE : FALSE;
        } catch (const std::exception& e) {
            app::ShowException(e);
            return TRUE;
        }
    }
    self = reinterpret_cast<Dialog*>(GetWindowLongPtrW(hwnd, DWLP_USER));
    if (!self) return FALSE;
    INT_PTR result = 0;
    bool handled = false;
    try {
        handled = self->HandleMessage(msg, wp, lp, result);
    } catch (const std::exception& e) {
        app::ShowException(e);
    }
    if (msg == WM_NCDESTROY) {
        UnregisterModeless(hwnd);
        SetWindowLongPtrW(hwnd, DWLP_USER, 0);
        self->hwnd_ = nullptr;
        self->OnDestroyed();
    }
    if (handled) {
        SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, result);
        return TRUE;
    }
    return FALSE;
}

void RegisterModeless(HWND dialog) {
    auto& v = Modeless();
    if (std::find(v.begin(), v.end(), dialog) == v.end()) v.push_back(dialog);
}

void UnregisterModeless(HWND dialog) {
    auto& v = Modeless();
    v.erase(std::remove(v.begin(), v.end(), dialog), v.end());
}

bool DispatchModeless(MSG& msg) {
    for (HWND d : Modeless())
        if (IsWindow(d) && IsDialogMessageW(d, &msg)) return true;
    return false;
}

}  // namespace mrv
