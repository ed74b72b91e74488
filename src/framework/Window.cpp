#include "framework/Window.h"

#include "core/TraceScope.h"

#include <unordered_map>

namespace {
// The objects of attached windows, by handle. Every message to one of our windows looks
// its object up (and the message pump looks up every ancestor of a message's window): a
// window property would be a call to the server each time under Wine (about 30 µs).
class HandleMap {
public:
    Window* Find(HWND hwnd) {
        AcquireSRWLockShared(&m_lock);
        const auto it = m_windows.find(hwnd);
        Window* window = it == m_windows.end() ? nullptr : it->second;
        ReleaseSRWLockShared(&m_lock);
        return window;
    }
    void Set(HWND hwnd, Window* window) {
        AcquireSRWLockExclusive(&m_lock);
        if (window)
            m_windows[hwnd] = window;
        else
            m_windows.erase(hwnd);
        ReleaseSRWLockExclusive(&m_lock);
    }

private:
    SRWLOCK m_lock = SRWLOCK_INIT;
    std::unordered_map<HWND, Window*> m_windows;
};

// Never destroyed: windows of static objects detach after every static has gone.
HandleMap& Handles() {
    static HandleMap* handles = new HandleMap;
    return *handles;
}
} // namespace

Window::~Window() {
    if (m_hwnd) {
        Unsubclass();
        Detach();
    }
}

Window* Window::FromHandle(HWND hwnd) {
    return hwnd ? Handles().Find(hwnd) : nullptr;
}

bool Window::Attach(HWND hwnd) {
    if (!hwnd || m_hwnd || FromHandle(hwnd))
        return false;
    m_hwnd = hwnd;
    Handles().Set(hwnd, this);
    return true;
}

HWND Window::Detach() {
    HWND hwnd = m_hwnd;
    if (hwnd && FromHandle(hwnd) == this)
        Handles().Set(hwnd, nullptr);
    m_hwnd = nullptr;
    return hwnd;
}

bool Window::Subclass(HWND hwnd) {
    if (!Attach(hwnd))
        return false;
    PreSubclassWindow();
    // The system translates text messages for a procedure by the function that installed
    // it; the same dispatcher serves both kinds.
    const auto proc = reinterpret_cast<LONG_PTR>(&Window::StaticWindowProc);
    m_oldProc = reinterpret_cast<WNDPROC>(m_ansiMessages ? SetWindowLongPtrA(hwnd, GWLP_WNDPROC, proc)
                                                         : SetWindowLongPtrW(hwnd, GWLP_WNDPROC, proc));
    return true;
}

bool Window::SubclassDlgItem(int id, HWND parent) { return Subclass(GetDlgItem(parent, id)); }

void Window::Unsubclass() {
    if (m_hwnd && m_oldProc) {
        const auto proc = reinterpret_cast<LONG_PTR>(m_oldProc);
        if (m_ansiMessages)
            SetWindowLongPtrA(m_hwnd, GWLP_WNDPROC, proc);
        else
            SetWindowLongPtrW(m_hwnd, GWLP_WNDPROC, proc);
        m_oldProc = nullptr;
    }
}

bool Window::RegisterClassFor(const wchar_t* className, UINT style, HICON icon) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    if (GetClassInfoExW(GetModuleHandleW(nullptr), className, &wc))
        return true;
    wc.style = style;
    wc.lpfnWndProc = &Window::StaticWindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hIcon = icon;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = className;
    return RegisterClassExW(&wc) != 0;
}

bool Window::CreateEx(DWORD exStyle, const wchar_t* className, const wchar_t* title, DWORD style, int x, int y,
                      int width, int height, HWND parent, HMENU menu) {
    HWND hwnd = CreateWindowExW(exStyle, className, title, style, x, y, width, height, parent, menu,
                                GetModuleHandleW(nullptr), this);
    return hwnd != nullptr && hwnd == m_hwnd;
}

std::wstring Window::Text() const {
    int length = GetWindowTextLengthW(m_hwnd);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(m_hwnd, text.data(), length + 1)));
    return text;
}

std::wstring Window::ItemText(int id) const {
    HWND item = Item(id);
    int length = GetWindowTextLengthW(item);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(item, text.data(), length + 1)));
    return text;
}

void Window::SendMessageToDescendants(UINT msg, WPARAM wp, LPARAM lp, bool deep) const {
    SendMessageToDescendants(m_hwnd, msg, wp, lp, deep);
}

void Window::SendMessageToDescendants(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, bool deep) {
    for (HWND child = GetTopWindow(hwnd); child; child = GetNextWindow(child, GW_HWNDNEXT)) {
        SendMessageW(child, msg, wp, lp);
        if (deep && GetTopWindow(child))
            SendMessageToDescendants(child, msg, wp, lp, deep);
    }
}

bool Window::PreTranslateMessage(MSG*) { return false; }

LRESULT Window::WindowProc(UINT msg, WPARAM wp, LPARAM lp) { return DefaultProc(msg, wp, lp); }

LRESULT Window::DefaultProc(UINT msg, WPARAM wp, LPARAM lp) {
    if (m_oldProc)
        return m_ansiMessages ? CallWindowProcA(m_oldProc, m_hwnd, msg, wp, lp)
                              : CallWindowProcW(m_oldProc, m_hwnd, msg, wp, lp);
    return DefWindowProcW(m_hwnd, msg, wp, lp);
}

LRESULT Window::Dispatch(UINT msg, WPARAM wp, LPARAM lp) {
    LRESULT result = WindowProc(msg, wp, lp);
    if (msg == WM_NCDESTROY) {
        // The window is gone: hand the old procedure back and forget the handle.
        Unsubclass();
        Detach();
        PostNcDestroy();
    }
    return result;
}

LRESULT CALLBACK Window::StaticWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    TraceScope scope("Window::StaticWindowProc", true);
    Window* window = FromHandle(hwnd);
    if (!window && msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
        window = static_cast<Window*>(cs->lpCreateParams);
        if (window)
            window->Attach(hwnd);
    }
    if (window)
        return window->Dispatch(msg, wp, lp);
    return DefWindowProcW(hwnd, msg, wp, lp);
}

namespace {
constexpr UINT kQuietly = SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW;
}

RebuildScope::RebuildScope(Window& window, bool hide)
    : m_window(window), m_hidden(hide && IsWindowVisible(window)), m_focused(GetFocus() == window.Handle()) {
    m_window.Send(WM_SETREDRAW, FALSE);
    // Hidden and shown without a repaint of what lies beneath: the window covers it
    // again before anything is drawn.
    if (m_hidden)
        SetWindowPos(m_window, nullptr, 0, 0, 0, 0, kQuietly | SWP_HIDEWINDOW);
}

RebuildScope::~RebuildScope() {
    m_window.Send(WM_SETREDRAW, TRUE);
    if (m_hidden)
        SetWindowPos(m_window, nullptr, 0, 0, 0, 0, kQuietly | SWP_SHOWWINDOW);
    if (m_focused && GetFocus() != m_window.Handle())
        SetFocus(m_window);
    RedrawWindow(m_window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
}
