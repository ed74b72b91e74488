#pragma once
// ListView: a report-style list view of another process, read through a buffer in that
// process (its item and column structures do not cross processes by themselves).
#include <windows.h>

#include <string>
#include <vector>

namespace ui {

class ListView {
public:
    explicit ListView(HWND hwnd) : m_hwnd(hwnd) {}
    ListView(HWND dialog, int id);

    HWND Hwnd() const { return m_hwnd; }
    explicit operator bool() const { return m_hwnd != nullptr; }

    int Count() const;
    std::wstring Text(int item, int column = 0) const;
    // Every column of one row.
    std::vector<std::wstring> Row(int item) const;
    int Image(int item) const; // -1 when it can't be read
    bool IsSelected(int item) const;
    int Selected() const; // first selected item, -1 when none
    // Selects and focuses the item (its owner hears LVN_ITEMCHANGED, as from a click).
    bool Select(int item) const;
    // Posts a left click at the middle of a cell, for cells that act on clicks (links).
    bool ClickCell(int item, int column) const;

    int ColumnCount() const;
    int ColumnWidth(int column) const;
    std::wstring Heading(int column) const;

private:
    HWND m_hwnd = nullptr;
};

} // namespace ui
