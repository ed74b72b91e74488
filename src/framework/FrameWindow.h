#pragma once
// FrameWindow: a top-level window of the framework's default frame class. Closing it
// destroys it, after ending the modal loops of its thread; destroying the application's
// main window ends the message loop.
#include "framework/Window.h"

class FrameWindow : public Window {
public:
    static constexpr const wchar_t* kClassName = L"QuillpadFrame";

    // Creates the window (not shown).
    bool Create(const wchar_t* title, DWORD style, HWND parent = nullptr);

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    // Return -1 to refuse the creation.
    virtual int OnCreate(CREATESTRUCTW*) { return 0; }
    virtual void OnDestroy() {}
    // WM_COMMAND; return true when handled.
    virtual bool OnCommand(int, int) { return false; }
};
