#include "controls/ListColumns.h"

#include <commctrl.h>

#include <string>

#include "core/Settings.h"
#include "framework/ResourceText.h"

void InsertListColumns(HWND list, std::span<const ListColumn> columns) {
    Settings& settings = Settings::instance();
    for (int i = 0; i < static_cast<int>(columns.size()); ++i) {
        std::wstring heading = LoadResString(columns[i].heading);
        LVCOLUMNW column{};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        column.fmt = LVCFMT_LEFT;
        column.cx = settings.readNumber(columns[i].widthKey, columns[i].defaultWidth);
        column.pszText = heading.data();
        column.iSubItem = i;
        SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&column));
    }
}

void SaveListColumnWidths(HWND list, std::span<const ListColumn> columns) {
    Settings& settings = Settings::instance();
    for (int i = 0; i < static_cast<int>(columns.size()); ++i)
        settings.writeNumber(columns[i].widthKey, static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH,
                                                                                static_cast<WPARAM>(i), 0)));
}
