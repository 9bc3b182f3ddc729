#include "listwin/muravine_list.h"

#include <cderr.h>
#include <commdlg.h>
#include <shellapi.h>
#include <windowsx.h>

#include <algorithm>
#include <cstdint>

#include "core/app.h"
#include "core/errors.h"
#include "core/listfile.h"
#include "core/muravine_rtn.h"
#include "core/registry.h"
#include "core/text.h"
#include "imaging/muravine_susie.h"
#include "listwin/listrows.h"
#include "listwin/listwin_res.h"
#include "listwin/muravine_preview.h"
#include "listwin/openfilter.h"

std::unique_ptr<TFormMURAVINEList> FormMURAVINEList;

namespace {

using Action = TFormMURAVINEList::Action;

// The captions of the display styles in the list (the menus say "画面全体に表示" for the third).
const std::wstring kStyleCaptions[3] = {L"中央に表示", L"並べて表示", L"拡大して表示"};
const wchar_t kNotShown[] = L"未表示";
const wchar_t kShown[] = L"表示済";

// The tool-bar images in image-list order, and the image each action shows (-1: none).
constexpr int kImageIds[] = {IDI_LIST_ADD,    IDI_LIST_ERASE, IDI_LIST_PREVIEW, IDI_LIST_HELP,
                             IDI_LIST_CENTER, IDI_LIST_TILE,  IDI_LIST_SCREEN};
constexpr int kImageCount = static_cast<int>(sizeof kImageIds / sizeof kImageIds[0]);
constexpr int kImageOf[TFormMURAVINEList::kActionCount] = {-1, 2, -1, -1, 0, -1, 4, 5, 6, -1, -1, -1, 1, 3, -1};

constexpr UINT CommandOf(int a) { return static_cast<UINT>(IDM_FILE_CHANGE + a); }
constexpr bool IsCommand(UINT id) { return id >= IDM_FILE_CHANGE && id <= IDM_HELP_COMMAND; }

// Sub-items as the rows carry them; the list view counts the caption as sub-item 0.
constexpr int kStyleCaptionSub = 0;
constexpr int kShownCaptionSub = 1;
constexpr int kArchiveSub = 2;
constexpr int kFlagSub = 3;
constexpr int kStyleSub = 4;

constexpr UINT_PTR kDragScrollTimer = 1;

// The window whose shortcuts the thread's message hook translates (one list window at a time).
TFormMURAVINEList* g_shortcutWindow = nullptr;
std::vector<ACCEL> g_shortcuts;

int Scale(int value, int dpi) { return MulDiv(value, dpi, 96); }

int ScreenDpi() {
    HDC dc = GetDC(nullptr);
    const int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 96;
    if (dc) ReleaseDC(nullptr, dc);
    return dpi > 0 ? dpi : 96;
}

// The image size drawn for a DPI: the images exist at 16, 20, 24, 32 and 48 pixels.
int IconSizeFor(int dpi) {
    const int wanted = Scale(16, dpi);
    int best = 16;
    for (int s : {16, 20, 24, 32, 48})
        if (s <= wanted + 2) best = s;
    return best;
}

std::wstring StyleCaptionOf(const std::wstring& style) {
    const int s = mrv::DisplayStyleOf(mrv::WideToAnsi(style));
    // A style the program does not write shows as it is stored.
    return s >= 0 ? kStyleCaptions[s] : style;
}

// The style given to entries added in the window.
int NewEntryStyle() { return gv_iInitialPosition >= 0 && gv_iInitialPosition <= 2 ? gv_iInitialPosition : 0; }

// The extension as the path spells it, with its dot; empty without one.
std::wstring ExtensionAsWritten(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L"\\/:");
    const std::size_t dot = path.rfind(L'.');
    if (dot == std::wstring::npos || (slash != std::wstring::npos && dot < slash)) return {};
    return path.substr(dot);
}

std::wstring ReadDesktopString(HKEY key, const wchar_t* name) {
    DWORD bytes = 0;
    if (!key || RegGetValueW(key, nullptr, name, RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, nullptr,
                             nullptr, &bytes) != ERROR_SUCCESS)
        return {};
    std::wstring value(bytes / sizeof(wchar_t) + 1, L'\0');
    bytes = static_cast<DWORD>(value.size() * sizeof(wchar_t));
    if (RegGetValueW(key, nullptr, name, RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, nullptr, value.data(),
                     &bytes) != ERROR_SUCCESS)
        return {};
    value.resize(wcsnlen(value.c_str(), value.size()));
    return value;
}

// A greyed copy of an image for disabled menu items and tool buttons.
HBITMAP GrayBitmapOf(HICON icon, int size) {
    ICONINFO ii{};
    if (!GetIconInfo(icon, &ii)) return nullptr;
    mrv::UniqueGdi<HBITMAP> color(ii.hbmColor), mask(ii.hbmMask);
    if (!color) return nullptr;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = size;
    bi.bmiHeader.biHeight = -size;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    std::vector<std::uint32_t> px(static_cast<std::size_t>(size) * static_cast<std::size_t>(size));
    HDC dc = GetDC(nullptr);
    const int rows = GetDIBits(dc, color.get(), 0, static_cast<UINT>(size), px.data(), &bi, DIB_RGB_COLORS);
    ReleaseDC(nullptr, dc);
    if (rows != size) return nullptr;
    bool anyAlpha = false;
    for (std::uint32_t p : px) anyAlpha = anyAlpha || (p >> 24) != 0;
    void* bits = nullptr;
    HBITMAP gray = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!gray) return nullptr;
    auto* out = static_cast<std::uint32_t*>(bits);
    for (std::size_t i = 0; i < px.size(); ++i) {
        const std::uint32_t p = px[i];
        const std::uint32_t a = anyAlpha ? p >> 24 : 255;
        const std::uint32_t lum = (((p >> 16) & 0xFF) * 30 + ((p >> 8) & 0xFF) * 59 + (p & 0xFF) * 11) / 100;
        const std::uint32_t g = 110 + lum * 120 / 255;
        out[i] = ((a * 3 / 5) << 24) | (g << 16) | (g << 8) | g;
    }
    GdiFlush();
    return gray;
}

// Message boxes raised by a command of the window belong to it while the command runs.
class BoxOwner {
public:
    explicit BoxOwner(HWND w) : prev_(mrv::app::Owner()) { mrv::app::SetOwner(w); }
    ~BoxOwner() { mrv::app::SetOwner(prev_); }
    BoxOwner(const BoxOwner&) = delete;
    BoxOwner& operator=(const BoxOwner&) = delete;
private:
    HWND prev_;
};

