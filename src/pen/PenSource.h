#pragma once
// PenSource: the window that lends the current pen to the pages and windows it owns (the
// settings sheet, and the sub-sheets to come). A page finds it through its parent
// window; the pen stays the source's: borrowers use it for one operation and don't
// release it.
#include <windows.h>
#include <wrl/client.h>

#include "framework/Window.h"
#include "pen/PenManager.h"

class PenSource {
public:
    // The current, unlocked pen, or null.
    virtual IPen* GetPen() = 0;
    // A new reference to paired device index (from 0) of the current pen, or null.
    virtual Microsoft::WRL::ComPtr<IPairedDevice> GetPairedDevice(int) { return nullptr; }

    // The pen source behind a window, or null.
    static PenSource* FromWindow(HWND hwnd) { return dynamic_cast<PenSource*>(Window::FromHandle(hwnd)); }

protected:
    ~PenSource() = default;
};
