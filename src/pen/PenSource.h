#pragma once
// PenSource: the window that lends the current pen to the pages and windows it owns (the
// settings sheet, and the sub-sheets to come). A page finds it through its parent
// window; the pen stays the source's: borrowers use it for one operation and don't
// release it.
#include <windows.h>

#include "framework/Window.h"
#include "pen/PenManager.h"

class PenSource {
public:
    // The current, unlocked pen, or null.
    virtual IPen* GetPen() = 0;

    // The pen source behind a window, or null.
    static PenSource* FromWindow(HWND hwnd) { return dynamic_cast<PenSource*>(Window::FromHandle(hwnd)); }

protected:
    ~PenSource() = default;
};