// Draws the view once, after a bulk change, instead of after every row.
class RedrawPause {
public:
    explicit RedrawPause(HWND w) : w_(w) { SendMessageW(w_, WM_SETREDRAW, FALSE, 0); }
    ~RedrawPause() {
        SendMessageW(w_, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(w_, nullptr, TRUE);
    }
    RedrawPause(const RedrawPause&) = delete;
    RedrawPause& operator=(const RedrawPause&) = delete;
private:
    HWND w_;
};

// Sizes the path and style columns to their content. The view's own sizing measures every row
// through a device context of its own, which under Wine costs more than filling the view: the
// texts are measured here, once, as they go in.
class ColumnFit {
public:
    // fresh: the view was refilled, so the columns may also narrow.
    ColumnFit(HWND view, int dpi, bool fresh) : view_(view), dc_(GetDC(view)), fresh_(fresh), pad_(Scale(12, dpi)) {
        old_ = SelectObject(dc_, reinterpret_cast<HFONT>(SendMessageW(view, WM_GETFONT, 0, 0)));
    }
    ~ColumnFit() {
        SelectObject(dc_, old_);
        ReleaseDC(view_, dc_);
        for (int c = 0; c < 2; ++c) {
            const int w = widest_[c] + pad_;
            if (fresh_ || w > ListView_GetColumnWidth(view_, c)) ListView_SetColumnWidth(view_, c, w);
        }
    }
    ColumnFit(const ColumnFit&) = delete;
    ColumnFit& operator=(const ColumnFit&) = delete;
    void Add(int column, const std::wstring& text) {
        SIZE size{};
        GetTextExtentPoint32W(dc_, text.c_str(), static_cast<int>(text.size()), &size);
        widest_[column] = std::max<int>(widest_[column], size.cx);
    }
private:
    HWND view_;
    HDC dc_;
    HGDIOBJ old_ = nullptr;
    bool fresh_;
    int pad_;
    int widest_[2] = {0, 0};
};

}  // namespace

TFormMURAVINEList::TFormMURAVINEList(HWND owner) : owner_(owner) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);
    const HINSTANCE inst = mrv::app::Instance();
    RegisterClassOnce(kClassName, static_cast<HICON>(LoadImageW(inst, MAKEINTRESOURCEW(IDI_LIST_WINDOW), IMAGE_ICON, 0,
                                                                0, LR_DEFAULTSIZE | LR_SHARED)));
    dpi_ = ScreenDpi();
    mainMenu_ = LoadMenuW(inst, MAKEINTRESOURCEW(IDR_LIST_MENU));
    popupMenu_.reset(LoadMenuW(inst, MAKEINTRESOURCEW(IDR_LIST_POPUP)));
    accel_ = LoadAcceleratorsW(inst, MAKEINTRESOURCEW(IDR_LIST_ACCEL));
    if (!mainMenu_ || !popupMenu_ || !accel_) throw mrv::AppError(L"リスト画面のリソースが見つかりません。");
    if (!Create(kClassName, kAppTitle, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, WS_EX_TOOLWINDOW, CW_USEDEFAULT,
                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner, mainMenu_)) {
        DestroyMenu(mainMenu_);
        throw mrv::AppError(L"リスト画面を作成できません。");
    }
    const int nAccel = CopyAcceleratorTableW(accel_, nullptr, 0);
    g_shortcuts.assign(static_cast<std::size_t>(std::max(nAccel, 0)), ACCEL{});
    if (nAccel > 0) CopyAcceleratorTableW(accel_, g_shortcuts.data(), nAccel);
    g_shortcutWindow = this;
    hook_ = SetWindowsHookExW(WH_GETMESSAGE, ShortcutHook, nullptr, GetCurrentThreadId());
    CreateChildren();
    FormCreate();
}

TFormMURAVINEList::~TFormMURAVINEList() {
    // The children use the image lists and the font until they are gone.
    if (hwnd() && IsWindow(hwnd())) DestroyWindow(hwnd());
    OnDestroyed();
}

void TFormMURAVINEList::OnDestroyed() {
    if (hook_) UnhookWindowsHookEx(std::exchange(hook_, nullptr));
    if (g_shortcutWindow == this) g_shortcutWindow = nullptr;
    listView_ = toolBar_ = statusBar_ = nullptr;
}

HMENU TFormMURAVINEList::PopupMenu1() const { return GetSubMenu(popupMenu_.get(), 0); }

void TFormMURAVINEList::CreateChildren() {
    const HINSTANCE inst = mrv::app::Instance();
    toolBar_ = CreateWindowExW(0, TOOLBARCLASSNAMEW, nullptr,
                               WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS | CCS_TOP | CCS_NODIVIDER, 0, 0,
                               0, 0, hwnd(), reinterpret_cast<HMENU>(IDC_LIST_TOOLBAR), inst, nullptr);
    SendMessageW(toolBar_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    struct Button {
        int action;  // -1: separator
        BYTE style;
    };
    const Button layout[] = {{-1, BTNS_SEP},          {actEditAdd, BTNS_BUTTON},      {-1, BTNS_SEP},
                             {actEditErase, BTNS_BUTTON}, {actFilePreview, BTNS_BUTTON}, {-1, BTNS_SEP},
                             {actHelpContents, BTNS_BUTTON}, {-1, BTNS_SEP},         {actEditCenter, BTNS_CHECK},
                             {actEditTile, BTNS_CHECK},  {actEditScreen, BTNS_CHECK}};
    std::vector<TBBUTTON> buttons;
    for (const Button& b : layout) {
        TBBUTTON t{};
        t.fsStyle = b.style;
        t.iString = -1;
        if (b.action >= 0) {
            t.iBitmap = kImageOf[b.action];
            t.idCommand = static_cast<int>(CommandOf(b.action));
            t.fsState = TBSTATE_ENABLED;
        }
        buttons.push_back(t);
    }
    SendMessageW(toolBar_, TB_ADDBUTTONSW, buttons.size(), reinterpret_cast<LPARAM>(buttons.data()));

    listView_ = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                                WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_NOCOLUMNHEADER |
                                    LVS_SHOWSELALWAYS,
                                0, 0, 0, 0, hwnd(), reinterpret_cast<HMENU>(IDC_LIST_VIEW), inst, nullptr);
    ListView_SetExtendedListViewStyle(listView_, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
    // Caption, the three shown sub-items, and two zero-width columns that hold the flag and the
    // style number (a sub-item needs a column to exist).
    const wchar_t* names[] = {L"壁紙ファイル", L"表示方法", L"表示済", L"アーカイブファイル", L"フラグ", L"スタイル"};
    const int widths[] = {Scale(200, dpi_), Scale(90, dpi_), Scale(60, dpi_), Scale(150, dpi_), 0, 0};
    for (int c = 0; c < 6; ++c) {
        LVCOLUMNW col{};
        col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        col.pszText = const_cast<wchar_t*>(names[c]);
        col.cx = widths[c];
        col.iSubItem = c;
        ListView_InsertColumn(listView_, c, &col);
    }

    statusBar_ = CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0, hwnd(),
                                 reinterpret_cast<HMENU>(IDC_LIST_STATUS), inst, nullptr);

    // The style items are one radio group; items with an image show it beside the caption.
    for (HMENU m : {mainMenu_, PopupMenu1()}) {
        for (int a = 0; a < kActionCount; ++a) {
            MENUITEMINFOW mi{};
            mi.cbSize = sizeof mi;
            if (a == actEditCenter || a == actEditTile || a == actEditScreen) {
                mi.fMask = MIIM_FTYPE;
                if (GetMenuItemInfoW(m, CommandOf(a), FALSE, &mi)) {
                    mi.fType |= MFT_RADIOCHECK;
                    SetMenuItemInfoW(m, CommandOf(a), FALSE, &mi);
                }
            }
            if (kImageOf[a] >= 0) {
                mi.fMask = MIIM_BITMAP;
                mi.hbmpItem = HBMMENU_CALLBACK;
                SetMenuItemInfoW(m, CommandOf(a), FALSE, &mi);
            }
        }
    }
    enabled_.fill(true);
    checked_.fill(false);
    ApplyFont();
    LoadImages();
    Layout();
}

