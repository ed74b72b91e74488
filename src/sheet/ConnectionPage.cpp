#include "sheet/ConnectionPage.h"

#include "core/Settings.h"
#include "core/TraceScope.h"
#include "framework/ResourceText.h"
#include "res/resource.h"

namespace {
const char kDockActionKey[] = "Quayward/DockAction";
const char kInternetOnlyKey[] = "Quayward/InternetOnly";
const char kAlwaysShowIconKey[] = "Quayward/AlwaysShowIcon";
constexpr int kInternetControls[] = {IDC_INTERNET_GROUP, IDC_INTERNET_TEXT, IDC_INTERNET_ONLY};
// A settings write that failed: the registry gives no reason worth more than this.
constexpr HRESULT kSettingNotWritten = E_FAIL;
} // namespace

ConnectionPage::ConnectionPage() : SheetPage(IDD_CONNECTION, "ConnectionPage") {}
ConnectionPage::~ConnectionPage() = default;

BOOL ConnectionPage::OnInitDialog() {
    TraceScope scope("ConnectionPage::OnInitDialog");
    const BOOL result = SheetPage::OnInitDialog();
    UpdateUI(Settings::instance().readNumber("ShowInternetSettings", 0));
    UpdatePage();
    return result;
}

void ConnectionPage::OnDestroy() {
    TraceScope scope("ConnectionPage::OnDestroy");
    m_createPass.reset();
    m_changePass.reset();
    m_removePass.reset();
}

void ConnectionPage::UpdateUI(int show) {
    TraceScope scope("ConnectionPage::UpdateUI");
    if (!IsWindow())
        return;
    for (int id : kInternetControls)
        ShowWindow(Item(id), show ? SW_SHOW : SW_HIDE);
}

void ConnectionPage::UpdatePage() {
    TraceScope scope("ConnectionPage::UpdatePage");
    UINT passText = IDS_CREATE_PASS;
    bool canCreate = false, canChange = false;
    if (IPen* pen = GetPen()) {
        VARIANT_BOOL set = VARIANT_FALSE;
        const HRESULT hr = pen->IsPasswordSet(&set);
        if (FAILED(hr)) {
            scope.warning("Failed to ask if password is set (0x%08x).", static_cast<unsigned>(hr));
        } else if (set == VARIANT_FALSE) {
            canCreate = true;
        } else {
            passText = IDS_REMOVE_PASS;
            canCreate = canChange = true;
        }
    }
    SetItemText(IDC_CREATE_PASS, LoadResString(passText));
    EnableItem(IDC_CREATE_PASS, canCreate);
    EnableItem(IDC_CHANGE_PASS, canChange);

    Settings& suite = Settings::suiteInstance();
    m_dockAction = suite.readNumber(kDockActionKey, 0);
    if (m_dockAction < 0 || m_dockAction > 2)
        m_dockAction = 2;
    CheckRadioButton(m_hwnd, IDC_DOCK_SEND, IDC_DOCK_MANUAL, IDC_DOCK_SEND + m_dockAction);
    m_internetOnly = suite.readNumber(kInternetOnlyKey, 0);
    CheckDlgButton(m_hwnd, IDC_INTERNET_ONLY, m_internetOnly ? BST_CHECKED : BST_UNCHECKED);
    m_alwaysShowIcon = suite.readNumber(kAlwaysShowIconKey, 1);
    CheckDlgButton(m_hwnd, IDC_STATUS_ICON, m_alwaysShowIcon ? BST_CHECKED : BST_UNCHECKED);
    OnUpdateUI();
}

int ConnectionPage::CheckedDockAction() const {
    for (int id = IDC_DOCK_SEND; id <= IDC_DOCK_MANUAL; ++id)
        if (IsChecked(id))
            return id - IDC_DOCK_SEND;
    return -1;
}

bool ConnectionPage::IsChecked(int id) const {
    return IsDlgButtonChecked(m_hwnd, id) == BST_CHECKED;
}

void ConnectionPage::OnUpdateUI() {
    TraceScope scope("ConnectionPage::OnUpdateUI");
    SetModified(CheckedDockAction() != m_dockAction || IsChecked(IDC_INTERNET_ONLY) != (m_internetOnly != 0) ||
                IsChecked(IDC_STATUS_ICON) != (m_alwaysShowIcon != 0));
}

BOOL ConnectionPage::OnApply() {
    TraceScope scope("ConnectionPage::OnApply");
    Settings& suite = Settings::suiteInstance();
    // Only what changed is written; what could not be written stays changed on the page.
    const int dockAction = CheckedDockAction();
    if (dockAction != m_dockAction) {
        if (suite.writeNumber(kDockActionKey, dockAction))
            m_dockAction = dockAction;
        else
            WriteFailed(IDS_VALUE_DOCK_ACTION, kSettingNotWritten);
    }
    const struct {
        int id;
        const char* key;
        int& value;
        UINT name;
    } checks[] = {{IDC_INTERNET_ONLY, kInternetOnlyKey, m_internetOnly, IDS_VALUE_INTERNET_ONLY},
                  {IDC_STATUS_ICON, kAlwaysShowIconKey, m_alwaysShowIcon, IDS_VALUE_STATUS_ICON}};
    for (const auto& check : checks) {
        const bool checked = IsChecked(check.id);
        if (checked == (check.value != 0))
            continue;
        if (suite.writeNumber(check.key, checked ? 1 : 0))
            check.value = checked ? 1 : 0;
        else
            WriteFailed(check.name, kSettingNotWritten);
    }
    OnUpdateUI();
    return TRUE;
}

bool ConnectionPage::OnCommand(int id, int code) {
    if (code == BN_CLICKED && id == IDC_CREATE_PASS) {
        OnCreatePass();
        return true;
    }
    if (code == BN_CLICKED && id == IDC_CHANGE_PASS) {
        OnChangePass();
        return true;
    }
    return SheetPage::OnCommand(id, code);
}

void ConnectionPage::OnCreatePass() {
    TraceScope scope("ConnectionPage::OnCreatePass");
    if (IPen* pen = GetPen()) {
        VARIANT_BOOL set = VARIANT_FALSE;
        const HRESULT hr = pen->IsPasswordSet(&set);
        if (FAILED(hr))
            scope.warning("Failed to ask if password is set (0x%08x).", static_cast<unsigned>(hr));
        else if (set == VARIANT_FALSE)
            RunDialog(m_createPass, PenMessages::Close, pen, m_hwnd);
        else
            RunDialog(m_removePass, PenMessages::Close, pen, m_hwnd);
    }
    UpdatePage();
}

void ConnectionPage::OnChangePass() {
    TraceScope scope("ConnectionPage::OnChangePass");
    if (IPen* pen = GetPen())
        RunDialog(m_changePass, PenMessages::Close, pen, m_hwnd);
    UpdatePage();
}
