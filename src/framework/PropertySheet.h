#pragma once
// PropertySheet: a comctl32 property sheet, modal (DoModal) or modeless (Create), whose
// pages can be added and removed while it runs. The sheet window is subclassed once
// comctl32 has made it, so that OK, Cancel, Apply and Close reach virtual handlers first.
// Apply and OK are the sheet's own (ApplyPages); Cancel and Close are comctl32's.
#include <windows.h>
#include <commctrl.h>
// commctrl.h maps the name to PropertySheetW; the class keeps it, the API is called by its
// W name.
#undef PropertySheet

#include <string>
#include <vector>

#include "framework/PropertyPage.h"
#include "framework/ScopeNames.h"
#include "framework/Window.h"

class PropertySheet : public Window {
public:
    static constexpr int kApplyCommand = 0x3021; // ID_APPLY_NOW

    PropertySheet(std::wstring caption, HWND parent = nullptr, UINT startPage = 0);
    ~PropertySheet() override;

    // Appends the page (to the running sheet too); false when it is there already.
    bool AddPage(PropertyPage* page);
    // Removes the page (its window goes with it); false when it isn't there.
    bool RemovePage(PropertyPage* page);
    bool RemovePage(int index);
    int GetPageCount() const { return static_cast<int>(m_pages.size()); }
    // The page's position in the sheet, -1 when it isn't there.
    int GetPageIndex(const PropertyPage* page) const;
    PropertyPage* GetPage(int index) const;
    PropertyPage* GetActivePage() const;
    int GetActiveIndex() const;
    bool SetActivePage(int index);
    bool SetActivePage(PropertyPage* page) { return SetActivePage(GetPageIndex(page)); }

    // One row of tabs (off) or several (on, comctl32's default).
    void EnableStackedTabs(bool stacked) { m_stackedTabs = stacked; }
    // Runs the sheet modally; returns what PropertySheetW returns.
    INT_PTR DoModal();
    // Creates the sheet modeless with the given window style (not shown unless the
    // style says WS_VISIBLE).
    bool Create(HWND parent, DWORD style, DWORD exStyle = 0);
    bool IsModeless() const { return m_modeless; }

    bool PreTranslateMessage(MSG* msg) override;

    // Apply, and OK before it closes: the active page must let the user leave it (invalid
    // text keeps the user there and nothing is applied); then every page that has a
    // window applies, the active one first, and OnPagesApplied tells what was not saved.
    // A page that did not save a value stays modified, so Apply stays enabled. True when
    // every page applied and none is left modified. (comctl32's own apply marks every
    // page unchanged whatever it saved, and its OK would apply all pages a second time.)
    bool ApplyPages();

protected:
    // Names the sheet's operations in the log ("MoreDetailsSheet::OnOK").
    void NameInLog(const char* className) { m_names.Rename(className); }
    const char* ScopeName(const char* operation) { return m_names(operation); }

    // Called once the sheet window exists, before the first page is created.
    virtual BOOL OnInitDialog() { return TRUE; }
    // ApplyPages, then OnClose when nothing is left unsaved.
    virtual void OnOK();
    virtual void OnCancel() { DefaultCommand(IDCANCEL); }
    virtual void OnApply();
    // comctl32's cancel: the pages hear it, nothing is applied.
    virtual void OnClose() { DefaultProc(WM_CLOSE, 0, 0); }
    // Every page that has a window has applied.
    virtual void OnPagesApplied() {}
    virtual void OnDestroy() {}
    // Application messages (WM_APP and above); return true when handled.
    virtual bool OnAppMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);

    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    void DefaultCommand(int id);

private:
    INT_PTR Run(bool modeless, HWND parent);
    static int CALLBACK SheetCallback(HWND hwnd, UINT msg, LPARAM lp);
    void OnSheetInitialized(HWND hwnd);

    ScopeNames m_names{"PropertySheet"};
    std::wstring m_caption;
    HWND m_parentWindow;
    UINT m_startPage;
    std::vector<PropertyPage*> m_pages;
    bool m_stackedTabs = true;
    bool m_modeless = false;
    DWORD m_style = 0;
    DWORD m_exStyle = 0;
};
