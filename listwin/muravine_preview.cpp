#include "listwin/muravine_preview.h"

#include "core/app.h"
#include "core/errors.h"
#include "core/muravine_rtn.h"
#include "imaging/muravine_susie.h"

std::wstring gv_sPreviewFile;
std::unique_ptr<TFormMURAVINEPreview> FormMURAVINEPreview;

namespace {

// A memory DC with a bitmap selected into it for as long as it lives.
class MemoryDc {
public:
    MemoryDc(HDC like, HBITMAP bitmap) : dc_(CreateCompatibleDC(like)), old_(dc_ ? SelectObject(dc_, bitmap) : nullptr) {}
    ~MemoryDc() {
        if (!dc_) return;
        SelectObject(dc_, old_);
        DeleteDC(dc_);
    }
    MemoryDc(const MemoryDc&) = delete;
    MemoryDc& operator=(const MemoryDc&) = delete;
    HDC get() const { return dc_; }
private:
    HDC dc_;
    HGDIOBJ old_;
};

}  // namespace

TFormMURAVINEPreview::TFormMURAVINEPreview(HWND owner) : owner_(owner) {
    RegisterClassOnce(kClassName, nullptr, 0, GetSysColorBrush(COLOR_DESKTOP));
    if (!Create(kClassName, kAppTitle, WS_POPUP, 0, 0, 0, 0, 0, owner, nullptr))
        throw mrv::AppError(L"プレビュー画面を作成できません。");
    FormCreate();
}

TFormMURAVINEPreview::~TFormMURAVINEPreview() {
    if (hwnd() && IsWindow(hwnd())) DestroyWindow(hwnd());
}

void TFormMURAVINEPreview::FormCreate() {
    SetWindowPos(hwnd(), nullptr, 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void TFormMURAVINEPreview::FormShow() {
    std::wstring path = gv_sPreviewFile;
    if (UpperExtension(path) != L".BMP") {
        if (!ConvertToBMP(path, true)) return;  // the conversion has said why
        path = TemporaryBMPPath();
    }
    HANDLE h = LoadImageW(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION);
    if (!h) {
        mrv::app::ShowInfo(path + L"\nビットマップを読み込めません。");
        return;
    }
    image_.reset(static_cast<HBITMAP>(h));
    BITMAP bm{};
    GetObjectW(image_.get(), sizeof bm, &bm);
    imageSize_ = {bm.bmWidth, bm.bmHeight < 0 ? -bm.bmHeight : bm.bmHeight};
}

void TFormMURAVINEPreview::ShowModal() {
    // The picture is made ready first, so that what the conversion reports is not hidden behind
    // a screen-filling window.
    FormShow();
    const bool ownerWasEnabled = owner_ && IsWindowEnabled(owner_);
    if (owner_) EnableWindow(owner_, FALSE);
    ShowWindow(hwnd(), SW_SHOW);
    SetForegroundWindow(hwnd());
    SetFocus(hwnd());
    MSG m;
    while (!done_) {
        const BOOL got = GetMessageW(&m, nullptr, 0, 0);
        if (got == 0) {
            PostQuitMessage(static_cast<int>(m.wParam));  // the outer loop ends too
            break;
        }
        if (got < 0) break;
        TranslateMessage(&m);
        DispatchMessageW(&m);
    }
    if (!done_) {
        done_ = true;
        FormClose();
    }
    // The owner is enabled before the preview hides, so that it becomes the active window again.
    if (owner_ && ownerWasEnabled) EnableWindow(owner_, TRUE);
    ShowWindow(hwnd(), SW_HIDE);
    if (owner_ && IsWindow(owner_)) SetForegroundWindow(owner_);
}

void TFormMURAVINEPreview::Close() {
    if (done_) return;
    done_ = true;
    FormClose();
    PostMessageW(hwnd(), WM_NULL, 0, 0);  // wakes the modal loop
}

void TFormMURAVINEPreview::FormKeyUp(WPARAM key) {
    if (key == VK_ESCAPE || key == VK_RETURN) Close();
}

void TFormMURAVINEPreview::Image1Click() { Close(); }

void TFormMURAVINEPreview::FormClose() {
    // Whatever was shown, a temporary bitmap left behind (also by anything else) goes.
    const std::wstring temp = TemporaryBMPPath();
    if (GetFileAttributesW(temp.c_str()) != INVALID_FILE_ATTRIBUTES) DeleteFileW(temp.c_str());
}

void TFormMURAVINEPreview::PaintImage1(HDC dc) {
    RECT rc;
    GetClientRect(hwnd(), &rc);
    if (!image_) {
        FillRect(dc, &rc, GetSysColorBrush(COLOR_DESKTOP));
        return;
    }
    // The picture at its own size, centred; a larger one shows its middle.
    const int x = (rc.right - imageSize_.cx) / 2;
    const int y = (rc.bottom - imageSize_.cy) / 2;
    {
        MemoryDc mem(dc, image_.get());
        BitBlt(dc, x, y, imageSize_.cx, imageSize_.cy, mem.get(), 0, 0, SRCCOPY);
    }
    // The desktop colour around it, painted apart so that nothing flickers under the picture.
    mrv::UniqueGdi<HRGN> around(CreateRectRgn(rc.left, rc.top, rc.right, rc.bottom));
    mrv::UniqueGdi<HRGN> pic(CreateRectRgn(x, y, x + imageSize_.cx, y + imageSize_.cy));
    CombineRgn(around.get(), around.get(), pic.get(), RGN_DIFF);
    FillRgn(dc, around.get(), GetSysColorBrush(COLOR_DESKTOP));
}

bool TFormMURAVINEPreview::HandleMessage(UINT msg, WPARAM wp, LPARAM, LRESULT& result) {
    switch (msg) {
        case WM_ERASEBKGND:
            result = 1;  // WM_PAINT paints everything
            return true;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd(), &ps);
            PaintImage1(dc);
            EndPaint(hwnd(), &ps);
            result = 0;
            return true;
        }
        case WM_KEYUP:
            FormKeyUp(wp);
            result = 0;
            return true;
        case WM_LBUTTONDOWN:
            pressed_ = true;
            result = 0;
            return true;
        case WM_LBUTTONUP:
            if (pressed_) Image1Click();
            pressed_ = false;
            result = 0;
            return true;
        case WM_CLOSE:
            Close();
            result = 0;
            return true;
    }
    return false;
}