void TFormMURAVINEList::ApplyFont() {
    NONCLIENTMETRICSW ncm{};
    ncm.cbSize = sizeof ncm;
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0)) return;
    LOGFONTW lf = ncm.lfMessageFont;
    const int systemDpi = ScreenDpi();
    if (dpi_ != systemDpi) lf.lfHeight = MulDiv(lf.lfHeight, dpi_, systemDpi);
    mrv::UniqueGdi<HFONT> font(CreateFontIndirectW(&lf));
    if (!font) return;
    for (HWND w : {listView_, statusBar_}) SendMessageW(w, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
    font_ = std::move(font);
}

void TFormMURAVINEList::LoadImages() {
    iconSize_ = IconSizeFor(dpi_);
    UniqueImageList images(ImageList_Create(iconSize_, iconSize_, ILC_COLOR32, kImageCount, 0));
    UniqueImageList gray(ImageList_Create(iconSize_, iconSize_, ILC_COLOR32, kImageCount, 0));
    for (int id : kImageIds) {
        mrv::UniqueIcon icon(static_cast<HICON>(
            LoadImageW(mrv::app::Instance(), MAKEINTRESOURCEW(id), IMAGE_ICON, iconSize_, iconSize_, 0)));
        ImageList_AddIcon(images.get(), icon.get());
        mrv::UniqueGdi<HBITMAP> g(icon ? GrayBitmapOf(icon.get(), iconSize_) : nullptr);
        if (g) ImageList_Add(gray.get(), g.get(), nullptr);
        else ImageList_AddIcon(gray.get(), icon.get());
    }
    SendMessageW(toolBar_, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images.get()));
    SendMessageW(toolBar_, TB_SETDISABLEDIMAGELIST, 0, reinterpret_cast<LPARAM>(gray.get()));
    const int pad = Scale(7, dpi_);
    SendMessageW(toolBar_, TB_SETBITMAPSIZE, 0, MAKELPARAM(iconSize_, iconSize_));
    SendMessageW(toolBar_, TB_SETBUTTONSIZE, 0, MAKELPARAM(iconSize_ + pad, iconSize_ + pad));
    SendMessageW(toolBar_, TB_AUTOSIZE, 0, 0);
    images_ = std::move(images);
    grayImages_ = std::move(gray);

    const HINSTANCE inst = mrv::app::Instance();
    auto icon = [&](int size) {
        return reinterpret_cast<LPARAM>(LoadImageW(inst, MAKEINTRESOURCEW(IDI_LIST_WINDOW), IMAGE_ICON, size, size,
                                                   LR_SHARED));
    };
    SendMessageW(hwnd(), WM_SETICON, ICON_SMALL, icon(IconSizeFor(dpi_)));
    SendMessageW(hwnd(), WM_SETICON, ICON_BIG, icon(Scale(32, dpi_) >= 48 ? 48 : 32));
}

void TFormMURAVINEList::Layout() {
    if (!toolBar_) return;
    RECT rc;
    GetClientRect(hwnd(), &rc);
    SendMessageW(toolBar_, TB_AUTOSIZE, 0, 0);
    SendMessageW(statusBar_, WM_SIZE, 0, 0);
    RECT tb, sb;
    GetWindowRect(toolBar_, &tb);
    GetWindowRect(statusBar_, &sb);
    const int top = tb.bottom - tb.top;
    const int bottom = rc.bottom - (sb.bottom - sb.top);
    MoveWindow(listView_, 0, top, rc.right, std::max(0, bottom - top), TRUE);
}

void TFormMURAVINEList::FormCreate() {
    actFileRefreshExecute();
    std::vector<std::wstring> patterns, descriptions;
    if (gv_lstSusieExt) {
        for (const std::string& p : *gv_lstSusieExt) patterns.push_back(mrv::AnsiToWide(p));
        if (gv_lstSusieDesc)
            for (const std::string& d : *gv_lstSusieDesc) descriptions.push_back(mrv::AnsiToWide(d));
    }
    filter_ = mrv::BuildOpenFilter(gv_lstSusieExt ? &patterns : nullptr, &descriptions);
}

void TFormMURAVINEList::Show() {
    DragAcceptFiles(hwnd(), TRUE);
    ShowWindow(hwnd(), SW_SHOW);
    SetForegroundWindow(hwnd());
    SetFocus(listView_);
}

