#include "sheet/DialUpPage.h"

#include <wrl/client.h>

#include "core/TraceScope.h"
#include "framework/Bstr.h"
#include "res/resource.h"
#include "sheet/EditValidation.h"

using Microsoft::WRL::ComPtr;

namespace {
const wchar_t kNoAddress[] = L"0.0.0.0";
// What the user is told when the pen has no paired phone to save to.
constexpr HRESULT kNoPairedDevice = HRESULT_FROM_WIN32(ERROR_DEVICE_NOT_CONNECTED);
} // namespace

DialUpPage::DialUpPage(const DialUpAccountKind& kind)
    : SheetPage(kind.templateId, kind.className),
      m_kind(kind), m_primaryDns{IDC_DIAL_PRIMARY_DNS,           &IDialUpAccount::GetPrimaryDns,
                                 &IDialUpAccount::SetPrimaryDns, "Failed to set primary dns (0x%08x).",
                                 IDS_VALUE_PRIMARY_DNS,          {}},
      m_secondaryDns{IDC_DIAL_SECONDARY_DNS,           &IDialUpAccount::GetSecondaryDns,
                     &IDialUpAccount::SetSecondaryDns, "Failed to set secondary dns (0x%08x).",
                     IDS_VALUE_SECONDARY_DNS,          {}},
      m_defaultAddress{IDC_DIAL_DEFAULT_ADDRESS,
                       &IDialUpAccount::GetDefaultIpAddress,
                       &IDialUpAccount::SetDefaultIpAddress,
                       "Failed to set default ip address (0x%08x).",
                       IDS_VALUE_DEFAULT_ADDRESS,
                       {}} {
    m_firstTexts.Add(m_dialStringEdit, &IDialUpAccount::GetDialString, &IDialUpAccount::SetDialString,
                     nullptr, "Failed to set dial string (0x%08x).", IDS_VALUE_DIAL_STRING);
    m_firstTexts.Add(m_usernameEdit, &IDialUpAccount::GetUsername, &IDialUpAccount::SetUsername, nullptr,
                     "Failed to set username (0x%08x).", IDS_VALUE_USERNAME);
    m_firstTexts.Add(m_passwordEdit, &IDialUpAccount::GetPassword, &IDialUpAccount::SetPassword, nullptr,
                     "Failed to set password (0x%08x).", IDS_VALUE_PASSWORD);
    m_laterTexts.Add(m_proxyEdit, &IDialUpAccount::GetProxy, &IDialUpAccount::SetProxy, nullptr,
                     "Failed to set proxy (0x%08x).", IDS_VALUE_PROXY);
    m_laterTexts.Add(m_apnEdit, &IDialUpAccount::GetApn, &IDialUpAccount::SetApn, nullptr,
                     "Failed to set apn (0x%08x).", IDS_VALUE_APN);
}

DialUpPage::~DialUpPage() = default;

int DialUpPage::AuthenticationToIndex(LONG value) {
    return value >= 0 && value <= 2 ? static_cast<int>(value) : -1;
}
LONG DialUpPage::AuthenticationFromIndex(int index) {
    return index == 1 || index == 2 ? index : 0;
}

BOOL DialUpPage::OnInitDialog() {
    TraceScope scope(ScopeName("OnInitDialog"));
    const BOOL result = SheetPage::OnInitDialog();
    const std::pair<Window*, int> edits[] = {{&m_dialStringEdit, IDC_DIAL_STRING},
                                             {&m_usernameEdit, IDC_DIAL_USERNAME},
                                             {&m_passwordEdit, IDC_DIAL_PASSWORD},
                                             {&m_proxyEdit, IDC_DIAL_PROXY},
                                             {&m_apnEdit, IDC_DIAL_APN}};
    for (const auto& [edit, id] : edits)
        if (!edit->SubclassDlgItem(id, m_hwnd))
            return FALSE;
    FillCB(IDC_DIAL_AUTHENTICATION, IDS_AUTHENTICATION_MODES);
    UpdatePage();
    return result;
}

void DialUpPage::Forget() {
    m_isdn = -1;
    m_authentication = -1;
    m_firstTexts.Clear();
    m_laterTexts.Clear();
    for (AddressField* field : {&m_primaryDns, &m_secondaryDns, &m_defaultAddress})
        field->asRead.reset();
}

void DialUpPage::OnDestroy() {
    TraceScope scope(ScopeName("OnDestroy"));
    Forget();
}

