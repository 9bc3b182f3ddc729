#include "mainwin/muravine_main.h"

#include <array>
#include <stdexcept>

#include "core/app.h"
#include "core/errors.h"
#include "core/muravine_rtn.h"
#include "mainwin/interval.h"
#include "listwin/muravine_list.h"
#include "mainwin/muravine_main_res.h"
#include "options/muravine_option.h"
#include "options/muravine_option2.h"
#include "options/ormi_version.h"

std::unique_ptr<TFormMURAVINEMain> FormMURAVINEMain;
SYSTEMTIME gv_dtLastChange{};

namespace {

constexpr UINT_PTR kTimer1 = 1;
constexpr UINT kTimer1Interval = 1000;
constexpr int kClientWidth = 281;  // the design's client area, in pixels at 96 DPI
constexpr int kClientHeight = 145;
constexpr int kFontPixels = 12;
constexpr wchar_t kFontFace[] = L"ＭＳ Ｐゴシック";

constexpr std::array<int, 7> kButtons = {IDC_BUTTON1, IDC_BUTTON2, IDC_BUTTON3, IDC_BUTTON4,
                                         IDC_BUTTON5, IDC_BUTTON6, IDC_BUTTON7};

mrv::ClockReading Reading(const SYSTEMTIME& t) {
    return {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds};
}

UINT WindowDpi(HWND hwnd) {
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = reinterpret_cast<GetDpiForWindowFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (getDpiForWindow) {
        if (const UINT dpi = getDpiForWindow(hwnd)) return dpi;
    }
    HDC dc = GetDC(nullptr);
    const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(nullptr, dc);
    return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

bool DrawsJapanese(HFONT font) {
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    const int charset = GetTextCharset(dc);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return charset == SHIFTJIS_CHARSET;
}

// The design's font; where neither it nor any other Japanese font is installed, the user's message
// font at the design's size, which at least draws what the system can draw.
HFONT MakeFont(UINT dpi) {
    LOGFONTW lf{};
    lf.lfHeight = -MulDiv(kFontPixels, static_cast<int>(dpi), 96);
    lf.lfWeight = FW_NORMAL;
    lf.lfCharSet = SHIFTJIS_CHARSET;
    lf.lfQuality = DEFAULT_QUALITY;
    lstrcpynW(lf.lfFaceName, kFontFace, LF_FACESIZE);
    HFONT font = CreateFontIndirectW(&lf);
    if (font && DrawsJapanese(font)) return font;
    if (font) DeleteObject(font);
    NONCLIENTMETRICSW ncm{};
    ncm.cbSize = sizeof ncm;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0);
    lf = ncm.lfMessageFont;
    lf.lfHeight = -MulDiv(kFontPixels, static_cast<int>(dpi), 96);
    return CreateFontIndirectW(&lf);
}

void RegisterMainClass() {
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExW(mrv::app::Instance(), kMainWindowClass, &existing)) return;
    // A dialog of its own class, so that other launches find the resident instance by its name.
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = DefDlgProcW;
    wc.cbWndExtra = DLGWINDOWEXTRA;
    wc.hInstance = mrv::app::Instance();
    wc.hIcon = LoadIconW(wc.hInstance, MAKEINTRESOURCEW(1));
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kMainWindowClass;
    RegisterClassExW(&wc);
}

// Where each button was designed, in pixels at 96 DPI (read back from the template, see the .rc).
struct Design {
    int id;
    RECT r;
};
std::array<Design, kButtons.size()> g_design{};

}  // namespace

TFormMURAVINEMain::TFormMURAVINEMain() {
    RegisterMainClass();
    if (!CreateModeless(nullptr, IDD_MURAVINEMAIN))
        throw mrv::AppError(L"メイン画面を作成できません。");
}

