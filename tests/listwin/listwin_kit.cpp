#include "listwin_kit.h"

#include <sstream>

#include "core/muravine_rtn.h"
#include "core/text.h"
#include "listwin/listwin_res.h"
#include "listwin/muravine_list.h"

namespace listkit {

RemoteMemory::RemoteMemory(HANDLE process, std::size_t size)
    : process_(process), p_(VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)) {}

RemoteMemory::~RemoteMemory() {
    if (p_) VirtualFreeEx(process_, p_, 0, MEM_RELEASE);
}

void RemoteMemory::Write(const void* data, std::size_t size, std::size_t offset) {
    SIZE_T done = 0;
    WriteProcessMemory(process_, static_cast<char*>(p_) + offset, data, size, &done);
}

void RemoteMemory::Read(void* data, std::size_t size, std::size_t offset) const {
    SIZE_T done = 0;
    ReadProcessMemory(process_, static_cast<char*>(p_) + offset, data, size, &done);
}

void* RemoteMemory::release() { return std::exchange(p_, nullptr); }

std::string Describe(const std::vector<Row>& rows) {
    std::ostringstream s;
    for (const Row& r : rows)
        s << testkit::Narrow(r.path) << " | " << testkit::Narrow(r.styleCaption) << " | " << testkit::Narrow(r.shownCaption)
          << " | " << testkit::Narrow(r.archive) << " | " << testkit::Narrow(r.flag) << " | " << testkit::Narrow(r.style)
          << "\n";
    return s.str();
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (condition()) return true;
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(20);
    }
}

namespace {

struct FindArgs {
    const wchar_t* cls;
    DWORD pid;
    bool visible;
    HWND found;
};

BOOL CALLBACK FindProc(HWND w, LPARAM lp) {
    auto* a = reinterpret_cast<FindArgs*>(lp);
    wchar_t cls[128] = {};
    GetClassNameW(w, cls, 128);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (pid == a->pid && wcscmp(cls, a->cls) == 0 && (!a->visible || IsWindowVisible(w))) {
        a->found = w;
        return FALSE;
    }
    return TRUE;
}


std::wstring UserName() {
    wchar_t name[257] = {};
    DWORD len = 257;
    GetUserNameW(name, &len);
    return name;
}

POINT ToScreen(HWND w, RECT r) {
    POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    ClientToScreen(w, &p);
    return p;
}

void SendInputs(std::vector<INPUT> inputs) {
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

INPUT KeyInput(WORD vk, bool up) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    return in;
}

}  // namespace

ListHost::ListHost(const std::string& listBytes) {
    exe_ = dir_ / L"list_host.exe";
    CopyFileW(testkit::FromUnixPath(MRV_LIST_HOST_UNIX_PATH).c_str(), exe_.c_str(), FALSE);
    CopyFileW(testkit::FromUnixPath(MRV_LIST_HELP_UNIX_PATH).c_str(), (dir_ / L"list_host.CHM").c_str(), FALSE);
    if (!listBytes.empty()) testkit::WriteBytes(ListFile(), listBytes);
    process_ = testkit::Start(testkit::Quote(exe_), dir_.path());
    if (!process_) return;
    pid_ = GetProcessId(process_);
    WaitUntil([&] { return (window_ = FindTopLevel(TFormMURAVINEList::kClassName, pid_, true)) != nullptr; });
    host_ = FindTopLevel(L"MrvListHost", pid_, false);
    // The window is filled before it shows; wait until its first messages are done.
    if (window_) SendMessageTimeoutW(window_, WM_NULL, 0, 0, SMTO_NORMAL, 10000, nullptr);
}

ListHost::~ListHost() {
    if (process_) {
        if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
            if (host_) PostMessageW(host_, WM_CLOSE, 0, 0);
            if (!testkit::WaitExit(process_, 10000)) TerminateProcess(process_, 1);
        }
        CloseHandle(process_);
    }
}

std::wstring ListHost::ListFile() const { return dir_ / (UserName() + L".LST"); }

HWND ListHost::view() const { return GetDlgItem(window_, IDC_LIST_VIEW); }
HWND ListHost::toolBar() const { return GetDlgItem(window_, IDC_LIST_TOOLBAR); }
HWND ListHost::statusBar() const { return GetDlgItem(window_, IDC_LIST_STATUS); }

