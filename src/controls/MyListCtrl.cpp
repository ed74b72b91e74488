#include "controls/MyListCtrl.h"

#include <windowsx.h>

#include <cstdlib>
#include <exception>
#include <vector>

#include "core/RegistryCursor.h"
#include "core/StringPackage.h"
#include "core/TraceScope.h"
#include "framework/Dialog.h"

namespace {

// The web browser keeps its link colours per user, as "r,g,b" texts.
const char kBrowserSettingsKey[] = "Microsoft/Internet Explorer/Settings";

// The text of one of the browser's settings; false when its key or the value is missing.
bool ReadBrowserSetting(const char* name, std::string& text) {
    try {
        RegistryCursor cursor("HKEY_CURRENT_USER/Software");
        if (!cursor.keyExists(kBrowserSettingsKey))
            return false;
        cursor.enterKey(kBrowserSettingsKey);
        if (!cursor.valueExists(name))
            return false;
        text = cursor.readString(name);
        return true;
    } catch (const std::exception& e) {
        // A setting we cannot read is a missing one: the default colours still serve.
        Log::instance().warning("Cannot read browser setting %s: %s", name, e.what());
        return false;
    }
}

COLORREF ReadColorSetting(const char* name, COLORREF defaultColor) {
    std::string text;
    if (!ReadBrowserSetting(name, text))
        return defaultColor;
    const std::vector<std::string> parts = StringPackage::tokenize(text, ",");
    if (parts.size() != 3)
        return defaultColor;
    auto component = [](const std::string& part) { return static_cast<BYTE>(std::atoi(part.c_str()) & 0xFF); };
    return RGB(component(parts[0]), component(parts[1]), component(parts[2]));
}

} // namespace

MyListCtrl::MyListCtrl()
    : m_handCursor(GetHandCursor()),
      m_anchorColor(GetAnchorColor()),
      m_visitedColor(GetAnchorColorVisited()),
      m_hoverColor(GetAnchorColorHover()),
      m_useHoverColor(GetUseAnchorColorHover()) {
    TraceScope scope("MyListCtrl::MyListCtrl");
}

MyListCtrl::~MyListCtrl() {
    TraceScope scope("MyListCtrl::~MyListCtrl");
    if (m_handCursor)
        DestroyCursor(m_handCursor);
}

void MyListCtrl::PreSubclassWindow() {
    TraceScope scope("MyListCtrl::PreSubclassWindow");
    m_textColor = static_cast<COLORREF>(Send(LVM_GETTEXTCOLOR));
    auto font = reinterpret_cast<HFONT>(Send(WM_GETFONT));
    if (!font)
        font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    LOGFONTW logFont{};
    if (!GetObjectW(font, sizeof logFont, &logFont)) {
        scope.warning("Failed to read the list's font.");
        return;
    }
    m_normalFont.reset(CreateFontIndirectW(&logFont));
    logFont.lfUnderline = TRUE;
    m_underlinedFont.reset(CreateFontIndirectW(&logFont));
}

// ---- What the parent says about a cell ----

LRESULT MyListCtrl::NotifyParent(UINT code, NMHDR* header) {
    header->hwndFrom = m_hwnd;
    header->idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(m_hwnd));
    header->code = code;
    return SendMessageW(GetParent(m_hwnd), WM_NOTIFY, header->idFrom, reinterpret_cast<LPARAM>(header));
}

LRESULT MyListCtrl::AskParent(UINT code, int row, int column) {
    NMLISTVIEW question{};
    question.iItem = row;
    question.iSubItem = column;
    return NotifyParent(code, &question.hdr);
}

bool MyListCtrl::IsAnchor(int row, int column) {
    TraceScope scope("MyListCtrl::IsAnchor", true);
    return AskParent(MLN_ISANCHOR, row, column) > 0;
}

bool MyListCtrl::IsAnchorVisited(int row, int column) {
    TraceScope scope("MyListCtrl::IsAnchorVisited", true);
    return AskParent(MLN_ISANCHORVISITED, row, column) > 0;
}

