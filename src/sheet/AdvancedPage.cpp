#include "sheet/AdvancedPage.h"

#include <oleauto.h>
#include <wrl/client.h>

#include "core/Settings.h"
#include "core/StringPackage.h"
#include "core/TraceScope.h"
#include "framework/Bstr.h"
#include "framework/ResourceText.h"
#include "res/resource.h"
#include "sheet/EditOrskConn.h"
#include "sheet/SettingsSheet.h"
#include "sheet/TestOrskConn.h"

using Microsoft::WRL::ComPtr;

namespace {
constexpr int kSwitchGroup[] = {IDC_INTERNET_GROUP, IDC_INTERNET_TEXT, IDC_SHOW_INTERNET};
constexpr int kServerGroup[] = {IDC_SERVER_GROUP, IDC_SERVER_TEXT, IDC_SERVER_LABEL, IDC_SERVER_ADDRESS,
                                IDC_REDIRECTION,  IDC_TEST_SERVER, IDC_CHANGE_SERVER};
constexpr int kIspGroup[] = {IDC_ISP_GROUP, IDC_ISP_TEXT, IDC_ISP_LABEL, IDC_ISP_PRIORITY, IDC_ISP_SETTINGS};
// Every stored item of the pen.
const wchar_t kAllStoredItems[] = L"*.*.*.*#*";
constexpr HRESULT kSettingNotWritten = E_FAIL;

void ShowControls(HWND page, const int* ids, size_t count, bool show) {
    for (size_t i = 0; i < count; ++i)
        ShowWindow(GetDlgItem(page, ids[i]), show ? SW_SHOW : SW_HIDE);
}
template <size_t N> void ShowControls(HWND page, const int (&ids)[N], bool show) {
    ShowControls(page, ids, N, show);
}
} // namespace

AdvancedPage::AdvancedPage() : SheetPage(IDD_ADVANCED, "AdvancedPage") {}
AdvancedPage::~AdvancedPage() = default;

BOOL AdvancedPage::OnInitDialog() {
    TraceScope scope("AdvancedPage::OnInitDialog");
    const BOOL result = SheetPage::OnInitDialog();
    FillCB(IDC_ISP_PRIORITY, IDS_DIAL_UP_PRIORITIES);
    UpdatePage();
    return result;
}

void AdvancedPage::OnDestroy() {
    TraceScope scope("AdvancedPage::OnDestroy");
    m_ispSettings.reset();
}

bool AdvancedPage::IsChecked(int id) const {
    return IsDlgButtonChecked(m_hwnd, id) == BST_CHECKED;
}

void AdvancedPage::UpdatePage() {
    TraceScope scope("AdvancedPage::UpdatePage");
    m_redirection = -1;
    m_priority = -1;
    std::wstring server = LoadResString(IDS_UNEXPECTED_ERROR);
    ComPtr<IPenManager> manager;
    HRESULT hr = SettingsSheet::CreatePenManager(manager);
    if (FAILED(hr)) {
        scope.warning("Failed to create pen manager (0x%08x).", static_cast<unsigned>(hr));
    } else {
        Bstr address;
        hr = manager->GetOrskUrl(address.Out());
        if (SUCCEEDED(hr))
            server = address.Str();
        else
            scope.warning("Failed to get orsk url (0x%08x).", static_cast<unsigned>(hr));
        VARIANT_BOOL enabled = VARIANT_FALSE;
        hr = manager->IsRedirectionEnabled(&enabled);
        if (SUCCEEDED(hr))
            m_redirection = enabled != VARIANT_FALSE ? 1 : 0;
        else
            scope.warning("Failed to check if redirection is enabled (0x%08x).", static_cast<unsigned>(hr));
    }
    SetItemText(IDC_SERVER_ADDRESS, server);

    if (ComPtr<IPairedDevice> device = GetPairedDevice(0)) {
        ComPtr<IIspSettings> settings;
        hr = device->GetIspSettings(&settings);
        if (FAILED(hr) || !settings) {
            scope.warning("Error getting isp settings (0x%08x).", static_cast<unsigned>(hr));
        } else {
            LONG priority = -1;
            hr = settings->GetPriority(&priority);
            if (FAILED(hr))
                scope.warning("Error getting priority (0x%08x).", static_cast<unsigned>(hr));
            else if (priority == 0 || priority == 1)
                m_priority = priority;
        }
    }
    SetCBState(IDC_REDIRECTION, m_redirection);
    SetCBItem(IDC_ISP_PRIORITY, m_priority);
    EnableItem(IDC_ISP_SETTINGS, m_priority != -1);
    m_internetSettingsShown = Settings::instance().readNumber("ShowInternetSettings", 0);
    CheckDlgButton(m_hwnd, IDC_SHOW_INTERNET, m_internetSettingsShown ? BST_CHECKED : BST_UNCHECKED);
    OnUpdateUI();
}