void TFormMURAVINEList::FormClose() {
    if (closed_) return;
    closed_ = true;
    if (gv_lstWall) {
        const int n = ListView_GetItemCount(listView_);
        mrv::StringList lines;
        lines.reserve(static_cast<std::size_t>(n));
        for (int i = 0; i < n; ++i) {
            const Entry* e = EntryOf(i);
            if (e && e->keepLine) {
                lines.push_back(e->line);
                continue;
            }
            lines.push_back(mrv::MakeListLine(mrv::WideToAnsi(SubItem(i, kFlagSub)),
                                              mrv::WideToAnsi(SubItem(i, kStyleSub)),
                                              e ? e->path : mrv::WideToAnsi(SubItem(i, -1)),
                                              e ? e->archive : mrv::WideToAnsi(SubItem(i, kArchiveSub))));
        }
        *gv_lstWall = std::move(lines);
    }
    DragAcceptFiles(hwnd(), FALSE);
    AppOnHint(L"");
    ShowWindow(hwnd(), SW_HIDE);
    if (owner_) PostMessageW(owner_, UM_LIST_CLOSED, 0, 0);
}

// --- Rows ---

void TFormMURAVINEList::AddListItem(const std::wstring& path, const std::wstring& styleCaption, const std::wstring& style,
                                    const std::wstring& flag, const std::wstring& archive,
                                    const std::wstring& shownCaption, Entry entry) {
    LVITEMW it{};
    it.mask = LVIF_TEXT | LVIF_PARAM;
    it.iItem = INT_MAX;  // at the end
    it.pszText = const_cast<wchar_t*>(path.c_str());
    it.lParam = static_cast<LPARAM>(entries_.size());
    entries_.push_back(std::move(entry));
    const int i = ListView_InsertItem(listView_, &it);
    if (i < 0) {
        entries_.pop_back();
        throw std::bad_alloc();
    }
    SetSubItem(i, kStyleCaptionSub, styleCaption);
    SetSubItem(i, kShownCaptionSub, shownCaption);
    SetSubItem(i, kArchiveSub, archive);
    SetSubItem(i, kFlagSub, flag);
    SetSubItem(i, kStyleSub, style);
}

std::wstring TFormMURAVINEList::SubItem(int item, int sub) const {
    std::wstring text(260, L'\0');
    for (;;) {
        LVITEMW it{};
        it.iSubItem = sub + 1;
        it.pszText = text.data();
        it.cchTextMax = static_cast<int>(text.size());
        const int n = static_cast<int>(SendMessageW(listView_, LVM_GETITEMTEXTW, item, reinterpret_cast<LPARAM>(&it)));
        if (n < static_cast<int>(text.size()) - 1) {
            text.resize(static_cast<std::size_t>(std::max(n, 0)));
            return text;
        }
        text.assign(text.size() * 4, L'\0');
    }
}

void TFormMURAVINEList::SetSubItem(int item, int sub, const std::wstring& text) {
    LVITEMW it{};
    it.iSubItem = sub + 1;
    it.pszText = const_cast<wchar_t*>(text.c_str());
    SendMessageW(listView_, LVM_SETITEMTEXTW, item, reinterpret_cast<LPARAM>(&it));
}

TFormMURAVINEList::Entry* TFormMURAVINEList::EntryOf(int item) {
    LVITEMW it{};
    it.mask = LVIF_PARAM;
    it.iItem = item;
    if (!ListView_GetItem(listView_, &it)) return nullptr;
    const auto k = static_cast<std::size_t>(it.lParam);
    return k < entries_.size() ? &entries_[k] : nullptr;
}

std::vector<int> TFormMURAVINEList::SelectedItems() const {
    std::vector<int> items;
    items.reserve(static_cast<std::size_t>(ListView_GetSelectedCount(listView_)));
    for (int i = ListView_GetNextItem(listView_, -1, LVNI_SELECTED); i >= 0;
         i = ListView_GetNextItem(listView_, i, LVNI_SELECTED))
        items.push_back(i);
    return items;
}

int TFormMURAVINEList::FirstSelected() const { return ListView_GetNextItem(listView_, -1, LVNI_SELECTED); }

void TFormMURAVINEList::actFileRefreshExecute() {
    if (!listView_) return;
    quietSelection_ = true;
    {
        RedrawPause pause(listView_);
        ListView_DeleteAllItems(listView_);
        entries_.clear();
        ColumnFit fit(listView_, dpi_, true);
        if (gv_lstWall) {
            ListView_SetItemCountEx(listView_, static_cast<int>(gv_lstWall->size()), LVSICF_NOINVALIDATEALL);
            entries_.reserve(gv_lstWall->size());
            for (const std::string& line : *gv_lstWall) {
                mrv::ListRow row = mrv::ReadListRow(line);
                const std::wstring flag = mrv::AnsiToWide(row.flag);
                const std::wstring style = mrv::AnsiToWide(row.style);
                const std::wstring path = mrv::AnsiToWide(row.path);
                const std::wstring archive = mrv::AnsiToWide(row.archive);
                Entry e{std::move(row.path), std::move(row.archive), row.keepLine ? line : std::string(),
                        row.keepLine};
                const std::wstring caption = StyleCaptionOf(style);
                fit.Add(0, path);
                fit.Add(1, caption);
                AddListItem(path, caption, style, flag, archive, flag == L"0" ? kNotShown : kShown, std::move(e));
            }
        }
    }
    quietSelection_ = false;
    SetStyleButtons(gv_iInitialPosition);
    ListView1SelectItem();
}

void TFormMURAVINEList::AddFiles(const std::vector<std::wstring>& paths, int style) {
    const std::wstring caption = kStyleCaptions[style];
    const std::wstring number = std::to_wstring(style);
    ColumnFit fit(listView_, dpi_, false);
    for (const std::wstring& p : paths) {
        // The list holds ANSI text: a name the code page cannot spell goes in by its short form.
        const std::string ansi = mrv::AnsiPathFor(p);
        if (ansi.empty()) {
            mrv::app::ShowInfo(p + L"\nこのファイル名はリストに登録できません。");
            continue;
        }
        if (!mrv::PathFitsList(ansi)) {
            mrv::app::ShowInfo(p + L"\nファイル名に「,」を含むファイルはリストに登録できません。");
            continue;
        }
        const std::wstring path = mrv::AnsiToWide(ansi);
        fit.Add(0, path);
        fit.Add(1, caption);
        AddListItem(path, caption, number, L"0", L"", kNotShown, Entry{ansi, {}, {}, false});
    }
}

// --- Selection, hints, state ---

void TFormMURAVINEList::ListView1SelectItem() {
    const int n = ListView_GetSelectedCount(listView_);
    SetEnabled(actFileChange, n == 1);
    SetEnabled(actEditErase, n >= 1);
    SetEnabled(actFilePreview, n == 1);
    const int style =
        n >= 1 ? mrv::DisplayStyleOf(mrv::WideToAnsi(SubItem(FirstSelected(), kStyleSub))) : gv_iInitialPosition;
    SetChecked(actEditCenter, style == 0);
    SetChecked(actEditTile, style == 1);
    SetChecked(actEditScreen, style == 2);
}

