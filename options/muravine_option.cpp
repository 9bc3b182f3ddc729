#include "options/muravine_option.h"

#include <commctrl.h>
#include <cderr.h>
#include <commdlg.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <uxtheme.h>

#include <algorithm>
#include <vector>

#include "core/handles.h"
#include "core/muravine_rtn.h"
#include "core/text.h"
#include "imaging/muravine_susie.h"
#include "options/muravine_option2.h"
#include "options/muravine_option_res.h"

std::unique_ptr<TFormMURAVINEOption> FormMURAVINEOption;

namespace {

constexpr int kTimingRadios[] = {IDC_OPT_CHANGENOTHING, IDC_OPT_CHANGEATBOOT, IDC_OPT_CHANGEATEXIT,
                                 IDC_OPT_CHANGEATINTERVAL};
constexpr int kPageTemplates[] = {IDD_OPTION_GENERAL, IDD_OPTION_CHANGE, IDD_OPTION_SUSIE};
constexpr const wchar_t* kPageCaptions[] = {L"全般", L"壁紙変更", L"Susieプラグイン"};
constexpr const wchar_t kHelpKeyword[] = L"オプション画面コマンド";
constexpr const wchar_t* kColumnCaptions[] = {L"拡張子", L"ファイル", L"説明"};
// The header's margins around its caption, in pixels.
constexpr int kColumnCaptionPadding = 16;

void AddItems(HWND combo, std::initializer_list<const wchar_t*> items) {
    for (const wchar_t* s : items) SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s));
}

void AddColumn(HWND list, int index, const wchar_t* caption) {
    LVCOLUMNW col{};
    col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    col.cx = 60;
    col.pszText = const_cast<wchar_t*>(caption);
    col.iSubItem = index;
    SendMessageW(list, LVM_INSERTCOLUMNW, index, reinterpret_cast<LPARAM>(&col));
}

void SetCell(HWND list, int row, int column, const std::wstring& text) {
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = const_cast<wchar_t*>(text.c_str());
    SendMessageW(list, LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
}

// The file dialogs start from what the edit holds; a name they refuse to start from is dropped
// rather than keeping the dialog from opening.
bool RunFileDialog(OPENFILENAMEW& ofn, bool save, const std::wstring& initial, std::wstring& chosen) {
    std::vector<wchar_t> buffer(32768, L'\0');
    ofn.lpstrFile = buffer.data();
    ofn.nMaxFile = static_cast<DWORD>(buffer.size());
    for (int attempt = 0; attempt < 2; ++attempt) {
        std::fill(buffer.begin(), buffer.end(), L'\0');
        if (attempt == 0) initial.copy(buffer.data(), std::min(initial.size(), buffer.size() - 1));
        const BOOL ok = save ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn);
        if (ok) {
            chosen = buffer.data();
            return true;
        }
        if (attempt == 0 && !initial.empty() && CommDlgExtendedError() == FNERR_INVALIDFILENAME) continue;
        return false;
    }
    return false;
}

// What a shortcut points to; the path itself when it is no shortcut or cannot be read. Some file
// dialogs hand back a chosen shortcut as it is although they were not asked to keep it.
std::wstring ShortcutTarget(const std::wstring& path) {
    if (UpperExtension(path) != L".LNK") return path;
    mrv::ComApartment com;
    mrv::ComPtr<IShellLinkW> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.put_void())))
        return path;
    mrv::ComPtr<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, file.put_void())) || FAILED(file->Load(path.c_str(), STGM_READ)))
        return path;
    std::vector<wchar_t> target(32768, L'\0');
    if (FAILED(link->GetPath(target.data(), static_cast<int>(target.size()), nullptr, 0)) || target[0] == L'\0')
        return path;
    return target.data();
}

}  // namespace

// One page of the dialog: a child dialog over the tab control's display area whose commands and
// notifications are the form's.
class TFormMURAVINEOption::Page : public mrv::Dialog {
public:
    explicit Page(TFormMURAVINEOption& form) : form_(form) {}

