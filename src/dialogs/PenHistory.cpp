#include "dialogs/PenHistory.h"

#include <algorithm>
#include <cwchar>
#include <iterator>
#include <string>

#include "pen/HResultToMessage.h"
#include "core/Settings.h"
#include "core/StringPackage.h"
#include "core/WinUtil.h"
#include "framework/Bstr.h"
#include "framework/ResourceText.h"
#include "framework/Variant.h"
#include "pen/MyPens.h"
#include "pen/PenSource.h"
#include "controls/ListColumns.h"
#include "res/resource.h"

using Microsoft::WRL::ComPtr;

namespace {

// Placement keys; a value of kNotStored means the window has never been saved.
constexpr int kNotStored = 0x7FFFFFFF;
const char kLeftKey[] = "Windows/History/Left";
const char kTopKey[] = "Windows/History/Top";
const char kRightKey[] = "Windows/History/Right";
const char kBottomKey[] = "Windows/History/Bottom";

constexpr ListColumn kColumns[] = {
    {IDS_COLUMN_SERVICE, "Windows/History/Outbox/Service", 75},
    {IDS_COLUMN_DATE, "Windows/History/Outbox/Date", 125},
    {IDS_COLUMN_URL, "Windows/History/Outbox/Url", 100},
    {IDS_COLUMN_MESSAGE, "Windows/History/Outbox/Message", 200},
};
constexpr int kUrlColumn = 2;

// Row icons in image-list order; a request's status picks one of them.
constexpr UINT kRowIcons[] = {IDI_QUILLPAD, IDI_OUTBOX_STATUS1, IDI_OUTBOX_STATUS2, IDI_OUTBOX_STATUS3,
                              IDI_OUTBOX_UNKNOWN};
constexpr LONG kHiddenStatus = 3;
// The answer of a request that was delivered but refused: it still carries a link.
constexpr LONG kResultWithLink = static_cast<LONG>(0x80040322);

constexpr int kMinWidth = 320;
constexpr int kMinHeight = 240;

unsigned Hex(HRESULT hr) { return static_cast<unsigned>(hr); }

int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }

int ImageForStatus(LONG status) {
    if (status == -1)
        return 4;
    return status >= 0 && status <= 3 ? static_cast<int>(status) : -1;
}

// Milliseconds since 1970 as local "YYYY-MM-DD hh:mm:ss"; empty when out of range.
std::wstring FormatTimeStamp(int64_t timeStamp) {
    const int64_t ticks = (timeStamp + 11644473600000LL) * 10000; // 100 ns since 1601
    if (ticks < 0)
        return {};
    ULARGE_INTEGER value;
    value.QuadPart = static_cast<ULONGLONG>(ticks);
    const FILETIME fileTime{value.LowPart, value.HighPart};
    SYSTEMTIME utc, local;
    if (!FileTimeToSystemTime(&fileTime, &utc) || !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local))
        return {};
    wchar_t text[32];
    swprintf(text, 32, L"%04u-%02u-%02u %02u:%02u:%02u", local.wYear, local.wMonth, local.wDay, local.wHour,
             local.wMinute, local.wSecond);
    return text;
}

