#pragma once
// PropertyPage: one page of a property sheet, on its own dialog template. The sheet's
// notifications (PSN_SETACTIVE, KILLACTIVE, APPLY, RESET, QUERYCANCEL, HELP) arrive at
// virtual handlers; SetModified enables or disables the sheet's Apply button, and the
// sheet's OK closes only when no page is left modified.
#include <windows.h>
#include <commctrl.h>

#include "framework/Dialog.h"

class PropertyPage : public Dialog {
public:
    // The old framework's Help command: delivered to the application's main window.
    static constexpr int kHelpCommand = 0xE146;

    explicit PropertyPage(UINT templateId);

    // A new page handle for a sheet; the sheet owns it from then on (it is destroyed
    // with the sheet or when the page is removed).
    HPROPSHEETPAGE CreatePageHandle();
    HWND SheetHandle() const { return m_hwnd ? GetParent(m_hwnd) : nullptr; }
    void SetModified(bool changed = true);
    bool IsModified() const { return m_modified; }

    // The sheet's Apply and OK call these on every page that has a window.
    virtual bool UpdateData(bool) { return true; }
    virtual BOOL OnApply() { return TRUE; }

    bool PreTranslateMessage(MSG*) override { return false; } // the sheet navigates

protected:
    // FALSE keeps the page from being shown.
    virtual BOOL OnSetActive() { return TRUE; }
    // FALSE keeps the user on the page.
    virtual BOOL OnKillActive() { return TRUE; }
    virtual void OnReset() {}
    // FALSE keeps the sheet open.
    virtual BOOL OnQueryCancel() { return TRUE; }
    virtual void OnHelp();

    bool OnNotify(NMHDR* header) override;
    // OK and Cancel belong to the sheet, not to the page's dialog.
    bool OnCommand(int id, int code) override;
    void OnOK() override {}
    void OnCancel() override {}
    void OnClose() override {}

private:
    // The sheet's Apply asks the active page whether it may be left.
    friend class PropertySheet;
    static INT_PTR CALLBACK PageDialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

    PROPSHEETPAGEW m_psp{};
    bool m_modified = false;
};
