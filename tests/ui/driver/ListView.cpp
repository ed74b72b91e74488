#include "ui/driver/ListView.h"

#include <commctrl.h>

#include "ui/driver/RemoteBuffer.h"
#include "ui/driver/Window.h"

namespace ui {

ListView::ListView(HWND dialog, int id) : m_hwnd(dialog ? GetDlgItem(dialog, id) : nullptr) {}

int ListView::Count() const {
    return static_cast<int>(Send(m_hwnd, LVM_GETITEMCOUNT));
}

std::wstring ListView::Text(int item, int column) const {
    LVITEMW lvi{};
    lvi.iSubItem = column;
    return QueryText(m_hwnd, LVM_GETITEMTEXTW, item, lvi);
}

std::vector<std::wstring> ListView::Row(int item) const {
    std::vector<std::wstring> row;
    for (int column = 0, count = ColumnCount(); column < count; ++column)
        row.push_back(Text(item, column));
    return row;
}

int ListView::Image(int item) const {
    RemoteBuffer buffer(m_hwnd, sizeof(LVITEMW));
    LVITEMW lvi{};
    lvi.mask = LVIF_IMAGE;
    lvi.iItem = item;
    lvi.iImage = -1;
    if (!buffer.Put(lvi) || !Send(m_hwnd, LVM_GETITEMW, 0, buffer.At()))
        return -1;
    return buffer.Get<LVITEMW>().iImage;
}

bool ListView::IsSelected(int item) const {
    return (Send(m_hwnd, LVM_GETITEMSTATE, item, LVIS_SELECTED) & LVIS_SELECTED) != 0;
}

int ListView::Selected() const {
    return static_cast<int>(Send(m_hwnd, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

bool ListView::Select(int item) const {
    RemoteBuffer buffer(m_hwnd, sizeof(LVITEMW));
    LVITEMW lvi{};
    lvi.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    lvi.state = LVIS_SELECTED | LVIS_FOCUSED;
    return buffer.Put(lvi) && Send(m_hwnd, LVM_SETITEMSTATE, item, buffer.At()) != 0;
}

bool ListView::ClickCell(int item, int column) const {
    RemoteBuffer buffer(m_hwnd, sizeof(RECT));
    RECT cell{};
    cell.top = column;
    cell.left = LVIR_LABEL;
    if (!buffer.Put(cell) || !Send(m_hwnd, LVM_GETSUBITEMRECT, item, buffer.At()))
        return false;
    cell = buffer.Get<RECT>();
    LPARAM point = MAKELPARAM((cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2);
    return Post(m_hwnd, WM_LBUTTONDOWN, MK_LBUTTON, point) && Post(m_hwnd, WM_LBUTTONUP, 0, point);
}

int ListView::ColumnCount() const {
    return static_cast<int>(Send(reinterpret_cast<HWND>(Send(m_hwnd, LVM_GETHEADER)), HDM_GETITEMCOUNT));
}

int ListView::ColumnWidth(int column) const {
    return static_cast<int>(Send(m_hwnd, LVM_GETCOLUMNWIDTH, column));
}

std::wstring ListView::Heading(int column) const {
    LVCOLUMNW lvc{};
    lvc.mask = LVCF_TEXT;
    return QueryText(m_hwnd, LVM_GETCOLUMNW, column, lvc);
}

} // namespace ui