// A child's rectangle in its dialog's client coordinates.
RECT ChildRect(HWND dialog, HWND child) {
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// Moves the window, keeping its size, so that it lies inside the work area of the monitor
// nearest to it (what DM_REPOSITION does on Windows; Wine's dialog procedure ignores that
// message). Left and top win over right and bottom, so the title bar stays reachable.
void KeepInWorkArea(HWND hwnd) {
    RECT window;
    GetWindowRect(hwnd, &window);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromRect(&window, MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT& work = monitor.rcWork;
    const int x = std::max<int>(work.left, std::min<int>(window.left, work.right - Width(window)));
    const int y = std::max<int>(work.top, std::min<int>(window.top, work.bottom - Height(window)));
    if (x != window.left || y != window.top)
        SetWindowPos(hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Centres the window over its owner, or on the work area when the owner isn't shown.
void CenterWindow(HWND hwnd, HWND owner) {
    const bool overOwner = owner && IsWindowVisible(owner) && !IsIconic(owner);
    RECT center;
    if (overOwner) {
        GetWindowRect(owner, &center);
    } else {
        MONITORINFO monitor{};
        monitor.cbSize = sizeof monitor;
        GetMonitorInfoW(MonitorFromWindow(hwnd, MONITOR_DEFAULTTOPRIMARY), &monitor);
        center = monitor.rcWork;
    }
    RECT window;
    GetWindowRect(hwnd, &window);
    SetWindowPos(hwnd, nullptr, center.left + (Width(center) - Width(window)) / 2,
                 center.top + (Height(center) - Height(window)) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    KeepInWorkArea(hwnd);
}

} // namespace

PenHistory::PenHistory() : Dialog(IDD_HISTORY) {}

PenHistory::~PenHistory() {
    if (m_hwnd)
        Destroy();
}

bool PenHistory::Create(HWND owner) {
    TraceScope scope("PenHistory::Create");
    m_owner = owner;
    return Dialog::Create(owner);
}

IPen* PenHistory::GetPen() const {
    PenSource* source = PenSource::FromWindow(m_owner);
    return source ? source->GetPen() : nullptr;
}

PenHistory::RowRecord* PenHistory::Record(int row) const {
    return row < 0 ? nullptr : reinterpret_cast<RowRecord*>(m_list.GetItemData(row));
}

HICON PenHistory::LoadIcon(UINT id, int width, int height) {
    TraceScope scope("PenHistory::LoadIcon");
    auto icon = static_cast<HICON>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_ICON, width, height, LR_SHARED));
    if (!icon)
        scope.warning("Failed to load icon.");
    return icon;
}

HICON PenHistory::LoadIcon(UINT id) {
    return LoadIcon(id, GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON));
}

BOOL PenHistory::OnInitDialog() {
    TraceScope scope("PenHistory::OnInitDialog");
    const BOOL result = Dialog::OnInitDialog();

    if (HICON small = LoadIcon(IDI_QUILLPAD))
        Send(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
    if (HICON big = LoadIcon(IDI_QUILLPAD, GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON)))
        Send(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));

    m_initialised = true;
    GetWindowRect(m_hwnd, &m_windowRect);

    Settings& settings = Settings::instance();
    const int left = settings.readNumber(kLeftKey, kNotStored);
    const int top = settings.readNumber(kTopKey, kNotStored);
    const int right = settings.readNumber(kRightKey, kNotStored);
    const int bottom = settings.readNumber(kBottomKey, kNotStored);
    if (left != kNotStored && top != kNotStored && right != kNotStored && bottom != kNotStored) {
        SetWindowPos(m_hwnd, nullptr, left, top, right - left, bottom - top, SWP_NOZORDER | SWP_NOACTIVATE);
        // A placement saved on a larger or another desktop comes back into view.
        KeepInWorkArea(m_hwnd);
    } else {
        CenterWindow(m_hwnd, m_owner);
    }

    if (!m_list.SubclassDlgItem(IDC_HISTORY_LIST, m_hwnd))
        return FALSE;

    m_images.reset(ImageList_Create(GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON),
                                    ILC_COLOR32 | ILC_MASK, 0, 5));
    for (UINT id : kRowIcons)
        ImageList_AddIcon(m_images.get(), LoadIcon(id));
    m_list.SetImageList(m_images.get(), LVSIL_SMALL);
    m_list.AddExtendedStyle(LVS_EX_FULLROWSELECT | LVS_EX_LABELTIP);

    InsertListColumns(m_list.Handle(), kColumns);
    // The rows are loaded each time the window is shown.
    return result;
}

ComPtr<IOutbox> PenHistory::GetOutbox() {
    TraceScope scope("PenHistory::GetOutbox");
    IPen* pen = GetPen();
    if (!pen)
        return nullptr;
    ComPtr<IOutbox> outbox;
    const HRESULT hr = pen->GetOutbox(&outbox);
    if (FAILED(hr) || !outbox) {
        scope.warning("Failed to get outbox (0x%08x).", Hex(hr));
        return nullptr;
    }
    return outbox;
}