bool MyListCtrl::IsAnchorHover(int row, int column) const {
    TraceScope scope("MyListCtrl::IsAnchorHover", true);
    return row == m_hoverRow && column == m_hoverColumn;
}

// ---- Browser settings ----

HCURSOR MyListCtrl::GetHandCursor() {
    TraceScope scope("MyListCtrl::GetHandCursor");
    if (HCURSOR hand = LoadCursorW(nullptr, IDC_HAND))
        return CopyIcon(hand);
    // Systems without a hand cursor of their own: the help viewer's.
    wchar_t directory[MAX_PATH];
    const UINT length = GetWindowsDirectoryW(directory, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return nullptr;
    const std::wstring path = std::wstring(directory) + L"\\winhlp32.exe";
    HMODULE module = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module)
        return nullptr;
    HCURSOR copy = nullptr;
    if (HCURSOR cursor = LoadCursorW(module, MAKEINTRESOURCEW(106)))
        copy = CopyIcon(cursor);
    FreeLibrary(module);
    return copy;
}

COLORREF MyListCtrl::GetAnchorColor() {
    TraceScope scope("MyListCtrl::GetAnchorColor");
    return ReadColorSetting("Anchor Color", RGB(0, 0, 255));
}

COLORREF MyListCtrl::GetAnchorColorVisited() {
    TraceScope scope("MyListCtrl::GetAnchorColorVisited");
    return ReadColorSetting("Anchor Color Visited", RGB(128, 0, 128));
}

COLORREF MyListCtrl::GetAnchorColorHover() {
    TraceScope scope("MyListCtrl::GetAnchorColorHover");
    return ReadColorSetting("Anchor Color Hover", RGB(255, 0, 0));
}

bool MyListCtrl::GetUseAnchorColorHover() {
    TraceScope scope("MyListCtrl::GetUseAnchorColorHover", true);
    std::string text;
    return ReadBrowserSetting("Use Anchor Hover Color", text) && StringPackage::equalsNoCase(text, "yes");
}

// ---- Drawing and the mouse ----

LRESULT MyListCtrl::OnCustomDraw(NMLVCUSTOMDRAW* draw) {
    TraceScope scope("MyListCtrl::OnCustomDraw", true);
    switch (draw->nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
    case CDDS_ITEMPREPAINT:
        return CDRF_NOTIFYSUBITEMDRAW;
    case CDDS_ITEMPREPAINT | CDDS_SUBITEM: {
        const int row = static_cast<int>(draw->nmcd.dwItemSpec);
        const int column = draw->iSubItem;
        if (!IsAnchor(row, column))
            return CDRF_DODEFAULT;
        LRESULT result = CDRF_NOTIFYPOSTPAINT;
        draw->clrText = IsAnchorVisited(row, column) ? m_visitedColor : m_anchorColor;
        if (IsAnchorHover(row, column)) {
            if (m_useHoverColor) {
                draw->clrText = m_hoverColor;
            } else if (m_underlinedFont) {
                SelectObject(draw->nmcd.hdc, m_underlinedFont.get());
                result |= CDRF_NEWFONT;
            }
        }
        return result;
    }
    case CDDS_ITEMPOSTPAINT | CDDS_SUBITEM:
        // The next cell starts from the list's own look again.
        draw->clrText = m_textColor;
        if (m_normalFont)
            SelectObject(draw->nmcd.hdc, m_normalFont.get());
        return CDRF_DODEFAULT;
    default:
        return CDRF_DODEFAULT;
    }
}

bool MyListCtrl::HitCell(POINT point, int& row, int& column) const {
    LVHITTESTINFO hit{};
    hit.pt = point;
    SendMessageW(m_hwnd, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit));
    if (hit.iItem >= 0 && (hit.flags & LVHT_ONITEM) != 0) {
        row = hit.iItem;
        column = hit.iSubItem;
        return true;
    }
    row = column = -1;
    return false;
}

