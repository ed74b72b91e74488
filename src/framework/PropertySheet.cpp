#include "framework/PropertySheet.h"

#include <algorithm>

#include "core/TraceScope.h"
#include "framework/ModalLoop.h"

namespace {
// The sheet whose window comctl32 is making on this thread: its callback carries no
// pointer of ours.
thread_local PropertySheet* t_creating = nullptr;

// The extended dialog template's header up to the styles.
struct DlgTemplateExHead {
    WORD dlgVer;
    WORD signature;
    DWORD helpID;
    DWORD exStyle;
    DWORD style;
};
} // namespace

PropertySheet::PropertySheet(std::wstring caption, HWND parent, UINT startPage)
    : m_caption(std::move(caption)), m_parentWindow(parent), m_startPage(startPage) {}

PropertySheet::~PropertySheet() {
    if (IsWindow())
        Destroy();
}

int PropertySheet::GetPageIndex(const PropertyPage* page) const {
    auto it = std::find(m_pages.begin(), m_pages.end(), page);
    return it == m_pages.end() ? -1 : static_cast<int>(it - m_pages.begin());
}

PropertyPage* PropertySheet::GetPage(int index) const {
    return index >= 0 && index < GetPageCount() ? m_pages[static_cast<size_t>(index)] : nullptr;
}

bool PropertySheet::AddPage(PropertyPage* page) {
    TraceScope scope("PropertySheet::AddPage");
    if (!page || GetPageIndex(page) >= 0)
        return false;
    if (IsWindow()) {
        HPROPSHEETPAGE handle = page->CreatePageHandle();
        if (!handle || !Send(PSM_ADDPAGE, 0, reinterpret_cast<LPARAM>(handle))) {
            scope.warning("Failed to add a page.");
            if (handle)
                DestroyPropertySheetPage(handle);
            return false;
        }
    }
    m_pages.push_back(page);
    return true;
}

bool PropertySheet::RemovePage(PropertyPage* page) {
    return RemovePage(GetPageIndex(page));
}

bool PropertySheet::RemovePage(int index) {
    TraceScope scope("PropertySheet::RemovePage");
    if (index < 0 || index >= GetPageCount())
        return false;
    if (IsWindow())
        Send(PSM_REMOVEPAGE, static_cast<WPARAM>(index), 0);
    m_pages.erase(m_pages.begin() + index);
    return true;
}

int PropertySheet::GetActiveIndex() const {
    if (!IsWindow())
        return m_startPage < m_pages.size() ? static_cast<int>(m_startPage) : (m_pages.empty() ? -1 : 0);
    auto current = reinterpret_cast<HWND>(Send(PSM_GETCURRENTPAGEHWND));
    for (size_t i = 0; i < m_pages.size(); ++i)
        if (current && m_pages[i]->Handle() == current)
            return static_cast<int>(i);
    return -1;
}

PropertyPage* PropertySheet::GetActivePage() const {
    return GetPage(GetActiveIndex());
}

bool PropertySheet::SetActivePage(int index) {
    if (index < 0 || index >= GetPageCount())
        return false;
    if (!IsWindow()) {
        m_startPage = static_cast<UINT>(index);
        return true;
    }
    return Send(PSM_SETCURSEL, static_cast<WPARAM>(index), 0) != 0;
}