void AdvancedPage::OnUpdateUI() {
    TraceScope scope("AdvancedPage::OnUpdateUI");
    const int noMobile = Settings::instance().readNumber("NoMobile", 0);
    const bool hasServer = !ItemText(IDC_SERVER_ADDRESS).empty();
    EnableItem(IDC_TEST_SERVER, hasServer);
    // A switch that could not be read is never written, so it stays disabled too.
    EnableItem(IDC_REDIRECTION, hasServer && m_redirection >= 0);

    const int selection = static_cast<int>(SendDlgItemMessageW(m_hwnd, IDC_ISP_PRIORITY, CB_GETCURSEL, 0, 0));
    const bool modified = (m_redirection >= 0 && IsChecked(IDC_REDIRECTION) != (m_redirection == 1)) ||
                          (m_priority != -1 && selection != m_priority) ||
                          IsChecked(IDC_SHOW_INTERNET) != (m_internetSettingsShown != 0);

    ShowControls(m_hwnd, kSwitchGroup, noMobile == 0);
    if (noMobile)
        MoveServerGroupUp();
    // The groups follow the applied switch, not the check box.
    ShowControls(m_hwnd, kIspGroup, m_internetSettingsShown && noMobile == 0);
    ShowControls(m_hwnd, kServerGroup, m_internetSettingsShown != 0);
    const bool withPen = GetPen() != nullptr;
    EnableItem(IDC_RESET_PROMPT, withPen);
    EnableItem(IDC_DELETE_STORED, withPen);
    SetModified(modified);
}

void AdvancedPage::MoveServerGroupUp() {
    TraceScope scope("AdvancedPage::MoveServerGroupUp");
    RECT from{}, to{};
    GetWindowRect(Item(IDC_INTERNET_GROUP), &from);
    GetWindowRect(Item(IDC_SERVER_GROUP), &to);
    // The switch group never moves: once moved, the distance is zero.
    const int distance = to.top - from.top;
    if (distance == 0)
        return;
    for (int id : kServerGroup) {
        RECT rect{};
        GetWindowRect(Item(id), &rect);
        MapWindowPoints(nullptr, m_hwnd, reinterpret_cast<POINT*>(&rect), 2);
        MoveWindow(Item(id), rect.left, rect.top - distance, rect.right - rect.left, rect.bottom - rect.top,
                   TRUE);
    }
}

BOOL AdvancedPage::OnApply() {
    TraceScope scope("AdvancedPage::OnApply");
    ComPtr<IPenManager> manager;
    HRESULT hr = SettingsSheet::CreatePenManager(manager);
    if (FAILED(hr))
        scope.warning("Failed to create pen manager (0x%08x).", static_cast<unsigned>(hr));
    const bool redirection = IsChecked(IDC_REDIRECTION);
    if (m_redirection >= 0 && redirection != (m_redirection == 1)) {
        if (manager) {
            hr = manager->SetRedirection(redirection ? VARIANT_TRUE : VARIANT_FALSE);
            if (SUCCEEDED(hr))
                m_redirection = redirection ? 1 : 0;
            else
                scope.warning("Failed to set redirection (0x%08x).", static_cast<unsigned>(hr));
        }
        if (FAILED(hr))
            WriteFailed(IDS_VALUE_REDIRECTION, hr);
    }
    manager.Reset();

    const int selection = static_cast<int>(SendDlgItemMessageW(m_hwnd, IDC_ISP_PRIORITY, CB_GETCURSEL, 0, 0));
    if (m_priority != -1 && selection != m_priority)
        WritePriority(selection);

    const int shown = IsChecked(IDC_SHOW_INTERNET) ? 1 : 0;
    if (shown != (m_internetSettingsShown != 0)) {
        if (Settings::instance().writeNumber("ShowInternetSettings", shown))
            m_internetSettingsShown = shown;
        else
            WriteFailed(IDS_VALUE_SHOW_INTERNET, kSettingNotWritten);
    }
    OnUpdateUI();
    return TRUE;
}

