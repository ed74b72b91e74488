#include "framework/Dialog.h"

#include "core/TraceScope.h"
#include "framework/ModalLoop.h"

INT_PTR Dialog::DoModal() {
    TraceScope scope("Dialog::DoModal");
    m_modal = true;
    // Ended from outside like the close box: OnClose decides what ending means.
    ModalLoop loop([this] {
        if (m_hwnd)
            Send(WM_CLOSE);
    });
    INT_PTR result = DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(m_templateId), m_parent,
                                     &Dialog::StaticDialogProc, reinterpret_cast<LPARAM>(this));
    m_modal = false;
    return result;
}

bool Dialog::Create(HWND parent) {
    TraceScope scope("Dialog::Create");
    if (parent)
        m_parent = parent;
    m_modal = false;
    HWND hwnd = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(m_templateId), m_parent,
                                   &Dialog::StaticDialogProc, reinterpret_cast<LPARAM>(this));
    return hwnd != nullptr;
}

void Dialog::EndDialog(INT_PTR result) {
    if (!m_hwnd)
        return;
    if (m_modal)
        ::EndDialog(m_hwnd, result);
    else
        DestroyWindow(m_hwnd);
}

bool Dialog::PreTranslateMessage(MSG* msg) {
    return !m_modal && m_hwnd && IsDialogMessageW(m_hwnd, msg);
}

bool Dialog::OnCommand(int id, int) {
    switch (id) {
    case IDOK:
        OnOK();
        return true;
    case IDCANCEL:
        OnCancel();
        return true;
    default:
        return false;
    }
}

bool Dialog::OnNotify(NMHDR*) { return false; }

bool Dialog::ReflectNotify(HWND parent, NMHDR* header, LRESULT& result) {
    // Only to our own controls: a notification from elsewhere (the property sheet to its
    // pages) is not a control's, and a dialog that is sent any message loses the result
    // it may be holding for the message it is in the middle of (DWLP_MSGRESULT).
    if (!header || GetParent(header->hwndFrom) != parent || !FromHandle(header->hwndFrom) ||
        GetClassLongPtrW(header->hwndFrom, GCW_ATOM) == reinterpret_cast<ULONG_PTR>(WC_DIALOG))
        return false;
    return SendMessageW(header->hwndFrom, WM_REFLECTED_NOTIFY, reinterpret_cast<WPARAM>(&result),
                        reinterpret_cast<LPARAM>(header)) != 0;
}

void Dialog::OnTimer(UINT_PTR) {}

bool Dialog::OnAppMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

LRESULT Dialog::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    TraceScope scope("Dialog::WindowProc", true);
    switch (msg) {
    case WM_INITDIALOG:
        return OnInitDialog();
    case WM_COMMAND:
        return OnCommand(LOWORD(wp), HIWORD(wp));
    case WM_NOTIFY: {
        LRESULT result = 0;
        if (ReflectNotify(m_hwnd, reinterpret_cast<NMHDR*>(lp), result)) {
            SetMsgResult(result);
            return TRUE;
        }
        return OnNotify(reinterpret_cast<NMHDR*>(lp));
    }
    case WM_CLOSE:
        OnClose();
        return TRUE;
    case WM_DESTROY:
        OnDestroy();
        return FALSE;
    case WM_TIMER:
        OnTimer(wp);
        return TRUE;
    default:
        if (msg >= WM_APP) {
            LRESULT result = 0;
            if (OnAppMessage(msg, wp, lp, result)) {
                SetMsgResult(result);
                return TRUE;
            }
        }
        return FALSE;
    }
}

INT_PTR CALLBACK Dialog::StaticDialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    TraceScope scope("Dialog::StaticDialogProc", true);
    Window* window = FromHandle(hwnd);
    if (!window && msg == WM_INITDIALOG) {
        window = reinterpret_cast<Dialog*>(lp);
        if (window)
            window->Attach(hwnd);
    }
    if (!window)
        return FALSE;
    return static_cast<Dialog*>(window)->Dispatch(msg, wp, lp);
}