    HWND Create(HWND parent, int templateId) {
        HWND h = CreateModeless(parent, templateId);
        // The form serves the keyboard for its pages: Enter and Esc must reach its buttons.
        if (h) mrv::UnregisterModeless(h);
        return h;
    }

protected:
    bool OnInitDialog() override {
        EnableThemeDialogTexture(hwnd(), ETDT_ENABLETAB);
        return false;  // the form decides where the focus goes
    }

    bool HandleMessage(UINT msg, WPARAM wp, LPARAM lp, INT_PTR& result) override {
        switch (msg) {
            case WM_COMMAND:
                result = 0;
                return form_.OnCommand(LOWORD(wp), HIWORD(wp));
            case WM_NOTIFY:
                result = 0;
                return form_.OnNotify(*reinterpret_cast<const NMHDR*>(lp));
        }
        return false;
    }

private:
    TFormMURAVINEOption& form_;
};

TFormMURAVINEOption::TFormMURAVINEOption(SetTaskTrayFn setTaskTray) : setTaskTray_(std::move(setTaskTray)) {}

TFormMURAVINEOption::~TFormMURAVINEOption() = default;

bool TFormMURAVINEOption::Show(HWND owner) {
    owner_ = owner;
    closed_ = false;
    HWND h = CreateModeless(owner, IDD_OPTION);
    if (!h) return false;
    ShowWindow(h, SW_SHOW);
    SetForegroundWindow(h);
    return true;
}

HWND TFormMURAVINEOption::Control(int id) const {
    if (HWND h = Item(id)) return h;
    for (const auto& page : pages_)
        if (page && page->hwnd())
            if (HWND h = GetDlgItem(page->hwnd(), id)) return h;
    return nullptr;
}

bool TFormMURAVINEOption::OnInitDialog() {
    CreatePages();
    FormShow();
    // Start on the first control of the first page, as a property sheet does.
    if (HWND first = GetNextDlgTabItem(pages_[0]->hwnd(), nullptr, FALSE)) SetFocus(first);
    return false;
}

// What the form's design holds: pages, list items, number ranges, columns, the default timing.
void TFormMURAVINEOption::CreatePages() {
    HWND tab = Item(IDC_OPT_PAGES);
    for (int i = 0; i < 3; ++i) {
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<wchar_t*>(kPageCaptions[i]);
        SendMessageW(tab, TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));
    }
    RECT area{};
    GetWindowRect(tab, &area);
    MapWindowPoints(nullptr, hwnd(), reinterpret_cast<POINT*>(&area), 2);
    SendMessageW(tab, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
    for (int i = 0; i < 3; ++i) {
        pages_[i] = std::make_unique<Page>(*this);
        HWND page = pages_[i]->Create(hwnd(), kPageTemplates[i]);
        // Above the tab control, which clips them out of what it paints.
        SetWindowPos(page, i == 0 ? HWND_TOP : pages_[i - 1]->hwnd(), area.left, area.top, area.right - area.left,
                     area.bottom - area.top, SWP_NOACTIVATE);
    }

    AddItems(Control(IDC_OPT_TRAYDBLCLICK), {L"（何もしない）", L"次の壁紙", L"リスト画面", L"オプション画面"});
    AddItems(Control(IDC_OPT_LISTDBLCLICK), {L"（何もしない）", L"壁紙に設定", L"プレビュー"});
    AddItems(Control(IDC_OPT_CHANGEOPERATE), {L"リスト順", L"ランダム"});
    SendMessageW(Control(IDC_OPT_BOOTDELAY_UD), UDM_SETRANGE32, 0, 600);
    SendMessageW(Control(IDC_OPT_INTERVAL_UD), UDM_SETRANGE32, 1, 1440);
    SetChecked(IDC_OPT_CHANGENOTHING, true);

    HWND list = Control(IDC_OPT_SUSIE);
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    for (int c = 0; c < 3; ++c) AddColumn(list, c, kColumnCaptions[c]);

    ShowPage(0);
}

