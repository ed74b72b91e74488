#include "framework/PropertyPage.h"

#include "core/TraceScope.h"
#include "framework/WinApp.h"

PropertyPage::PropertyPage(UINT templateId) : Dialog(templateId) {
    m_psp.dwSize = sizeof(m_psp);
    m_psp.dwFlags = PSP_DEFAULT | PSP_HASHELP;
    m_psp.hInstance = GetModuleHandleW(nullptr);
    m_psp.pszTemplate = MAKEINTRESOURCEW(templateId);
    m_psp.pfnDlgProc = &PropertyPage::PageDialogProc;
    m_psp.lParam = reinterpret_cast<LPARAM>(this);
}

HPROPSHEETPAGE PropertyPage::CreatePageHandle() {
    m_modified = false; // a new window starts unchanged
    return CreatePropertySheetPageW(&m_psp);
}

void PropertyPage::SetModified(bool changed) {
    m_modified = changed;
    HWND sheet = SheetHandle();
    if (sheet)
        SendMessageW(sheet, changed ? PSM_CHANGED : PSM_UNCHANGED, reinterpret_cast<WPARAM>(m_hwnd), 0);
}

void PropertyPage::OnHelp() {
    TraceScope scope("PropertyPage::OnHelp");
    if (WinApp* app = WinApp::Current())
        if (HWND main = app->MainWindowHandle())
            SendMessageW(main, WM_COMMAND, kHelpCommand, 0);
}

bool PropertyPage::OnNotify(NMHDR* header) {
    if (header->hwndFrom != SheetHandle())
        return false;
    switch (header->code) {
    case PSN_SETACTIVE:
        SetMsgResult(OnSetActive() ? 0 : -1);
        return true;
    case PSN_KILLACTIVE:
        SetMsgResult(OnKillActive() ? FALSE : TRUE);
        return true;
    case PSN_APPLY:
        SetMsgResult(OnApply() ? PSNRET_NOERROR : PSNRET_INVALID_NOCHANGEPAGE);
        return true;
    case PSN_RESET:
        OnReset();
        return true;
    case PSN_QUERYCANCEL:
        SetMsgResult(OnQueryCancel() ? FALSE : TRUE);
        return true;
    case PSN_HELP:
        OnHelp();
        return true;
    default:
        return false;
    }
}

bool PropertyPage::OnCommand(int, int) {
    return false;
}

INT_PTR CALLBACK PropertyPage::PageDialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    TraceScope scope("PropertyPage::PageDialogProc", true);
    Window* window = FromHandle(hwnd);
    if (!window && msg == WM_INITDIALOG) {
        // The sheet hands the page its (copied) PROPSHEETPAGE; lParam is the object.
        auto* page = reinterpret_cast<PropertyPage*>(reinterpret_cast<PROPSHEETPAGEW*>(lp)->lParam);
        if (page && page->Attach(hwnd))
            window = page;
    }
    if (!window)
        return FALSE;
    return static_cast<PropertyPage*>(window)->Dispatch(msg, wp, lp);
}