void DialUpPage::UpdatePage() {
    TraceScope scope(ScopeName("UpdatePage"));
    ComPtr<IPairedDevice> device = GetPairedDevice(0);
    Forget();
    if (device) {
        ComPtr<IIspSettings> settings;
        HRESULT hr = device->GetIspSettings(&settings);
        ComPtr<IDialUpAccount> account;
        if (FAILED(hr) || !settings) {
            scope.warning("Error getting isp settings (0x%08x).", static_cast<unsigned>(hr));
        } else if (hr = (settings.Get()->*m_kind.getAccount)(&account); FAILED(hr) || !account) {
            scope.warning("Error getting account (0x%08x).", static_cast<unsigned>(hr));
        } else {
            // Reads that fail leave their value absent, unlogged.
            VARIANT_BOOL isdn = VARIANT_FALSE;
            if (SUCCEEDED(account->IsIsdn(&isdn)))
                m_isdn = isdn != VARIANT_FALSE ? 1 : 0;
            m_firstTexts.Read(account.Get());
            m_primaryDns.asRead = ReadPenText(account.Get(), m_primaryDns.get);
            m_secondaryDns.asRead = ReadPenText(account.Get(), m_secondaryDns.get);
            m_laterTexts.Read(account.Get());
            m_defaultAddress.asRead = ReadPenText(account.Get(), m_defaultAddress.get);
            LONG mode = -1;
            if (SUCCEEDED(account->GetAuthentication(&mode)))
                m_authentication = AuthenticationToIndex(mode);
        }
    }
    const bool withPen = GetPen() != nullptr;
    m_firstTexts.SetReadOnly(false);
    m_laterTexts.SetReadOnly(false);
    SetCBState(IDC_DIAL_ISDN, m_isdn);
    m_firstTexts.Show(withPen);
    m_laterTexts.Show(withPen);
    for (const AddressField* field : {&m_primaryDns, &m_secondaryDns, &m_defaultAddress}) {
        SetItemText(field->id, field->asRead ? *field->asRead : std::wstring());
        EnableItem(field->id, field->asRead.has_value());
    }
    SetCBItem(IDC_DIAL_AUTHENTICATION, m_authentication);
    OnUpdateUI();
}

std::wstring DialUpPage::AddressText(int id) const {
    std::wstring text = ItemText(id);
    return text == kNoAddress ? std::wstring() : text;
}

bool DialUpPage::IsdnChanged() const {
    return m_isdn >= 0 && (IsDlgButtonChecked(m_hwnd, IDC_DIAL_ISDN) == BST_CHECKED) != (m_isdn == 1);
}

int DialUpPage::AuthenticationSelected() const {
    return static_cast<int>(SendDlgItemMessageW(m_hwnd, IDC_DIAL_AUTHENTICATION, CB_GETCURSEL, 0, 0));
}

bool DialUpPage::Changed() const {
    return IsdnChanged() || m_firstTexts.Modified() || m_laterTexts.Modified() || AddressChanged(m_primaryDns) ||
           AddressChanged(m_secondaryDns) || AddressChanged(m_defaultAddress) || AuthenticationChanged();
}

void DialUpPage::OnUpdateUI() {
    TraceScope scope(ScopeName("OnUpdateUI"), true);
    SetModified(Changed());
}

void DialUpPage::ReportChanged(HRESULT hr) {
    const WriteFailedFn failed = [this](UINT name, HRESULT why) { WriteFailed(name, why); };
    if (IsdnChanged())
        failed(IDS_VALUE_ISDN, hr);
    m_firstTexts.ReportChanged(hr, failed);
    for (const AddressField* field : {&m_primaryDns, &m_secondaryDns})
        if (AddressChanged(*field))
            failed(field->valueName, hr);
    m_laterTexts.ReportChanged(hr, failed);
    if (AddressChanged(m_defaultAddress))
        failed(m_defaultAddress.valueName, hr);
    if (AuthenticationChanged())
        failed(IDS_VALUE_AUTHENTICATION, hr);
}

bool DialUpPage::Validate() {
    TraceScope scope(ScopeName("Validate"));
    return ValidateEdits({&m_dialStringEdit, &m_usernameEdit, &m_passwordEdit, &m_proxyEdit, &m_apnEdit},
                         [this] { AskQuestion(IDS_INVALID_INPUT, IDS_INVALID_CAPTION, MB_ICONERROR); });
}

