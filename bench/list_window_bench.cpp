// Opening the list window on a list of 10,000 entries, and closing it (the rows written back into
// the list). The baseline, measured in the same run, is a bare report list view with the same six
// texts per row: filled with redrawing held off and shown, then every text read back into lines.
// Both must stay under half a second on their own.
#include "bench/bench_clock.h"
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "core/app.h"
#include "core/listfile.h"
#include "core/muravine_rtn.h"
#include "core/text.h"
#include "listwin/listrows.h"
#include "listwin/muravine_list.h"

namespace {

constexpr int kEntries = 10000;
constexpr int kRounds = 3;
constexpr double kBudgetMs = 500.0;

// Everything the window has to do before it is idle: layout, painting.
void Settle(HWND w) {
    UpdateWindow(w);
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&m);
        DispatchMessageW(&m);
    }
}

mrv::StringList MakeList() {
    mrv::StringList lines;
    for (int i = 0; i < kEntries; ++i) {
        const int style = i % 3;
        lines.push_back(std::string(i % 4 == 0 ? "1" : "0") + "," + std::to_string(style) +
                        ",C:\\Users\\taro\\Pictures\\wallpapers " + std::to_string(i / 100) + "\\picture_" +
                        std::to_string(i) + (i % 2 ? ".jpg," : ".bmp,"));
    }
    return lines;
}

LRESULT CALLBACK PlainProc(HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcW(h, m, w, l); }

HWND MakeOwner() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = PlainProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"MrvBenchOwner";
    RegisterClassW(&wc);
    return CreateWindowW(L"MrvBenchOwner", L"", WS_OVERLAPPEDWINDOW, 0, 0, 10, 10, nullptr, nullptr, wc.hInstance,
                         nullptr);
}

struct Times {
    double open, close;
};

// The same rows in a bare list view: filled and shown, then read back and destroyed.
Times Bare(const mrv::StringList& lines, HWND owner) {
    const wchar_t* captions[3] = {L"中央に表示", L"並べて表示", L"拡大して表示"};
    const double t0 = NowMs();
    HWND frame = CreateWindowExW(WS_EX_TOOLWINDOW, L"MrvBenchOwner", L"bare", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                 CW_USEDEFAULT, 700, 500, owner, nullptr, GetModuleHandleW(nullptr), nullptr);
    HWND v = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                             WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_NOCOLUMNHEADER | LVS_SHOWSELALWAYS, 0, 0, 680, 460,
                             frame, nullptr, GetModuleHandleW(nullptr), nullptr);
    for (int c = 0; c < 6; ++c) {
        LVCOLUMNW col{};
        col.mask = LVCF_WIDTH;
        col.cx = c < 4 ? 120 : 0;
        ListView_InsertColumn(v, c, &col);
    }
    SendMessageW(v, WM_SETREDRAW, FALSE, 0);
    ListView_SetItemCountEx(v, static_cast<int>(lines.size()), LVSICF_NOINVALIDATEALL);
    for (const std::string& line : lines) {
        const mrv::ListRow r = mrv::ReadListRow(line);
        const int style = mrv::DisplayStyleOf(r.style);
        std::wstring texts[6] = {mrv::AnsiToWide(r.path), style >= 0 ? captions[style] : L"", r.flag == "0" ? L"未表示" : L"表示済",
                                 mrv::AnsiToWide(r.archive), mrv::AnsiToWide(r.flag), mrv::AnsiToWide(r.style)};
        LVITEMW it{};
        it.mask = LVIF_TEXT;
        it.iItem = INT_MAX;
        it.pszText = texts[0].data();
        const int i = ListView_InsertItem(v, &it);
        for (int sub = 1; sub < 6; ++sub) ListView_SetItemText(v, i, sub, texts[sub].data());
    }
    SendMessageW(v, WM_SETREDRAW, TRUE, 0);
    ShowWindow(frame, SW_SHOW);
    Settle(frame);
    const double t1 = NowMs();
    mrv::StringList back;
    const int n = ListView_GetItemCount(v);
    back.reserve(static_cast<std::size_t>(n));
    wchar_t buf[1024];
    for (int i = 0; i < n; ++i) {
        std::string cells[4];
        const int subs[4] = {4, 5, 0, 3};
        for (int k = 0; k < 4; ++k) {
            ListView_GetItemText(v, i, subs[k], buf, 1024);
            cells[k] = mrv::WideToAnsi(buf);
        }
        back.push_back(mrv::MakeListLine(cells[0], cells[1], cells[2], cells[3]));
    }
    DestroyWindow(frame);
    Settle(owner);
    const double t2 = NowMs();
    if (back.size() != lines.size()) std::printf("bare list view lost rows\n");
    return {t1 - t0, t2 - t1};
}

Times Window(const mrv::StringList& lines, HWND owner) {
    *gv_lstWall = lines;
    const double t0 = NowMs();
    FormMURAVINEList = std::make_unique<TFormMURAVINEList>(owner);
    FormMURAVINEList->Show();
    Settle(FormMURAVINEList->hwnd());
    const double t1 = NowMs();
    SendMessageW(FormMURAVINEList->hwnd(), WM_CLOSE, 0, 0);
    FormMURAVINEList.reset();  // as the owner does on UM_LIST_CLOSED
    Settle(owner);
    const double t2 = NowMs();
    if (*gv_lstWall != lines) std::printf("the list did not come back unchanged\n");
    return {t1 - t0, t2 - t1};
}

}  // namespace

int main() {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);
    mrv::app::SetTitle(kAppTitle);
    gv_lstWall = std::make_unique<mrv::StringList>();
    const mrv::StringList lines = MakeList();
    HWND owner = MakeOwner();
    std::vector<double> bareOpen, bareClose, winOpen, winClose;
    for (int round = 0; round < kRounds; ++round) {
        const Times b = Bare(lines, owner);
        const Times w = Window(lines, owner);
        bareOpen.push_back(b.open);
        bareClose.push_back(b.close);
        winOpen.push_back(w.open);
        winClose.push_back(w.close);
    }
    auto best = [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); };
    const double bo = best(bareOpen), bc = best(bareClose), wo = best(winOpen), wc = best(winClose);
    std::printf("list window, %d entries (best of %d)\n", kEntries, kRounds);
    std::printf("  open : %7.1f ms, bare list view filled and shown %7.1f ms, ratio %.2f  (budget %.0f ms: %s)\n", wo,
                bo, wo / bo, kBudgetMs, wo < kBudgetMs ? "met" : "MISSED");
    std::printf("  close: %7.1f ms, bare list view read back        %7.1f ms, ratio %.2f  (budget %.0f ms: %s)\n", wc,
                bc, wc / bc, kBudgetMs, wc < kBudgetMs ? "met" : "MISSED");
    DestroyWindow(owner);
    return wo < kBudgetMs && wc < kBudgetMs ? 0 : 1;
}