void TFormMURAVINEOption::ShowPage(int index) {
    SendMessageW(Item(IDC_OPT_PAGES), TCM_SETCURSEL, index, 0);
    for (int i = 0; i < 3; ++i) ShowWindow(pages_[i]->hwnd(), i == index ? SW_SHOW : SW_HIDE);
}

void TFormMURAVINEOption::FormShow() {
    SetChecked(IDC_OPT_SAVESETTING, gv_bSaveSetting);
    if (gv_iPlatform == 2) ShowWindow(Control(IDC_OPT_MULTIUSER), SW_HIDE);
    SetChecked(IDC_OPT_SHOWTRAY, gv_bShowTray);
    SetChecked(IDC_OPT_MULTIUSER, gv_bMultiUser);
    SetChecked(IDC_OPT_CHANGESECRET, gv_bChangeSecret);
    SetChecked(IDC_OPT_EXITATONCE, gv_bExitAtOnce);
    SetUpDownPosition(IDC_OPT_INTERVAL_UD, gv_iInterval);
    SetComboIndex(IDC_OPT_CHANGEOPERATE, gv_iChangeOperate);
    if (gv_iChangeTiming >= 0 && gv_iChangeTiming <= 3) {
        for (int i = 0; i < 4; ++i) SetChecked(kTimingRadios[i], i == gv_iChangeTiming);
    }
    ChangeEnabled();
    SetComboIndex(IDC_OPT_TRAYDBLCLICK, gv_iDblClickOperate);
    SetComboIndex(IDC_OPT_LISTDBLCLICK, gv_iDblClickList);
    SetUpDownPosition(IDC_OPT_BOOTDELAY_UD, gv_iBootDelay);
    SetText(IDC_OPT_APPS, gv_sLaunchApplication);
    SetText(IDC_OPT_BMP, gv_sChangedBMP);

    HWND list = Control(IDC_OPT_SUSIE);
    SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
    if (gv_lstSusieExt && gv_lstSusieFile && gv_lstSusieDesc) {
        const std::size_t n = gv_lstSusieExt->size();
        for (std::size_t i = 0; i < n; ++i) {
            const std::wstring ext = mrv::AnsiToWide((*gv_lstSusieExt)[i]);
            LVITEMW item{};
            item.mask = LVIF_TEXT;
            item.iItem = static_cast<int>(i);
            item.pszText = const_cast<wchar_t*>(ext.c_str());
            const int row = static_cast<int>(SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
            if (row < 0) continue;
            SetCell(list, row, 1, i < gv_lstSusieFile->size() ? (*gv_lstSusieFile)[i] : std::wstring());
            SetCell(list, row, 2, i < gv_lstSusieDesc->size() ? mrv::AnsiToWide((*gv_lstSusieDesc)[i]) : std::wstring());
        }
    }
    // Each column as wide as its widest cell or its caption; the last one takes the rest of the row.
    for (int c = 0; c < 2; ++c) {
        SendMessageW(list, LVM_SETCOLUMNWIDTH, c, LVSCW_AUTOSIZE);
        const int cells = static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, c, 0));
        const int caption = static_cast<int>(SendMessageW(list, LVM_GETSTRINGWIDTHW, 0,
                                                          reinterpret_cast<LPARAM>(kColumnCaptions[c]))) +
                            kColumnCaptionPadding;
        SendMessageW(list, LVM_SETCOLUMNWIDTH, c, std::max(cells, caption));
    }
    SendMessageW(list, LVM_SETCOLUMNWIDTH, 2, LVSCW_AUTOSIZE_USEHEADER);
}

int TFormMURAVINEOption::ChosenTiming() const {
    for (int i = 0; i < 4; ++i)
        if (Checked(kTimingRadios[i])) return i;
    return 0;
}

void TFormMURAVINEOption::ChangeEnabled() {
    const int timing = ChosenTiming();
    EnableWindow(Control(IDC_OPT_CHANGESECRET), timing == 1);
    EnableWindow(Control(IDC_OPT_EXITATONCE), timing == 1);
    EnableWindow(Control(IDC_OPT_INTERVAL), timing == 3);
    EnableWindow(Control(IDC_OPT_INTERVAL_UD), timing == 3);
}

