#pragma once
// Window: the C++ object behind an HWND. The object is found from the handle through a
// process-wide map, so attached, subclassed and self-created windows all dispatch to the
// virtual WindowProc of their object.
#include <windows.h>
#include <string>

class Window {
public:
    Window() = default;
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    HWND Handle() const { return m_hwnd; }
    operator HWND() const { return m_hwnd; }

    // The object attached to hwnd, or null.
    static Window* FromHandle(HWND hwnd);

    // Associates the object with an existing window without changing its procedure.
    bool Attach(HWND hwnd);
    HWND Detach();
    // Routes the window's messages through this object; the old procedure becomes the
    // default processing. PreSubclassWindow runs first, with the handle already attached.
    bool Subclass(HWND hwnd);
    bool SubclassDlgItem(int id, HWND parent);
    void Unsubclass();

    // Creates a window of a class registered by RegisterClassFor (or any class whose
    // creation parameters carry this object).
    bool CreateEx(DWORD exStyle, const wchar_t* className, const wchar_t* title, DWORD style, int x, int y,
                  int width, int height, HWND parent, HMENU menu);
    // Registers a window class whose procedure dispatches to Window objects.
    static bool RegisterClassFor(const wchar_t* className, UINT style = 0, HICON icon = nullptr);

    // Typed helpers.
    HWND Item(int id) const { return GetDlgItem(m_hwnd, id); }
    std::wstring Text() const;
    std::wstring ItemText(int id) const;
    void SetText(const std::wstring& text) { SetWindowTextW(m_hwnd, text.c_str()); }
    void SetItemText(int id, const std::wstring& text) { SetDlgItemTextW(m_hwnd, id, text.c_str()); }
    void Enable(bool enable = true) { EnableWindow(m_hwnd, enable); }
    void EnableItem(int id, bool enable = true) { EnableWindow(Item(id), enable); }
    void Show(int cmd = SW_SHOW) { ShowWindow(m_hwnd, cmd); }
    bool IsVisible() const { return m_hwnd && IsWindowVisible(m_hwnd); }
    bool IsWindow() const { return m_hwnd && ::IsWindow(m_hwnd); }
    LRESULT Send(UINT msg, WPARAM wp = 0, LPARAM lp = 0) const { return SendMessageW(m_hwnd, msg, wp, lp); }
    bool Post(UINT msg, WPARAM wp = 0, LPARAM lp = 0) const { return PostMessageW(m_hwnd, msg, wp, lp) != FALSE; }
    bool Destroy() { return m_hwnd && DestroyWindow(m_hwnd); }
    // Sends msg to every child (and, when deep, to their children too).
    void SendMessageToDescendants(UINT msg, WPARAM wp = 0, LPARAM lp = 0, bool deep = true) const;
    static void SendMessageToDescendants(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, bool deep);

    // Gives the window a chance to handle a queued message before it is dispatched
    // (dialog keyboard navigation). Returns true when the message was consumed.
    virtual bool PreTranslateMessage(MSG* msg);

    // Whether the subclassed window's messages arrive with ANSI text (the procedure was
    // installed as an ANSI one); otherwise they carry UTF-16.
    bool AnsiMessages() const { return m_ansiMessages; }

protected:
    // Set-up of a subclassing object, before its procedure takes over. It may ask for
    // ANSI messages (m_ansiMessages), as controls written for the 9x family do.
    virtual void PreSubclassWindow() {}
    virtual LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp);
    LRESULT DefaultProc(UINT msg, WPARAM wp, LPARAM lp);
    // Called after the last message (WM_NCDESTROY) once the handle is detached.
    virtual void PostNcDestroy() {}

    // The shared procedure of windows created through RegisterClassFor and of
    // subclassed windows.
    static LRESULT CALLBACK StaticWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT Dispatch(UINT msg, WPARAM wp, LPARAM lp);

    HWND m_hwnd = nullptr;
    WNDPROC m_oldProc = nullptr; // set while subclassed
    bool m_ansiMessages = false; // the procedure was installed with SetWindowLongPtrA
};

// While it lives, a window's changes are not drawn: for rebuilding a list. Drawing is
// off (WM_SETREDRAW), and with `hide` a shown window is hidden as well: Wine's list view
// draws the scroll bars of a shown list at once on every change and on turning drawing
// back on (about 5 ms a time); a hidden one it leaves alone. Hide only for a rebuild that
// handles no message and calls nothing out, or the background shows meanwhile.
// Afterwards the window is shown again, with the focus it had, and repainted once.
class RebuildScope {
public:
    explicit RebuildScope(Window& window, bool hide = true);
    ~RebuildScope();
    RebuildScope(const RebuildScope&) = delete;
    RebuildScope& operator=(const RebuildScope&) = delete;

private:
    Window& m_window;
    bool m_hidden;
    bool m_focused;
};
