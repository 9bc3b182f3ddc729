#include "options/muravine_option2.h"

#include <algorithm>

#include "core/app.h"
#include "options/muravine_option_res.h"

std::wstring gv_sShellTarget;
std::wstring gv_sShellExt;
std::unique_ptr<TFormMURAVINEOption2> FormMURAVINEOption2;

namespace {

struct ShellVerb {
    int checkBox;
    const wchar_t* verb;
    const wchar_t* menuText;
    const wchar_t* switchText;
};

// Read and written in this order. The switch's second letter picks the action (A: add to the list,
// W: set as wallpaper) and its third the style, as the command line reader expects them.
constexpr ShellVerb kVerbs[] = {
    {IDC_OPT2_ADDCENTER, L"AddCenter", L"壁紙リストに追加（中央に表示）", L"/ac"},
    {IDC_OPT2_ADDTILE, L"AddTile", L"壁紙リストに追加（並べて表示）", L"/at"},
    {IDC_OPT2_ADDSCREEN, L"AddScreen", L"壁紙リストに追加（拡大して表示）", L"/as"},
    {IDC_OPT2_WALLCENTER, L"WallCenter", L"壁紙に設定（中央に表示）", L"/wc"},
    {IDC_OPT2_WALLTILE, L"WallTile", L"壁紙に設定（並べて表示）", L"/wt"},
    {IDC_OPT2_WALLSCREEN, L"WallScreen", L"壁紙に設定（拡大して表示）", L"/ws"},
};

std::wstring VerbKey(const std::wstring& fileClass, const std::wstring& verb) {
    return L"\\" + fileClass + L"\\shell\\MURAVINE" + verb;
}

// The file class named by the extension's key; `opened` tells whether that key could be opened
// with full access at all.
std::wstring FileClassOf(mrv::Registry& reg, const std::wstring& ext, bool& opened) {
    opened = reg.OpenKey(L"\\." + ext, false);
    if (!opened) return {};
    const std::wstring cls = reg.ValueExists(L"") ? reg.ReadString(L"") : std::wstring();
    reg.CloseKey();
    return cls;
}

}  // namespace

INT_PTR TFormMURAVINEOption2::ShowModal(HWND owner) { return mrv::Dialog::ShowModal(owner, IDD_OPTION2); }

bool TFormMURAVINEOption2::regread(mrv::Registry& reg, const std::wstring& fileClass, const std::wstring& verb) {
    const bool opened = reg.OpenKey(VerbKey(fileClass, verb), false);
    if (opened) reg.CloseKey();
    return opened;
}

void TFormMURAVINEOption2::regadd(mrv::Registry& reg, const std::wstring& fileClass, const std::wstring& verb,
                                  const std::wstring& menuText, const std::wstring& switchText) {
    const std::wstring key = VerbKey(fileClass, verb);
    // A key that cannot be created leaves none open, and the write below reports the refusal.
    reg.OpenKey(key, true);
    reg.WriteString(L"", menuText);
    reg.CloseKey();
    reg.OpenKey(key + L"\\command", true);
    reg.WriteString(L"", CommandLine(mrv::app::ExePath(), switchText));
    reg.CloseKey();
}

void TFormMURAVINEOption2::regdel(mrv::Registry& reg, const std::wstring& fileClass, const std::wstring& verb) {
    if (reg.OpenKey(L"\\" + fileClass + L"\\shell", false)) {
        reg.DeleteKey(L"MURAVINE" + verb);
        reg.CloseKey();
    }
}

std::wstring TFormMURAVINEOption2::ShellExtOf(const std::wstring& target) {
    const std::size_t dot = target.find(L'.');
    return dot == std::wstring::npos ? target : target.substr(dot + 1);
}

std::wstring TFormMURAVINEOption2::CommandLine(const std::wstring& exePath, const std::wstring& switchText) {
    return L"\"" + exePath + L"\" " + switchText + L" \"%1\"";
}

bool TFormMURAVINEOption2::OnInitDialog() {
    CentreOnOwner();
    FormShow();
    return true;
}

void TFormMURAVINEOption2::CentreOnOwner() {
    HWND owner = GetWindow(hwnd(), GW_OWNER);
    RECT own{}, me{};
    GetWindowRect(hwnd(), &me);
    if (!owner || !IsWindowVisible(owner) || !GetWindowRect(owner, &own))
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &own, 0);
    const int w = me.right - me.left, h = me.bottom - me.top;
    int x = own.left + (own.right - own.left - w) / 2;
    int y = own.top + (own.bottom - own.top - h) / 2;
    // Keep the whole dialog on the monitor even when the owner sits at its edge.
    MONITORINFO mi{};
    mi.cbSize = sizeof mi;
    if (GetMonitorInfoW(MonitorFromRect(&own, MONITOR_DEFAULTTONEAREST), &mi)) {
        x = std::max<int>(mi.rcWork.left, std::min<int>(x, mi.rcWork.right - w));
        y = std::max<int>(mi.rcWork.top, std::min<int>(y, mi.rcWork.bottom - h));
    }
    SetWindowPos(hwnd(), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TFormMURAVINEOption2::FormShow() {
    SetWindowTextW(hwnd(), (L"エクスプローラ右クリックに追加(" + gv_sShellTarget + L")").c_str());
    gv_sShellExt = ShellExtOf(gv_sShellTarget);
    mrv::Registry reg(HKEY_CLASSES_ROOT);
    bool opened = false;
    const std::wstring cls = FileClassOf(reg, gv_sShellExt, opened);
    for (const ShellVerb& v : kVerbs) EnableWindow(Item(v.checkBox), opened);
    EnableWindow(Item(IDOK), opened);
    if (!opened) {
        // Only キャンセル is left; give it the focus and the Enter key.
        SendMessageW(hwnd(), DM_SETDEFID, IDCANCEL, 0);
        SetFocus(Item(IDCANCEL));
        return;
    }
    if (cls.empty()) return;
    for (const ShellVerb& v : kVerbs)
        CheckDlgButton(hwnd(), v.checkBox, regread(reg, cls, v.verb) ? BST_CHECKED : BST_UNCHECKED);
}

void TFormMURAVINEOption2::btnOKClick() {
    {
        mrv::Registry reg(HKEY_CLASSES_ROOT);
        bool opened = false;
        const std::wstring cls = FileClassOf(reg, gv_sShellExt, opened);
        if (!cls.empty()) {
            for (const ShellVerb& v : kVerbs) {
                if (IsDlgButtonChecked(hwnd(), v.checkBox) == BST_CHECKED)
                    regadd(reg, cls, v.verb, v.menuText, v.switchText);
                else
                    regdel(reg, cls, v.verb);
            }
        }
    }
    EndDialog(hwnd(), IDOK);
}

bool TFormMURAVINEOption2::HandleMessage(UINT msg, WPARAM wp, LPARAM, INT_PTR& result) {
    if (msg != WM_COMMAND || HIWORD(wp) != BN_CLICKED) return false;
    switch (LOWORD(wp)) {
        case IDOK:
            // Enter reaches here even while OK is disabled.
            if (IsWindowEnabled(Item(IDOK))) btnOKClick();
            break;
        case IDCANCEL:
            EndDialog(hwnd(), IDCANCEL);
            break;
        default:
            return false;
    }
    result = 0;
    return true;
}
