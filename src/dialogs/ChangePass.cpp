#include "dialogs/ChangePass.h"

#include "core/TraceScope.h"
#include "framework/Bstr.h"
#include "res/resource.h"

ChangePass::ChangePass(IPen* pen, HWND owner)
    : PasswordDialog("ChangePass", IDD_CHANGE_PASS, pen, owner,
                     {{IDC_CURRENT_PASS, 32}, {IDC_NEW_PASS, 32}, {IDC_CONFIRM_PASS, 32}, {IDC_PASS_HINT, 128}},
                     true) {}

void ChangePass::OnUpdateUI() {
    TraceScope scope("ChangePass::OnUpdateUI");
    const std::wstring password = FieldText(IDC_NEW_PASS);
    EnableItem(IDOK, !FieldText(IDC_CURRENT_PASS).empty() && !password.empty() &&
                         password == FieldText(IDC_CONFIRM_PASS));
}

void ChangePass::OnOK() {
    TraceScope scope("ChangePass::OnOK");
    Bstr current(FieldText(IDC_CURRENT_PASS));
    Bstr password(FieldText(IDC_NEW_PASS));
    VARIANT_BOOL done = VARIANT_FALSE;
    const HRESULT hr = m_pen->ChangePenPassword(current.Get(), password.Get(), &done);
    if (SUCCEEDED(hr) && done == VARIANT_TRUE) {
        StoreHint();
        EndDialog(IDOK);
        return;
    }
    // A wrong current password and a failed call read the same to the user.
    ShowRefusal(IDS_CHANGE_PASS_WRONG, IDS_CHANGE_PASS_CAPTION);
}
