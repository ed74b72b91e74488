#include "ui/driver/Control.h"

#include "ui/driver/Window.h"

namespace ui {

Control::Control(HWND dialog, int id) : m_hwnd(dialog ? GetDlgItem(dialog, id) : nullptr) {}

int Control::Id() const {
    return GetDlgCtrlID(m_hwnd);
}

std::wstring Control::ClassName() const {
    return ui::ClassName(m_hwnd);
}

std::wstring Control::Text() const {
    if (!m_hwnd)
        return {};
    std::wstring text(static_cast<size_t>(Send(m_hwnd, WM_GETTEXTLENGTH)) + 1, L'\0');
    auto length = Send(m_hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(length));
    return text;
}

bool Control::IsEnabled() const {
    return m_hwnd && IsWindowEnabled(m_hwnd);
}

bool Control::IsVisible() const {
    return m_hwnd && IsWindowVisible(m_hwnd);
}

void Control::SetText(const std::wstring& text) const {
    Send(m_hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void Control::Type(const std::wstring& text) const {
    for (wchar_t c : text)
        Send(m_hwnd, WM_CHAR, c, 1);
}

void Control::SelectAll() const {
    Send(m_hwnd, EM_SETSEL, 0, -1);
}

void Control::Click() const {
    Send(m_hwnd, BM_CLICK);
}

void Control::PostClick() const {
    Post(m_hwnd, BM_CLICK);
}

int Control::CheckState() const {
    return static_cast<int>(Send(m_hwnd, BM_GETCHECK));
}

std::vector<std::wstring> Control::Items() const {
    std::vector<std::wstring> items;
    auto count = Send(m_hwnd, CB_GETCOUNT);
    for (LRESULT i = 0; i < count; ++i) {
        auto length = Send(m_hwnd, CB_GETLBTEXTLEN, i);
        std::wstring text(static_cast<size_t>(length > 0 ? length : 0) + 1, L'\0');
        length = Send(m_hwnd, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text.data()));
        text.resize(static_cast<size_t>(length > 0 ? length : 0));
        items.push_back(text);
    }
    return items;
}

int Control::Selection() const {
    return static_cast<int>(Send(m_hwnd, CB_GETCURSEL));
}

void Control::Select(int index) const {
    Send(m_hwnd, CB_SETCURSEL, index);
    Send(GetParent(m_hwnd), WM_COMMAND, MAKEWPARAM(Id(), CBN_SELCHANGE), reinterpret_cast<LPARAM>(m_hwnd));
}

} // namespace ui