INT_PTR PropertySheet::DoModal() {
    TraceScope scope("PropertySheet::DoModal");
    ModalLoop loop([this] {
        if (IsWindow())
            Send(PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    });
    return Run(false, m_parentWindow);
}

bool PropertySheet::Create(HWND parent, DWORD style, DWORD exStyle) {
    TraceScope scope("PropertySheet::Create");
    m_style = style;
    m_exStyle = exStyle;
    if (parent)
        m_parentWindow = parent;
    return Run(true, m_parentWindow) > 0 && IsWindow();
}

INT_PTR PropertySheet::Run(bool modeless, HWND parent) {
    std::vector<HPROPSHEETPAGE> handles;
    for (PropertyPage* page : m_pages)
        if (HPROPSHEETPAGE handle = page->CreatePageHandle())
            handles.push_back(handle);
    PROPSHEETHEADERW header{};
    header.dwSize = sizeof(header);
    header.dwFlags = PSH_USECALLBACK | PSH_HASHELP | (modeless ? PSH_MODELESS : 0);
    header.hwndParent = parent;
    header.hInstance = GetModuleHandleW(nullptr);
    header.pszCaption = m_caption.c_str();
    header.nPages = static_cast<UINT>(handles.size());
    header.nStartPage = m_startPage < handles.size() ? m_startPage : 0;
    header.phpage = handles.data();
    header.pfnCallback = &PropertySheet::SheetCallback;
    m_modeless = modeless;
    PropertySheet* saved = t_creating;
    t_creating = this;
    INT_PTR result = PropertySheetW(&header);
    t_creating = saved;
    return result;
}

int CALLBACK PropertySheet::SheetCallback(HWND hwnd, UINT msg, LPARAM lp) {
    PropertySheet* sheet = t_creating;
    if (!sheet)
        return 0;
    if (msg == PSCB_PRECREATE && sheet->m_modeless && sheet->m_style && lp) {
        // The caller's window style replaces the template's, except for the font flag,
        // which says whether the template carries font data.
        auto* ex = reinterpret_cast<DlgTemplateExHead*>(lp);
        auto restyle = [sheet](DWORD old) { return (sheet->m_style & ~DS_SETFONT) | (old & DS_SETFONT); };
        if (ex->signature == 0xFFFF) {
            ex->style = restyle(ex->style);
            ex->exStyle |= sheet->m_exStyle;
        } else {
            auto* plain = reinterpret_cast<DLGTEMPLATE*>(lp);
            plain->style = restyle(plain->style);
            plain->dwExtendedStyle |= sheet->m_exStyle;
        }
    } else if (msg == PSCB_INITIALIZED) {
        t_creating = nullptr; // windows the handlers create make their own sheets
        sheet->OnSheetInitialized(hwnd);
        t_creating = sheet;
    }
    return 0;
}

void PropertySheet::OnSheetInitialized(HWND hwnd) {
    TraceScope scope("PropertySheet::OnSheetInitialized");
    if (!Subclass(hwnd)) {
        scope.error("Failed to subclass the sheet.");
        return;
    }
    if (!m_stackedTabs) {
        HWND tabs = reinterpret_cast<HWND>(Send(PSM_GETTABCONTROL));
        if (tabs)
            SetWindowLongPtrW(tabs, GWL_STYLE, GetWindowLongPtrW(tabs, GWL_STYLE) & ~TCS_MULTILINE);
    }
    OnInitDialog();
}

bool PropertySheet::PreTranslateMessage(MSG* msg) {
    if (!m_modeless || !IsWindow())
        return false;
    bool consumed = Send(PSM_ISDIALOGMESSAGE, 0, reinterpret_cast<LPARAM>(msg)) != 0;
    // comctl32 ends a modeless sheet by dropping its current page; the window is ours to
    // destroy.
    if (IsWindow() && !Send(PSM_GETCURRENTPAGEHWND))
        Destroy();
    return consumed;
}

bool PropertySheet::ApplyPages() {
    TraceScope scope(ScopeName("ApplyPages"));
    PropertyPage* active = GetActivePage();
    if (active && active->IsWindow()) {
        if (!active->OnKillActive())
            return false;
        active->UpdateData(true);
        if (!active->OnApply())
            return false;
    }
    bool applied = true;
    for (int i = 0; i < GetPageCount(); ++i) {
        PropertyPage* page = GetPage(i);
        if (page == active || !page->IsWindow())
            continue;
        page->UpdateData(true);
        applied = page->OnApply() && applied;
    }
    OnPagesApplied();
    for (int i = 0; applied && i < GetPageCount(); ++i)
        applied = !GetPage(i)->IsWindow() || !GetPage(i)->IsModified();
    return applied;
}

void PropertySheet::OnApply() {
    TraceScope scope(ScopeName("OnApply"));
    ApplyPages();
}

void PropertySheet::OnOK() {
    TraceScope scope(ScopeName("OnOK"));
    if (ApplyPages())
        OnClose();
}

void PropertySheet::DefaultCommand(int id) {
    DefaultProc(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(Item(id)));
}

bool PropertySheet::OnAppMessage(UINT, WPARAM, LPARAM, LRESULT&) {
    return false;
}

LRESULT PropertySheet::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    TraceScope scope("PropertySheet::WindowProc", true);
    switch (msg) {
    case WM_COMMAND:
        if (HIWORD(wp) == BN_CLICKED || lp == 0) {
            switch (LOWORD(wp)) {
            case IDOK:
                OnOK();
                return 0;
            case IDCANCEL:
                OnCancel();
                return 0;
            case kApplyCommand:
                OnApply();
                return 0;
            default:
                break;
            }
        }
        break;
    case WM_CLOSE:
        OnClose();
        return 0;
    case WM_DESTROY: {
        // comctl32 tears its pages down first, as the old framework's base handler did.
        LRESULT result = DefaultProc(msg, wp, lp);
        OnDestroy();
        return result;
    }
    default:
        if (msg >= WM_APP) {
            LRESULT result = 0;
            if (OnAppMessage(msg, wp, lp, result))
                return result;
        }
        break;
    }
    return DefaultProc(msg, wp, lp);
}