void TFormMURAVINEList::AppOnHint(const std::wstring& hint) {
    const std::size_t bar = hint.find(L'|');
    const std::wstring text = bar == std::wstring::npos ? hint : hint.substr(bar + 1);
    if (statusBar_) SendMessageW(statusBar_, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void TFormMURAVINEList::SetEnabled(Action a, bool on) {
    enabled_[a] = on;
    const UINT flags = MF_BYCOMMAND | (on ? MF_ENABLED : MF_GRAYED);
    EnableMenuItem(mainMenu_, CommandOf(a), flags);
    EnableMenuItem(PopupMenu1(), CommandOf(a), flags);
    if (toolBar_) SendMessageW(toolBar_, TB_ENABLEBUTTON, CommandOf(a), MAKELPARAM(on ? TRUE : FALSE, 0));
}

void TFormMURAVINEList::SetChecked(Action a, bool on) {
    checked_[a] = on;
    const UINT flags = MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED);
    CheckMenuItem(mainMenu_, CommandOf(a), flags);
    CheckMenuItem(PopupMenu1(), CommandOf(a), flags);
    if (toolBar_) SendMessageW(toolBar_, TB_CHECKBUTTON, CommandOf(a), MAKELPARAM(on ? TRUE : FALSE, 0));
}

void TFormMURAVINEList::SetStyleButtons(int style) {
    const Action buttons[] = {actEditCenter, actEditTile, actEditScreen};
    for (int s = 0; s < 3; ++s)
        SendMessageW(toolBar_, TB_CHECKBUTTON, CommandOf(buttons[s]), MAKELPARAM(s == style ? TRUE : FALSE, 0));
}

std::wstring TFormMURAVINEList::HintOf(UINT command) const {
    if (!IsCommand(command)) return {};
    const wchar_t* text = nullptr;
    const int n = LoadStringW(mrv::app::Instance(), command, reinterpret_cast<wchar_t*>(&text), 0);
    return n > 0 && text ? std::wstring(text, static_cast<std::size_t>(n)) : std::wstring();
}

std::wstring TFormMURAVINEList::CaptionOf(UINT command) const {
    wchar_t buf[256] = {};
    GetMenuStringW(mainMenu_, command, buf, 256, MF_BYCOMMAND);
    std::wstring s = buf;
    if (const std::size_t tab = s.find(L'\t'); tab != std::wstring::npos) s.resize(tab);
    if (const std::size_t amp = s.find(L"(&"); amp != std::wstring::npos) s.resize(amp);
    return s;
}

// --- Commands ---

void TFormMURAVINEList::Execute(Action action) {
    if (action < 0 || action >= kActionCount || !enabled_[action] || closed_) return;
    BoxOwner boxes(hwnd());
    switch (action) {
        case actFileChange: actFileChangeExecute(); break;
        case actFilePreview: actFilePreviewExecute(); break;
        case actFileRefresh: actFileRefreshExecute(); break;
        case actFileClose: actFileCloseExecute(); break;
        case actEditAdd: actEditAddExecute(); break;
        case actEditNow: actEditNowExecute(); break;
        case actEditCenter: SetSelectedStyle(0); break;
        case actEditTile: SetSelectedStyle(1); break;
        case actEditScreen: SetSelectedStyle(2); break;
        case actEditYet: MarkSelected(false); break;
        case actEditAlready: MarkSelected(true); break;
        case actEditSelectAll: actEditSelectAllExecute(); break;
        case actEditErase: actEditEraseExecute(); break;
        case actHelpContents: actHelpContentsExecute(); break;
        case actHelpCommand: actHelpCommandExecute(); break;
        case kActionCount: break;
    }
}

void TFormMURAVINEList::actFileChangeExecute() {
    const int i = FirstSelected();
    if (i < 0) return;
    const int style = mrv::DisplayStyleOf(mrv::WideToAnsi(SubItem(i, kStyleSub)));
    const Entry* e = EntryOf(i);
    const std::wstring picture = e ? mrv::AnsiToWide(e->path) : SubItem(i, -1);
    std::wstring bitmap;
    // The picture is made ready before the desktop's values change, so that a picture that cannot
    // be shown leaves the current wallpaper as it is, style included.
    if (UpperExtension(picture) != L".BMP") {
        if (!ConvertToBMP(picture, false)) return;
        bitmap = gv_sChangedBMP;
    } else {
        if (!PathExists(picture)) {
            mrv::app::ShowInfo(picture + L"\nファイルが見つかりません。");
            return;
        }
        bitmap = picture;
    }
    bitmap = DesktopPathFor(bitmap);
    if (bitmap.empty()) return;
    mrv::Registry reg(HKEY_CURRENT_USER);
    if (reg.OpenKey(L"Control Panel\\desktop", false)) {
        reg.WriteString(L"TileWallpaper", style == 1 ? L"1" : L"0");
        reg.WriteString(L"WallpaperStyle", style == 2 ? L"2" : L"0");
        reg.CloseKey();
    }
    SystemParametersInfoW(SPI_SETDESKWALLPAPER, 0, bitmap.data(), SPIF_UPDATEINIFILE | SPIF_SENDWININICHANGE);
    SetSubItem(i, kShownCaptionSub, kShown);
    SetSubItem(i, kFlagSub, L"1");
    if (Entry* changed = EntryOf(i)) changed->keepLine = false;
}

void TFormMURAVINEList::actFilePreviewExecute() {
    const int i = FirstSelected();
    if (i < 0) return;
    gv_sPreviewFile = SubItem(i, -1);
    if (!CheckSusieSupport(ExtensionAsWritten(gv_sPreviewFile))) return;
    FormMURAVINEPreview = std::make_unique<TFormMURAVINEPreview>(hwnd());
    FormMURAVINEPreview->ShowModal();
    FormMURAVINEPreview.reset();
}

void TFormMURAVINEList::actFileCloseExecute() { PostMessageW(hwnd(), WM_CLOSE, 0, 0); }

void TFormMURAVINEList::actEditAddExecute() {
    const std::wstring filter = mrv::DialogFilter(filter_);
    std::vector<wchar_t> buf(1 << 18, L'\0');
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = hwnd();
    ofn.lpstrFilter = filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = buf.data();
    ofn.nMaxFile = static_cast<DWORD>(buf.size());
    ofn.Flags = OFN_ALLOWMULTISELECT | OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY |
                OFN_ENABLESIZING;
    if (!GetOpenFileNameW(&ofn)) {
        if (CommDlgExtendedError() == FNERR_BUFFERTOOSMALL)
            mrv::app::ShowInfo(L"一度に選択したファイルが多すぎます。\n何回かに分けて追加してください。");
        return;
    }
    // One file: its full path. Several: the folder, then each name, each ended by a NUL.
    std::vector<std::wstring> parts;
    for (const wchar_t* p = buf.data(); *p; p += wcslen(p) + 1) parts.emplace_back(p);
    std::vector<std::wstring> files;
    if (parts.size() == 1) {
        files = parts;
    } else if (!parts.empty()) {
        std::wstring dir = parts[0];
        if (!dir.empty() && dir.back() != L'\\') dir += L'\\';
        for (std::size_t k = 1; k < parts.size(); ++k) files.push_back(dir + parts[k]);
    }
    AddFiles(files, NewEntryStyle());
}

void TFormMURAVINEList::actEditNowExecute() {
    HKEY raw = nullptr;
    mrv::UniqueRegKey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Control Panel\\desktop", 0, KEY_READ, &raw) == ERROR_SUCCESS) key.reset(raw);
    const std::wstring tile = ReadDesktopString(key.get(), L"TileWallpaper");
    const std::wstring wallStyle = ReadDesktopString(key.get(), L"WallpaperStyle");
    const std::wstring wallpaper = ReadDesktopString(key.get(), L"Wallpaper");
    key.reset();
    const int style = wallStyle == L"2" ? 2 : tile == L"1" ? 1 : 0;
    if (wallpaper.empty()) {
        mrv::app::ShowInfo(L"現在、壁紙が設定されていません。\nリストに追加できません。");
        return;
    }
    AddFiles({wallpaper}, style);
}

void TFormMURAVINEList::SetSelectedStyle(int style) {
    gv_iInitialPosition = style;
    SetStyleButtons(style);
    const std::wstring caption = kStyleCaptions[style];
    const std::wstring number = std::to_wstring(style);
    const std::vector<int> items = SelectedItems();
    {
        std::unique_ptr<RedrawPause> pause(items.size() > 64 ? new RedrawPause(listView_) : nullptr);
        for (int i : items) {
            SetSubItem(i, kStyleCaptionSub, caption);
            SetSubItem(i, kStyleSub, number);
            if (Entry* e = EntryOf(i)) e->keepLine = false;
        }
    }
    if (!items.empty()) ColumnFit(listView_, dpi_, false).Add(1, caption);
    SetChecked(actEditCenter, style == 0);
    SetChecked(actEditTile, style == 1);
    SetChecked(actEditScreen, style == 2);
}

void TFormMURAVINEList::MarkSelected(bool shown) {
    const std::vector<int> items = SelectedItems();
    std::unique_ptr<RedrawPause> pause(items.size() > 64 ? new RedrawPause(listView_) : nullptr);
    for (int i : items) {
        SetSubItem(i, kShownCaptionSub, shown ? kShown : kNotShown);
        SetSubItem(i, kFlagSub, shown ? L"1" : L"0");
        if (Entry* e = EntryOf(i)) e->keepLine = false;
    }
}

void TFormMURAVINEList::actEditEraseExecute() {
    const std::vector<int> items = SelectedItems();
    if (items.empty()) return;
    quietSelection_ = true;
    {
        std::unique_ptr<RedrawPause> pause(items.size() > 64 ? new RedrawPause(listView_) : nullptr);
        if (static_cast<int>(items.size()) == ListView_GetItemCount(listView_)) {
            ListView_DeleteAllItems(listView_);
        } else {
            // From the bottom up, so that the indexes still to delete stay where they are.
            for (auto it = items.rbegin(); it != items.rend(); ++it) ListView_DeleteItem(listView_, *it);
        }
    }
    quietSelection_ = false;
    ListView1SelectItem();
}

void TFormMURAVINEList::actEditSelectAllExecute() {
    quietSelection_ = true;
    ListView_SetItemState(listView_, -1, LVIS_SELECTED, LVIS_SELECTED);
    quietSelection_ = false;
    ListView1SelectItem();
}

void TFormMURAVINEList::actHelpContentsExecute() { ShowHtmlHelp(hwnd(), L"むらびね for Win32"); }
void TFormMURAVINEList::actHelpCommandExecute() { ShowHtmlHelp(hwnd(), L"リスト画面コマンド"); }

void TFormMURAVINEList::ListView1DblClick() {
    if (ListView_GetSelectedCount(listView_) == 0) return;
    BoxOwner boxes(hwnd());
    if (gv_iDblClickList == 1) actFileChangeExecute();
    else if (gv_iDblClickList == 2) actFilePreviewExecute();
}

void TFormMURAVINEList::WMDropFiles(HDROP drop) {
    BoxOwner boxes(hwnd());
    std::vector<std::wstring> names;
    const UINT n = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT k = 0; k < n; ++k) {
        // Each name is taken whole, however long.
        const UINT len = DragQueryFileW(drop, k, nullptr, 0);
        std::wstring name(static_cast<std::size_t>(len) + 1, L'\0');
        const UINT got = DragQueryFileW(drop, k, name.data(), len + 1);
        name.resize(got);
        if (!name.empty()) names.push_back(std::move(name));
    }
    DragFinish(drop);
    AddFiles(names, NewEntryStyle());
}