TFormMURAVINEMain::~TFormMURAVINEMain() {
    // The window goes first: its controls still use the font, and the tray still posts to it.
    if (HWND h = hwnd()) {
        if (mrv::app::Owner() == h) mrv::app::SetOwner(nullptr);
        DestroyWindow(h);
    }
    ormiTaskBar1_.reset();
}

bool TFormMURAVINEMain::OnInitDialog() {
    // The template's numbers are the design's pixels; the dialog manager took them for dialog
    // units of the template's font, which its base units undo exactly.
    RECT base{0, 0, 4, 8};
    MapDialogRect(hwnd(), &base);
    for (std::size_t i = 0; i < kButtons.size(); ++i) {
        HWND b = Item(kButtons[i]);
        RECT r{};
        GetWindowRect(b, &r);
        MapWindowPoints(nullptr, hwnd(), reinterpret_cast<POINT*>(&r), 2);
        const int x = MulDiv(r.left, 4, base.right), y = MulDiv(r.top, 8, base.bottom);
        const int cx = MulDiv(r.right - r.left, 4, base.right), cy = MulDiv(r.bottom - r.top, 8, base.bottom);
        g_design[i] = {kButtons[i], {x, y, x + cx, y + cy}};
    }
    LayOut(WindowDpi(hwnd()));
    mrv::app::SetOwner(hwnd());

    // The tray menu, and the tray icon as the form's design sets it up.
    HMENU bar = LoadMenuW(mrv::app::Instance(), MAKEINTRESOURCEW(IDR_POPUPMENU1));
    HMENU popup = bar ? GetSubMenu(bar, 0) : nullptr;
    if (bar) RemoveMenu(bar, 0, MF_BYPOSITION);  // the popup now belongs to PopupMenu1 alone
    if (bar) DestroyMenu(bar);
    popupMenu1_ = std::make_unique<TPopupMenu>(popup, hwnd());
    popupMenu1_->OnPopup = [this] { MarkDefaultItem(); };
    ormiTaskBar1_ = std::make_unique<TORMITaskBar>(hwnd());
    ormiTaskBar1_->SetORMITaskBar(false);  // no taskbar button
    ormiTaskBar1_->SetTaskTray(false);     // switched on from the settings below
    ormiTaskBar1_->SetPopup(2, popupMenu1_.get());
    ormiTaskBar1_->OnTrayDblClick = [this](TMouseButton b) { ORMITaskBar1TrayDblClick(b); };
    ormiTaskBar1_->Loaded();

    FormCreate();
    return true;
}

