#include "dialogs/CreatePass.h"

#include "core/TraceScope.h"
#include "framework/Bstr.h"
#include "res/resource.h"

CreatePass::CreatePass(IPen* pen, HWND owner)
    : PasswordDialog("CreatePass", IDD_CREATE_PASS, pen, owner, {{IDC_NEW_PASS, 32}, {IDC_CONFIRM_PASS, 32}, {IDC_PASS_HINT, 128}},
                     false) {}

void CreatePass::OnUpdateUI() {
    TraceScope scope("CreatePass::OnUpdateUI");
    const std::wstring password = FieldText(IDC_NEW_PASS);
    EnableItem(IDOK, !password.empty() && password == FieldText(IDC_CONFIRM_PASS));
}

void CreatePass::OnOK() {
    TraceScope scope("CreatePass::OnOK");
    Bstr password(FieldText(IDC_NEW_PASS));
    VARIANT_BOOL done = VARIANT_FALSE;
    const HRESULT hr = m_pen->SetPenPassword(password.Get(), &done);
    // Refused: the dialog stays as it is, and the pen has no password yet.
    if (FAILED(hr) || done == VARIANT_FALSE)
        return;
    StoreHint();
    EndDialog(IDOK);
}