std::vector<Row> ReadRows(HANDLE process, HWND window) {
    std::vector<Row> rows;
    HWND v = GetDlgItem(window, IDC_LIST_VIEW);
    const int n = static_cast<int>(SendMessageW(v, LVM_GETITEMCOUNT, 0, 0));
    constexpr std::size_t kChars = 4096;
    RemoteMemory mem(process, sizeof(LVITEMW) + kChars * sizeof(wchar_t));
    auto* remoteText = reinterpret_cast<wchar_t*>(static_cast<char*>(mem.get()) + sizeof(LVITEMW));
    for (int i = 0; i < n; ++i) {
        std::wstring cells[6];
        for (int sub = 0; sub < 6; ++sub) {
            LVITEMW it{};
            it.iSubItem = sub;
            it.pszText = remoteText;
            it.cchTextMax = kChars;
            mem.Write(&it, sizeof it);
            const auto len = static_cast<std::size_t>(
                SendMessageW(v, LVM_GETITEMTEXTW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(mem.get())));
            std::wstring text(len, L'\0');
            if (len) mem.Read(text.data(), len * sizeof(wchar_t), sizeof(LVITEMW));
            cells[sub] = text;
        }
        rows.push_back({cells[0], cells[1], cells[2], cells[3], cells[4], cells[5]});
    }
    return rows;
}

std::vector<Row> ListHost::Rows() const { return ReadRows(process_, window_); }

std::vector<int> ListHost::Selected() const {
    std::vector<int> items;
    HWND v = view();
    for (int i = static_cast<int>(SendMessageW(v, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED)); i >= 0;
         i = static_cast<int>(SendMessageW(v, LVM_GETNEXTITEM, static_cast<WPARAM>(i), LVNI_SELECTED)))
        items.push_back(i);
    return items;
}

void ListHost::Select(const std::vector<int>& items) {
    RemoteMemory mem(process_, sizeof(LVITEMW));
    LVITEMW it{};
    it.stateMask = LVIS_SELECTED;
    it.state = 0;
    mem.Write(&it, sizeof it);
    SendMessageW(view(), LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(mem.get()));
    it.state = LVIS_SELECTED;
    mem.Write(&it, sizeof it);
    for (int i : items) SendMessageW(view(), LVM_SETITEMSTATE, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(mem.get()));
}