void MyListCtrl::InvalidateCell(int row, int column) {
    RECT cell;
    if (row >= 0 && GetSubItemRect(row, column, LVIR_BOUNDS, cell))
        InvalidateRect(m_hwnd, &cell, FALSE);
}

LRESULT MyListCtrl::OnSetCursor(WPARAM wp, LPARAM lp) {
    TraceScope scope("MyListCtrl::OnSetCursor", true);
    // The header passes its own cursor questions on to us: it is no cell either.
    if (LOWORD(lp) != HTCLIENT || reinterpret_cast<HWND>(wp) != m_hwnd) {
        InvalidateCell(m_hoverRow, m_hoverColumn);
        m_hoverRow = m_hoverColumn = -1;
        return DefaultProc(WM_SETCURSOR, wp, lp);
    }
    // Where the pointer is now. The position of the current message would do on Windows,
    // but Wine sets it only after the WM_SETCURSOR of a mouse message, one move late.
    POINT point{};
    GetCursorPos(&point);
    ScreenToClient(m_hwnd, &point);
    int row, column;
    HitCell(point, row, column);
    if (row != m_hoverRow || column != m_hoverColumn) {
        InvalidateCell(m_hoverRow, m_hoverColumn);
        m_hoverRow = row;
        m_hoverColumn = column;
        InvalidateCell(m_hoverRow, m_hoverColumn);
    }
    if (m_hoverRow >= 0 && m_handCursor && IsAnchor(m_hoverRow, m_hoverColumn)) {
        SetCursor(m_handCursor);
        return TRUE;
    }
    return DefaultProc(WM_SETCURSOR, wp, lp);
}

LRESULT MyListCtrl::OnMouseMove(WPARAM wp, LPARAM lp) {
    TraceScope scope("MyListCtrl::OnMouseMove", true);
    const LRESULT result = DefaultProc(WM_MOUSEMOVE, wp, lp);
    if (!m_tracking) {
        // Without a leave notice the last link would stay underlined.
        m_tracking = true;
        TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, m_hwnd, HOVER_DEFAULT};
        TrackMouseEvent(&track);
    }
    return result;
}

LRESULT MyListCtrl::OnMouseLeave() {
    TraceScope scope("MyListCtrl::OnMouseLeave");
    InvalidateCell(m_hoverRow, m_hoverColumn);
    m_hoverRow = m_hoverColumn = -1;
    m_tracking = false;
    return DefaultProc(WM_MOUSELEAVE, 0, 0);
}

LRESULT MyListCtrl::OnLButtonDown(WPARAM keys, POINT point) {
    TraceScope scope("MyListCtrl::OnLButtonDown");
    int row, column;
    if (HitCell(point, row, column) && IsAnchorHover(row, column) && IsAnchor(row, column)) {
        // A link is clicked, not selected: the button-up decides.
        SetCapture(m_hwnd);
        return 0;
    }
    return DefaultProc(WM_LBUTTONDOWN, keys, MAKELPARAM(point.x, point.y));
}

LRESULT MyListCtrl::OnLButtonUp(WPARAM keys, POINT point) {
    TraceScope scope("MyListCtrl::OnLButtonUp");
    if (GetCapture() == m_hwnd) {
        int row, column;
        if (HitCell(point, row, column) && IsAnchorHover(row, column)) {
            NMITEMACTIVATE activate{};
            activate.iItem = row;
            activate.iSubItem = column;
            activate.ptAction = point;
            // Alt is not among a button message's key flags: ask the keyboard.
            activate.uKeyFlags = (GetKeyState(VK_MENU) < 0 ? LVKF_ALT : 0) |
                                 ((keys & MK_CONTROL) ? LVKF_CONTROL : 0) | ((keys & MK_SHIFT) ? LVKF_SHIFT : 0);
            NotifyParent(MLN_ANCHORACTIVATE, &activate.hdr);
            InvalidateCell(row, column);
        }
        ReleaseCapture();
    }
    return DefaultProc(WM_LBUTTONUP, keys, MAKELPARAM(point.x, point.y));
}

