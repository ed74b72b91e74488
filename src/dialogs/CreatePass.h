#pragma once
// CreatePass: "Asignar contraseña", a first password for the pen, with its hint.
#include "dialogs/PasswordDialog.h"

class CreatePass : public PasswordDialog {
public:
    CreatePass(IPen* pen, HWND owner);

protected:
    void OnUpdateUI() override;
    void OnOK() override;
};