// --- Moving a row ---

bool TFormMURAVINEList::ListView1DragOver() const { return true; }

void TFormMURAVINEList::BeginRowDrag() {
    if (FirstSelected() < 0) return;
    dragging_ = true;
    dropTarget_ = -1;
    dragSource_ = FirstSelected();
    // The window itself follows the mouse until the release (no subclass of the view: under Wine
    // every message to a subclassed control costs a trip to the server).
    SetCapture(hwnd());
    SetCursor(LoadCursorW(nullptr, IDC_ARROW));
    SetTimer(hwnd(), kDragScrollTimer, 60, nullptr);
}

void TFormMURAVINEList::SetDropTarget(int item) {
    if (item == dropTarget_) return;
    const int old = std::exchange(dropTarget_, item);
    // The mark is drawn by the view's custom drawing (DrawDropMark).
    for (int i : {old, item})
        if (i >= 0) ListView_RedrawItems(listView_, i, i);
    UpdateWindow(listView_);
}

void TFormMURAVINEList::DrawDropMark(const NMLVCUSTOMDRAW* cd) const {
    // A line where the dragged entry will land: after a target below it, before one above it.
    const int item = static_cast<int>(cd->nmcd.dwItemSpec);
    if (item != dropTarget_ || item == dragSource_) return;
    RECT r{};
    if (!ListView_GetItemRect(listView_, item, &r, LVIR_BOUNDS)) return;
    const int thick = std::max(2, Scale(2, dpi_));
    RECT line = r;
    if (dragSource_ < item) line.top = r.bottom - thick;
    else line.bottom = r.top + thick;
    FillRect(cd->nmcd.hdc, &line, GetSysColorBrush(COLOR_HIGHLIGHT));
}

