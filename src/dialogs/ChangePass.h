#pragma once
// ChangePass: "Cambiar contraseña", the current password, the new one twice and a new
// hint. The pen judges the current password.
#include "dialogs/PasswordDialog.h"

class ChangePass : public PasswordDialog {
public:
    ChangePass(IPen* pen, HWND owner);

protected:
    void OnUpdateUI() override;
    void OnOK() override;
};