void TFormMURAVINEMain::LayOut(UINT dpi) {
    const int d = static_cast<int>(dpi);
    font_.reset(MakeFont(dpi));
    for (const Design& g : g_design) {
        HWND b = Item(g.id);
        SetWindowPos(b, nullptr, MulDiv(g.r.left, d, 96), MulDiv(g.r.top, d, 96), MulDiv(g.r.right - g.r.left, d, 96),
                     MulDiv(g.r.bottom - g.r.top, d, 96), SWP_NOZORDER | SWP_NOACTIVATE);
        SendMessageW(b, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), TRUE);
    }
    RECT frame{0, 0, MulDiv(kClientWidth, d, 96), MulDiv(kClientHeight, d, 96)};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(hwnd(), GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrW(hwnd(), GWL_EXSTYLE)));
    const int w = frame.right - frame.left, h = frame.bottom - frame.top;
    // In the middle of the screen.
    SetWindowPos(hwnd(), nullptr, (GetSystemMetrics(SM_CXSCREEN) - w) / 2, (GetSystemMetrics(SM_CYSCREEN) - h) / 2, w, h,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

bool TFormMURAVINEMain::HandleMessage(UINT msg, WPARAM wp, LPARAM lp, INT_PTR& result) {
    switch (msg) {
        case UM_SHOW_OR_RELOAD:
            if (lp == 0) ShowForm();
            else Reload();
            result = 0;
            return true;
        case UM_LIST_CLOSED:
            ListClosed();
            result = 0;
            return true;
        case UM_OPTION_CLOSED:
            OptionClosed();
            result = 0;
            return true;
        case WM_QUERYENDSESSION:
            // Whatever follows (the end of the session, or its cancellation), the settings and the
            // list are on disk now. The change at exit waits for the session really to end, so a
            // cancelled log-off neither spends an entry nor stops the program from working.
            if (!ended_) WriteSettings();
            result = TRUE;
            return true;
        case WM_ENDSESSION:
            if (wp) EndSession();
            result = 0;
            return true;
        case WM_TIMER:
            if (wp == kTimer1) Timer1Timer();
            result = 0;
            return true;
        case WM_COMMAND:
            if (HIWORD(wp) <= 1 && Command(LOWORD(wp))) {
                result = 0;
                return true;
            }
            return false;
        case WM_SYSCOMMAND:
            // Alt+F4 on the visible window hides it, as Esc does; quitting is an explicit command.
            if ((wp & 0xFFF0) == SC_CLOSE) {
                Button4Click();
                result = 0;
                return true;
            }
            return false;
        case WM_CLOSE:
            FormClose();
            result = 0;
            return true;
        case WM_DESTROY:
            if (ormiTaskBar1_) ormiTaskBar1_->IconOff();
            SetTimer1(false);
            // Windows still open went with their owner, without their closing work.
            FormMURAVINEOption.reset();
            FormMURAVINEList.reset();
            // The main form is gone: so is the program.
            PostQuitMessage(0);
            return false;
        case 0x02E0: {  // WM_DPICHANGED: the window moved to a monitor of another scale
            LayOut(HIWORD(wp));
            const RECT* r = reinterpret_cast<const RECT*>(lp);
            SetWindowPos(hwnd(), nullptr, r->left, r->top, r->right - r->left, r->bottom - r->top,
                         SWP_NOZORDER | SWP_NOACTIVATE);
            result = 0;
            return true;
        }
        default:
            return false;
    }
}

bool TFormMURAVINEMain::Command(UINT id) {
    switch (id) {
        case IDC_BUTTON5:
        case IDM_PM1NEXT:
            pm1NextClick();
            return true;
        case IDC_BUTTON1:
        case IDM_PM1LIST:
            pm1ListClick();
            return true;
        case IDC_BUTTON2:
        case IDM_PM1OPTION:
            pm1OptionClick();
            return true;
        case IDC_BUTTON6:
        case IDM_PM1HELP:
            pm1HelpClick();
            return true;
        case IDC_BUTTON7:
        case IDM_PM1ABOUT:
            pm1AboutClick();
            return true;
        case IDC_BUTTON3:
        case IDM_PM1EXIT:
            pm1ExitClick();
            return true;
        case IDC_BUTTON4:
        case IDCANCEL:
            Button4Click();
            return true;
        default:
            return false;
    }
}

void TFormMURAVINEMain::FormCreate() {
    gv_dtLastChange = Now();
    RestartTimer();
    ormiTaskBar1_->SetTaskTray(gv_bShowTray);
}

void TFormMURAVINEMain::SetTimer1(bool on) {
    if (on) ::SetTimer(hwnd(), kTimer1, kTimer1Interval, nullptr);
    else if (hwnd()) KillTimer(hwnd(), kTimer1);
    timer1_ = on;
}

void TFormMURAVINEMain::RestartTimer() {
    if (ended_ || !hwnd()) return;
    if (gv_iChangeTiming == 3 && !FormMURAVINEList && !FormMURAVINEOption) {
        SetTimer1(true);
        gv_dtLastChange = Now();
    }
}

void TFormMURAVINEMain::Timer1Timer() {
    if (!timer1_ || ended_) return;
    const SYSTEMTIME now = Now();
    switch (mrv::IntervalTick(Reading(gv_dtLastChange), Reading(now), gv_iInterval)) {
        case mrv::TickAction::Wait:
            return;
        case mrv::TickAction::Restart:
            gv_dtLastChange = now;
            return;
        case mrv::TickAction::Change:
            // Set first: a message box of the change lets further ticks arrive meanwhile.
            gv_dtLastChange = now;
            pm1NextClick();
            return;
    }
}

void TFormMURAVINEMain::pm1NextClick() {
    // One change at a time: while a change shows a message box, or tells the desktop about the new
    // wallpaper, ticks, commands and requests still arrive.
    if (ended_ || changing_) return;
    changing_ = true;
    try {
        gv_iWallIndex = NextWallIndex();
        if (gv_iWallIndex != -1) ChangeWallpaper(false);
    } catch (...) {
        changing_ = false;
        RunPending();
        throw;
    }
    changing_ = false;
    RunPending();
}

// What was asked for while a change was under way, now that it is over.
void TFormMURAVINEMain::RunPending() {
    if (endPending_) {
        endPending_ = false;
        reloadPending_ = false;
        FormClose();
        return;
    }
    if (reloadPending_) {
        reloadPending_ = false;
        Reload();
    }
}

void TFormMURAVINEMain::pm1ListClick() {
    if (FormMURAVINEList || ended_) return;
    SetTimer1(false);
    try {
        FormMURAVINEList = std::make_unique<TFormMURAVINEList>(hwnd());
        FormMURAVINEList->Show();
    } catch (...) {
        FormMURAVINEList.reset();
        RestartTimer();
        throw;
    }
    EnableCommand(IDM_PM1LIST, IDC_BUTTON1, false);
}

void TFormMURAVINEMain::pm1OptionClick() {
    if (FormMURAVINEOption || ended_) return;
    SetTimer1(false);
    try {
        FormMURAVINEOption = std::make_unique<TFormMURAVINEOption>([this](bool show) {
            if (ormiTaskBar1_) ormiTaskBar1_->SetTaskTray(show);
        });
        if (!FormMURAVINEOption->Show(hwnd())) FormMURAVINEOption.reset();
    } catch (...) {
        FormMURAVINEOption.reset();
        RestartTimer();
        throw;
    }
    if (!FormMURAVINEOption) {
        RestartTimer();
        return;
    }
    EnableCommand(IDM_PM1OPTION, IDC_BUTTON2, false);
}

void TFormMURAVINEMain::ListClosed() {
    if (!FormMURAVINEList) return;  // a stray message: nothing to close
    FormMURAVINEList.reset();
    EnableCommand(IDM_PM1LIST, IDC_BUTTON1, true);
    RestartTimer();
}

void TFormMURAVINEMain::OptionClosed() {
    if (!FormMURAVINEOption) return;
    FormMURAVINEOption.reset();
    EnableCommand(IDM_PM1OPTION, IDC_BUTTON2, true);
    RestartTimer();
}

void TFormMURAVINEMain::EnableCommand(UINT menuId, int buttonId, bool enabled) {
    if (HMENU m = PopupMenu1()) EnableMenuItem(m, menuId, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
    EnableWindow(Item(buttonId), enabled);
}

// The item that a double click on the icon runs is the menu's default, drawn in bold.
void TFormMURAVINEMain::MarkDefaultItem() {
    HMENU m = PopupMenu1();
    if (!m) return;
    switch (gv_iDblClickOperate) {
        case 1:
            SetMenuDefaultItem(m, IDM_PM1NEXT, FALSE);
            break;
        case 2:
            SetMenuDefaultItem(m, IDM_PM1LIST, FALSE);
            break;
        case 3:
            SetMenuDefaultItem(m, IDM_PM1OPTION, FALSE);
            break;
        default:
            SetMenuDefaultItem(m, static_cast<UINT>(-1), FALSE);
            break;
    }
}

void TFormMURAVINEMain::pm1HelpClick() { ShowHtmlHelp(hwnd(), L"むらびね for Win32"); }

void TFormMURAVINEMain::pm1AboutClick() {
    if (FormVersion && FormVersion->hwnd()) {
        // Already shown (the tray menu stays usable while it is): bring it forward.
        SetForegroundWindow(FormVersion->hwnd());
        return;
    }
    SetTimer1(false);
    FormVersion = std::make_unique<TFormVersion>();
    FormVersion->ShowModal(hwnd());
    FormVersion.reset();
    RestartTimer();
}

void TFormMURAVINEMain::pm1ExitClick() { SendMessageW(hwnd(), WM_CLOSE, 0, 0); }

void TFormMURAVINEMain::Button4Click() { ShowWindow(hwnd(), SW_HIDE); }

void TFormMURAVINEMain::ShowForm() {
    ShowWindow(hwnd(), SW_SHOW);
    SetForegroundWindow(hwnd());
}

void TFormMURAVINEMain::ORMITaskBar1TrayDblClick(TMouseButton) {
    switch (gv_iDblClickOperate) {
        case 1:
            pm1NextClick();
            break;
        case 2:
            if (!FormMURAVINEList) pm1ListClick();
            break;
        case 3:
            if (!FormMURAVINEOption) pm1OptionClick();
            break;
        default:
            break;
    }
}

void TFormMURAVINEMain::Reload() {
    if (ended_) return;
    if (changing_) {
        // The change under way still works on the entry it chose: the list is replaced after it.
        reloadPending_ = true;
        return;
    }
    SetTimer1(false);
    try {
        // Loaded over the lines already there, whose memory it reuses; a load that fails half way
        // leaves a list that is never saved over the file.
        LoadListFile(gv_sListFile, *gv_lstWall);
        if (FormMURAVINEList) FormMURAVINEList->actFileRefreshExecute();
    } catch (...) {
        RestartTimer();  // a failed reload must not stop the timer for good
        throw;
    }
    RestartTimer();
}

// Once per run: the change at exit, the settings and the list, the shared objects. A failure to
// save leaves the program running (and the timer with it) so that nothing is lost.
void TFormMURAVINEMain::DoExitWork() {
    if (ended_) return;
    SetTimer1(false);
    if (!exitChangeDone_) {
        exitChangeDone_ = true;
        if (gv_iChangeTiming == 2) {
            gv_iWallIndex = NextWallIndex();
            if (gv_iWallIndex != -1) ChangeWallpaper(true);
        }
    }
    try {
        WriteSettings();
    } catch (...) {
        RestartTimer();
        throw;
    }
    CleanUp();
    ended_ = true;
}

namespace {

// The registration dialog runs a modal loop inside the options dialog's handler: destroying the
// options dialog under it would leave that handler running on a freed object. End the loop first
// and come back once it has unwound.
bool EndNestedModal(HWND mainWindow, UINT again) {
    if (!FormMURAVINEOption2 || !FormMURAVINEOption2->hwnd()) return false;
    EndDialog(FormMURAVINEOption2->hwnd(), IDCANCEL);
    PostMessageW(mainWindow, again, 0, 0);
    return true;
}

}  // namespace

void TFormMURAVINEMain::FormClose() {
    if (EndNestedModal(hwnd(), WM_CLOSE)) return;
    if (changing_) {
        // The change under way still writes into the list: the end comes right after it.
        endPending_ = true;
        return;
    }
    DoExitWork();
    DestroyWindow(hwnd());
}

void TFormMURAVINEMain::EndSession() {
    if (changing_ && !ended_) {
        // As for a close; and should Windows end the process first, the settings are on disk.
        WriteSettings();
        endPending_ = true;
        return;
    }
    DoExitWork();
    if (EndNestedModal(hwnd(), WM_CLOSE)) return;  // the window goes once the dialog's loop has ended
    DestroyWindow(hwnd());
}
