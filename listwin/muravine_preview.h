// The full-screen preview of one picture of the list: the picture at its own size in the middle of
// the primary screen, on the desktop colour. A click, Esc or Enter closes it.
#pragma once
#include <windows.h>

#include <memory>
#include <string>

#include "core/handles.h"
#include "core/ui/window.h"

// The picture to show; the list window sets it before it creates the preview.
extern std::wstring gv_sPreviewFile;

class TFormMURAVINEPreview : public mrv::Window {
public:
    // Creates the window over the primary screen, hidden, owned by `owner`.
    explicit TFormMURAVINEPreview(HWND owner);
    ~TFormMURAVINEPreview() override;

    // Shows the picture and returns when the window has closed; the owner takes no input meanwhile.
    void ShowModal();

    static constexpr wchar_t kClassName[] = L"TFormMURAVINEPreview";

protected:
    bool HandleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

private:
    void FormCreate();
    void FormShow();
    void FormKeyUp(WPARAM key);
    void Image1Click();
    void FormClose();
    void Close();
    void PaintImage1(HDC dc);

    HWND owner_;
    mrv::UniqueGdi<HBITMAP> image_;  // Image1's picture, null when nothing could be loaded
    SIZE imageSize_{};
    bool done_ = false;
    bool pressed_ = false;  // a click needs its press inside the window
};

extern std::unique_ptr<TFormMURAVINEPreview> FormMURAVINEPreview;
