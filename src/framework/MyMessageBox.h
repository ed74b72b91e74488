#pragma once
// MyMessageBox: a standard message box that its owner can close while it is open. A page
// keeps the box in a member while it asks; a pen message arriving during the box's modal
// loop then answers it with No (Close(IDNO)).
#include <string>

#include "framework/ClosableMessageBox.h"

class MyMessageBox : public ClosableMessageBox {
public:
    explicit MyMessageBox(HWND owner = nullptr) : ClosableMessageBox(owner) {}

    // Shows the box; returns what MessageBoxW returns (IDYES, IDNO, IDOK...).
    int MessageBox(const std::wstring& text, const std::wstring& caption, UINT type);
    // Loads text and caption from the string table.
    int MessageBox(UINT textId, UINT captionId, UINT type);
};
