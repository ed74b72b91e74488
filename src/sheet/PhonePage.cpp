#include "sheet/PhonePage.h"

#include <wrl/client.h>

#include "core/TraceScope.h"
#include "res/resource.h"
#include "sheet/UserDataCopy.h"
#include "sheet/EditValidation.h"

using Microsoft::WRL::ComPtr;

namespace {
constexpr int kEditIds[] = {IDC_HOME_PHONE, IDC_HOME_FAX, IDC_PAGER, IDC_BUSINESS_PHONE, IDC_BUSINESS_FAX};
} // namespace

PhonePage::PhonePage() : SheetPage(IDD_PHONES, "PhonePage") {
    using U = IUserData;
    m_texts.Add(m_edits[0], &U::GetHomePhone, &U::SetHomePhone, &U::IsHomePhoneReadOnly,
                "Failed to set home phone number (0x%08x).", IDS_VALUE_HOME_PHONE);
    m_texts.Add(m_edits[1], &U::GetHomeFax, &U::SetHomeFax, &U::IsHomeFaxReadOnly,
                "Failed to set home fax number (0x%08x).", IDS_VALUE_HOME_FAX);
    m_texts.Add(m_edits[2], &U::GetPager, &U::SetPager, &U::IsPagerReadOnly,
                "Failed to set pager number (0x%08x).", IDS_VALUE_PAGER);
    m_texts.Add(m_edits[3], &U::GetBusinessPhone, &U::SetBusinessPhone, &U::IsBusinessPhoneReadOnly,
                "Failed to set business phone number (0x%08x).", IDS_VALUE_BUSINESS_PHONE);
    m_texts.Add(m_edits[4], &U::GetBusinessFax, &U::SetBusinessFax, &U::IsBusinessFaxReadOnly,
                "Failed to set business fax number (0x%08x).", IDS_VALUE_BUSINESS_FAX);
}

PhonePage::~PhonePage() = default;

BOOL PhonePage::OnInitDialog() {
    TraceScope scope("PhonePage::OnInitDialog");
    const BOOL result = SheetPage::OnInitDialog();
    for (int i = 0; i < 5; ++i)
        if (!m_edits[i].SubclassDlgItem(kEditIds[i], m_hwnd))
            return FALSE;
    UpdatePage();
    return result;
}

void PhonePage::OnDestroy() {
    TraceScope scope("PhonePage::OnDestroy");
    m_texts.Clear();
}

void PhonePage::UpdatePage() {
    TraceScope scope("PhonePage::UpdatePage");
    IPen* pen = GetPen();
    m_texts.Clear();
    ComPtr<IUserData> data;
    if (pen)
        GetUserDataCopy(pen, data, scope);
    if (data)
        m_texts.Read(data.Get());
    m_texts.Show(pen != nullptr);
    OnUpdateUI();
}

void PhonePage::OnUpdateUI() {
    TraceScope scope("PhonePage::OnUpdateUI", true);
    SetModified(m_texts.Modified());
}

bool PhonePage::Validate() {
    TraceScope scope("PhonePage::Validate");
    return ValidateEdits({&m_edits[0], &m_edits[1], &m_edits[2], &m_edits[3], &m_edits[4]},
                         [this] { AskQuestion(IDS_INVALID_INPUT, IDS_INVALID_CAPTION, MB_ICONERROR); });
}

BOOL PhonePage::OnKillActive() {
    TraceScope scope("PhonePage::OnKillActive");
    return Validate() ? SheetPage::OnKillActive() : FALSE;
}

BOOL PhonePage::OnApply() {
    TraceScope scope("PhonePage::OnApply");
    IPen* pen = GetPen();
    if (!pen || !m_texts.Modified())
        return TRUE;
    const WriteFailedFn failed = [this](UINT name, HRESULT hr) { WriteFailed(name, hr); };
    ComPtr<IUserData> data;
    if (const HRESULT hr = GetUserDataCopy(pen, data, scope); FAILED(hr)) {
        m_texts.ReportChanged(hr, failed);
    } else if (m_texts.Write(data.Get(), scope, failed)) {
        m_texts.Settle(pen->SetUserData(data.Get()), scope, "Failed to set user data (0x%08x).", failed);
    }
    OnUpdateUI();
    return TRUE;
}