LRESULT MyListCtrl::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    TraceScope scope("MyListCtrl::WindowProc", true);
    switch (msg) {
    case WM_LBUTTONDOWN:
        return OnLButtonDown(wp, POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
    case WM_LBUTTONUP:
        return OnLButtonUp(wp, POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
    case WM_SETCURSOR:
        return OnSetCursor(wp, lp);
    case WM_MOUSEMOVE:
        return OnMouseMove(wp, lp);
    case WM_MOUSELEAVE:
        return OnMouseLeave();
    case WM_REFLECTED_NOTIFY: {
        auto* header = reinterpret_cast<NMHDR*>(lp);
        if (header->code != static_cast<UINT>(NM_CUSTOMDRAW))
            return FALSE;
        *reinterpret_cast<LRESULT*>(wp) = OnCustomDraw(reinterpret_cast<NMLVCUSTOMDRAW*>(header));
        return TRUE;
    }
    default:
        return DefaultProc(msg, wp, lp);
    }
}

// ---- Typed list view operations ----

int MyListCtrl::InsertColumn(int column, const std::wstring& heading, int width, int format) {
    LVCOLUMNW info{};
    info.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    info.fmt = format;
    info.cx = width;
    info.pszText = const_cast<wchar_t*>(heading.c_str());
    info.iSubItem = column;
    return static_cast<int>(Send(LVM_INSERTCOLUMNW, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&info)));
}

int MyListCtrl::InsertItem(int row, const std::wstring& text, int image, LPARAM data) {
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
    item.iItem = row;
    item.pszText = const_cast<wchar_t*>(text.c_str());
    item.iImage = image;
    item.lParam = data;
    return static_cast<int>(Send(LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
}

bool MyListCtrl::SetItemText(int row, int column, const std::wstring& text) {
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = const_cast<wchar_t*>(text.c_str());
    return Send(LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item)) != 0;
}

std::wstring MyListCtrl::GetItemText(int row, int column) const {
    std::wstring text(64, L'\0');
    for (;;) {
        LVITEMW item{};
        item.iSubItem = column;
        item.pszText = text.data();
        item.cchTextMax = static_cast<int>(text.size());
        const auto length =
            static_cast<size_t>(Send(LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item)));
        if (length + 1 < text.size()) {
            text.resize(length);
            return text;
        }
        text.resize(text.size() * 2);
    }
}

bool MyListCtrl::SetItemData(int row, LPARAM data) {
    LVITEMW item{};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    item.lParam = data;
    return Send(LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item)) != 0;
}

LPARAM MyListCtrl::GetItemData(int row) const {
    LVITEMW item{};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    return Send(LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)) ? item.lParam : 0;
}

int MyListCtrl::GetItemCount() const { return static_cast<int>(Send(LVM_GETITEMCOUNT)); }

UINT MyListCtrl::GetSelectedCount() const { return static_cast<UINT>(Send(LVM_GETSELECTEDCOUNT)); }

int MyListCtrl::GetNextItem(int start, UINT flags) const {
    return static_cast<int>(Send(LVM_GETNEXTITEM, static_cast<WPARAM>(start), MAKELPARAM(flags, 0)));
}

bool MyListCtrl::DeleteItem(int row) { return Send(LVM_DELETEITEM, static_cast<WPARAM>(row)) != 0; }

bool MyListCtrl::DeleteAllItems() { return Send(LVM_DELETEALLITEMS) != 0; }

void MyListCtrl::AddExtendedStyle(DWORD style) { Send(LVM_SETEXTENDEDLISTVIEWSTYLE, style, style); }

HIMAGELIST MyListCtrl::SetImageList(HIMAGELIST images, int which) {
    return reinterpret_cast<HIMAGELIST>(
        Send(LVM_SETIMAGELIST, static_cast<WPARAM>(which), reinterpret_cast<LPARAM>(images)));
}

bool MyListCtrl::GetSubItemRect(int row, int column, int area, RECT& rect) const {
    rect = RECT{area, column, 0, 0};
    return Send(LVM_GETSUBITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&rect)) != 0;
}
