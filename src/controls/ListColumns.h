#pragma once
// ListColumns: the columns of a list view whose widths the user keeps. Headings come
// from the string table; widths are read from the program's settings when the columns
// are made and written back when the window goes.
#include <windows.h>

#include <span>

struct ListColumn {
    UINT heading;
    const char* widthKey;
    int defaultWidth;
};

void InsertListColumns(HWND list, std::span<const ListColumn> columns);
void SaveListColumnWidths(HWND list, std::span<const ListColumn> columns);
