#include "options/ormi_version.h"

#include <cwchar>
#include <vector>

#include "core/app.h"
#include "options/ormi_version_res.h"

std::unique_ptr<TFormVersion> FormVersion;

namespace {

std::optional<std::wstring> QueryString(std::vector<BYTE>& block, WORD language, WORD codePage, const wchar_t* name) {
    wchar_t path[128] = {};
    swprintf(path, 128, L"\\StringFileInfo\\%04X%04X\\%ls", language, codePage, name);
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(block.data(), path, &value, &length) || !value) return std::nullopt;
    // The length counts the terminating zero when there is one; the string ends at the first zero.
    const auto* s = static_cast<const wchar_t*>(value);
    std::size_t n = 0;
    while (n < length && s[n]) ++n;
    return std::wstring(s, n);
}

}  // namespace

VersionStrings ReadVersionStrings(const std::wstring& file) {
    VersionStrings out;
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(file.c_str(), &handle);
    if (size == 0) return out;
    std::vector<BYTE> block(size);
    if (!GetFileVersionInfoW(file.c_str(), 0, size, block.data())) return out;
    void* translation = nullptr;
    UINT length = 0;
    // Without a translation there is no telling which string table to read.
    if (!VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", &translation, &length) || !translation ||
        length < sizeof(DWORD))
        return out;
    const DWORD first = *static_cast<const DWORD*>(translation);
    const WORD language = LOWORD(first), codePage = HIWORD(first);
    out.fileVersion = QueryString(block, language, codePage, L"FileVersion");
    out.legalCopyright = QueryString(block, language, codePage, L"LegalCopyright");
    return out;
}

INT_PTR TFormVersion::ShowModal(HWND owner) { return Dialog::ShowModal(owner, IDD_VERSION); }

bool TFormVersion::OnInitDialog() {
    FormShow();
    return true;
}

void TFormVersion::FormShow() {
    // Centred on the application's main window, where it stands even while hidden; not kept on
    // the screen, like the rest of the design.
    HWND main = mrv::app::Owner() ? mrv::app::Owner() : GetWindow(hwnd(), GW_OWNER);
    if (main) {
        RECT m{}, d{};
        GetWindowRect(main, &m);
        GetWindowRect(hwnd(), &d);
        const int dw = d.right - d.left, dh = d.bottom - d.top;
        const int left = m.left + (((m.right - m.left) - dw) >> 1);
        const int top = m.top + (((m.bottom - m.top) - dh) >> 1);
        SetWindowPos(hwnd(), nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (HICON icon = LoadIconW(mrv::app::Instance(), MAKEINTRESOURCEW(1)))
        SendDlgItemMessageW(hwnd(), IDC_IMAGE1, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
    SetItemText(IDC_LABEL_TITLE, mrv::app::Title());
    const VersionStrings v = ReadVersionStrings(mrv::app::ModulePath());
    if (v.fileVersion) SetItemText(IDC_LABEL_VERSION, *v.fileVersion);
    if (v.legalCopyright) SetItemText(IDC_LABEL_COPY, *v.legalCopyright);
}

bool TFormVersion::HandleMessage(UINT msg, WPARAM wp, LPARAM, INT_PTR& result) {
    if (msg == WM_COMMAND) {
        switch (LOWORD(wp)) {
            case IDC_VERSION_BUTTON1:
            case IDOK:
            case IDCANCEL:  // Esc and the close box answer as OK does
                EndDialog(hwnd(), IDOK);
                result = 0;
                return true;
            default:
                break;
        }
    }
    return false;
}
