#pragma once
// EditShortcut: "Editar acceso directo a dirección", the four fields of one shortcut.
// OK stores the valid texts into the record (fields that were not read stay absent);
// nothing reaches the pen before the page applies.
#include <memory>

#include "controls/EmailEdit.h"
#include "controls/PhoneEdit.h"
#include "controls/ValidatingEdit.h"
#include "framework/Dialog.h"
#include "framework/MyMessageBox.h"
#include "sheet/Shortcut.h"

class EditShortcut : public Dialog {
public:
    EditShortcut(Shortcut& record, HWND parent);
    ~EditShortcut() override;

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnClose() override;
    void OnDestroy() override;

private:
    ValidatingEdit& Edit(size_t field);

    Shortcut& m_record;
    std::unique_ptr<MyMessageBox> m_messageBox;
    ValidatingEdit m_nameEdit{128};
    EmailEdit m_emailEdit{128};
    PhoneEdit m_cellPhoneEdit{128};
    PhoneEdit m_faxEdit{128};
};
