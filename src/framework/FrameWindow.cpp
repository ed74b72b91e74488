#include "framework/FrameWindow.h"

#include "core/TraceScope.h"
#include "framework/ModalLoop.h"
#include "framework/WinApp.h"

bool FrameWindow::Create(const wchar_t* title, DWORD style, HWND parent) {
    TraceScope scope("FrameWindow::Create");
    if (!RegisterClassFor(kClassName, CS_DBLCLKS))
        return false;
    return CreateEx(0, kClassName, title, style, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                    parent, nullptr);
}

LRESULT FrameWindow::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    TraceScope scope("FrameWindow::WindowProc", true);
    switch (msg) {
    case WM_CREATE:
        return OnCreate(reinterpret_cast<CREATESTRUCTW*>(lp));
    case WM_CLOSE:
        // Closed from outside (the console, another program) while a dialog or a
        // question of ours runs: destroying now would free what that loop still uses.
        // End the loops, and close once the stack has unwound.
        if (ModalLoop::AnyRunning()) {
            scope.trace("Closing after the open dialogs.");
            ModalLoop::EndAll();
            Post(WM_CLOSE);
            return 0;
        }
        break;
    case WM_DESTROY:
        OnDestroy();
        return 0;
    case WM_NCDESTROY: {
        WinApp* app = WinApp::Current();
        if (app && app->MainWindow() == this)
            PostQuitMessage(0);
        return DefaultProc(msg, wp, lp);
    }
    case WM_COMMAND:
        if (OnCommand(LOWORD(wp), HIWORD(wp)))
            return 0;
        break;
    }
    return DefaultProc(msg, wp, lp);
}
