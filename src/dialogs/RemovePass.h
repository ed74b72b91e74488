#pragma once
// RemovePass: "Quitar contraseña", given the current password.
#include "dialogs/PasswordDialog.h"

class RemovePass : public PasswordDialog {
public:
    RemovePass(IPen* pen, HWND owner);

protected:
    void OnUpdateUI() override;
    void OnOK() override;
};