void TFormMURAVINEOption::btnApplyClick() {
    gv_bSaveSetting = Checked(IDC_OPT_SAVESETTING);
    gv_bShowTray = Checked(IDC_OPT_SHOWTRAY);
    if (gv_iPlatform != 2) gv_bMultiUser = Checked(IDC_OPT_MULTIUSER);
    gv_bChangeSecret = Checked(IDC_OPT_CHANGESECRET);
    gv_bExitAtOnce = Checked(IDC_OPT_EXITATONCE);
    gv_iInterval = UpDownPosition(IDC_OPT_INTERVAL_UD);
    gv_iChangeOperate = ComboIndex(IDC_OPT_CHANGEOPERATE);
    gv_iChangeTiming = ChosenTiming();
    if (setTaskTray_) setTaskTray_(gv_bShowTray);
    gv_iDblClickOperate = ComboIndex(IDC_OPT_TRAYDBLCLICK);
    gv_iDblClickList = ComboIndex(IDC_OPT_LISTDBLCLICK);
    gv_iBootDelay = UpDownPosition(IDC_OPT_BOOTDELAY_UD);
    gv_sLaunchApplication = Text(IDC_OPT_APPS);
    gv_sChangedBMP = Text(IDC_OPT_BMP);
    FormClose();
}

void TFormMURAVINEOption::btnCancelClick() { FormClose(); }

void TFormMURAVINEOption::FormClose() {
    if (closed_) return;
    closed_ = true;
    ShowWindow(hwnd(), SW_HIDE);
    if (owner_) PostMessageW(owner_, UM_OPTION_CLOSED, 0, 0);
}

void TFormMURAVINEOption::btnHelpClick() { ShowHtmlHelp(hwnd(), kHelpKeyword); }

void TFormMURAVINEOption::btnShortcutClick() { CreateStartupShortcut(); }

void TFormMURAVINEOption::btnBrowseAppsClick() {
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = hwnd();
    ofn.lpstrFilter = L"プログラム\0*.exe;*.com;*.bat;*.lnk\0";
    ofn.nFilterIndex = 1;
    // Without OFN_NODEREFERENCELINKS a chosen shortcut gives the path of what it points to.
    ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_ENABLESIZING |
                OFN_NOCHANGEDIR;
    const std::wstring current = Text(IDC_OPT_APPS);
    std::wstring chosen;
    if (RunFileDialog(ofn, false, PathExists(current) ? current : std::wstring(), chosen))
        SetText(IDC_OPT_APPS, ShortcutTarget(chosen));
}

void TFormMURAVINEOption::btnBrowseBMPClick() {
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = hwnd();
    ofn.lpstrFilter = L"ビットマップ(*.BMP)\0*.bmp\0";
    ofn.nFilterIndex = 1;
    ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_ENABLESIZING | OFN_NOCHANGEDIR;
    std::wstring chosen;
    if (RunFileDialog(ofn, true, Text(IDC_OPT_BMP), chosen)) SetText(IDC_OPT_BMP, chosen);
}

void TFormMURAVINEOption::btnDefaultBMPClick() { SetText(IDC_OPT_BMP, DefaultChangedBMP()); }

void TFormMURAVINEOption::btnRightMenuClick() { OpenRegistration(L"*.bmp"); }

void TFormMURAVINEOption::lvSusieDblClick() {
    HWND list = Control(IDC_OPT_SUSIE);
    const int row = static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    if (row < 0) return;
    std::vector<wchar_t> text(1024, L'\0');
    LVITEMW item{};
    item.iSubItem = 0;
    item.pszText = text.data();
    item.cchTextMax = static_cast<int>(text.size());
    SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
    OpenRegistration(text.data());
}

void TFormMURAVINEOption::OpenRegistration(const std::wstring& target) {
    gv_sShellTarget = target;
    FormMURAVINEOption2 = std::make_unique<TFormMURAVINEOption2>();
    struct Release {
        ~Release() { FormMURAVINEOption2.reset(); }
    } release;
    FormMURAVINEOption2->ShowModal(hwnd());
}

