#pragma once
// MyListCtrl: a report-style list view in which single cells behave as links in a web
// page: drawn in the browser's link colours, underlined (or recoloured) under the mouse,
// shown with the hand cursor and activated by a click. The list does not know which cells
// are links; it asks its parent cell by cell with the MLN_* notifications below.
#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>
#include <type_traits>

#include "framework/Window.h"

// Notifications to the parent (WM_NOTIFY, idFrom the list's id, hwndFrom the list).
// NMLISTVIEW with iItem = row, iSubItem = column; answer > 0 when the cell is a link.
constexpr UINT MLN_ISANCHOR = 0x8000;
// NMLISTVIEW as above; answer > 0 when the link has been visited.
constexpr UINT MLN_ISANCHORVISITED = 0x8001;
// NMITEMACTIVATE of the clicked link (ptAction in client coordinates); answer ignored.
constexpr UINT MLN_ANCHORACTIVATE = 0x8002;

class MyListCtrl : public Window {
public:
    MyListCtrl();
    ~MyListCtrl() override;

    // What the parent says about a cell.
    bool IsAnchor(int row, int column);
    bool IsAnchorVisited(int row, int column);
    // The mouse is over that cell.
    bool IsAnchorHover(int row, int column) const;

    // The answer to one stage of the list's NM_CUSTOMDRAW (reflected by the dialog).
    LRESULT OnCustomDraw(NMLVCUSTOMDRAW* draw);

    // A copy of the system's hand cursor (the caller owns it), or null.
    static HCURSOR GetHandCursor();
    // The web browser's per-user link colours and hover switch, or their defaults.
    static COLORREF GetAnchorColor();
    static COLORREF GetAnchorColorVisited();
    static COLORREF GetAnchorColorHover();
    static bool GetUseAnchorColorHover();

    // Typed list view operations.
    int InsertColumn(int column, const std::wstring& heading, int width, int format = LVCFMT_LEFT);
    int InsertItem(int row, const std::wstring& text, int image, LPARAM data = 0);
    bool SetItemText(int row, int column, const std::wstring& text);
    std::wstring GetItemText(int row, int column) const;
    bool SetItemData(int row, LPARAM data);
    LPARAM GetItemData(int row) const;
    int GetItemCount() const;
    UINT GetSelectedCount() const;
    int GetNextItem(int start, UINT flags) const;
    bool DeleteItem(int row);
    bool DeleteAllItems();
    void AddExtendedStyle(DWORD style);
    HIMAGELIST SetImageList(HIMAGELIST images, int which);
    bool GetSubItemRect(int row, int column, int area, RECT& rect) const;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

    // Takes the list's text colour and font as the normal ones.
    void PreSubclassWindow() override;
    LRESULT OnLButtonDown(WPARAM keys, POINT point);
    LRESULT OnLButtonUp(WPARAM keys, POINT point);
    LRESULT OnSetCursor(WPARAM wp, LPARAM lp);
    LRESULT OnMouseMove(WPARAM wp, LPARAM lp);
    LRESULT OnMouseLeave();

private:
    struct FontDeleter {
        void operator()(HFONT font) const { DeleteObject(font); }
    };
    using Font = std::unique_ptr<std::remove_pointer_t<HFONT>, FontDeleter>;

    // The cell under a client point; false (and -1, -1) when there is none.
    bool HitCell(POINT point, int& row, int& column) const;
    void InvalidateCell(int row, int column);
    // Sends an MLN_* notification to the parent; header leads the structure.
    LRESULT NotifyParent(UINT code, NMHDR* header);
    LRESULT AskParent(UINT code, int row, int column);

    int m_hoverRow = -1;
    int m_hoverColumn = -1;
    HCURSOR m_handCursor = nullptr;
    COLORREF m_textColor = 0;
    COLORREF m_anchorColor;
    COLORREF m_visitedColor;
    COLORREF m_hoverColor;
    bool m_useHoverColor;
    Font m_normalFont;
    Font m_underlinedFont;
    bool m_tracking = false;
};