int TFormMURAVINEList::RowAt(POINT pt) const {
    // The whole row is the entry, whichever column the point is in.
    LVHITTESTINFO hit{};
    hit.pt = pt;
    const int item = ListView_SubItemHitTest(listView_, &hit);
    return item >= 0 && (hit.flags & LVHT_ONITEM) ? item : -1;
}

void TFormMURAVINEList::TrackRowDrag(POINT pt) {
    SetDropTarget(ListView1DragOver() ? RowAt(pt) : -1);
}

void TFormMURAVINEList::EndRowDrag(bool drop, POINT pt) {
    if (!dragging_) return;
    dragging_ = false;
    KillTimer(hwnd(), kDragScrollTimer);
    SetDropTarget(-1);
    if (GetCapture() == hwnd()) ReleaseCapture();
    // The view never saw the release: a move without buttons ends its own tracking of the press.
    SendMessageW(listView_, WM_MOUSEMOVE, 0, MAKELPARAM(pt.x, pt.y));
    if (drop) ListView1DragDrop(pt);
}

POINT TFormMURAVINEList::ViewPoint(LPARAM lp) const {
    POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
    MapWindowPoints(hwnd(), listView_, &pt, 1);
    return pt;
}

void TFormMURAVINEList::ListView1DragDrop(POINT pt) {
    const int s = FirstSelected();
    if (s < 0) return;
    const int t = RowAt(pt);
    if (t < 0) return;
    std::wstring texts[6];
    for (int sub = -1; sub < 5; ++sub) texts[sub + 1] = SubItem(s, sub);
    LVITEMW it{};
    it.mask = LVIF_PARAM;
    it.iItem = s;
    ListView_GetItem(listView_, &it);
    const LPARAM entry = it.lParam;
    quietSelection_ = true;
    ListView_DeleteItem(listView_, s);
    LVITEMW ins{};
    ins.mask = LVIF_TEXT | LVIF_PARAM;
    ins.iItem = t;
    ins.pszText = texts[0].data();
    ins.lParam = entry;
    const int i = ListView_InsertItem(listView_, &ins);
    for (int sub = 0; sub < 5; ++sub) SetSubItem(i, sub, texts[sub + 1]);
    quietSelection_ = false;
    ListView1SelectItem();
}

// --- Shortcuts ---

LRESULT CALLBACK TFormMURAVINEList::ShortcutHook(int code, WPARAM wp, LPARAM lp) {
    TFormMURAVINEList* self = g_shortcutWindow;
    if (code == HC_ACTION && wp == PM_REMOVE && self && self->hwnd()) {
        MSG* m = reinterpret_cast<MSG*>(lp);
        if (self->dragging_ && m->message == WM_KEYDOWN && m->wParam == VK_ESCAPE) {
            self->EndRowDrag(false, {});
            m->message = WM_NULL;
            return CallNextHookEx(nullptr, code, wp, lp);
        }
        if ((m->message == WM_KEYDOWN || m->message == WM_SYSKEYDOWN) && !self->inMenu_ && !self->dragging_ &&
            m->hwnd && (m->hwnd == self->hwnd() || IsChild(self->hwnd(), m->hwnd)) && IsWindowEnabled(self->hwnd())) {
            const bool ctrl = GetKeyState(VK_CONTROL) < 0;
            const bool shift = GetKeyState(VK_SHIFT) < 0;
            const bool alt = GetKeyState(VK_MENU) < 0;
            for (const ACCEL& a : g_shortcuts) {
                if ((a.fVirt & FVIRTKEY) && a.key == m->wParam && ((a.fVirt & FCONTROL) != 0) == ctrl &&
                    ((a.fVirt & FSHIFT) != 0) == shift && ((a.fVirt & FALT) != 0) == alt) {
                    // Run from the window's own message, not from inside the hook.
                    PostMessageW(self->hwnd(), WM_COMMAND, MAKEWPARAM(a.cmd, 1), 0);
                    m->message = WM_NULL;
                    m->wParam = 0;
                    m->lParam = 0;
                    break;
                }
            }
        }
    }
    return CallNextHookEx(nullptr, code, wp, lp);
}

// --- Messages ---

void TFormMURAVINEList::OnContextMenu(HWND from, LPARAM lp) {
    if (from != listView_) return;
    POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
    if (lp == -1) {  // from the keyboard: below the focused row, or at the view's corner
        RECT r{};
        const int focused = ListView_GetNextItem(listView_, -1, LVNI_FOCUSED);
        if (focused >= 0 && ListView_GetItemRect(listView_, focused, &r, LVIR_LABEL)) pt = {r.left, r.bottom};
        else pt = {0, 0};
        ClientToScreen(listView_, &pt);
    }
    TrackPopupMenuEx(PopupMenu1(), TPM_RIGHTBUTTON | TPM_LEFTALIGN | TPM_TOPALIGN, pt.x, pt.y, hwnd(), nullptr);
}

void TFormMURAVINEList::OnDrawMenuIcon(DRAWITEMSTRUCT* dis) {
    if (!IsCommand(dis->itemID)) return;
    const int image = kImageOf[dis->itemID - IDM_FILE_CHANGE];
    if (image < 0) return;
    const bool gray = (dis->itemState & (ODS_GRAYED | ODS_DISABLED)) != 0;
    const int x = dis->rcItem.left + ((dis->rcItem.right - dis->rcItem.left) - iconSize_) / 2;
    const int y = dis->rcItem.top + ((dis->rcItem.bottom - dis->rcItem.top) - iconSize_) / 2;
    ImageList_Draw(gray ? grayImages_.get() : images_.get(), image, dis->hDC, std::max<int>(x, dis->rcItem.left), y,
                   ILD_TRANSPARENT);
}