bool TFormMURAVINEOption::OnCommand(int id, int code) {
    if (code == BN_CLICKED) {
        switch (id) {
            case IDOK: btnApplyClick(); return true;
            case IDCANCEL: btnCancelClick(); return true;
            case IDC_OPT_HELP: btnHelpClick(); return true;
            case IDC_OPT_SHORTCUT: btnShortcutClick(); return true;
            case IDC_OPT_RIGHTMENU: btnRightMenuClick(); return true;
            case IDC_OPT_BROWSEAPPS: btnBrowseAppsClick(); return true;
            case IDC_OPT_BROWSEBMP: btnBrowseBMPClick(); return true;
            case IDC_OPT_DEFAULTBMP: btnDefaultBMPClick(); return true;
            case IDC_OPT_CHANGENOTHING:
            case IDC_OPT_CHANGEATBOOT:
            case IDC_OPT_CHANGEATEXIT:
            case IDC_OPT_CHANGEATINTERVAL: ChangeEnabled(); return true;
        }
    }
    // Show the number that will be stored once the user leaves a number field: a value typed out
    // of range does not move the up-down control.
    if (code == EN_KILLFOCUS && (id == IDC_OPT_INTERVAL || id == IDC_OPT_BOOTDELAY)) {
        const int ud = id == IDC_OPT_INTERVAL ? IDC_OPT_INTERVAL_UD : IDC_OPT_BOOTDELAY_UD;
        SetUpDownPosition(ud, UpDownPosition(ud));
        return true;
    }
    return false;
}

bool TFormMURAVINEOption::OnNotify(const NMHDR& nm) {
    if (nm.idFrom == IDC_OPT_PAGES && nm.code == TCN_SELCHANGE) {
        ShowPage(static_cast<int>(SendMessageW(nm.hwndFrom, TCM_GETCURSEL, 0, 0)));
        return true;
    }
    if (nm.idFrom == IDC_OPT_SUSIE && nm.code == NM_DBLCLK) {
        lvSusieDblClick();
        return true;
    }
    return false;
}

bool TFormMURAVINEOption::HandleMessage(UINT msg, WPARAM wp, LPARAM lp, INT_PTR& result) {
    switch (msg) {
        case WM_COMMAND:
            result = 0;
            return OnCommand(LOWORD(wp), HIWORD(wp));
        case WM_NOTIFY:
            result = 0;
            return OnNotify(*reinterpret_cast<const NMHDR*>(lp));
        case WM_CLOSE:
            FormClose();
            result = 0;
            return true;
    }
    return false;
}

bool TFormMURAVINEOption::Checked(int id) const { return SendMessageW(Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }

void TFormMURAVINEOption::SetChecked(int id, bool on) const {
    SendMessageW(Control(id), BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
}

int TFormMURAVINEOption::ComboIndex(int id) const {
    return static_cast<int>(SendMessageW(Control(id), CB_GETCURSEL, 0, 0));
}

// A value outside the items leaves none chosen.
void TFormMURAVINEOption::SetComboIndex(int id, int index) const {
    SendMessageW(Control(id), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

int TFormMURAVINEOption::UpDownPosition(int id) const {
    return static_cast<int>(SendMessageW(Control(id), UDM_GETPOS32, 0, 0));
}

void TFormMURAVINEOption::SetUpDownPosition(int id, int position) const {
    SendMessageW(Control(id), UDM_SETPOS32, 0, position);
}

std::wstring TFormMURAVINEOption::Text(int id) const {
    HWND h = Control(id);
    const int n = GetWindowTextLengthW(h);
    std::wstring s(static_cast<std::size_t>(n) + 1, L'\0');
    GetWindowTextW(h, s.data(), n + 1);
    s.resize(static_cast<std::size_t>(std::max(0, n)));
    return s;
}

void TFormMURAVINEOption::SetText(int id, const std::wstring& text) const { SetWindowTextW(Control(id), text.c_str()); }