void PenHistory::UpdatePage() {
    TraceScope scope("PenHistory::UpdatePage");
    m_list.DeleteAllItems();
    if (ComPtr<IOutbox> outbox = GetOutbox()) {
        LONG count = 0;
        const HRESULT hr = outbox->GetCount(&count);
        if (FAILED(hr))
            scope.warning("Failed to number of items (0x%08x).", Hex(hr));
        else {
            // Drawn once at the end: row by row, a thousand rows took seconds. Not hidden
            // meanwhile: the rows come from pen calls.
            RebuildScope rebuild(m_list, false);
            for (LONG i = 0; i < count; ++i)
                LoadRow(outbox.Get(), i, scope);
        }
    }
    OnUpdateUI();
}

void PenHistory::LoadRow(IOutbox* outbox, LONG index, TraceScope& scope) {
    Variant value;
    HRESULT hr = outbox->GetItem(index + 1, value.Out());
    if (FAILED(hr)) {
        scope.warning("Failed getting item %d (0x%08x).", static_cast<int>(index), Hex(hr));
        return;
    }
    IUnknown* unknown = value.AsUnknown();
    if (!unknown) {
        scope.warning("Unable to convert outbox item to IUnknown.");
        return;
    }
    ComPtr<IOutboxItem> item;
    hr = unknown->QueryInterface(IID_PPV_ARGS(&item));
    if (FAILED(hr) || !item) {
        scope.warning("QueryInterface on outbox item failed. (0x%08x).", Hex(hr));
        return;
    }

    // Each value on its own: one that can't be read leaves only its column empty.
    LONG status = 0;
    int image = -1;
    hr = item->GetStatus(&status);
    if (FAILED(hr)) {
        scope.warning("Failed to status (0x%08x).", Hex(hr));
        status = 0;
    } else {
        image = ImageForStatus(status);
    }

    std::wstring service;
    Bstr name;
    hr = item->GetServiceName(name.Out());
    if (FAILED(hr))
        scope.warning("Failed to get service name. (0x%08x).", Hex(hr));
    else
        service = name.Str();
    if (service.empty()) {
        // Unnamed requests are told apart by where the service runs.
        LONG tabbet = 0;
        hr = item->GetTabbet(&tabbet);
        if (FAILED(hr)) {
            scope.warning("Failed to get tabbet. (0x%08x).", Hex(hr));
        } else {
            VARIANT_BOOL network = VARIANT_FALSE;
            hr = item->IsNetworkService(&network);
            if (FAILED(hr))
                scope.warning("Failed to check if network service. (0x%08x).", Hex(hr));
            else
                service = LoadResString(network ? IDS_SERVICE_INTERNET : IDS_SERVICE_LOCAL);
        }
    }

    int64_t timeStamp = -1;
    LONG seconds = 0;
    hr = item->GetTimeSeconds(&seconds);
    if (FAILED(hr)) {
        scope.warning("Failed to get timestamp part #1. (0x%08x).", Hex(hr));
    } else {
        LONG milliseconds = 0;
        hr = item->GetTimeMilliseconds(&milliseconds);
        if (FAILED(hr))
            scope.warning("Failed to get timestamp part #2. (0x%08x).", Hex(hr));
        else
            timeStamp = static_cast<int64_t>(seconds) * 1000 + milliseconds;
    }
    const std::wstring date = timeStamp == -1 ? std::wstring() : FormatTimeStamp(timeStamp);

    std::wstring url, message;
    bool visited = false;
    LONG result = 0;
    hr = item->GetResult(&result);
    if (FAILED(hr) || (result != 0 && result != kResultWithLink)) {
        // Without the result the reason it can't be read is the best we can tell.
        message = HResultToMessage(FAILED(hr) ? hr : static_cast<HRESULT>(result));
    } else {
        Bstr text;
        hr = item->GetUrl(text.Out());
        if (FAILED(hr)) {
            scope.warning("Failed to get url. (0x%08x).", Hex(hr));
        } else {
            url = text.Str();
            VARIANT_BOOL isVisited = VARIANT_FALSE;
            hr = item->IsVisited(&isVisited);
            if (FAILED(hr))
                scope.warning("Failed to get visited. (0x%08x).", Hex(hr));
            else
                visited = isVisited != VARIANT_FALSE;
        }
        hr = item->GetMessage(text.Out());
        if (FAILED(hr))
            scope.warning("Failed to get message. (0x%08x).", Hex(hr));
        else
            message = text.Str();
    }

    if (status == kHiddenStatus)
        return;
    auto record = std::make_unique<RowRecord>();
    record->timeStamp = timeStamp;
    record->visited = visited;
    // The record goes in with the row: set afterwards, it is a change the list reports.
    const int row =
        m_list.InsertItem(m_list.GetItemCount(), service, image, reinterpret_cast<LPARAM>(record.get()));
    if (row < 0)
        return;
    record.release(); // the row owns it now; OnDeleteItem frees it
    m_list.SetItemText(row, 1, date);
    m_list.SetItemText(row, kUrlColumn, url);
    m_list.SetItemText(row, 3, message);
}