bool TFormMURAVINEList::OnNotify(NMHDR* nm, LRESULT& result) {
    if (nm->hwndFrom == listView_) {
        switch (nm->code) {
            case LVN_ITEMCHANGED: {
                auto* lv = reinterpret_cast<NMLISTVIEW*>(nm);
                if (!quietSelection_ && (lv->uChanged & LVIF_STATE) && ((lv->uOldState ^ lv->uNewState) & LVIS_SELECTED))
                    ListView1SelectItem();
                return false;
            }
            case NM_DBLCLK:
                ListView1DblClick();
                return false;
            case LVN_BEGINDRAG:
                BeginRowDrag();
                return false;
            case NM_CUSTOMDRAW: {
                auto* cd = reinterpret_cast<NMLVCUSTOMDRAW*>(nm);
                if (cd->nmcd.dwDrawStage == CDDS_PREPAINT) result = dragging_ ? CDRF_NOTIFYITEMDRAW : CDRF_DODEFAULT;
                else if (cd->nmcd.dwDrawStage == CDDS_ITEMPREPAINT) result = CDRF_NOTIFYPOSTPAINT;
                else if (cd->nmcd.dwDrawStage == CDDS_ITEMPOSTPAINT) DrawDropMark(cd), result = CDRF_DODEFAULT;
                else result = CDRF_DODEFAULT;
                return true;
            }
        }
        return false;
    }
    if (nm->hwndFrom == toolBar_ && nm->code == static_cast<UINT>(TBN_HOTITEMCHANGE)) {
        auto* hot = reinterpret_cast<NMTBHOTITEM*>(nm);
        AppOnHint((hot->dwFlags & HICF_LEAVING) ? std::wstring() : HintOf(static_cast<UINT>(hot->idNew)));
        result = 0;
        return true;
    }
    if (nm->code == static_cast<UINT>(TTN_GETDISPINFOW) && IsCommand(static_cast<UINT>(nm->idFrom))) {
        auto* tip = reinterpret_cast<NMTTDISPINFOW*>(nm);
        tipText_ = CaptionOf(static_cast<UINT>(nm->idFrom));
        tip->lpszText = tipText_.data();
        tip->hinst = nullptr;
        return true;
    }
    return false;
}

bool TFormMURAVINEList::HandleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    switch (msg) {
        case WM_COMMAND:
            if (IsCommand(LOWORD(wp))) {
                Execute(static_cast<Action>(LOWORD(wp) - IDM_FILE_CHANGE));
                result = 0;
                return true;
            }
            return false;
        case WM_NOTIFY:
            return OnNotify(reinterpret_cast<NMHDR*>(lp), result);
        case WM_SIZE:
            Layout();
            result = 0;
            return true;
        case WM_GETMINMAXINFO: {
            auto* mm = reinterpret_cast<MINMAXINFO*>(lp);
            mm->ptMinTrackSize = {Scale(320, dpi_), Scale(256, dpi_)};
            result = 0;
            return true;
        }
        case WM_DPICHANGED: {
            dpi_ = HIWORD(wp);
            ApplyFont();
            LoadImages();
            const RECT* r = reinterpret_cast<const RECT*>(lp);
            SetWindowPos(hwnd(), nullptr, r->left, r->top, r->right - r->left, r->bottom - r->top,
                         SWP_NOZORDER | SWP_NOACTIVATE);
            Layout();
            result = 0;
            return true;
        }
        case WM_ACTIVATE:
            if (LOWORD(wp) != WA_INACTIVE && listView_) SetFocus(listView_);
            result = 0;
            return true;
        case WM_DROPFILES:
            WMDropFiles(reinterpret_cast<HDROP>(wp));
            result = 0;
            return true;
        case WM_CONTEXTMENU:
            OnContextMenu(reinterpret_cast<HWND>(wp), lp);
            result = 0;
            return true;
        case WM_MEASUREITEM: {
            auto* mi = reinterpret_cast<MEASUREITEMSTRUCT*>(lp);
            if (mi->CtlType != ODT_MENU) return false;
            mi->itemWidth = static_cast<UINT>(iconSize_);
            mi->itemHeight = static_cast<UINT>(iconSize_);
            result = TRUE;
            return true;
        }
        case WM_DRAWITEM: {
            auto* di = reinterpret_cast<DRAWITEMSTRUCT*>(lp);
            if (di->CtlType != ODT_MENU) return false;
            OnDrawMenuIcon(di);
            result = TRUE;
            return true;
        }
        case WM_ENTERMENULOOP:
            inMenu_ = true;
            return false;
        case WM_EXITMENULOOP:
            inMenu_ = false;
            AppOnHint(L"");
            return false;
        case WM_MENUSELECT: {
            const UINT flags = HIWORD(wp);
            if ((flags == 0xFFFF && !lp) || (flags & (MF_POPUP | MF_SEPARATOR))) AppOnHint(L"");
            else AppOnHint(HintOf(LOWORD(wp)));
            result = 0;
            return true;
        }
        case WM_MOUSEMOVE:
            if (!dragging_) return false;
            TrackRowDrag(ViewPoint(lp));
            result = 0;
            return true;
        case WM_LBUTTONUP:
            if (!dragging_) return false;
            EndRowDrag(true, ViewPoint(lp));
            result = 0;
            return true;
        case WM_RBUTTONDOWN:
            if (!dragging_) return false;
            EndRowDrag(false, ViewPoint(lp));
            result = 0;
            return true;
        case WM_CAPTURECHANGED:
            if (dragging_ && reinterpret_cast<HWND>(lp) != hwnd()) EndRowDrag(false, {});
            return false;
        case WM_TIMER:
            if (wp == kDragScrollTimer && dragging_) {
                POINT pt;
                GetCursorPos(&pt);
                RECT r;
                GetWindowRect(listView_, &r);
                if (pt.y < r.top + Scale(8, dpi_)) SendMessageW(listView_, WM_VSCROLL, SB_LINEUP, 0);
                else if (pt.y > r.bottom - Scale(8, dpi_)) SendMessageW(listView_, WM_VSCROLL, SB_LINEDOWN, 0);
                result = 0;
                return true;
            }
            return false;
        case WM_SYSCOLORCHANGE:
            for (HWND w : {toolBar_, listView_, statusBar_})
                if (w) SendMessageW(w, WM_SYSCOLORCHANGE, 0, 0);
            return false;
        case WM_HELP:  // F1 is the help command's shortcut
            result = TRUE;
            return true;
        case WM_CLOSE:
            FormClose();
            result = 0;
            return true;
    }
    return false;
}
