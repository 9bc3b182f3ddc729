// The list window: the wallpaper list in a list view, edited on a copy that goes back into
// gv_lstWall when the window closes.
//
// The main window opens it and owns it:
//
//     FormMURAVINEList = std::make_unique<TFormMURAVINEList>(mainHwnd);  // filled from gv_lstWall
//     FormMURAVINEList->Show();
//
// When it closes it writes its rows into gv_lstWall and posts UM_LIST_CLOSED (wParam 0, lParam 0)
// to its owner, which then destroys it with FormMURAVINEList.reset(). After reloading the list
// file the main window calls FormMURAVINEList->actFileRefreshExecute() on an open window.
// Its shortcuts need nothing from the message loop.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <array>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "core/handles.h"
#include "core/ui/window.h"

struct ImageListDestroyer {
    void operator()(HIMAGELIST h) const { ImageList_Destroy(h); }
};
using UniqueImageList = std::unique_ptr<std::remove_pointer_t<HIMAGELIST>, ImageListDestroyer>;

class TFormMURAVINEList : public mrv::Window {
public:
    // The fifteen actions, in the order of their command identifiers.
    enum Action {
        actFileChange,
        actFilePreview,
        actFileRefresh,
        actFileClose,
        actEditAdd,
        actEditNow,
        actEditCenter,
        actEditTile,
        actEditScreen,
        actEditYet,
        actEditAlready,
        actEditSelectAll,
        actEditErase,
        actHelpContents,
        actHelpCommand,
        kActionCount
    };

    // Creates the window (hidden) with `owner` as its owner and fills the view from gv_lstWall.
    explicit TFormMURAVINEList(HWND owner);
    ~TFormMURAVINEList() override;

    // Shows the window without a modal loop and brings it to the front.
    void Show();

    // Refills the view from gv_lstWall, dropping every change made in the window since.
    void actFileRefreshExecute();

    // Runs an action as its menu item, tool button or shortcut would (nothing while it is disabled).
    void Execute(Action action);
    bool ActionEnabled(Action action) const { return enabled_[action]; }
    bool ActionChecked(Action action) const { return checked_[action]; }

    HWND ListView1() const { return listView_; }
    HWND ToolBar1() const { return toolBar_; }
    HWND StatusBar1() const { return statusBar_; }
    HMENU MainMenu1() const { return mainMenu_; }
    HMENU PopupMenu1() const;
    // The open dialog's filter as built when the window was created ("|" between the parts).
    const std::wstring& OpenFilter() const { return filter_; }

    static constexpr wchar_t kClassName[] = L"TFormMURAVINEList";

protected:
    bool HandleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
    void OnDestroyed() override;

private:
    // What a row carries besides its texts: the path and archive as the list file spells them,
    // and the line itself when it has to go back untouched.
    struct Entry {
        std::string path;
        std::string archive;
        std::string line;
        bool keepLine = false;
    };

    void FormCreate();
    void FormClose();
    void CreateChildren();
    void LoadImages();
    void Layout();
    void ApplyFont();

    // The item layout: caption = picture path, sub-items 0-4 = style caption, shown caption,
    // archive path, shown flag, style number.
    void AddListItem(const std::wstring& path, const std::wstring& styleCaption, const std::wstring& style,
                     const std::wstring& flag, const std::wstring& archive, const std::wstring& shownCaption,
                     Entry entry);
    std::wstring SubItem(int item, int sub) const;  // sub = -1: the caption
    void SetSubItem(int item, int sub, const std::wstring& text);
    Entry* EntryOf(int item);
    std::vector<int> SelectedItems() const;
    int FirstSelected() const;
    // Adds files as new entries in the style; names the list cannot hold are refused one by one.
    void AddFiles(const std::vector<std::wstring>& paths, int style);

    void ListView1SelectItem();
    void AppOnHint(const std::wstring& hint);
    void WMDropFiles(HDROP drop);

    void actFileChangeExecute();
    void actFilePreviewExecute();
    void actFileCloseExecute();
    void actEditAddExecute();
    void actEditNowExecute();
    void SetSelectedStyle(int style);
    void MarkSelected(bool shown);
    void actEditEraseExecute();
    void actEditSelectAllExecute();
    void actHelpContentsExecute();
    void actHelpCommandExecute();
    void ListView1DblClick();
    bool ListView1DragOver() const;
    void ListView1DragDrop(POINT pt);

    void SetEnabled(Action a, bool on);
    void SetChecked(Action a, bool on);
    void SetStyleButtons(int style);
    bool OnNotify(NMHDR* nm, LRESULT& result);
    void OnContextMenu(HWND from, LPARAM lp);
    void OnDrawMenuIcon(DRAWITEMSTRUCT* dis);
    std::wstring HintOf(UINT command) const;
    std::wstring CaptionOf(UINT command) const;

    // Moving a row with the mouse.
    void BeginRowDrag();
    void TrackRowDrag(POINT pt);
    void EndRowDrag(bool drop, POINT pt);
    void SetDropTarget(int item);
    int RowAt(POINT pt) const;  // the row under a point of the view, or -1
    void DrawDropMark(const NMLVCUSTOMDRAW* cd) const;
    POINT ViewPoint(LPARAM lp) const;  // a point of the window's client area in the view's

    // The shortcuts, translated before the message loop dispatches a key of this window.
    static LRESULT CALLBACK ShortcutHook(int code, WPARAM wp, LPARAM lp);

    HWND owner_ = nullptr;
    HWND toolBar_ = nullptr;
    HWND listView_ = nullptr;
    HWND statusBar_ = nullptr;
    HMENU mainMenu_ = nullptr;  // owned by the window
    mrv::UniqueMenu popupMenu_;
    HACCEL accel_ = nullptr;    // a resource: freed with the module
    HHOOK hook_ = nullptr;
    UniqueImageList images_;
    UniqueImageList grayImages_;
    mrv::UniqueGdi<HFONT> font_;
    int dpi_ = 96;
    int iconSize_ = 16;
    std::wstring filter_;
    std::wstring tipText_;  // the tool tip being shown
    std::vector<Entry> entries_;  // indexed by the items' lParam
    std::array<bool, kActionCount> enabled_{};
    std::array<bool, kActionCount> checked_{};
    bool closed_ = false;
    bool inMenu_ = false;
    bool quietSelection_ = false;  // bulk changes run the selection rule once at their end
    bool dragging_ = false;
    int dropTarget_ = -1;
    int dragSource_ = -1;
};

extern std::unique_ptr<TFormMURAVINEList> FormMURAVINEList;