void PenHistory::OnUpdateUI() {
    TraceScope scope("PenHistory::OnUpdateUI");
    m_list.Enable(GetPen() != nullptr);
    EnableItem(IDC_REMOVE_ITEM, m_list.GetSelectedCount() != 0);
}

LRESULT PenHistory::OnItemChanged() {
    TraceScope scope("PenHistory::OnItemChanged");
    OnUpdateUI();
    return 0;
}

LRESULT PenHistory::OnItemActivate() {
    TraceScope scope("PenHistory::OnItemActivate");
    return 0;
}

LRESULT PenHistory::OnAnchor(const NMLISTVIEW* cell) {
    TraceScope scope("PenHistory::OnAnchor", true);
    return cell->iSubItem == kUrlColumn && !m_list.GetItemText(cell->iItem, kUrlColumn).empty() ? 1 : 0;
}

LRESULT PenHistory::OnAnchorVisited(const NMLISTVIEW* cell) {
    TraceScope scope("PenHistory::OnAnchorVisited", true);
    const RowRecord* record = Record(cell->iItem);
    return record && record->visited ? 1 : 0;
}

LRESULT PenHistory::OnAnchorActivate(const NMITEMACTIVATE* cell) {
    TraceScope scope("PenHistory::OnAnchorActivate");
    if (cell->iSubItem != kUrlColumn)
        return 0;
    const int row = cell->iItem;
    const std::wstring url = m_list.GetItemText(row, kUrlColumn);
    if (url.empty() || !WinUtil::openUrl(StringPackage::wideToUtf8(url), true))
        return 0;
    const RowRecord* record = Record(row);
    if (!record)
        return 0;
    const int64_t timeStamp = record->timeStamp;
    ComPtr<IOutbox> outbox = GetOutbox();
    if (!outbox)
        return 0;
    const auto stamp = static_cast<uint64_t>(timeStamp);
    ComPtr<IOutboxItem> item;
    HRESULT hr = outbox->GetItemByTime(static_cast<LONG>(stamp / 1000), static_cast<LONG>(stamp % 1000), &item);
    if (FAILED(hr)) {
        scope.warning("Failed to get outbox item (0x%08x).", Hex(hr));
        return 0;
    }
    hr = item->SetVisited(VARIANT_TRUE);
    if (FAILED(hr)) {
        scope.warning("Failed to set visited (0x%08x).", Hex(hr));
        return 0;
    }
    // The calls above let sent messages in (a reload): find the row's record again.
    if (RowRecord* current = Record(row); current && current->timeStamp == timeStamp)
        current->visited = true;
    return 0;
}

LRESULT PenHistory::OnDeleteItem(const NMLISTVIEW* row) {
    TraceScope scope("PenHistory::OnDeleteItem");
    delete reinterpret_cast<RowRecord*>(row->lParam);
    return 0;
}

