#pragma once
// DetailsPage: "Detalles personales", the pen owner's name, e-mail address, cell phone,
// feedback language and time zone as stored in the pen's user data. "Más detalles..."
// opens the sheet with the addresses and further phone numbers of the same user data.
#include <memory>

#include "controls/EmailEdit.h"
#include "controls/PhoneEdit.h"
#include "controls/ValidatingEdit.h"
#include "sheet/PenTextFields.h"
#include "sheet/SheetPage.h"

class MoreDetailsSheet;

class DetailsPage : public SheetPage {
public:
    DetailsPage();
    ~DetailsPage() override;

    void UpdatePage() override;
    BOOL OnApply() override;

    // The pen's language code (any case) as an index of the language list, or -1.
    static int FeedbackToIndex(const char* code);
    // The code of a list index, or null.
    static const char* FeedbackFromIndex(int index);
    // Minutes from GMT as an index of the time zone list, or -1.
    static int TimezoneToIndex(short minutes);
    // The minutes of a list index (0 outside the list).
    static short TimezoneFromIndex(int index);

protected:
    BOOL OnInitDialog() override;
    void OnDestroy() override;
    BOOL OnKillActive() override;
    bool OnCommand(int id, int code) override;
    void OnUpdateUI() override;

    void OnMoreDetails();

private:
    bool Validate();
    int Selection(int comboId) const;
    // A combo whose value was read and now shows another item.
    bool ComboChanged(int comboId, int asRead) const { return asRead != -1 && Selection(comboId) != asRead; }

    ValidatingEdit m_nameEdit{128};
    EmailEdit m_emailEdit{128};
    PhoneEdit m_cellPhoneEdit{128};
    PenTextFields<IUserData> m_texts;
    int m_languageAsRead = -1;
    int m_timeZoneAsRead = -1;
    std::unique_ptr<MoreDetailsSheet> m_moreDetails;
};