namespace {

RECT RowRect(HANDLE process, HWND view, int item) {
    RemoteMemory mem(process, sizeof(RECT));
    RECT r{};
    r.left = LVIR_LABEL;
    mem.Write(&r, sizeof r);
    SendMessageW(view, LVM_GETITEMRECT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(mem.get()));
    mem.Read(&r, sizeof r);
    MapWindowPoints(view, nullptr, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

}  // namespace

POINT ScreenPointOfRow(HANDLE process, HWND view, int item) {
    const RECT r = RowRect(process, view, item);
    return {r.left + std::min<LONG>(40, (r.right - r.left) / 2), (r.top + r.bottom) / 2};
}

RECT ListHost::ItemRect(int item) const { return RowRect(process_, view(), item); }

POINT ListHost::ItemPoint(int item) const { return ScreenPointOfRow(process_, view(), item); }

void ListHost::Send(UINT command) const {
    SendMessageTimeoutW(window_, WM_COMMAND, command, 0, SMTO_NORMAL, 20000, nullptr);
}

void ListHost::Post(UINT command) const { PostMessageW(window_, WM_COMMAND, command, 0); }

bool ListHost::ButtonEnabled(UINT command) const {
    return SendMessageW(toolBar(), TB_ISBUTTONENABLED, command, 0) != 0;
}

bool ListHost::ButtonChecked(UINT command) const {
    return SendMessageW(toolBar(), TB_ISBUTTONCHECKED, command, 0) != 0;
}

POINT ListHost::ButtonPoint(UINT command) const {
    RemoteMemory mem(process_, sizeof(RECT));
    SendMessageW(toolBar(), TB_GETRECT, command, reinterpret_cast<LPARAM>(mem.get()));
    RECT r{};
    mem.Read(&r, sizeof r);
    return ToScreen(toolBar(), r);
}

std::wstring ListHost::StatusText() const {
    wchar_t text[512] = {};
    SendMessageTimeoutW(statusBar(), WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 5000, nullptr);
    return text;
}

void ListHost::DropFiles(const std::vector<std::wstring>& paths) const {
    std::wstring names;
    for (const std::wstring& p : paths) names += p + L'\0';
    names += L'\0';
    DROPFILES df{};
    df.pFiles = sizeof df;
    df.fWide = TRUE;
    RemoteMemory mem(process_, sizeof df + names.size() * sizeof(wchar_t));
    mem.Write(&df, sizeof df);
    mem.Write(names.data(), names.size() * sizeof(wchar_t), sizeof df);
    // The window hands the block to DragFinish, which frees it.
    PostMessageW(window_, WM_DROPFILES, reinterpret_cast<WPARAM>(mem.release()), 0);
    SendMessageTimeoutW(window_, WM_NULL, 0, 0, SMTO_NORMAL, 10000, nullptr);
}

HWND ListHost::FindListWindow() const { return FindTopLevel(TFormMURAVINEList::kClassName, pid_, true); }

void ListHost::CloseList() {
    PostMessageW(window_, WM_CLOSE, 0, 0);
    WaitGone(window_);
    window_ = nullptr;
}

void ListHost::Reopen() {
    PostMessageW(host_, UM_SHOW_OR_RELOAD, 0, 0);
    WaitUntil([&] { return (window_ = FindListWindow()) != nullptr; });
}

std::string ListHost::Finish() {
    PostMessageW(host_, WM_CLOSE, 0, 0);
    testkit::WaitExit(process_, 10000);
    return testkit::ReadBytes(ListFile());
}

void ListHost::Activate() const {
    SetForegroundWindow(window_);
    WaitUntil([&] { return GetForegroundWindow() == window_; }, 3000);
}

namespace {

// The pointer is moved by the X server itself, as a user's mouse moves it: input made inside Wine
// leaves the X pointer behind, and its next motion would jump the Windows pointer back. Wine starts
// Unix programs without a handle to wait on, so the script leaves a mark when it is done.
void Xdotool(const std::wstring& commands) {
    static int counter = 0;
    const std::wstring base = L"/tmp/mrv-xinput-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                              std::to_wstring(counter++);
    auto dos = [](std::wstring path) {
        for (wchar_t& c : path)
            if (c == L'/') c = L'\\';
        return L"Z:" + path;
    };
    testkit::WriteBytes(dos(base + L".sh"), mrv::WideToUtf8(L"xdotool" + commands + L"\ntouch " + base + L".done\n"));
    testkit::Run(L"start.exe /unix /bin/sh " + base + L".sh", 10000);
    WaitUntil([&] { return testkit::FileExists(dos(base + L".done")); }, 30000);
    DeleteFileW(dos(base + L".sh").c_str());
    DeleteFileW(dos(base + L".done").c_str());
}

std::wstring At(POINT p) { return L" mousemove " + std::to_wstring(p.x) + L" " + std::to_wstring(p.y); }

}  // namespace

void MouseMoveTo(POINT screen) {
    Xdotool(At(screen) + L" sleep 0.1");
}

void Click(POINT screen, bool right) {
    Xdotool(At(screen) + L" sleep 0.05 click " + (right ? L"3" : L"1") + L" sleep 0.1");
}

void DoubleClick(POINT screen) {
    Xdotool(At(screen) + L" sleep 0.05 click --repeat 2 --delay 80 1 sleep 0.15");
}

void Drag(POINT from, POINT to, bool cancel) {
    std::wstring cmd = At(from) + L" sleep 0.1 mousedown 1 sleep 0.2";
    for (int step = 1; step <= 10; ++step)
        cmd += At({from.x + (to.x - from.x) * step / 10, from.y + (to.y - from.y) * step / 10}) + L" sleep 0.05";
    if (cancel) cmd += L" key Escape sleep 0.1";
    cmd += L" mouseup 1 sleep 0.2";
    Xdotool(cmd);
}

void Key(WORD vk, bool ctrl, bool alt) {
    std::vector<INPUT> in;
    if (ctrl) in.push_back(KeyInput(VK_CONTROL, false));
    if (alt) in.push_back(KeyInput(VK_MENU, false));
    in.push_back(KeyInput(vk, false));
    in.push_back(KeyInput(vk, true));
    if (alt) in.push_back(KeyInput(VK_MENU, true));
    if (ctrl) in.push_back(KeyInput(VK_CONTROL, true));
    SendInputs(in);
    Sleep(150);
}

HWND FindTopLevel(const wchar_t* cls, DWORD pid, bool visibleOnly) {
    FindArgs a{cls, pid, visibleOnly, nullptr};
    EnumWindows(FindProc, reinterpret_cast<LPARAM>(&a));
    return a.found;
}

POINT TrayIconPoint() {
    RECT r{};
    if (HWND tray = FindWindowW(L"Shell_TrayWnd", nullptr)) GetWindowRect(tray, &r);
    if (r.right <= r.left) return {GetSystemMetrics(SM_CXSCREEN) - 10, GetSystemMetrics(SM_CYSCREEN) - 10};
    return {r.right - 10, (r.top + r.bottom) / 2};
}

HWND WaitForVisible(const wchar_t* cls, DWORD pid, DWORD timeoutMs) {
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindTopLevel(cls, pid, true)) != nullptr; }, timeoutMs);
    return found;
}

bool WaitGone(HWND w, DWORD timeoutMs) {
    return WaitUntil([&] { return !IsWindow(w) || !IsWindowVisible(w); }, timeoutMs);
}

std::wstring TempFolder() {
    wchar_t tmp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, tmp);
    std::wstring t = tmp;
    if (!t.empty() && t.back() != L'\\') t += L'\\';
    return t;
}

std::string Cp932(const std::wstring& text) { return mrv::WideToAnsi(text); }

}  // namespace listkit
