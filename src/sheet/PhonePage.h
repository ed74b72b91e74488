#pragma once
// PhonePage: "Números de teléfono", the further phone numbers and the pager number of the
// pen's user data, each with its own read-only flag. Leaving the page with a number that
// is not valid is refused.
#include "controls/PhoneEdit.h"
#include "sheet/PenTextFields.h"
#include "sheet/SheetPage.h"

class PhonePage : public SheetPage {
public:
    PhonePage();
    ~PhonePage() override;

    void UpdatePage() override;
    BOOL OnApply() override;

protected:
    BOOL OnInitDialog() override;
    void OnDestroy() override;
    BOOL OnKillActive() override;
    void OnUpdateUI() override;

private:
    bool Validate();

    PhoneEdit m_edits[5] = {PhoneEdit(128), PhoneEdit(128), PhoneEdit(128), PhoneEdit(128), PhoneEdit(128)};
    PenTextFields<IUserData> m_texts;
};
