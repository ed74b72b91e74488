#include "sheet/ShortcutsPage.h"

#include <commctrl.h>
#include <wrl/client.h>

#include <string>

#include "core/Settings.h"
#include "core/TraceScope.h"
#include "framework/ResourceText.h"
#include "framework/Variant.h"
#include "controls/ListColumns.h"
#include "res/resource.h"

using Microsoft::WRL::ComPtr;

namespace {
constexpr ListColumn kColumns[] = {
    {IDS_SHORTCUT_NUMBER, "Windows/Main/Shortcuts/Number", 30},
    {IDS_SHORTCUT_NAME, "Windows/Main/Shortcuts/Name", 70},
    {IDS_SHORTCUT_EMAIL, "Windows/Main/Shortcuts/Email", 120},
    {IDS_SHORTCUT_CELL_PHONE, "Windows/Main/Shortcuts/Cellphone", 100},
    {IDS_SHORTCUT_FAX, "Windows/Main/Shortcuts/Fax", 100},
};

// The pen's collection and its count; null and why when they can't be had (warnings
// logged).
HRESULT GetShortcuts(IPen* pen, ComPtr<IAddressShortcuts>& shortcuts, long& count, TraceScope& scope) {
    HRESULT hr = pen->GetAddressShortcuts(&shortcuts);
    if (FAILED(hr) || !shortcuts) {
        scope.warning("Error getting address shortcuts (0x%08x).", static_cast<unsigned>(hr));
        shortcuts.Reset();
        return FAILED(hr) ? hr : E_POINTER;
    }
    hr = shortcuts->GetCount(&count);
    if (FAILED(hr)) {
        scope.warning("Error getting count (0x%08x).", static_cast<unsigned>(hr));
        shortcuts.Reset();
    }
    return hr;
}

// Shortcut index (from 1) of the collection, or null (warnings logged).
ComPtr<IAddressShortcut> GetShortcut(IAddressShortcuts* shortcuts, long index, TraceScope& scope) {
    Variant item;
    HRESULT hr = shortcuts->GetItem(index, item.Out());
    if (FAILED(hr)) {
        scope.warning("Can't get shortcut (0x%08x).", static_cast<unsigned>(hr));
        return nullptr;
    }
    IUnknown* unknown = item.AsUnknown();
    if (!unknown) {
        scope.warning("Unable to convert shortcut to IUnknown.");
        return nullptr;
    }
    ComPtr<IAddressShortcut> shortcut;
    hr = unknown->QueryInterface(IID_PPV_ARGS(&shortcut));
    if (FAILED(hr)) {
        scope.warning("QueryInterface on shortcut failed. (0x%08x).", static_cast<unsigned>(hr));
        return nullptr;
    }
    return shortcut;
}
} // namespace

ShortcutsPage::ShortcutsPage() : SheetPage(IDD_SHORTCUTS, "ShortcutsPage") {}
ShortcutsPage::~ShortcutsPage() = default;

