#include "sheet/AddressPage.h"

#include <wrl/client.h>

#include "core/TraceScope.h"
#include "res/resource.h"
#include "sheet/UserDataCopy.h"

using Microsoft::WRL::ComPtr;

const AddressPage::Kind AddressPage::kDelivery = {IDD_DELIVERY, "DeliveryPage", &IUserData::GetDeliveryAddress,
                                                  &IUserData::IsDeliveryAddressReadOnly};
const AddressPage::Kind AddressPage::kInvoice = {IDD_INVOICE, "InvoicePage", &IUserData::GetInvoiceAddress,
                                                 &IUserData::IsInvoiceAddressReadOnly};

namespace {
constexpr int kEditIds[] = {IDC_ADDRESS_STREET, IDC_ADDRESS_STREET2, IDC_ADDRESS_CITY,
                            IDC_ADDRESS_POSTAL, IDC_ADDRESS_STATE,   IDC_ADDRESS_COUNTRY};
} // namespace

AddressPage::AddressPage(const Kind& kind) : SheetPage(kind.templateId, kind.name), m_kind(kind) {
    using A = IPostalAddress;
    m_texts.Add(m_edits[0], &A::GetStreet, &A::SetStreet, nullptr, "Failed to set street (0x%08x).",
                IDS_VALUE_STREET);
    m_texts.Add(m_edits[1], &A::GetStreet2, &A::SetStreet2, nullptr, "Failed to set street2 (0x%08x).",
                IDS_VALUE_STREET2);
    m_texts.Add(m_edits[2], &A::GetCity, &A::SetCity, nullptr, "Failed to set city (0x%08x).",
                IDS_VALUE_CITY);
    m_texts.Add(m_edits[3], &A::GetPostal, &A::SetPostal, nullptr, "Failed to set postal (0x%08x).",
                IDS_VALUE_POSTAL);
    m_texts.Add(m_edits[4], &A::GetState, &A::SetState, nullptr, "Failed to set state (0x%08x).",
                IDS_VALUE_STATE);
    m_texts.Add(m_edits[5], &A::GetCountry, &A::SetCountry, nullptr, "Failed to set country (0x%08x).",
                IDS_VALUE_COUNTRY);
}

AddressPage::~AddressPage() = default;

BOOL AddressPage::OnInitDialog() {
    TraceScope scope(ScopeName("OnInitDialog"));
    const BOOL result = SheetPage::OnInitDialog();
    for (int i = 0; i < 6; ++i)
        if (!m_edits[i].SubclassDlgItem(kEditIds[i], m_hwnd))
            return FALSE;
    UpdatePage();
    return result;
}

void AddressPage::OnDestroy() {
    TraceScope scope(ScopeName("OnDestroy"));
    m_texts.Clear();
}

void AddressPage::UpdatePage() {
    TraceScope scope(ScopeName("UpdatePage"));
    IPen* pen = GetPen();
    m_texts.Clear();
    bool readOnly = true;
    ComPtr<IUserData> data;
    if (pen)
        GetUserDataCopy(pen, data, scope);
    if (data) {
        ComPtr<IPostalAddress> address;
        const HRESULT hr = (data.Get()->*m_kind.get)(&address);
        if (FAILED(hr) || !address)
            scope.warning("Error getting postal address (0x%08x).", static_cast<unsigned>(hr));
        else
            m_texts.Read(address.Get());
        VARIANT_BOOL flag = VARIANT_TRUE;
        if (SUCCEEDED((data.Get()->*m_kind.isReadOnly)(&flag)))
            readOnly = flag != VARIANT_FALSE;
    }
    m_texts.SetReadOnly(readOnly);
    m_texts.Show(pen != nullptr);
    OnUpdateUI();
}

void AddressPage::OnUpdateUI() {
    TraceScope scope(ScopeName("OnUpdateUI"), true);
    SetModified(m_texts.Modified());
}

BOOL AddressPage::OnApply() {
    TraceScope scope(ScopeName("OnApply"));
    IPen* pen = GetPen();
    if (!pen || !m_texts.Modified())
        return TRUE;
    const WriteFailedFn failed = [this](UINT name, HRESULT hr) { WriteFailed(name, hr); };
    ComPtr<IUserData> data;
    ComPtr<IPostalAddress> address;
    HRESULT hr = GetUserDataCopy(pen, data, scope);
    if (SUCCEEDED(hr)) {
        hr = (data.Get()->*m_kind.get)(&address);
        if (FAILED(hr) || !address)
            scope.warning("Error getting postal address (0x%08x).", static_cast<unsigned>(hr));
    }
    if (!address) {
        m_texts.ReportChanged(FAILED(hr) ? hr : E_POINTER, failed);
    } else if (m_texts.Write(address.Get(), scope, failed)) {
        address.Reset();
        m_texts.Settle(pen->SetUserData(data.Get()), scope, "Failed to set user data (0x%08x).", failed);
    }
    OnUpdateUI();
    return TRUE;
}