BOOL DialUpPage::OnKillActive() {
    TraceScope scope(ScopeName("OnKillActive"));
    return Validate() ? SheetPage::OnKillActive() : FALSE;
}

void DialUpPage::WriteAddress(IDialUpAccount* account, AddressField& field, TraceScope& scope,
                              std::vector<SetOnCopy>& set) {
    if (!AddressChanged(field))
        return;
    const std::wstring text = AddressText(field.id);
    Bstr value(text);
    const HRESULT hr = (account->*field.set)(value.Get());
    if (FAILED(hr)) {
        scope.warning(field.setFailed, static_cast<unsigned>(hr));
        WriteFailed(field.valueName, hr);
        return;
    }
    set.push_back({field.valueName, [&field, old = field.asRead] { field.asRead = old; }});
    field.asRead = text;
}

BOOL DialUpPage::OnApply() {
    TraceScope scope(ScopeName("OnApply"));
    if (!Changed())
        return TRUE;
    // Without the phone's account nothing can be saved: every change is told, and stays.
    HRESULT hr = S_OK;
    ComPtr<IIspSettings> settings;
    ComPtr<IDialUpAccount> account;
    ComPtr<IPairedDevice> device = GetPairedDevice(0);
    if (!device) {
        hr = kNoPairedDevice;
    } else if (hr = device->GetIspSettings(&settings); FAILED(hr) || !settings) {
        scope.warning("Error getting isp settings (0x%08x).", static_cast<unsigned>(hr));
    } else if (hr = (settings.Get()->*m_kind.getAccount)(&account); FAILED(hr) || !account) {
        scope.warning("Error getting account (0x%08x).", static_cast<unsigned>(hr));
    }
    if (!account) {
        ReportChanged(FAILED(hr) ? hr : E_POINTER);
        OnUpdateUI();
        return TRUE;
    }
    const WriteFailedFn failed = [this](UINT name, HRESULT why) { WriteFailed(name, why); };
    // The flag, address and mode values are taken as read once set (and taken back if the
    // settings cannot be written back); the texts only once written back (PenTextFields).
    std::vector<SetOnCopy> set;
    const bool isdnChecked = IsDlgButtonChecked(m_hwnd, IDC_DIAL_ISDN) == BST_CHECKED;
    if (IsdnChanged()) {
        hr = account->SetIsdn(isdnChecked ? VARIANT_TRUE : VARIANT_FALSE);
        if (SUCCEEDED(hr)) {
            set.push_back({IDS_VALUE_ISDN, [this, old = m_isdn] { m_isdn = old; }});
            m_isdn = isdnChecked ? 1 : 0;
        } else {
            scope.warning("Failed to set isdn (0x%08x).", static_cast<unsigned>(hr));
            WriteFailed(IDS_VALUE_ISDN, hr);
        }
    }
    bool written = m_firstTexts.Write(account.Get(), scope, failed);
    WriteAddress(account.Get(), m_primaryDns, scope, set);
    WriteAddress(account.Get(), m_secondaryDns, scope, set);
    written |= m_laterTexts.Write(account.Get(), scope, failed);
    WriteAddress(account.Get(), m_defaultAddress, scope, set);
    if (AuthenticationChanged()) {
        const int selection = AuthenticationSelected();
        hr = account->SetAuthentication(AuthenticationFromIndex(selection));
        if (SUCCEEDED(hr)) {
            set.push_back(
                {IDS_VALUE_AUTHENTICATION, [this, old = m_authentication] { m_authentication = old; }});
            m_authentication = selection;
        } else {
            scope.warning("Failed to set authentication (0x%08x).", static_cast<unsigned>(hr));
            WriteFailed(IDS_VALUE_AUTHENTICATION, hr);
        }
    }
    account.Reset();
    if (written || !set.empty()) {
        hr = device->SetIspSettings(settings.Get());
        if (FAILED(hr)) {
            scope.warning("Failed to set isp settings (0x%08x).", static_cast<unsigned>(hr));
            m_firstTexts.Abandon(hr, failed);
            m_laterTexts.Abandon(hr, failed);
            for (const SetOnCopy& value : set) {
                value.takeBack();
                WriteFailed(value.valueName, hr);
            }
        } else {
            m_firstTexts.Commit();
            m_laterTexts.Commit();
        }
    }
    OnUpdateUI();
    return TRUE;
}
