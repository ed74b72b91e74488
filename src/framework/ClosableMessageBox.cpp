#include "framework/ClosableMessageBox.h"

#include "core/TraceScope.h"
#include "framework/ModalLoop.h"

namespace {
struct HookState {
    HHOOK hook = nullptr;
    ClosableMessageBox* box = nullptr;
    HWND* target = nullptr;
};
thread_local HookState t_hook;
} // namespace

int ClosableMessageBox::Show(const std::wstring& text, const std::wstring& caption, UINT type) {
    TraceScope scope("ClosableMessageBox::Show");
    HookState saved = t_hook; // a box may open while another one of this thread is open
    t_hook.box = this;
    t_hook.target = &m_hwnd;
    // Ended from outside, a question is answered No: nothing the user did not confirm.
    const UINT buttons = type & MB_TYPEMASK;
    ModalLoop loop([this, buttons] { Close(buttons == MB_YESNO || buttons == MB_YESNOCANCEL ? IDNO : IDCANCEL); });
    t_hook.hook = SetWindowsHookExW(WH_CBT, &ClosableMessageBox::CbtHook, nullptr, GetCurrentThreadId());
    int result = MessageBoxW(m_owner, text.c_str(), caption.c_str(), type);
    if (t_hook.hook)
        UnhookWindowsHookEx(t_hook.hook);
    t_hook = saved;
    m_hwnd = nullptr;
    return result;
}

void ClosableMessageBox::Close(int buttonId) {
    TraceScope scope("ClosableMessageBox::Close");
    if (m_hwnd)
        SendMessageW(m_hwnd, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED), 0);
}

LRESULT CALLBACK ClosableMessageBox::CbtHook(int code, WPARAM wp, LPARAM lp) {
    TraceScope scope("ClosableMessageBox::CbtHook", true);
    HHOOK hook = t_hook.hook;
    if (code == HCBT_CREATEWND && t_hook.box) {
        auto* create = reinterpret_cast<CBT_CREATEWNDW*>(lp);
        // The box is the first dialog-class window created on this thread.
        if (create->lpcs->lpszClass == MAKEINTATOM(32770) ||
            (!IS_INTRESOURCE(create->lpcs->lpszClass) && lstrcmpW(create->lpcs->lpszClass, L"#32770") == 0)) {
            HWND hwnd = reinterpret_cast<HWND>(wp);
            ClosableMessageBox* box = t_hook.box;
            *t_hook.target = hwnd;
            t_hook.box = nullptr;
            box->OnBoxCreated(hwnd);
        }
    }
    return CallNextHookEx(hook, code, wp, lp);
}
