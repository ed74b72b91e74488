#include "dialogs/RemovePass.h"

#include "core/TraceScope.h"
#include "framework/Bstr.h"
#include "res/resource.h"

RemovePass::RemovePass(IPen* pen, HWND owner)
    : PasswordDialog("RemovePass", IDD_REMOVE_PASS, pen, owner, {{IDC_CURRENT_PASS, 32}}, true) {}

void RemovePass::OnUpdateUI() {
    TraceScope scope("RemovePass::OnUpdateUI");
    EnableItem(IDOK, !FieldText(IDC_CURRENT_PASS).empty());
}

void RemovePass::OnOK() {
    TraceScope scope("RemovePass::OnOK");
    // The password goes to the pen as typed (UTF-16), not through the ANSI code page,
    // which would turn characters outside it into question marks.
    Bstr current(FieldText(IDC_CURRENT_PASS));
    VARIANT_BOOL done = VARIANT_FALSE;
    const HRESULT hr = m_pen->RemovePenPassword(current.Get(), &done);
    if (SUCCEEDED(hr) && done == VARIANT_TRUE) {
        EndDialog(IDOK);
        return;
    }
    ShowRefusal(IDS_REMOVE_PASS_WRONG, IDS_REMOVE_PASS_CAPTION);
}
