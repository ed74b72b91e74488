// BareSheet: the plainest modeless comctl32 property sheet with two pages, nothing of
// Quillpad in it. The ui driver's own tests drive it, and start-up benchmarks measure
// Quillpad against it. It marks its start-up phases in the debugger output (entry, sheet
// created, page created, first painted) where the benchmark's log reader times them.
#include <windows.h>

#include <commctrl.h>
#include <prsht.h>

#include <string>

#include "BareSheetIds.h"

namespace {

constexpr UINT_PTR kPaintedTimer = 1;

void Mark(const char* phase) {
    OutputDebugStringA(phase);
    OutputDebugStringA("\n");
}

void SetItemText(HWND page, int id, const std::wstring& text) {
    SetDlgItemTextW(page, id, text.c_str());
}

INT_PTR CALLBACK GeneralPage(HWND page, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) {
        // Timers come after painting: this one says the sheet has painted itself.
        SetTimer(page, kPaintedTimer, 0, nullptr);
        Mark("BareSheet: page created");
        return TRUE;
    }
    if (message == WM_TIMER && wParam == kPaintedTimer) {
        KillTimer(page, kPaintedTimer);
        Mark("BareSheet: painted");
        return TRUE;
    }
    if (message == WM_COMMAND && LOWORD(wParam) == IDC_ASK && HIWORD(wParam) == BN_CLICKED) {
        int answer = MessageBoxW(page, L"¿Desea continuar?", L"Pregunta", MB_YESNO | MB_ICONQUESTION);
        SetItemText(page, IDC_ANSWER, answer == IDYES ? L"Sí" : L"No");
        return TRUE;
    }
    return FALSE;
}

void FillList(HWND page) {
    HWND list = GetDlgItem(page, IDC_ITEMS);
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT);
    HIMAGELIST images = ImageList_Create(GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON),
                                         ILC_COLOR32 | ILC_MASK, 3, 0);
    for (const wchar_t* icon : {IDI_INFORMATION, IDI_WARNING, IDI_ERROR})
        ImageList_AddIcon(images, LoadIconW(nullptr, icon));
    ListView_SetImageList(list, images, LVSIL_SMALL); // the list destroys it

    const wchar_t* headings[] = {L"Nombre", L"Valor"};
    const int widths[] = {120, 90};
    for (int i = 0; i < 2; ++i) {
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.pszText = const_cast<wchar_t*>(headings[i]);
        column.cx = widths[i];
        ListView_InsertColumn(list, i, &column);
    }
    const wchar_t* rows[][2] = {{L"Batería", L"80 %"}, {L"Memoria", L"12 MB"}, {L"Versión", L"2.0"}};
    for (int i = 0; i < 3; ++i) {
        LVITEMW item{};
        item.mask = LVIF_TEXT | LVIF_IMAGE;
        item.iItem = i;
        item.iImage = i;
        item.pszText = const_cast<wchar_t*>(rows[i][0]);
        ListView_InsertItem(list, &item);
        ListView_SetItemText(list, i, 1, const_cast<wchar_t*>(rows[i][1]));
    }
}

INT_PTR CALLBACK ListPage(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: {
        HWND choice = GetDlgItem(page, IDC_CHOICE);
        for (const wchar_t* text : {L"Uno", L"Dos", L"Tres"})
            SendMessageW(choice, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
        FillList(page);
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDC_CHOICE && HIWORD(wParam) == CBN_SELCHANGE)
            SetItemText(page, IDC_EVENT,
                        L"elección " +
                            std::to_wstring(SendDlgItemMessageW(page, IDC_CHOICE, CB_GETCURSEL, 0, 0)));
        return FALSE;
    case WM_NOTIFY: {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        if (header->idFrom != IDC_ITEMS)
            return FALSE;
        if (header->code == NM_CLICK) {
            auto* click = reinterpret_cast<NMITEMACTIVATE*>(lParam);
            SetItemText(page, IDC_EVENT,
                        L"clic " + std::to_wstring(click->iItem) + L"," + std::to_wstring(click->iSubItem));
        } else if (header->code == LVN_ITEMCHANGED) {
            auto* change = reinterpret_cast<NMLISTVIEW*>(lParam);
            if ((change->uNewState & LVIS_SELECTED) && !(change->uOldState & LVIS_SELECTED))
                SetItemText(page, IDC_EVENT, L"fila " + std::to_wstring(change->iItem));
        }
        return FALSE;
    }
    }
    return FALSE;
}

PROPSHEETPAGEW Page(HINSTANCE instance, int templateId, DLGPROC proc) {
    PROPSHEETPAGEW page{};
    page.dwSize = sizeof(page);
    page.hInstance = instance;
    page.pszTemplate = MAKEINTRESOURCEW(templateId);
    page.pfnDlgProc = proc;
    return page;
}

} // namespace

int CALLBACK SheetCallback(HWND, UINT message, LPARAM) {
    if (message == PSCB_INITIALIZED)
        Mark("BareSheet: sheet created");
    return 0;
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    Mark("BareSheet: entry");
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);

    PROPSHEETPAGEW pages[] = {Page(instance, IDD_GENERAL, GeneralPage), Page(instance, IDD_LIST, ListPage)};
    PROPSHEETHEADERW header{};
    header.dwSize = sizeof(header);
    header.dwFlags = PSH_MODELESS | PSH_PROPSHEETPAGE | PSH_USECALLBACK;
    header.pfnCallback = SheetCallback;
    header.hInstance = instance;
    header.pszCaption = L"Hoja de propiedades";
    header.nPages = 2;
    header.ppsp = pages;
    HWND sheet = reinterpret_cast<HWND>(PropertySheetW(&header));
    if (!sheet)
        return 1;

    // A modeless sheet ends by having no current page any more (OK, Cancel, close box).
    MSG msg;
    while (PropSheet_GetCurrentPageHwnd(sheet) && GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (!PropSheet_IsDialogMessage(sheet, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    DestroyWindow(sheet);
    return 0;
}
