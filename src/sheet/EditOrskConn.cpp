#include "sheet/EditOrskConn.h"

#include <wrl/client.h>

#include "core/StringPackage.h"
#include "core/TraceScope.h"
#include "framework/Bstr.h"
#include "framework/ResourceText.h"
#include "res/resource.h"
#include "sheet/EditValidation.h"
#include "sheet/SettingsSheet.h"
#include "sheet/TestOrskConn.h"

using Microsoft::WRL::ComPtr;

EditOrskConn::EditOrskConn(HWND parent)
    : Dialog(IDD_EDIT_ORSK, parent), WriteFailures(IDS_WRITE_FAILED_DIALOG) {}

BOOL EditOrskConn::OnInitDialog() {
    TraceScope scope("EditOrskConn::OnInitDialog");
    const BOOL result = Dialog::OnInitDialog();
    if (!m_addressEdit.SubclassDlgItem(IDC_ORSK_ADDRESS, m_hwnd))
        return FALSE;
    ComPtr<IPenManager> manager;
    HRESULT hr = SettingsSheet::CreatePenManager(manager);
    if (FAILED(hr)) {
        scope.warning("Failed to create pen manager (0x%08x).", static_cast<unsigned>(hr));
    } else {
        Bstr address;
        hr = manager->GetOrskUrl(address.Out());
        if (FAILED(hr))
            scope.warning("Failed to get orsk url (0x%08x).", static_cast<unsigned>(hr));
        else
            m_addressAsRead = address.Str();
    }
    m_addressEdit.SetWindowUnicode(m_addressAsRead.c_str());
    OnUpdateUI();
    return result;
}

bool EditOrskConn::OnCommand(int id, int code) {
    if (id == IDC_ORSK_ADDRESS && code == EN_CHANGE) {
        OnUpdateUI();
        return true;
    }
    return Dialog::OnCommand(id, code);
}

void EditOrskConn::OnUpdateUI() {
    TraceScope scope("EditOrskConn::OnUpdateUI");
    EnableItem(IDOK, m_addressEdit.GetWindowUnicode() != m_addressAsRead);
}

void EditOrskConn::OnOK() {
    TraceScope scope("EditOrskConn::OnOK");
    const bool valid = ValidateEdits({&m_addressEdit}, [this] {
        ::MessageBoxW(m_hwnd, LoadResString(IDS_INVALID_INPUT).c_str(),
                      LoadResString(IDS_INVALID_CAPTION).c_str(), MB_ICONERROR);
    });
    if (!valid)
        return;
    const std::wstring address = m_addressEdit.GetWindowUnicode();
    if (address == m_addressAsRead)
        return;
    // An empty address switches the server off: there is nothing to test.
    if (!address.empty() && !KeepsUntested(address))
        return;
    if (WriteAddress(address))
        EndDialog(IDOK);
}

bool EditOrskConn::WriteAddress(const std::wstring& address) {
    TraceScope scope("EditOrskConn::WriteAddress");
    ComPtr<IPenManager> manager;
    HRESULT hr = SettingsSheet::CreatePenManager(manager);
    if (FAILED(hr)) {
        scope.warning("Failed to create pen manager (0x%08x).", static_cast<unsigned>(hr));
    } else {
        Bstr text(address);
        hr = manager->SetOrskUrl(text.Get());
        if (FAILED(hr))
            scope.warning("Failed to set orsk url (0x%08x).", static_cast<unsigned>(hr));
    }
    if (SUCCEEDED(hr))
        return true;
    Add(LoadResString(IDS_VALUE_SERVER), hr);
    Tell(m_hwnd);
    return false;
}

bool EditOrskConn::KeepsUntested(const std::wstring& address) {
    TraceScope scope("EditOrskConn::KeepsUntested");
    const INT_PTR result = TestOrskConn(StringPackage::wideToAnsi(address), m_hwnd).DoModal();
    if (result == TestOrskConn::kConnected)
        return true;
    const bool failed = result != TestOrskConn::kCancelled;
    const std::wstring question = LoadResString(failed ? IDS_TEST_FAILED_KEEP : IDS_TEST_CANCELLED_KEEP);
    const UINT icon = failed ? MB_ICONERROR : MB_ICONEXCLAMATION;
    return ::MessageBoxW(m_hwnd, question.c_str(), LoadResString(IDS_TEST_CAPTION).c_str(),
                         MB_YESNO | icon) == IDYES;
}
