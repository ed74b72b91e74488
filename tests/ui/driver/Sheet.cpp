#include "ui/driver/Sheet.h"

#include <commctrl.h>
#include <prsht.h>

#include "ui/driver/RemoteBuffer.h"
#include "ui/driver/Window.h"

namespace ui {

Sheet Sheet::Find(DWORD pid, const std::wstring& caption, DWORD timeoutMs) {
    Sheet found;
    WaitUntil(
        [&] {
            for (HWND hwnd : TopWindows(pid, L"#32770")) {
                Sheet candidate(hwnd);
                if (candidate.Caption() == caption && candidate.IsReady()) {
                    found = candidate;
                    return true;
                }
            }
            return false;
        },
        timeoutMs);
    return found;
}

bool Sheet::IsReady() const {
    HWND page = CurrentPage();
    return IsVisible() && page && IsWindowVisible(page);
}

bool Sheet::WaitClosed(DWORD timeoutMs) const {
    return WaitUntil([&] { return !IsWindow(m_hwnd); }, timeoutMs);
}

HWND Sheet::CurrentPage() const {
    return reinterpret_cast<HWND>(Send(m_hwnd, PSM_GETCURRENTPAGEHWND));
}

int Sheet::CurrentIndex() const {
    HWND page = CurrentPage();
    return page ? static_cast<int>(Send(m_hwnd, PSM_HWNDTOINDEX, reinterpret_cast<WPARAM>(page))) : -1;
}

std::wstring Sheet::CurrentCaption() const {
    return TabCaption(CurrentIndex());
}

HWND Sheet::Tabs() const {
    return reinterpret_cast<HWND>(Send(m_hwnd, PSM_GETTABCONTROL));
}

int Sheet::PageCount() const {
    return static_cast<int>(Send(Tabs(), TCM_GETITEMCOUNT));
}

std::wstring Sheet::TabCaption(int index) const {
    HWND tabs = Tabs();
    if (!tabs || index < 0)
        return {};
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    return QueryText(tabs, TCM_GETITEMW, index, item);
}

std::vector<std::wstring> Sheet::TabCaptions() const {
    std::vector<std::wstring> captions;
    for (int i = 0, count = PageCount(); i < count; ++i)
        captions.push_back(TabCaption(i));
    return captions;
}

int Sheet::IndexOf(const std::wstring& tabCaption) const {
    auto captions = TabCaptions();
    for (size_t i = 0; i < captions.size(); ++i)
        if (captions[i] == tabCaption)
            return static_cast<int>(i);
    return -1;
}

bool Sheet::SelectPage(int index, DWORD timeoutMs) const {
    return index >= 0 && Post(m_hwnd, PSM_SETCURSEL, index, 0) && WaitPage(index, timeoutMs);
}

bool Sheet::SelectPage(const std::wstring& tabCaption, DWORD timeoutMs) const {
    return SelectPage(IndexOf(tabCaption), timeoutMs);
}

bool Sheet::ClickTab(int index, DWORD timeoutMs) const {
    HWND tabs = Tabs();
    RemoteBuffer buffer(tabs, sizeof(RECT));
    if (!tabs || !Send(tabs, TCM_GETITEMRECT, index, buffer.At()))
        return false;
    RECT tab = buffer.Get<RECT>();
    LPARAM point = MAKELPARAM((tab.left + tab.right) / 2, (tab.top + tab.bottom) / 2);
    return Post(tabs, WM_LBUTTONDOWN, MK_LBUTTON, point) && Post(tabs, WM_LBUTTONUP, 0, point) &&
           WaitPage(index, timeoutMs);
}

bool Sheet::WaitPage(int index, DWORD timeoutMs) const {
    return WaitUntil([&] { return CurrentIndex() == index && IsReady(); }, timeoutMs);
}

} // namespace ui