void PenHistory::OnRemoveItem() {
    TraceScope scope("PenHistory::OnRemoveItem");
    const int row = m_list.GetNextItem(-1, LVNI_SELECTED);
    const RowRecord* record = Record(row);
    if (!record)
        return;
    // The question runs a message loop: a reload may free the record meanwhile.
    const int64_t timeStamp = record->timeStamp;
    ComPtr<IOutbox> outbox = GetOutbox();
    if (!outbox)
        return;

    m_messageBox = std::make_unique<MyMessageBox>(m_hwnd);
    const int answer = m_messageBox->MessageBox(IDS_REMOVE_QUESTION, IDS_REMOVE_CAPTION, MB_YESNO);
    if (answer == IDYES && m_hwnd) {
        const auto stamp = static_cast<uint64_t>(timeStamp);
        ComPtr<IOutboxItem> item;
        HRESULT hr =
            outbox->GetItemByTime(static_cast<LONG>(stamp / 1000), static_cast<LONG>(stamp % 1000), &item);
        if (FAILED(hr)) {
            scope.warning("Failed to get outbox item. (0x%08x).", Hex(hr));
        } else {
            hr = item->Remove();
            if (FAILED(hr)) {
                scope.warning("Failed to remove the outbox item. (0x%08x).", Hex(hr));
            } else {
                m_list.DeleteItem(row);
                OnUpdateUI();
            }
        }
    }
    m_messageBox.reset();
}

LRESULT PenHistory::OnPenDocked(const char* penId, LPARAM) {
    TraceScope scope("PenHistory::OnPenDocked");
    scope.trace("Pen %s docked.", penId ? penId : "");
    OnPenChanged();
    return 0;
}

LRESULT PenHistory::OnPenUndocked(const char* penId, LPARAM) {
    TraceScope scope("PenHistory::OnPenUndocked");
    scope.trace("Pen %s undocked.", penId ? penId : "");
    OnPenChanged();
    return 0;
}

void PenHistory::OnPenChanged() {
    if (IsVisible())
        UpdatePage();
    // A question about a row of the pen that went counts as answered No.
    if (m_messageBox && m_messageBox->IsOpen())
        m_messageBox->Close(IDNO);
}

void PenHistory::OnShowWindow(bool shown) {
    TraceScope scope("PenHistory::OnShowWindow");
    if (shown)
        UpdatePage();
}

bool PenHistory::HideWindow() {
    Show(SW_HIDE);
    if (m_owner && IsWindowVisible(m_owner))
        return false;
    // The log was the only window left: the program goes.
    if (m_owner)
        PostMessageW(m_owner, WM_CLOSE, 0, 0);
    return true;
}

void PenHistory::OnClose() {
    TraceScope scope("PenHistory::OnClose");
    if (HideWindow())
        Destroy();
}

void PenHistory::OnOK() {
    TraceScope scope("PenHistory::OnOK");
    if (HideWindow())
        Dialog::OnOK();
}

// Escape closes the log like its close box.
void PenHistory::OnCancel() { OnClose(); }

void PenHistory::OnMove() {
    TraceScope scope("PenHistory::OnMove");
    RECT now;
    GetWindowRect(m_hwnd, &now);
    OffsetRect(&m_windowRect, now.left - m_windowRect.left, now.top - m_windowRect.top);
}