BOOL ShortcutsPage::OnInitDialog() {
    TraceScope scope("ShortcutsPage::OnInitDialog");
    const BOOL result = SheetPage::OnInitDialog();
    HWND list = List();
    if (!list)
        return FALSE;
    ListView_SetExtendedListViewStyleEx(list, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    InsertListColumns(list, kColumns);
    UpdatePage();
    return result;
}

void ShortcutsPage::OnDestroy() {
    TraceScope scope("ShortcutsPage::OnDestroy");
    m_editor.reset();
    m_records.clear();
    SaveListColumnWidths(List(), kColumns);
}

void ShortcutsPage::UpdatePage() {
    TraceScope scope("ShortcutsPage::UpdatePage");
    m_records.clear();
    IPen* pen = GetPen();
    HWND list = List();
    // One repaint for the whole rebuild.
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    ListView_DeleteAllItems(list);
    long count = 0;
    ComPtr<IAddressShortcuts> shortcuts;
    if (pen)
        GetShortcuts(pen, shortcuts, count, scope);
    for (long i = 1; shortcuts && i <= count; ++i) {
        ComPtr<IAddressShortcut> shortcut = GetShortcut(shortcuts.Get(), i, scope);
        Records records;
        for (const ShortcutField& field : kShortcutFields)
            records.asRead.*field.value = ReadPenText(shortcut.Get(), field.get);
        records.current = records.asRead;
        m_records.push_back(std::move(records));
        std::wstring number = std::to_wstring(i);
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = static_cast<int>(i - 1);
        item.pszText = number.data();
        SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    }
    for (int i = 0; i < static_cast<int>(m_records.size()); ++i)
        ShowItem(i);
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
    OnUpdateUI();
}

void ShortcutsPage::ShowItem(int item) {
    const std::wstring placeholder = PenTextPlaceholder(GetPen() != nullptr);
    for (size_t f = 0; f < kShortcutFields.size(); ++f) {
        const TextAsRead& value = m_records[item].current.*kShortcutFields[f].value;
        std::wstring text = value ? *value : placeholder;
        LVITEMW cell{};
        cell.iSubItem = static_cast<int>(f + 1);
        cell.pszText = text.data();
        SendMessageW(List(), LVM_SETITEMTEXTW, item, reinterpret_cast<LPARAM>(&cell));
    }
}

HWND ShortcutsPage::List() const {
    return Item(IDC_SHORTCUT_LIST);
}

int ShortcutsPage::SelectedItem() const {
    const int item = ListView_GetNextItem(List(), -1, LVNI_SELECTED);
    return item >= 0 && item < static_cast<int>(m_records.size()) ? item : -1;
}

void ShortcutsPage::OnUpdateUI() {
    TraceScope scope("ShortcutsPage::OnUpdateUI", true);
    bool modified = false;
    for (const Records& records : m_records)
        for (const ShortcutField& field : kShortcutFields) {
            const TextAsRead& asRead = records.asRead.*field.value;
            const TextAsRead& current = records.current.*field.value;
            modified = modified || (asRead && current && *asRead != *current);
        }
    EnableWindow(List(), !m_records.empty());
    bool canEdit = false, canClear = false;
    if (const int item = SelectedItem(); item >= 0)
        for (const ShortcutField& field : kShortcutFields)
            if (const TextAsRead& value = m_records[item].current.*field.value) {
                canEdit = true;
                canClear = canClear || !value->empty();
            }
    EnableItem(IDC_EDIT_SHORTCUT, canEdit);
    EnableItem(IDC_CLEAR_SHORTCUT, canClear);
    SetModified(modified);
}

bool ShortcutsPage::OnCommand(int id, int code) {
    if (code == BN_CLICKED && id == IDC_EDIT_SHORTCUT) {
        OnEditShortcut();
        return true;
    }
    if (code == BN_CLICKED && id == IDC_CLEAR_SHORTCUT) {
        OnClearShortcut();
        return true;
    }
    return SheetPage::OnCommand(id, code);
}

bool ShortcutsPage::OnNotify(NMHDR* header) {
    if (header->idFrom == IDC_SHORTCUT_LIST && header->code == LVN_ITEMCHANGED) {
        OnUpdateUI();
        return true;
    }
    if (header->idFrom == IDC_SHORTCUT_LIST && header->code == LVN_ITEMACTIVATE) {
        OnEditShortcut();
        return true;
    }
    return SheetPage::OnNotify(header);
}

void ShortcutsPage::OnEditShortcut() {
    TraceScope scope("ShortcutsPage::OnEditShortcut");
    const int item = SelectedItem();
    if (item < 0 || !IsWindowEnabled(Item(IDC_EDIT_SHORTCUT)))
        return;
    // The editor works on a copy: a pen message that rebuilds the list while it runs
    // must not leave it writing into a record that is gone.
    Shortcut edited = m_records[item].current;
    if (RunDialog(m_editor, PenMessages::Close, edited, m_hwnd) != IDOK || item >= static_cast<int>(m_records.size()))
        return;
    m_records[item].current = edited;
    ShowItem(item);
    OnUpdateUI();
}

void ShortcutsPage::OnClearShortcut() {
    TraceScope scope("ShortcutsPage::OnClearShortcut");
    const int item = SelectedItem();
    if (item < 0)
        return;
    if (AskQuestion(IDS_CLEAR_SHORTCUT_QUESTION, IDS_CLEAR_SHORTCUT_CAPTION, MB_YESNO) != IDYES ||
        item >= static_cast<int>(m_records.size()))
        return;
    for (const ShortcutField& field : kShortcutFields)
        if (TextAsRead& value = m_records[item].current.*field.value)
            value->clear();
    ShowItem(item);
    OnUpdateUI();
}

BOOL ShortcutsPage::OnApply() {
    TraceScope scope("ShortcutsPage::OnApply");
    IPen* pen = GetPen();
    bool changed = false;
    for (const Records& records : m_records)
        changed = changed || !(records.asRead == records.current);
    if (!pen || !changed)
        return TRUE;
    long count = 0;
    ComPtr<IAddressShortcuts> shortcuts;
    HRESULT failure = GetShortcuts(pen, shortcuts, count, scope);
    // Fields set on the collection, as read once the pen has the collection back.
    std::vector<std::pair<Records*, const ShortcutField*>> written;
    // Collection items beyond the list (the pen's list grew meanwhile) are left alone.
    for (long i = 1; shortcuts && i <= count && i <= static_cast<long>(m_records.size()); ++i) {
        Records& records = m_records[i - 1];
        if (records.asRead == records.current)
            continue;
        ComPtr<IAddressShortcut> shortcut = GetShortcut(shortcuts.Get(), i, scope);
        if (!shortcut)
            continue;
        for (const ShortcutField& field : kShortcutFields) {
            const TextAsRead& asRead = records.asRead.*field.value;
            const TextAsRead& current = records.current.*field.value;
            if (!asRead || !current || *asRead == *current)
                continue;
            Bstr text(*current);
            const HRESULT hr = (shortcut.Get()->*field.set)(text.Get());
            if (FAILED(hr)) {
                scope.warning(field.setFailed, static_cast<unsigned>(hr));
                failure = hr;
            } else {
                written.emplace_back(&records, &field);
            }
        }
    }
    if (!written.empty()) {
        const HRESULT hr = pen->SetAddressShortcuts(shortcuts.Get());
        if (FAILED(hr)) {
            scope.warning("Failed to set shortcuts (0x%08x).", static_cast<unsigned>(hr));
            failure = hr;
        } else {
            for (const auto& [records, field] : written)
                records->asRead.*field->value = records->current.*field->value;
        }
    }
    // One line for the shortcuts, whatever failed in them.
    if (FAILED(failure))
        WriteFailed(IDS_VALUE_SHORTCUT, failure);
    OnUpdateUI();
    return TRUE;
}