void AdvancedPage::WritePriority(int selection) {
    TraceScope scope("AdvancedPage::WritePriority");
    ComPtr<IPairedDevice> device = GetPairedDevice(0);
    if (!device) {
        WriteFailed(IDS_VALUE_PRIORITY, E_FAIL);
        return;
    }
    ComPtr<IIspSettings> settings;
    HRESULT hr = device->GetIspSettings(&settings);
    if (FAILED(hr) || !settings) {
        scope.warning("Error getting isp settings (0x%08x).", static_cast<unsigned>(hr));
        WriteFailed(IDS_VALUE_PRIORITY, FAILED(hr) ? hr : E_FAIL);
        return;
    }
    hr = settings->SetPriority(selection == 1 ? 1 : 0);
    if (SUCCEEDED(hr))
        hr = device->SetIspSettings(settings.Get());
    if (FAILED(hr)) {
        scope.warning("Failed to set priority (0x%08x).", static_cast<unsigned>(hr));
        WriteFailed(IDS_VALUE_PRIORITY, hr);
        return;
    }
    m_priority = selection;
}

bool AdvancedPage::OnCommand(int id, int code) {
    if (code == BN_CLICKED) {
        switch (id) {
        case IDC_TEST_SERVER:
            OnTestConnection();
            return true;
        case IDC_CHANGE_SERVER:
            OnEditConnection();
            return true;
        case IDC_ISP_SETTINGS:
            OnIspSettings();
            return true;
        case IDC_RESET_PROMPT:
            OnResetPrompt();
            return true;
        case IDC_DELETE_STORED:
            OnDeleteSS();
            return true;
        }
    }
    return SheetPage::OnCommand(id, code);
}

void AdvancedPage::OnTestConnection() {
    TraceScope scope("AdvancedPage::OnTestConnection");
    const std::string address = StringPackage::wideToAnsi(ItemText(IDC_SERVER_ADDRESS));
    const INT_PTR result = TestOrskConn(address, m_hwnd).DoModal();
    if (result == TestOrskConn::kCancelled)
        return;
    const bool connected = result == TestOrskConn::kConnected;
    ::MessageBoxW(m_hwnd, LoadResString(connected ? IDS_TEST_CONNECTED : IDS_TEST_FAILED).c_str(),
                  LoadResString(IDS_TEST_CAPTION).c_str(), connected ? MB_ICONINFORMATION : MB_ICONERROR);
}

void AdvancedPage::OnEditConnection() {
    TraceScope scope("AdvancedPage::OnEditConnection");
    // The address belongs to the pen manager, not to the pen: pen messages leave the
    // dialog (and an address test it runs) alone.
    EditOrskConn(m_hwnd).DoModal();
    UpdatePage();
}

void AdvancedPage::OnIspSettings() {
    TraceScope scope("AdvancedPage::OnIspSettings");
    RunDialog(m_ispSettings, PenMessages::PassOn, m_hwnd, 0u);
}

void AdvancedPage::OnResetPrompt() {
    TraceScope scope("AdvancedPage::OnResetPrompt");
    if (!GetPen())
        return;
    if (AskQuestion(IDS_RESET_PROMPT_QUESTION, IDS_RESET_PROMPT_CAPTION, MB_YESNO | MB_ICONEXCLAMATION) !=
        IDYES)
        return;
    // The pen may have gone while the question was open.
    if (IPen* pen = GetPen()) {
        const HRESULT hr = pen->UnregisterPassword();
        if (FAILED(hr))
            scope.warning("Failed to unregister the password (0x%08x).", static_cast<unsigned>(hr));
    }
}

void AdvancedPage::OnDeleteSS() {
    TraceScope scope("AdvancedPage::OnDeleteSS");
    if (!GetPen())
        return;
    if (AskQuestion(IDS_DELETE_STORED_QUESTION, IDS_DELETE_STORED_CAPTION, MB_YESNO | MB_ICONEXCLAMATION) !=
        IDYES)
        return;
    IPen* pen = GetPen();
    if (!pen)
        return;
    Bstr penId;
    HRESULT hr = pen->GetPenId(penId.Out());
    if (FAILED(hr)) {
        scope.warning("Failed getting pen id. (0x%08x).", static_cast<unsigned>(hr));
        return;
    }
    ComPtr<IStorageApi> storageApi;
    hr = CoCreateInstance(CLSID_StorageApi, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&storageApi));
    if (FAILED(hr)) {
        scope.warning("Failed to create storage api (0x%08x).", static_cast<unsigned>(hr));
        return;
    }
    ComPtr<IPenStorage> storage;
    hr = storageApi->GetPenStorage(penId.Get(), &storage);
    if (FAILED(hr) || !storage) {
        scope.warning("Failed to get pen (0x%08x).", static_cast<unsigned>(hr));
        return;
    }
    VARIANT filter;
    VariantInit(&filter);
    filter.vt = VT_BSTR;
    filter.bstrVal = SysAllocString(kAllStoredItems);
    hr = storage->DeleteStorage(filter);
    VariantClear(&filter);
    if (FAILED(hr))
        scope.warning("Failed to delete storage (0x%08x).", static_cast<unsigned>(hr));
}