void PenHistory::OnSize(UINT type) {
    TraceScope scope("PenHistory::OnSize");
    if (!m_initialised || (type != SIZE_RESTORED && type != SIZE_MAXIMIZED))
        return;
    RECT now;
    GetWindowRect(m_hwnd, &now);
    const int dx = Width(now) - Width(m_windowRect);
    const int dy = Height(now) - Height(m_windowRect);
    m_windowRect.right = m_windowRect.left + Width(now);
    m_windowRect.bottom = m_windowRect.top + Height(now);

    HDWP positions = BeginDeferWindowPos(4);
    for (int id : {IDC_HISTORY_GROUP, IDC_HISTORY_LIST}) {
        const RECT r = ChildRect(m_hwnd, Item(id));
        if (positions)
            positions = DeferWindowPos(positions, Item(id), nullptr, r.left, r.top, Width(r) + dx, Height(r) + dy,
                                       SWP_NOZORDER | SWP_NOACTIVATE);
    }
    for (int id : {IDC_REMOVE_ITEM, IDOK}) {
        const RECT r = ChildRect(m_hwnd, Item(id));
        if (positions)
            positions = DeferWindowPos(positions, Item(id), nullptr, r.left + dx, r.top + dy, 0, 0,
                                       SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (positions)
        EndDeferWindowPos(positions);
}

void PenHistory::OnSizing(UINT edge, RECT* rect) {
    TraceScope scope("PenHistory::OnSizing");
    if (Width(*rect) < kMinWidth) {
        if (edge == WMSZ_LEFT || edge == WMSZ_TOPLEFT || edge == WMSZ_BOTTOMLEFT)
            rect->left = rect->right - kMinWidth;
        else
            rect->right = rect->left + kMinWidth;
    }
    if (Height(*rect) < kMinHeight) {
        if (edge == WMSZ_TOP || edge == WMSZ_TOPLEFT || edge == WMSZ_TOPRIGHT)
            rect->top = rect->bottom - kMinHeight;
        else
            rect->bottom = rect->top + kMinHeight;
    }
}

void PenHistory::OnDestroy() {
    TraceScope scope("PenHistory::OnDestroy");
    // The question's own call is still on the stack: answer it rather than free it
    // under its feet; OnRemoveItem lets it go when the call returns.
    if (m_messageBox && m_messageBox->IsOpen())
        m_messageBox->Close(IDNO);
    Settings& settings = Settings::instance();
    settings.writeNumber(kLeftKey, m_windowRect.left);
    settings.writeNumber(kTopKey, m_windowRect.top);
    settings.writeNumber(kRightKey, m_windowRect.right);
    settings.writeNumber(kBottomKey, m_windowRect.bottom);
    if (m_list.Handle()) {
        SaveListColumnWidths(m_list.Handle(), kColumns);
        // Free the row records while this window still hears the list's notifications.
        m_list.DeleteAllItems();
    }
    Dialog::OnDestroy();
}

bool PenHistory::OnCommand(int id, int code) {
    if (id == IDC_REMOVE_ITEM && code == BN_CLICKED) {
        OnRemoveItem();
        return true;
    }
    return Dialog::OnCommand(id, code);
}

bool PenHistory::OnNotify(NMHDR* header) {
    if (header->idFrom != IDC_HISTORY_LIST)
        return Dialog::OnNotify(header);
    LRESULT result = 0;
    switch (header->code) {
    case LVN_ITEMCHANGED:
        result = OnItemChanged();
        break;
    case LVN_ITEMACTIVATE:
        result = OnItemActivate();
        break;
    case MLN_ISANCHOR:
        result = OnAnchor(reinterpret_cast<NMLISTVIEW*>(header));
        break;
    case MLN_ISANCHORVISITED:
        result = OnAnchorVisited(reinterpret_cast<NMLISTVIEW*>(header));
        break;
    case MLN_ANCHORACTIVATE:
        result = OnAnchorActivate(reinterpret_cast<NMITEMACTIVATE*>(header));
        break;
    case LVN_DELETEITEM:
        result = OnDeleteItem(reinterpret_cast<NMLISTVIEW*>(header));
        break;
    default:
        return Dialog::OnNotify(header);
    }
    SetMsgResult(result);
    return true;
}

bool PenHistory::OnAppMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    return DispatchPenMessage(msg, wp, lp, result) || Dialog::OnAppMessage(msg, wp, lp, result);
}

LRESULT PenHistory::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    TraceScope scope("PenHistory::WindowProc", true);
    // These only add to the default handling, so the dialog procedure answers "not handled".
    switch (msg) {
    case WM_MOVE:
        OnMove();
        return FALSE;
    case WM_SIZE:
        OnSize(static_cast<UINT>(wp));
        return FALSE;
    case WM_SIZING:
        OnSizing(static_cast<UINT>(wp), reinterpret_cast<RECT*>(lp));
        SetMsgResult(TRUE);
        return TRUE;
    case WM_SHOWWINDOW:
        OnShowWindow(wp != 0);
        return FALSE;
    default:
        return Dialog::WindowProc(msg, wp, lp);
    }
}
