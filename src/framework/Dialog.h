#pragma once
// Dialog: a dialog-template window, modal (DoModal) or modeless (Create). Messages are
// routed to virtual handlers; a handler's return value is the dialog procedure's.
#include "framework/Window.h"

// A WM_NOTIFY handed back to the control that sent it, before the dialog's own OnNotify,
// when the control has a Window object: controls that draw themselves answer their own
// NM_CUSTOMDRAW. wParam: LRESULT* for the answer; lParam: the NMHDR. The control returns
// TRUE when it handled the notification (the answer then goes back to the sender).
constexpr UINT WM_REFLECTED_NOTIFY = 0x2000 + WM_NOTIFY;

class Dialog : public Window {
public:
    explicit Dialog(UINT templateId, HWND parent = nullptr) : m_templateId(templateId), m_parent(parent) {}

    // Runs the dialog modally; returns what EndDialog was given, or -1.
    INT_PTR DoModal();
    // Creates the dialog modeless (not shown unless the template says WS_VISIBLE).
    bool Create(HWND parent = nullptr);
    void EndDialog(INT_PTR result);

    bool PreTranslateMessage(MSG* msg) override;

    // Offers a notification of one of parent's controls to the control's own object
    // (WM_REFLECTED_NOTIFY); true when the control answered it.
    static bool ReflectNotify(HWND parent, NMHDR* header, LRESULT& result);

protected:
    virtual BOOL OnInitDialog() { return TRUE; }
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }
    // Returns true when the command was handled.
    virtual bool OnCommand(int id, int code);
    // Returns true when handled; the result goes to DWLP_MSGRESULT through SetMsgResult.
    virtual bool OnNotify(NMHDR* header);
    virtual void OnClose() { OnCancel(); }
    virtual void OnDestroy() {}
    virtual void OnTimer(UINT_PTR id);
    // Application messages (WM_APP and above, registered messages): the pen messages.
    virtual bool OnAppMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);

    void SetMsgResult(LRESULT result) { SetWindowLongPtrW(m_hwnd, DWLP_MSGRESULT, result); }
    bool IsModal() const { return m_modal; }

    // The dialog procedure's view of WindowProc: returns non-zero when handled.
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    // A dialog's default processing is the system dialog procedure, reached by
    // answering "not handled".
    static INT_PTR CALLBACK StaticDialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

    UINT m_templateId;
    HWND m_parent;

private:
    bool m_modal = false;
};
