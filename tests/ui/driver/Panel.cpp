#include "ui/driver/Panel.h"

#include "ui/driver/Control.h"
#include "ui/driver/Window.h"

namespace ui {

HWND FindDialog(DWORD pid, const wchar_t* caption) {
    for (HWND hwnd : TopWindows(pid, L"#32770"))
        if (Control(hwnd).Text() == caption)
            return hwnd;
    return nullptr;
}

} // namespace ui
